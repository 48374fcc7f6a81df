#include "analysis/tune.h"

#include <algorithm>
#include <limits>
#include <numeric>

namespace {

using Wide = unsigned __int128;

// The judged tuning takes at most this many rounds of the ideal search.
constexpr int MOST_ROUNDS = 8;
constexpr int AIM_NARROWER = 4;
// Whatever figure it gives, no search goes on for ever: each step comes closer to the target,
// and this many steps end it anyway.
constexpr int MOST_STEPS = 4096;
// The classes of rest stops of all reels combine to at most this many verdicts kept in memory.
constexpr size_t MOST_COMBINATIONS = size_t{1} << 24;
// A verdict that shows an autospin symbol: it starts a series whatever it pays.
constexpr int STARTS_SERIES = -1;

// The weight of the first spins of a played spin, as the par sheet sums them: the credits of
// those that pay and show no autospin symbol, their weight, the weight of those that start a
// series of re-spins, and of those that pay nothing.
struct Sums {
    Wide credits = 0;
    Wide ending = 0;
    Wide starting = 0;
    Wide unpaid = 0;

    void Add(const Sums& other, Wide times) {
        credits += other.credits * times;
        ending += other.ending * times;
        starting += other.starting * times;
        unpaid += other.unpaid * times;
    }
};

mpz_class Z(Wide value) {
    mpz_class z;
    const uint64_t halves[2] = {static_cast<uint64_t>(value), static_cast<uint64_t>(value >> 64)};
    mpz_import(z.get_mpz_t(), 2, -1, sizeof halves[0], 0, 0, halves);
    return z;
}

// As the par sheet's chain of re-spins: RTP = credits (Q + A) / (T Q bet), hit = 1 - U / T.
struct Figures {
    mpq_class rtp;
    mpq_class hit;
    bool endless = false;
};

Figures ExactFigures(const Sums& s, Wide total, int bet) {
    Figures f;
    f.endless = s.ending == 0 && s.starting > 0;
    if (f.endless)
        return f;
    if (s.ending > 0)
        f.rtp =
            mpq_class(Z(s.credits) * (Z(s.ending) + Z(s.starting)), Z(total) * Z(s.ending) * bet);
    f.rtp.canonicalize();
    f.hit = 1 - mpq_class(Z(s.unpaid), Z(total));
    f.hit.canonicalize();
    return f;
}

// The squared distance from the target, in tolerances: below 1 on each figure is reached.
long double Distance(const Sums& s, Wide total, const TuneRequest& request) {
    using LD = long double;
    if (s.ending == 0 && s.starting > 0)
        return std::numeric_limits<LD>::infinity();
    const LD rtp = s.ending == 0 ? 0
                                 : LD(s.credits) * (LD(s.ending) + LD(s.starting)) /
                                       (LD(total) * LD(s.ending) * request.bet);
    const LD r = (rtp - request.rtp.get_d()) * request.narrower / RTP_TOLERANCE.get_d();
    if (!request.hit)
        return r * r;
    const LD hit = 1 - LD(s.unpaid) / LD(total);
    const LD h = (hit - request.hit->get_d()) * request.narrower / HIT_TOLERANCE.get_d();
    return r * r + h * h;
}

// Some stops' entries changed by some amounts on one reel.
struct Move {
    int reel = -1;
    std::vector<std::pair<int, int>> changes; // stop, entries added (removed when negative)
    long double distance = 0;
};

class Search {
public:
    Search(SlotMachine& machine, const TuneRequest& request)
        : machine_(machine), request_(request), reels_(machine.NumReels) {
        FindClasses();
        JudgeCombinations();
    }

