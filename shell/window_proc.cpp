#include "shell/window_proc.h"

#include <algorithm>
#include <string>

#include "engine/slot_machine.h"
#include "platform/win/platform.h"
#include "scene/world.h"
#include "shell/app.h"
#include "shell/error_report.h"
#include "shell/render.h"
#include "shell/shared_flags.h"

int32_t AntiAliasing = 0;

namespace {

// Bits of RenderQuality.
constexpr int32_t SHADE_MASK = 0x7;
constexpr int32_t LIGHT_ON = 8;
constexpr int32_t FILL_MASK = 0x1C0;
constexpr int32_t FILL_POINTS = 0;
constexpr int32_t FILL_WIREFRAME = 64;
constexpr int32_t FILL_SOLID = 128;

constexpr int SCROLL_MIN = -10;
constexpr int SCROLL_MAX = 10;

void SetRenderBits(int32_t mask, int32_t value) {
    RenderQuality = (RenderQuality & ~mask) | value;
    ApplyRenderState();
}

void SetTextureQuality(int32_t quality) {
    if (TextureQuality == quality)
        return;
    TextureQuality = quality;
    ApplyRenderState();
}

void FlipDithering() {
    Dithering = Dithering ? 0 : 1;
    ApplyRenderState();
}

void StepOnce() {
    if (!SingleStep)
        SingleStep = 1;
    StepPending = 1;
}

void MoveZoom(double by) {
    Zoom += by;
    PlaceCamera();
}

struct Command {
    int id;
    void (*action)(win::Window* window);
};

// The menu "AppMenu" and the accelerators, command by command. The machine's buttons and
// the money amounts reach the game commands, which come with the play control.
const Command kCommands[] = {
    {102, [](win::Window*) { OpenMachineFile(); }},
    {1, [](win::Window* window) { win::DialogBox("AppAbout", window, AboutProc); }},
    {27, [](win::Window*) { StepOnce(); }},
    {28, [](win::Window*) { SingleStep = 0; }},
    {2, [](win::Window*) { ShutDown(); }},
    {12, [](win::Window*) { SetRenderBits(SHADE_MASK, 0); }},
    {13, [](win::Window*) { SetRenderBits(SHADE_MASK, 1); }},
    {14, [](win::Window*) { SetRenderBits(SHADE_MASK, 2); }},
    {29, [](win::Window*) { SetRenderBits(LIGHT_ON, ~RenderQuality & LIGHT_ON); }},
    {20, [](win::Window*) { SetRenderBits(FILL_MASK, FILL_POINTS); }},
    {21, [](win::Window*) { SetRenderBits(FILL_MASK, FILL_WIREFRAME); }},
    {22, [](win::Window*) { SetRenderBits(FILL_MASK, FILL_SOLID); }},
    {24, [](win::Window*) { FlipDithering(); }},
    {26, [](win::Window*) { AntiAliasing ^= 1; }},
    {17, [](win::Window*) { SetTextureQuality(0); }},
    {18, [](win::Window*) { SetTextureQuality(1); }},
    {101, [](win::Window*) { /* DoButtonCommand(5) */ }},
    {115, [](win::Window*) { /* DoButtonCommand(4) */ }},
    {116, [](win::Window*) { /* DoButtonCommand(3) */ }},
    {117, [](win::Window*) { /* DoButtonCommand(1) */ }},
    {103, [](win::Window*) { MoveZoom(1.0); }},
    {104, [](win::Window*) { MoveZoom(-1.0); }},
    {112, [](win::Window*) { DisplayFlags ^= DISPLAY_SOUND; }},
    {119, [](win::Window*) { ToggleDisplay(DISPLAY_CABINET); }},
    {111, [](win::Window*) { ToggleDisplay(DISPLAY_CREDITS); }},
    {114, [](win::Window*) { ToggleDisplay(DISPLAY_PAYOFF_CHART); }},
    {118, [](win::Window*) { ToggleDisplay(DISPLAY_BUTTONS); }},
    {120, [](win::Window*) { ToggleRotation(DISPLAY_ROTATE_X); }},
    {121, [](win::Window*) { ToggleRotation(DISPLAY_ROTATE_Y); }},
    {122, [](win::Window*) { ToggleRotation(DISPLAY_ROTATE_Z); }},
    {113, [](win::Window*) { ShowFPS = ShowFPS ? 0 : 1; }},
    {105, [](win::Window*) { /* InsertMoneyCommand(5) */ }},
    {106, [](win::Window*) { /* InsertMoneyCommand(10) */ }},
    {107, [](win::Window*) { /* InsertMoneyCommand(20) */ }},
    {108, [](win::Window*) { /* InsertMoneyCommand(50) */ }},
    {109, [](win::Window*) { /* InsertMoneyCommand(100) */ }},
    {110, [](win::Window*) { /* InsertMoneyCommand(1000) */ }},
};

void ChangeDriver(win::Window* window, int command) {
    const int driver = command - DRIVER_COMMAND_BASE;
    if (driver < 0 || driver >= MAX_DRIVERS || driver == CurrentDriver)
        return;
    ReleaseViewportAndDevice();
    CurrentDriver = driver;
    if (!CreateDeviceAndViewport(Clipper, CurrentDriver, window->ClientWidth(),
                                 window->ClientHeight()))
        ShutDown();
}

void HandleCommand(win::Window* window, int command) {
    for (const Command& entry : kCommands)
        if (entry.id == command)
            entry.action(window);
    ChangeDriver(window, command);
    StepPending = 1;
}

// The window can be drawn again. The main loop may be asleep waiting for a message, and
// sizing reaches this procedure directly rather than through the queue, so a message is
// posted to wake the loop up.
void Unminimize() {
    if (Minimized)
        win::PostMessage(win::Message{.kind = win::Kind::None, .window = MainWindow});
    Minimized = 0;
}

// A viewport as large as the client area, on the existing device.
void ResizeViewport(int width, int height) {
    if (Viewport) {
        Viewport->Release();
        Viewport = nullptr;
    }
    HRESULT result = lpD3DRM->CreateViewport(Device, CameraFrame, 0, 0, width, height, &Viewport);
    if (result != D3DRM_OK) {
        ShowMessage("Failed to resize the viewport.\n%s", ErrorText(result));
        ShutDown();
        return;
    }
    result = Viewport->SetBack(BACK_PLANE);
    if (result != D3DRM_OK) {
        ShowMessage("Failed to set background depth after viewport resize.\n%s", ErrorText(result));
        ShutDown();
        return;
    }
    Unminimize();
}

void HandleSize(int width, int height) {
    if (width == 0 || height == 0) {
        Minimized = 1;
        return;
    }
    // Before start-up has made the viewport, and after a failure has taken it, there is
    // nothing to fit to the window.
    if (!Viewport)
        return;
    const int viewWidth = static_cast<int>(Viewport->GetWidth());
    const int viewHeight = static_cast<int>(Viewport->GetHeight());
    if (viewWidth == width && viewHeight == height && !Minimized)
        return;
    if (width <= viewWidth && height <= viewHeight) {
        ResizeViewport(width, height);
        return;
    }
    ReleaseViewportAndDevice();
    if (!CreateDeviceAndViewport(Clipper, CurrentDriver, width, height)) {
        ShutDown();
        return;
    }
    Unminimize();
}

// The device's window side, for painting and activation; null after a failure message.
LPDIRECT3DRMWINDEVICE WindowDevice(const char* failure) {
    LPDIRECT3DRMWINDEVICE windowDevice = nullptr;
    if (FAILED(Device->QueryInterface(IID_IDirect3DRMWinDevice,
                                      reinterpret_cast<void**>(&windowDevice)))) {
        ShowMessage("%s", failure);
        return nullptr;
    }
    return windowDevice;
}

void HandleActivate(win::Window* window, bool active) {
    window->SetScrollRange(win::SB_HORZ, SCROLL_MIN, SCROLL_MAX, false);
    window->SetScrollRange(win::SB_VERT, SCROLL_MIN, SCROLL_MAX, false);
    if (!Device)
        return;
    LPDIRECT3DRMWINDEVICE windowDevice =
        WindowDevice("Failed to create Windows device to handle WM_ACTIVATE.\n");
    if (!windowDevice)
        return;
    if (FAILED(windowDevice->HandleActivate(active ? 1 : 0)))
        ShowMessage("Failed to handle WM_ACTIVATE.\n");
    windowDevice->Release();
}

int HandlePaint(win::Window* window, const win::Message& message) {
    if (!Running || !Device)
        return win::DefWindowProc(window, message);
    if (!window->GetUpdateRect())
        return 0;
    LPDIRECT3DRMWINDEVICE windowDevice =
        WindowDevice("Failed to create Windows device to handle WM_PAINT.\n");
    if (!windowDevice)
        return 0;
    if (FAILED(windowDevice->HandlePaint(nullptr)))
        ShowMessage("Failed to handle WM_PAINT.\n");
    windowDevice->Release();
    return 0;
}

void ApplyMenuMarks(win::Menu* popup) {
    if (!popup)
        return;
    for (const MenuMark& mark : CurrentMenuMarks()) {
        if (mark.checked >= 0)
            popup->CheckMenuItem(mark.command,
                                 win::MF_BYCOMMAND |
                                     (mark.checked ? win::MF_CHECKED : win::MF_UNCHECKED));
        if (mark.enabled >= 0)
            popup->EnableMenuItem(mark.command,
                                  win::MF_BYCOMMAND |
                                      (mark.enabled ? win::MF_ENABLED : win::MF_GRAYED));
    }
}

void Scroll(win::Window* window, int bar, const win::Message& message) {
    const int position =
        ScrollPosition(window, bar, message.request, static_cast<int16_t>(message.thumb));
    if (bar == win::SB_HORZ)
        PanX = position;
    else
        PanY = -position;
    PlaceCamera();
    RenderFrame();
}

} // namespace

