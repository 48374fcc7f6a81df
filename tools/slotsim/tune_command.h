#pragma once

// `slotsim tune`: a machine file with its stops' weights changed to reach a target RTP (and hit
// frequency), checked by its exact par sheet and written whole, or not at all.

#include <iosfwd>
#include <string>

#include "analysis/par_sheet.h"

struct TuneOptions {
    std::string rtp; // as given: 0.95, 95% or 19/20
    std::string hit; // the same forms; empty: any
    int bet = 0;     // 0: the machine's MaxCoins
    SpinMode mode = SpinMode::Play;
    EntryWeights weights = EntryWeights::Ideal;
    std::string keepReels; // reel numbers from 0, comma-separated
    std::string out;
    bool closest = false; // write the closest machine found even when it misses the target
};

// Exit code of a target out of reach (and of a machine whose sheet is endless).
constexpr int EXIT_OUT_OF_REACH = 3;

// Returns the exit code; throws UsageError for a request that cannot be carried out.
int TuneCommand(const std::string& path, const TuneOptions& options, std::ostream& out,
                std::ostream& err);
