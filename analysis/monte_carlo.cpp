#include "analysis/monte_carlo.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <map>
#include <stdexcept>
#include <thread>
#include <vector>

#include "analysis/normal_quantiles.h"
#include "engine/random.h"
#include "play/play_steps.h"

namespace {

constexpr uint64_t SPINS_PER_PROGRESS_COUNT = 1 << 16;
constexpr uint64_t MOST_CELLS = uint64_t{1} << 22; // a larger table is not worth its memory

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

Stream ThreadStream(uint64_t seed, int thread) {
    Stream mixer{seed};
    for (int t = 0; t < thread; ++t)
        mixer.Next();
    return {mixer.Next() ^ (0xD1B54A32D192ED03ull * static_cast<uint64_t>(thread + 1))};
}

// An independent draw of one of n entries from 32 random bits: each entry takes 2^32 / n of
// the numbers, give or take one, so no entry is off its share by more than one part in 2^24.
uint32_t EntryOf(uint32_t bits, uint32_t n) {
    return static_cast<uint32_t>((static_cast<uint64_t>(bits) * n) >> 32);
}

// Per spin-table entry, its rest class's place in the cells (a mixed-radix digit) in the low
// bits and its nudges above them, so that one sum over the reels gives both.
constexpr int NUDGE_SHIFT = 22;
static_assert(MOST_CELLS <= uint64_t{1} << NUDGE_SHIFT);
static_assert((MAX_STOPS * MAX_REELS) << NUDGE_SHIFT <= UINT32_MAX);
constexpr uint32_t CELL_MASK = (1u << NUDGE_SHIFT) - 1;

struct OutcomeTable {
    struct Cell {
        uint8_t win;      // index into amounts
        uint8_t autoSpin; // an autospin symbol on the pay line
    };
    int numReels = 0;
    // Per spin-table entry: its place and nudges. A reel not in use has the one entry 0,
    // worth nothing, so that every spin looks up four reels without a loop.
    std::vector<uint32_t> byEntry[MAX_REELS];
    std::vector<int> stops[MAX_REELS]; // per entry: the stop drawn, before nudges
    std::vector<Cell> cells;
    std::vector<int> amounts{0};
};

// False when the machine is too large for a table or its nudges never rest. Rest stops that
// show the pay table alike (equal VerdictKey) are one class, judged through its first stop.
bool BuildTable(SlotMachine& machine, const SimRequest& request, OutcomeTable& table) {
    const std::vector<ReelOutcome> reels = ReelOutcomes(machine, request.mode);
    table.numReels = machine.NumReels;
    for (int i = machine.NumReels; i < MAX_REELS; ++i)
        table.byEntry[i] = {0};
    uint64_t cells = 1;
    std::vector<std::vector<int>> restStops(reels.size());
    for (int i = 0; i < machine.NumReels; ++i) {
        const ReelOutcome& reel = reels[i];
        if (reel.endless)
            return false;
        std::vector<int>& rest = restStops[i];
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
        cells *= rest.size();
        if (cells > MOST_CELLS)
            return false;
    }
    table.cells.resize(cells);
    for (uint64_t cell = 0; cell < cells; ++cell) {
        bool autoSpin = false;
        uint64_t rest = cell;
        for (int i = 0; i < machine.NumReels; ++i) {
            machine.Position[i] = restStops[i][rest % restStops[i].size()];
            rest /= restStops[i].size();
            autoSpin = autoSpin || (machine.SymbolAt(i, 1).flags & SYM_AUTOSPIN);
        }
        const int amount = machine.Evaluate(request.bet);
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

// One thread's share of the run.
class Player {
public:
    Player(const std::string& path, const SimRequest& request, const OutcomeTable* table,
           int thread)
        : own_(path), machine_(*own_.machine), request_(request), table_(table),
          stream_(ThreadStream(request.seed, thread)),
          counts_(table ? table->amounts.size() + 2 * COUNT_PAD : 0) {}

    void Play(uint64_t spins) {
        if (!table_) {
            for (uint64_t n = 0; n < spins; ++n)
                ++others_[FromEngine()];
            return;
        }
        // The series of free re-spins are played after the chunk's first spins: the played
        // spins are independent, and a branch on every spin that guesses wrong one time in
        // a few costs more than the rest of the spin.
        const OutcomeTable& t = *table_;
        seriesTries_.resize(spins);
        uint16_t* tries = seriesTries_.data();
        uint64_t* counts = counts_.data() + COUNT_PAD;
        const OutcomeTable::Cell* cells = t.cells.data();
        size_t series = 0;
        Stream stream = stream_;
        uint32_t entries[MAX_REELS];
        for (uint64_t n = 0; n < spins; ++n) {
            const uint32_t drawn = Draw(stream, entries);
            const OutcomeTable::Cell outcome = cells[drawn & CELL_MASK];
            counts[outcome.win] += 1u - outcome.autoSpin;
            tries[series] = static_cast<uint16_t>((drawn >> NUDGE_SHIFT) + 1);
            series += outcome.autoSpin;
        }
        stream_ = stream;
        for (size_t k = 0; k < series; ++k) {
            PlayedSpin played;
            played.nudgesTried = seriesTries_[k];
            const int win = Series(played);
            if (win >= 0)
                ++counts[win];
        }
    }

    void AddTo(std::map<int, uint64_t>& wins) const {
        for (size_t k = 0; table_ && k < table_->amounts.size(); ++k)
            if (counts_[COUNT_PAD + k])
                wins[table_->amounts[k]] += counts_[COUNT_PAD + k];
        for (const auto& [amount, count] : others_)
            wins[amount] += count;
    }

private:
    // Where the spin's reels rest and how many nudges took them there; the reels draw their
    // entries independently, 32 random bits each.
    uint32_t Draw(Stream& stream, uint32_t* entries) const {
        static_assert(MAX_REELS == 4);
        const uint64_t low = stream.Next(), high = stream.Next();
        const uint32_t bits[MAX_REELS] = {
            static_cast<uint32_t>(low), static_cast<uint32_t>(low >> 32),
            static_cast<uint32_t>(high), static_cast<uint32_t>(high >> 32)};
        uint32_t sum = 0;
        for (int i = 0; i < MAX_REELS; ++i) {
            const std::vector<uint32_t>& reel = table_->byEntry[i];
            entries[i] = EntryOf(bits[i], static_cast<uint32_t>(reel.size()));
            sum += reel[entries[i]];
        }
        return sum;
    }

    // The re-spins after a first spin that showed an autospin symbol: the index of the amount
    // paid, or -1 when the spin ended in the engine's hands (counted in others_ then). A
    // strip's nudges number fewer than MAX_PLAY_NUDGES, so the first spin never reaches that
    // cap; a series may, and re-spins have their own.
    int Series(PlayedSpin& played) {
        const bool play = request_.mode == SpinMode::Play;
        const int mostRespins = play ? MAX_PLAY_RESPINS : MAX_AUTO_SPINS;
        int win = 0;
        for (;;) {
            if (played.respins >= mostRespins)
                return win;
            ++played.respins;
            const uint32_t drawn = Draw(stream_, last_);
            if (play) {
                const int nudges = static_cast<int>(drawn >> NUDGE_SHIFT);
                // The play control stops nudging part way: the engine plays the rest.
                if (played.nudgesTried + nudges + 1 > MAX_PLAY_NUDGES) {
                    ++others_[HandOver(last_, played)];
                    return -1;
                }
                played.nudgesTried += nudges + 1;
            }
            const OutcomeTable::Cell outcome = table_->cells[drawn & CELL_MASK];
            win = outcome.win;
            if (!outcome.autoSpin && win != 0)
                return win;
        }
    }

    // The spin that drew the entries is a re-spin of a series. The engine's re-spins after
    // it draw from its own generator: a rare played spin, not worth a path of its own.
    int HandOver(const uint32_t* entries, PlayedSpin played) {
        for (int i = 0; i < table_->numReels; ++i)
            machine_.Position[i] = table_->stops[i][entries[i]];
        machine_.Bet = 0;
        machine_.LastBet = request_.bet;
        machine_.Win = machine_.Pending = machine_.Evaluate(request_.bet);
        machine_.AutoSpin = 1;
        Random::Seed(static_cast<uint32_t>(stream_.Next()));
        EngineMoves moves(machine_);
        while (NextPlayStep(machine_, played, moves) != PlayStep::Settled) {
        }
        return machine_.Pending;
    }

    int FromEngine() {
        Random::Seed(static_cast<uint32_t>(stream_.Next()));
        if (request_.mode == SpinMode::Run) {
            machine_.Spin(request_.bet, 1, 1);
            return machine_.Win;
        }
        machine_.Spin(request_.bet, 0, 0);
        PlayedSpin played;
        EngineMoves moves(machine_);
        while (NextPlayStep(machine_, played, moves) != PlayStep::Settled) {
        }
        return machine_.Pending;
    }

    QuietMachine own_;
    SlotMachine& machine_;
    const SimRequest& request_;
    const OutcomeTable* table_;
    Stream stream_;
    uint32_t last_[MAX_REELS] = {}; // the entries of the latest re-spin
    // Counted every spin by this thread alone: a cache line of padding on either side keeps
    // another thread's counts, allocated next to them, from sharing their line.
    static constexpr size_t COUNT_PAD = 64 / sizeof(uint64_t);
    std::vector<uint64_t> counts_;
    std::vector<uint16_t> seriesTries_; // nudges tried in the first spin of each series
    std::map<int, uint64_t> others_;
};

} // namespace

double SimResult::Rtp() const {
    long double sum = 0;
    for (const auto& [amount, count] : wins)
        sum += static_cast<long double>(amount) * count;
    return spins ? static_cast<double>(sum / spins / bet) : 0;
}

double SimResult::StandardDeviation() const {
    if (spins < 2)
        return 0;
    const long double mean = Rtp();
    long double squares = 0;
    for (const auto& [amount, count] : wins) {
        const long double d = static_cast<long double>(amount) / bet - mean;
        squares += d * d * count;
    }
    return static_cast<double>(std::sqrt(squares / (spins - 1)));
}

double SimResult::RtpHalfWidth() const {
    return spins ? NORMAL_QUANTILE_95 * StandardDeviation() / std::sqrt(static_cast<double>(spins))
                 : 0;
}

double SimResult::Hit() const {
    const auto unpaid = wins.find(0);
    const uint64_t none = unpaid == wins.end() ? 0 : unpaid->second;
    return spins ? static_cast<double>(spins - none) / spins : 0;
}

double SimResult::HitHalfWidth() const {
    const double p = Hit();
    return spins ? NORMAL_QUANTILE_95 * std::sqrt(p * (1 - p) / spins) : 0;
}

SimResult RunMonteCarlo(const std::string& path, const SimRequest& request,
                        const SimProgress& progress) {
    const auto start = std::chrono::steady_clock::now();
    OutcomeTable table;
    bool tabled = false;
    {
        QuietMachine machine(path);
        tabled = request.weights == EntryWeights::Ideal && !request.engineOnly &&
                 BuildTable(*machine.machine, request, table);
    }
    if (request.weights == EntryWeights::Ideal && !tabled)
        throw std::runtime_error(
            request.engineOnly
                ? "the engine's own spins draw from its generator: give --weights engine"
                : "too large for an outcome table, which independent draws need; --weights "
                  "engine plays the engine's own spins");
    const int threads = std::max(1, request.threads);
    std::vector<std::unique_ptr<Player>> players;
    for (int t = 0; t < threads; ++t)
        players.push_back(std::make_unique<Player>(path, request, tabled ? &table : nullptr, t));

    std::atomic<uint64_t> done{0};
    std::atomic<int> running{threads};
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        const uint64_t share = request.spins / threads + (uint64_t(t) < request.spins % threads);
        workers.emplace_back([&, t, share] {
            for (uint64_t left = share; left > 0;) {
                const uint64_t now = std::min(left, SPINS_PER_PROGRESS_COUNT);
                players[t]->Play(now);
                left -= now;
                done += now;
            }
            --running;
        });
    }
    while (progress && running > 0) {
        progress(done, request.spins);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    for (std::thread& worker : workers)
        worker.join();
    if (progress)
        progress(done, request.spins);

    SimResult result;
    result.spins = request.spins;
    result.bet = request.bet;
    result.outcomeTable = tabled;
    result.weights = request.weights;
    for (const auto& player : players)
        player->AddTo(result.wins);
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return result;
}
