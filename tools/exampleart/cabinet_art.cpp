// The cabinet's own pictures: the button looks and the credit meter's ground. Their layouts
// follow where the cabinet builder reads them, not the machine file.

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "tools/exampleart/pictures.h"
#include "tools/exampleart/symbol_art.h"

namespace {

// "buttons" is read as four rows of a quarter height. v = 0 is the picture's bottom row, so
// from the top: narrow buttons unlit (state 1), narrow lit (state 2), wide unlit, wide lit.
// Narrow cells are a quarter of the width, wide ones half: the buttons are 1 and 2 units wide
// and 1 unit along the slope, so square pixels here stay square on the cabinet.
constexpr int BUTTONS_SIDE = 256;
constexpr int ROW = BUTTONS_SIDE / 4;
constexpr int NARROW = BUTTONS_SIDE / 4;
constexpr int WIDE = BUTTONS_SIDE / 2;

struct ButtonCell {
    int x, row, width;
    const char* text; // null for the button without an action
    QColor colour;
    bool lit;
    const char* sign = nullptr; // drawn large above a word too long to read from afar
};

const QColor AMBER(0xff, 0xb3, 0x00);
const QColor BLUE(0x1e, 0x88, 0xe5);
const QColor GREEN(0x43, 0xa0, 0x47);
const QColor RED(0xe5, 0x39, 0x35);
const QColor PLAIN(0x90, 0x90, 0x90);

// Change is only ever shown in its first look and is always usable, so both of its cells are
// lit; the button without an action is plain in both.
const ButtonCell BUTTON_CELLS[] = {
    {0, 0, NARROW, "BET 1", AMBER, false},
    {0, 1, NARROW, "BET 1", AMBER, true},
    {NARROW, 0, NARROW, nullptr, PLAIN, false},
    {NARROW, 1, NARROW, nullptr, PLAIN, false},
    {2 * NARROW, 0, NARROW, "CHANGE", BLUE, true, "$"},
    {2 * NARROW, 1, NARROW, "CHANGE", BLUE, true, "$"},
    {0, 2, WIDE, "PLAY 3", GREEN, false},
    {0, 3, WIDE, "PLAY 3", GREEN, true},
    {WIDE, 2, WIDE, "SPIN", RED, false},
    {WIDE, 3, WIDE, "SPIN", RED, true},
};

QColor Unlit(const QColor& colour) {
    const QColor grey(0x55, 0x55, 0x55);
    return QColor((colour.red() + 2 * grey.red()) / 3, (colour.green() + 2 * grey.green()) / 3,
                  (colour.blue() + 2 * grey.blue()) / 3);
}

void PaintButton(QPainter& p, const ButtonCell& cell) {
    const QRectF area(cell.x, cell.row * ROW, cell.width, ROW);
    p.fillRect(area, QColor(0xcc, 0xcc, 0xcc)); // the slope's own grey round the button
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x22, 0x22, 0x22));
    p.drawRoundedRect(area.adjusted(3, 3, -3, -3), 9, 9);

    const QRectF cap = area.adjusted(7, 7, -7, -7);
    const QColor base = cell.lit ? cell.colour : Unlit(cell.colour);
    QLinearGradient g(0, cap.top(), 0, cap.bottom());
    g.setColorAt(0, cell.lit ? base.lighter(150) : base.lighter(115));
    g.setColorAt(0.5, base);
    g.setColorAt(1, base.darker(cell.lit ? 140 : 125));
    p.setBrush(g);
    p.setPen(QPen(base.darker(200), 1.5));
    p.drawRoundedRect(cap, 6, 6);

    if (cell.lit) { // a glint across the top of a lit cap
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 70));
        p.drawRoundedRect(cap.adjusted(4, 3, -4, -cap.height() * 0.55), 4, 4);
    }
    if (!cell.text)
        return;
    // A narrow cap holds a word only in tall, narrow letters. At the first view a button is a
    // dozen pixels wide, too narrow for CHANGE's six letters: its sign above the word reads.
    const bool narrow = cell.width == NARROW;
    const double side = cap.width() * (narrow ? 0.05 : 0.1);
    QRectF textBox = cap.adjusted(side, cap.height() * 0.25, -side, -cap.height() * 0.25);
    const QColor ink = cell.lit ? Qt::white : QColor(0xbb, 0xbb, 0xbb);
    const QPen outline = cell.lit ? QPen(base.darker(250), 1.2) : QPen(Qt::NoPen);
    if (cell.sign) {
        PaintFittedText(p, QString::fromLatin1(cell.sign),
                        cap.adjusted(side, cap.height() * 0.04, -side, -cap.height() * 0.36),
                        QFont::Black, ink, outline);
        textBox = cap.adjusted(side, cap.height() * 0.66, -side, -cap.height() * 0.08);
    }
    PaintFittedText(p, QString::fromLatin1(cell.text), textBox, QFont::Black, ink, outline,
                    narrow ? 0.55 : 1);
}

