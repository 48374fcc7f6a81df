#include "shell/window_proc.h"

#include <algorithm>
#include <climits>
#include <string>

#include "engine/slot_machine.h"
#include "platform/win/platform.h"
#include "play/game_commands.h"
#include "play/picking.h"
#include "play/sound_cues.h"
#include "resources/command_ids.h"
#include "scene/error_report.h"
#include "scene/machine_scene.h"
#include "scene/shared_flags.h"
#include "scene/world.h"
#include "shell/app.h"
#include "shell/render.h"
#include "shell/workbench.h"

namespace {

constexpr int SCROLL_MIN = -10;
constexpr int SCROLL_MAX = 10;

void SetRenderBits(D3DRMRENDERQUALITY mask, D3DRMRENDERQUALITY value) {
    Shell.RenderQuality = (Shell.RenderQuality & ~mask) | value;
    ApplyRenderState();
}

void SetTextureQuality(D3DRMTEXTUREQUALITY quality) {
    if (Shell.TextureQuality == quality)
        return;
    Shell.TextureQuality = quality;
    ApplyRenderState();
}

void FlipDithering() {
    Shell.Dithering = Shell.Dithering ? 0 : 1;
    ApplyRenderState();
}

void StepOnce() {
    if (!Shell.SingleStep)
        Shell.SingleStep = 1;
    Shell.StepPending = 1;
}

void MoveZoom(double by) {
    World.Zoom += by;
    PlaceCamera();
}

struct Command {
    int id;
    void (*action)(win::Window* window);
};

// The menu "AppMenu" and the accelerators, command by command.
const Command COMMANDS[] = {
    {CMD_PLAY_3, [](win::Window*) { DoButtonCommand(BUTTON_PLAY_3); }},
    {CMD_SPIN, [](win::Window*) { DoButtonCommand(BUTTON_SPIN); }},
    {CMD_BET_1, [](win::Window*) { DoButtonCommand(BUTTON_BET_1); }},
    {CMD_CHANGE, [](win::Window*) { DoButtonCommand(BUTTON_CHANGE); }},
    {CMD_MONEY_5, [](win::Window*) { InsertMoneyCommand(5); }},
    {CMD_MONEY_10, [](win::Window*) { InsertMoneyCommand(10); }},
    {CMD_MONEY_20, [](win::Window*) { InsertMoneyCommand(20); }},
    {CMD_MONEY_50, [](win::Window*) { InsertMoneyCommand(50); }},
    {CMD_MONEY_100, [](win::Window*) { InsertMoneyCommand(100); }},
    {CMD_MONEY_1000, [](win::Window*) { InsertMoneyCommand(1000); }},
    {CMD_OPEN, [](win::Window*) { OpenMachineFile(); }},
    {CMD_ABOUT, [](win::Window* window) { win::DialogBox("AppAbout", window, AboutProc); }},
    {CMD_SINGLE_STEP, [](win::Window*) { StepOnce(); }},
    {CMD_GO, [](win::Window*) { Shell.SingleStep = 0; }},
    {CMD_EXIT, [](win::Window*) { ShutDown(); }},
    {CMD_FLAT, [](win::Window*) { SetRenderBits(D3DRMSHADE_MASK, D3DRMSHADE_FLAT); }},
    {CMD_GOURAUD, [](win::Window*) { SetRenderBits(D3DRMSHADE_MASK, D3DRMSHADE_GOURAUD); }},
    {CMD_PHONG, [](win::Window*) { SetRenderBits(D3DRMSHADE_MASK, D3DRMSHADE_PHONG); }},
    {CMD_LIGHTING,
     [](win::Window*) { SetRenderBits(D3DRMLIGHT_ON, ~Shell.RenderQuality & D3DRMLIGHT_ON); }},
    {CMD_POINTS, [](win::Window*) { SetRenderBits(D3DRMFILL_MASK, D3DRMFILL_POINTS); }},
    {CMD_WIREFRAME, [](win::Window*) { SetRenderBits(D3DRMFILL_MASK, D3DRMFILL_WIREFRAME); }},
    {CMD_SOLID, [](win::Window*) { SetRenderBits(D3DRMFILL_MASK, D3DRMFILL_SOLID); }},
    {CMD_DITHERING, [](win::Window*) { FlipDithering(); }},
    {CMD_ANTI_ALIASING, [](win::Window*) { Shell.AntiAliasing ^= 1; }},
    {CMD_POINT_FILTERING, [](win::Window*) { SetTextureQuality(D3DRMTEXTURE_NEAREST); }},
    {CMD_BILINEAR_FILTERING, [](win::Window*) { SetTextureQuality(D3DRMTEXTURE_LINEAR); }},
    {CMD_ZOOM_IN, [](win::Window*) { MoveZoom(1.0); }},
    {CMD_ZOOM_OUT, [](win::Window*) { MoveZoom(-1.0); }},
    {CMD_SOUND, [](win::Window*) { Shared.DisplayFlags ^= DISPLAY_SOUND; }},
    {CMD_SHOW_CABINET, [](win::Window*) { ToggleDisplay(DISPLAY_CABINET); }},
    {CMD_SHOW_CREDITS, [](win::Window*) { ToggleDisplay(DISPLAY_CREDITS); }},
    {CMD_SHOW_PAYOFF_CHART, [](win::Window*) { ToggleDisplay(DISPLAY_PAYOFF_CHART); }},
    {CMD_SHOW_BUTTONS, [](win::Window*) { ToggleDisplay(DISPLAY_BUTTONS); }},
    {CMD_ROTATE_X, [](win::Window*) { ToggleRotation(DISPLAY_ROTATE_X); }},
    {CMD_ROTATE_Y, [](win::Window*) { ToggleRotation(DISPLAY_ROTATE_Y); }},
    {CMD_ROTATE_Z, [](win::Window*) { ToggleRotation(DISPLAY_ROTATE_Z); }},
    {CMD_SHOW_FPS, [](win::Window*) { Shell.ShowFPS = Shell.ShowFPS ? 0 : 1; }},
};

void ChangeDriver(win::Window* window, int command) {
    const int driver = command - CMD_FIRST_DRIVER;
    if (driver < 0 || driver >= MAX_DRIVERS || driver == Shell.CurrentDriver)
        return;
    ReleaseViewportAndDevice();
    Shell.CurrentDriver = driver;
    if (!CreateDeviceAndViewport(D3D.Clipper, Shell.CurrentDriver, window->ClientWidth(),
                                 window->ClientHeight()))
        ShutDownAfterFailure();
}

void HandleCommand(win::Window* window, int command) {
    StopAutoplayFor(command);
    MachineMenuCommand(command);
    for (const Command& entry : COMMANDS)
        if (entry.id == command)
            entry.action(window);
    ChangeDriver(window, command);
    Shell.StepPending = 1;
}

// The window can be drawn again. The main loop may be asleep waiting for a message, and
// sizing reaches this procedure directly rather than through the queue, so a message is
// posted to wake the loop up.
void Unminimize() {
    if (Shell.Minimized)
        win::PostMessage(win::Message{.kind = win::Kind::None, .window = Shell.MainWindow});
    Shell.Minimized = 0;
}

// A viewport as large as the client area, on the existing device.
void ResizeViewport(int width, int height) {
    rm::GiveUp(D3D.Viewport);
    HRESULT result = D3D.lpD3DRM->CreateViewport(D3D.Device, D3D.CameraFrame, 0, 0, width, height,
                                                 &D3D.Viewport);
    if (result != D3DRM_OK) {
        ShowMessage("Failed to resize the viewport.\n%s", ErrorText(result));
        ShutDownAfterFailure();
        return;
    }
    result = D3D.Viewport->SetBack(BACK_PLANE);
    if (result != D3DRM_OK) {
        ShowMessage("Failed to set background depth after viewport resize.\n%s", ErrorText(result));
        ShutDownAfterFailure();
        return;
    }
    Unminimize();
}

void HandleSize(int width, int height) {
    if (width == 0 || height == 0) {
        Shell.Minimized = 1;
        return;
    }
    // Before start-up has made the viewport, and after a failure has taken it, there is
    // nothing to fit to the window.
    if (!D3D.Viewport)
        return;
    const int viewWidth = static_cast<int>(D3D.Viewport->GetWidth());
    const int viewHeight = static_cast<int>(D3D.Viewport->GetHeight());
    if (viewWidth == width && viewHeight == height && !Shell.Minimized)
        return;
    if (width <= viewWidth && height <= viewHeight) {
        ResizeViewport(width, height);
        return;
    }
    ReleaseViewportAndDevice();
    if (!CreateDeviceAndViewport(D3D.Clipper, Shell.CurrentDriver, width, height)) {
        ShutDownAfterFailure();
        return;
    }
    Unminimize();
}

// The device's window side, for painting and activation; null after a failure message.
rm::RefPtr<IDirect3DRMWinDevice> WindowDevice(const char* failure) {
    rm::RefPtr<IDirect3DRMWinDevice> windowDevice;
    if (FAILED(D3D.Device->QueryInterface(IID_IDirect3DRMWinDevice,
                                          reinterpret_cast<void**>(windowDevice.Out())))) {
        ShowMessage("%s", failure);
        return nullptr;
    }
    return windowDevice;
}

void HandleActivate(win::Window* window, bool active) {
    window->SetScrollRange(win::SB_HORZ, SCROLL_MIN, SCROLL_MAX, false);
    window->SetScrollRange(win::SB_VERT, SCROLL_MIN, SCROLL_MAX, false);
    if (!D3D.Device)
        return;
    const rm::RefPtr<IDirect3DRMWinDevice> windowDevice =
        WindowDevice("Failed to create Windows device to handle WM_ACTIVATE.\n");
    if (!windowDevice)
        return;
    if (FAILED(windowDevice->HandleActivate(active ? 1 : 0)))
        ShowMessage("Failed to handle WM_ACTIVATE.\n");
}

int HandlePaint(win::Window* window, const win::Message& message) {
    if (!Shell.Running || !D3D.Device)
        return win::DefWindowProc(window, message);
    if (!window->GetUpdateRect())
        return 0;
    const rm::RefPtr<IDirect3DRMWinDevice> windowDevice =
        WindowDevice("Failed to create Windows device to handle WM_PAINT.\n");
    if (!windowDevice)
        return 0;
    if (FAILED(windowDevice->HandlePaint(nullptr)))
        ShowMessage("Failed to handle WM_PAINT.\n");
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
        World.PanX = position;
    else
        World.PanY = -position;
    PlaceCamera();
    RenderFrame();
}

// Whether a message can change what the frames show; painting shows what is there.
bool MayChangeThePicture(win::Kind kind) {
    return kind != win::Kind::Paint && kind != win::Kind::InitMenuPopup &&
           kind != win::Kind::MouseMove;
}

} // namespace

