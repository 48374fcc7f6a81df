#include "analysis/par_sheet.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <thread>
#include <utility>

#include "analysis/generator_walk.h"
#include "play/play_steps.h"

namespace {

// One distinct stop a reel can rest on, with the weight of the entries that lead there.
struct RestStop {
    int stop = 0;
    uint64_t weight = 0;
    bool autoSpin = false;
};

std::vector<RestStop> RestStops(SlotMachine& machine, int reel, const ReelOutcome& outcome) {
    std::map<int, uint64_t> weights;
    for (size_t e = 0; e < outcome.rest.size(); ++e)
        weights[outcome.rest[e]] += 1;
    std::vector<RestStop> stops;
    for (const auto& [stop, weight] : weights) {
        machine.Position[reel] = stop;
        stops.push_back({stop, weight, (machine.SymbolAt(reel, 1).flags & SYM_AUTOSPIN) != 0});
    }
    return stops;
}

// Rest stops that show the pay table alike (equal verdict keys) are one class of their summed
// weight, judged through its first stop: every combination of them gets the same verdict.
std::vector<RestStop> Classes(const SlotMachine& machine, int reel,
                              const std::vector<RestStop>& stops) {
    std::map<std::array<uint32_t, 4>, size_t> seen;
    std::vector<RestStop> classes;
    for (const RestStop& stop : stops) {
        const auto [at, fresh] = seen.emplace(machine.VerdictKey(reel, stop.stop), classes.size());
        if (fresh)
            classes.push_back(stop);
        else
            classes[at->second].weight += stop.weight;
    }
    return classes;
}

ReelSummary Summarise(const SlotMachine& machine, int reel) {
    const SlotReel& strip = machine.Reels[reel];
    ReelSummary summary;
    for (int k = 0; k < strip.numsym; ++k) {
        // The record's place is the letter written on the reel line, defined or not.
        const char letter = static_cast<char>(strip.strip[k] - machine.Symbols);
        summary.strip += letter;
        ++summary.onStrip[letter];
    }
    for (int e = 0; e < strip.numspin; ++e)
        ++summary.inSpinTable[summary.strip[strip.spin[e]]];
    return summary;
}

// The weight of the outcomes that end a played spin's first spin, by amount and winning row;
// the outcomes that show an autospin symbol on the pay line are only weighed.
struct Tally {
    struct Bucket {
        int amount;
        int payoff;
        uint64_t weight;
    };
    std::vector<Bucket> paid;
    uint64_t unpaid = 0;
    uint64_t autoSpin = 0;

    void Add(const SlotMachine::Verdict& verdict, bool autoSpinShown, uint64_t weight) {
        if (autoSpinShown) {
            autoSpin += weight;
        } else if (verdict.amount == 0) {
            unpaid += weight;
        } else {
            for (Bucket& bucket : paid) {
                if (bucket.amount == verdict.amount && bucket.payoff == verdict.payoff) {
                    bucket.weight += weight;
                    return;
                }
            }
            paid.push_back({verdict.amount, verdict.payoff, weight});
        }
    }
    void Merge(const Tally& other) {
        unpaid += other.unpaid;
        autoSpin += other.autoSpin;
        for (const Bucket& bucket : other.paid) {
            Tally::Bucket* same = nullptr;
            for (Bucket& mine : paid)
                same = mine.amount == bucket.amount && mine.payoff == bucket.payoff ? &mine : same;
            if (same)
                same->weight += bucket.weight;
            else
                paid.push_back(bucket);
        }
    }
};

// Every combination whose first reel rests on one of the stops first[k], k = part, part +
// step, ...: the reels' weights multiply (the reels are drawn independently).
void TallyCombinations(SlotMachine& machine, const std::vector<std::vector<RestStop>>& reels,
                       int bet, int part, int step, Tally& tally) {
    const int numReels = static_cast<int>(reels.size());
    if (numReels == 0) {
        if (part == 0)
            tally.Add(machine.Judge(bet), false, 1);
        return;
    }
    int index[MAX_REELS] = {};
    uint64_t weight[MAX_REELS + 1] = {1};
    bool shown[MAX_REELS + 1] = {false};
    auto place = [&](int reel) {
        const RestStop& rest = reels[reel][index[reel]];
        machine.Position[reel] = rest.stop;
        weight[reel + 1] = weight[reel] * rest.weight;
        shown[reel + 1] = shown[reel] || rest.autoSpin;
    };
    const int firstCount = static_cast<int>(reels[0].size());
    for (index[0] = part; index[0] < firstCount; index[0] += step) {
        for (int i = 0; i < numReels; ++i) {
            index[i] = i == 0 ? index[0] : 0;
            place(i);
        }
        for (;;) {
            tally.Add(machine.Judge(bet), shown[numReels], weight[numReels]);
            int i = numReels - 1;
            while (i > 0 && ++index[i] == static_cast<int>(reels[i].size()))
                index[i--] = 0;
            if (i == 0)
                break;
            for (int k = i; k < numReels; ++k)
                place(k);
        }
    }
}

mpz_class Z(uint64_t value) {
    mpz_class z;
    mpz_import(z.get_mpz_t(), 1, 1, sizeof value, 0, 0, &value);
    return z;
}

mpq_class Q(const mpz_class& numerator, const mpz_class& denominator) {
    mpq_class q(numerator, denominator);
    q.canonicalize();
    return q;
}

// How played spins end: per amount its chance, per payoff row its chance, hits and share
// of the RTP.
struct Endings {
    std::map<int, mpq_class> chances;
    std::map<int, mpq_class> rowChances, rowShares;
    std::map<int, mpz_class> rowHits;

