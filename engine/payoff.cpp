#include "engine/saturating.h"
#include "engine/slot_machine.h"

namespace {

enum { ROW_ABOVE, ROW_LINE, ROW_BELOW, ROW_COUNT };

using ReelRows = const SlotSymbol* [MAX_REELS][ROW_COUNT];

bool Meets(const int* match, const SlotSymbol* symbol) {
    return match[static_cast<unsigned char>(symbol->letter) & (MAX_SYMBOLS - 1)] != 0;
}

// The credits that one payoff pays for the symbols on show, 0 when it does not win.
int PayoffAmount(const SlotPayoff& payoff, const ReelRows& rows, int numReels, int level) {
    int matched = 0;
    int multiplier = 1;
    for (int i = 0; i < numReels; i++) {
        const int* match = payoff.match[i];
        if (match['*'])
            continue;
        // A "+" column may be met on any of the three rows; its stand-in is then the symbol
        // below the line, the last row looked at.
        const SlotSymbol* substitute = rows[i][ROW_LINE];
        bool met = Meets(match, substitute);
        if (payoff.plus[i] & 1) {
            substitute = rows[i][ROW_BELOW];
            met = met || Meets(match, rows[i][ROW_ABOVE]) || Meets(match, substitute);
        }
        if (met) {
            matched++;
        } else if (substitute->flags & SYM_WILD) {
            if (substitute->flags & SYM_DOUBLE)
                multiplier *= 2;
        } else {
            return 0; // a column that nothing fills loses the whole payoff
        }
    }
    // Wilds and any-symbol columns alone pay nothing: some column needs a real symbol.
    if (matched == 0)
        return 0;
    return ClampToInt(static_cast<int64_t>(payoff.pay[level]) * multiplier);
}

} // namespace

int SlotMachine::Evaluate(int bet) const {
    // No coins, no win, whatever "%maxcoins" allows.
    if (NumPayoffs == 0 || bet < 1)
        return 0;
    const int level = bet - 1 < MAX_PAY_LEVELS - 1 ? bet - 1 : MAX_PAY_LEVELS - 1;

    ReelRows rows;
    for (int i = 0; i < NumReels; i++)
        for (int row = 0; row < ROW_COUNT; row++)
            rows[i][row] = &SymbolAt(i, row);

    int best = 0;
    for (int p = 0; p < NumPayoffs; p++) {
        const int amount = PayoffAmount(Payoffs[p], rows, NumReels, level);
        if (amount > best)
            best = amount;
    }
    return best;
}
