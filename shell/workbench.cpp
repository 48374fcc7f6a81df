#include "shell/workbench.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <sys/resource.h>
#include <thread>

#include "analysis/par_sheet.h"
#include "engine/slot_machine.h"
#include "platform/win/file_watch.h"
#include "platform/win/platform.h"
#include "play/game_commands.h"
#include "play/play_state.h"
#include "play/sound_cues.h"
#include "resources/command_ids.h"
#include "scene/cabinet.h"
#include "scene/machine_scene.h"
#include "scene/shared_flags.h"
#include "shell/app.h"
#include "shell/par_sheet_view.h"

WorkbenchState Bench;

namespace {

using SteadyTime = std::chrono::steady_clock::time_point;
using std::chrono::milliseconds;

// An editor may write a file in several pieces; the reload waits until the files have been
// quiet this long, which still leaves it well within a second of the save.
constexpr milliseconds QUIET_AFTER_SAVE{150};
// A sheet that takes longer than this says that it is being computed.
constexpr milliseconds SHOW_COMPUTING_AFTER{100};
// How much the sheet's thread gives way to the frames' (Linux sets it per thread).
constexpr int SHEET_NICENESS = 10;
// Play 3 adds this many coins to an empty bet.
constexpr int PLAY_3_COINS = 3;

SteadyTime Now() {
    return std::chrono::steady_clock::now();
}

// The sheets of every bet of one machine file, worked out on a thread of their own so the
// frames never wait. The job is shared with its thread, which may outlive the window.
struct SheetJob {
    std::string path;
    int maxCoins = 1;
    SteadyTime started;
    std::vector<ParSheet> sheets;
    std::string failure;
    std::atomic<bool> done{false};
};

void ComputeSheets(SheetJob& job) {
    // The frames come first: on a busy machine the sheet takes the time they leave.
    setpriority(PRIO_PROCESS, 0, SHEET_NICENESS);
    try {
        for (int bet = 1; bet <= job.maxCoins; ++bet)
            job.sheets.push_back(ComputePar(job.path, ParRequest{.bet = bet}));
    } catch (const std::exception& e) {
        job.failure = e.what();
    }
    job.done.store(true, std::memory_order_release);
}

// What the workbench holds besides the state the program reads.
struct Workbench {
    std::unique_ptr<win::ReportWindow> window;
    std::unique_ptr<win::FileWatch> watch;
    bool reloadDue = false;
    SteadyTime lastChange;
    std::shared_ptr<SheetJob> job; // the sheet being computed, or the last one
    bool sheetWanted = false;      // the machine changed while a sheet was computed
    std::vector<ParSheet> sheets;  // of the machine as loaded; empty until computed
    bool spinning = false;         // a reel animation ran at the last pass
    bool dirty = false;            // the window shows less than it should
    std::string shownStatus;
};
Workbench Bench_;

// Boxes asked for during a reload become lines of the message list: a file saved halfway
// must not open a box for every line the loader cannot read.
class CollectingDialogs : public win::Dialogs {
public:
    explicit CollectingDialogs(win::Dialogs& next) : next_(next) {}
    std::vector<std::string> lines;
    int MessageBox(win::Window*, const std::string& text, const std::string& caption,
                   unsigned) override {
        lines.push_back(caption + ": " + text);
        return win::IDOK;
    }
    void MessageBeep(unsigned) override {}
    int DialogBox(const win::DialogResource& resource, win::Window* owner,
                  win::DialogProc proc) override {
        return next_.DialogBox(resource, owner, proc);
    }
    bool ChooseOpenFile(win::OpenFileName& request) override {
        return next_.ChooseOpenFile(request);
    }

private:
    win::Dialogs& next_;
};

// The machine file and every picture and sound it names, found as the loader finds them:
// beside the machine, which is the current directory.
std::vector<std::string> MachineFiles() {
    std::vector<std::string> files;
    if (!Machine || !Machine->FileName)
        return files;
    const auto add = [&files](const std::string& name) {
        std::error_code error;
        files.push_back(std::filesystem::absolute(name, error).string());
    };
    add(Machine->FileName);
    for (const SlotSymbol& symbol : Machine->Symbols)
        if (symbol.letter && symbol.filename)
            add(std::string(symbol.filename) + ".bmp");
    if (Machine->ChartFile)
        add(std::string(Machine->ChartFile) + ".bmp");
    add("buttons.bmp");
    add(CREDIT_BMP_NAME);
    for (const char* sound :
         {Machine->SndClunk, Machine->SndPay, Machine->SndBet, Machine->SndAuto})
        if (sound)
            add(sound);
    for (int i = 0; i < Machine->NumSndMusic; ++i)
        add(Machine->SndMusic[i]);
    for (int i = 0; i < Machine->NumSndCoin; ++i)
        add(Machine->SndCoin[i]);
    return files;
}

void FollowFiles() {
    if (!Bench.Watch)
        return;
    if (!Bench_.watch)
        Bench_.watch = std::make_unique<win::FileWatch>();
    Bench_.watch->Watch(MachineFiles());
    Bench_.reloadDue = false;
}

bool SheetComputing() {
    return Bench_.job && !Bench_.job->done.load(std::memory_order_acquire);
}

void StartSheet() {
    if (!Machine || !Machine->FileName || Machine->NumReels == 0) {
        Bench_.sheets.clear();
        Bench_.dirty = true;
        return;
    }
    // One sheet at a time: a machine saved again meanwhile is computed when this one is done.
    if (SheetComputing()) {
        Bench_.sheetWanted = true;
        return;
    }
    auto job = std::make_shared<SheetJob>();
    job->path = Machine->FileName;
    job->maxCoins = std::max(Machine->MaxCoins, 1);
    job->started = Now();
    Bench_.job = job;
    Bench_.sheetWanted = false;
    std::thread([job] { ComputeSheets(*job); }).detach();
}

void TakeFinishedSheet() {
    if (!Bench_.job || SheetComputing())
        return;
    if (Bench_.sheetWanted) {
        Bench_.job.reset();
        StartSheet();
        return;
    }
    if (!Bench_.job->failure.empty())
        Bench.Problem = "The par sheet failed: " + Bench_.job->failure;
    Bench_.sheets = std::move(Bench_.job->sheets);
    Bench_.job.reset();
    Bench_.dirty = true;
}

bool WindowShown() {
    return Bench_.window && Bench_.window->IsShown();
}

std::string SheetStatus() {
    if (SheetComputing() && Now() - Bench_.job->started > SHOW_COMPUTING_AFTER)
        return "Computing the par sheet...";
    return "";
}

void RefreshWindow() {
    const std::string status = SheetStatus();
    if (!Bench_.window || (!Bench_.dirty && status == Bench_.shownStatus))
        return;
    ParSheetView view;
    view.title =
        "Par Sheet - " + (Machine && Machine->FileName ? MachineName(*Machine, Machine->FileName)
                                                       : std::string("no machine"));
    view.status = status;
    view.sheets = &Bench_.sheets;
    view.bet = Machine && Machine->LastBet > 0 ? Machine->LastBet : PLAY_3_COINS;
    view.session = Bench.Session;
    view.messages = &Bench.Messages;
    view.problem = Bench.Problem;
    Bench_.window->SetContent(ParSheetContent(view));
    Bench_.shownStatus = status;
    Bench_.dirty = false;
}

void OpenParSheet() {
    if (!Bench_.window)
        Bench_.window = win::CreateReportWindow(Shell.MainWindow);
    if (!WindowShown() && Bench_.sheets.empty() && !Bench_.job)
        StartSheet();
    Bench_.window->Show();
    Bench_.dirty = true;
    RefreshWindow();
}

// A played spin ends when its last reel animation (re-spins and nudges included) has run.
void FollowSession() {
    if (!Machine)
        return;
    const bool spinning = Play.ReelAnimSet != nullptr;
    SessionFigures& session = Bench.Session;
    if (Bench_.spinning && !spinning) {
        session.creditsWon += Machine->Win;
        session.hits += Machine->Win > 0 ? 1 : 0;
        Bench_.dirty = true;
    }
    Bench_.spinning = spinning;
    if (session.spins != Machine->Spins || session.coinsBet != Machine->TotalBet) {
        session.spins = Machine->Spins;
        session.coinsBet = Machine->TotalBet;
        Bench_.dirty = true;
    }
    if (Machine->Spins > 0)
        Bench.Reloaded = false;
}

} // namespace

