#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/message_box.h"
#include "engine/owned_string.h"
#include "engine/slot_machine.h"
#include "engine/text_scan.h"

namespace {

// One read takes at most 255 characters; a longer line arrives in pieces, each read as a line.
constexpr int LINE_BUFFER_SIZE = 256;

enum class LineKind { Text, SectionEnd, EndOfFile };

// The next line of the section that is not blank, trimmed, in line; a NUL byte ends the
// line's text early.
LineKind NextLine(std::FILE* file, char (&buffer)[LINE_BUFFER_SIZE], char*& line) {
    for (;;) {
        if (!std::fgets(buffer, LINE_BUFFER_SIZE, file))
            return LineKind::EndOfFile;
        line = TrimBlanks(buffer);
        if (strcmp(line, "%%") == 0)
            return LineKind::SectionEnd;
        if (*line)
            return LineKind::Text;
    }
}

char LowerCase(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Keywords and flag words ignore the case of A to Z only, whatever the locale.
bool StartsWithNoCase(const char* text, const char* prefix) {
    for (; *prefix; text++, prefix++) {
        if (LowerCase(*text) != *prefix)
            return false;
    }
    return true;
}

int ParseInteger(char* p) {
    p = SkipBlanks(p);
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        p++;
    int value = 0;
    ParseNumber(p, value);
    return negative ? -value : value;
}

// Decimal notation in every locale; a value that is missing, out of range or not finite is 0.
double ParseReal(char* p) {
    p = SkipBlanks(p);
    if (*p == '+')
        p++;
    double value = 0.0;
    const auto result = std::from_chars(p, p + strlen(p), value, std::chars_format::general);
    if (result.ec != std::errc() || !std::isfinite(value))
        return 0.0;
    return value;
}

enum class KeywordKind { Flag, Text, Integer, Real, Music, Coin };

struct KeywordRule {
    const char* prefix; // lower case; tested over exactly its length
    KeywordKind kind;
    int SlotMachine::*integer = nullptr;
    double SlotMachine::*real = nullptr;
    char* SlotMachine::*text = nullptr;
    int minimum = INT_MIN;
};

// Tested in this order: "%chart " before "%charty" before "%chartheight ".
const KeywordRule KEYWORDS[] = {
    {.prefix = "%igtsplus", .kind = KeywordKind::Flag, .integer = &SlotMachine::WeightedStrips},
    {.prefix = "%name ", .kind = KeywordKind::Text, .text = &SlotMachine::Name},
    // A machine that takes no coin could never be played; it takes one at least.
    {.prefix = "%maxcoins ",
     .kind = KeywordKind::Integer,
     .integer = &SlotMachine::MaxCoins,
     .minimum = 1},
    {.prefix = "%symwidth ", .kind = KeywordKind::Real, .real = &SlotMachine::SymWidth},
    {.prefix = "%symspace ", .kind = KeywordKind::Real, .real = &SlotMachine::SymSpace},
    {.prefix = "%windowthick ", .kind = KeywordKind::Real, .real = &SlotMachine::WindowThick},
    {.prefix = "%windowheight ", .kind = KeywordKind::Real, .real = &SlotMachine::WindowHeight},
    {.prefix = "%symheight ", .kind = KeywordKind::Real, .real = &SlotMachine::SymHeight},
    {.prefix = "%chart ", .kind = KeywordKind::Text, .text = &SlotMachine::ChartFile},
    {.prefix = "%charty", .kind = KeywordKind::Real, .real = &SlotMachine::ChartY},
    {.prefix = "%chartheight ", .kind = KeywordKind::Real, .real = &SlotMachine::ChartHeight},
    {.prefix = "%sndmusic ", .kind = KeywordKind::Music},
    {.prefix = "%sndcoin ", .kind = KeywordKind::Coin},
    {.prefix = "%sndpay ", .kind = KeywordKind::Text, .text = &SlotMachine::SndPay},
    {.prefix = "%sndclun", .kind = KeywordKind::Text, .text = &SlotMachine::SndClunk},
    {.prefix = "%sndbet ", .kind = KeywordKind::Text, .text = &SlotMachine::SndBet},
    {.prefix = "%currencynum ", .kind = KeywordKind::Integer, .integer = &SlotMachine::CurrencyNum},
    {.prefix = "%currencydenom ",
     .kind = KeywordKind::Integer,
     .integer = &SlotMachine::CurrencyDenom,
     .minimum = 1},
    {.prefix = "%sndauto ", .kind = KeywordKind::Text, .text = &SlotMachine::SndAuto},
};

// Sounds beyond the table are ignored; the first ones named keep their places.
void AppendSound(char** names, int& count, int capacity, const char* value) {
    if (count < capacity)
        names[count++] = DuplicateString(value);
}

struct FlagWord {
    const char* word;
    uint32_t flag;
};

const FlagWord FLAG_WORDS[] = {
    {"(wild)", SYM_WILD}, {"(double)", SYM_DOUBLE},     {"(up)", SYM_UP},
    {"(down)", SYM_DOWN}, {"(autospin)", SYM_AUTOSPIN},
};

uint32_t FlagOfToken(const char* token) {
    for (const FlagWord& flagWord : FLAG_WORDS) {
        if (StartsWithNoCase(token, flagWord.word))
            return flagWord.flag;
    }
    return 0;
}

// "a" to "p" pick a cell of a 4 by 4 grid, "1" to "4" one of a 2 by 2 grid, counted along
// u from the row with the highest v. The extents stop just short of the next cell so that
// filtering never bleeds a neighbour's edge into the face.
void SetTextureCell(SlotSymbol& symbol, char cellChar) {
    const int c = static_cast<unsigned char>(LowerCase(cellChar));
    const bool large = c >= 'a' && c <= 'z';
    const int n = large ? 4 : 2;
    const int i = large ? c - 'a' : c - '1';
    const double size = large ? 0.25 : 0.5;
    const double extent = large ? 0.2499 : 0.4999;
    symbol.tx = (i % n) * size;
    symbol.ty = (n - i / n - 1) * size;
    symbol.tx2 = symbol.tx + extent;
    symbol.ty2 = symbol.ty + extent;
}

// "name" or "name/c": the texture name up to the "/", and the cell. A "/" with nothing after
// it in the token means the whole texture.
void SetTexture(SlotSymbol& symbol, const char* token) {
    symbol.filename = CopyToken(token);
    char* slash = symbol.filename ? strchr(symbol.filename, '/') : nullptr;
    const char cellChar = slash ? slash[1] : 0;
    if (slash)
        *slash = 0;
    if (cellChar) {
        SetTextureCell(symbol, cellChar);
    } else {
        symbol.tx = symbol.ty = 0.0;
        symbol.tx2 = symbol.ty2 = 1.0;
    }
}

void ClearSymbol(SlotSymbol& symbol) {
    ReleaseString(symbol.filename);
    ReleaseString(symbol.label);
    symbol = SlotSymbol{};
}

// False when the line has a symbol letter but no texture.
bool ReadSymbolLine(SlotMachine& machine, char* p) {
    uint32_t flags = 0;
    for (uint32_t flag; *p && (flag = FlagOfToken(p)) != 0; p = NextToken(p))
        flags |= flag;
    if (!*p)
        return true; // flag words alone define nothing
    const unsigned char letter = *p;
    if (letter >= MAX_SYMBOLS)
        return true; // no record can hold this character: the line is skipped

    SlotSymbol& symbol = machine.Symbols[letter];
    ClearSymbol(symbol);
    symbol.letter = static_cast<char>(letter);
    symbol.flags = flags;
    symbol.height = machine.SymHeight;
    p = NextToken(p);
    if (!*p)
        return false;
    SetTexture(symbol, p);
    symbol.label = DuplicateString(NextToken(p));
    return true;
}

// A character that no record can hold stands for a letter that no symbol line defined.
SlotSymbol* SymbolOfLetter(SlotMachine& machine, char c) {
    const unsigned char letter = c;
    return &machine.Symbols[letter < MAX_SYMBOLS ? letter : 0];
}

// Once a reel's spin table is full the rest of its column is ignored; the stops always fit,
// since a reel never has more stops than spin-table entries.
void AddStop(SlotReel& reel, SlotSymbol* symbol, bool weighted) {
    if (reel.numspin >= MAX_SPIN_ENTRIES)
        return;
    const bool repeat = weighted && reel.numsym > 0 && reel.strip[reel.numsym - 1] == symbol;
    if (!repeat)
        reel.strip[reel.numsym++] = symbol;
    reel.spin[reel.numspin++] = reel.numsym - 1;
}

// Tokens beyond the fourth are ignored.
void ReadReelLine(SlotMachine& machine, char* p) {
    int reel = 0;
    for (; *p && reel < MAX_REELS; p = NextToken(p), reel++)
        AddStop(machine.Reels[reel], SymbolOfLetter(machine, *p), machine.WeightedStrips != 0);
    if (reel > machine.NumReels)
        machine.NumReels = reel;
}

// Characters that no symbol can have, and columns beyond the fourth, are read but kept nowhere.
void SetMatch(SlotPayoff& payoff, int column, char c) {
    const unsigned char code = c;
    if (column < MAX_COLUMNS && code < MAX_SYMBOLS)
        payoff.match[column][code] = 1;
}

// One column token at p: "+" first marks a column that the rows above and below may meet;
// then "[set]" or one character ("+" alone meets nothing). Returns the next token, or null
// when a set runs to the end of the line without "]".
char* ReadColumn(SlotPayoff& payoff, int column, char* p) {
    if (*p == '+') {
        if (column < MAX_COLUMNS)
            payoff.plus[column] = 1;
        p++;
    }
    if (*p == '[') {
        for (p++; *p != ']'; p++) {
            if (!*p)
                return nullptr;
            SetMatch(payoff, column, *p);
        }
        p++;
    } else if (*p && !IsBlank(*p)) {
        SetMatch(payoff, column, *p);
    }
    return SkipTokenRest(p);
}

// The pays after the first "^": the leading digits of each token, up to the next "^".
// Tokens that do not start with a digit, and numbers after the third, are skipped.
// Returns the position of the second "^" or the line's end.
char* ReadPays(SlotPayoff& payoff, char* p) {
    int count = 0;
    for (; *p && *p != '^'; p = SkipTokenRest(p)) {
        if (IsDigit(*p) && count < MAX_PAY_LEVELS)
            ParseNumber(p, payoff.pay[count++]);
    }
    // A missing level pays the first level times its number of coins.
    for (int level = count; level < MAX_PAY_LEVELS; level++)
        payoff.pay[level] = payoff.pay[0] * (level + 1);
    return p;
}

// False when a "[" set is not closed.
bool ReadPayoffLine(SlotMachine& machine, char* p) {
    if (machine.NumPayoffs >= MAX_PAYOFFS)
        return true; // a 33rd payoff and beyond are ignored
    SlotPayoff& payoff = machine.Payoffs[machine.NumPayoffs++];
    ReleaseString(payoff.label);
    payoff = SlotPayoff{};
    for (int column = 0; *p && *p != '^'; column++) {
        p = ReadColumn(payoff, column, p);
        if (!p)
            return false;
    }
    if (!*p)
        return true; // no "^": the payoff never pays
    p = ReadPays(payoff, NextToken(p));
    if (*p == '^')
        payoff.label = DuplicateString(NextToken(p));
    return true;
}

} // namespace

void SlotMachine::ShowMessage(const char* text, const char* caption) const {
    if (Messages)
        Messages->Show(text, caption);
    else
        std::fprintf(stderr, "%s: %s\n", caption, text);
}

// Only a regular file is a machine file. A folder yields no lines, a device (/dev/zero) never
// ends and a pipe blocks the open until a writer comes: to the player each is a file that
// cannot be opened, and must not clear the machine. The open does not wait for a writer, and
// the kind and size are taken from what was opened, so nothing can change between the look
// and the read. A file larger than any machine (a sparse one of gigabytes reads as zeros for
// minutes) is refused with its own message.
static std::FILE* OpenMachineText(const char* path, bool& tooLarge) {
    tooLarge = false;
    const int fd = path ? open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC) : -1;
    if (fd < 0)
        return nullptr;
    struct stat info;
    std::FILE* file = nullptr;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        tooLarge = info.st_size > MAX_MACHINE_FILE_BYTES;
        if (!tooLarge && fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0)
            file = fdopen(fd, "r");
    }
    if (!file)
        close(fd);
    return file;
}