    void Add(int amount, int payoff, const mpq_class& chance, const mpz_class& hits, int bet) {
        chances[amount] += chance;
        if (amount == 0)
            return;
        rowChances[payoff] += chance;
        rowShares[payoff] += chance * amount / bet;
        rowHits[payoff] += hits;
    }
};

void Finish(Endings& endings, int bet, ParSheet& sheet) {
    sheet.hit = 1 - endings.chances[0];
    for (const auto& [credits, chance] : endings.chances) {
        if (chance == 0)
            continue;
        sheet.wins.push_back({credits, chance});
        const mpq_class x = Q(credits, bet);
        sheet.rtp += chance * x;
        sheet.meanSquare += chance * x * x;
        sheet.meanCube += chance * x * x * x;
        sheet.meanFourth += chance * x * x * x * x;
    }
    for (PayoffShare& share : sheet.payoffs) {
        share.rtp = endings.rowShares[share.row];
        share.hits = endings.rowHits[share.row];
        share.chance = endings.rowChances[share.row];
    }
}

// A chance this small is no chance: 2^-64.
bool Negligible(const mpq_class& chance) {
    mpz_class limit = 1;
    limit <<= 64;
    return chance * limit <= 1;
}

mpq_class Power(const mpq_class& base, unsigned long exponent) {
    mpz_class numerator, denominator;
    mpz_pow_ui(numerator.get_mpz_t(), base.get_num_mpz_t(), exponent);
    mpz_pow_ui(denominator.get_mpz_t(), base.get_den_mpz_t(), exponent);
    return Q(numerator, denominator);
}

// The ideal sheet lets a series run as long as it takes. A played spin that starts a series
// (chance a) has each re-spin go on with chance u, so it reaches re-spin k with chance
// a u^(k - 1): the re-spin cap at k = 10000, and the cap of nudge tries no sooner than the
// re-spin whose tries, at most `mostTries` a spin, can pass it (with no reel that nudges, the
// failed tries cut nothing).
void NoteCaps(const mpq_class& a, const mpq_class& u, int mostTries, SpinMode mode,
              ParSheet& sheet) {
    const int mostRespins = mode == SpinMode::Play ? MAX_PLAY_RESPINS : MAX_AUTO_SPINS;
    const mpq_class respinCap = a * Power(u, mostRespins - 1);
    const int triesRespin = MAX_PLAY_NUDGES / mostTries; // the first re-spin that can pass it
    const mpq_class nudgeCap = mode == SpinMode::Play && mostTries > 1 && triesRespin < mostRespins
                                   ? mpq_class(a * Power(u, triesRespin - 1))
                                   : mpq_class(0);
    std::string note;
    if (!Negligible(respinCap))
        note = "the cap of " + std::to_string(mostRespins) + " re-spins";
    if (!Negligible(nudgeCap))
        note += (note.empty() ? "" : " or ") + std::string("the cap of ") +
                std::to_string(MAX_PLAY_NUDGES) + " nudge tries";
    if (note.empty())
        return;
    sheet.capChance = std::max(respinCap, nudgeCap).get_d();
    sheet.capNote = "a played spin may reach " + note + "; left out";
    const int top = sheet.wins.empty() ? 0 : sheet.wins.back().credits;
    sheet.capRtpBound = sheet.capChance * top / sheet.bet;
}

// The played spin as a chain: the first spin ends it unless it shows an autospin symbol;
// a series of re-spins then goes on until a spin pays and shows none. So the series ends on
// each paying, autospin-free outcome in proportion to its weight, and a played spin pays that
// outcome's amount with its first-spin weight times (Q + A) / Q, where Q weighs those outcomes
// and A the outcomes that start a series.
void SumSeries(const Tally& tally, const mpz_class& total, const ParRequest& request, int mostTries,
               ParSheet& sheet) {
    const int bet = request.bet;
    mpz_class ending = 0;
    for (const Tally::Bucket& bucket : tally.paid)
        ending += Z(bucket.weight);
    const mpz_class starting = Z(tally.autoSpin);
    sheet.seriesChance = Q(starting, total);
    if (starting > 0 && ending == 0) {
        sheet.endless = "no spin both pays and shows no autospin symbol, so a series of free "
                        "re-spins never ends";
        return;
    }
    const mpq_class carry = ending > 0 ? Q(ending + starting, total * ending) : Q(1, total);
    sheet.seriesLength = ending > 0 ? Q(total, ending) : mpq_class(0);
    Endings endings;
    endings.Add(0, -1, Q(Z(tally.unpaid), total), 0, bet);
    for (const Tally::Bucket& bucket : tally.paid)
        endings.Add(bucket.amount, bucket.payoff, carry * Z(bucket.weight), Z(bucket.weight), bet);
    Finish(endings, bet, sheet);
    if (starting > 0)
        NoteCaps(Q(starting, total), 1 - Q(ending, total), mostTries, request.mode, sheet);
}

// The engine walk hands a played spin whose series may reach the cap of nudge tries to the
// engine, which plays it nudge by nudge; when the machine as designed says there would be
// very many, the walk would take hours.
void RefuseManyHandOvers(const ParSheet& designed, SpinMode mode, int mostTries) {
    constexpr double MOST_HAND_OVERS = 1 << 18;
    if (mode != SpinMode::Play || designed.seriesChance == 0 || mostTries == 1)
        return;
    const int handOverAt = std::min(MAX_PLAY_NUDGES / mostTries, MAX_PLAY_RESPINS);
    const double goOn = 1 - 1 / designed.seriesLength.get_d();
    const double handOvers = std::ldexp(designed.seriesChance.get_d(), GENERATOR_STATE_BITS) *
                             std::pow(goOn, handOverAt - 1);
    if (handOvers > MOST_HAND_OVERS)
        throw std::runtime_error(
            "about " + std::to_string(static_cast<uint64_t>(handOvers)) + " of the 2^32 starts " +
            "may reach the cap of " + std::to_string(MAX_PLAY_NUDGES) + " nudge tries, each to " +
            "be played out by the engine: too many to follow (the ideal sheet says how far the "
            "cap may move its figures)");
}

// The engine's sheet from its count of every start; rows whose chance is not the ideal one
// are named against the ideal sheet.
void SumStarts(const GeneratorCount& count, const ParSheet& ideal, int bet, ParSheet& sheet) {
    const mpz_class total = mpz_class(1) << GENERATOR_STATE_BITS;
    sheet.seriesChance = Q(Z(count.series), total);
    sheet.seriesLength = count.series ? Q(Z(count.respins), Z(count.series)) : mpq_class(0);
    sheet.nudgeChance = Q(Z(count.nudged), total);
    Endings endings;
    for (const GeneratorCount::Ending& ending : count.endings)
        endings.Add(ending.amount, ending.payoff, Q(Z(ending.starts), total), Z(ending.starts),
                    bet);
    Finish(endings, bet, sheet);
    sheet.drawsCounted = count.drawsCounted;
    sheet.neverDrawn = sheet.combinations - Z(count.drawn);
    for (size_t p = 0; p < sheet.payoffs.size(); ++p) {
        const mpq_class& want = ideal.payoffs[p].chance;
        const mpq_class off = sheet.payoffs[p].chance - want;
        if (abs(off) > want * mpq_class(1, DEVIATION_PARTS) || (want == 0 && off != 0))
            sheet.deviations.push_back({static_cast<int>(p), want});
    }
    if (count.capped || count.handedOver) {
        sheet.capChance = Q(Z(count.capped + count.handedOver), total).get_d();
        sheet.capNote = std::to_string(count.capped) + " starts reach the cap of re-spins, " +
                        std::to_string(count.handedOver) +
                        " the cap of nudge tries; cut there, as the engine cuts them";
    }
}

} // namespace

