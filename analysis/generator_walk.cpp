#include "analysis/generator_walk.h"

#include <algorithm>
#include <array>
#include <bit>
#include <map>
#include <stdexcept>
#include <thread>
#include <utility>

#include "engine/random.h"
#include "play/play_steps.h"

namespace {

// A bit of the state reaches only the bits above it in later states, and a number is bits 16
// to 30. So bit 31 never matters, and when every spin table's size is 2^b a draw reads only
// bits 16 to 15 + b: the starts that differ only above the bits that matter draw alike, and
// the walk takes one of each such set of twins.
constexpr int NUMBER_SHIFT = 16;
constexpr int MOST_WALKED_BITS = GENERATOR_STATE_BITS - 1;

int WalkedBits(const std::vector<ReelOutcome>& reels) {
    int bits = NUMBER_SHIFT;
    for (const ReelOutcome& reel : reels) {
        const size_t size = reel.rest.size();
        if (!std::has_single_bit(size))
            return MOST_WALKED_BITS;
        bits = std::max(bits, NUMBER_SHIFT + std::countr_zero(size));
    }
    return std::min(bits, MOST_WALKED_BITS);
}

// Per reel and random number, one word: the place of its group (class or rest stop) among
// the cells, the nudges it takes, and the place of its spin-table entry among the entry
// combinations, so that one sum over the reels gives all three.
constexpr int NUDGE_SHIFT = 22;
constexpr uint64_t CELL_MASK = (uint64_t{1} << NUDGE_SHIFT) - 1;
constexpr uint64_t MOST_CELLS = CELL_MASK + 1;
constexpr int ENTRY_SHIFT = 32;
constexpr uint64_t NUDGE_MASK = (uint64_t{1} << (ENTRY_SHIFT - NUDGE_SHIFT)) - 1;
static_assert(MAX_REELS * (MAX_STOPS - 1) <= NUDGE_MASK);
// Each thread marks the entry combinations drawn in a bit set of its own up to this size.
constexpr uint64_t MOST_MARKED_COMBINATIONS = uint64_t{1} << 27;

// r mod n for a random number r and n up to 256 with a multiply: exact, since r times the
// rounding error of 2^32 / n stays below 2^32. A division would cost more than the rest of a
// start's work.
struct Modulo {
    uint32_t n = 1;
    uint64_t inverse = uint64_t{1} << 32;
    explicit Modulo(uint32_t divisor = 1) : n(divisor), inverse(0xFFFFFFFFull / divisor + 1) {}
    uint32_t Of(uint32_t r) const { return r - static_cast<uint32_t>((r * inverse) >> 32) * n; }
};

struct Kind {
    int amount = 0;
    int payoff = -1;
    bool autoSpin = false;
    bool EndsSeries() const { return !autoSpin && amount != 0; }
};

struct Tables {
    int numReels = 0;
    bool play = true;
    int bet = 1;
    // Per reel, the word of each spin-table entry and the engine's draw of an entry: the
    // random number modulo the table's size. A reel not in use has one entry, worth 0.
    std::array<std::vector<uint64_t>, MAX_REELS> byEntry;
    std::array<Modulo, MAX_REELS> modulo;
    std::vector<uint16_t> cells; // the kind of each combination of groups
    std::vector<Kind> kinds;
    uint64_t combinations = 1; // of spin-table entries
    bool markDraws = false;
    int walkedBits = MOST_WALKED_BITS;
};

uint64_t Nudges(uint64_t word) {
    return (word >> NUDGE_SHIFT) & NUDGE_MASK;
}

// Per spin-table entry, the group of its rest stop; representative holds one stop a group.
std::vector<int> Groups(const SlotMachine& machine, int reel, const ReelOutcome& outcome,
                        ParMethod method, std::vector<int>& representative) {
    std::map<std::array<uint32_t, 4>, int> byKey;
    std::vector<int> groups;
    for (int stop : outcome.rest) {
        const std::array<uint32_t, 4> key = method == ParMethod::Classes
                                                ? machine.VerdictKey(reel, stop)
                                                : std::array<uint32_t, 4>{uint32_t(stop), 0, 0, 0};
        const auto [at, fresh] = byKey.emplace(key, static_cast<int>(representative.size()));
        if (fresh)
            representative.push_back(stop);
        groups.push_back(at->second);
    }
    return groups;
}

Tables BuildTables(SlotMachine& machine, const ParRequest& request,
                   const std::vector<ReelOutcome>& reels) {
    Tables t;
    t.numReels = machine.NumReels;
    t.play = request.mode == SpinMode::Play;
    t.bet = request.bet;
    std::vector<std::vector<int>> representatives(t.numReels);
    uint64_t cells = 1;
    for (int i = 0; i < MAX_REELS; ++i)
        t.byEntry[i] = {0};
    for (int i = 0; i < t.numReels; ++i) {
        const ReelOutcome& outcome = reels[i];
        const std::vector<int> groups =
            Groups(machine, i, outcome, request.method, representatives[i]);
        const uint64_t entries = outcome.rest.size();
        t.byEntry[i].clear();
        for (uint64_t e = 0; e < entries; ++e)
            t.byEntry[i].push_back(groups[e] * cells | uint64_t(outcome.nudges[e]) << NUDGE_SHIFT |
                                   e * t.combinations << ENTRY_SHIFT);
        t.modulo[i] = Modulo(static_cast<uint32_t>(entries));
        cells *= representatives[i].size();
        t.combinations *= entries;
        if (cells > MOST_CELLS)
            throw std::runtime_error("the reels show the pay table in more than " +
                                     std::to_string(MOST_CELLS) +
                                     " different ways: too many to follow every start of the "
                                     "engine's generator");
    }
    t.markDraws = t.combinations <= MOST_MARKED_COMBINATIONS;
    t.walkedBits = WalkedBits(reels);
    std::map<std::tuple<int, int, bool>, uint16_t> kindOf;
    for (uint64_t cell = 0; cell < cells; ++cell) {
        uint64_t rest = cell;
        bool autoSpin = false;
        for (int i = 0; i < t.numReels; ++i) {
            const std::vector<int>& stops = representatives[i];
            machine.Position[i] = stops[rest % stops.size()];
            rest /= stops.size();
            autoSpin = autoSpin || (machine.SymbolAt(i, 1).flags & SYM_AUTOSPIN);
        }
        const SlotMachine::Verdict verdict = machine.Judge(t.bet);
        const auto [at, fresh] =
            kindOf.emplace(std::tuple(verdict.amount, verdict.payoff, autoSpin),
                           static_cast<uint16_t>(t.kinds.size()));
        if (fresh)
            t.kinds.push_back({verdict.amount, verdict.payoff, autoSpin});
        t.cells.push_back(at->second);
    }
    return t;
}

// The generator's state after `steps` more draws, as one affine map: state * a + c.
struct Affine {
    uint32_t a = 1, c = 0;
    uint32_t operator()(uint32_t state) const { return state * a + c; }
    Affine Then(const Affine& next) const { return {a * next.a, c * next.a + next.c}; }
};

Affine Draws(uint64_t steps) {
    Affine result, power{Random::MULTIPLIER, Random::INCREMENT};
    for (; steps; steps >>= 1, power = power.Then(power))
        if (steps & 1)
            result = result.Then(power);
    return result;
}

// One thread's share of the starts. A spin of n reels moves the generator on by n draws,
// and that map of the 2^w walked states falls into 2^v cycles of 2^(w - v) states, v the
// number of factors 2 in n, one cycle for each value of the state's lowest v bits. Along a
// cycle each state is the start of a played spin and, for the series that reach it, a
// re-spin; so one pass along the cycles judges every state once and carries the series on
// as a count of the series still running: no series is followed on its own.
class Walker {
public:
    Walker(const std::string& path, const Tables& tables)
        : path_(path), t_(tables), byKind_(tables.kinds.size()), mostTries_(1) {
        if (t_.markDraws)
            drawnBits_.resize((t_.combinations + 63) / 64);
        for (int i = 0; i < t_.numReels; ++i) {
            uint64_t most = 0;
            for (uint64_t word : t_.byEntry[i])
                most = std::max(most, Nudges(word));
            mostTries_ += static_cast<int>(most);
        }
        // A series is handed to the engine at this re-spin when reels nudge (before it, no
        // played spin can have tried more nudges than the play control allows), or else cut
        // at the cap of re-spins.
        handOver_ = t_.play && mostTries_ > 1;
        handOverAt_ = handOver_ ? std::min(MAX_PLAY_NUDGES / mostTries_, MAX_PLAY_RESPINS)
                                : (t_.play ? MAX_PLAY_RESPINS : MAX_AUTO_SPINS);
        ringMask_ = std::bit_ceil(static_cast<unsigned>(handOverAt_)) - 1;
        entered_.resize(ringMask_ + 1);
        enteredFrom_.resize(ringMask_ + 1);
    }

