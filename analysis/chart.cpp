#include "analysis/chart.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>

#include "analysis/whole_file.h"

namespace chart {

namespace {
void Quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

// Fonts need an application; slotsim has none and no display to show one on. Qt's warnings
// (no runtime folder, a file it cannot open) stay quiet: slotsim says what failed.
void NeedApplication() {
    if (QGuiApplication::instance())
        return;
    qInstallMessageHandler(Quiet);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "slotsim";
    static char* argv[] = {name, nullptr};
    static QGuiApplication application(argc, argv);
}

} // namespace

QString ChartText(const std::string& text) {
    QString chart;
    for (const QChar c : QString::fromStdString(text))
        if (c.category() != QChar::Other_Control && !c.isNonCharacter())
            chart += c;
    return chart;
}

int DrawBars(QPainter& painter, int top, const QString& title, const std::vector<Bar>& bars,
             const QColor& colour) {
    painter.setPen(Qt::black);
    QFont bold = painter.font();
    bold.setBold(true);
    painter.setFont(bold);
    painter.drawText(MARGIN, top + ROW - 4, title);
    bold.setBold(false);
    painter.setFont(bold);
    top += ROW + 4;
    for (const Bar& bar : bars) {
        painter.drawText(QRect(MARGIN, top, LABEL_WIDTH - 8, ROW),
                         Qt::AlignRight | Qt::AlignVCenter, bar.label);
        const int length = std::max(1, static_cast<int>(std::lround(bar.length * BAR_WIDTH)));
        painter.fillRect(MARGIN + LABEL_WIDTH, top + 2, length, ROW - 4, colour);
        painter.drawText(MARGIN + LABEL_WIDTH + length + 6, top + ROW - 5, bar.value);
        top += ROW;
    }
    return top + ROW;
}

std::string SaveSvg(const std::string& svgPath, int height, const QString& title,
                    const std::function<void(QPainter&)>& draw) {
    NeedApplication();
    QBuffer chart;
    QSvgGenerator svg;
    svg.setOutputDevice(&chart);
    svg.setSize(QSize(WIDTH, height));
    svg.setViewBox(QRect(0, 0, WIDTH, height));
    // The generator escapes the texts it draws but writes the title as given.
    svg.setTitle(title.toHtmlEscaped());
    QPainter painter;
    if (!painter.begin(&svg))
        return "the chart cannot be drawn";
    painter.fillRect(0, 0, WIDTH, height, Qt::white);
    QFont font("DejaVu Sans");
    font.setPixelSize(12);
    painter.setFont(font);
    draw(painter);
    if (!painter.end())
        return "the chart cannot be drawn";
    return WriteWhole(svgPath, std::string_view(chart.data().constData(),
                                                static_cast<size_t>(chart.data().size())));
}

} // namespace chart