std::string MachineName(const SlotMachine& machine, const std::string& path) {
    return machine.Name ? machine.Name : std::filesystem::path(path).filename().string();
}

QuietMachine::QuietMachine(const std::string& path) : machine(std::make_unique<SlotMachine>()) {
    machine->SetMessageSink(&messages);
    machine->Load(path.c_str());
}

double ParSheet::StandardDeviation() const {
    const mpq_class variance = meanSquare - rtp * rtp;
    return std::sqrt(std::max(0.0, variance.get_d()));
}

// The central moments are exact; only the division by powers of the deviation is not.
double ParSheet::Skewness() const {
    const mpq_class& m = rtp;
    const mpq_class variance = meanSquare - m * m;
    if (variance <= 0)
        return std::nan("");
    const mpq_class third = meanCube - 3 * m * meanSquare + 2 * m * m * m;
    return third.get_d() / std::pow(variance.get_d(), 1.5);
}

double ParSheet::ExcessKurtosis() const {
    const mpq_class& m = rtp;
    const mpq_class variance = meanSquare - m * m;
    if (variance <= 0)
        return std::nan("");
    const mpq_class fourth =
        meanFourth - 4 * m * meanCube + 6 * m * m * meanSquare - 3 * m * m * m * m;
    const mpq_class ratio = fourth / (variance * variance);
    return ratio.get_d() - 3;
}

