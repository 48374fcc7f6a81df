#pragma once

// Tuning a machine to a target return (and hit frequency): only how likely each stop is
// changes, the spin-table entries of its stops; strips, symbols and pays stay as written.

#include <gmpxx.h>

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
    EntryWeights weights = EntryWeights::Ideal;
    std::vector<int> keptReels; // their weights stay as they are
};

struct TuneResult {
    StopWeights weights; // the closest found
    bool reached = false;
    int steps = 0;
};

bool Reached(const mpq_class& rtp, const mpq_class& hit, const TuneRequest& request);

// machine: loaded without a message, its reels able to take weights. Every reel keeps at most
// MAX_SPIN_ENTRIES entries and each stop one at least; a reel never has more entries than the
// reel to its left (the file writes reels as columns). The machine's spin tables are left as
// they were loaded.
TuneResult Tune(SlotMachine& machine, const TuneRequest& request);
