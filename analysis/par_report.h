#pragma once

// The par sheet and the Monte Carlo result as text for people and as JSON for programs.

#include <string>
#include <vector>

#include "analysis/monte_carlo.h"
#include "analysis/par_sheet.h"
#include "engine/machine_json.h"

struct ReportHeading {
    SpinMode mode = SpinMode::Play;
    EntryWeights weights = EntryWeights::Ideal;
    ParMethod method = ParMethod::Classes;
};

const char* ModeName(SpinMode mode);
// One number printed with a printf format.
std::string Format(const char* format, double value);

std::string ParText(const ParSheet& sheet, const ReportHeading& heading);
Json ParJson(const ParSheet& sheet, const ReportHeading& heading);
// Sheets of one machine at several bets: the headline figures in a column per bet.
std::string ParTextByBet(const std::vector<ParSheet>& sheets, const ReportHeading& heading);
// The payoff rows that no played spin is paid by, one warning line each.
std::string NeverPaysWarnings(const ParSheet& sheet);
std::string SimText(const SimResult& result, const std::string& name, SpinMode mode);
Json SimJson(const SimResult& result, const std::string& name, SpinMode mode);

// The win distribution and the payoffs' shares of the RTP as one SVG chart. Returns why the
// file could not be written, or nothing when it was.
std::string PlotPar(const ParSheet& sheet, const ReportHeading& heading,
                    const std::string& svgPath);
