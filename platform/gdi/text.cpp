// Text in the one default font, painted by Qt straight into the context's pixels.

#include "platform/gdi/gdi.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QString>

#include <algorithm>

namespace {

// Longer strings are cut, as GDI caps the length of one call.
constexpr UINT MAX_CHARACTERS = 8192;

// Made per call: a font kept in a static would outlive the application's font database.
QFont DefaultFont() {
    QFont font(QString::fromLatin1(gdi::DEFAULT_FONT_FAMILY));
    font.setPixelSize(gdi::DEFAULT_FONT_PIXEL_SIZE);
    font.setBold(true);
    font.setKerning(false);
    // Unsmoothed, fully hinted glyphs: every machine paints the same pixels.
    font.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoFontMerging));
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

QColor ToQColor(COLORREF color) {
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

// A RECT clamped to just around the picture, so wild coordinates cannot overflow.
QRect ClampedRect(const RECT& rect, const base::Image& image) {
    auto clamp = [](LONG value, int limit) { return std::clamp<LONG>(value, -1, limit + 1); };
    const int left = clamp(rect.left, image.width), right = clamp(rect.right, image.width);
    const int top = clamp(rect.top, image.height), bottom = clamp(rect.bottom, image.height);
    return QRect(left, top, std::max(0, right - left), std::max(0, bottom - top));
}

// The text's cell placed by the alignment flags around the reference point (x, y).
struct TextCell {
    int64_t left;
    int64_t top;
    int width;
    int height;
    int ascent;
};

TextCell PlaceText(UINT align, int x, int y, const QFontMetrics& metrics, const QString& text) {
    TextCell cell{x, y, metrics.horizontalAdvance(text), metrics.ascent() + metrics.descent(),
                  metrics.ascent()};
    if ((align & TA_CENTER) == TA_CENTER)
        cell.left -= cell.width / 2;
    else if (align & TA_RIGHT)
        cell.left -= cell.width;
    if ((align & TA_BASELINE) == TA_BASELINE)
        cell.top -= cell.ascent;
    else if (align & TA_BOTTOM)
        cell.top -= cell.height;
    return cell;
}

bool Reaches(const TextCell& cell, const base::Image& image) {
    return cell.left < image.width && cell.left + cell.width > 0 && cell.top < image.height &&
           cell.top + cell.height > 0;
}

} // namespace

BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count,
                 const INT* spacing) {
    if (dc == nullptr || dc->image == nullptr || dc->image->Empty() || spacing != nullptr ||
        (text == nullptr && count > 0) || qGuiApp == nullptr)
        return FALSE;
    base::Image& image = *dc->image;
    QImage canvas(reinterpret_cast<uchar*>(image.pixels.data()), image.width, image.height,
                  image.width * 4, QImage::Format_ARGB32);
    QPainter painter(&canvas);
    if (rect != nullptr) {
        const QRect box = ClampedRect(*rect, image);
        if (options & ETO_OPAQUE)
            painter.fillRect(box, ToQColor(dc->bkColor));
        if (options & ETO_CLIPPED)
            painter.setClipRect(box);
    }
    const QString string = QString::fromLatin1(text, std::min(count, MAX_CHARACTERS));
    const QFont font = DefaultFont();
    const TextCell cell = PlaceText(dc->textAlign, x, y, QFontMetrics(font), string);
    if (string.isEmpty() || !Reaches(cell, image))
        return TRUE;
    const int left = static_cast<int>(cell.left), top = static_cast<int>(cell.top);
    if (dc->bkMode == OPAQUE)
        painter.fillRect(left, top, cell.width, cell.height, ToQColor(dc->bkColor));
    painter.setFont(font);
    painter.setPen(ToQColor(dc->textColor));
    painter.drawText(left, top + cell.ascent, string);
    return TRUE;
}

bool gdi::MeasureText(const char* text, UINT count, int& width, int& height) {
    if (qGuiApp == nullptr || (text == nullptr && count > 0))
        return false;
    const QFontMetrics metrics(DefaultFont());
    width = metrics.horizontalAdvance(QString::fromLatin1(text, std::min(count, MAX_CHARACTERS)));
    height = metrics.ascent() + metrics.descent();
    return true;
}
