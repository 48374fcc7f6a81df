#include "engine/random.h"
#include "engine/saturating.h"
#include "engine/slot_machine.h"

// Any distance in either direction, without looping over it.
int SlotMachine::WrapFar(int n, int index) {
    index %= n;
    return index < 0 ? index + n : index;
}

// The move is looked up, not worked out: see BuildStopIndex. A reel that does not move is
// set to the stop it shows, so there is no branch to mispredict.
int SlotMachine::NudgeReel(int reel) {
    const StopEntry& entry = Index.stops[reel][WrapStop(reel, Position[reel])];
    Position[reel] = entry.nudgeTo;
    return entry.nudges;
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
        if (Index.stops[i][WrapStop(i, Position[i])].autoSpin) {
            AutoSpin = 1;
            return 1;
        }
    }
    AutoSpin = 0;
    return 0;
}
