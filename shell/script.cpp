#include "shell/script.h"

#include <array>
#include <cctype>
#include <initializer_list>
#include <optional>
#include <sstream>

#include "cli/whole_number.h"
#include "platform/win/win_types.h"

namespace {

struct OpName {
    const char* word;
    ScriptOp op;
};

constexpr std::array OPS = {
    OpName{"open", ScriptOp::Open},       OpName{"cancel", ScriptOp::Cancel},
    OpName{"command", ScriptOp::Command}, OpName{"key", ScriptOp::Key},
    OpName{"click", ScriptOp::Click},     OpName{"scroll", ScriptOp::Scroll},
    OpName{"resize", ScriptOp::Resize},   OpName{"minimize", ScriptOp::Minimize},
    OpName{"restore", ScriptOp::Restore}, OpName{"frames", ScriptOp::Frames},
    OpName{"wait", ScriptOp::Wait},       OpName{"idle", ScriptOp::Idle},
    OpName{"shot", ScriptOp::Shot},       OpName{"state", ScriptOp::State},
    OpName{"quit", ScriptOp::Quit},       OpName{"sleep", ScriptOp::Sleep},
    OpName{"write", ScriptOp::Write},     OpName{"replace", ScriptOp::Replace},
};

// The scroll requests in the order of their codes.
constexpr std::array<const char*, 8> SCROLL_REQUESTS = {"lineup", "linedown", "pageup", "pagedown",
                                                        "thumb",  "",         "top",    "bottom"};

struct NamedKey {
    const char* name;
    ScriptKey key;
};

// The keys a script may press by name, as the window reports each.
constexpr NamedKey KEYS[] = {
    {"F1", {win::VK_F1, 0, 0}},
    {"F2", {win::VK_F2, 0, 0}},
    {"F3", {win::VK_F3, 0, 0}},
    {"F4", {win::VK_F4, 0, 0}},
    {"F5", {win::VK_F5, 0, 0}},
    {"F6", {win::VK_F6, 0, 0}},
    {"F7", {win::VK_F7, 0, 0}},
    {"F8", {win::VK_F8, 0, 0}},
    {"Escape", {win::VK_ESCAPE, 0, 27}},
    {"Space", {win::VK_SPACE, 0, ' '}},
    {"Enter", {win::VK_RETURN, 0, '\r'}},
    {"Plus", {win::VK_OEM_PLUS, win::MOD_SHIFT, '+'}},
    {"Minus", {win::VK_OEM_MINUS, 0, '-'}},
    {"KeypadPlus", {win::VK_ADD, 0, '+'}},
    {"KeypadMinus", {win::VK_SUBTRACT, 0, '-'}},
};

// A named key, or Ctrl+LETTER (the letter in either case), which types the letter's control
// character.
std::optional<ScriptKey> FindKey(const std::string& name) {
    for (const NamedKey& named : KEYS)
        if (name == named.name)
            return named.key;
    if (name.size() == 6 && name.compare(0, 5, "Ctrl+") == 0 &&
        std::isalpha(static_cast<unsigned char>(name[5]))) {
        const int letter = std::toupper(static_cast<unsigned char>(name[5]));
        return ScriptKey{letter, win::MOD_CONTROL, letter - 'A' + 1};
    }
    return std::nullopt;
}

std::vector<std::string> SplitWords(const std::string& line) {
    std::istringstream words(line);
    std::vector<std::string> out;
    std::string word;
    while (words >> word)
        out.push_back(word);
    return out;
}

// A whole number within its bound; int-sized, as every bound of a script line is.
bool ParseBounded(const std::string& text, int low, int high, int& value) {
    int64_t parsed = 0;
    if (!ParseWholeNumber(text, low, high, parsed))
        return false;
    value = static_cast<int>(parsed);
    return true;
}

// The text after the command word, spaces kept, so paths may contain blanks.
std::string RestOfLine(const std::string& line, const std::string& word) {
    size_t at = line.find(word) + word.size();
    size_t from = line.find_first_not_of(" \t", at);
    size_t to = line.find_last_not_of(" \t\r");
    if (from == std::string::npos || to < from)
        return {};
    return line.substr(from, to - from + 1);
}

class LineParser {
public:
    LineParser(const std::string& line, int number) : line_(line), words_(SplitWords(line)) {
        step_.line = number;
    }

