#pragma once

// The par sheet of a machine file: the exact odds of every paid amount of one played spin,
// worked out over every combination of the reels' spin-table entries, and the figures slot
// designers read off them. Free re-spins and nudges are summed exactly, not sampled.

#include <gmpxx.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/message_box.h"
#include "engine/slot_machine.h"

// What one spin is: a player's spin as the play control sequences it (nudges until the reels
// rest, then free re-spins while the machine asks for them), or one Spin(bet, 1, 1).
enum class SpinMode { Play, Run };

// How the reels are drawn: each reel's spin-table entries all alike and the reels independent
// (the machine as designed), or as the engine's own generator draws them, every one of its
// states a possible start of a played spin (the machine as it plays).
enum class EntryWeights { Ideal, Engine };

// How the combinations are summed: over classes of rest stops that show the pay table alike
// (one judgement per class combination), or over every combination of rest stops (the check).
enum class ParMethod { Classes, Walk };

struct ParRequest {
    int bet = 1; // coins, 1 to MaxCoins
    SpinMode mode = SpinMode::Play;
    EntryWeights weights = EntryWeights::Ideal;
    ParMethod method = ParMethod::Classes;
    int threads = 1;
};

struct WinOdds {
    int credits = 0;
    mpq_class chance;
};

struct PayoffShare {
    int row = 0;
    std::string label; // empty when the payoff line has none
    mpz_class hits;    // weight of the spins that end a played spin paid by this row
    mpq_class chance;  // a played spin is paid by this row
    mpq_class rtp;     // its part of the return per credit bet
};

// A reel as the designer wrote it, and how many classes its rest stops fall into.
struct ReelSummary {
    std::string strip; // the stops' letters, in strip order
    std::map<char, int> onStrip;
    std::map<char, int> inSpinTable;
    int classes = 0;
};

struct ParSheet {
    std::string name;
    int bet = 0;
    std::vector<int> spinSizes; // numspin of each reel in use
    std::vector<ReelSummary> reels;
    mpz_class combinations;
    // Empty while every series of re-spins and every run of nudges can end; otherwise why not.
    std::string endless;
    mpq_class rtp;             // credits returned per credit bet
    mpq_class meanSquare;      // of the return per credit bet
    mpq_class meanCube;        // ...
    mpq_class meanFourth;      // ...
    mpq_class hit;             // a played spin pays
    mpq_class seriesChance;    // a spin starts a series of free re-spins
    mpq_class seriesLength;    // re-spins in a series, on average
    mpq_class nudgeChance;     // a spin of the reels ends with a reel nudged
    std::vector<WinOdds> wins; // every amount a played spin can pay, ascending
    std::vector<PayoffShare> payoffs;

    // The safety caps of a played spin (10000 re-spins, 1024 nudge tries). The engine
    // weighting follows every start to where the engine stops it; the ideal sheet leaves the
    // caps out and says so when a played spin may reach one with a chance above 2^-64.
    double capChance = 0;   // at most this (ideal), exactly this (engine)
    std::string capNote;    // empty when no cap matters
    double capRtpBound = 0; // how far off the RTP may be for leaving them out

    // The engine weighting only: the spin-table combinations its generator can never draw
    // (when counted), and the payoff rows whose chance is not the ideal one.
    bool drawsCounted = false;
    mpz_class neverDrawn;
    struct Deviation {
        int row = 0;
        mpq_class ideal; // the row's chance under the ideal weighting
    };
    std::vector<Deviation> deviations;

    double StandardDeviation() const;
    // Of the return per credit bet; NaN when it never varies.
    double Skewness() const;
    double ExcessKurtosis() const;
};

// A machine of its own for one thread, loaded without showing the loader's messages (the
// caller has loaded the file once already and shown them).
struct QuietMachine {
    explicit QuietMachine(const std::string& path);
    QuietMachine(const QuietMachine&) = delete;
    QuietMachine& operator=(const QuietMachine&) = delete;

    RecordingMessageSink messages;
    std::unique_ptr<SlotMachine> machine;
};

// The machine's "%name", or the file's name when it has none.
std::string MachineName(const SlotMachine& machine, const std::string& path);

// Per reel and spin-table entry: the stop on the pay line once the reel has come to rest.
struct ReelOutcome {
    std::vector<int> rest;   // per entry
    std::vector<int> nudges; // per entry: nudges on the way
    bool endless = false;    // some entry's nudges never rest
};
std::vector<ReelOutcome> ReelOutcomes(SlotMachine& machine, SpinMode mode);

// The engine sheet names a payoff row whose chance differs from its ideal chance by more than
// one part in this many.
constexpr int DEVIATION_PARTS = 100;

// path is loaded once per thread (the engine's verdict reads the machine's reel positions).
ParSheet ComputePar(const std::string& path, const ParRequest& request);
