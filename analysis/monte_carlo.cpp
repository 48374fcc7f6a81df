#include "analysis/monte_carlo.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>
#include <stdexcept>
#include <vector>

#include "analysis/normal_quantiles.h"
#include "analysis/played_spins.h"

namespace {

constexpr uint64_t SPINS_PER_PROGRESS_COUNT = 1 << 16;

// One thread's share of the run.
class Player {
public:
    Player(const std::string& path, const SimRequest& request, const OutcomeTable* table,
           int stream)
        : source_(path, request.bet, request.mode, table, StreamOf(request.seed, stream)),
          counts_(table ? table->amounts.size() + 2 * COUNT_PAD : 0) {}

    void Play(uint64_t spins) {
        const OutcomeTable* table = source_.Table();
        if (!table) {
            for (uint64_t n = 0; n < spins; ++n)
                ++others_[source_.FromEngine()];
            return;
        }
        // The series of free re-spins are played after the chunk's first spins: the played
        // spins are independent, and a branch on every spin that guesses wrong one time in
        // a few costs more than the rest of the spin.
        seriesTries_.resize(spins);
        uint16_t* tries = seriesTries_.data();
        uint64_t* counts = counts_.data() + COUNT_PAD;
        const OutcomeTable::Cell* cells = table->cells.data();
        const EntryTables reels = table->entries;
        size_t series = 0;
        Stream stream = source_.stream;
        for (uint64_t n = 0; n < spins; ++n) {
            const uint32_t drawn = reels.Draw(stream);
            const OutcomeTable::Cell outcome = cells[drawn & CELL_MASK];
            counts[outcome.win] += 1u - outcome.autoSpin;
            tries[series] = static_cast<uint16_t>((drawn >> NUDGE_SHIFT) + 1);
            series += outcome.autoSpin;
        }
        source_.stream = stream;
        for (size_t k = 0; k < series; ++k) {
            PlayedSpin played;
            played.nudgesTried = seriesTries_[k];
            const SpinSource::SeriesEnd end = source_.Series(played);
            if (end.index >= 0)
                ++counts[end.index];
            else
                ++others_[end.amount];
        }
    }

    void AddTo(std::map<int, uint64_t>& wins) const {
        const OutcomeTable* table = source_.Table();
        for (size_t k = 0; table && k < table->amounts.size(); ++k)
            if (counts_[COUNT_PAD + k])
                wins[table->amounts[k]] += counts_[COUNT_PAD + k];
        for (const auto& [amount, count] : others_)
            wins[amount] += count;
    }

private:
    SpinSource source_;
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
    return ProportionHalfWidth95(Hit(), spins);
}

// Every process sends its counts as pairs of amount and count; process 0 adds them up.
static std::map<int, uint64_t> GatherWins(const std::map<int, uint64_t>& mine,
                                          Distribution& cluster) {
    std::vector<int64_t> flat;
    for (const auto& [amount, count] : mine)
        flat.insert(flat.end(), {amount, static_cast<int64_t>(count)});
    const std::vector<int64_t> all = cluster.GatherAtRoot(flat);
    std::map<int, uint64_t> wins;
    for (size_t k = 0; k + 1 < all.size(); k += 2)
        wins[static_cast<int>(all[k])] += static_cast<uint64_t>(all[k + 1]);
    return wins;
}

SimResult RunMonteCarlo(const std::string& path, const SimRequest& request,
                        const SimProgress& progress, Distribution& cluster) {
    const auto start = std::chrono::steady_clock::now();
    OutcomeTable table;
    bool tabled = false;
    {
        QuietMachine machine(path);
        tabled = request.weights == EntryWeights::Ideal && !request.engineOnly &&
                 BuildTable(*machine.machine, request.bet, request.mode, table);
    }
    if (request.weights == EntryWeights::Ideal && !tabled)
        throw std::runtime_error(
            request.engineOnly
                ? "the engine's own spins draw from its generator: give --weights engine"
                : "too large for an outcome table, which independent draws need; --weights "
                  "engine plays the engine's own spins");
    const int threads = std::max(1, request.threads);
    const auto players = PlayStreams<Player>(
        request.spins, threads, SPINS_PER_PROGRESS_COUNT, cluster, progress, [&](int stream) {
            return std::make_unique<Player>(path, request, tabled ? &table : nullptr, stream);
        });

    SimResult result;
    result.spins = request.spins;
    result.bet = request.bet;
    result.outcomeTable = tabled;
    result.weights = request.weights;
    for (const auto& player : players)
        player->AddTo(result.wins);
    result.wins = GatherWins(result.wins, cluster);
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return result;
}
