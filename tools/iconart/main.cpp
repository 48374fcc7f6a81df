// iconart: draws the program's window icon for the desktop's icon theme: a scalable SVG and
// PNGs at the theme's sizes. Both are drawn from the icon resource the window itself uses,
// each pixel a square, so the desktop's icon cannot drift from the window's.
//
//   iconart OUTDIR NAME SIZE...
// writes OUTDIR/scalable/apps/NAME.svg and OUTDIR/SIZExSIZE/apps/NAME.png for each SIZE.

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

#include "resources/resources.h"

namespace {

// A horizontal run of pixels of one colour, in icon pixels.
struct Run {
    int x, y, length;
};

// The icon as runs grouped by colour; fully transparent pixels draw nothing. Both outputs are
// made from these runs, so the SVG and the PNGs are the same drawing.
using Drawing = std::map<QRgb, std::vector<Run>>;

Drawing TraceRuns(const QImage& icon) {
    Drawing drawing;
    for (int y = 0; y < icon.height(); ++y) {
        for (int x = 0; x < icon.width();) {
            const QRgb colour = icon.pixel(x, y);
            int end = x + 1;
            while (end < icon.width() && icon.pixel(end, y) == colour)
                ++end;
            if (qAlpha(colour) != 0)
                drawing[colour].push_back({x, y, end - x});
            x = end;
        }
    }
    return drawing;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size())
        return true;
    std::fprintf(stderr, "iconart: cannot write %s\n", qPrintable(path));
    return false;
}

QByteArray Svg(const Drawing& drawing, int width, int height) {
    QByteArray svg = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" "
                                    "height=\"%2\" viewBox=\"0 0 %1 %2\">\n")
                         .arg(width)
                         .arg(height)
                         .toUtf8();
    for (const auto& [colour, runs] : drawing) {
        QString path;
        for (const Run& run : runs)
            path += QStringLiteral("M%1 %2h%3v1h-%3z").arg(run.x).arg(run.y).arg(run.length);
        svg += QStringLiteral("<path fill=\"%1\" d=\"%2\"/>\n")
                   .arg(QColor(colour).name(QColor::HexRgb), path)
                   .toUtf8();
    }
    return svg + "</svg>\n";
}

// Renders the runs as an SVG renderer would: one filled path per colour, scaled to the size,
// with antialiased edges where a pixel boundary falls between two of the size's pixels.
QImage Render(const Drawing& drawing, int width, int height, int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(double(size) / width, double(size) / height);
    for (const auto& [colour, runs] : drawing) {
        QPainterPath path;
        path.setFillRule(Qt::WindingFill);
        for (const Run& run : runs)
            path.addRect(run.x, run.y, run.length, 1);
        painter.fillPath(path, QColor(colour));
    }
    return image;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: iconart OUTDIR NAME SIZE...\n");
        return 2;
    }
    const QImage icon = QImage(res::AppIcon.xpm.data()).convertToFormat(QImage::Format_ARGB32);
    if (icon.isNull()) {
        std::fprintf(stderr, "iconart: the icon resource does not decode\n");
        return 1;
    }
    const Drawing drawing = TraceRuns(icon);
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const QString name = QString::fromLocal8Bit(argv[2]);
    bool ok = WriteFile(out.filePath(QStringLiteral("scalable/apps/%1.svg").arg(name)),
                        Svg(drawing, icon.width(), icon.height()));
    for (int i = 3; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        const QString path = out.filePath(QStringLiteral("%1x%1/apps/%2.png").arg(size).arg(name));
        QDir().mkpath(QFileInfo(path).path());
        if (size < 1 || !Render(drawing, icon.width(), icon.height(), size).save(path, "PNG")) {
            std::fprintf(stderr, "iconart: cannot write %s\n", qPrintable(path));
            ok = false;
        }
    }
    return ok ? 0 : 1;
}
