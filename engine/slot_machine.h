#pragma once

// The one slot machine: its definition as read from a machine file, and the play state that
// the credit, spin, nudge and payoff operations change. The presentation and the play control
// read the fields directly; the record is made of fixed tables and never grows.

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

class MessageSink;

// Capacities of the machine's tables. A machine file that asks for more is cut down to them
// (docs/machine-file.md describes the machine file format).
constexpr int MAX_SYMBOLS = 128; // indexed by character code; codes 1 to 127 are usable
constexpr int MAX_REELS = 4;
constexpr int MAX_STOPS = 256;        // stops per reel strip
constexpr int MAX_SPIN_ENTRIES = 256; // spin-table entries per reel
constexpr int MAX_PAYOFFS = 32;
constexpr int MAX_COLUMNS = 4; // columns per payoff, one per reel
constexpr int MAX_PAY_LEVELS = 3;
constexpr int MAX_SND_MUSIC = 4;
constexpr int MAX_SND_COIN = 3;
// The largest machine file read. The largest meaningful one, every table full and every line
// at its longest, is far smaller; anything bigger is not a machine.
constexpr long MAX_MACHINE_FILE_BYTES = 16l << 20;

// A spin that plays itself out in one call stops re-spinning after this many free re-spins,
// so a strip that shows an autospin symbol on every stop cannot hold the caller forever.
constexpr int MAX_AUTO_SPINS = 10000;

// Symbol flags.
constexpr uint32_t SYM_UP = 1;        // just below the pay line, a nudge moves it up onto it
constexpr uint32_t SYM_DOWN = 2;      // just above the pay line, a nudge moves it down onto it
constexpr uint32_t SYM_DOUBLE = 4;    // a substituting wild with this flag doubles the pay
constexpr uint32_t SYM_WILD = 8;      // stands in for any symbol in a column it does not meet
constexpr uint32_t SYM_AUTOSPIN = 16; // on the pay line, starts free automatic re-spins

// A whole sound file held in memory; empty means not loaded. Slots that name the same file
// share one copy of its bytes.
class SoundImage {
public:
    SoundImage() = default;
    explicit SoundImage(std::vector<unsigned char> bytes)
        : bytes_(std::make_shared<const std::vector<unsigned char>>(std::move(bytes))) {}

    const unsigned char* data() const { return bytes_ ? bytes_->data() : nullptr; }
    size_t size() const { return bytes_ ? bytes_->size() : 0; }
    bool empty() const { return size() == 0; }
    void swap(SoundImage& other) noexcept { bytes_.swap(other.bytes_); }

private:
    std::shared_ptr<const std::vector<unsigned char>> bytes_;
};

// Strings in these records are owned, NUL-terminated and allocated with malloc (strdup);
// null means absent, which is not the same as an empty string.

struct SlotSymbol {
    char letter; // 0 in a record that no symbol line defined
    char* filename;
    char* label;
    uint32_t flags;
    double height;
    double tx, ty;
    double tx2, ty2;
};

struct SlotReel {
    int numsym;
    // strip[k] points into the owning machine's Symbols table at the record of the k-th
    // stop's letter; it is never null below numsym.
    SlotSymbol* strip[MAX_STOPS];
    double angle[MAX_STOPS]; // written by the reel mesh builder
    int numspin;
    int spin[MAX_SPIN_ENTRIES]; // strip indices, one drawn uniformly per spin
};

struct SlotPayoff {
    int match[MAX_COLUMNS][MAX_SYMBOLS]; // match[c]['*'] makes column c an any-symbol column
    uint32_t plus[MAX_COLUMNS];          // 1: the rows above and below the line count too
    int pay[MAX_PAY_LEVELS];             // credits for a bet of 1, 2, and 3 or more coins
    char* label;
};

class SlotMachine {
public:
    int NumPayoffs;
    int NumReels;
    int WeightedStrips;
    int Position[MAX_REELS];
    int CoinsBet;
    int CurrencyNum;
    int CurrencyDenom;
    int ResetCount;
    int AutoSpin;
    double SymSpace;
    double SymWidth;
    double WindowHeight;
    double WindowThick;
    double SymHeight;
    double ChartY;
    double ChartHeight;
    char* Name;
    char* FileName;
    char* ChartFile;
    int NumSndMusic;
    char* SndMusic[MAX_SND_MUSIC];
    SoundImage SndMusicData[MAX_SND_MUSIC];
    char* SndClunk;
    SoundImage SndClunkData;
    int NumSndCoin;
    char* SndCoin[MAX_SND_COIN];
    SoundImage SndCoinData[MAX_SND_COIN];
    char* SndPay;
    SoundImage SndPayData;
    char* SndBet;
    SoundImage SndBetData;
    char* SndAuto;
    SoundImage SndAutoData;
    int Expended;
    int Win;
    int PrevWin;
    int Credits;
    int MinCredits;
    int MaxCredits;
    int TotalBet;
    int Bet;
    int TotalCredited;
    int Spins;
    int LastBet;
    int BetShown;
    int Pending;
    int Paid;
    int MaxCoins;
    SlotSymbol Symbols[MAX_SYMBOLS];
    SlotReel Reels[MAX_REELS];
    SlotPayoff Payoffs[MAX_PAYOFFS];

