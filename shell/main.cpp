// kestrel3d: the slot machine simulator's window program.

#include <chrono>
#include <fstream>
#include <iostream>

#include "platform/win/platform.h"
#include "platform/win/qt_platform.h"
#include "shell/app.h"
#include "shell/automation.h"
#include "shell/options.h"
#include "shell/script.h"

namespace {

// Reads the whole script before anything starts, so a bad line costs nothing.
int ReadScript(const std::string& path, std::vector<ScriptStep>& steps) {
    if (path.empty())
        return 1;
    std::ifstream in(path);
    std::string error;
    if (!in) {
        std::cerr << "kestrel3d: cannot read " << path << '\n';
        return 0;
    }
    if (!ParseScript(in, steps, error)) {
        std::cerr << "kestrel3d: " << error << '\n';
        return 0;
    }
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    const auto started = std::chrono::steady_clock::now();
    Options options;
    if (const int code = ParseOptions(argc, argv, options); code >= 0)
        return code;
    std::vector<ScriptStep> steps;
    if (!ReadScript(options.script, steps))
        return 2;

    win::QtPlatform platform(argc, argv);
    int result = 2;
    {
        Automation automation(options, std::move(steps), started);
        if (!automation.Failed())
            result = automation.ExitCode(WinMain(win::SW_SHOWNORMAL));
    }
    FreeProgram();
    win::ReleaseWindows();
    return result;
}