    // Segment `part` of `parts` of every cycle.
    void Walk(int part, int parts) {
        const int n = t_.numReels;
        const int v = n ? std::countr_zero(static_cast<unsigned>(n)) : 0;
        const uint64_t length = (uint64_t{1} << t_.walkedBits) >> v;
        const uint64_t first = length * part / parts, last = length * (part + 1) / parts;
        for (uint32_t cycle = 0; cycle < (1u << v); ++cycle) {
            const uint32_t begin = Draws(n * first)(cycle);
            if (t_.markDraws)
                WalkSegment<true>(begin, last - first);
            else
                WalkSegment<false>(begin, last - first);
        }
    }

    void AddTo(GeneratorCount& count, std::map<std::pair<int, int>, uint64_t>& endings,
               std::vector<uint64_t>& drawn) const {
        for (size_t k = 0; k < byKind_.size(); ++k)
            endings[{t_.kinds[k].amount, t_.kinds[k].payoff}] += byKind_[k];
        for (const auto& [ending, starts] : handed_)
            endings[ending] += starts;
        count.series += series_;
        count.respins += respins_;
        count.nudged += nudged_;
        count.capped += capped_;
        count.handedOver += handedOver_;
        for (size_t w = 0; w < drawnBits_.size(); ++w)
            drawn[w] |= drawnBits_[w];
    }

private:
    // The segment's states are the starts it counts. The series are carried from the first
    // state after one that ends a series (none runs on past it) to the first such state at or
    // beyond the segment's end, where the next segment takes over. Everything the loop reads
    // is held in locals: its counts are written to memory that could alias the members.
    template <bool MarkDraws> void WalkSegment(uint32_t state, uint64_t length) {
        const Affine spin = Draws(t_.numReels);
        // The reels' numbers come from the states after one, two, ... draws of the start.
        const Affine a0 = Draws(1), a1 = Draws(2), a2 = Draws(3), a3 = Draws(4);
        const uint64_t *e0 = t_.byEntry[0].data(), *e1 = t_.byEntry[1].data(),
                       *e2 = t_.byEntry[2].data(), *e3 = t_.byEntry[3].data();
        const Modulo n0 = t_.modulo[0], n1 = t_.modulo[1], n2 = t_.modulo[2], n3 = t_.modulo[3];
        const uint16_t* cells = t_.cells.data();
        std::vector<uint8_t> starts, ends;
        for (const Kind& kind : t_.kinds) {
            starts.push_back(kind.autoSpin);
            ends.push_back(kind.EndsSeries());
        }
        // Most starts end alike: counting them in turn in one of several lanes keeps each add
        // from waiting on the one before.
        constexpr size_t LANES = 4;
        const size_t kindCount = t_.kinds.size();
        std::vector<uint64_t> lanes(LANES * kindCount);
        uint64_t* drawnBits = drawnBits_.data();
        uint8_t* entered = entered_.data();
        uint32_t* enteredFrom = enteredFrom_.data();
        const uint64_t handOverAt = handOverAt_;
        uint64_t nudged = 0, series = 0, respins = 0;
        // The series running, and the run of states since the last that ended them all: a
        // series enters when the state before started one, and the one that entered
        // handOverAt - 1 states ago makes its handOverAt-th re-spin here, where the engine
        // takes it over (play) or cuts it (run). Branches only where the answer rarely changes.
        bool carrying = false, previousStarts = false;
        uint32_t previous = 0;
        uint64_t running = 0, run = 0;
        for (uint64_t at = 0;; ++at, previous = state, state = spin(state)) {
            if (at >= length && !carrying)
                break;
            const uint64_t word =
                e0[n0.Of(Random::NumberOf(a0(state)))] + e1[n1.Of(Random::NumberOf(a1(state)))] +
                e2[n2.Of(Random::NumberOf(a2(state)))] + e3[n3.Of(Random::NumberOf(a3(state)))];
            const uint16_t kind = cells[word & CELL_MASK];
            const bool startsHere = starts[kind], endsHere = ends[kind];
            uint64_t* lane = lanes.data() + (at % LANES) * kindCount;
            if (at < length) {
                nudged += Nudges(word) != 0;
                if constexpr (MarkDraws) {
                    const uint64_t entry = word >> ENTRY_SHIFT;
                    drawnBits[entry / 64] |= uint64_t{1} << (entry % 64);
                }
                series += startsHere;
                lane[kind] += !startsHere;
            }
            if (carrying) {
                entered[run & ringMask_] = previousStarts;
                enteredFrom[run & ringMask_] = previous;
                running += previousStarts;
                ++run;
                const size_t oldest = (run - handOverAt) & ringMask_;
                if (run >= handOverAt && entered[oldest]) [[unlikely]] {
                    if (handOver_) {
                        HandOver(enteredFrom[oldest]);
                        --running;
                    } else if (!endsHere) {
                        ++capped_;
                        ++lane[kind];
                        ++respins;
                        --running;
                    }
                }
                respins += running;
                lane[kind] += endsHere ? running : 0;
                running = endsHere ? 0 : running;
            }
            previousStarts = startsHere;
            if (endsHere && carrying && at >= length)
                break;
            run = endsHere ? 0 : run;
            carrying = carrying || endsHere;
        }
        nudged_ += nudged;
        series_ += series;
        respins_ += respins;
        for (size_t k = 0; k < LANES * kindCount; ++k)
            byKind_[k % kindCount] += lanes[k];
    }

