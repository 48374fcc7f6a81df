#pragma once

// What the Monte Carlo and the player sessions share: random streams fixed by a seed and a
// stream's number, the outcome table of a machine's played spins, and a source of played
// spins that reads that table (handing a rare spin over to the engine) or, without a table,
// plays the engine's own spins.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "analysis/par_sheet.h"
#include "platform/cluster/distribution.h"
#include "play/play_steps.h"

// wyrand: one multiply per 64 bits, which hold two reels' 32-bit numbers; its streams from
// different seeds do not meet within any run we could make.
struct Stream {
    uint64_t state;
    uint64_t Next() {
        state += 0xA0761D6478BD642Full;
        const unsigned __int128 product =
            static_cast<unsigned __int128>(state) * (state ^ 0xE7037ED1A0B428DBull);
        return static_cast<uint64_t>(product >> 64) ^ static_cast<uint64_t>(product);
    }
};

// Stream number `index` of a run: a seed and the total number of streams fix a result, however
// the streams are spread over threads and processes.
Stream StreamOf(uint64_t seed, int index);

// The share of `total` items (spins, sessions) that stream `index` of `streams` plays: the
// first total mod streams streams play one more.
inline uint64_t ShareOf(uint64_t total, int index, int streams) {
    return total / streams + (static_cast<uint64_t>(index) < total % streams);
}

// Per spin-table entry, its rest class's place in the cells (a mixed-radix digit) in the low
// bits and its nudges above them, so that one sum over the reels gives both.
constexpr int NUDGE_SHIFT = 22;
constexpr uint32_t CELL_MASK = (1u << NUDGE_SHIFT) - 1;

// The spin table as a draw reads it: the reels in groups of neighbours, each group drawn as
// one of its combinations of entries with 64 random bits (three reels of a few dozen entries
// make one group, so one random number serves the whole spin). Small enough for the loop that
// draws to hold a copy, which then stays in registers instead of being read again after every
// store it makes.
struct EntryTables {
    // Per group, per combination (the reels' entries as the digits of a mixed-radix number,
    // the group's first reel the most significant): the sum of the entries' places and nudges.
    const uint32_t* group[MAX_REELS] = {};
    uint64_t combinations[MAX_REELS] = {};
    int groups = 0;
    int firstReel[MAX_REELS + 1] = {}; // group g holds reels firstReel[g] .. firstReel[g+1]-1
    uint32_t count[MAX_REELS] = {};    // entries per reel

    // Where the spin's reels rest (the sum of their places) and how many nudges took them
    // there. `entries`, when given, receives each reel's entry.
    uint32_t Draw(Stream& from, uint32_t* entries = nullptr) const {
        // Most machines make one group or two: those the compiler keeps in registers.
        uint32_t sum = DrawGroup(0, from, entries);
        if (groups > 1)
            sum += DrawGroup(1, from, entries);
        for (int g = 2; g < groups; ++g)
            sum += DrawGroup(g, from, entries);
        return sum;
    }

    uint32_t DrawGroup(int g, Stream& from, uint32_t* entries) const {
        const uint64_t drawn = CombinationOf(from.Next(), combinations[g]);
        if (entries)
            SplitCombination(g, drawn, entries);
        return group[g][drawn];
    }

    // An independent draw of one of n combinations from 64 random bits: each takes 2^64 / n
    // of the numbers, give or take one, so none is off its share by more than one part in
    // 2^40. Reels drawn as one combination are independent draws of an entry each.
    static uint64_t CombinationOf(uint64_t bits, uint64_t n) {
        return static_cast<uint64_t>((static_cast<unsigned __int128>(bits) * n) >> 64);
    }

    void SplitCombination(int g, uint64_t drawn, uint32_t* entries) const {
        for (int i = firstReel[g + 1] - 1; i >= firstReel[g]; --i) {
            entries[i] = static_cast<uint32_t>(drawn % count[i]);
            drawn /= count[i];
        }
    }
};

