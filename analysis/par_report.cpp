#include "analysis/par_report.h"

#include "analysis/reel_report.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "analysis/normal_quantiles.h"

const char* ModeName(SpinMode mode) {
    return mode == SpinMode::Play ? "play" : "run";
}

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

namespace {

const char* WeightsName(EntryWeights weights) {
    return weights == EntryWeights::Ideal ? "ideal" : "engine";
}

std::string OneIn(double chance) {
    return chance > 0 ? "1 in " + Format("%.6g", 1 / chance) : "never";
}

// JSON numbers hold 64 bits; a larger integer is written as its decimal digits.
Json Integer(const mpz_class& value) {
    if (value.fits_slong_p())
        return value.get_si();
    return value.get_str();
}

Json Rational(const mpq_class& value) {
    return {{"exact", {Integer(value.get_num()), Integer(value.get_den())}},
            {"value", value.get_d()}};
}

std::string Sizes(const std::vector<int>& sizes) {
    std::string text;
    for (size_t i = 0; i < sizes.size(); ++i)
        text += (i ? " x " : "") + std::to_string(sizes[i]);
    return text.empty() ? "none" : text;
}

// A fraction that fits a line as it is; a longer one (the generator weighting's) as a decimal.
constexpr size_t LONGEST_FRACTION = 40;

std::string Exact(const mpq_class& value) {
    const std::string fraction = value.get_str();
    return fraction.size() <= LONGEST_FRACTION ? fraction : Format("%.15g", value.get_d());
}

Json Moment(double value) {
    return std::isnan(value) ? Json(nullptr) : Json(value);
}

std::string Figure(const char* format, double value) {
    return std::isnan(value) ? "none" : Format(format, value);
}

const WinOdds* TopAward(const ParSheet& sheet) {
    return !sheet.wins.empty() && sheet.wins.back().credits > 0 ? &sheet.wins.back() : nullptr;
}

std::string RowName(const PayoffShare& share) {
    return "payoff row " + std::to_string(share.row) +
           (share.label.empty() ? "" : " (" + share.label + ")");
}

// What the engine's generator draws of the spin-table combinations, and what the safety caps
// do to the figures.
std::string GeneratorAndCapsText(const ParSheet& sheet, const ReportHeading& heading) {
    std::string t;
    if (heading.weights == EntryWeights::Engine) {
        const mpz_class drawn = sheet.combinations - sheet.neverDrawn;
        t += "generator           ";
        if (sheet.drawsCounted)
            t += drawn.get_str() + " of " + sheet.combinations.get_str() + " combinations drawn, " +
                 sheet.neverDrawn.get_str() + " never (" +
                 Format("%.3f%%", 100 * mpq_class(sheet.neverDrawn, sheet.combinations).get_d()) +
                 ")\n";
        else
            t += "combinations drawn not counted (too many to mark)\n";
    }
    if (!sheet.capNote.empty()) {
        // The ideal sheet knows only a bound of the chance; the engine walk counts it.
        t += "safety caps         " + sheet.capNote + " (" +
             (sheet.capRtpBound > 0 ? "at most " : "") + OneIn(sheet.capChance) + " played spins)";
        if (sheet.capRtpBound > 0)
            t += ": the RTP may be off by up to " + Format("%.6g%%", 100 * sheet.capRtpBound);
        t += "\n";
    }
    return t;
}

// The rows whose chance under the engine is not their ideal chance.
std::string DeviationsText(const ParSheet& sheet) {
    if (sheet.deviations.empty())
        return "";
    std::string t = "\npayoff rows off their ideal chance by more than 1%\n";
    for (const ParSheet::Deviation& deviation : sheet.deviations) {
        const PayoffShare& share = sheet.payoffs[deviation.row];
        t += "  " + RowName(share) + ": " + OneIn(share.chance.get_d()) + " against " +
             OneIn(deviation.ideal.get_d()) + " ideal\n";
    }
    return t;
}

} // namespace

