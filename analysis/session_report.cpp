#include "analysis/session_report.h"

#include <algorithm>
#include <cmath>

#include "analysis/chart.h"
#include "analysis/par_report.h"

namespace {

const std::initializer_list<int> LENGTH_PERCENTS{10, 50, 90};
const std::initializer_list<int> CREDIT_PERCENTS{5, 25, 50, 75, 95};

std::string Whole(int64_t value) {
    return std::to_string(value);
}

std::string Heading(const SessionResult& r, const std::string& name) {
    const SessionRequest& q = r.request;
    return name + ": " + std::to_string(q.sessions) + " sessions of " + Whole(q.credits) +
           " credits at bet " + std::to_string(q.bet) + ", at most " + std::to_string(q.spins) +
           " spins" + (q.goal != NO_GOAL ? ", up to " + Whole(q.goal) + " credits" : "") +
           ", mode " + ModeName(q.mode) + ", in " + Format("%.2f s", r.seconds) +
           (r.outcomeTable ? " (outcome table)\n" : " (engine spins)\n");
}

// The labels of the figures, padded to one column.
std::string Label(const std::string& what) {
    constexpr size_t COLUMN = 32;
    return what + std::string(what.size() < COLUMN ? COLUMN - what.size() : 1, ' ');
}

std::string ShareLine(const std::string& what, const SessionResult& r, uint64_t count) {
    return Label(what) + Format("%.6f", r.Share(count)) + " +- " +
           Format("%.6f (95%%)\n", r.HalfWidth(count));
}

std::string PercentileLine(const std::string& what, const Percentiles& p) {
    std::string line = Label(what) + "mean " + Format("%.4f", p.mean);
    for (const auto& [percent, value] : p.at)
        line += ", " + std::to_string(percent) + "% " + Whole(value);
    return line + "\n";
}

Json ShareJson(const SessionResult& r, uint64_t count) {
    return {{"value", r.Share(count)}, {"halfWidth95", r.HalfWidth(count)}, {"sessions", count}};
}

Json PercentileJson(const Percentiles& p) {
    Json j = {{"mean", p.mean}};
    for (const auto& [percent, value] : p.at)
        j[Format("p%.0f", percent)] = value;
    return j;
}

} // namespace

std::string SessionText(const SessionResult& r, const std::string& name) {
    const SessionRequest& q = r.request;
    std::string t = Heading(r, name);
    t += PercentileLine("spins per session", PercentilesOf(r.lengths, LENGTH_PERCENTS));
    t += ShareLine("ran out before " + std::to_string(q.spins) + " spins", r, r.ranOut);
    if (q.goal != NO_GOAL)
        t += ShareLine("reached " + Whole(q.goal) + " credits", r, r.reached);
    t += ShareLine("ended ahead", r, r.ahead);
    t += PercentileLine("final credits", PercentilesOf(r.finals, CREDIT_PERCENTS));
    t += PercentileLine("highest credits", PercentilesOf(r.highs, CREDIT_PERCENTS));
    t += Label("spins played") + std::to_string(r.SpinsPlayed()) + ", returning " +
         Format("%.6f%%", 100 * r.Rtp()) + " of the credits bet\n";
    return t;
}

Json SessionJson(const SessionResult& r, const std::string& name) {
    const SessionRequest& q = r.request;
    return {{"name", name},
            {"sessions", q.sessions},
            {"credits", q.credits},
            {"bet", q.bet},
            {"spins", q.spins},
            {"stopAt", q.goal != NO_GOAL ? Json(q.goal) : Json(nullptr)},
            {"mode", ModeName(q.mode)},
            {"seconds", r.seconds},
            {"outcomeTable", r.outcomeTable},
            {"spinsPerSession", PercentileJson(PercentilesOf(r.lengths, LENGTH_PERCENTS))},
            {"ranOut", ShareJson(r, r.ranOut)},
            {"reachedStop", q.goal != NO_GOAL ? ShareJson(r, r.reached) : Json(nullptr)},
            {"endedAhead", ShareJson(r, r.ahead)},
            {"finalCredits", PercentileJson(PercentilesOf(r.finals, CREDIT_PERCENTS))},
            {"highestCredits", PercentileJson(PercentilesOf(r.highs, CREDIT_PERCENTS))},
            {"spinsPlayed", r.SpinsPlayed()},
            {"rtp", r.Rtp()}};
}

