#pragma once

// Monte Carlo of played spins on several threads and processes. Each thread has a machine
// and a random stream of its own, derived from the seed and the stream's number, so a seed
// and the number of streams (threads times processes) give the same result every time. The reels
// are drawn as the par sheet's weighting says. Ideal: independent draws, each spin's outcome read
// from a table worked out beforehand with the engine's own verdict (a played spin that reaches the
// play control's cap of nudge tries is handed over to the engine). Engine: every played spin is the
// engine's own, its generator seeded with a random state, each state a possible start.

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "analysis/par_sheet.h"
#include "platform/cluster/distribution.h"

struct SimRequest {
    uint64_t spins = 0;
    uint64_t seed = 0;
    int threads = 1;
    int bet = 1;
    SpinMode mode = SpinMode::Play;
    EntryWeights weights = EntryWeights::Ideal;
    bool engineOnly = false; // no outcome table: refused with the ideal weighting
};

struct SimResult {
    uint64_t spins = 0;
    int bet = 1;
    EntryWeights weights = EntryWeights::Ideal;
    bool outcomeTable = false;    // false: every spin was the engine's own
    std::map<int, uint64_t> wins; // played spins by the credits they paid, 0 included
    double seconds = 0;

    // Return per credit bet and the share of played spins that paid, each with the half
    // width of its 95% confidence interval; the standard deviation of the return.
    double Rtp() const;
    double RtpHalfWidth() const;
    double Hit() const;
    double HitHalfWidth() const;
    double StandardDeviation() const;
};

// progress is called on the calling thread a few times a second with the spins done so far.
using SimProgress = std::function<void(uint64_t done, uint64_t total)>;
// Throws std::runtime_error when the ideal weighting finds no outcome table to read. Each of
// the cluster's processes plays the streams after those of the processes before it; process
// 0 alone shows progress and gets the whole result (the others, their own counts).
SimResult RunMonteCarlo(const std::string& path, const SimRequest& request,
                        const SimProgress& progress = {}, Distribution& cluster = SingleProcess());
