#pragma once
// The window system's services under their platform names, for the one thread of the program.
// Which dialogs, clock, event source and kind of window stand behind them is installed once
// (QtPlatform installs the real ones); without any, windows live in memory only, boxes are
// recorded and answered OK, and time is the monotonic clock.

#include "platform/win/clock.h"
#include "platform/win/dialogs.h"
#include "platform/win/report_window.h"
#include "platform/win/resource_types.h"
#include "platform/win/window.h"

#include <chrono>
#include <cstdint>
#include <memory>

namespace win {

// Where the messages of the screen come from (key presses, clicks, resizing, painting).
class EventSource {
public:
    virtual ~EventSource() = default;
    // Handles everything that is waiting, without blocking.
    virtual void ProcessPending() = 0;
    // Sleeps until something arrives, then handles it.
    virtual void WaitForEvents() = 0;
    // The same, but sleeps no later than `until`.
    virtual void WaitForEventsUntil(std::chrono::steady_clock::time_point until) = 0;
};

class WindowFactory {
public:
    virtual ~WindowFactory() = default;
    virtual std::unique_ptr<Window> Create(WindowProc proc, const std::string& title, int width,
                                           int height, std::unique_ptr<Menu> menu,
                                           const IconResource* icon) = 0;
    // A report window that closes with `owner`; in memory unless the factory has a screen.
    virtual std::unique_ptr<ReportWindow> CreateReport(Window* /*owner*/) {
        return std::make_unique<ReportWindow>();
    }
};

struct Services {
    Dialogs* dialogs = nullptr;
    Clock* clock = nullptr;
    EventSource* events = nullptr;
    WindowFactory* windows = nullptr;
};

// Null members fall back to the in-memory defaults. Installing also forgets every window
// class, destroys every window and empties the message queue.
void Install(const Services& services);
void SetDialogs(Dialogs* dialogs);
void SetClock(Clock* clock);
Dialogs& CurrentDialogs();
Clock& CurrentClock();

// Windows
struct WindowClass {
    unsigned style = 0;
    WindowProc proc = nullptr;
    const char* icon = nullptr; // icon resource name
    const char* menu = nullptr; // menu resource name
    const char* name = nullptr;
};
// Fails for a class without name or procedure, or naming a menu or icon that does not exist.
bool RegisterClass(const WindowClass& windowClass);
// Null for a class never registered. The window starts hidden, with the class's menu bar; width
// and height are its outer size.
Window* CreateWindow(const char* className, const char* title, int width, int height);
void DestroyWindow(Window* window);
std::unique_ptr<ReportWindow> CreateReportWindow(Window* owner);
// Frees every window (they are kept after destruction until then).
void ReleaseWindows();

// Resources
// The program hands over its resources once, before registering a class that names them; a
// later call replaces them. Installing services keeps them.
void SetResources(const ResourceSet& resources);
// Null for a null name or one the set does not hold; names match exactly.
const MenuResource* FindMenuResource(const char* name);
const AcceleratorResource* LoadAccelerators(const char* name);
const DialogResource* FindDialogResource(const char* name);
const IconResource* FindIconResource(const char* name);

// Messages
void PostMessage(const Message& message);
void PostQuitMessage(int exitCode);
// Takes the oldest waiting message, handling the screen's events first when none waits.
bool PeekMessage(Message& message);
// Sleeps until a message waits.
void WaitMessage();
// Sleeps until a message waits or the time comes; time_point::max() is no time limit.
void WaitMessageUntil(std::chrono::steady_clock::time_point until);
// For a key message matching the table: opens the command's popup as the user would (its
// marks are refreshed) and sends the command to the window unless its item is greyed. True when
// the key was an accelerator; it is then consumed either way.
bool TranslateAccelerator(Window* window, const AcceleratorResource* table, const Message& message);
// A KeyDown that types a character posts the Char message that follows it.
void TranslateMessage(const Message& message);
int DispatchMessage(const Message& message);

// Boxes and dialogs
int MessageBox(Window* owner, const char* text, const char* caption, unsigned style);
bool MessageBeep(unsigned type);
// Null template name or unknown template: -1 without showing anything.
int DialogBox(const char* templateName, Window* owner, DialogProc proc);
bool EndDialog(Dialog* dialog, int result);
// On OK the chosen file's folder becomes the current directory. A chosen name that does not fit
// request.maxFile counts as cancelled.
bool GetOpenFileName(OpenFileName& request);

// Time
uint32_t GetTickCount();
uint32_t timeGetTime();

} // namespace win