struct OutcomeTable {
    struct Cell {
        uint8_t win;      // index into amounts
        uint8_t autoSpin; // an autospin symbol on the pay line
    };
    int numReels = 0;
    // Per spin-table entry: its place and nudges. A reel not in use has the one entry 0,
    // worth nothing, so that every spin looks up four reels without a loop.
    std::vector<uint32_t> byEntry[MAX_REELS];
    std::vector<uint32_t> groups[MAX_REELS]; // the same, for neighbouring reels at once
    EntryTables entries;                     // the groups as every spin reads them
    std::vector<int> stops[MAX_REELS];       // per entry: the stop drawn, before nudges
    std::vector<Cell> cells;
    std::vector<int> amounts{0};
    int mostNudges = 0; // in one spin of the reels, all reels together
};

// False when the machine is too large for a table or its nudges never rest.
bool BuildTable(SlotMachine& machine, int bet, SpinMode mode, OutcomeTable& table);

// One stream's played spins: from the table when there is one, else the engine's own.
class SpinSource {
public:
    SpinSource(const std::string& path, int bet, SpinMode mode, const OutcomeTable* table,
               Stream stream)
        : own_(path), machine_(*own_.machine), bet_(bet), mode_(mode), table_(table),
          stream(stream) {}

    // How a series of free re-spins ended: the index of the amount paid in the table, or
    // -1 when the engine finished the played spin, which paid `amount`.
    struct SeriesEnd {
        int index;
        int amount;
    };
    // The re-spins after a first spin that showed an autospin symbol, or after the re-spins
    // already played, the latest of which paid the amount of index `win`.
    SeriesEnd Series(PlayedSpin& played, int win = 0);
    // A played spin of the engine's own, its generator seeded from the stream.
    int FromEngine();

    const OutcomeTable* Table() const { return table_; }
    SpinMode Mode() const { return mode_; }

private:
    int HandOver(const uint32_t* entries, PlayedSpin played);

    QuietMachine own_;
    SlotMachine& machine_;
    int bet_;
    SpinMode mode_;
    const OutcomeTable* table_;
    uint32_t last_[MAX_REELS] = {}; // the entries of the latest re-spin

public:
    Stream stream;
};

// Runs one worker per share on a thread of its own: worker t calls play(t, n) for chunks of
// at most `chunk` items until its share is done. On the calling thread, progress (when set)
// hears a few times a second how many items the workers have done, `scale` times over (the
// processes that run alike elsewhere).
void RunShares(const std::vector<uint64_t>& shares, uint64_t chunk,
               const std::function<void(int t, uint64_t n)>& play,
               const std::function<void(uint64_t done)>& progress, uint64_t scale);

// Plays `total` items (spins or sessions) over the run's streams, `threads` of them in this
// process: each gets a player from make(stream), with a Play(n) for n items of its share.
// The first process shows progress (when set) for the whole run. Returns the players, done.
template <typename Player>
std::vector<std::unique_ptr<Player>>
PlayStreams(uint64_t total, int threads, uint64_t chunk, Distribution& cluster,
            const std::function<void(uint64_t done, uint64_t total)>& progress,
            const std::function<std::unique_ptr<Player>(int stream)>& make) {
    const int firstStream = cluster.Rank() * threads;
    const int streams = cluster.Size() * threads;
    std::vector<std::unique_ptr<Player>> players;
    std::vector<uint64_t> shares;
    for (int t = 0; t < threads; ++t) {
        players.push_back(make(firstStream + t));
        shares.push_back(ShareOf(total, firstStream + t, streams));
    }
    const bool shown = progress && cluster.Root();
    RunShares(
        shares, chunk, [&](int t, uint64_t n) { players[t]->Play(n); },
        shown ? [&](uint64_t done) { progress(std::min(done, total), total); }
              : std::function<void(uint64_t)>(),
        cluster.Size());
    if (shown)
        progress(total, total);
    return players;
}
