// The payoff chart: drawn from the pay table the engine read, so it cannot disagree with the
// machine. Its size follows the chart face of the cabinet built for this machine.

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/slot_machine.h"
#include "tools/exampleart/pictures.h"
#include "tools/exampleart/symbol_art.h"

namespace {

constexpr int CHART_WIDTH = 1024;
constexpr int ROWS_PER_COLUMN = 8; // more payoffs than this go into two columns
const QColor GOLD(0xf2, 0xc1, 0x2e);
const QColor PAPER(0xf5, 0xf0, 0xe0);

// The chart face spans the cabinet's front from the left bevel to the right one: the window
// (reel stack plus 0.5), its frame on both sides, the 3-unit meter panel and 1.25 either side.
double ChartFaceWidth(const SlotMachine& m) {
    const double reelStack = (m.NumReels - 1) * m.SymSpace + m.SymWidth * m.NumReels;
    return reelStack + 0.5 + 2 * m.WindowThick + 3 + 2.5;
}

// Only the share ChartY of the picture is shown, counted from its bottom row.
double ShownShare(const SlotMachine& m) {
    return m.ChartY > 0 && m.ChartY <= 1 ? m.ChartY : 1;
}

double FaceHeight(const SlotMachine& m) {
    return m.ChartHeight > 0 ? m.ChartHeight : 10;
}

// The camera looks at the pay line from this far in front of the cabinet at the start.
constexpr double CAMERA_DISTANCE = 20;
// The ledge below the chart juts out this far in front of it, along the chart's lower edge.
constexpr double LEDGE_DEPTH = 1;
// The chart's lower edge stands this far above the top of the reel window's frame.
constexpr double CHART_RISE = 1.6;
// Zooming in brings the camera nearer and the ledge hides more: room for about half the way.
constexpr double ZOOM_ROOM = 2;

// The share of the shown part, at its bottom, that the ledge hides from a camera level with
// the pay line: nothing is drawn there.
double HiddenShare(const SlotMachine& m) {
    const double edge = (m.WindowHeight + 2 * m.WindowThick) / 2 + CHART_RISE;
    const double hidden = edge * LEDGE_DEPTH / (CAMERA_DISTANCE - LEDGE_DEPTH) / FaceHeight(m);
    return std::clamp(ZOOM_ROOM * hidden, 0.0, 0.25);
}

QSize ChartSize(const SlotMachine& m) {
    const double faceWidth = std::max(1.0, ChartFaceWidth(m));
    const double shown = std::clamp(CHART_WIDTH * FaceHeight(m) / faceWidth, 64.0, 4096.0);
    return QSize(CHART_WIDTH, static_cast<int>(std::lround(shown / ShownShare(m))));
}

bool Pays(const SlotPayoff& payoff) {
    return std::any_of(std::begin(payoff.pay), std::end(payoff.pay), [](int p) { return p > 0; });
}

int PayLevels(const SlotMachine& m) {
    return std::clamp(m.MaxCoins, 1, MAX_PAY_LEVELS);
}

// The symbols of a payoff column; an undefined letter stands for itself.
std::vector<SlotSymbol> ColumnSymbols(const SlotMachine& m, const SlotPayoff& payoff, int c) {
    std::vector<SlotSymbol> symbols;
    for (int code = 1; code < MAX_SYMBOLS; ++code) {
        if (!payoff.match[c][code] || code == '*')
            continue;
        SlotSymbol symbol = m.Symbols[code];
        if (symbol.letter == 0) {
            symbol = SlotSymbol{};
            symbol.letter = static_cast<char>(code);
        }
        symbols.push_back(symbol);
    }
    return symbols;
}

void PaintWord(QPainter& p, const QString& word, const QRectF& box, const QColor& colour) {
    PaintFittedText(p, word, box, QFont::Bold, colour, Qt::NoPen);
}

// A set of symbols as a fan of small stops from the top left corner to the bottom right.
void PaintFan(QPainter& p, const std::vector<SlotSymbol>& symbols, const QRectF& box) {
    const int count = std::min<int>(symbols.size(), 4);
    constexpr double SHARES[] = {1.0, 0.62, 0.5, 0.42}; // of the box, by the number of cards
    const double share = SHARES[count - 1];
    const QSizeF card(box.width() * share, box.height() * share);
    const double stepX = count > 1 ? (box.width() - card.width()) / (count - 1) : 0;
    const double stepY = count > 1 ? (box.height() - card.height()) / (count - 1) : 0;
    for (int i = 0; i < count; ++i) {
        const QRectF cell(QPointF(box.left() + i * stepX, box.top() + i * stepY), card);
        PaintSymbol(p, cell, symbols[i]);
        if (count > 1) {
            p.setPen(QPen(QColor(0x8a, 0x7a, 0x5a), 1));
            p.setBrush(Qt::NoBrush);
            p.drawRect(cell);
        }
    }
}

void PaintColumn(QPainter& p, const SlotMachine& m, const SlotPayoff& payoff, int c,
                 const QRectF& box) {
    p.save();
    QPainterPath frame;
    frame.addRoundedRect(box, box.height() * 0.12, box.height() * 0.12);
    p.setClipPath(frame);
    p.fillRect(box, PAPER);
    const std::vector<SlotSymbol> symbols = ColumnSymbols(m, payoff, c);
    if (payoff.match[c][static_cast<int>('*')]) {
        PaintWord(p, QStringLiteral("ANY"),
                  box.adjusted(6, box.height() * 0.3, -6, -box.height() * 0.3),
                  QColor(0x55, 0x4a, 0x30));
    } else if (symbols.empty()) {
        p.fillRect(box, QColor(0x40, 0x40, 0x48));
    } else {
        PaintFan(p, symbols, box);
    }
    p.restore();
    if (payoff.plus[c]) { // met above or below the line too
        const QRectF tag(box.right() - box.height() * 0.32, box.top(), box.height() * 0.32,
                         box.height() * 0.32);
        p.setPen(Qt::NoPen);
        p.setBrush(GOLD);
        p.drawEllipse(tag);
        PaintWord(p, QStringLiteral("+"), tag.adjusted(3, 3, -3, -3), Qt::black);
    }
}

struct Layout {
    QRectF title, header, rows, footer;
    int columns;      // columns of payoff rows
    int rowsInColumn; // payoff rows in each
};

Layout MakeLayout(const QRectF& shown, int payoffs) {
    const double margin = shown.height() * 0.05;
    const QRectF inner = shown.adjusted(margin * 1.5, margin, -margin * 1.5, -margin);
    const double h = inner.height();
    Layout l;
    l.title = QRectF(inner.left(), inner.top(), inner.width(), h * 0.15);
    l.header = QRectF(inner.left(), inner.top() + h * 0.17, inner.width(), h * 0.07);
    l.rows = QRectF(inner.left(), inner.top() + h * 0.25, inner.width(), h * 0.63);
    l.footer = QRectF(inner.left(), inner.top() + h * 0.91, inner.width(), h * 0.09);
    l.columns = payoffs > ROWS_PER_COLUMN ? 2 : 1;
    l.rowsInColumn = std::max(1, (payoffs + l.columns - 1) / l.columns);
    return l;
}

// Where the pays of each bet sit within a column of payoff rows.
QRectF PayBox(const QRectF& column, int level, int levels, double top, double height) {
    const double width = column.width() * (levels == 1 ? 0.22 : 0.15);
    return QRectF(column.right() - (levels - level) * width, top, width, height);
}

QRectF ColumnArea(const Layout& l, int column) {
    const double gap = l.columns > 1 ? l.rows.width() * 0.04 : 0;
    const double width = (l.rows.width() - gap * (l.columns - 1)) / l.columns;
    return QRectF(l.rows.left() + column * (width + gap), l.rows.top(), width, l.rows.height());
}

QString CoinsText(int coins) {
    return coins == 1 ? QStringLiteral("1 COIN") : QStringLiteral("%1 COINS").arg(coins);
}

// Headings over the pays, one size for all, right-aligned as the pays are.
void PaintHeader(QPainter& p, const SlotMachine& m, const Layout& l) {
    const int levels = PayLevels(m);
    const double width = PayBox(ColumnArea(l, 0), 0, levels, 0, 0).width() * 0.95;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    double size = l.header.height() * 0.8;
    font.setPixelSize(static_cast<int>(size));
    while (size > 6 && QFontMetricsF(font).horizontalAdvance(CoinsText(levels)) > width) {
        size *= 0.92;
        font.setPixelSize(static_cast<int>(size));
    }
    p.setFont(font);
    p.setPen(QColor(0xc8, 0xd4, 0xf0));
    for (int column = 0; column < l.columns; ++column) {
        const QRectF area = ColumnArea(l, column);
        for (int level = 0; level < levels; ++level) {
            const QRectF box = PayBox(area, level, levels, l.header.top(), l.header.height());
            p.drawText(box.adjusted(0, 0, -box.width() * 0.08, 0),
                       Qt::AlignRight | Qt::AlignVCenter, CoinsText(level + 1));
        }
    }
}

// The payoff's own name, made smaller to fit its room, or left out where even that fails.
void PaintLabel(QPainter& p, const QString& label, const QRectF& room) {
    QFont font(QStringLiteral("DejaVu Sans"));
    for (double size = room.height() * 0.4; size >= room.height() * 0.25; size *= 0.9) {
        font.setPixelSize(static_cast<int>(size));
        if (QFontMetricsF(font).horizontalAdvance(label) <= room.width()) {
            p.setFont(font);
            p.setPen(QColor(0xc8, 0xd4, 0xf0));
            p.drawText(room, Qt::AlignLeft | Qt::AlignVCenter, label);
            return;
        }
    }
}

void PaintPayoffRow(QPainter& p, const SlotMachine& m, const SlotPayoff& payoff,
                    const QRectF& row) {
    const int levels = PayLevels(m);
    const double side = row.height() * 0.86;
    const double aspect = std::clamp(m.SymWidth, 0.6, 1.6);
    double x = row.left();
    for (int c = 0; c < m.NumReels; ++c) {
        const QRectF box(x, row.center().y() - side / 2, side * aspect, side);
        PaintColumn(p, m, payoff, c, box);
        x += side * aspect + side * 0.12;
    }
    const double paysLeft = PayBox(row, 0, levels, 0, 0).left();
    if (payoff.label)
        PaintLabel(p, QString::fromLocal8Bit(payoff.label).toUpper(),
                   QRectF(x + side * 0.15, row.top(), paysLeft - x - side * 0.3, row.height()));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(static_cast<int>(row.height() * 0.5));
    font.setWeight(QFont::Black);
    p.setFont(font);
    p.setPen(GOLD);
    for (int level = 0; level < levels; ++level) {
        const QRectF box = PayBox(row, level, levels, row.top(), row.height());
        p.drawText(box.adjusted(0, 0, -box.width() * 0.08, 0), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(payoff.pay[level]));
    }
}

// A note or two on what the special symbols do, for those this machine has.
QStringList FooterNotes(const SlotMachine& m) {
    uint32_t flags = 0;
    bool plus = false;
    for (const SlotSymbol& symbol : m.Symbols)
        flags |= symbol.letter ? symbol.flags : 0;
    for (int i = 0; i < m.NumPayoffs; ++i)
        plus = plus || std::any_of(std::begin(m.Payoffs[i].plus), std::end(m.Payoffs[i].plus),
                                   [](uint32_t b) { return b != 0; });
    QStringList notes;
    if (flags & SYM_WILD)
        notes << QStringLiteral("WILD STANDS IN FOR ANY SYMBOL");
    if ((flags & SYM_WILD) && (flags & SYM_DOUBLE))
        notes << QStringLiteral("2X WILD DOUBLES THE PAY");
    if (flags & (SYM_UP | SYM_DOWN))
        notes << QStringLiteral("ARROWS NUDGE ONTO THE LINE");
    if (flags & SYM_AUTOSPIN)
        notes << QStringLiteral("FREE SPIN PLAYS AGAIN UNTIL A WIN");
    if (plus)
        notes << QStringLiteral("+ ABOVE, ON OR BELOW THE LINE");
    return notes;
}

// Up to three notes fill one line; more go on two.
void PaintFooter(QPainter& p, const QStringList& notes, const QRectF& box) {
    const QString separator = QStringLiteral("  \u2022  ");
    const QColor ink(0xc8, 0xd4, 0xf0);
    if (notes.size() <= 3) {
        const QRectF line(box.left(), box.top() + box.height() / 4, box.width(), box.height() / 2);
        PaintFittedText(p, notes.join(separator), line, QFont::Bold, ink, Qt::NoPen);
        return;
    }
    const int half = (notes.size() + 1) / 2;
    const QRectF top(box.left(), box.top(), box.width(), box.height() * 0.45);
    PaintFittedText(p, notes.mid(0, half).join(separator), top, QFont::Bold, ink, Qt::NoPen);
    PaintFittedText(p, notes.mid(half).join(separator), top.translated(0, box.height() * 0.55),
                    QFont::Bold, ink, Qt::NoPen);
}

void PaintGround(QPainter& p, const QRectF& whole, const QRectF& shown) {
    QLinearGradient ground(0, shown.top(), 0, shown.bottom());
    ground.setColorAt(0, QColor(0x1a, 0x23, 0x5a));
    ground.setColorAt(1, QColor(0x07, 0x0b, 0x24));
    p.fillRect(whole, ground);
    const double inset = shown.height() * 0.018;
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(GOLD, inset * 0.6));
    p.drawRoundedRect(shown.adjusted(inset, inset, -inset, -inset), inset * 2, inset * 2);
    p.setPen(QPen(GOLD.darker(160), inset * 0.25));
    p.drawRoundedRect(shown.adjusted(inset * 2, inset * 2, -inset * 2, -inset * 2), inset * 1.5,
                      inset * 1.5);
}

} // namespace

