#include <bit>

#include "engine/saturating.h"
#include "engine/slot_machine.h"

namespace {

int LetterIndex(const SlotSymbol& symbol) {
    return static_cast<unsigned char>(symbol.letter) & (MAX_SYMBOLS - 1);
}

// Per column and letter, the payoffs whose column that letter meets; plus the "+" columns.
struct LetterMasks {
    uint32_t meets[MAX_COLUMNS][MAX_SYMBOLS];
    uint32_t plus[MAX_COLUMNS];
};

void FillLetterMasks(const SlotPayoff* payoffs, int numPayoffs, LetterMasks& masks) {
    masks = LetterMasks{};
    for (int p = 0; p < numPayoffs; p++) {
        const uint32_t bit = 1u << p;
        for (int column = 0; column < MAX_COLUMNS; column++) {
            if (payoffs[p].plus[column] & 1)
                masks.plus[column] |= bit;
            for (int letter = 0; letter < MAX_SYMBOLS; letter++) {
                if (payoffs[p].match[column][letter])
                    masks.meets[column][letter] |= bit;
            }
        }
    }
}

uint32_t MaskIf(bool condition) {
    return condition ? ~0u : 0u;
}

} // namespace

void SlotMachine::BuildPayoffIndex() {
    LetterMasks masks;
    FillLetterMasks(Payoffs, NumPayoffs, masks);
    Index = PayoffIndex{};
    Index.inUse = NumPayoffs >= 32 ? ~0u : (1u << NumPayoffs) - 1;
    for (int i = 0; i < MAX_REELS; i++) {
        const uint32_t* meets = masks.meets[i];
        const uint32_t plus = masks.plus[i];
        const uint32_t any = meets['*'];
        Index.any[i] = any;
        const int n = Reels[i].numsym;
        for (int line = 0; line < n; line++) {
            const SlotSymbol& above = StopSymbol(i, line > 0 ? line - 1 : n - 1);
            const SlotSymbol& onLine = StopSymbol(i, line);
            const SlotSymbol& below = StopSymbol(i, line < n - 1 ? line + 1 : 0);
            // A "+" column may be met on any of the three rows; when none meets it, its
            // stand-in is the symbol below the line, the last row it looks at.
            const uint32_t met =
                ~any & (meets[LetterIndex(onLine)] |
                        (plus & (meets[LetterIndex(above)] | meets[LetterIndex(below)])));
            const uint32_t wildFlag =
                (~plus & MaskIf(onLine.flags & SYM_WILD)) | (plus & MaskIf(below.flags & SYM_WILD));
            const uint32_t doubleFlag = (~plus & MaskIf(onLine.flags & SYM_DOUBLE)) |
                                        (plus & MaskIf(below.flags & SYM_DOUBLE));
            const uint32_t wild = wildFlag & ~any & ~met;
            Index.stops[i][line] = {met, wild, wild & doubleFlag};
        }
    }
}

// Every payoff is judged at once, one bit each: per reel, which payoffs find their column
// filled by "*", by a symbol of the column's set, or by a substituting wild.
int SlotMachine::Evaluate(int bet) const {
    // No coins, no win, whatever "%maxcoins" allows.
    if (NumPayoffs == 0 || bet < 1)
        return 0;
    const int level = bet - 1 < MAX_PAY_LEVELS - 1 ? bet - 1 : MAX_PAY_LEVELS - 1;

    uint32_t filled = Index.inUse;
    uint32_t real = 0; // a column met by a real symbol, which every win needs
    uint32_t doubled[MAX_REELS] = {};
    for (int i = 0; i < NumReels; i++) {
        const PayoffIndex::StopVerdict& verdict = Index.stops[i][WrapStop(i, Position[i])];
        filled &= Index.any[i] | verdict.met | verdict.wild;
        real |= verdict.met;
        doubled[i] = verdict.doubled;
    }

    // The largest amount of the winning payoffs; amounts are not added up.
    int best = 0;
    for (uint32_t winners = filled & real; winners; winners &= winners - 1) {
        const int p = std::countr_zero(winners);
        int doublings = 0;
        for (int i = 0; i < NumReels; i++)
            doublings += (doubled[i] >> p) & 1;
        const int amount = ClampToInt(static_cast<int64_t>(Payoffs[p].pay[level]) << doublings);
        best = amount > best ? amount : best;
    }
    return best;
}
