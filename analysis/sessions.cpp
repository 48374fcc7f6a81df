#include "analysis/sessions.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <vector>

#include "analysis/normal_quantiles.h"
#include "analysis/played_spins.h"

namespace {

constexpr uint64_t SESSIONS_PER_PROGRESS_COUNT = 256;

// One stream's sessions.
class SessionPlayer {
public:
    SessionPlayer(const std::string& path, const SessionRequest& request, const OutcomeTable* table,
                  int stream)
        : source_(path, request.bet, request.mode, table, StreamOf(request.seed, stream)),
          request_(request) {
        for (size_t k = 0; table && k < table->amounts.size(); ++k)
            change_.push_back(int64_t{table->amounts[k]} - request.bet);
    }

    void Play(uint64_t sessions) {
        for (uint64_t s = 0; s < sessions; ++s)
            source_.Table() ? Tally(FromTable()) : Tally(FromEngine());
    }

    void AddTo(SessionResult& result) const {
        for (const auto& [n, count] : lengths_)
            result.lengths[n] += count;
        for (const auto& [n, count] : finals_)
            result.finals[n] += count;
        for (const auto& [n, count] : highs_)
            result.highs[n] += count;
        result.ranOut += ranOut_;
        result.reached += reached_;
        result.ahead += ahead_;
    }

private:
    struct Session {
        uint64_t spins;
        int64_t credits;
        int64_t highest;
    };

    // One comparison tells both limits of the credits: at least the bet, below the goal.
    bool Playing(int64_t credits) const {
        return static_cast<uint64_t>(credits - request_.bet) <
               static_cast<uint64_t>(request_.goal - request_.bet);
    }

    // The hot loop of the sessions: everything it reads is a local copy, so that it lives in
    // registers; the rarer series of free re-spins are played out of line.
    Session FromTable() {
        const OutcomeTable& table = *source_.Table();
        const EntryTables reels = table.entries;
        const OutcomeTable::Cell* cells = table.cells.data();
        const int64_t* change = change_.data();
        const uint64_t mostSpins = request_.spins;
        uint64_t spins = 0;
        int64_t credits = request_.credits, highest = credits;
        Stream stream = source_.stream;
        while (spins < mostSpins && Playing(credits)) {
            const uint32_t drawn = reels.Draw(stream);
            const OutcomeTable::Cell outcome = cells[drawn & CELL_MASK];
            ++spins;
            int64_t gained = change[outcome.win];
            if (outcome.autoSpin) [[unlikely]] {
                const SeriesEnd end = Series(stream, drawn);
                stream = end.stream;
                gained = end.gained;
            }
            credits += gained;
            highest = std::max(highest, credits);
        }
        source_.stream = stream;
        return {spins, credits, highest};
    }

    struct SeriesEnd {
        int64_t gained; // the credits the played spin adds, its bet taken
        Stream stream;
    };

    // The free re-spins after a first spin that drew `drawn`, played here while neither cap
    // of a played spin is in reach, which is nearly always; the source plays the rest.
    [[gnu::noinline]] SeriesEnd Series(Stream stream, uint32_t drawn) {
        const OutcomeTable& table = *source_.Table();
        const EntryTables reels = table.entries;
        const OutcomeTable::Cell* cells = table.cells.data();
        const bool play = source_.Mode() == SpinMode::Play;
        const int mostRespins = play ? MAX_PLAY_RESPINS : MAX_AUTO_SPINS;
        const int mostTries = play ? MAX_PLAY_NUDGES - table.mostNudges - 1 : INT32_MAX;
        int respins = 0;
        int nudgesTried = static_cast<int>(drawn >> NUDGE_SHIFT) + 1;
        OutcomeTable::Cell outcome{0, 1};
        while (respins < mostRespins && nudgesTried <= mostTries) {
            ++respins;
            drawn = reels.Draw(stream);
            nudgesTried += static_cast<int>(drawn >> NUDGE_SHIFT) + 1;
            outcome = cells[drawn & CELL_MASK];
            if (!outcome.autoSpin && outcome.win != 0)
                return {change_[outcome.win], stream};
        }
        PlayedSpin played;
        played.respins = respins;
        played.nudgesTried = nudgesTried;
        source_.stream = stream;
        const SpinSource::SeriesEnd end = source_.Series(played, outcome.win);
        const int64_t gained = end.index >= 0 ? change_[end.index] : end.amount - request_.bet;
        return {gained, source_.stream};
    }

    Session FromEngine() {
        Session s{0, request_.credits, request_.credits};
        while (s.spins < request_.spins && Playing(s.credits)) {
            ++s.spins;
            s.credits += source_.FromEngine() - request_.bet;
            s.highest = std::max(s.highest, s.credits);
        }
        return s;
    }