    // From the start, the move that comes closest, as long as one comes closer.
    TuneResult Descend(StopWeights weights) {
        weights_ = std::move(weights);
        classWeights_.assign(reels_, {});
        for (int i = 0; i < reels_; ++i)
            classWeights_[i] = ClassWeights(i, weights_[i]);
        SumByClass();
        TuneResult result;
        long double distance = Distance(Total(), TotalWeight(), request_);
        for (; result.steps < MOST_STEPS && !ReachedNow(); ++result.steps) {
            Move best{.reel = -1, .changes = {}, .distance = distance};
            for (int i = 0; i < reels_; ++i)
                if (!Kept(i))
                    TrySingles(i, best);
            for (int i = 0; i < reels_ && best.reel < 0; ++i)
                if (!Kept(i))
                    TryPairs(i, best);
            if (best.reel < 0)
                break;
            for (const auto& [stop, added] : best.changes)
                weights_[best.reel][stop] += added;
            classWeights_[best.reel] = ClassWeights(best.reel, weights_[best.reel]);
            SumByClass();
            distance = best.distance;
        }
        result.weights = weights_;
        result.reached = ReachedNow();
        return result;
    }

    long double DistanceOf(const StopWeights& weights) {
        weights_ = weights;
        for (int i = 0; i < reels_; ++i)
            classWeights_[i] = ClassWeights(i, weights_[i]);
        SumByClass();
        return Distance(Total(), TotalWeight(), request_);
    }

private:
    bool Kept(int reel) const {
        const std::vector<int>& kept = request_.keptReels;
        return std::find(kept.begin(), kept.end(), reel) != kept.end();
    }

    // Where a reel drawn onto the stop comes to rest, as the par sheet follows it (a sheet
    // whose nudges never rest is not tuned).
    int RestStop(int reel, int stop) {
        SlotMachine& m = machine_;
        m.Position[reel] = stop;
        if (request_.mode == SpinMode::Run)
            m.NudgeReel(reel);
        else
            for (int n = 0; n <= m.Reels[reel].numsym && m.NudgeReel(reel); ++n) {
            }
        return m.Position[reel];
    }

    // Each stop's class: that of the stop its entries rest on, by what it shows the judge.
    void FindClasses() {
        SlotMachine& m = machine_;
        classOf_.assign(reels_, {});
        classStop_.assign(reels_, {});
        for (int i = 0; i < reels_; ++i) {
            std::vector<std::array<uint32_t, 4>> keys;
            for (int k = 0; k < m.Reels[i].numsym; ++k) {
                const int rest = RestStop(i, k);
                const auto key = m.VerdictKey(i, rest);
                const auto at = std::find(keys.begin(), keys.end(), key);
                classOf_[i].push_back(static_cast<int>(at - keys.begin()));
                if (at == keys.end()) {
                    keys.push_back(key);
                    classStop_[i].push_back(rest);
                }
            }
        }
    }

    // Every combination of classes judged once; the weights change, the verdicts never do.
    void JudgeCombinations() {
        size_t count = 1;
        for (int i = 0; i < reels_; ++i)
            count *= classStop_[i].size();
        if (count > MOST_COMBINATIONS)
            throw std::length_error("its reels rest in " + std::to_string(count) +
                                    " combinations of distinct stops; tuning takes at most " +
                                    std::to_string(MOST_COMBINATIONS));
        verdicts_.resize(count);
        std::vector<int> index(reels_, 0);
        for (size_t n = 0; n < count; ++n) {
            bool series = false;
            for (int i = 0; i < reels_; ++i) {
                machine_.Position[i] = classStop_[i][index[i]];
                series = series || (machine_.SymbolAt(i, 1).flags & SYM_AUTOSPIN) != 0;
            }
            verdicts_[n] = series ? STARTS_SERIES : machine_.Judge(request_.bet).amount;
            Next(index);
        }
    }

    void Next(std::vector<int>& index) const {
        for (int i = reels_ - 1; i >= 0; --i) {
            if (++index[i] < static_cast<int>(classStop_[i].size()))
                return;
            index[i] = 0;
        }
    }

