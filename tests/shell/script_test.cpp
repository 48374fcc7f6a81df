#include "shell/script.h"

#include "platform/win/win_types.h"

#include <gtest/gtest.h>
#include <sstream>
#include <tuple>

namespace {

struct Parsed {
    bool ok;
    std::vector<ScriptStep> steps;
    std::string error;
};

Parsed Parse(const std::string& text) {
    std::istringstream in(text);
    Parsed p;
    p.ok = ParseScript(in, p.steps, p.error);
    return p;
}

TEST(Script, ReadsEveryCommandWithItsArguments) {
    const Parsed p = Parse("#a comment\n"
                           "\n"
                           "open machines/my machine.slt  \r\n"
                           "cancel\n"
                           "command 105\n"
                           "key Ctrl+x\nkey Plus\n"
                           "click 300 200\n"
                           "scroll v thumb -7\n"
                           "scroll h pagedown\n"
                           "resize 640 480\n"
                           "minimize\nrestore\n"
                           "frames 3\nwait 250\nidle\nidle 500\n"
                           "shot out.png\nstate s.json\nquit\n");
    ASSERT_TRUE(p.ok) << p.error;
    ASSERT_EQ(p.steps.size(), 18u);
    EXPECT_EQ(p.steps[0].op, ScriptOp::Open);
    EXPECT_EQ(p.steps[0].path, "machines/my machine.slt");
    EXPECT_EQ(p.steps[0].line, 3);
    EXPECT_EQ(p.steps[2].command, 105);
    const auto key = [&](int i) {
        const ScriptKey& k = p.steps[i].key;
        return std::tuple(k.code, k.modifiers, k.character);
    };
    EXPECT_EQ(key(3), std::tuple('X', win::MOD_CONTROL, 24)); // Ctrl+X types CAN
    EXPECT_EQ(key(4), std::tuple(win::VK_OEM_PLUS, win::MOD_SHIFT, '+'));
    EXPECT_EQ(std::tie(p.steps[5].x, p.steps[5].y), std::make_tuple(300, 200));
    EXPECT_EQ(std::tie(p.steps[6].vertical, p.steps[6].request, p.steps[6].thumb),
              std::make_tuple(true, 4, -7));
    EXPECT_EQ(std::tie(p.steps[7].vertical, p.steps[7].request), std::make_tuple(false, 3));
    EXPECT_EQ(std::tie(p.steps[8].width, p.steps[8].height), std::make_tuple(640, 480));
    EXPECT_EQ(p.steps[11].passes, 3);
    EXPECT_EQ(p.steps[12].milliseconds, 250);
    EXPECT_EQ(p.steps[13].op, ScriptOp::Idle);
    EXPECT_EQ(p.steps[13].milliseconds, DEFAULT_IDLE_LIMIT);
    EXPECT_EQ(p.steps[14].milliseconds, 500);
    EXPECT_EQ(p.steps[17].op, ScriptOp::Quit);
    const std::pair<const char*, int> scrollCodes[] = {
        {"lineup", 0}, {"linedown", 1}, {"pageup", 2}, {"pagedown", 3}, {"top", 6}, {"bottom", 7}};
    for (const auto& [request, code] : scrollCodes)
        EXPECT_EQ(Parse(std::string("scroll h ") + request).steps.at(0).request, code) << request;
}

TEST(Script, NamesTheLineAndTheProblemAndSurvivesGarbage) {
    using namespace std::string_literals;
    const std::pair<std::string, const char*> cases[] = {
        {"frames 1\njump 3\n", "line 2: unknown command 'jump'"},
        {"frames 1\nstate st\0.json\n"s, "line 2: contains a NUL byte"},
        {"shot a\0.png\n"s, "line 1: contains a NUL byte"},
        {"open \0\n"s, "line 1: contains a NUL byte"},
        {"command 1x\n", "line 1: command: expected a whole number from 0 to 65535, not '1x'"},
        {"frames -1\n", "line 1: frames: expected a whole number from 0 to 1000000000, not '-1'"},
        {"quit now\n", "line 1: quit: takes no arguments"},
        {"key F9\n", "line 1: key: unknown key 'F9'"},
        {"key Ctrl+1\n", "line 1: key: unknown key 'Ctrl+1'"},
        {"key Ctrl+ab\n", "line 1: key: unknown key 'Ctrl+ab'"},
        {"key F1 F2\n", "line 1: key: expected one key name"},
        {"click 5\n", "line 1: click: expected 2 number(s)"},
        {"resize 32768 9\n",
         "line 1: resize: expected a whole number from 0 to 32767, not '32768'"},
        {"scroll h top 5\n", "line 1: scroll: too many arguments"},
        {"scroll x top\n", "line 1: scroll: expected h or v, not 'x'"},
        {"scroll h sideways\n", "line 1: scroll: unknown scroll request 'sideways'"},
        {"scroll h thumb 99999\n",
         "line 1: scroll: expected a whole number from -32768 to 32767, not '99999'"},
        {"idle 1 2\n", "line 1: idle: expected at most 1 number(s)"},
        {"wait 99999999999\n",
         "line 1: wait: expected a whole number from 0 to 1000000000, not '99999999999'"},
    };
    for (const auto& [text, error] : cases) {
        const Parsed p = Parse(text);
        EXPECT_FALSE(p.ok) << text;
        EXPECT_EQ(p.error, error) << text;
    }
    EXPECT_EQ(Parse("frames 1\nquit\nclick 5\n").steps.size(), 2u); // the lines before the bad one
    std::string junk;
    for (int i = 0; i < 2000; ++i)
        junk += static_cast<char>((i * 7919) % 256);
    const Parsed p = Parse(junk);
    EXPECT_FALSE(p.ok);
    EXPECT_EQ(p.error.rfind("line ", 0), 0u);
}

} // namespace