    void Tally(const Session& s) {
        ++lengths_[static_cast<int64_t>(s.spins)];
        ++finals_[s.credits];
        ++highs_[s.highest];
        ranOut_ += s.credits < request_.bet && s.spins < request_.spins;
        reached_ += s.credits >= request_.goal;
        ahead_ += s.credits > request_.credits;
    }

    SpinSource source_;
    const SessionRequest& request_;
    std::vector<int64_t> change_; // per amount of the table: the credits a spin paying it adds
    std::map<int64_t, uint64_t> lengths_, finals_, highs_;
    uint64_t ranOut_ = 0, reached_ = 0, ahead_ = 0;
};

// A process's tallies as one run of numbers: the three counts, then each histogram as its
// size followed by value, count pairs.
std::vector<int64_t> Flatten(const SessionResult& r) {
    std::vector<int64_t> flat{static_cast<int64_t>(r.ranOut), static_cast<int64_t>(r.reached),
                              static_cast<int64_t>(r.ahead)};
    for (const auto* counts : {&r.lengths, &r.finals, &r.highs}) {
        flat.push_back(static_cast<int64_t>(counts->size()));
        for (const auto& [value, count] : *counts)
            flat.insert(flat.end(), {value, static_cast<int64_t>(count)});
    }
    return flat;
}

void AddFlat(const std::vector<int64_t>& flat, SessionResult& r) {
    for (size_t k = 0; k < flat.size();) {
        r.ranOut += flat[k++];
        r.reached += flat[k++];
        r.ahead += flat[k++];
        for (auto* counts : {&r.lengths, &r.finals, &r.highs})
            for (int64_t n = flat[k++]; n > 0; --n, k += 2)
                (*counts)[flat[k]] += static_cast<uint64_t>(flat[k + 1]);
    }
}

} // namespace

uint64_t SessionResult::SpinsPlayed() const {
    uint64_t spins = 0;
    for (const auto& [n, count] : lengths)
        spins += static_cast<uint64_t>(n) * count;
    return spins;
}

// What came back is what the sessions end with, less what they started with, plus what
// they bet.
double SessionResult::Rtp() const {
    const long double spins = SpinsPlayed();
    if (spins == 0)
        return 0;
    long double returned = spins * request.bet;
    for (const auto& [credits, count] : finals)
        returned += static_cast<long double>(credits - request.credits) * count;
    return static_cast<double>(returned / (spins * request.bet));
}

double SessionResult::Share(uint64_t count) const {
    return request.sessions ? static_cast<double>(count) / request.sessions : 0;
}

double SessionResult::HalfWidth(uint64_t count) const {
    return ProportionHalfWidth95(Share(count), request.sessions);
}

Percentiles PercentilesOf(const std::map<int64_t, uint64_t>& counts,
                          std::initializer_list<int> percents) {
    Percentiles p;
    uint64_t total = 0;
    long double sum = 0;
    for (const auto& [value, count] : counts) {
        total += count;
        sum += static_cast<long double>(value) * count;
    }
    if (total == 0)
        return p;
    p.mean = static_cast<double>(sum / total);
    for (const int percent : percents) {
        // The rank of the percentile, 1 to total, in whole numbers to stay exact.
        const uint64_t rank = std::max<uint64_t>(
            1, static_cast<uint64_t>((static_cast<unsigned __int128>(total) * percent + 99) / 100));
        uint64_t seen = 0;
        for (const auto& [value, count] : counts) {
            seen += count;
            if (seen >= rank) {
                p.at[percent] = value;
                break;
            }
        }
    }
    return p;
}

SessionResult RunSessions(const std::string& path, const SessionRequest& request,
                          const std::function<void(uint64_t done, uint64_t total)>& progress,
                          Distribution& cluster) {
    const auto start = std::chrono::steady_clock::now();
    OutcomeTable table;
    bool tabled = false;
    {
        QuietMachine machine(path);
        tabled = BuildTable(*machine.machine, request.bet, request.mode, table);
    }
    const int threads = std::max(1, request.threads);
    const auto players = PlayStreams<SessionPlayer>(
        request.sessions, threads, SESSIONS_PER_PROGRESS_COUNT, cluster, progress, [&](int stream) {
            return std::make_unique<SessionPlayer>(path, request, tabled ? &table : nullptr,
                                                   stream);
        });
    SessionResult mine;
    for (const auto& player : players)
        player->AddTo(mine);
    SessionResult result;
    result.request = request;
    result.outcomeTable = tabled;
    AddFlat(cluster.GatherAtRoot(Flatten(mine)), result);
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return result;
}
