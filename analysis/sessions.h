#pragma once

// Player sessions: many players each start with the same credits and play at one bet until
// they cannot cover it, reach a goal, or have played their spins ("time on device"). Played
// spins come from the Monte Carlo's outcome table where it has one, else from the engine;
// threads and processes play streams as the Monte Carlo does, so a seed and the number of
// streams fix the result.

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "analysis/par_sheet.h"
#include "platform/cluster/distribution.h"

// No goal: a session ends only out of credits or out of spins.
constexpr int64_t NO_GOAL = INT64_MAX;

struct SessionRequest {
    uint64_t sessions = 0;
    int64_t credits = 0;    // each player's start
    int bet = 1;            // charged per played spin
    uint64_t spins = 1000;  // the most a session plays
    int64_t goal = NO_GOAL; // a session ends once its credits reach it
    SpinMode mode = SpinMode::Play;
    uint64_t seed = 0;
    int threads = 1;
};

// A percentile is the smallest value that at least that share of the sessions does not
// exceed (nearest rank).
struct Percentiles {
    double mean = 0;
    std::map<int, int64_t> at; // by percent
};

struct SessionResult {
    SessionRequest request;
    bool outcomeTable = false;
    double seconds = 0;
    // Sessions by the spins they played, their final credits and the most credits they held.
    std::map<int64_t, uint64_t> lengths, finals, highs;
    uint64_t ranOut = 0;  // fewer credits than the bet before the last spin
    uint64_t reached = 0; // credits reached the goal
    uint64_t ahead = 0;   // ended with more credits than they started with

    uint64_t SpinsPlayed() const;
    // Credits paid back per credit bet over every spin of every session.
    double Rtp() const;
    // Shares of the sessions, each with the half width of its 95% interval.
    double Share(uint64_t count) const;
    double HalfWidth(uint64_t count) const;
};

Percentiles PercentilesOf(const std::map<int64_t, uint64_t>& counts,
                          std::initializer_list<int> percents);

// progress hears the sessions done so far; only process 0 calls it, and only it gets the whole
// result.
SessionResult RunSessions(const std::string& path, const SessionRequest& request,
                          const std::function<void(uint64_t done, uint64_t total)>& progress = {},
                          Distribution& cluster = SingleProcess());
