#include "tools/exampleart/symbol_art.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>
#include <algorithm>

#include "engine/slot_machine.h"

namespace {

enum class Art {
    Plain,
    Cherry,
    Bar,
    DoubleBar,
    TripleBar,
    Seven,
    Bell,
    Wild,
    DoubleWild,
    FreeSpin,
    Arrow,
    Nudge,
    Letter
};

// Label words, tried in order, so the longer names come before the words they contain.
struct ArtWord {
    const char* word;
    Art art;
};
constexpr ArtWord ART_WORDS[] = {
    {"triple bar", Art::TripleBar},
    {"3 bar", Art::TripleBar},
    {"double bar", Art::DoubleBar},
    {"2 bar", Art::DoubleBar},
    {"bar", Art::Bar},
    {"double wild", Art::DoubleWild},
    {"wild", Art::Wild},
    {"free spin", Art::FreeSpin},
    {"autospin", Art::FreeSpin},
    {"seven", Art::Seven},
    {"cherr", Art::Cherry},
    {"bell", Art::Bell},
    {"arrow", Art::Arrow},
    {"blank", Art::Plain},
    {"gap", Art::Plain},
};

Art ArtFromFlags(uint32_t flags) {
    if (flags & SYM_WILD)
        return flags & SYM_DOUBLE ? Art::DoubleWild : Art::Wild;
    if (flags & SYM_AUTOSPIN)
        return Art::FreeSpin;
    if (flags & (SYM_UP | SYM_DOWN))
        return Art::Arrow;
    return Art::Letter;
}

Art ArtFromLabel(const SlotSymbol& symbol) {
    const QString label = QString::fromLatin1(symbol.label ? symbol.label : "").toLower();
    for (const ArtWord& entry : ART_WORDS) {
        if (label.contains(QLatin1String(entry.word)))
            return entry.art;
    }
    return ArtFromFlags(symbol.flags);
}

// A symbol that nudges and pays nothing itself must not look like one that pays ("Drop
// Seven" is no seven): it is drawn as its arrow. Wilds and free spins keep their art and get
// small arrows beside it.
Art ChooseArt(const SlotSymbol& symbol) {
    const Art art = ArtFromLabel(symbol);
    const bool keeps =
        art == Art::Arrow || art == Art::Wild || art == Art::DoubleWild || art == Art::FreeSpin;
    return (symbol.flags & (SYM_UP | SYM_DOWN)) && !keeps ? Art::Nudge : art;
}

const QColor INK(0x3a, 0x1a, 0x00);
const QColor GOLD(0xf2, 0xc1, 0x2e);

} // namespace

QPainterPath TextOutline(const QString& text, int weight) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(100);
    font.setWeight(QFont::Weight(weight));
    QPainterPath path;
    path.addText(0, 0, font, text);
    return path;
}

namespace {

QPainterPath Fitted(const QPainterPath& path, const QRectF& box) {
    const QRectF bounds = path.boundingRect();
    const double scale = std::min(box.width() / bounds.width(), box.height() / bounds.height());
    QTransform t;
    t.translate(box.center().x(), box.center().y());
    t.scale(scale, scale);
    t.translate(-bounds.center().x(), -bounds.center().y());
    return t.map(path);
}

QLinearGradient Vertical(double top, double bottom, const QColor& a, const QColor& b) {
    QLinearGradient g(0, top, 0, bottom);
    g.setColorAt(0, a);
    g.setColorAt(1, b);
    return g;
}

// The painters below draw into a 100 by 100 box centred on the origin.

void PaintCherry(QPainter& p) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x2e, 0x6b, 0x1f), 4, Qt::SolidLine, Qt::RoundCap));
    QPainterPath stems;
    stems.moveTo(-18, 8);
    stems.cubicTo(-14, -14, -4, -30, 6, -40);
    stems.moveTo(18, 12);
    stems.cubicTo(16, -10, 10, -28, 6, -40);
    p.drawPath(stems);

    p.save();
    p.translate(18, -38);
    p.rotate(-20);
    p.setPen(QPen(QColor(0x1b, 0x4d, 0x12), 1.5));
    p.setBrush(Vertical(-8, 8, QColor(0x8b, 0xc3, 0x4a), QColor(0x2e, 0x7d, 0x32)));
    QPainterPath leaf;
    leaf.moveTo(-14, 0);
    leaf.quadTo(0, -12, 16, 0);
    leaf.quadTo(0, 12, -14, 0);
    p.drawPath(leaf);
    p.restore();

    for (const QPointF centre : {QPointF(-18, 24), QPointF(18, 28)}) {
        QRadialGradient g(centre + QPointF(-6, -7), 24);
        g.setColorAt(0, QColor(0xff, 0x8a, 0x80));
        g.setColorAt(0.45, QColor(0xd3, 0x11, 0x2e));
        g.setColorAt(1, QColor(0x6d, 0x00, 0x12));
        p.setBrush(g);
        p.setPen(QPen(QColor(0x55, 0x00, 0x0e), 1.5));
        p.drawEllipse(centre, 18, 18);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 170));
        p.drawEllipse(centre + QPointF(-7, -7), 4.5, 3);
    }
}

