#include "shell/automation.h"

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>

#include "platform/rm/d3drm.h"
#include "platform/win/clock.h"
#include "platform/win/platform.h"
#include "platform/win/recording_dialogs.h"
#include "play/play_state.h"
#include "play/sound_cues.h"
#include "resources/command_ids.h"
#include "scene/shared_flags.h"
#include "scene/world.h"
#include "shell/app.h"
#include "shell/program_state.h"
#include "shell/render.h"
#include "shell/workbench.h"

namespace {

// Line breaks of a box text as the two characters \n, so each box is one line of output.
std::string OneLine(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        if (text[i] == '\n' || text[i] == '\r')
            out += "\\n";
        else
            out += text[i];
    }
    return out;
}

void PrintLine(const std::string& line) {
    std::cout << line << '\n' << std::flush;
}

// Answers File/Open dialogs from a queue first. While a script runs nothing waits for a
// person: boxes are printed and answered OK, the about box is printed and closed with OK,
// and a File/Open dialog with nothing queued is cancelled.
class AnsweringDialogs : public win::Dialogs {
public:
    AnsweringDialogs(win::Dialogs& real, bool scripted) : real_(real), scripted_(scripted) {}

    std::deque<std::optional<std::string>> answers;

    int MessageBox(win::Window* owner, const std::string& text, const std::string& caption,
                   unsigned style) override {
        if (!scripted_)
            return real_.MessageBox(owner, text, caption, style);
        PrintLine("box " + caption + ": " + OneLine(text));
        return win::IDOK;
    }

    void MessageBeep(unsigned type) override {
        if (!scripted_)
            real_.MessageBeep(type);
    }

    int DialogBox(const win::DialogResource& resource, win::Window* owner,
                  win::DialogProc proc) override {
        if (!scripted_)
            return real_.DialogBox(resource, owner, proc);
        const std::string name = resource.name ? resource.name : "";
        PrintLine(name == "AppAbout" ? "about" : "dialog " + name);
        return pressOk_.DialogBox(resource, owner, proc);
    }

    bool ChooseOpenFile(win::OpenFileName& request) override {
        if (scripted_)
            PrintLine("dialog open");
        if (answers.empty())
            return scripted_ ? false : real_.ChooseOpenFile(request);
        const std::optional<std::string> answer = answers.front();
        answers.pop_front();
        if (!answer)
            return false;
        request.file = *answer;
        return true;
    }

private:
    win::Dialogs& real_;
    bool scripted_;
    win::RecordingDialogs pressOk_; // presses OK in every dialog
};

// Every cue is printed as `sound NAME FLAGS`, then goes on to the output installed before.
class PrintingSound : public SoundOutput {
public:
    explicit PrintingSound(SoundOutput& next) : next_(next) {}
    int Play(const void* image, size_t size, unsigned flags) override {
        PrintLine(std::string("sound ") + SoundName(image) + " " + std::to_string(flags));
        return next_.Play(image, size, flags);
    }

private:
    SoundOutput& next_;
};

std::string AbsolutePath(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
}

} // namespace

class Automation::Impl {
public:
    Impl(const Options& options, std::vector<ScriptStep> steps,
         std::chrono::steady_clock::time_point started)
        : dialogs_(win::CurrentDialogs(), !options.script.empty()),
          scripted_(!options.script.empty()), steps_(std::move(steps)), started_(started),
          timing_(std::getenv("KESTREL_STARTUP_TIMING") != nullptr),
          soundBefore_(CurrentSoundOutput()), printingSound_(soundBefore_) {
        if (scripted_)
            SetSoundOutput(&printingSound_);
        for (ScriptStep& step : steps_)
            if (step.op == ScriptOp::Open || step.op == ScriptOp::Shot ||
                step.op == ScriptOp::State || step.op == ScriptOp::Write ||
                step.op == ScriptOp::Replace) {
                step.path = AbsolutePath(step.path);
                step.target = step.target.empty() ? "" : AbsolutePath(step.target);
            }
        if (!options.machineFile.empty())
            dialogs_.answers.push_back(AbsolutePath(options.machineFile));
        win::SetDialogs(&dialogs_);
        if (options.tickStep) {
            clock_.SetStep(*options.tickStep);
            win::SetClock(&clock_);
            virtualTime_ = true;
        }
        if (options.seed)
            World.SeedOverride = options.seed;
        if (options.driver)
            Shell.StartDriver = *options.driver;
        Bench.Watch = options.watch;
        // The answers to the dialogs of start-up are known before the window exists.
        RunQueueingSteps();
        Shell.LoopHooks.beforePass = [this] { BeforePass(); };
        Shell.LoopHooks.wakeBy = [this] { return WakeBy(); };
    }