    // The weight of each class of a reel whose stops have these entries.
    std::vector<Wide> ClassWeights(int reel, const std::vector<int>& stopWeights) const {
        std::vector<Wide> weights(classStop_[reel].size(), 0);
        for (size_t k = 0; k < stopWeights.size(); ++k)
            weights[classOf_[reel][k]] += static_cast<Wide>(stopWeights[k]);
        return weights;
    }

    // Per reel and class: the sums over the other reels' classes, weighted, with that reel
    // showing that class. A change of one reel's weights is then a sum over its classes.
    void SumByClass() {
        byClass_.assign(reels_, {});
        for (int i = 0; i < reels_; ++i)
            byClass_[i].assign(classStop_[i].size(), Sums{});
        std::vector<int> index(reels_, 0);
        for (const int amount : verdicts_) {
            Sums one;
            (amount == STARTS_SERIES ? one.starting : amount == 0 ? one.unpaid : one.ending) = 1;
            one.credits = amount > 0 ? static_cast<Wide>(amount) : 0;
            for (int i = 0; i < reels_; ++i) {
                Wide others = 1;
                for (int j = 0; j < reels_; ++j)
                    others *= j == i ? 1 : classWeights_[j][index[j]];
                byClass_[i][index[i]].Add(one, others);
            }
            Next(index);
        }
    }

    Sums SumsWith(int reel, const std::vector<Wide>& weights) const {
        Sums s;
        for (size_t c = 0; c < weights.size(); ++c)
            s.Add(byClass_[reel][c], weights[c]);
        return s;
    }

    Wide OthersWeight(int reel) const {
        Wide w = 1;
        for (int j = 0; j < reels_; ++j)
            if (j != reel)
                w *= std::accumulate(classWeights_[j].begin(), classWeights_[j].end(), Wide{0});
        return w;
    }

    Sums Total() const { return reels_ ? SumsWith(0, classWeights_[0]) : Sums{}; }
    Wide TotalWeight() const { return OthersWeight(-1); }

    bool ReachedNow() const {
        const Figures f = ExactFigures(Total(), TotalWeight(), request_.bet);
        return !f.endless && Reached(f.rtp, f.hit, request_);
    }

    int Entries(int reel) const {
        return reel < 0 || reel >= reels_
                   ? 0
                   : std::accumulate(weights_[reel].begin(), weights_[reel].end(), 0);
    }

    // The stop of a class with the most entries: it can give most, and takes more without
    // touching another stop.
    int HeaviestStop(int reel, int cls) const {
        int best = -1;
        for (size_t k = 0; k < weights_[reel].size(); ++k)
            if (classOf_[reel][k] == cls && (best < 0 || weights_[reel][k] > weights_[reel][best]))
                best = static_cast<int>(k);
        return best;
    }

    void Consider(Move candidate, Move& best) {
        const int reel = candidate.reel;
        std::vector<Wide> weights = classWeights_[reel];
        for (const auto& [stop, added] : candidate.changes)
            weights[classOf_[reel][stop]] += static_cast<Wide>(added); // wraps back when < 0
        const Wide total =
            OthersWeight(reel) * std::accumulate(weights.begin(), weights.end(), Wide{0});
        candidate.distance = Distance(SumsWith(reel, weights), total, request_);
        if (candidate.distance < best.distance)
            best = std::move(candidate);
    }

    // One stop's entries, by as many as the limits allow. A reel takes no more entries than
    // the one to its left holds.
    void TrySingles(int reel, Move& best) {
        const int entries = Entries(reel);
        const int most = reel == 0 ? MAX_SPIN_ENTRIES : Entries(reel - 1);
        const int least = std::max(1, Entries(reel + 1));
        for (size_t cls = 0; cls < classStop_[reel].size(); ++cls) {
            const int stop = HeaviestStop(reel, static_cast<int>(cls));
            const int down = std::min(weights_[reel][stop] - 1, entries - least);
            const int up = most - entries;
            for (int t = -down; t <= up; ++t)
                if (t != 0)
                    Consider({reel, {{stop, t}}}, best);
        }
    }

