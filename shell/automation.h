#pragma once
// What the command line adds to a run: the machine file that answers the first File/Open
// dialog, a fixed seed, a virtual tick count, and automation scripts played in place of a
// person. Installed for the life of this object.

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "shell/options.h"
#include "shell/script.h"

class Automation {
public:
    // Script paths are taken relative to the directory the program started in. With
    // KESTREL_STARTUP_TIMING set, the time from `started` to the first rendered frame is
    // printed on stderr.
    Automation(const Options& options, std::vector<ScriptStep> steps,
               std::chrono::steady_clock::time_point started);
    ~Automation();
    Automation(const Automation&) = delete;
    Automation& operator=(const Automation&) = delete;

    // A script step has failed (a bad argument found while playing it); the run must end.
    bool Failed() const;

    // The program's exit code once the main loop has returned `loopResult`.
    int ExitCode(int loopResult) const;

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};
