#include "analysis/generator_walk.h"

#include <algorithm>
#include <array>
#include <bit>
#include <map>
#include <stdexcept>
#include <thread>
#include <utility>

#include <immintrin.h>

#include "engine/random.h"
#include "platform/base/cpu.h"
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

// Per reel and spin-table entry, one word: the place of its group (class or rest stop) among
// the cells and the nudges it takes, so that one sum over the reels gives both.
constexpr int NUDGE_SHIFT = 22;
constexpr uint32_t CELL_MASK = (uint32_t{1} << NUDGE_SHIFT) - 1;
constexpr uint64_t MOST_CELLS = uint64_t{CELL_MASK} + 1;
static_assert(MAX_REELS * (MAX_STOPS - 1) < 1 << (32 - NUDGE_SHIFT));
// Each thread marks the entry combinations drawn in a bit set of its own up to this size.
constexpr uint64_t MOST_MARKED_COMBINATIONS = uint64_t{1} << 27;
// Beyond it, the combinations of up to this many walked starts are sorted to count them (a
// large machine whose spin tables hold 2^b entries walks 2^(16 + b) starts).
constexpr int MOST_SORTED_BITS = 24;

// r mod n for a random number r (15 bits) and n up to 256 with a multiply and a shift in 32
// bits, the same in every lane of a vector: with 2^b >= n and m = ceil(2^(15 + b) / n), r * m
// / 2^(15 + b) exceeds r / n by less than 1 / n, so its whole part is r / n's. A division
// would cost more than the rest of a start's work.
constexpr int NUMBER_BITS = 15;
struct Modulo {
    uint32_t n = 1, multiplier = 1u << NUMBER_BITS;
    int shift = NUMBER_BITS;
    explicit Modulo(uint32_t divisor = 1)
        : n(divisor), shift(NUMBER_BITS + std::bit_width(divisor - 1)) {
        multiplier = static_cast<uint32_t>(((uint64_t{1} << shift) + n - 1) / n);
    }
    uint32_t Of(uint32_t r) const { return r - ((r * multiplier) >> shift) * n; }
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
    // Per reel, the word of each spin-table entry, the place of an entry among the entry
    // combinations, and the engine's draw of an entry: the random number modulo the table's
    // size. A reel not in use has one entry, worth 0.
    std::array<std::vector<uint32_t>, MAX_REELS> byEntry;
    std::array<uint32_t, MAX_REELS> entryStride{};
    std::array<Modulo, MAX_REELS> modulo;
    std::vector<uint16_t> cells; // the kind of each combination of groups, and one more
    std::vector<Kind> kinds;
    uint64_t combinations = 1; // of spin-table entries
    bool markDraws = false;
    int walkedBits = MOST_WALKED_BITS;
};

