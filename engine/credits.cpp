#include <algorithm>

#include "engine/saturating.h"
#include "engine/slot_machine.h"

void SlotMachine::InsertMoney(int amount) {
    const int credits = ClampToInt(static_cast<int64_t>(CurrencyNum) * amount / CurrencyDenom);
    AddSaturating(Pending, credits);
    AddSaturating(Expended, amount);
}

void SlotMachine::AddBet(int coins) {
    // A negative request is taken as none: coins never come back off the bet this way.
    const int64_t room = std::max<int64_t>(static_cast<int64_t>(MaxCoins) - Bet, 0);
    const int accepted = static_cast<int>(std::clamp<int64_t>(coins, 0, room));
    AddSaturating(CoinsBet, accepted);
    AddSaturating(Credits, -accepted);
    AddSaturating(TotalBet, accepted);
    AddSaturating(Bet, accepted);
    BetShown = Bet;
    TrackCredits();
}

int SlotMachine::PayOut(int amount, int count) {
    // Nothing moves the other way, even when a caller asks for less than nothing.
    int moved = amount < Pending ? amount : Pending;
    if (moved < 0)
        moved = 0;
    AddSaturating(Pending, -moved);
    AddSaturating(Credits, moved);
    AddSaturating(TotalCredited, moved);
    if (count)
        AddSaturating(Paid, moved);
    TrackCredits();
    return moved;
}

void SlotMachine::TrackCredits() {
    if (Credits < MinCredits)
        MinCredits = Credits;
    if (Credits > MaxCredits)
        MaxCredits = Credits;
}
