#pragma once
// The designer's workbench, the Machine menu: the par sheet window beside the running machine,
// reloading the machine when its files are saved, and autoplay. Everything here lives for one
// run; nothing is stored.

#include <string>
#include <vector>

#include "platform/win/report_window.h"

// What the player did since the machine was opened or reloaded.
struct SessionFigures {
    int spins = 0; // played spins (free re-spins are part of the spin that won them)
    int coinsBet = 0;
    int creditsWon = 0; // the wins of the played spins, money inserted left out
    int hits = 0;       // played spins that paid
};

struct WorkbenchState {
    bool Watch = false; // Reload When Changed
    bool Autoplay = false;
    bool Reloaded = false; // the title says so until the next spin
    SessionFigures Session;
    // What the loader and the scene builders reported during reloads, oldest first, and the
    // newest reload's last problem (empty when it had none).
    std::vector<std::string> Messages;
    std::string Problem;
};
extern WorkbenchState Bench;

// At rest: no reel animation, nothing left to count in, and Busy fallen back to 0.
bool MachineAtRest();

// The three commands of the Machine menu; false for any other command.
bool MachineMenuCommand(int command);
// A game command chosen by the user, or a click on the view, ends autoplay.
void StopAutoplayFor(int command);
void StopAutoplay();
// The machine has just been opened: the session starts again and the watch and the sheet
// follow the new files.
void MachineOpened();
// Once every pass of the main loop: follows the session, reloads a changed machine, plays,
// and refreshes the par sheet window. Never waits for the sheet.
void WorkbenchPass();
// Opens the machine again as File/Open does, as a save does once it is at rest: the credits,
// the money spent and the view stay, and every box of the reload goes to Messages instead.
void ReloadMachine();
// A par sheet is being worked out, or waits to be.
bool ParSheetComputing();
// The workbench follows something that changes without a message (watched files, a sheet
// being worked out): the main loop must come round now and then even with nothing to draw.
bool WorkbenchFollowing();
// The par sheet window as it stands: null before it was first opened.
const win::ReportWindow* ParSheetWindow();
// Closes the window and forgets the sheet, the watch and the session.
void ResetWorkbench();
