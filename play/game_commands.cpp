#include "play/game_commands.h"

#include "platform/win/platform.h"
#include "play/play_state.h"
#include "play/sound_cues.h"
#include "play/spin_sequence.h"
#include "scene/shared_flags.h"

void DoButtonCommand(int32_t command) {
    switch (command) {
    case BUTTON_CHANGE:
        InsertMoneyCommand(Play.ChangeAmount);
        break;
    case BUTTON_BET_1:
        BetOneCommand();
        break;
    case BUTTON_SPIN:
        BetAndSpinCommand(0);
        break;
    case BUTTON_PLAY_3:
        BetAndSpinCommand(3);
        break;
    default:
        break;
    }
}

void InsertMoneyCommand(int32_t amount) {
    Play.ChangeAmount = amount;
    if (Shared.Busy == 0)
        Machine->InsertMoney(amount);
}

void BetOneCommand() {
    if (Machine->Credits <= 0) {
        ShowOutOfCredits();
        return;
    }
    // AddBet adds to CoinsBet, so from 0 it tells whether this press bet anything.
    Machine->CoinsBet = 0;
    Machine->AddBet(1);
    if (SoundOn() && Machine->CoinsBet >= 1 && !Machine->SndBetData.empty())
        PlayCue(&Machine->SndBetData, SND_ASYNC | SND_NODEFAULT | SND_MEMORY, SOUND_COIN);
}

void BetAndSpinCommand(int32_t amount) {
    if (Shared.Busy == 1)
        return;
    if (Machine->Bet + amount <= 0) {
        win::MessageBox(nullptr, "Try betting some money first!", "Bet Money!",
                        win::MB_OK | win::MB_ICONEXCLAMATION);
        return;
    }
    // Only the coins the command adds to the bet must be there.
    if (amount - Machine->Bet > Machine->Credits) {
        ShowOutOfCredits();
        return;
    }
    Shared.Busy = 1;
    StartSpin(amount);
}

void ShowOutOfCredits() {
    win::MessageBox(nullptr, "Go get some money (push the Change button)", "You're out of credits!",
                    win::MB_OK | win::MB_ICONEXCLAMATION);
}
