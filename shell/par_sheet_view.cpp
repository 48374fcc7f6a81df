#include "shell/par_sheet_view.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "analysis/normal_quantiles.h"

namespace {

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string OneIn(double chance) {
    return chance > 0 ? "1 in " + Format("%.4g", 1 / chance) : "never";
}

std::string Percent(double fraction) {
    return Format("%.3f%%", 100 * fraction);
}

const WinOdds* TopAward(const ParSheet& sheet) {
    return !sheet.wins.empty() && sheet.wins.back().credits > 0 ? &sheet.wins.back() : nullptr;
}

struct HeadlineRow {
    const char* name;
    std::string (*cell)(const ParSheet& sheet);
};

const HeadlineRow HEADLINE[] = {
    {"RTP", [](const ParSheet& s) { return Percent(s.rtp.get_d()); }},
    {"Hit rate", [](const ParSheet& s) { return OneIn(s.hit.get_d()); }},
    {"Standard deviation", [](const ParSheet& s) { return Format("%.4f", s.StandardDeviation()); }},
    {"Volatility index (90%)",
     [](const ParSheet& s) { return Format("%.4f", NORMAL_QUANTILE_90 * s.StandardDeviation()); }},
    {"Free re-spin series", [](const ParSheet& s) { return OneIn(s.seriesChance.get_d()); }},
    {"Nudges", [](const ParSheet& s) { return OneIn(s.nudgeChance.get_d()); }},
    {"Top award",
     [](const ParSheet& s) {
         const WinOdds* top = TopAward(s);
         return top ? std::to_string(top->credits) + " (" + OneIn(top->chance.get_d()) + ")"
                    : std::string("none");
     }},
};

win::ReportTable Headline(const std::vector<ParSheet>& sheets) {
    win::ReportTable table{"Headline figures", {""}, {}};
    for (const ParSheet& sheet : sheets)
        table.header.push_back("Bet " + std::to_string(sheet.bet));
    for (const HeadlineRow& row : HEADLINE) {
        std::vector<std::string> cells{row.name};
        for (const ParSheet& sheet : sheets)
            cells.push_back(sheet.endless.empty() ? row.cell(sheet) : "endless");
        table.rows.push_back(cells);
    }
    return table;
}

win::ReportTable Payoffs(const ParSheet& sheet) {
    win::ReportTable table{"Payoffs at bet " + std::to_string(sheet.bet),
                           {"Row", "Label", "Hits", "1 in N", "Share of RTP"},
                           {}};
    const double rtp = sheet.rtp.get_d();
    for (const PayoffShare& share : sheet.payoffs) {
        const bool pays = share.chance > 0;
        table.rows.push_back({std::to_string(share.row), share.label, share.hits.get_str(),
                              pays ? OneIn(share.chance.get_d()) : "never pays",
                              rtp > 0 ? Percent(share.rtp.get_d() / rtp) : "-"});
    }
    return table;
}

win::ReportTable Session(const ParSheet& sheet, const SessionFigures& session) {
    const double rtp = sheet.rtp.get_d();
    const double band = ReturnBand(sheet.StandardDeviation(), session.spins);
    const std::string played =
        session.coinsBet > 0 ? Percent(double(session.creditsWon) / session.coinsBet) : "-";
    // A return is never below nothing, however wide the band of a few spins.
    const std::string expected =
        session.spins > 0 ? Percent(std::max(rtp - band, 0.0)) + " to " + Percent(rtp + band)
                          : Percent(rtp);
    return {"This session",
            {"", "Played", "Expected"},
            {{"Spins played", std::to_string(session.spins), ""},
             {"Coins bet", std::to_string(session.coinsBet), ""},
             {"Credits won", std::to_string(session.creditsWon), ""},
             {"Return", played, expected + " (95%)"},
             {"Hits", std::to_string(session.hits),
              Format("%.1f", sheet.hit.get_d() * session.spins)}}};
}

std::vector<win::ReportBar> Distribution(const ParSheet& sheet) {
    std::vector<win::ReportBar> bars;
    for (const WinOdds& odds : sheet.wins)
        if (odds.credits > 0 && odds.chance > 0)
            bars.push_back({std::to_string(odds.credits), std::log10(odds.chance.get_d())});
    return bars;
}

} // namespace

double ReturnBand(double standardDeviation, int spins) {
    return spins > 0 ? NORMAL_QUANTILE_95 * standardDeviation / std::sqrt(double(spins)) : 0;
}

win::ReportContent ParSheetContent(const ParSheetView& view) {
    win::ReportContent content;
    content.title = view.title;
    content.status = view.status;
    content.problem = view.problem;
    content.messagesCaption = "Messages of the reloads";
    if (view.messages)
        content.messages = *view.messages;
    if (!view.sheets || view.sheets->empty())
        return content;
    const std::vector<ParSheet>& sheets = *view.sheets;
    const ParSheet& played = sheets[size_t(std::clamp(view.bet, 1, int(sheets.size())) - 1)];
    content.tables.push_back(Headline(sheets));
    content.tables.push_back(Session(played, view.session));
    content.tables.push_back(Payoffs(played));
    content.chartCaption = "Win distribution at bet " + std::to_string(played.bet) +
                           " (credits; bar height: chance, powers of ten)";
    content.chart = Distribution(played);
    return content;
}
