#include "analysis/par_report.h"

#include <cstdio>
#include <limits>

namespace {

// z of the normal distribution whose interval about the mean holds 90% and 95% of it.
constexpr double Z90 = 1.6448536269514722;
constexpr double Z95 = 1.959963984540054;

const char* ModeName(SpinMode mode) {
    return mode == SpinMode::Play ? "play" : "run";
}

const char* WeightsName(EntryWeights weights) {
    return weights == EntryWeights::Ideal ? "ideal" : "generator";
}

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
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

const WinOdds* TopAward(const ParSheet& sheet) {
    return !sheet.wins.empty() && sheet.wins.back().credits > 0 ? &sheet.wins.back() : nullptr;
}

} // namespace

std::string ParText(const ParSheet& sheet, const ReportHeading& heading) {
    std::string t = sheet.name + ": bet " + std::to_string(sheet.bet) + ", mode " +
                    ModeName(heading.mode) + ", weights " + WeightsName(heading.weights) + "\n";
    t += "reels " + std::to_string(sheet.spinSizes.size()) + ", spin-table entries " +
         Sizes(sheet.spinSizes) + ", " + sheet.combinations.get_str() + " combinations\n";
    if (!sheet.endless.empty())
        return t + "endless: " + sheet.endless + "\n";
    const double sd = sheet.StandardDeviation();
    t += "RTP                 " + sheet.rtp.get_str() + " = " +
         Format("%.6f%%", 100 * sheet.rtp.get_d()) + "\n";
    t += "hit frequency       " + Format("%.6f", sheet.hit.get_d()) + " (" +
         OneIn(sheet.hit.get_d()) + ")\n";
    t += "standard deviation  " + Format("%.4f", sd) + " per credit bet\n";
    t += "volatility index    " + Format("%.4f", Z90 * sd) + " at 90%, " +
         Format("%.4f", Z95 * sd) + " at 95%\n";
    t += "free re-spin series " + Format("%.6f", sheet.seriesChance.get_d()) + " (" +
         OneIn(sheet.seriesChance.get_d()) + ")";
    if (sheet.seriesChance > 0)
        t += ", " + Format("%.4f", sheet.seriesLength.get_d()) + " re-spins on average";
    t += "\nnudge               " + Format("%.6f", sheet.nudgeChance.get_d()) + " of the spins (" +
         OneIn(sheet.nudgeChance.get_d()) + ")\n";
    if (const WinOdds* top = TopAward(sheet))
        t += "top award           " + std::to_string(top->credits) + " credits, " +
             OneIn(top->chance.get_d()) + "\n";
    t += "\nwin distribution\n    credits    probability           1 in\n";
    for (const WinOdds& win : sheet.wins)
        t += Format("%11.0f", win.credits) + Format("  %13.9f", win.chance.get_d()) +
             Format("  %13.6g\n", 1 / win.chance.get_d());
    t += "\npayoff contributions to the RTP\n  row  RTP         label\n";
    for (const PayoffShare& share : sheet.payoffs)
        t += Format("%5.0f", share.row) + Format("  %9.5f%%", 100 * share.rtp.get_d()) + "  " +
             share.label + "\n";
    return t;
}

Json ParJson(const ParSheet& sheet, const ReportHeading& heading) {
    Json j = {{"name", sheet.name},
              {"bet", sheet.bet},
              {"mode", ModeName(heading.mode)},
              {"weights", WeightsName(heading.weights)},
              {"reels", sheet.spinSizes.size()},
              {"spinTable", sheet.spinSizes},
              {"combinations", Integer(sheet.combinations)},
              {"endless", !sheet.endless.empty()}};
    if (!sheet.endless.empty()) {
        j["why"] = sheet.endless;
        return j;
    }
    const double sd = sheet.StandardDeviation();
    j["rtp"] = Rational(sheet.rtp);
    j["hit"] = Rational(sheet.hit);
    j["meanSquare"] = Rational(sheet.meanSquare);
    j["standardDeviation"] = sd;
    j["volatilityIndex"] = {{"90", Z90 * sd}, {"95", Z95 * sd}};
    j["series"] = {{"chance", Rational(sheet.seriesChance)},
                   {"meanLength", Rational(sheet.seriesLength)}};
    j["nudge"] = Rational(sheet.nudgeChance);
    Json wins = Json::array();
    for (const WinOdds& win : sheet.wins)
        wins.push_back({{"credits", win.credits}, {"chance", Rational(win.chance)}});
    j["wins"] = std::move(wins);
    Json payoffs = Json::array();
    for (const PayoffShare& share : sheet.payoffs)
        payoffs.push_back(
            {{"row", share.row}, {"label", share.label}, {"rtp", Rational(share.rtp)}});
    j["payoffs"] = std::move(payoffs);
    const WinOdds* top = TopAward(sheet);
    j["topAward"] =
        top ? Json{{"credits", top->credits}, {"chance", Rational(top->chance)}} : Json(nullptr);
    return j;
}

std::string SimText(const SimResult& r, const std::string& name, SpinMode mode) {
    std::string t = name + ": bet " + std::to_string(r.bet) + ", mode " + ModeName(mode) + ", " +
                    std::to_string(r.spins) + " played spins in " + Format("%.2f s", r.seconds) +
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
            {"spins", r.spins},
            {"seconds", r.seconds},
            {"outcomeTable", r.outcomeTable},
            {"rtp", {{"value", r.Rtp()}, {"halfWidth95", r.RtpHalfWidth()}}},
            {"hit", {{"value", r.Hit()}, {"halfWidth95", r.HitHalfWidth()}}},
            {"standardDeviation", r.StandardDeviation()},
            {"wins", std::move(wins)}};
}