void ReloadMachine() {
    if (!Machine || !Machine->FileName)
        return;
    const std::string path = Machine->FileName;
    const int credits = Machine->Credits;
    const int expended = Machine->Expended;
    win::Dialogs& dialogs = win::CurrentDialogs();
    CollectingDialogs collecting(dialogs);
    win::SetDialogs(&collecting);
    Machine->Load(path.c_str());
    BuildMachineScene();
    LoadMachineSounds();
    win::SetDialogs(&dialogs);
    Machine->Credits = credits;
    Machine->Expended = expended;
    Bench.Messages.insert(Bench.Messages.end(), collecting.lines.begin(), collecting.lines.end());
    Bench.Problem = collecting.lines.empty() ? "" : collecting.lines.back();
    MachineOpened();
    Bench.Reloaded = true;
    Shell.Pacer.Stir(); // no message tells the frames that the machine changed
}

bool ParSheetComputing() {
    return SheetComputing() || Bench_.sheetWanted;
}

bool WorkbenchFollowing() {
    return Bench.Watch || Bench_.job != nullptr;
}

namespace {

void FollowSaves() {
    if (!Bench.Watch || !Bench_.watch)
        return;
    if (Bench_.watch->TakeChanged()) {
        Bench_.reloadDue = true;
        Bench_.lastChange = Now();
    }
    if (Bench_.reloadDue && Now() - Bench_.lastChange >= QUIET_AFTER_SAVE && MachineAtRest()) {
        Bench_.reloadDue = false;
        ReloadMachine();
    }
}

void PlayOn() {
    if (!Bench.Autoplay || !Machine || Machine->NumReels == 0 || !MachineAtRest())
        return;
    const bool betPlaced = Machine->Bet > 0;
    if (!betPlaced && PLAY_3_COINS > Machine->Credits) {
        StopAutoplay();
        return;
    }
    DoButtonCommand(betPlaced ? BUTTON_SPIN : BUTTON_PLAY_3);
}

} // namespace

