#pragma once

// Tuning a machine to a target return (and hit frequency): only how likely each stop is
// changes, the spin-table entries of its stops; strips, symbols and pays stay as written.

#include <gmpxx.h>

#include <functional>
#include <optional>
#include <vector>

#include "analysis/par_sheet.h"
#include "analysis/weighted_reels.h"

// What "reached" means: the RTP within 0.01 percentage points, the hit frequency within 0.5.
inline const mpq_class RTP_TOLERANCE(1, 10000);
inline const mpq_class HIT_TOLERANCE(1, 200);

struct TuneRequest {
    mpq_class rtp;
    std::optional<mpq_class> hit;
    int bet = 1;
    SpinMode mode = SpinMode::Play;
    std::vector<int> keptReels; // their weights stay as they are
    int narrower = 1;           // the tolerances divided by this
};

struct TuneResult {
    StopWeights weights; // the closest found
    bool reached = false;
    int steps = 0;
    int rounds = 1; // of TuneJudged
};

bool Reached(const mpq_class& rtp, const mpq_class& hit, const TuneRequest& request);

// The search sums the reels as the ideal weighting does: every spin-table entry alike.
// machine: loaded without a message, its reels able to take weights, its nudges resting. Every
// reel keeps at most MAX_SPIN_ENTRIES entries and each stop one at least; a reel never has more
// entries than the reel to its left (the file writes reels as columns). Only the machine's
// reel positions change.
TuneResult Tune(SlotMachine& machine, const TuneRequest& request);

// What a sheet that weighs the entries otherwise (the machine as it plays) makes of weights.
struct JudgedFigures {
    mpq_class rtp;
    mpq_class hit;
    bool endless = false;
};
using WeightsJudge = std::function<JudgedFigures(const StopWeights&)>;

// Tune, aimed again after each round by how far the judge's figures fall from the ideal ones,
// until the judge's figures reach the target (or a few rounds have not got there).
TuneResult TuneJudged(SlotMachine& machine, const TuneRequest& request, const WeightsJudge& judge);
