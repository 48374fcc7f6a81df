#include <bit>

#include "engine/saturating.h"
#include "engine/slot_machine.h"

// Every payoff is judged at once, one bit each: per reel, which payoffs find their column
// filled by "*", by a symbol of the column's set, or by a substituting wild.
SlotMachine::Verdict SlotMachine::Judge(int bet) const {
    // No coins, no win, whatever "%maxcoins" allows.
    if (NumPayoffs == 0 || bet < 1)
        return {};
    const int level = bet - 1 < MAX_PAY_LEVELS - 1 ? bet - 1 : MAX_PAY_LEVELS - 1;

    uint32_t filled = Index.inUse;
    uint32_t real = 0; // a column met by a real symbol, which every win needs
    uint32_t doubled[MAX_REELS] = {};
    for (int i = 0; i < NumReels; i++) {
        const StopEntry& verdict = Index.stops[i][WrapStop(i, Position[i])];
        filled &= Index.any[i] | verdict.met | verdict.wild;
        real |= verdict.met;
        doubled[i] = verdict.doubled;
    }

    // The largest amount of the winning payoffs; amounts are not added up, and of equal
    // amounts the first in file order is the one that won.
    Verdict best;
    for (uint32_t winners = filled & real; winners; winners &= winners - 1) {
        const int p = std::countr_zero(winners);
        int doublings = 0;
        for (int i = 0; i < NumReels; i++)
            doublings += (doubled[i] >> p) & 1;
        const int amount = ClampToInt(static_cast<int64_t>(Payoffs[p].pay[level]) << doublings);
        if (amount > best.amount)
            best = {amount, p};
    }
    return best;
}

std::array<uint32_t, 4> SlotMachine::VerdictKey(int reel, int stop) const {
    const StopEntry& entry = Index.stops[reel][WrapStop(reel, stop)];
    return {entry.met, entry.wild, entry.doubled, entry.autoSpin};
}

int SlotMachine::Evaluate(int bet) const {
    return Judge(bet).amount;
}