    ~Impl() {
        Shell.LoopHooks = MainLoopHooks{};
        if (scripted_)
            SetSoundOutput(&soundBefore_);
        win::SetDialogs(nullptr);
        if (virtualTime_)
            win::SetClock(nullptr);
        World.SeedOverride.reset();
        Shell.StartDriver = -1;
    }

    int ExitCode(int loopResult) const { return failed_ ? 2 : loopResult; }
    bool Failed() const { return failed_; }

private:
    void RunQueueingSteps() {
        while (next_ < steps_.size() &&
               (steps_[next_].op == ScriptOp::Open || steps_[next_].op == ScriptOp::Cancel))
            Execute(steps_[next_++]);
    }

    void BeforePass() {
        if (timing_ && Shell.Status.frameCount == 1)
            ReportStartUpTime();
        if (virtualTime_)
            clock_.Advance();
        if (!scripted_ || Shell.Quit || StillWaiting())
            return;
        while (next_ < steps_.size() && !Shell.Quit) {
            if (Execute(steps_[next_++]))
                return;
        }
        if (!Shell.Quit)
            Deliver(win::Message{.kind = win::Kind::Command, .command = CMD_EXIT});
    }

    // A script runs its passes back to back, except while it sleeps: the loop then rests
    // and keeps to the display's refresh as it does for a person.
    SteadyTime WakeBy() const {
        if (!scripted_)
            return SteadyTime::max();
        return waiting_ == Wait::Wall ? wallEnd_ : SteadyTime::min();
    }

    void ReportStartUpTime() {
        using namespace std::chrono;
        const double ms = duration<double, std::milli>(steady_clock::now() - started_).count();
        std::fprintf(stderr, "kestrel3d: first frame %.1f ms after start\n", ms);
        timing_ = false;
    }

    // A step that lets the loop run (frames, wait, idle) holds the script until it is done.
    bool StillWaiting() {
        switch (waiting_) {
        case Wait::Passes:
            if (passesLeft_ > 0) {
                --passesLeft_;
                return true;
            }
            break;
        case Wait::Ticks:
            if (win::GetTickCount() - waitStart_ < waitTicks_)
                return true;
            break;
        case Wait::Wall:
            if (std::chrono::steady_clock::now() < wallEnd_)
                return true;
            break;
        case Wait::Rest:
            if (!MachineAtRest() && win::GetTickCount() - waitStart_ < waitTicks_)
                return true;
            break;
        case Wait::None:
            break;
        }
        waiting_ = Wait::None;
        return false;
    }

    void Deliver(win::Message message) {
        message.window = Shell.MainWindow;
        DeliverMessage(message);
        PumpMessages();
    }

    void Fail(const ScriptStep& step, const std::string& problem) {
        std::cerr << "kestrel3d: line " << step.line << ": " << problem << '\n';
        failed_ = true;
        if (Shell.MainWindow)
            ShutDown();
    }

    // Carries out one step; true when the loop must run before the next.
    bool Execute(const ScriptStep& step) {
        switch (step.op) {
        case ScriptOp::Open:
            if (const std::string problem = MachineFileProblem(step.path); !problem.empty())
                Fail(step, "open: " + problem + ": " + step.path);
            else
                dialogs_.answers.push_back(step.path);
            return false;
        case ScriptOp::Cancel:
            dialogs_.answers.push_back(std::nullopt);
            return false;
        case ScriptOp::Command:
            Deliver(win::Message{.kind = win::Kind::Command, .command = step.command});
            return false;
        case ScriptOp::Key:
            Deliver(win::Message{.kind = win::Kind::KeyDown,
                                 .key = step.key.code,
                                 .character = step.key.character,
                                 .modifiers = step.key.modifiers});
            return false;
        case ScriptOp::Click:
            // Through the screen where there is one, as a person clicks.
            if (Shell.MainWindow->ClickClient(step.x, step.y))
                PumpMessages();
            else
                Deliver(win::Message{.kind = win::Kind::LButtonDown, .x = step.x, .y = step.y});
            return false;
        case ScriptOp::Scroll:
            Deliver(win::Message{.kind = step.vertical ? win::Kind::VScroll : win::Kind::HScroll,
                                 .request = step.request,
                                 .thumb = step.thumb});
            return false;
        case ScriptOp::Resize:
            ResizeClient(step.width, step.height);
            minimized_ = false;
            return false;
        case ScriptOp::Minimize:
            ResizeClient(0, 0);
            minimized_ = true;
            return false;
        case ScriptOp::Restore:
            // Without a minimize before it there is nothing to restore.
            if (minimized_)
                Shell.MainWindow->ClientResized(restoreWidth_, restoreHeight_, win::SIZE_RESTORED);
            minimized_ = false;
            return false;
        case ScriptOp::Frames:
            return WaitFor(Wait::Passes, step.passes);
        case ScriptOp::Wait:
            return WaitFor(Wait::Ticks, step.milliseconds);
        case ScriptOp::Idle:
            return WaitFor(Wait::Rest, step.milliseconds);
        case ScriptOp::Sleep:
            wallEnd_ =
                std::chrono::steady_clock::now() + std::chrono::milliseconds(step.milliseconds);
            return WaitFor(Wait::Wall, step.milliseconds);
        case ScriptOp::Write:
        case ScriptOp::Replace:
            if (!SaveAs(step.path, step.target, step.op == ScriptOp::Replace))
                Fail(step, "cannot save " + step.path + " as " + step.target);
            return false;
        case ScriptOp::Shot:
            if (!SaveClientShot(step.path))
                Fail(step, "shot: cannot write " + step.path);
            return false;
        case ScriptOp::State:
            WriteState(step);
            return false;
        case ScriptOp::Quit:
            Deliver(win::Message{.kind = win::Kind::Command, .command = CMD_EXIT});
            return false;
        }
        return false;
    }