std::string ParText(const ParSheet& sheet, const ReportHeading& heading) {
    std::string t = sheet.name + ": bet " + std::to_string(sheet.bet) + ", mode " +
                    ModeName(heading.mode) + ", weights " + WeightsName(heading.weights) + "\n";
    t += "reels " + std::to_string(sheet.spinSizes.size()) + ", spin-table entries " +
         Sizes(sheet.spinSizes) + ", " + sheet.combinations.get_str() + " combinations\n";
    t += ReelsText(sheet);
    if (!sheet.endless.empty())
        return t + "endless: " + sheet.endless + "\n";
    const double sd = sheet.StandardDeviation();
    t += "RTP                 " + Exact(sheet.rtp) + " = " +
         Format("%.6f%%", 100 * sheet.rtp.get_d()) + "\n";
    t += "hit frequency       " + Format("%.6f", sheet.hit.get_d()) + " (" +
         OneIn(sheet.hit.get_d()) + ")\n";
    t += "standard deviation  " + Format("%.4f", sd) + " per credit bet\n";
    t += "skewness            " + Figure("%.4f", sheet.Skewness()) + "\n";
    t += "excess kurtosis     " + Figure("%.4f", sheet.ExcessKurtosis()) + "\n";
    t += "volatility index    " + Format("%.4f", NORMAL_QUANTILE_90 * sd) + " at 90%, " +
         Format("%.4f", NORMAL_QUANTILE_95 * sd) + " at 95%\n";
    t += "free re-spin series " + Format("%.6f", sheet.seriesChance.get_d()) + " (" +
         OneIn(sheet.seriesChance.get_d()) + ")";
    if (sheet.seriesChance > 0)
        t += ", " + Format("%.4f", sheet.seriesLength.get_d()) + " re-spins on average";
    t += "\nnudge               " + Format("%.6f", sheet.nudgeChance.get_d()) + " of the spins (" +
         OneIn(sheet.nudgeChance.get_d()) + ")\n";
    if (const WinOdds* top = TopAward(sheet))
        t += "top award           " + std::to_string(top->credits) + " credits, " +
             OneIn(top->chance.get_d()) + "\n";
    t += GeneratorAndCapsText(sheet, heading);
    t += "\nwin distribution\n    credits    probability           1 in\n";
    for (const WinOdds& win : sheet.wins)
        t += Format("%11.0f", win.credits) + Format("  %13.9f", win.chance.get_d()) +
             Format("  %13.6g\n", 1 / win.chance.get_d());
    t += "\npayoffs\n  row              hits    probability           1 in  RTP         label\n";
    for (const PayoffShare& share : sheet.payoffs) {
        const double chance = share.chance.get_d();
        const std::string hits = share.hits.get_str();
        t += Format("%5.0f", share.row) +
             std::string(hits.size() < 18 ? 18 - hits.size() : 1, ' ') + hits;
        if (share.hits == 0)
            t += "    never pays                ";
        else
            t += Format("  %13.9f", chance) + Format("  %13.6g", 1 / chance);
        t += Format("  %9.5f%%", 100 * share.rtp.get_d()) + "  " + share.label + "\n";
    }
    t += DeviationsText(sheet);
    const std::string warnings = NeverPaysWarnings(sheet);
    return warnings.empty() ? t : t + "\n" + warnings;
}

std::string NeverPaysWarnings(const ParSheet& sheet) {
    std::string t;
    if (!sheet.endless.empty())
        return t;
    for (const PayoffShare& share : sheet.payoffs)
        if (share.hits == 0)
            t += "warning: " + RowName(share) + " never pays\n";
    // A row that pays on the machine as designed but never with the engine's generator.
    for (const ParSheet::Deviation& deviation : sheet.deviations)
        if (sheet.payoffs[deviation.row].hits == 0)
            t += "warning: the engine's generator never draws " +
                 RowName(sheet.payoffs[deviation.row]) + ", which pays " +
                 OneIn(deviation.ideal.get_d()) + " played spins as designed\n";
    return t;
}