// Bars differ in outline and colour as well as in number, so that even a few pixels tell
// them apart: one long black bar; two blue ones, the upper shorter, a step; three red ones
// narrowing upward, a pyramid.
struct BarLook {
    double width[3]; // of each bar, top first
    QColor light, dark;
};
const BarLook BAR_LOOKS[] = {
    {{92, 0, 0}, QColor(0x4a, 0x4a, 0x4a), Qt::black},
    {{62, 92, 0}, QColor(0x42, 0x7c, 0xe0), QColor(0x0d, 0x2a, 0x7a)},
    {{44, 68, 92}, QColor(0xe8, 0x4a, 0x3c), QColor(0x7a, 0x0a, 0x08)},
};

void PaintBars(QPainter& p, int count) {
    const BarLook& look = BAR_LOOKS[count - 1];
    const double height = count == 1 ? 40 : count == 2 ? 30 : 24;
    const double gap = 5;
    const double total = count * height + (count - 1) * gap;
    for (int i = 0; i < count; ++i) {
        const double width = look.width[i];
        const QRectF bar(-width / 2, -total / 2 + i * (height + gap), width, height);
        p.setPen(QPen(GOLD, 2.5));
        p.setBrush(Vertical(bar.top(), bar.bottom(), look.light, look.dark));
        p.drawRoundedRect(bar, 5, 5);
        PaintFittedText(p, QStringLiteral("BAR"),
                        bar.adjusted(width * 0.14, height * 0.2, -width * 0.14, -height * 0.2),
                        QFont::Black, Qt::white, Qt::NoPen);
    }
}