    enum class Wait { None, Passes, Ticks, Rest, Wall };

    // The file's bytes saved over `target` as an editor would: in place, or (`renamed`)
    // as a new file beside it that is then renamed over it.
    static bool SaveAs(const std::string& from, const std::string& target, bool renamed) {
        std::ifstream in(from, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), {}};
        if (!in.good() && !in.eof())
            return false;
        std::filesystem::path written = target;
        if (renamed)
            written.replace_filename(written.filename().concat(".new"));
        std::ofstream out(written, std::ios::binary | std::ios::trunc);
        out << bytes;
        out.close();
        std::error_code error;
        if (renamed && !out.fail())
            std::filesystem::rename(written, target, error);
        return !out.fail() && !error;
    }

    // The pass about to run is the first of the wait.
    bool WaitFor(Wait kind, int amount) {
        if (kind == Wait::Passes && amount == 0)
            return false;
        if (kind == Wait::Rest && MachineAtRest())
            return false;
        waiting_ = kind;
        passesLeft_ = amount - 1;
        waitStart_ = win::GetTickCount();
        waitTicks_ = static_cast<uint32_t>(amount);
        return true;
    }

    // The size Restore returns to is the client size before the window shrank to nothing.
    void ResizeClient(int width, int height) {
        if (Shell.MainWindow->ClientWidth() > 0 && Shell.MainWindow->ClientHeight() > 0) {
            restoreWidth_ = Shell.MainWindow->ClientWidth();
            restoreHeight_ = Shell.MainWindow->ClientHeight();
        }
        // A size no device can serve goes straight to the window procedure, which reports it:
        // the screen would first spend the memory of a window that large.
        if (rm::DeviceSizeFits(width, height) && ResizeOnScreen(width, height))
            return;
        Shell.MainWindow->ClientResized(width, height,
                                        width && height ? win::SIZE_RESTORED : win::SIZE_MINIMIZED);
    }

    // A window on the screen is resized by the screen so the view follows; its resize
    // messages reach the window procedure. False when the screen would not give the client
    // that size.
    static bool ResizeOnScreen(int width, int height) {
        if (!Shell.MainWindow->RequestClientSize(width, height))
            return false;
        PumpMessages();
        return Shell.MainWindow->ClientWidth() == width &&
               Shell.MainWindow->ClientHeight() == height;
    }

    void WriteState(const ScriptStep& step) {
        std::ofstream out(step.path);
        out << ProgramStateJson() << '\n';
        out.close(); // the last of it reaches the file here, and may not fit
        if (out.fail())
            Fail(step, "state: cannot write " + step.path);
    }

    AnsweringDialogs dialogs_;
    win::VirtualClock clock_;
    bool virtualTime_ = false;
    bool scripted_;
    bool failed_ = false;
    std::vector<ScriptStep> steps_;
    size_t next_ = 0;
    Wait waiting_ = Wait::None;
    int passesLeft_ = 0;
    uint32_t waitStart_ = 0;
    uint32_t waitTicks_ = 0;
    std::chrono::steady_clock::time_point wallEnd_;
    bool minimized_ = false; // by the script, so Restore has a size to return to
    int restoreWidth_ = 0;
    int restoreHeight_ = 0;
    std::chrono::steady_clock::time_point started_;
    bool timing_;
    SoundOutput& soundBefore_;
    PrintingSound printingSound_;
};

Automation::Automation(const Options& options, std::vector<ScriptStep> steps,
                       std::chrono::steady_clock::time_point started)
    : impl_(std::make_unique<Impl>(options, std::move(steps), started)) {}

Automation::~Automation() = default;

int Automation::ExitCode(int loopResult) const {
    return impl_->ExitCode(loopResult);
}

bool Automation::Failed() const {
    return impl_->Failed();
}
