#include <bit>

#include "engine/saturating.h"
#include "engine/slot_machine.h"

namespace {

int LetterIndex(const SlotSymbol& symbol) {
    return static_cast<unsigned char>(symbol.letter) & (MAX_SYMBOLS - 1);
}

uint32_t MaskIf(uint32_t condition) {
    return condition ? ~0u : 0u;
}

} // namespace

void SlotMachine::BuildPayoffIndex() {
    Index = PayoffIndex{};
    for (int p = 0; p < NumPayoffs; p++) {
        const uint32_t bit = 1u << p;
        const SlotPayoff& payoff = Payoffs[p];
        Index.inUse |= bit;
        for (int column = 0; column < MAX_COLUMNS; column++) {
            if (payoff.plus[column] & 1)
                Index.plus[column] |= bit;
            for (int letter = 0; letter < MAX_SYMBOLS; letter++) {
                if (payoff.match[column][letter])
                    Index.meets[column][letter] |= bit;
            }
        }
    }
}

// Every payoff is judged at once, one bit each: per reel, which payoffs find their column
// filled by "*", by a symbol of the column's set, or by a substituting wild. The loop has no
// branches, because from spin to spin each of these tests is a coin toss.
int SlotMachine::Evaluate(int bet) const {
    // No coins, no win, whatever "%maxcoins" allows.
    if (NumPayoffs == 0 || bet < 1)
        return 0;
    const int level = bet - 1 < MAX_PAY_LEVELS - 1 ? bet - 1 : MAX_PAY_LEVELS - 1;

    uint32_t filled = Index.inUse;
    uint32_t real = 0; // a column met by a real symbol, which every win needs
    uint32_t doubled[MAX_REELS] = {};
    for (int i = 0; i < NumReels; i++) {
        const uint32_t* meets = Index.meets[i];
        const uint32_t plus = Index.plus[i];
        int stops[3];
        StopsInView(i, stops);
        const SlotSymbol& above = StopSymbol(i, stops[0]);
        const SlotSymbol& line = StopSymbol(i, stops[1]);
        const SlotSymbol& below = StopSymbol(i, stops[2]);
        const uint32_t any = meets['*'];
        const uint32_t met =
            ~any & (meets[LetterIndex(line)] |
                    (plus & (meets[LetterIndex(above)] | meets[LetterIndex(below)])));
        // A "+" column's stand-in is the symbol below the line, the last row it looks at.
        const uint32_t wildFlag =
            (~plus & MaskIf(line.flags & SYM_WILD)) | (plus & MaskIf(below.flags & SYM_WILD));
        const uint32_t doubleFlag =
            (~plus & MaskIf(line.flags & SYM_DOUBLE)) | (plus & MaskIf(below.flags & SYM_DOUBLE));
        const uint32_t wild = wildFlag & ~any & ~met;
        filled &= any | met | wild;
        real |= met;
        doubled[i] = wild & doubleFlag;
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