void PaintSeven(QPainter& p) {
    const QPainterPath seven =
        Fitted(TextOutline(QStringLiteral("7"), QFont::Black), QRectF(-32, -42, 64, 84));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(GOLD, 9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(seven);
    p.setPen(QPen(QColor(0x5a, 0x00, 0x00), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Vertical(-42, 42, QColor(0xff, 0x4d, 0x3a), QColor(0xa8, 0x00, 0x0c)));
    p.drawPath(seven);
}

void PaintBell(QPainter& p) {
    QLinearGradient gold(-40, 0, 40, 0);
    gold.setColorAt(0, QColor(0x9a, 0x62, 0x00));
    gold.setColorAt(0.35, QColor(0xff, 0xe0, 0x6a));
    gold.setColorAt(1, QColor(0xb8, 0x7a, 0x00));
    const QPen outline(QColor(0x5c, 0x3a, 0x00), 2);

    p.setPen(outline);
    p.setBrush(gold);
    p.drawEllipse(QPointF(0, 40), 8, 8); // clapper
    p.drawEllipse(QPointF(0, -42), 6, 6);

    QPainterPath body;
    body.moveTo(0, -38);
    body.cubicTo(22, -38, 26, -18, 27, 0);
    body.cubicTo(28, 14, 34, 22, 42, 28);
    body.lineTo(-42, 28);
    body.cubicTo(-34, 22, -28, 14, -27, 0);
    body.cubicTo(-26, -18, -22, -38, 0, -38);
    p.drawPath(body);
    p.drawRoundedRect(QRectF(-44, 26, 88, 9), 4, 4);

    p.setPen(QPen(QColor(255, 255, 255, 150), 3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath shine;
    shine.moveTo(-12, -26);
    shine.cubicTo(-18, -16, -19, 0, -20, 12);
    p.drawPath(shine);
}

void PaintStarburst(QPainter& p, double outer, double inner, const QColor& colour) {
    QPolygonF star;
    constexpr int POINTS = 14;
    for (int i = 0; i < POINTS * 2; ++i) {
        const double angle = M_PI * i / POINTS;
        const double radius = i % 2 ? inner : outer;
        star << QPointF(radius * std::sin(angle), -radius * std::cos(angle));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(star);
}

void PaintWildBadge(QPainter& p, const QRectF& badge) {
    p.setPen(QPen(GOLD, 3));
    p.setBrush(
        Vertical(badge.top(), badge.bottom(), QColor(0xab, 0x47, 0xbc), QColor(0x4a, 0x14, 0x8c)));
    p.drawRoundedRect(badge, 10, 10);
    PaintFittedText(p, QStringLiteral("WILD"), badge.adjusted(7, 8, -7, -8), QFont::Black,
                    QColor(0xff, 0xeb, 0x3b), QPen(QColor(0x3a, 0x00, 0x50), 2));
}

void PaintWild(QPainter& p) {
    PaintStarburst(p, 50, 34, QColor(0xff, 0xd5, 0x4f));
    PaintWildBadge(p, QRectF(-47, -24, 94, 48));
}

void PaintDoubleWild(QPainter& p) {
    PaintStarburst(p, 50, 34, QColor(0xff, 0xd5, 0x4f));
    PaintWildBadge(p, QRectF(-47, -40, 94, 44));
    p.setPen(QPen(GOLD, 3));
    p.setBrush(Vertical(8, 48, QColor(0xff, 0x52, 0x52), QColor(0xb7, 0x1c, 0x1c)));
    p.drawEllipse(QPointF(0, 28), 20, 20);
    PaintFittedText(p, QStringLiteral("2X"), QRectF(-13, 18, 26, 20), QFont::Black, Qt::white,
                    Qt::NoPen);
}

void PaintFreeSpin(QPainter& p) {
    p.setPen(QPen(QColor(0x1b, 0x5e, 0x20), 3));
    QRadialGradient g(QPointF(-12, -14), 60);
    g.setColorAt(0, QColor(0x9c, 0xe0, 0x8e));
    g.setColorAt(1, QColor(0x1e, 0x7a, 0x2a));
    p.setBrush(g);
    p.drawEllipse(QPointF(0, 0), 46, 46);

    // A ring arrow round the words: spinning again.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
    const QRectF ring(-37, -37, 74, 74);
    p.drawArc(ring, 110 * 16, 300 * 16);
    const double end = qDegreesToRadians(110.0);
    const QPointF tip(37 * std::cos(end), -37 * std::sin(end));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF({tip + QPointF(-9, 0), tip + QPointF(4, -9), tip + QPointF(4, 9)}));

    const QPen shadow(QColor(0x0d, 0x3b, 0x10), 1.5);
    PaintFittedText(p, QStringLiteral("FREE"), QRectF(-26, -20, 52, 17), QFont::Black, Qt::white,
                    shadow);
    PaintFittedText(p, QStringLiteral("SPIN"), QRectF(-26, 3, 52, 17), QFont::Black, Qt::white,
                    shadow);
}

QPolygonF ArrowShape(bool up, double scale) {
    QPolygonF arrow({{0, -46}, {40, -4}, {15, -4}, {15, 44}, {-15, 44}, {-15, -4}, {-40, -4}});
    for (QPointF& point : arrow)
        point = QPointF(point.x() * scale, (up ? point.y() : -point.y()) * scale);
    return arrow;
}

void PaintArrow(QPainter& p, bool up) {
    p.setPen(QPen(QColor(0x7a, 0x2e, 0x00), 2.5, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Vertical(-46, 46, QColor(0xff, 0xb7, 0x4d), QColor(0xe6, 0x51, 0x00)));
    p.drawPolygon(ArrowShape(up, 1.0));
}

// A nudge of another name: a large arrow filling the stop, green up or blue down, on a disc
// of its own colour, nothing like a seven.
void PaintNudge(QPainter& p, bool up) {
    const QColor colour = up ? QColor(0x2e, 0x9e, 0x3a) : QColor(0x1e, 0x62, 0xd0);
    p.setPen(QPen(colour.darker(170), 2.5));
    p.setBrush(colour.lighter(185));
    p.drawEllipse(QPointF(0, 0), 48, 48);
    p.setPen(QPen(colour.darker(220), 2.5, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Vertical(-46, 46, colour.lighter(130), colour.darker(130)));
    p.drawPolygon(ArrowShape(up, 0.92));
}

// Small arrows either side of the art: the symbol nudges its reel.
void PaintNudgeMarks(QPainter& p, bool up) {
    p.setPen(QPen(QColor(0x7a, 0x2e, 0x00), 1.2));
    p.setBrush(QColor(0xfb, 0x8c, 0x00));
    for (const double x : {-41.0, 41.0}) {
        QPolygonF arrow = ArrowShape(up, 0.2);
        arrow.translate(x, up ? -28 : 28);
        p.drawPolygon(arrow);
    }
}

void PaintLetter(QPainter& p, char letter) {
    p.setPen(QPen(INK, 3));
    p.setBrush(QColor(0xff, 0xf3, 0xc4));
    p.drawEllipse(QPointF(0, 0), 40, 40);
    PaintFittedText(p, QString(QLatin1Char(letter)), QRectF(-22, -26, 44, 52), QFont::Black, INK,
                    Qt::NoPen);
}

void PaintArt(QPainter& p, Art art, const SlotSymbol& symbol) {
    switch (art) {
    case Art::Plain:
        break;
    case Art::Cherry:
        PaintCherry(p);
        break;
    case Art::Bar:
        PaintBars(p, 1);
        break;
    case Art::DoubleBar:
        PaintBars(p, 2);
        break;
    case Art::TripleBar:
        PaintBars(p, 3);
        break;
    case Art::Seven:
        PaintSeven(p);
        break;
    case Art::Bell:
        PaintBell(p);
        break;
    case Art::Wild:
        PaintWild(p);
        break;
    case Art::DoubleWild:
        PaintDoubleWild(p);
        break;
    case Art::FreeSpin:
        PaintFreeSpin(p);
        break;
    case Art::Arrow:
        PaintArrow(p, !(symbol.flags & SYM_DOWN));
        break;
    case Art::Nudge:
        PaintNudge(p, !(symbol.flags & SYM_DOWN));
        break;
    case Art::Letter:
        PaintLetter(p, symbol.letter);
        break;
    }
}

// The strip's ground: cream, darker towards the edges as a lit drum is.
void PaintGround(QPainter& p, const QRectF& cell) {
    QLinearGradient g(0, cell.top(), 0, cell.bottom());
    g.setColorAt(0, QColor(0xe8, 0xdc, 0xc0));
    g.setColorAt(0.5, QColor(0xff, 0xfb, 0xf0));
    g.setColorAt(1, QColor(0xe8, 0xdc, 0xc0));
    p.fillRect(cell, g);
    p.setPen(QPen(QColor(0xc2, 0xb2, 0x90), std::max(1.0, cell.height() / 100)));
    p.drawLine(cell.topLeft(), cell.topRight());
    p.drawLine(cell.bottomLeft(), cell.bottomRight());
}

} // namespace

void PaintFittedText(QPainter& painter, const QString& text, const QRectF& box, int weight,
                     const QBrush& fill, const QPen& outline, double squeeze) {
    painter.setPen(outline);
    painter.setBrush(fill);
    painter.drawPath(Fitted(QTransform::fromScale(squeeze, 1).map(TextOutline(text, weight)), box));
}

void PaintSymbol(QPainter& painter, const QRectF& cell, const SlotSymbol& symbol) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    PaintGround(painter, cell);
    const double side = std::min(cell.width(), cell.height()) * 0.86;
    painter.translate(cell.center());
    painter.scale(side / 100, side / 100);
    const Art art = ChooseArt(symbol);
    PaintArt(painter, art, symbol);
    if (art != Art::Arrow && art != Art::Nudge && (symbol.flags & (SYM_UP | SYM_DOWN)))
        PaintNudgeMarks(painter, !(symbol.flags & SYM_DOWN));
    painter.restore();
}
