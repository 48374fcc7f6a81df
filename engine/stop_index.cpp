#include "engine/slot_machine.h"

namespace {

int LetterIndex(const SlotSymbol& symbol) {
    return static_cast<unsigned char>(symbol.letter) & (MAX_SYMBOLS - 1);
}

uint32_t MaskIf(bool condition) {
    return condition ? ~0u : 0u;
}

// Per column and letter, the payoffs whose column that letter meets; and the "+" columns.
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

} // namespace

void SlotMachine::BuildStopIndex() {
    LetterMasks masks;
    FillLetterMasks(Payoffs, NumPayoffs, masks);
    Index = StopIndex{};
    Index.inUse = NumPayoffs >= 32 ? ~0u : (1u << NumPayoffs) - 1;
    for (int i = 0; i < MAX_REELS; i++) {
        const uint32_t* meets = masks.meets[i];
        const uint32_t plus = masks.plus[i];
        const uint32_t any = meets[static_cast<int>('*')];
        Index.any[i] = any;
        const int n = Reels[i].numsym;
        for (int line = 0; line < n; line++) {
            const int stops[3] = {line > 0 ? line - 1 : n - 1, line, line < n - 1 ? line + 1 : 0};
            const SlotSymbol& above = StopSymbol(i, stops[0]);
            const SlotSymbol& onLine = StopSymbol(i, stops[1]);
            const SlotSymbol& below = StopSymbol(i, stops[2]);
            StopEntry& entry = Index.stops[i][line];

            // A "+" column may be met on any of the three rows; when none meets it, its
            // stand-in is the symbol below the line, the last row it looks at.
            entry.met = ~any & (meets[LetterIndex(onLine)] |
                                (plus & (meets[LetterIndex(above)] | meets[LetterIndex(below)])));
            const uint32_t wildFlag =
                (~plus & MaskIf(onLine.flags & SYM_WILD)) | (plus & MaskIf(below.flags & SYM_WILD));
            const uint32_t doubleFlag = (~plus & MaskIf(onLine.flags & SYM_DOUBLE)) |
                                        (plus & MaskIf(below.flags & SYM_DOUBLE));
            entry.wild = wildFlag & ~any & ~entry.met;
            entry.doubled = entry.wild & doubleFlag;

            // When both neighbours want onto the line, the one above wins.
            const bool down = (above.flags & SYM_DOWN) != 0;
            const bool up = (below.flags & SYM_UP) != 0;
            entry.nudges = down || up;
            entry.nudgeTo = static_cast<int16_t>(down ? stops[0] : up ? stops[2] : line);
            entry.autoSpin = (onLine.flags & SYM_AUTOSPIN) != 0;
        }
    }
}
