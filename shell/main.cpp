// kestrel3d: the slot machine simulator's window program.

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <sstream>
#include <unistd.h>

#include "cli/standard_output.h"
#include "platform/rm/results.h"
#include "platform/sound/sound.h"
#include "platform/win/platform.h"
#include "platform/win/qt_platform.h"
#include "play/sound_cues.h"
#include "shell/app.h"
#include "shell/automation.h"
#include "shell/options.h"
#include "shell/script.h"

namespace {

// A script is a few lines; a file this large is not one, and is not taken into memory.
constexpr size_t LARGEST_SCRIPT = size_t{64} << 20;

// The whole file into `text`; returns why it could not be read, or nothing.
std::string ReadWhole(const std::string& path, std::string& text) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::strerror(errno);
    std::string problem;
    char chunk[65536];
    for (;;) {
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            problem = got < 0 ? std::strerror(errno) : "";
            break;
        }
        if (text.size() + static_cast<size_t>(got) > LARGEST_SCRIPT) {
            problem = "larger than 64 MiB";
            break;
        }
        text.append(chunk, static_cast<size_t>(got));
    }
    close(fd);
    return problem;
}

// Reads the whole script before anything starts, so a bad line costs nothing. A script that
// cannot be read whole is refused: running part of it would pass for running all of it.
bool ReadScript(const std::string& path, std::vector<ScriptStep>& steps) {
    if (path.empty())
        return true;
    std::string text;
    if (const std::string problem = ReadWhole(path, text); !problem.empty()) {
        std::cerr << "kestrel3d: cannot read " << path << ": " << problem << '\n';
        return false;
    }
    std::istringstream in(text);
    std::string error;
    if (!ParseScript(in, steps, error)) {
        std::cerr << "kestrel3d: " << error << '\n';
        return false;
    }
    return true;
}

// The MACHINE argument answers the first File/Open dialog, and so does an `open` or `cancel`
// at the top of a script: given both, neither silently loses, the run is refused.
bool MachineGivenOnce(const Options& options, const std::vector<ScriptStep>& steps) {
    if (options.machineFile.empty() || steps.empty() ||
        (steps[0].op != ScriptOp::Open && steps[0].op != ScriptOp::Cancel))
        return true;
    std::cerr << "kestrel3d: line " << steps[0].line
              << ": the MACHINE argument already answers the first File/Open dialog; give the "
                 "machine either on the command line or in the script\n";
    return false;
}

long failingCall = 0; // the call KESTREL_FAIL_CALL chose, counted from the start; 0 for none

// KESTREL_FAIL_CALL=N or N:CODE makes the N-th call into the 3D and DirectDraw layers,
// counted from the start, fail with CODE (hex, a failure code; E_FAIL when left out), so the
// failure paths can be walked from outside. False after printing why a value is wrong.
bool ArmFailingCall() {
    const char* value = std::getenv("KESTREL_FAIL_CALL");
    if (value == nullptr || *value == '\0')
        return true;
    const char* end = value + std::strlen(value);
    int n = 0;
    uint32_t bits = uint32_t(E_FAIL);
    const auto [rest, error] = std::from_chars(value, end, n);
    bool wellFormed = error == std::errc();
    if (wellFormed && rest != end) {
        const char* hex = rest + 1;
        if (*rest != ':')
            wellFormed = false;
        else if (end - hex > 2 && hex[0] == '0' && (hex[1] == 'x' || hex[1] == 'X'))
            hex += 2;
        const auto [last, hexError] = std::from_chars(hex, end, bits, 16);
        wellFormed = wellFormed && hexError == std::errc() && last == end;
    }
    const HRESULT code = MakeResult(bits);
    if (!wellFormed || n < 1 || code >= 0) {
        std::cerr << "kestrel3d: KESTREL_FAIL_CALL: '" << value
                  << "' is not N or N:CODE (N a call number from 1, CODE a failure code in hex "
                     "such as 80004005)\n";
        return false;
    }
    rm::FailNthCall(n, code);
    failingCall = rm::CallCount() + n;
    return true;
}

// A chosen call past the end of the run failed nothing; saying how many calls there were
// tells a sweep over every call where to stop.
void ReportUnmadeFailingCall() {
    if (failingCall > rm::CallCount())
        std::cerr << "kestrel3d: KESTREL_FAIL_CALL: call " << failingCall
                  << " was never made; the run made " << rm::CallCount() << " calls\n";
}

// The cues go to the sound device; where there is none the program plays on in silence.
class DeviceSound : public SoundOutput {
public:
    int Play(const void* image, size_t size, unsigned flags) override {
        return snd::sndPlaySoundA(image, size, flags);
    }
};

int Run(int argc, char** argv) {
    const auto started = std::chrono::steady_clock::now();
    Options options;
    if (const int code = ParseOptions(argc, argv, options); code >= 0)
        return code;
    std::vector<ScriptStep> steps;
    if (!ReadScript(options.script, steps) || !MachineGivenOnce(options, steps) ||
        !ArmFailingCall())
        return 2;

    win::QtPlatform platform(argc, argv);
    DeviceSound device;
    SetSoundOutput(&device);
    int result = 2;
    {
        Automation automation(options, std::move(steps), started);
        if (!automation.Failed())
            result = automation.ExitCode(WinMain(win::SW_SHOWNORMAL));
    }
    FreeProgram();
    SetSoundOutput(nullptr);
    snd::Shutdown();
    win::ReleaseWindows();
    ReportUnmadeFailingCall();
    return result;
}

} // namespace

// What a script prints (boxes, sounds, dialogs) is the run's output: lost, the run failed.
int main(int argc, char** argv) {
    return CheckStandardOutput("kestrel3d", Run(argc, argv));
}
