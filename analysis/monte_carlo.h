#pragma once

// Monte Carlo of played spins on several threads. Each thread has a machine and a random
// stream of its own, derived from the seed and the thread's number, so a seed and a thread
// count give the same result every time. Where the machine is small enough a thread reads
// each spin's outcome from a table worked out beforehand with the engine's own verdict, and
// hands a played spin over to the engine when it reaches the play control's caps; otherwise
// every spin is the engine's.

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "analysis/par_sheet.h"

struct SimRequest {
    uint64_t spins = 0;
    uint64_t seed = 0;
    int threads = 1;
    int bet = 1;
    SpinMode mode = SpinMode::Play;
    bool engineOnly = false; // no outcome table: every spin is the engine's own
};

struct SimResult {
    uint64_t spins = 0;
    int bet = 1;
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
SimResult RunMonteCarlo(const std::string& path, const SimRequest& request,
                        const SimProgress& progress = {});