// The meter's figures are printed at fixed pixel places, right-aligned in these rectangles
// (right and bottom edges exclusive); the face shows the left half of a 128 by 128 picture.
constexpr int METER_SIDE = 128;
constexpr int METER_SHOWN = METER_SIDE / 2;
const QRect PAID_BOX(QPoint(4, 48), QPoint(58, 68));
const QRect CREDITS_BOX(QPoint(4, 73), QPoint(58, 93));
const QRect BET_BOX(QPoint(41, 101), QPoint(58, 121));
const QColor FIGURE_GROUND(48, 0, 0);
const QColor CAPTION(0xff, 0xc8, 0x57);

// The left half is stretched over a panel about twice as wide as it is tall per pixel, so
// captions are drawn narrower to look right on the cabinet. Capitals fill the box's height.
void PaintCaption(QPainter& p, const QString& text, const QRectF& box) {
    QPainterPath path = TextOutline(text, QFont::Bold);
    const QRectF bounds = path.boundingRect();
    const double scale = box.height() / bounds.height();
    QTransform t;
    t.translate(box.left(), box.top());
    t.scale(scale * 0.55, scale);
    t.translate(-bounds.left(), -bounds.top());
    p.setPen(Qt::NoPen);
    p.setBrush(CAPTION);
    p.drawPath(t.map(path));
}

// Between the paid and credit figures there are only four rows, too few for an outline font:
// the credit caption is set in capitals of three by four pixels, which the panel's stretch
// widens to look like the other captions.
struct PixelLetter {
    char letter;
    const char* rows[4];
};
constexpr PixelLetter PIXEL_LETTERS[] = {
    {'C', {".##", "#..", "#..", ".##"}}, {'R', {"##.", "#.#", "##.", "#.#"}},
    {'E', {"###", "##.", "#..", "###"}}, {'D', {"##.", "#.#", "#.#", "##."}},
    {'I', {"###", ".#.", ".#.", "###"}}, {'T', {"###", ".#.", ".#.", ".#."}},
    {'S', {".##", "##.", "..#", "##."}},
};
constexpr int PIXEL_LETTER_WIDTH = 3;
constexpr int PIXEL_LETTER_ROWS = 4;

void PaintPixelCaption(QPainter& p, const char* text, QPoint topLeft) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    for (const char* c = text; *c; ++c, topLeft.rx() += PIXEL_LETTER_WIDTH + 1)
        for (const PixelLetter& glyph : PIXEL_LETTERS)
            if (glyph.letter == *c)
                for (int y = 0; y < PIXEL_LETTER_ROWS; ++y)
                    for (int x = 0; x < PIXEL_LETTER_WIDTH; ++x)
                        if (glyph.rows[y][x] == '#')
                            p.fillRect(topLeft.x() + x, topLeft.y() + y, 1, 1, CAPTION);
    p.restore();
}

} // namespace

QImage DrawButtons() {
    QImage picture(BUTTONS_SIDE, BUTTONS_SIDE, QImage::Format_RGB32);
    picture.fill(QColor(0xcc, 0xcc, 0xcc));
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    for (const ButtonCell& cell : BUTTON_CELLS)
        PaintButton(painter, cell);
    return picture;
}

QImage DrawCreditMeter() {
    QImage picture(METER_SIDE, METER_SIDE, QImage::Format_RGB32);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient ground(0, 0, 0, METER_SIDE);
    ground.setColorAt(0, QColor(0x2a, 0x2a, 0x30));
    ground.setColorAt(1, QColor(0x10, 0x10, 0x14));
    painter.fillRect(picture.rect(), ground);
    painter.setPen(QPen(QColor(0x8a, 0x7a, 0x50), 2));
    painter.drawRect(QRectF(1, 1, METER_SHOWN - 2, METER_SIDE - 2));

    // Each caption above its figure, the short bet figure's beside it. The figures' grounds
    // have no frames: the four rows between the first two hold the credit caption.
    for (const QRect& box : {PAID_BOX, CREDITS_BOX, BET_BOX})
        painter.fillRect(box, FIGURE_GROUND);
    PaintCaption(painter, QStringLiteral("PAID"), QRectF(4, 35, 55, 11));
    PaintPixelCaption(painter, "CREDITS", QPoint(CREDITS_BOX.left(), CREDITS_BOX.top() - 4));
    PaintCaption(painter, QStringLiteral("BET"), QRectF(4, 106, 34, 11));
    return picture;
}