    SlotMachine();
    ~SlotMachine();
    // strip[] points into Symbols, so a copy would point into the wrong machine.
    SlotMachine(const SlotMachine&) = delete;
    SlotMachine& operator=(const SlotMachine&) = delete;

    // Model (slot_machine.cpp).
    void Clear();
    void Reset();
    int GetMaxCoins() const { return MaxCoins; }
    int GetBet() const { return Bet; }

    // Machine file (machine_file.cpp). The loader's messages go to the sink; without one
    // they are written to standard error.
    void SetMessageSink(MessageSink* sink) { Messages = sink; }
    void Load(const char* path);
    int ParseSymbols(std::FILE* file);
    int ParseReels(std::FILE* file);
    int ParsePayoffs(std::FILE* file);
    void ParseKeyword(char* line);

    // Credits and bets (credits.cpp).
    void InsertMoney(int amount);
    void AddBet(int coins);
    int PayOut(int amount, int count);
    void TrackCredits();

    // Spin and nudge (spin.cpp; WrapStop and SymbolAt are inline, below, because every
    // spin, nudge and evaluation wraps a stop for each reel).
    int WrapStop(int reel, int index) const;
    int StopAbove(int reel) const { return WrapStop(reel, Position[reel] - 1); }
    int StopBelow(int reel) const { return WrapStop(reel, Position[reel] + 1); }
    const SlotSymbol& SymbolAt(int reel, int row) const;
    int NudgeReel(int reel);
    void Spin(int bet, int nudge, int autoPay);
    int Nudge(int autoPay);
    int CheckAutoSpin();

    // Payoff evaluation (payoff.cpp). A par sheet credits each win to the payoff that won it,
    // which Evaluate does not keep.
    struct Verdict {
        int amount = 0;
        int payoff = -1; // the winning row of Payoffs, -1 for no win
    };
    int Evaluate(int bet) const;
    Verdict Judge(int bet) const;
    // All that Judge and CheckAutoSpin read of a stop on the pay line of a reel: the payoffs
    // whose column it meets, fills with a wild and doubles, and whether it shows an autospin
    // symbol. Stops with equal keys are alike to them, so a par sheet weighs them as one.
    std::array<uint32_t, 4> VerdictKey(int reel, int stop) const;

    // Evaluate, NudgeReel and CheckAutoSpin read the machine through an index of every stop
    // that can be on the pay line, which Load and Clear build from Symbols, Reels (strips)
    // and Payoffs (stop_index.cpp). Code that changes any of those by hand calls
    // BuildStopIndex before the next spin, nudge or evaluation.
    void BuildStopIndex();

private:
    static int WrapFar(int n, int index);
    const SlotSymbol& StopSymbol(int reel, int stop) const;
    void ShowMessage(const char* text, const char* caption) const;

    MessageSink* Messages = nullptr;

    // What each stop means when it is on the pay line, worked out in advance: a spin then
    // needs one look-up per reel. Bit p of each mask stands for Payoffs[p], so that one pass
    // over the reels judges the whole pay table.
    struct StopEntry {
        uint32_t met;     // payoffs whose column this reel meets with a symbol of its set
        uint32_t wild;    // ... whose column a substituting wild fills
        uint32_t doubled; // ... whose column a doubling wild fills
        int16_t nudgeTo;  // the pay-line stop after a nudge (this stop if none moves it)
        uint8_t nudges;   // 1 if a nudge moves the reel
        uint8_t autoSpin; // 1 if the pay-line symbol has SYM_AUTOSPIN
    };
    struct StopIndex {
        uint32_t inUse;          // payoffs below NumPayoffs
        uint32_t any[MAX_REELS]; // payoffs whose column of the reel is "*"
        StopEntry stops[MAX_REELS][MAX_STOPS];
    };
    StopIndex Index = {};
};

inline int SlotMachine::WrapStop(int reel, int index) const {
    const int n = Reels[reel].numsym;
    if (n <= 0)
        return 0;
    // One turn either way covers the rows next to the pay line. Written as selects: whether
    // a neighbour wraps is a coin toss from spin to spin, and a mispredicted branch costs more
    // than the whole look-up.
    int wrapped = index < 0 ? index + n : index;
    wrapped = wrapped >= n ? wrapped - n : wrapped;
    if (static_cast<unsigned>(wrapped) < static_cast<unsigned>(n))
        return wrapped;
    return WrapFar(n, index);
}

// Row 0 is just above the pay line, 1 on it, 2 just below.
inline const SlotSymbol& SlotMachine::SymbolAt(int reel, int row) const {
    return StopSymbol(reel, WrapStop(reel, Position[reel] + row - 1));
}

inline const SlotSymbol& SlotMachine::StopSymbol(int reel, int stop) const {
    const SlotSymbol* symbol = Reels[reel].strip[stop];
    // A reel without stops shows the record that no symbol line can define.
    return symbol ? *symbol : Symbols[0];
}

// The one machine of the program, created by the world set-up.
extern SlotMachine* Machine;