uint32_t Nudges(uint32_t word) {
    return word >> NUDGE_SHIFT;
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
            t.byEntry[i].push_back(static_cast<uint32_t>(groups[e] * cells) |
                                   uint32_t(outcome.nudges[e]) << NUDGE_SHIFT);
        t.entryStride[i] = static_cast<uint32_t>(t.combinations);
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
    // A vector reads a kind as the low half of 32 bits.
    t.cells.push_back(0);
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
            uint32_t most = 0;
            for (uint32_t word : t_.byEntry[i])
                most = std::max(most, Nudges(word));
            mostTries_ += static_cast<int>(most);
        }
        // A series is handed to the engine at this re-spin when reels nudge (before it, no
        // played spin can have tried more nudges than the play control allows), or else cut
        // at the cap of re-spins.
        handOver_ = t_.play && mostTries_ > 1;
        handOverAt_ = handOver_ ? std::min(MAX_PLAY_NUDGES / mostTries_, MAX_PLAY_RESPINS)
                                : (t_.play ? MAX_PLAY_RESPINS : MAX_AUTO_SPINS);
        for (const Kind& kind : t_.kinds)
            flags_.push_back((kind.autoSpin ? STARTS_SERIES : 0) |
                             (kind.EndsSeries() ? ENDS_SERIES : 0));
    }

    // Segment `part` of `parts` of every cycle.
    void Walk(int part, int parts) {
        const int n = t_.numReels;
        const int v = n ? std::countr_zero(static_cast<unsigned>(n)) : 0;
        const uint64_t length = (uint64_t{1} << t_.walkedBits) >> v;
        const uint64_t first = length * part / parts, last = length * (part + 1) / parts;
        for (uint32_t cycle = 0; cycle < (1u << v); ++cycle) {
            const uint32_t begin = Draws(n * first)(cycle);
            const bool ended = t_.markDraws ? WalkSegment<true>(begin, last - first)
                                            : WalkSegment<false>(begin, last - first);
            // No series ends in the segment: the segment before carries its series on, unless
            // none ends anywhere on the cycle.
            if (!ended && !EndsWithin(Draws(n * last)(cycle), length - (last - first)))
                CapEverySeries(begin, last - first);
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
    // Starts are judged a block at a time, and the series then carried over the block: the
    // judging has no dependency from one start to the next, and the carrying little work. A
    // series reaches its cap of re-spins at most MAX_AUTO_SPINS starts after it began, so the
    // block before is enough to look back to where it began.
    static constexpr size_t BLOCK = 16384;
    static_assert(BLOCK >= MAX_AUTO_SPINS && BLOCK >= MAX_PLAY_RESPINS);
    // Most starts end alike: counting them in turn in one of several lanes keeps each add
    // from waiting on the one before.
    static constexpr size_t LANES = 4;
    static constexpr uint8_t STARTS_SERIES = 1, ENDS_SERIES = 2;

    // A block's first start and the kind of each of its starts.
    struct Block {
        uint32_t first = 0;
        std::array<uint16_t, BLOCK> kinds{};
    };

    // What the carrying holds from one block to the next: the series running, and the run of
    // states since the last that ended them all. A series begun by the start handOverAt states
    // back, if it still runs, makes its handOverAt-th re-spin here, where the engine takes it
    // over (play) or cuts it (run).
    struct Carry {
        bool carrying = false, previousStarts = false;
        uint64_t running = 0, run = 0, respins = 0, capped = 0;
    };

    // The segment's states are the starts it counts. The series are carried from the first
    // state after one that ends a series (none runs on past it) to the first such state at or
    // beyond the segment's end, where the next segment takes over. False when no state of the
    // segment ends a series.
    template <bool MarkDraws> bool WalkSegment(uint32_t state, uint64_t length) {
        const Affine block = Draws(static_cast<uint64_t>(t_.numReels) * BLOCK);
        const size_t kindCount = t_.kinds.size();
        std::vector<uint64_t> counted(LANES * kindCount), ended(LANES * kindCount);
        auto blocks = std::make_unique<std::array<Block, 2>>();
        Carry carry;
        for (uint64_t at = 0, b = 0;; at += BLOCK, state = block(state), b ^= 1) {
            Block& current = (*blocks)[b];
            current.first = state;
            JudgeBlock(state, current.kinds.data());
            if (CarryBlock<MarkDraws>(at, length, current, (*blocks)[b ^ 1], counted.data(),
                                      ended.data(), carry))
                break;
        }
        respins_ += carry.respins;
        capped_ += carry.capped;
        for (size_t k = 0; k < counted.size(); ++k) {
            const size_t kind = k % kindCount;
            (t_.kinds[kind].autoSpin ? series_ : byKind_[kind]) += counted[k];
            byKind_[kind] += ended[k];
        }
        return carry.carrying;
    }

    // True when one of `count` states from `state` on ends a series.
    bool EndsWithin(uint32_t state, uint64_t count) {
        const Affine block = Draws(static_cast<uint64_t>(t_.numReels) * BLOCK);
        auto judged = std::make_unique<Block>();
        for (uint64_t at = 0; at < count; at += BLOCK, state = block(state)) {
            JudgeBlock(state, judged->kinds.data());
            for (size_t k = 0; k < std::min<uint64_t>(BLOCK, count - at); ++k)
                if (flags_[judged->kinds[k]] & ENDS_SERIES)
                    return true;
        }
        return false;
    }

    // On a cycle where no series ends, each series of the segment meets the cap.
    void CapEverySeries(uint32_t state, uint64_t length) {
        const Affine block = Draws(static_cast<uint64_t>(t_.numReels) * BLOCK);
        const uint64_t cap = handOverAt_;
        auto blocks = std::make_unique<std::array<Block, 2>>();
        for (uint64_t at = 0, b = 0; at < length + cap; at += BLOCK, state = block(state), b ^= 1) {
            Block &current = (*blocks)[b], &before = (*blocks)[b ^ 1];
            current.first = state;
            JudgeBlock(state, current.kinds.data());
            for (size_t k = 0; k < BLOCK; ++k) {
                if (at + k < cap || at + k - cap >= length)
                    continue;
                const bool back = k < cap;
                const Block& where = back ? before : current;
                const size_t began = back ? BLOCK + k - cap : k - cap;
                if (!(flags_[where.kinds[began]] & STARTS_SERIES))
                    continue;
                if (handOver_) {
                    respins_ += cap - 1;
                    HandOver(Draws(t_.numReels * uint64_t(began))(where.first));
                } else {
                    ++capped_;
                    respins_ += cap;
                    ++byKind_[current.kinds[k]];
                }
            }
        }
    }

    // The kind, word and entry combination of each of the block's starts, the first at
    // `state`, the reels' numbers drawn from the states after one, two, ... draws of a start.
    void JudgeBlock(uint32_t state, uint16_t* kinds) {
        if (wide_)
            JudgeWide(state, kinds);
        else
            JudgeNarrow(state, kinds);
    }

    void JudgeNarrow(uint32_t state, uint16_t* kinds) {
        const Affine spin = Draws(t_.numReels);
        const std::array<Affine, MAX_REELS> draw = {Draws(1), Draws(2), Draws(3), Draws(4)};
        for (size_t k = 0; k < BLOCK; ++k, state = spin(state)) {
            uint32_t word = 0, entry = 0;
            for (int i = 0; i < t_.numReels; ++i) {
                const uint32_t e = t_.modulo[i].Of(Random::NumberOf(draw[i](state)));
                word += t_.byEntry[i][e];
                entry += e * t_.entryStride[i];
            }
            kinds[k] = t_.cells[word & CELL_MASK];
            words_[k] = word;
            entries_[k] = entry;
        }
    }

    // The same, eight starts at a time.
    __attribute__((target("avx2"))) void JudgeWide(uint32_t state, uint16_t* kinds) {
        struct Reel {
            __m256i a, c, multiplier, n, stride;
            __m128i shift;
            const int* words;
        };
        std::array<Reel, MAX_REELS> reels;
        for (int i = 0; i < MAX_REELS; ++i) {
            const Affine draw = Draws(i + 1);
            const Modulo& modulo = t_.modulo[i];
            reels[i] = {_mm256_set1_epi32(int(draw.a)),
                        _mm256_set1_epi32(int(draw.c)),
                        _mm256_set1_epi32(int(modulo.multiplier)),
                        _mm256_set1_epi32(int(modulo.n)),
                        _mm256_set1_epi32(int(t_.entryStride[i])),
                        _mm_cvtsi32_si128(modulo.shift),
                        reinterpret_cast<const int*>(t_.byEntry[i].data())};
        }
        constexpr int WIDTH = 8;
        alignas(32) std::array<uint32_t, WIDTH> first;
        for (int j = 0; j < WIDTH; ++j)
            first[j] = Draws(uint64_t(t_.numReels) * j)(state);
        __m256i states = _mm256_load_si256(reinterpret_cast<const __m256i*>(first.data()));
        const Affine spins = Draws(uint64_t(t_.numReels) * WIDTH);
        const __m256i spinsA = _mm256_set1_epi32(int(spins.a)),
                      spinsC = _mm256_set1_epi32(int(spins.c));
        const __m256i numberMask = _mm256_set1_epi32(Random::RANDOM_MAX);
        const __m256i cellMask = _mm256_set1_epi32(int(CELL_MASK)),
                      kindMask = _mm256_set1_epi32(0xFFFF);
        const int* cells = reinterpret_cast<const int*>(t_.cells.data());
        for (size_t k = 0; k < BLOCK; k += WIDTH) {
            __m256i word = _mm256_setzero_si256(), entry = _mm256_setzero_si256();
            for (int i = 0; i < t_.numReels; ++i) {
                const Reel& reel = reels[i];
                const __m256i drawn = _mm256_add_epi32(_mm256_mullo_epi32(states, reel.a), reel.c);
                const __m256i number =
                    _mm256_and_si256(_mm256_srli_epi32(drawn, NUMBER_SHIFT), numberMask);
                const __m256i quotient =
                    _mm256_srl_epi32(_mm256_mullo_epi32(number, reel.multiplier), reel.shift);
                const __m256i e = _mm256_sub_epi32(number, _mm256_mullo_epi32(quotient, reel.n));
                word = _mm256_add_epi32(word, _mm256_i32gather_epi32(reel.words, e, 4));
                entry = _mm256_add_epi32(entry, _mm256_mullo_epi32(e, reel.stride));
            }
            const __m256i kind = _mm256_and_si256(
                _mm256_i32gather_epi32(cells, _mm256_and_si256(word, cellMask), 2), kindMask);
            _mm_storeu_si128(
                reinterpret_cast<__m128i*>(kinds + k),
                _mm_packus_epi32(_mm256_castsi256_si128(kind), _mm256_extracti128_si256(kind, 1)));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(words_.data() + k), word);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(entries_.data() + k), entry);
            states = _mm256_add_epi32(_mm256_mullo_epi32(states, spinsA), spinsC);
        }
    }

    // Counts the starts of a block just judged whose first start is `at` of the segment, and
    // carries the series over it; the starts counted go to `counted`, the series that end to
    // `ended`. True when the segment's work ends in this block. Branches only where the answer
    // rarely changes; the series the engine takes over are played after. Everything the loop
    // reads is held in locals: its counts are written to memory that could alias the members.
    template <bool MarkDraws>
    bool CarryBlock(uint64_t at, uint64_t length, const Block& block, const Block& before,
                    uint64_t* counted, uint64_t* ended, Carry& carried) {
        const uint8_t* flags = flags_.data();
        const uint32_t* words = words_.data();
        const uint32_t* entries = entries_.data();
        uint64_t* drawnBits = drawnBits_.data();
        uint64_t nudged = 0;
        const uint64_t handOverAt = handOverAt_;
        const bool handOver = handOver_;
        const size_t kindCount = t_.kinds.size();
        // Where each series handed over began, from the block's first start.
        int32_t* handed = handOvers_.data();
        size_t handing = 0;
        Carry c = carried;
        bool done = false;
        for (size_t k = 0; k < BLOCK; ++k, ++at) {
            if (at >= length && !c.carrying) {
                done = true;
                break;
            }
            const uint16_t kind = block.kinds[k];
            const bool startsHere = flags[kind] & STARTS_SERIES;
            const bool endsHere = flags[kind] & ENDS_SERIES;
            const size_t lane = (k % LANES) * kindCount + kind;
            if (at < length) {
                nudged += Nudges(words[k]) != 0;
                ++counted[lane];
                if constexpr (MarkDraws)
                    drawnBits[entries[k] / 64] |= uint64_t{1} << (entries[k] % 64);
            }
            uint64_t* endedHere = ended + lane;
            if (c.carrying) {
                c.running += c.previousStarts;
                ++c.run;
                if (c.run >= handOverAt) [[unlikely]] {
                    const int64_t began = int64_t(k) - int64_t(handOverAt);
                    const uint16_t beganWith =
                        began < 0 ? before.kinds[BLOCK + began] : block.kinds[began];
                    if (flags[beganWith] & STARTS_SERIES) {
                        if (handOver) {
                            handed[handing++] = static_cast<int32_t>(began);
                            --c.running;
                        } else if (!endsHere) {
                            ++c.capped;
                            ++*endedHere;
                            ++c.respins;
                            --c.running;
                        }
                    }
                }
                c.respins += c.running;
                *endedHere += endsHere ? c.running : 0;
                c.running = endsHere ? 0 : c.running;
            }
            c.previousStarts = startsHere;
            if (endsHere && c.carrying && at >= length) {
                done = true;
                break;
            }
            c.run = endsHere ? 0 : c.run;
            c.carrying = c.carrying || endsHere;
        }
        carried = c;
        nudged_ += nudged;
        for (size_t h = 0; h < handing; ++h) {
            const int64_t began = handed[h];
            HandOver(began < 0 ? Draws(t_.numReels * uint64_t(BLOCK + began))(before.first)
                               : Draws(t_.numReels * uint64_t(began))(block.first));
        }
        return done;
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
    std::unique_ptr<QuietMachine> own_;
    std::map<std::pair<int, int>, uint64_t> handed_;
    std::vector<uint64_t> drawnBits_;
    std::vector<int32_t> handOvers_ = std::vector<int32_t>(BLOCK);
    std::vector<uint8_t> flags_; // per kind: STARTS_SERIES, ENDS_SERIES
    const bool wide_ = CpuHasAvx2();
    std::vector<uint32_t> words_ = std::vector<uint32_t>(BLOCK);   // per start of the block
    std::vector<uint32_t> entries_ = std::vector<uint32_t>(BLOCK); // ... judged last
    uint64_t series_ = 0, respins_ = 0, nudged_ = 0, capped_ = 0, handedOver_ = 0;
};

// The entry combinations that the walked starts draw, each counted once.
uint64_t DistinctDraws(const Tables& t) {
    const std::array<Affine, MAX_REELS> draw = {Draws(1), Draws(2), Draws(3), Draws(4)};
    std::vector<uint64_t> drawn(size_t{1} << t.walkedBits);
    for (uint32_t state = 0; state < drawn.size(); ++state) {
        uint64_t combination = 0;
        for (int i = 0; i < t.numReels; ++i)
            combination +=
                uint64_t{t.modulo[i].Of(Random::NumberOf(draw[i](state)))} * t.entryStride[i];
        drawn[state] = combination;
    }
    std::sort(drawn.begin(), drawn.end());
    return static_cast<uint64_t>(std::unique(drawn.begin(), drawn.end()) - drawn.begin());
}

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
    if (!tables.markDraws && tables.walkedBits <= MOST_SORTED_BITS) {
        count.drawsCounted = true;
        count.drawn = DistinctDraws(tables);
    }
    return count;
}