    // The played spin may reach the cap of nudge tries, which leaves reels short of their
    // rest: the engine plays it from its start.
    void HandOver(uint32_t start) {
        if (!own_)
            own_ = std::make_unique<QuietMachine>(path_);
        SlotMachine& machine = *own_->machine;
        machine.AutoSpin = 0;
        Random::Seed(start);
        machine.Spin(t_.bet, 0, 0);
        PlayedSpin played;
        EngineMoves moves(machine);
        while (NextPlayStep(machine, played, moves) != PlayStep::Settled) {
        }
        const SlotMachine::Verdict verdict = machine.Judge(machine.LastBet);
        ++handed_[{verdict.amount, verdict.payoff}];
        ++handedOver_;
        // The carry counted its re-spins before this one.
        respins_ += played.respins - (handOverAt_ - 1);
        capped_ += played.respins == MAX_PLAY_RESPINS;
    }

    const std::string& path_;
    const Tables& t_;
    std::vector<uint64_t> byKind_;
    int mostTries_;
    bool handOver_ = false;
    int handOverAt_ = 0;
    size_t ringMask_ = 0; // the rings hold a power of two of run positions, handOverAt_ or more
    std::vector<uint8_t> entered_;      // per run position, ring: a series entered there
    std::vector<uint32_t> enteredFrom_; // ... and the start of its played spin
    std::unique_ptr<QuietMachine> own_;
    std::map<std::pair<int, int>, uint64_t> handed_;
    std::vector<uint64_t> drawnBits_;
    uint64_t series_ = 0, respins_ = 0, nudged_ = 0, capped_ = 0, handedOver_ = 0;
};

} // namespace