std::string ParTextByBet(const std::vector<ParSheet>& sheets, const ReportHeading& heading) {
    const ParSheet& first = sheets.front();
    std::string t = first.name + ": bets 1 to " + std::to_string(sheets.size()) + ", mode " +
                    ModeName(heading.mode) + ", weights " + WeightsName(heading.weights) + "\n";
    t += "reels " + std::to_string(first.spinSizes.size()) + ", spin-table entries " +
         Sizes(first.spinSizes) + ", " + first.combinations.get_str() + " combinations\n";
    t += ReelsText(first);
    if (!first.endless.empty())
        return t + "endless: " + first.endless + "\n";
    // One row per figure, one column per bet.
    constexpr size_t NAME_WIDTH = 20, COLUMN = 14;
    const auto row = [&](const char* name, const auto& cell) {
        std::string line = name;
        line.resize(NAME_WIDTH, ' ');
        for (const ParSheet& sheet : sheets) {
            const std::string text = cell(sheet);
            line += std::string(text.size() < COLUMN ? COLUMN - text.size() : 1, ' ') + text;
        }
        return line + "\n";
    };
    t += row("bet", [](const ParSheet& s) { return std::to_string(s.bet); });
    t += row("RTP %", [](const ParSheet& s) { return Format("%.6f", 100 * s.rtp.get_d()); });
    t += row("hit frequency", [](const ParSheet& s) { return Format("%.6f", s.hit.get_d()); });
    t += row("standard deviation",
             [](const ParSheet& s) { return Format("%.4f", s.StandardDeviation()); });
    t += row("skewness", [](const ParSheet& s) { return Figure("%.4f", s.Skewness()); });
    t += row("excess kurtosis",
             [](const ParSheet& s) { return Figure("%.4f", s.ExcessKurtosis()); });
    t += row("volatility 90%", [](const ParSheet& s) {
        return Format("%.4f", NORMAL_QUANTILE_90 * s.StandardDeviation());
    });
    t += row("volatility 95%", [](const ParSheet& s) {
        return Format("%.4f", NORMAL_QUANTILE_95 * s.StandardDeviation());
    });
    t += row("re-spin series",
             [](const ParSheet& s) { return Format("%.6f", s.seriesChance.get_d()); });
    t += row("nudge", [](const ParSheet& s) { return Format("%.6f", s.nudgeChance.get_d()); });
    t += row("top award credits", [](const ParSheet& s) {
        return TopAward(s) ? std::to_string(TopAward(s)->credits) : std::string("none");
    });
    t += row("top award 1 in", [](const ParSheet& s) {
        return TopAward(s) ? Format("%.6g", 1 / TopAward(s)->chance.get_d()) : std::string("none");
    });
    for (const ParSheet& sheet : sheets) {
        const std::string notes = GeneratorAndCapsText(sheet, heading);
        t += notes.empty() ? "" : "bet " + std::to_string(sheet.bet) + ": " + notes;
    }
    return t + NeverPaysWarnings(sheets.back());
}

