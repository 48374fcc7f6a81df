#include "analysis/played_spins.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <map>
#include <thread>

#include "engine/random.h"

namespace {

constexpr uint64_t MOST_CELLS = uint64_t{1} << 22; // a larger table is not worth its memory
static_assert(MOST_CELLS <= uint64_t{1} << NUDGE_SHIFT);
static_assert((MAX_STOPS * MAX_REELS) << NUDGE_SHIFT <= UINT32_MAX);

// A group's table grows as the product of its reels' entries; past this many combinations
// it would leave the fast caches.
constexpr uint64_t MOST_GROUP_COMBINATIONS = uint64_t{1} << 16;

// Gathers neighbouring reels into groups of at most MOST_GROUP_COMBINATIONS combinations
// (a reel is always a group of its own at least) and tabulates each group's sums.
void GroupReels(OutcomeTable& table) {
    EntryTables& t = table.entries;
    t.groups = 0;
    for (int i = 0; i < MAX_REELS;) {
        std::vector<uint32_t>& sums = table.groups[t.groups];
        sums = {0};
        t.firstReel[t.groups] = i;
        do {
            const std::vector<uint32_t>& reel = table.byEntry[i];
            std::vector<uint32_t> wider;
            for (const uint32_t sum : sums)
                for (const uint32_t place : reel)
                    wider.push_back(sum + place);
            sums.swap(wider);
            t.count[i] = static_cast<uint32_t>(reel.size());
            ++i;
        } while (i < MAX_REELS && sums.size() * table.byEntry[i].size() <= MOST_GROUP_COMBINATIONS);
        t.group[t.groups] = sums.data();
        t.combinations[t.groups] = sums.size();
        ++t.groups;
    }
    t.firstReel[t.groups] = MAX_REELS;
}

} // namespace

Stream StreamOf(uint64_t seed, int index) {
    Stream mixer{seed};
    for (int t = 0; t < index; ++t)
        mixer.Next();
    return {mixer.Next() ^ (0xD1B54A32D192ED03ull * static_cast<uint64_t>(index + 1))};
}

// Rest stops that show the pay table alike (equal VerdictKey) are one class, judged through
// its first stop.
bool BuildTable(SlotMachine& machine, int bet, SpinMode mode, OutcomeTable& table) {
    const std::vector<ReelOutcome> reels = ReelOutcomes(machine, mode);
    table.numReels = machine.NumReels;
    for (int i = machine.NumReels; i < MAX_REELS; ++i)
        table.byEntry[i] = {0};
    uint64_t cells = 1;
    table.mostNudges = 0;
    std::vector<std::vector<int>> restStops(reels.size());
    for (int i = 0; i < machine.NumReels; ++i) {
        const ReelOutcome& reel = reels[i];
        if (reel.endless)
            return false;
        std::vector<int>& rest = restStops[i];
        int mostOnReel = 0;
        std::map<std::array<uint32_t, 4>, uint32_t> classes;
        for (size_t e = 0; e < reel.rest.size(); ++e) {
            const auto [at, fresh] = classes.emplace(machine.VerdictKey(i, reel.rest[e]),
                                                     static_cast<uint32_t>(rest.size()));
            if (fresh)
                rest.push_back(reel.rest[e]);
            table.byEntry[i].push_back(static_cast<uint32_t>(at->second * cells) |
                                       static_cast<uint32_t>(reel.nudges[e]) << NUDGE_SHIFT);
            table.stops[i].push_back(machine.Reels[i].numspin > 0 ? machine.Reels[i].spin[e] : 0);
        }
        for (const int nudges : reel.nudges)
            mostOnReel = std::max(mostOnReel, nudges);
        table.mostNudges += mostOnReel;
        cells *= rest.size();
        if (cells > MOST_CELLS)
            return false;
    }
    GroupReels(table);
    table.cells.resize(cells);
    for (uint64_t cell = 0; cell < cells; ++cell) {
        bool autoSpin = false;
        uint64_t rest = cell;
        for (int i = 0; i < machine.NumReels; ++i) {
            machine.Position[i] = restStops[i][rest % restStops[i].size()];
            rest /= restStops[i].size();
            autoSpin = autoSpin || (machine.SymbolAt(i, 1).flags & SYM_AUTOSPIN);
        }
        const int amount = machine.Evaluate(bet);
        size_t win =
            std::find(table.amounts.begin(), table.amounts.end(), amount) - table.amounts.begin();
        if (win == table.amounts.size()) {
            if (win > UINT8_MAX)
                return false;
            table.amounts.push_back(amount);
        }
        table.cells[cell] = {static_cast<uint8_t>(win), static_cast<uint8_t>(autoSpin)};
    }
    return true;
}