    // Empty result: fine; otherwise the problem.
    std::string Parse(ScriptOp op) {
        step_.op = op;
        switch (op) {
        case ScriptOp::Open:
        case ScriptOp::Shot:
        case ScriptOp::State:
            return Path();
        case ScriptOp::Key:
            return Key();
        case ScriptOp::Command:
            return Numbers(1, 0, 65535, {&step_.command});
        case ScriptOp::Click:
            return Numbers(2, 0, 65535, {&step_.x, &step_.y});
        case ScriptOp::Resize:
            return Numbers(2, 0, 32767, {&step_.width, &step_.height});
        case ScriptOp::Frames:
            return Numbers(1, 0, 1000000000, {&step_.passes});
        case ScriptOp::Wait:
            return Numbers(1, 0, 1000000000, {&step_.milliseconds});
        case ScriptOp::Sleep:
            return Numbers(1, 0, 1000000000, {&step_.milliseconds});
        case ScriptOp::Write:
        case ScriptOp::Replace:
            return TwoPaths();
        case ScriptOp::Idle:
            step_.milliseconds = DEFAULT_IDLE_LIMIT;
            return Numbers(0, 0, 1000000000, {&step_.milliseconds});
        case ScriptOp::Scroll:
            return Scroll();
        default:
            return Numbers(0, 0, 0, {});
        }
    }

    const ScriptStep& Step() const { return step_; }

private:
    std::string Path() {
        step_.path = RestOfLine(line_, words_[0]);
        return step_.path.empty() ? "missing path" : "";
    }

    std::string TwoPaths() {
        if (words_.size() != 3)
            return "expected two paths without blanks";
        step_.path = words_[1];
        step_.target = words_[2];
        return "";
    }

    std::string Key() {
        if (words_.size() != 2)
            return "expected one key name";
        const std::optional<ScriptKey> key = FindKey(words_[1]);
        if (!key)
            return "unknown key '" + words_[1] + "'";
        step_.key = *key;
        return "";
    }

    // The numbers fill `fields` in order; the first `least` of them must be given.
    std::string Numbers(size_t least, int low, int high, std::initializer_list<int*> fields) {
        const size_t most = fields.size();
        const size_t count = words_.size() - 1;
        if (count < least || count > most) {
            if (most == 0)
                return "takes no arguments";
            return least == most ? "expected " + std::to_string(least) + " number(s)"
                                 : "expected at most " + std::to_string(most) + " number(s)";
        }
        for (size_t i = 0; i < count; ++i) {
            if (!ParseBounded(words_[i + 1], low, high, *fields.begin()[i]))
                return WholeNumberExpected(words_[i + 1], low, high);
        }
        return "";
    }

    std::string Scroll() {
        if (words_.size() < 3)
            return "expected h|v and a request";
        if (words_[1] != "h" && words_[1] != "v")
            return "expected h or v, not '" + words_[1] + "'";
        step_.vertical = words_[1] == "v";
        int request = -1;
        for (size_t i = 0; i < SCROLL_REQUESTS.size(); ++i)
            if (*SCROLL_REQUESTS[i] && words_[2] == SCROLL_REQUESTS[i])
                request = static_cast<int>(i);
        if (request < 0)
            return "unknown scroll request '" + words_[2] + "'";
        step_.request = request;
        const bool thumb = words_[2] == "thumb";
        if (words_.size() != (thumb ? 4u : 3u))
            return thumb ? "thumb needs one position" : "too many arguments";
        if (thumb && !ParseBounded(words_[3], -32768, 32767, step_.thumb))
            return WholeNumberExpected(words_[3], -32768, 32767);
        return "";
    }

    const std::string& line_;
    std::vector<std::string> words_;
    ScriptStep step_;
};

} // namespace

bool ParseScript(std::istream& in, std::vector<ScriptStep>& steps, std::string& error) {
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        // Paths are handed to the system as C strings, which a NUL byte would cut short.
        if (line.find('\0') != std::string::npos) {
            error = "line " + std::to_string(number) + ": contains a NUL byte";
            return false;
        }
        const std::vector<std::string> words = SplitWords(line);
        if (words.empty() || words[0][0] == '#')
            continue;
        const OpName* found = nullptr;
        for (const OpName& op : OPS)
            if (words[0] == op.word)
                found = &op;
        if (!found) {
            error = "line " + std::to_string(number) + ": unknown command '" + words[0] + "'";
            return false;
        }
        LineParser parser(line, number);
        const std::string problem = parser.Parse(found->op);
        if (!problem.empty()) {
            error = "line " + std::to_string(number) + ": " + words[0] + ": " + problem;
            return false;
        }
        steps.push_back(parser.Step());
    }
    return true;
}
