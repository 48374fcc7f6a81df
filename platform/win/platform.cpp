#include "platform/win/platform.h"

#include "platform/win/accelerator.h"
#include "platform/win/recording_dialogs.h"

#include <deque>
#include <filesystem>
#include <map>
#include <string_view>
#include <thread>
#include <vector>

namespace win {
namespace {

class MemoryWindows : public WindowFactory {
public:
    std::unique_ptr<Window> Create(WindowProc proc, const std::string& title, int width, int height,
                                   std::unique_ptr<Menu> menu,
                                   const IconResource* /*icon*/) override {
        auto window = std::make_unique<Window>(proc, title, std::move(menu));
        window->SetClientSize(width, height);
        return window;
    }
};

struct State {
    RecordingDialogs defaultDialogs;
    SteadyClock defaultClock;
    MemoryWindows defaultWindows;
    Services services;
    std::map<std::string, WindowClass> classes;
    std::vector<std::unique_ptr<Window>> windows;
    std::deque<Message> queue;
    ResourceSet resources;
};

State& TheState() {
    static State state;
    return state;
}

Dialogs& DialogsOf(State& state) {
    return state.services.dialogs ? *state.services.dialogs : state.defaultDialogs;
}

// The first popup of the menu bar that holds the command, searched as the user would open it.
Menu* PopupHolding(Menu* bar, int command) {
    for (int i = 0; bar && i < bar->GetMenuItemCount(); ++i) {
        Menu* popup = bar->GetSubMenu(i);
        if (popup && popup->FindCommand(command))
            return popup;
    }
    return nullptr;
}

template <typename Resource>
const Resource* Named(std::span<const Resource* const> resources, const char* name) {
    if (!name)
        return nullptr;
    for (const Resource* resource : resources)
        if (resource && resource->name && std::string_view(resource->name) == name)
            return resource;
    return nullptr;
}

} // namespace

void SetResources(const ResourceSet& resources) {
    TheState().resources = resources;
}

const MenuResource* FindMenuResource(const char* name) {
    return Named(TheState().resources.menus, name);
}

const AcceleratorResource* LoadAccelerators(const char* name) {
    return Named(TheState().resources.accelerators, name);
}

const DialogResource* FindDialogResource(const char* name) {
    return Named(TheState().resources.dialogs, name);
}

const IconResource* FindIconResource(const char* name) {
    return Named(TheState().resources.icons, name);
}

void Install(const Services& services) {
    State& state = TheState();
    ReleaseWindows();
    state.classes.clear();
    state.queue.clear();
    state.services = services;
}

void SetDialogs(Dialogs* dialogs) {
    TheState().services.dialogs = dialogs;
}
void SetClock(Clock* clock) {
    TheState().services.clock = clock;
}
Dialogs& CurrentDialogs() {
    return DialogsOf(TheState());
}

Clock& CurrentClock() {
    State& state = TheState();
    return state.services.clock ? *state.services.clock : state.defaultClock;
}

bool RegisterClass(const WindowClass& windowClass) {
    if (!windowClass.name || !*windowClass.name || !windowClass.proc)
        return false;
    if (windowClass.menu && !FindMenuResource(windowClass.menu))
        return false;
    if (windowClass.icon && !FindIconResource(windowClass.icon))
        return false;
    return TheState().classes.emplace(windowClass.name, windowClass).second;
}

Window* CreateWindow(const char* className, const char* title, int width, int height) {
    State& state = TheState();
    const auto found = className ? state.classes.find(className) : state.classes.end();
    if (found == state.classes.end())
        return nullptr;
    const WindowClass& windowClass = found->second;
    std::unique_ptr<Menu> menu;
    if (windowClass.menu)
        menu = Menu::FromResource(*FindMenuResource(windowClass.menu));
    const IconResource* icon = FindIconResource(windowClass.icon);
    WindowFactory& factory =
        state.services.windows ? *state.services.windows : state.defaultWindows;
    state.windows.push_back(
        factory.Create(windowClass.proc, title ? title : "", width, height, std::move(menu), icon));
    return state.windows.back().get();
}

std::unique_ptr<ReportWindow> CreateReportWindow(Window* owner) {
    State& state = TheState();
    return (state.services.windows ? *state.services.windows : state.defaultWindows)
        .CreateReport(owner);
}

void DestroyWindow(Window* window) {
    if (window)
        window->DestroyWindow();
}

void ReleaseWindows() {
    State& state = TheState();
    // Destroying first lets each procedure see its Destroy while the others still exist.
    for (const auto& window : state.windows)
        window->DestroyWindow();
    state.windows.clear();
}

void PostMessage(const Message& message) {
    TheState().queue.push_back(message);
}

void PostQuitMessage(int exitCode) {
    PostMessage(Message{.kind = Kind::Quit, .exitCode = exitCode});
}

bool PeekMessage(Message& message) {
    State& state = TheState();
    if (state.queue.empty() && state.services.events)
        state.services.events->ProcessPending();
    if (state.queue.empty())
        return false;
    message = state.queue.front();
    state.queue.pop_front();
    return true;
}

void WaitMessage() {
    State& state = TheState();
    if (!state.queue.empty() || !state.services.events)
        return;
    while (state.queue.empty())
        state.services.events->WaitForEvents();
}

void WaitMessageUntil(std::chrono::steady_clock::time_point until) {
    if (until == std::chrono::steady_clock::time_point::max()) {
        WaitMessage();
        return;
    }
    State& state = TheState();
    // Without a screen nothing can arrive: the wait is only the time passing.
    if (!state.services.events) {
        std::this_thread::sleep_until(until);
        return;
    }
    while (state.queue.empty() && std::chrono::steady_clock::now() < until)
        state.services.events->WaitForEventsUntil(until);
}

bool TranslateAccelerator(Window* window, const AcceleratorResource* table,
                          const Message& message) {
    int command = 0;
    if (!window || !table || !FindAccelerator(*table, message, command))
        return false;
    Menu* bar = window->GetMenu();
    if (Menu* popup = PopupHolding(bar, command)) {
        window->SendMessage(Message{.kind = Kind::InitMenuPopup, .menu = popup});
        const MenuItem* item = popup->FindCommand(command);
        if (item && item->grayed)
            return true;
    }
    window->SendMessage(
        Message{.kind = Kind::Command, .command = command, .fromAccelerator = true});
    return true;
}

void TranslateMessage(const Message& message) {
    if (message.kind != Kind::KeyDown || message.character == 0)
        return;
    Message typed = message;
    typed.kind = Kind::Char;
    typed.key = message.character;
    PostMessage(typed);
}

int DispatchMessage(const Message& message) {
    return message.window ? message.window->SendMessage(message) : 0;
}

int MessageBox(Window* owner, const char* text, const char* caption, unsigned style) {
    return CurrentDialogs().MessageBox(owner, text ? text : "", caption ? caption : "Error", style);
}

bool MessageBeep(unsigned type) {
    CurrentDialogs().MessageBeep(type);
    return true;
}

int DialogBox(const char* templateName, Window* owner, DialogProc proc) {
    const DialogResource* resource = FindDialogResource(templateName);
    if (!resource || !proc)
        return -1;
    return CurrentDialogs().DialogBox(*resource, owner, proc);
}

bool EndDialog(Dialog* dialog, int result) {
    if (!dialog)
        return false;
    dialog->End(result);
    return true;
}

bool GetOpenFileName(OpenFileName& request) {
    OpenFileName answer = request;
    if (!CurrentDialogs().ChooseOpenFile(answer) || answer.file.size() + 1 > request.maxFile)
        return false;
    std::error_code error;
    std::filesystem::current_path(std::filesystem::path(answer.file).parent_path(), error);
    request.file = answer.file;
    return true;
}

uint32_t GetTickCount() {
    return CurrentClock().TickCount();
}
uint32_t timeGetTime() {
    return CurrentClock().TimeGetTime();
}

} // namespace win