bool MachineAtRest() {
    return Play.ReelAnimSet == nullptr && (Machine == nullptr || Machine->Pending == 0) &&
           Shared.Busy == 0;
}

bool MachineMenuCommand(int command) {
    switch (command) {
    case CMD_PAR_SHEET:
        OpenParSheet();
        return true;
    case CMD_RELOAD_WHEN_CHANGED:
        Bench.Watch = !Bench.Watch;
        FollowFiles();
        return true;
    case CMD_AUTOPLAY:
        Bench.Autoplay = !Bench.Autoplay;
        return true;
    default:
        return false;
    }
}

void StopAutoplayFor(int command) {
    switch (command) {
    case CMD_PLAY_3:
    case CMD_SPIN:
    case CMD_BET_1:
    case CMD_CHANGE:
    case CMD_MONEY_5:
    case CMD_MONEY_10:
    case CMD_MONEY_20:
    case CMD_MONEY_50:
    case CMD_MONEY_100:
    case CMD_MONEY_1000:
        StopAutoplay();
        break;
    default:
        break;
    }
}

void StopAutoplay() {
    Bench.Autoplay = false;
}

void MachineOpened() {
    Bench.Session = SessionFigures{};
    Bench.Reloaded = false;
    Bench_.spinning = false;
    Bench_.sheets.clear();
    Bench_.dirty = true;
    FollowFiles();
    if (Bench_.window)
        StartSheet();
}

void WorkbenchPass() {
    FollowSession();
    FollowSaves();
    PlayOn();
    TakeFinishedSheet();
    if (WindowShown())
        RefreshWindow();
}

const win::ReportWindow* ParSheetWindow() {
    return Bench_.window.get();
}

void ResetWorkbench() {
    Bench_ = Workbench{};
    Bench = WorkbenchState{};
}
