#include "engine/random.h"
#include "engine/saturating.h"
#include "engine/slot_machine.h"

int SlotMachine::WrapStop(int reel, int index) const {
    const int n = Reels[reel].numsym;
    if (n <= 0)
        return 0;
    // Neighbours of the pay line are at most one turn out; a remainder handles the rest
    // without looping over huge distances.
    if (index < 0)
        index += n;
    else if (index >= n)
        index -= n;
    if (index < 0 || index >= n) {
        index %= n;
        if (index < 0)
            index += n;
    }
    return index;
}

int SlotMachine::StopAbove(int reel) const {
    return WrapStop(reel, Position[reel] - 1);
}

int SlotMachine::StopBelow(int reel) const {
    return WrapStop(reel, Position[reel] + 1);
}

const SlotSymbol& SlotMachine::SymbolAt(int reel, int row) const {
    const SlotSymbol* symbol = Reels[reel].strip[WrapStop(reel, Position[reel] + row - 1)];
    // A reel without stops shows the record that no symbol line can define.
    return symbol ? *symbol : Symbols[0];
}

int SlotMachine::NudgeReel(int reel) {
    if (SymbolAt(reel, 0).flags & SYM_DOWN) {
        Position[reel] = StopAbove(reel);
        return 1;
    }
    if (SymbolAt(reel, 2).flags & SYM_UP) {
        Position[reel] = StopBelow(reel);
        return 1;
    }
    return 0;
}

void SlotMachine::Spin(int bet, int nudge, int autoPay) {
    for (int autoSpins = 0;; autoSpins++) {
        Paid = 0;
        if (bet == -1) {
            Bet = LastBet;
        } else {
            if (bet > Bet)
                AddBet(bet - Bet);
            AddSaturating(Spins, 1);
        }
        for (int i = 0; i < NumReels; i++) {
            const SlotReel& reel = Reels[i];
            const int r = Random::Next();
            Position[i] = reel.numspin > 0 ? reel.spin[r % reel.numspin] : 0;
            if (nudge)
                NudgeReel(i);
        }
        PrevWin = Win;
        Win = Pending = Evaluate(Bet);

        if (nudge && !autoPay)
            break;
        if (nudge && autoPay) {
            if (autoSpins == MAX_AUTO_SPINS) {
                AutoSpin = 0; // the series ends as if no re-spin were due
            } else if (CheckAutoSpin()) {
                continue;
            }
        }
        if (autoPay)
            PayOut(Win, 1);
        break;
    }
    LastBet = Bet;
    Bet = 0;
}

int SlotMachine::Nudge(int autoPay) {
    int moved = 0;
    for (int i = 0; i < NumReels && !moved; i++)
        moved = NudgeReel(i);
    if (!moved)
        return 0;

    PrevWin = Win;
    Win = Pending = Evaluate(LastBet);
    if (autoPay) {
        // The spin already counted the previous win onto the meter; the new one replaces it.
        AddSaturating(Credits, -PrevWin);
        AddSaturating(TotalCredited, -PrevWin);
        PayOut(Win, 1);
    }
    return 1;
}

int SlotMachine::CheckAutoSpin() {
    if (AutoSpin == 1 && Win == 0)
        return 1;
    for (int i = 0; i < NumReels; i++) {
        if (SymbolAt(i, 1).flags & SYM_AUTOSPIN) {
            AutoSpin = 1;
            return 1;
        }
    }
    AutoSpin = 0;
    return 0;
}