namespace {

using namespace chart;

constexpr int CURVE_HEIGHT = 200;
constexpr int CREDIT_BINS = 20;

// The share of sessions still playing after n spins, for n from 0 to the longest session,
// as a line over a box, with the axes' ends marked.
int DrawStillPlaying(QPainter& painter, int top, const SessionResult& r) {
    painter.drawText(MARGIN, top + ROW - 4, "Share of sessions still playing after n spins");
    top += ROW + 4;
    const int left = MARGIN + 40;
    const int width = WIDTH - left - MARGIN;
    painter.drawRect(left, top, width, CURVE_HEIGHT);
    const int64_t longest = r.lengths.empty() ? 0 : r.lengths.rbegin()->first;
    QPolygonF curve;
    uint64_t still = r.request.sessions;
    auto point = [&](int64_t n) {
        const double x = left + (longest ? static_cast<double>(n) / longest : 0) * width;
        const double share =
            r.request.sessions ? static_cast<double>(still) / r.request.sessions : 0;
        return QPointF(x, top + (1 - share) * CURVE_HEIGHT);
    };
    curve << point(0);
    for (const auto& [n, count] : r.lengths) {
        curve << point(n); // still playing until their last spin, then they leave
        still -= count;
        curve << point(n);
    }
    painter.setPen(QPen(QColor(70, 110, 190), 2));
    painter.drawPolyline(curve);
    painter.setPen(Qt::black);
    painter.drawText(MARGIN, top + ROW - 6, "1");
    painter.drawText(MARGIN, top + CURVE_HEIGHT, "0");
    const int below = top + CURVE_HEIGHT + ROW;
    painter.drawText(left, below, "0");
    painter.drawText(QRect(left, below - ROW + 4, width, ROW), Qt::AlignRight,
                     QString::number(longest) + " spins");
    return below + ROW;
}

// The final credits in bins of equal width between the lowest and the highest.
std::vector<Bar> FinalCreditBars(const SessionResult& r) {
    std::vector<Bar> bars;
    if (r.finals.empty())
        return bars;
    const int64_t low = r.finals.begin()->first, high = r.finals.rbegin()->first;
    const int64_t width = std::max<int64_t>(1, (high - low) / CREDIT_BINS + 1);
    std::vector<uint64_t> counts((high - low) / width + 1);
    for (const auto& [credits, count] : r.finals)
        counts[(credits - low) / width] += count;
    const uint64_t most = *std::max_element(counts.begin(), counts.end());
    for (size_t k = 0; k < counts.size(); ++k) {
        const int64_t from = low + static_cast<int64_t>(k) * width;
        const QString label =
            width == 1 ? QString::number(from)
                       : QString::number(from) + " to " + QString::number(from + width - 1);
        bars.push_back({label + " credits", static_cast<double>(counts[k]) / most,
                        QString::number(100 * r.Share(counts[k]), 'f', 2) + "%"});
    }
    return bars;
}

} // namespace

std::string PlotSessions(const SessionResult& r, const std::string& name,
                         const std::string& svgPath) {
    const std::vector<Bar> finals = FinalCreditBars(r);
    const int height = MARGIN * 2 + CURVE_HEIGHT + ROW * static_cast<int>(finals.size() + 8);
    const QString title = ChartText(name) + ", " + QString::number(r.request.credits) +
                          " credits at bet " + QString::number(r.request.bet);
    return SaveSvg(svgPath, height, title + ": sessions", [&](QPainter& painter) {
        painter.drawText(MARGIN, MARGIN + ROW - 4, title);
        const int top = DrawStillPlaying(painter, MARGIN + ROW * 2, r);
        DrawBars(painter, top, "Final credits and the share of sessions ending with them", finals,
                 QColor(200, 120, 40));
    });
}