    // Entries moved from one stop to another of the same reel: its total stays.
    void TryPairs(int reel, Move& best) {
        const int classes = static_cast<int>(classStop_[reel].size());
        for (int from = 0; from < classes; ++from) {
            const int giver = HeaviestStop(reel, from);
            for (int to = 0; to < classes; ++to) {
                if (to == from)
                    continue;
                const int taker = HeaviestStop(reel, to);
                for (int t = 1; t < weights_[reel][giver]; ++t)
                    Consider({reel, {{giver, -t}, {taker, t}}}, best);
            }
        }
    }

    SlotMachine& machine_;
    const TuneRequest& request_;
    const int reels_;
    std::vector<std::vector<int>> classOf_;   // per reel, per stop
    std::vector<std::vector<int>> classStop_; // per reel, per class: a rest stop of it
    std::vector<int> verdicts_;               // per combination of classes, reel 0 slowest
    StopWeights weights_;
    std::vector<std::vector<Wide>> classWeights_;
    std::vector<std::vector<Sums>> byClass_;
};

// Each free reel's entries multiplied as far as the limits allow: the odds stay, and a step
// of one entry becomes a finer one.
StopWeights Finer(StopWeights weights, const TuneRequest& request) {
    int left = MAX_SPIN_ENTRIES;
    for (size_t i = 0; i < weights.size(); ++i) {
        const int entries = std::accumulate(weights[i].begin(), weights[i].end(), 0);
        const bool kept = std::find(request.keptReels.begin(), request.keptReels.end(),
                                    static_cast<int>(i)) != request.keptReels.end();
        const int times = kept ? 1 : std::max(1, left / entries);
        for (int& w : weights[i])
            w *= times;
        left = entries * times;
    }
    return weights;
}

} // namespace

bool Reached(const mpq_class& rtp, const mpq_class& hit, const TuneRequest& request) {
    return abs(rtp - request.rtp) * request.narrower <= RTP_TOLERANCE &&
           (!request.hit || abs(hit - *request.hit) * request.narrower <= HIT_TOLERANCE);
}

TuneResult Tune(SlotMachine& machine, const TuneRequest& request) {
    Search search(machine, request);
    const StopWeights start = WeightsOf(machine);
    TuneResult result = search.Descend(start);
    const StopWeights finer = Finer(start, request);
    if (result.reached || finer == start)
        return result;
    const long double first = search.DistanceOf(result.weights);
    TuneResult second = search.Descend(finer);
    second.steps += result.steps;
    if (second.reached || search.DistanceOf(second.weights) < first)
        return second;
    result.steps = second.steps;
    return result;
}

TuneResult TuneJudged(SlotMachine& machine, const TuneRequest& request, const WeightsJudge& judge) {
    TuneRequest aim = request;
    TuneResult best;
    mpq_class bestMiss = -1;
    int steps = 0;
    for (int round = 1; round <= MOST_ROUNDS; ++round) {
        TuneResult result = Tune(machine, aim);
        steps = result.steps += steps;
        const JudgedFigures judged = judge(result.weights);
        result.rounds = round;
        result.reached = !judged.endless && Reached(judged.rtp, judged.hit, request);
        if (result.reached)
            return result;
        if (judged.endless) {
            best = bestMiss < 0 ? result : best;
            continue;
        }
        const mpq_class miss =
            abs(judged.rtp - request.rtp) / RTP_TOLERANCE +
            (request.hit ? mpq_class(abs(judged.hit - *request.hit) / HIT_TOLERANCE) : 0);
        if (bestMiss < 0 || miss < bestMiss) {
            best = result;
            bestMiss = miss;
        }
        // The judge's figures stand off the ideal ones by a little: aim that much the other way,
        // and closer than the tolerance, since the offset moves with the weights.
        aim.narrower = AIM_NARROWER;
        aim.rtp += request.rtp - judged.rtp;
        if (request.hit)
            *aim.hit += *request.hit - judged.hit;
    }
    best.steps = steps;
    return best;
}