int WindowProc(win::Window* window, const win::Message& message) {
    switch (message.kind) {
    case win::Kind::Destroy:
        ShutDown();
        return 0;
    case win::Kind::Size:
        HandleSize(message.width, message.height);
        return 0;
    case win::Kind::Activate:
        HandleActivate(window, message.active);
        return 0;
    case win::Kind::Paint:
        return HandlePaint(window, message);
    case win::Kind::Command:
        HandleCommand(window, message.command);
        return 0;
    case win::Kind::HScroll:
        Scroll(window, win::SB_HORZ, message);
        return 0;
    case win::Kind::VScroll:
        Scroll(window, win::SB_VERT, message);
        return 0;
    case win::Kind::InitMenuPopup:
        ApplyMenuMarks(message.menu);
        return 0;
    case win::Kind::LButtonDown:
        // PickButton(Viewport, x, y) plays the cabinet button under the click here.
        return 0;
    case win::Kind::MouseMove:
    case win::Kind::LButtonUp:
    case win::Kind::RButtonDown:
    case win::Kind::RButtonUp:
        return 0;
    default:
        return win::DefWindowProc(window, message);
    }
}

int AboutProc(win::Dialog* dialog, const win::Message& message) {
    if (message.kind == win::Kind::InitDialog)
        return 1;
    if (message.kind == win::Kind::Command && message.command == win::IDOK)
        win::EndDialog(dialog, 1);
    return 0;
}

