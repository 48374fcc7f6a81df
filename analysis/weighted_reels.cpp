#include "analysis/weighted_reels.h"

#include <algorithm>
#include <cstdlib>

#include "engine/text_scan.h"

namespace {

// A line as the loader reads it: at most 255 characters at a time, the text cut at a NUL
// and trimmed.
struct FileLine {
    size_t begin = 0;
    size_t end = 0; // after the line end, when it has one
    std::string text;
};

constexpr size_t LOADER_PIECE = 255;

std::vector<FileLine> LoaderLines(const std::string& text) {
    std::vector<FileLine> lines;
    for (size_t at = 0; at < text.size();) {
        const size_t newline = text.find('\n', at);
        const size_t end = std::min({newline == std::string::npos ? text.size() : newline + 1,
                                     at + LOADER_PIECE, text.size()});
        std::string piece = text.substr(at, end - at);
        lines.push_back({at, end, TrimBlanks(piece.data())});
        at = end;
    }
    return lines;
}

std::vector<std::string> Tokens(std::string line) {
    std::vector<std::string> tokens;
    for (char* p = SkipBlanks(line.data()); *p; p = NextToken(p)) {
        char* token = CopyToken(p);
        tokens.emplace_back(token);
        std::free(token);
    }
    return tokens;
}

} // namespace

StopWeights WeightsOf(const SlotMachine& machine) {
    StopWeights weights(machine.NumReels);
    for (int i = 0; i < machine.NumReels; ++i) {
        const SlotReel& reel = machine.Reels[i];
        weights[i].assign(reel.numsym, 0);
        for (int e = 0; e < reel.numspin; ++e)
            ++weights[i][reel.spin[e]];
    }
    return weights;
}

std::string WhyWeightsWouldChangeStrips(const SlotMachine& machine) {
    if (machine.WeightedStrips)
        return {};
    for (int i = 0; i < machine.NumReels; ++i) {
        const SlotReel& reel = machine.Reels[i];
        for (int k = 1; k < reel.numsym; ++k)
            if (reel.strip[k] == reel.strip[k - 1])
                return "reel " + std::to_string(i) + " holds '" +
                       static_cast<char>(reel.strip[k] - machine.Symbols) +
                       "' twice in a row (stops " + std::to_string(k - 1) + " and " +
                       std::to_string(k) +
                       "): with \"%igtsplus\" they would become one stop, so its weights cannot "
                       "change without changing its strip";
    }
    return {};
}

std::string WithWeights(const std::string& text, const SlotMachine& machine,
                        const StopWeights& weights) {
    const std::vector<FileLine> lines = LoaderLines(text);
    const auto sectionEnd = [&lines](size_t from) {
        while (from < lines.size() && lines[from].text != "%%")
            ++from;
        return from;
    };
    const size_t symbolsEnd = sectionEnd(0);
    const size_t reelsEnd = sectionEnd(symbolsEnd + 1);
    if (reelsEnd >= lines.size())
        return text; // not a file that loaded whole: read back, it shows no weights

    // The token of each spin-table entry, as the loader took them.
    std::vector<std::vector<std::string>> entryTokens(MAX_REELS);
    for (size_t l = symbolsEnd + 1; l < reelsEnd; ++l) {
        const std::vector<std::string> tokens = Tokens(lines[l].text);
        for (size_t i = 0; i < tokens.size() && i < MAX_REELS; ++i)
            if (entryTokens[i].size() < MAX_SPIN_ENTRIES)
                entryTokens[i].push_back(tokens[i]);
    }
    std::vector<std::vector<std::string>> columns(weights.size());
    for (size_t i = 0; i < weights.size(); ++i) {
        const SlotReel& reel = machine.Reels[i];
        for (int k = 0; k < reel.numsym; ++k) {
            const int first =
                static_cast<int>(std::find(reel.spin, reel.spin + reel.numspin, k) - reel.spin);
            columns[i].insert(columns[i].end(), weights[i][k], entryTokens[i][first]);
        }
    }

    const FileLine& end = lines[symbolsEnd];
    const bool crlf = end.end >= 2 && text.compare(end.end - 2, 2, "\r\n") == 0;
    const std::string eol = crlf ? "\r\n" : "\n";
    std::string reels;
    for (size_t row = 0; !columns.empty() && row < columns[0].size(); ++row) {
        for (size_t i = 0; i < columns.size() && row < columns[i].size(); ++i)
            reels += (i ? " " : "") + columns[i][row];
        reels += eol;
    }
    return text.substr(0, end.begin) + (machine.WeightedStrips ? "" : "%igtsplus" + eol) +
           text.substr(end.begin, end.end - end.begin) + reels + text.substr(lines[reelsEnd].begin);
}
