#include "analysis/monte_carlo.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "engine/random.h"
#include "play/play_steps.h"
#include "analysis/normal_quantiles.h"

namespace {

constexpr uint64_t SPINS_PER_PROGRESS_COUNT = 1 << 16;
constexpr uint64_t MOST_CELLS = uint64_t{1} << 22; // a larger table is not worth its memory
constexpr int RANDOM_BITS = 15;

// wyrand: one multiply per 64 bits, which hold four of the machine's 15-bit numbers, one per
// reel; its streams from different seeds do not meet within any run we could make.
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

// r mod n for r below 2^15 and n up to 256 with a multiply: exact, since r times the
// rounding error of 2^32 / n stays below 2^32.
struct Modulo {
    uint32_t n = 1;
    uint64_t inverse = uint64_t{1} << 32;
    explicit Modulo(uint32_t divisor = 1) : n(divisor), inverse(0xFFFFFFFFull / divisor + 1) {}
    uint32_t Of(uint32_t r) const { return r - static_cast<uint32_t>((r * inverse) >> 32) * n; }
};

// Per spin-table entry, its rest stop's place in the cells (a mixed-radix digit) in the low
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
    Modulo entries[MAX_REELS];
    // Per 15-bit random number: the place and nudges of the entry it lands on; a look-up is
    // quicker than the modulo. A reel not in use has the one number 0 (mask 0), worth
    // nothing, so that every spin looks up four reels without a loop.
    std::vector<uint32_t> byNumber[MAX_REELS];
    uint32_t mask[MAX_REELS] = {};
    std::vector<int> stops[MAX_REELS]; // per entry: the stop drawn, before nudges
    std::vector<Cell> cells;
    std::vector<int> amounts{0};
};

// False when the machine is too large for a table or its nudges never rest.
bool BuildTable(SlotMachine& machine, const SimRequest& request, OutcomeTable& table) {
    const std::vector<ReelOutcome> reels =
        ReelOutcomes(machine, request.mode, EntryWeights::Generator);
    table.numReels = machine.NumReels;
    for (int i = machine.NumReels; i < MAX_REELS; ++i)
        table.byNumber[i] = {0};
    uint64_t cells = 1;
    std::vector<std::vector<int>> restStops(reels.size());
    for (int i = 0; i < machine.NumReels; ++i) {
        const ReelOutcome& reel = reels[i];
        if (reel.endless)
            return false;
        std::vector<int>& rest = restStops[i];
        for (int stop : reel.rest)
            if (std::find(rest.begin(), rest.end(), stop) == rest.end())
                rest.push_back(stop);
        const size_t entries = reel.rest.size();
        table.entries[i] = Modulo(static_cast<uint32_t>(entries));
        std::vector<uint32_t> packed;
        for (size_t e = 0; e < entries; ++e) {
            const size_t place = std::find(rest.begin(), rest.end(), reel.rest[e]) - rest.begin();
            packed.push_back(static_cast<uint32_t>(place * cells) |
                             static_cast<uint32_t>(reel.nudges[e]) << NUDGE_SHIFT);
            table.stops[i].push_back(machine.Reels[i].numspin > 0 ? machine.Reels[i].spin[e] : 0);
        }
        for (uint32_t r = 0; r <= Random::RANDOM_MAX; ++r)
            table.byNumber[i].push_back(packed[table.entries[i].Of(r)]);
        table.mask[i] = Random::RANDOM_MAX;
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

class EngineMoves : public PlayMoves {
public:
    explicit EngineMoves(SlotMachine& machine) : machine_(machine) {}
    int Nudge() override { return machine_.Nudge(0); }
    void Respin() override { machine_.Spin(-1, 0, 0); }

private:
    SlotMachine& machine_;
};

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
        const uint32_t* reel[MAX_REELS];
        for (int i = 0; i < MAX_REELS; ++i)
            reel[i] = t.byNumber[i].data();
        const uint32_t m0 = t.mask[0], m1 = t.mask[1], m2 = t.mask[2], m3 = t.mask[3];
        size_t series = 0;
        Stream stream = stream_;
        for (uint64_t n = 0; n < spins; ++n) {
            const uint64_t bits = stream.Next();
            const uint32_t drawn = reel[0][bits & m0] + reel[1][(bits >> RANDOM_BITS) & m1] +
                                   reel[2][(bits >> (2 * RANDOM_BITS)) & m2] +
                                   reel[3][(bits >> (3 * RANDOM_BITS)) & m3];
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
    // Where the spin's reels rest and how many nudges took them there.
    uint32_t Draw() {
        const OutcomeTable& t = *table_;
        const uint64_t bits = stream_.Next();
        uint32_t sum = 0;
        static_assert(MAX_REELS == 4);
        sum += t.byNumber[0][bits & t.mask[0]];
        sum += t.byNumber[1][(bits >> RANDOM_BITS) & t.mask[1]];
        sum += t.byNumber[2][(bits >> (2 * RANDOM_BITS)) & t.mask[2]];
        sum += t.byNumber[3][(bits >> (3 * RANDOM_BITS)) & t.mask[3]];
        last_ = bits;
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
            const uint32_t drawn = Draw();
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

    // The spin drawn from bits is a re-spin of a series.
    int HandOver(uint64_t bits, PlayedSpin played) {
        for (int i = 0; i < table_->numReels; ++i) {
            const uint32_t r = (bits >> (RANDOM_BITS * i)) & Random::RANDOM_MAX;
            machine_.Position[i] = table_->stops[i][table_->entries[i].Of(r)];
        }
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
    uint64_t last_ = 0; // the random bits of the latest spin
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
        tabled = !request.engineOnly && BuildTable(*machine.machine, request, table);
    }
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
    for (const auto& player : players)
        player->AddTo(result.wins);
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return result;
}
