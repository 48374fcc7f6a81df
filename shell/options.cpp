#include "shell/options.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <iostream>
#include <unistd.h>

#include "cli/bounded_number.h"
#include "resources/key_guide.h"
#include "shell/app.h"

namespace {

constexpr const char* SCRIPT_HELP =
    R"(Automation script (--script), one command a line; blank lines and lines
starting with # are ignored:
  open PATH | cancel      answer the next File/Open dialog (unanswered ones are cancelled)
  command ID              a menu or accelerator command
  key NAME                F1..F8, Escape, Space, Enter, Plus, Minus, KeypadPlus,
                          KeypadMinus, Ctrl+LETTER, through the accelerator table
  click X Y               left button down at client pixel X, Y
  scroll h|v REQUEST      lineup, linedown, pageup, pagedown, top, bottom, thumb N
  resize W H              client area size
  minimize | restore      client area shrinks to nothing | returns to its size
  frames N                N passes of the main loop
  wait MS                 passes until the tick count has advanced by MS
  idle [MS]               passes until the machine is at rest (at most MS, default 120000)
  sleep MS                passes until MS of wall-clock time have passed
  write FROM TO           FROM's bytes saved over TO in place
  replace FROM TO         FROM's bytes saved beside TO, then renamed over it
  shot PATH               last rendered image of the client area, as PNG
  state PATH              program state as JSON
  quit                    File > Exit
While a script runs, message boxes are answered OK and printed as "box CAPTION: TEXT",
the about box as "about" and each File/Open dialog as "dialog open".
An unknown command or bad argument prints its line number on stderr and exits with 2.)";

constexpr int64_t LAST_DRIVER = MAX_DRIVERS - 1;
// A minute a pass: far beyond any frame, and far from the 2^31 ticks at which differences
// of the 32-bit tick count would turn negative and the clock would seem to run backwards.
constexpr int64_t LONGEST_TICK_STEP = 60000;

constexpr size_t KEY_COLUMN = 24;

std::string HelpFooter() {
    std::string text = "How to play:\n";
    int number = 0;
    for (const char* step : res::HOW_TO_PLAY)
        text += "  " + std::to_string(++number) + ". " + step + "\n";
    text += "\nKeys and mouse:\n";
    const auto row = [](const std::string& keys, const std::string& use) {
        const std::string key = "  " + keys;
        return key + std::string(key.size() < KEY_COLUMN ? KEY_COLUMN - key.size() : 1, ' ') + use +
               "\n";
    };
    for (const res::KeyUse& use : res::KeyUses())
        text += row(use.keys, use.menuItem + (use.effect.empty() ? "" : ": " + use.effect));
    return text + row("Mouse", res::MOUSE_USE) + "\n" + SCRIPT_HELP;
}

// Man page text wants its own backslashes and hyphens escaped.
std::string Roff(const std::string& text) {
    std::string out;
    for (const char c : text)
        out += c == '\\' ? "\\e" : c == '-' ? "\\-" : std::string(1, c);
    return out;
}

// The man page's sections on playing, for help2man, from the same tables as the help.
std::string ManSections() {
    std::string text = "[HOW TO PLAY]\n";
    int number = 0;
    for (const char* step : res::HOW_TO_PLAY)
        text += ".IP " + std::to_string(++number) + ". 4\n" + Roff(step) + "\n";
    text += "[KEYS AND MOUSE]\n";
    for (const res::KeyUse& use : res::KeyUses())
        text += ".TP\n\\fB" + Roff(use.keys) + "\\fR\n" + Roff(use.menuItem) +
                (use.effect.empty() ? "" : ": " + Roff(use.effect)) + "\n";
    return text + ".TP\n\\fBMouse\\fR\n" + Roff(res::MOUSE_USE) + "\n";
}

} // namespace

std::string MachineFileProblem(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_type type = fs::status(path, error).type();
    if (type == fs::file_type::not_found)
        return "no such file";
    if (error)
        return error.message();
    if (type != fs::file_type::regular)
        return "not a regular file";
    // The mode bits do not tell: root reads what they forbid, yet not a write-only file of
    // the kernel's. Only opening it does.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::strerror(errno);
    close(fd);
    return "";
}

int ParseOptions(int argc, char** argv, Options& options) {
    CLI::App app{"Kestrel 3D: a slot machine simulator in real-time 3D.", "kestrel3d"};
    app.footer(HelpFooter());
    app.set_version_flag("--version", std::string("kestrel3d ") + KESTREL_VERSION);
    app.add_option("machine", options.machineFile,
                   "Machine file (.slt) that answers the first File/Open dialog")
        ->check(CLI::Validator(
            [](std::string& path) {
                const std::string problem = MachineFileProblem(path);
                return problem.empty() ? problem : problem + ": " + path;
            },
            ""))
        ->type_name("MACHINE.slt");
    cli::AddBoundedNumber(app, "--seed", options.seed, 0, UINT32_MAX,
                          "Draw the reels' stops from seed N instead of the clock, so that the "
                          "same play stops them the same way again");
    cli::AddBoundedNumber(app, "--driver", options.driver, 0, LAST_DRIVER,
                          "Start on driver N of the File menu's list instead of the chosen one");
    cli::AddBoundedNumber(app, "--tick-step", options.tickStep, 1, LONGEST_TICK_STEP,
                          "Let every frame take MS milliseconds of a made-up clock instead of "
                          "real time, so that a run repeats exactly")
        ->type_name("MS");
    app.add_flag("--watch", options.watch,
                 "Start with Machine > Reload When Changed on: a saved machine file, picture or "
                 "sound reopens the machine");
    app.add_option("--script", options.script,
                   "Play an automation script (below) instead of waiting for a person, then exit")
        ->check(CLI::Validator(CLI::ExistingFile).description(""))
        ->type_name("FILE");
    // For the man page's build: its own sections on playing, and the help without them.
    bool manSections = false, manHelp = false;
    app.add_flag("--man-sections", manSections)->group("");
    app.add_flag("--man-help", manHelp)->group("");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // Help and version exit with 0; every usage error with 2, as a bad script does.
        return app.exit(e) == 0 ? 0 : 2;
    }
    if (manSections || manHelp) {
        app.footer(SCRIPT_HELP);
        std::cout << (manSections ? ManSections() : app.help());
        return 0;
    }
    return -1;
}