std::vector<ReelOutcome> ReelOutcomes(SlotMachine& machine, SpinMode mode) {
    std::vector<ReelOutcome> reels(machine.NumReels);
    for (int i = 0; i < machine.NumReels; ++i) {
        const SlotReel& reel = machine.Reels[i];
        ReelOutcome& outcome = reels[i];
        // A reel without a spin table stays on stop 0, as a spin leaves it.
        const int entries = std::max(reel.numspin, 1);
        for (int e = 0; e < entries; ++e) {
            machine.Position[i] = reel.numspin > 0 ? reel.spin[e] : 0;
            int nudges = 0;
            if (mode == SpinMode::Run) {
                nudges = machine.NudgeReel(i);
            } else {
                // A reel that has not rested after one move per stop goes round in a circle.
                while (nudges <= reel.numsym && machine.NudgeReel(i))
                    ++nudges;
                outcome.endless = outcome.endless || nudges > reel.numsym;
            }
            outcome.rest.push_back(machine.Position[i]);
            outcome.nudges.push_back(nudges);
        }
    }
    return reels;
}

ParSheet ComputePar(const std::string& path, const ParRequest& request) {
    QuietMachine first(path);
    SlotMachine& machine = *first.machine;
    ParSheet sheet;
    sheet.name = MachineName(machine, path);
    sheet.bet = request.bet;
    sheet.combinations = 1;
    for (int p = 0; p < machine.NumPayoffs; ++p) {
        const char* label = machine.Payoffs[p].label;
        sheet.payoffs.push_back({p, label ? label : "", 0, 0, 0});
    }

    const std::vector<ReelOutcome> outcomes = ReelOutcomes(machine, request.mode);
    int mostTries = 1;
    std::vector<std::vector<RestStop>> reels;
    mpz_class total = 1;
    mpq_class still = 1; // no reel nudged
    for (int i = 0; i < machine.NumReels; ++i) {
        const ReelOutcome& outcome = outcomes[i];
        sheet.spinSizes.push_back(machine.Reels[i].numspin);
        sheet.combinations *= static_cast<unsigned long>(outcome.rest.size());
        if (outcome.endless)
            sheet.endless = "the nudges of reel " + std::to_string(i) + " never come to rest";
        mostTries += *std::max_element(outcome.nudges.begin(), outcome.nudges.end());
        const uint64_t reelTotal = outcome.rest.size();
        const uint64_t unmoved = std::count(outcome.nudges.begin(), outcome.nudges.end(), 0);
        total *= Z(reelTotal);
        still *= Q(Z(unmoved), Z(reelTotal));
        std::vector<RestStop> stops = RestStops(machine, i, outcome);
        std::vector<RestStop> classes = Classes(machine, i, stops);
        sheet.reels.push_back(Summarise(machine, i));
        sheet.reels.back().classes = static_cast<int>(classes.size());
        reels.push_back(request.method == ParMethod::Classes ? std::move(classes)
                                                             : std::move(stops));
    }
    sheet.nudgeChance = 1 - still;
    if (!sheet.endless.empty())
        return sheet;
    if (request.weights == EntryWeights::Engine) {
        ParRequest ideal = request;
        ideal.weights = EntryWeights::Ideal;
        const ParSheet designed = ComputePar(path, ideal);
        if (!designed.endless.empty()) {
            sheet.endless = designed.endless;
            return sheet;
        }
        RefuseManyHandOvers(designed, request.mode, mostTries);
        SumStarts(CountGeneratorStarts(path, request, outcomes), designed, request.bet, sheet);
        return sheet;
    }

    const int threads = std::max(1, request.threads);
    std::vector<Tally> tallies(threads);
    std::vector<std::thread> workers;
    for (int t = 1; t < threads; ++t) {
        workers.emplace_back([&, t] {
            QuietMachine own(path);
            TallyCombinations(*own.machine, reels, request.bet, t, threads, tallies[t]);
        });
    }
    TallyCombinations(machine, reels, request.bet, 0, threads, tallies[0]);
    for (std::thread& worker : workers)
        worker.join();
    for (int t = 1; t < threads; ++t)
        tallies[0].Merge(tallies[t]);
    SumSeries(tallies[0], total, request, mostTries, sheet);
    return sheet;
}