Json ParJson(const ParSheet& sheet, const ReportHeading& heading) {
    Json j = {{"name", sheet.name},
              {"bet", sheet.bet},
              {"mode", ModeName(heading.mode)},
              {"weights", WeightsName(heading.weights)},
              {"method", heading.method == ParMethod::Classes ? "classes" : "walk"},
              {"reels", sheet.spinSizes.size()},
              {"spinTable", sheet.spinSizes},
              {"combinations", Integer(sheet.combinations)},
              {"endless", !sheet.endless.empty()}};
    j["strips"] = ReelsJson(sheet);
    if (!sheet.endless.empty()) {
        j["why"] = sheet.endless;
        return j;
    }
    const double sd = sheet.StandardDeviation();
    j["rtp"] = Rational(sheet.rtp);
    j["hit"] = Rational(sheet.hit);
    j["meanSquare"] = Rational(sheet.meanSquare);
    j["meanCube"] = Rational(sheet.meanCube);
    j["meanFourth"] = Rational(sheet.meanFourth);
    j["standardDeviation"] = sd;
    j["skewness"] = Moment(sheet.Skewness());
    j["excessKurtosis"] = Moment(sheet.ExcessKurtosis());
    j["volatilityIndex"] = {{"90", NORMAL_QUANTILE_90 * sd}, {"95", NORMAL_QUANTILE_95 * sd}};
    j["series"] = {{"chance", Rational(sheet.seriesChance)},
                   {"meanLength", Rational(sheet.seriesLength)}};
    j["nudge"] = Rational(sheet.nudgeChance);
    Json wins = Json::array();
    for (const WinOdds& win : sheet.wins)
        wins.push_back({{"credits", win.credits}, {"chance", Rational(win.chance)}});
    j["wins"] = std::move(wins);
    Json payoffs = Json::array();
    for (const PayoffShare& share : sheet.payoffs)
        payoffs.push_back({{"row", share.row},
                           {"label", share.label},
                           {"hits", Integer(share.hits)},
                           {"chance", Rational(share.chance)},
                           {"neverPays", share.hits == 0},
                           {"rtp", Rational(share.rtp)}});
    j["payoffs"] = std::move(payoffs);
    if (heading.weights == EntryWeights::Engine) {
        j["neverDrawn"] = sheet.drawsCounted ? Integer(sheet.neverDrawn) : Json(nullptr);
        Json deviations = Json::array();
        for (const ParSheet::Deviation& deviation : sheet.deviations)
            deviations.push_back({{"row", deviation.row},
                                  {"chance", Rational(sheet.payoffs[deviation.row].chance)},
                                  {"ideal", Rational(deviation.ideal)}});
        j["deviations"] = std::move(deviations);
    }
    j["caps"] = sheet.capNote.empty() ? Json(nullptr)
                                      : Json{{"chance", sheet.capChance},
                                             {"note", sheet.capNote},
                                             {"rtpOffBy", sheet.capRtpBound}};
    const WinOdds* top = TopAward(sheet);
    j["topAward"] =
        top ? Json{{"credits", top->credits}, {"chance", Rational(top->chance)}} : Json(nullptr);
    return j;
}

std::string SimText(const SimResult& r, const std::string& name, SpinMode mode) {
    std::string t = name + ": bet " + std::to_string(r.bet) + ", mode " + ModeName(mode) +
                    ", weights " + WeightsName(r.weights) + ", " + std::to_string(r.spins) +
                    " played spins in " + Format("%.2f s", r.seconds) +
                    (r.outcomeTable ? " (outcome table)\n" : " (engine spins)\n");
    t += "RTP                 " + Format("%.6f%%", 100 * r.Rtp()) + " +- " +
         Format("%.6f%% (95%%)\n", 100 * r.RtpHalfWidth());
    t += "hit frequency       " + Format("%.6f", r.Hit()) + " +- " +
         Format("%.6f (95%%)\n", r.HitHalfWidth());
    t += "standard deviation  " + Format("%.4f", r.StandardDeviation()) + " per credit bet\n";
    t += "\nwin distribution as seen\n    credits          spins    probability\n";
    for (const auto& [credits, count] : r.wins)
        t += Format("%11.0f", credits) + Format("  %13.0f", static_cast<double>(count)) +
             Format("  %13.9f\n", static_cast<double>(count) / r.spins);
    return t;
}

Json SimJson(const SimResult& r, const std::string& name, SpinMode mode) {
    Json wins = Json::array();
    for (const auto& [credits, count] : r.wins)
        wins.push_back({{"credits", credits}, {"spins", count}});
    return {{"name", name},
            {"bet", r.bet},
            {"mode", ModeName(mode)},
            {"weights", WeightsName(r.weights)},
            {"spins", r.spins},
            {"seconds", r.seconds},
            {"outcomeTable", r.outcomeTable},
            {"rtp", {{"value", r.Rtp()}, {"halfWidth95", r.RtpHalfWidth()}}},
            {"hit", {{"value", r.Hit()}, {"halfWidth95", r.HitHalfWidth()}}},
            {"standardDeviation", r.StandardDeviation()},
            {"wins", std::move(wins)}};
}