void SlotMachine::Load(const char* path) {
    bool tooLarge = false;
    std::FILE* file = OpenMachineText(path, tooLarge);
    if (!file) {
        static const std::string tooLargeText = "Machine file larger than " +
                                                std::to_string(MAX_MACHINE_FILE_BYTES >> 20) +
                                                " MiB, not read";
        ShowMessage(tooLarge ? tooLargeText.c_str() : "Unable to open specified file", "Error");
        return;
    }
    Clear();
    FileName = DuplicateString(path);
    // Each reader goes on from where the previous one stopped, even after a failure.
    if (!ParseSymbols(file))
        ShowMessage("ParseSymbols failed", "Error");
    if (!ParseReels(file))
        ShowMessage("ParseReels failed", "Error");
    if (!ParsePayoffs(file))
        ShowMessage("ParsePayoffs failed", "Error");
    std::fclose(file);
    BuildStopIndex();
}

void SlotMachine::ParseKeyword(char* line) {
    for (const KeywordRule& rule : KEYWORDS) {
        if (!StartsWithNoCase(line, rule.prefix))
            continue;
        char* value = NextToken(line);
        switch (rule.kind) {
        case KeywordKind::Flag:
            this->*rule.integer = 1;
            break;
        case KeywordKind::Text:
            ReplaceString(this->*rule.text, DuplicateString(value));
            break;
        case KeywordKind::Integer: {
            const int number = ParseInteger(value);
            this->*rule.integer = number < rule.minimum ? rule.minimum : number;
            break;
        }
        case KeywordKind::Real:
            this->*rule.real = ParseReal(value);
            break;
        case KeywordKind::Music:
            AppendSound(SndMusic, NumSndMusic, MAX_SND_MUSIC, value);
            break;
        case KeywordKind::Coin:
            AppendSound(SndCoin, NumSndCoin, MAX_SND_COIN, value);
            break;
        }
        line[0] = 0; // read as a blank line from here on
        return;
    }
}

int SlotMachine::ParseSymbols(std::FILE* file) {
    char buffer[LINE_BUFFER_SIZE];
    char* line = nullptr;
    for (;;) {
        const LineKind kind = NextLine(file, buffer, line);
        if (kind != LineKind::Text)
            return kind == LineKind::SectionEnd;
        ParseKeyword(line);
        if (*line && !ReadSymbolLine(*this, line))
            return 0;
    }
}

int SlotMachine::ParseReels(std::FILE* file) {
    char buffer[LINE_BUFFER_SIZE];
    char* line = nullptr;
    for (;;) {
        const LineKind kind = NextLine(file, buffer, line);
        if (kind != LineKind::Text)
            return kind == LineKind::SectionEnd;
        ReadReelLine(*this, line);
    }
}

int SlotMachine::ParsePayoffs(std::FILE* file) {
    char buffer[LINE_BUFFER_SIZE];
    char* line = nullptr;
    for (;;) {
        const LineKind kind = NextLine(file, buffer, line);
        if (kind != LineKind::Text)
            return kind == LineKind::SectionEnd;
        if (!ReadPayoffLine(*this, line))
            return 0;
    }
}