QImage DrawChart(const SlotMachine& m) {
    QImage chart(ChartSize(m), QImage::Format_RGB32);
    const double shownHeight = chart.height() * ShownShare(m);
    const QRectF shown(0, chart.height() - shownHeight, chart.width(),
                       shownHeight * (1 - HiddenShare(m)));
    QPainter p(&chart);
    p.setRenderHint(QPainter::Antialiasing);
    PaintGround(p, chart.rect(), shown);

    std::vector<const SlotPayoff*> payoffs;
    for (int i = 0; i < m.NumPayoffs; ++i) {
        if (Pays(m.Payoffs[i]))
            payoffs.push_back(&m.Payoffs[i]);
    }
    const Layout l = MakeLayout(shown, static_cast<int>(payoffs.size()));
    const QString name = m.Name ? QString::fromLocal8Bit(m.Name).toUpper() : QStringLiteral("PAYS");
    PaintFittedText(p, name, l.title, QFont::Black, GOLD, QPen(QColor(0x5c, 0x3a, 0x00), 2));
    PaintHeader(p, m, l);

    const double rowHeight = l.rows.height() / l.rowsInColumn;
    for (size_t i = 0; i < payoffs.size(); ++i) {
        const QRectF area = ColumnArea(l, static_cast<int>(i) / l.rowsInColumn);
        const int slot = static_cast<int>(i) % l.rowsInColumn;
        PaintPayoffRow(p, m, *payoffs[i],
                       QRectF(area.left(), area.top() + slot * rowHeight, area.width(), rowHeight));
    }
    PaintFooter(p, FooterNotes(m), l.footer);
    return chart;
}