int ScrollPosition(win::Window* window, int bar, int request, int thumb) {
    int minimum = 0;
    int maximum = 0;
    window->GetScrollRange(bar, &minimum, &maximum);
    const int position = ScrollStep(window->GetScrollPos(bar), minimum, maximum, request, thumb);
    window->SetScrollPos(bar, position, true);
    return position;
}

namespace {

int RequestedPosition(int position, int minimum, int maximum, int request, int thumb) {
    switch (request) {
    case win::SB_LINEUP:
        return position - 1;
    case win::SB_LINEDOWN:
        return position + 1;
    case win::SB_PAGEUP:
        return position + (minimum - maximum - 1) / 3;
    case win::SB_PAGEDOWN:
        return position + (maximum - minimum + 1) / 3;
    case win::SB_THUMBPOSITION:
    case win::SB_THUMBTRACK:
        return thumb;
    case win::SB_TOP:
        return minimum;
    case win::SB_BOTTOM:
        return maximum;
    default:
        return position;
    }
}

} // namespace

int ScrollStep(int position, int minimum, int maximum, int request, int thumb) {
    const int next = RequestedPosition(position, minimum, maximum, request, thumb);
    return std::clamp(next, minimum, std::max(minimum, maximum));
}

std::vector<MenuMark> CurrentMenuMarks() {
    const int32_t shade = RenderQuality & SHADE_MASK;
    const int32_t fill = RenderQuality & FILL_MASK;
    const int cabinet = (DisplayFlags & DISPLAY_CABINET) ? 1 : 0;
    auto on = [](bool b) { return b ? 1 : 0; };
    std::vector<MenuMark> marks = {
        {27, on(SingleStep == 1), -1},
        {28, -1, on(SingleStep == 1)},
        {29, on((RenderQuality & 0x38) == LIGHT_ON), -1},
        {12, on(shade == 0), -1},
        {13, on(shade == 1), -1},
        {14, on(shade == 2), 0},
        {20, on(fill == FILL_POINTS), -1},
        {21, on(fill == FILL_WIREFRAME), -1},
        {22, on(fill == FILL_SOLID), -1},
        {17, on(TextureQuality == 0), -1},
        {18, on(TextureQuality == 1), -1},
        {24, on(Dithering == 1), -1},
        {26, on(AntiAliasing == 1), 0},
        {112, on(DisplayFlags & DISPLAY_SOUND), -1},
        {113, on(ShowFPS == 1), -1},
        {120, on(DisplayFlags & DISPLAY_ROTATE_X), -1},
        {121, on(DisplayFlags & DISPLAY_ROTATE_Y), -1},
        {122, on(DisplayFlags & DISPLAY_ROTATE_Z), -1},
        {111, on(DisplayFlags & DISPLAY_CREDITS), cabinet},
        {114, on(DisplayFlags & DISPLAY_PAYOFF_CHART), cabinet},
        {118, on(DisplayFlags & DISPLAY_BUTTONS), cabinet},
    };
    for (int i = 0; i < DriverCount; ++i)
        marks.push_back({DRIVER_COMMAND_BASE + i, on(i == CurrentDriver), -1});
    return marks;
}

void ToggleDisplay(int32_t bit) {
    if (Busy == 1) {
        win::MessageBox(
            nullptr, "Please wait for the slot machine to come to a halt before using this command",
            "Wait! Wait! Wait!", win::MB_ICONEXCLAMATION);
        return;
    }
    DisplayFlags ^= bit;
    // BuildMachineScene() rebuilds the machine's frames here, by the new flags.
}

void ToggleRotation(int32_t bit) {
    DisplayFlags ^= bit;
    SetWorldRotation();
}

void OpenMachineFile() {
    win::OpenFileName request;
    request.filters = {{"Slot Machine Files", "*.slt"}};
    // The dialog starts from the machine's own file, cut to fit its 256-character buffer.
    request.file = std::string(Machine->FileName ? Machine->FileName : "").substr(0, 255);
    request.maxFile = 256;
    request.flags = win::OFN_FILEMUSTEXIST | win::OFN_HIDEREADONLY;
    if (!win::GetOpenFileName(request))
        return;
    Machine->Load(request.file.c_str());
    // BuildMachineScene() builds the loaded machine's scene here.
    // LoadMachineSounds() reads the machine's sounds here.
}
