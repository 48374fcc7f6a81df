#include "analysis/reel_report.h"

namespace {

// A symbol's letter as the file writes it; a control character as its code.
std::string Letter(char letter) {
    if (letter > ' ' && letter < 127)
        return std::string(1, letter);
    std::string code = std::to_string(static_cast<int>(letter));
    return code.insert(0, 1, '#');
}

Json Counts(const std::map<char, int>& counts) {
    Json j = Json::object();
    for (const auto& [letter, count] : counts)
        j[Letter(letter)] = count;
    return j;
}

std::string CountsText(const std::map<char, int>& onStrip, const std::map<char, int>& inTable) {
    std::string t;
    for (const auto& [letter, count] : inTable) {
        const auto strip = onStrip.find(letter);
        t += "  " + Letter(letter) + " " +
             std::to_string(strip == onStrip.end() ? 0 : strip->second) + "/" +
             std::to_string(count);
    }
    return t;
}

constexpr size_t STRIP_LINE = 64;

} // namespace

std::string ReelsText(const ParSheet& sheet) {
    std::string t;
    for (size_t i = 0; i < sheet.reels.size(); ++i) {
        const ReelSummary& reel = sheet.reels[i];
        t += "reel " + std::to_string(i) + ": " + std::to_string(reel.strip.size()) + " stops, " +
             std::to_string(sheet.spinSizes[i]) + " spin-table entries, " +
             std::to_string(reel.classes) + " classes\n";
        std::string letters;
        for (char letter : reel.strip)
            letters += Letter(letter).size() == 1 ? Letter(letter) : "?";
        for (size_t at = 0; at < letters.size(); at += STRIP_LINE)
            t += (at ? "         " : "  strip  ") + letters.substr(at, STRIP_LINE) + "\n";
        t += "  count" + CountsText(reel.onStrip, reel.inSpinTable) +
             " (on the strip/in the spin table)\n";
    }
    return t;
}

Json ReelsJson(const ParSheet& sheet) {
    Json strips = Json::array();
    for (size_t i = 0; i < sheet.reels.size(); ++i) {
        const ReelSummary& reel = sheet.reels[i];
        strips.push_back({{"strip", reel.strip},
                          {"stops", reel.strip.size()},
                          {"entries", sheet.spinSizes[i]},
                          {"classes", reel.classes},
                          {"onStrip", Counts(reel.onStrip)},
                          {"inSpinTable", Counts(reel.inSpinTable)}});
    }
    return strips;
}