// A strip's nudges number fewer than MAX_PLAY_NUDGES, so the first spin never reaches that
// cap; a series may, and re-spins have their own.
SpinSource::SeriesEnd SpinSource::Series(PlayedSpin& played, int win) {
    const bool play = mode_ == SpinMode::Play;
    const int mostRespins = play ? MAX_PLAY_RESPINS : MAX_AUTO_SPINS;
    for (;;) {
        if (played.respins >= mostRespins)
            return {win, 0};
        ++played.respins;
        const uint32_t drawn = table_->entries.Draw(stream, last_);
        if (play) {
            const int nudges = static_cast<int>(drawn >> NUDGE_SHIFT);
            // The play control stops nudging part way: the engine plays the rest.
            if (played.nudgesTried + nudges + 1 > MAX_PLAY_NUDGES)
                return {-1, HandOver(last_, played)};
            played.nudgesTried += nudges + 1;
        }
        const OutcomeTable::Cell outcome = table_->cells[drawn & CELL_MASK];
        win = outcome.win;
        if (!outcome.autoSpin && win != 0)
            return {win, 0};
    }
}

// The spin that drew the entries is a re-spin of a series. The engine's re-spins after it
// draw from its own generator: a rare played spin, not worth a path of its own.
int SpinSource::HandOver(const uint32_t* entries, PlayedSpin played) {
    for (int i = 0; i < table_->numReels; ++i)
        machine_.Position[i] = table_->stops[i][entries[i]];
    machine_.Bet = 0;
    machine_.LastBet = bet_;
    machine_.Win = machine_.Pending = machine_.Evaluate(bet_);
    machine_.AutoSpin = 1;
    Random::Seed(static_cast<uint32_t>(stream.Next()));
    EngineMoves moves(machine_);
    while (NextPlayStep(machine_, played, moves) != PlayStep::Settled) {
    }
    return machine_.Pending;
}

int SpinSource::FromEngine() {
    Random::Seed(static_cast<uint32_t>(stream.Next()));
    if (mode_ == SpinMode::Run) {
        machine_.Spin(bet_, 1, 1);
        return machine_.Win;
    }
    machine_.Spin(bet_, 0, 0);
    PlayedSpin played;
    EngineMoves moves(machine_);
    while (NextPlayStep(machine_, played, moves) != PlayStep::Settled) {
    }
    return machine_.Pending;
}

void RunShares(const std::vector<uint64_t>& shares, uint64_t chunk,
               const std::function<void(int t, uint64_t n)>& play,
               const std::function<void(uint64_t done)>& progress, uint64_t scale) {
    std::atomic<uint64_t> done{0};
    std::atomic<int> running{static_cast<int>(shares.size())};
    std::vector<std::thread> workers;
    for (size_t t = 0; t < shares.size(); ++t) {
        workers.emplace_back([&, t] {
            for (uint64_t left = shares[t]; left > 0;) {
                const uint64_t now = std::min(left, chunk);
                play(static_cast<int>(t), now);
                left -= now;
                done += now;
            }
            --running;
        });
    }
    while (progress && running > 0) {
        progress(done * scale);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    for (std::thread& worker : workers)
        worker.join();
}
