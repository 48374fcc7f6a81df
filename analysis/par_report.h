#pragma once

// The par sheet and the Monte Carlo result as text for people and as JSON for programs.

#include <string>

#include "engine/machine_json.h"
#include "analysis/monte_carlo.h"
#include "analysis/par_sheet.h"

struct ReportHeading {
    SpinMode mode = SpinMode::Play;
    EntryWeights weights = EntryWeights::Ideal;
};

std::string ParText(const ParSheet& sheet, const ReportHeading& heading);
Json ParJson(const ParSheet& sheet, const ReportHeading& heading);
std::string SimText(const SimResult& result, const std::string& name, SpinMode mode);
Json SimJson(const SimResult& result, const std::string& name, SpinMode mode);

// The win distribution and the payoffs' shares of the RTP as one SVG chart; false when the
// file cannot be written.
bool PlotPar(const ParSheet& sheet, const std::string& svgPath);
