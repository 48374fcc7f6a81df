#include "engine/slot_machine.h"

#include "engine/owned_string.h"

SlotMachine* Machine = nullptr;

// The cabinet measures that a machine file may leave out keep the previous file's values;
// before the first file they are those of the bundled example machine.
SlotMachine::SlotMachine()
    : NumPayoffs(0), NumReels(0), WeightedStrips(0), Position{}, CoinsBet(0), CurrencyNum(4),
      CurrencyDenom(1), ResetCount(0), AutoSpin(0), SymSpace(0.2), SymWidth(1.0), WindowHeight(3.0),
      WindowThick(0.1), SymHeight(1.0), ChartY(1.0), ChartHeight(10.0), Name(nullptr),
      FileName(nullptr), ChartFile(nullptr), NumSndMusic(0), SndMusic{}, SndClunk(nullptr),
      NumSndCoin(0), SndCoin{}, SndPay(nullptr), SndBet(nullptr), SndAuto(nullptr), Expended(0),
      Win(0), PrevWin(0), Credits(0), MinCredits(0), MaxCredits(0), TotalBet(0), Bet(0),
      TotalCredited(0), Spins(0), LastBet(0), BetShown(0), Pending(0), Paid(0),
      MaxCoins(3), Symbols{}, Reels{}, Payoffs{} {
    Clear();
}

SlotMachine::~SlotMachine() {
    Clear();
}

static void ReleaseSound(char*& name, SoundImage& image) {
    ReleaseString(name);
    SoundImage().swap(image);
}

void SlotMachine::Clear() {
    NumPayoffs = 0;
    NumReels = 0;
    WeightedStrips = 0;
    SymHeight = 1.0;
    ChartY = 1.0;
    ChartHeight = 10.0;
    MaxCoins = 3;
    CurrencyNum = 4;
    CurrencyDenom = 1;

    for (SlotSymbol& symbol : Symbols) {
        ReleaseString(symbol.filename);
        ReleaseString(symbol.label);
        symbol = SlotSymbol{};
    }
    for (SlotReel& reel : Reels)
        reel = SlotReel{};
    for (SlotPayoff& payoff : Payoffs) {
        ReleaseString(payoff.label);
        payoff = SlotPayoff{};
    }

    ReleaseString(ChartFile);
    ReleaseString(Name);
    ReleaseString(FileName);
    // Every slot is released, not only those below the count, so no image can outlive a load.
    for (int i = 0; i < MAX_SND_MUSIC; i++)
        ReleaseSound(SndMusic[i], SndMusicData[i]);
    NumSndMusic = 0;
    for (int i = 0; i < MAX_SND_COIN; i++)
        ReleaseSound(SndCoin[i], SndCoinData[i]);
    NumSndCoin = 0;
    ReleaseSound(SndBet, SndBetData);
    ReleaseSound(SndPay, SndPayData);
    ReleaseSound(SndClunk, SndClunkData);
    ReleaseSound(SndAuto, SndAutoData);
    BuildStopIndex();

    Reset();
}

void SlotMachine::Reset() {
    Credits = 0;
    Spins = 0;
    MinCredits = 0;
    MaxCredits = 0;
    TotalBet = 0;
    Bet = 0;
    LastBet = 0;
    TotalCredited = 0;
    Win = 0;
    BetShown = 0;
    Pending = 0;
    Paid = 0;
    Expended = 0;
    AutoSpin = 0;
    for (int& position : Position)
        position = 0;
    ResetCount++;
}
