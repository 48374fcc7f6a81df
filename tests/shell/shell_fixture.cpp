#include "shell_fixture.h"

namespace {

class DepthWindow : public win::Window {
public:
    DepthWindow(win::WindowProc proc, const std::string& title, std::unique_ptr<win::Menu> menu,
                int depth)
        : win::Window(proc, title, std::move(menu)), depth_(depth) {}
    int ColorDepth() const override { return depth_; }

private:
    int depth_;
};

} // namespace

std::unique_ptr<win::Window> DepthWindows::Create(win::WindowProc proc, const std::string& title,
                                                  int width, int height,
                                                  std::unique_ptr<win::Menu> menu,
                                                  const win::IconResource*) {
    auto created = std::make_unique<DepthWindow>(proc, title, std::move(menu), depth);
    // The client area of a 600 by 400 window less its frame, menu bar and scroll bars.
    created->SetClientSize(width - 16, height - 40);
    last = created.get();
    return created;
}

void ShellTest::SetUp() {
    dialogs = win::RecordingDialogs{};
    clock = win::VirtualClock{10};
    win::Install(win::Services{&dialogs, &clock, nullptr, &windows});
    ResetProgramState();
}

void ShellTest::TearDown() {
    ResetProgramState();
    win::Install(win::Services{});
}

win::Window* ShellTest::Start() {
    window = StartApplication(win::SW_SHOWNORMAL);
    Shell.MainWindow = window;
    return window;
}

int ShellTest::RunLoop(std::function<bool(int pass)> pass) {
    int count = 0;
    Shell.LoopHooks.wakeBy = [] { return SteadyTime::min(); };
    Shell.LoopHooks.beforePass = [&] {
        if (!pass(++count) && !Shell.Quit)
            ShutDown();
    };
    const int result = WinMain(win::SW_SHOWNORMAL);
    window = Shell.MainWindow;
    return result;
}

void ShellTest::Send(win::Message message) {
    message.window = Shell.MainWindow;
    DeliverMessage(message);
    PumpMessages();
}

void ShellTest::Key(int virtualKey, unsigned modifiers, int character) {
    Send(win::Message{.kind = win::Kind::KeyDown,
                      .key = virtualKey,
                      .character = character,
                      .modifiers = modifiers});
}

void ShellTest::OpenPopups() {
    win::Menu* bar = Shell.MainWindow->GetMenu();
    for (int i = 0; i < bar->GetMenuItemCount(); ++i)
        Shell.MainWindow->SendMessage(
            win::Message{.kind = win::Kind::InitMenuPopup, .menu = bar->GetSubMenu(i)});
}

const win::MenuItem* ShellTest::Item(int command) {
    return Shell.MainWindow->GetMenu()->FindCommand(command);
}

std::vector<std::string> ShellTest::BoxTexts() const {
    std::vector<std::string> texts;
    for (const auto& box : dialogs.boxes)
        texts.push_back(box.text);
    return texts;
}

std::string ShellTest::LastBoxText() const {
    return dialogs.boxes.empty() ? "" : dialogs.boxes.back().text;
}
