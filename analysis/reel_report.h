#pragma once

// Each reel of a par sheet as the designer wrote it: the strip, the count of each symbol on
// it and in the spin table, and the classes its rest stops fall into.

#include <string>

#include "analysis/par_sheet.h"
#include "engine/machine_json.h"

std::string ReelsText(const ParSheet& sheet);
Json ReelsJson(const ParSheet& sheet);
