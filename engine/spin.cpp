#include "engine/random.h"
#include "engine/saturating.h"
#include "engine/slot_machine.h"

// Any distance in either direction, without looping over it.
int SlotMachine::WrapFar(int n, int index) {
    index %= n;
    return index < 0 ? index + n : index;
}

// Whether a neighbour wants onto the line is a coin toss from spin to spin, so the choice is
// made with selects rather than branches.
int SlotMachine::NudgeReel(int reel) {
    int stops[3];
    StopsInView(reel, stops);
    const bool down = (StopSymbol(reel, stops[0]).flags & SYM_DOWN) != 0;
    const bool up = (StopSymbol(reel, stops[2]).flags & SYM_UP) != 0;
    const int position = up ? stops[2] : Position[reel];
    Position[reel] = down ? stops[0] : position; // the symbol above wins
    return down || up;
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
            Position[i] = reel.numspin > 0 ? reel.spin[unsigned(r) % unsigned(reel.numspin)] : 0;
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
