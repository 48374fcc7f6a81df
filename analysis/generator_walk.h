#pragma once

// What the engine's own random generator makes of a machine. The reels of one spin take
// consecutive numbers of one linear congruential generator, so they are not independent:
// most combinations of a large machine can never be drawn. Every state of the generator is
// a possible start of a played spin; the walk follows each start exactly as the engine plays
// it (re-spins continue from the same stream, and stop at the engine's caps) and counts how
// each ends.

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/par_sheet.h"

// Starts of a played spin: every state of the generator.
constexpr int GENERATOR_STATE_BITS = 32;

struct GeneratorCount {
    struct Ending {
        int amount = 0;
        int payoff = -1;     // the winning row, -1 for none
        uint64_t starts = 0; // of the 2^32
    };
    std::vector<Ending> endings;
    uint64_t series = 0;     // starts whose first spin shows an autospin symbol
    uint64_t respins = 0;    // over every start
    uint64_t nudged = 0;     // starts whose first spin ends with a reel nudged
    uint64_t capped = 0;     // starts whose series the re-spin cap cuts
    uint64_t handedOver = 0; // starts that reach the cap of nudge tries, played by the engine
    bool drawsCounted = false;
    uint64_t drawn = 0; // spin-table combinations that some start draws
};

// reels: each reel's rest stop and nudges per spin-table entry (ReelOutcomes). Throws
// std::runtime_error when the machine's classes are too many to tabulate.
GeneratorCount CountGeneratorStarts(const std::string& path, const ParRequest& request,
                                    const std::vector<ReelOutcome>& reels);