GeneratorCount CountGeneratorStarts(const std::string& path, const ParRequest& request,
                                    const std::vector<ReelOutcome>& reels) {
    QuietMachine machine(path);
    const Tables tables = BuildTables(*machine.machine, request, reels);
    const int threads = std::max(1, request.threads);
    std::vector<std::unique_ptr<Walker>> walkers;
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        walkers.push_back(std::make_unique<Walker>(path, tables));
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&walkers, t, threads] { walkers[t]->Walk(t, threads); });
    for (std::thread& worker : workers)
        worker.join();

    const uint64_t twins = uint64_t{1} << (GENERATOR_STATE_BITS - tables.walkedBits);
    GeneratorCount count;
    std::map<std::pair<int, int>, uint64_t> endings;
    std::vector<uint64_t> drawn(tables.markDraws ? (tables.combinations + 63) / 64 : 0);
    for (const auto& walker : walkers)
        walker->AddTo(count, endings, drawn);
    for (const auto& [ending, walked] : endings)
        if (walked)
            count.endings.push_back({ending.first, ending.second, walked * twins});
    for (uint64_t* figure :
         {&count.series, &count.respins, &count.nudged, &count.capped, &count.handedOver})
        *figure *= twins;
    count.drawsCounted = tables.markDraws;
    for (uint64_t word : drawn)
        count.drawn += std::popcount(word);
    return count;
}
