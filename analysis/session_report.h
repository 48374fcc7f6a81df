#pragma once

// The player sessions as text for people, as JSON for programs, and as a chart.

#include <string>

#include "analysis/sessions.h"
#include "engine/machine_json.h"

std::string SessionText(const SessionResult& result, const std::string& name);
Json SessionJson(const SessionResult& result, const std::string& name);
// The share of sessions still playing after n spins, and how their final credits spread.
// Returns why the file could not be written, or nothing when it was.
std::string PlotSessions(const SessionResult& result, const std::string& name,
                         const std::string& svgPath);
