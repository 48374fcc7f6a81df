// The par sheet's chart: how likely each paid amount is, on a scale of powers of ten so that
// the top award shows beside the losing spins, and how much of the RTP each payoff brings.

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "analysis/chart.h"
#include "analysis/par_report.h"

namespace {

using namespace chart;

// The powers of ten the chance axis spans: one decade more than the rarest amount needs, so
// that it still shows a bar.
double Decades(const ParSheet& sheet) {
    double rarest = 1;
    for (const WinOdds& win : sheet.wins)
        rarest = std::min(rarest, win.chance.get_d());
    return std::ceil(-std::log10(std::max(rarest, 1e-300))) + 1;
}

// Under the chance bars: a tick and its power of ten at every decade, and what the axis is.
int DrawDecadeAxis(QPainter& painter, int top, double decades) {
    const int left = MARGIN + LABEL_WIDTH;
    top -= ROW - 2;
    painter.drawLine(left, top, left + BAR_WIDTH, top);
    const int step = std::max(1, static_cast<int>(decades) / 10); // at most about ten labels
    for (int k = 0; k <= static_cast<int>(decades); k += step) {
        const int x = left + static_cast<int>(std::lround((1 - k / decades) * BAR_WIDTH));
        painter.drawLine(x, top, x, top + 4);
        const QString label = k == 0 ? QString("1") : "1e-" + QString::number(k);
        painter.drawText(QRect(x - 30, top + 4, 60, ROW), Qt::AlignHCenter | Qt::AlignTop, label);
    }
    painter.drawText(QRect(left, top + ROW + 2, BAR_WIDTH, ROW), Qt::AlignHCenter,
                     "chance of a played spin paying it (powers of ten)");
    return top + 3 * ROW + 2;
}

// The name of the axis that runs down the bars' labels, written upward beside them.
void DrawUpwardLabel(QPainter& painter, int top, int bottom, const QString& text) {
    painter.save();
    painter.translate(MARGIN + ROW / 2, (top + bottom) / 2);
    painter.rotate(-90);
    painter.drawText(QRect(-200, -ROW / 2, 400, ROW), Qt::AlignCenter, text);
    painter.restore();
}

std::vector<Bar> WinBars(const ParSheet& sheet) {
    const double decades = Decades(sheet);
    std::vector<Bar> bars;
    for (const WinOdds& win : sheet.wins) {
        const double chance = win.chance.get_d();
        const double length = std::clamp(1 + std::log10(chance) / decades, 0.0, 1.0);
        char value[64];
        std::snprintf(value, sizeof value, "1 in %.4g", 1 / chance);
        bars.push_back({QString::number(win.credits) + " credits", length, value});
    }
    return bars;
}

std::vector<Bar> PayoffBars(const ParSheet& sheet) {
    double largest = 0;
    for (const PayoffShare& share : sheet.payoffs)
        largest = std::max(largest, share.rtp.get_d());
    std::vector<Bar> bars;
    for (const PayoffShare& share : sheet.payoffs) {
        const double rtp = share.rtp.get_d();
        const QString label =
            share.label.empty() ? "row " + QString::number(share.row) : ChartText(share.label);
        bars.push_back(
            {label, largest > 0 ? rtp / largest : 0, QString::number(100 * rtp, 'f', 3) + "%"});
    }
    return bars;
}

} // namespace

std::string PlotPar(const ParSheet& sheet, const ReportHeading& heading,
                    const std::string& svgPath) {
    const std::vector<Bar> wins = WinBars(sheet);
    const std::vector<Bar> payoffs = PayoffBars(sheet);
    const int height = MARGIN * 2 + ROW * static_cast<int>(wins.size() + payoffs.size() + 11);

    const QString title = ChartText(sheet.name) + ", bet " + QString::number(sheet.bet) +
                          ", mode " + (heading.mode == SpinMode::Play ? "play" : "run");
    return SaveSvg(svgPath, height, title + ": par sheet", [&](QPainter& painter) {
        int top = MARGIN;
        const QString headline =
            title + ": RTP " + QString::number(100 * sheet.rtp.get_d(), 'f', 4) + "%, hit " +
            (sheet.hit > 0 ? "1 in " + QString::number(1 / sheet.hit.get_d(), 'g', 4)
                           : QString("never"));
        painter.drawText(MARGIN, top + ROW - 4, headline);
        top += ROW * 2;
        const int barsTop = top + ROW + 4;
        top = DrawBars(painter, top, "Credits paid and the chance of each", wins,
                       QColor(70, 110, 190));
        DrawUpwardLabel(painter, barsTop, top - ROW, "credits paid");
        top = DrawDecadeAxis(painter, top, Decades(sheet));
        DrawBars(painter, top, "Payoff row and its share of the RTP (% of the bet)", payoffs,
                 QColor(200, 120, 40));
    });
}