int WindowProc(win::Window* window, const win::Message& message) {
    if (MayChangeThePicture(message.kind))
        Shell.Pacer.Stir();
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
        StopAutoplay();
        // The press position is two unsigned 16-bit halves of one word.
        PickButton(D3D.Viewport, message.x & 0xFFFF, message.y & 0xFFFF);
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
    const D3DRMRENDERQUALITY shade = Shell.RenderQuality & D3DRMSHADE_MASK;
    const D3DRMRENDERQUALITY fill = Shell.RenderQuality & D3DRMFILL_MASK;
    const int cabinet = (Shared.DisplayFlags & DISPLAY_CABINET) ? 1 : 0;
    auto on = [](bool b) { return b ? 1 : 0; };
    std::vector<MenuMark> marks = {
        {CMD_SINGLE_STEP, on(Shell.SingleStep == 1), -1},
        {CMD_GO, -1, on(Shell.SingleStep == 1)},
        {CMD_LIGHTING, on((Shell.RenderQuality & D3DRMLIGHT_MASK) == D3DRMLIGHT_ON), -1},
        {CMD_FLAT, on(shade == D3DRMSHADE_FLAT), -1},
        {CMD_GOURAUD, on(shade == D3DRMSHADE_GOURAUD), -1},
        {CMD_PHONG, on(shade == D3DRMSHADE_PHONG), 0},
        {CMD_POINTS, on(fill == D3DRMFILL_POINTS), -1},
        {CMD_WIREFRAME, on(fill == D3DRMFILL_WIREFRAME), -1},
        {CMD_SOLID, on(fill == D3DRMFILL_SOLID), -1},
        {CMD_POINT_FILTERING, on(Shell.TextureQuality == D3DRMTEXTURE_NEAREST), -1},
        {CMD_BILINEAR_FILTERING, on(Shell.TextureQuality == D3DRMTEXTURE_LINEAR), -1},
        {CMD_DITHERING, on(Shell.Dithering == 1), -1},
        {CMD_ANTI_ALIASING, on(Shell.AntiAliasing == 1), 0},
        {CMD_SOUND, on(Shared.DisplayFlags & DISPLAY_SOUND), -1},
        {CMD_SHOW_FPS, on(Shell.ShowFPS == 1), -1},
        {CMD_ROTATE_X, on(Shared.DisplayFlags & DISPLAY_ROTATE_X), -1},
        {CMD_ROTATE_Y, on(Shared.DisplayFlags & DISPLAY_ROTATE_Y), -1},
        {CMD_ROTATE_Z, on(Shared.DisplayFlags & DISPLAY_ROTATE_Z), -1},
        {CMD_SHOW_CREDITS, on(Shared.DisplayFlags & DISPLAY_CREDITS), cabinet},
        {CMD_SHOW_PAYOFF_CHART, on(Shared.DisplayFlags & DISPLAY_PAYOFF_CHART), cabinet},
        {CMD_SHOW_BUTTONS, on(Shared.DisplayFlags & DISPLAY_BUTTONS), cabinet},
        {CMD_RELOAD_WHEN_CHANGED, on(Bench.Watch), -1},
        {CMD_AUTOPLAY, on(Bench.Autoplay), -1},
    };
    for (int i = 0; i < Shell.DriverCount; ++i)
        marks.push_back({CMD_FIRST_DRIVER + i, on(i == Shell.CurrentDriver), -1});
    return marks;
}

void ToggleDisplay(int32_t bit) {
    if (Shared.Busy == 1) {
        win::MessageBox(
            nullptr, "Please wait for the slot machine to come to a halt before using this command",
            "Wait! Wait! Wait!", win::MB_ICONEXCLAMATION);
        return;
    }
    Shared.DisplayFlags ^= bit;
    BuildMachineScene();
}

void ToggleRotation(int32_t bit) {
    Shared.DisplayFlags ^= bit;
    SetWorldRotation();
}

void OpenMachineFile() {
    win::OpenFileName request;
    request.filters = {{"Slot Machine Files", "*.slt"}};
    // The buffer holds any name the system can open (PATH_MAX with its zero), so a file deep
    // in folders is not dropped; a longer name is refused before it gets here or cannot be
    // opened at all. The dialog starts from the machine's own file.
    request.maxFile = PATH_MAX;
    request.file = std::string(Machine->FileName ? Machine->FileName : "").substr(0, PATH_MAX - 1);
    request.flags = win::OFN_FILEMUSTEXIST | win::OFN_HIDEREADONLY;
    if (!win::GetOpenFileName(request))
        return;
    Machine->Load(request.file.c_str());
    BuildMachineScene();
    LoadMachineSounds();
    MachineOpened();
}
