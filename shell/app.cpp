#include "shell/app.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "engine/slot_machine.h"
#include "platform/rm/results.h"
#include "platform/win/platform.h"
#include "play/play_state.h"
#include "play/spin_sequence.h"
#include "resources/command_ids.h"
#include "resources/resources.h"
#include "scene/error_report.h"
#include "scene/machine_scene.h"
#include "scene/machine_state.h"
#include "scene/shared_flags.h"
#include "scene/world.h"
#include "shell/render.h"
#include "shell/window_proc.h"
#include "shell/workbench.h"

ShellState Shell;

namespace {

struct ShadeCounts {
    int bits;
    int deviceShades;  // 0: left as the device made it
    int textureColors; // 0: left as it is
    int textureShades; // 0: left as it is
};

constexpr ShadeCounts SHADE_COUNTS[] = {
    {1, 4, 0, 4},
    {16, 32, 64, 32},
    {24, 256, 64, 256},
    {32, 256, 64, 256},
};

bool ApplyShadeCounts() {
    for (const ShadeCounts& entry : SHADE_COUNTS) {
        if (entry.bits != Shell.BitsPerPixel)
            continue;
        if (entry.deviceShades && FAILED(D3D.Device->SetShades(entry.deviceShades)))
            return false;
        if (entry.textureColors &&
            FAILED(D3D.lpD3DRM->SetDefaultTextureColors(entry.textureColors)))
            return false;
        if (entry.textureShades &&
            FAILED(D3D.lpD3DRM->SetDefaultTextureShades(entry.textureShades)))
            return false;
    }
    return true;
}

} // namespace

void StartDriverEnumeration() {
    Shell.CurrentDriver = -1;
    Shell.ChosenIsHardware = false;
    Shell.ChosenIsMono = false;
}

DWORD DepthToRenderBit(int bits) {
    static constexpr std::pair<int, DWORD> DEPTH_BITS[] = {
        {1, DDBD_1},   {2, DDBD_2},   {4, DDBD_4},   {8, DDBD_8},
        {16, DDBD_16}, {24, DDBD_24}, {32, DDBD_32},
    };
    for (const auto& [depth, flag] : DEPTH_BITS)
        if (depth == bits)
            return flag;
    return 0; // no driver can match
}

HRESULT ChooseDriver(GUID* guid, char* /*description*/, char* name, D3DDEVICEDESC* hardware,
                     D3DDEVICEDESC* software, void* context) {
    // An enumeration that went on past a cancel finds the list full.
    if (Shell.DriverCount >= MAX_DRIVERS || !hardware || !software || !guid)
        return D3DENUMRET_CANCEL;
    int32_t* current = static_cast<int32_t*>(context);
    const bool isHardware = hardware->dcmColorModel != 0;
    const D3DDEVICEDESC* taken = isHardware ? hardware : software;
    if (!(taken->dwDeviceRenderBitDepth & DepthToRenderBit(Shell.BitsPerPixel)))
        return D3DENUMRET_OK;

    Shell.DriverGuid[Shell.DriverCount] = *guid;
    std::strncpy(Shell.DriverName[Shell.DriverCount], name ? name : "", DRIVER_NAME_SIZE - 1);
    Shell.DriverName[Shell.DriverCount][DRIVER_NAME_SIZE - 1] = '\0';

    const bool isMono = taken->dcmColorModel == D3DCOLOR_MONO;
    const bool choose = *current == -1 || (isHardware && !Shell.ChosenIsHardware) ||
                        (isMono && !Shell.ChosenIsMono && (isHardware || !Shell.ChosenIsHardware));
    if (choose) {
        *current = Shell.DriverCount;
        Shell.ChosenIsHardware = isHardware;
        Shell.ChosenIsMono = isMono;
    }
    Shell.DriverCount += 1;
    return Shell.DriverCount >= MAX_DRIVERS ? D3DENUMRET_CANCEL : D3DENUMRET_OK;
}

int ListDrivers(win::Window* window) {
    rm::RefPtr<IDirectDraw> draw;
    HRESULT result = DirectDrawCreate(nullptr, draw.Out(), nullptr);
    if (result != DD_OK) {
        ShowMessage("Creation of DirectDraw HEL failed.\n%s", ErrorText(result));
        return 0;
    }
    rm::RefPtr<IDirect3D> direct3d;
    result = draw->QueryInterface(IID_IDirect3D, reinterpret_cast<void**>(direct3d.Out()));
    if (result != DD_OK) {
        ShowMessage("Creation of Direct3D interface failed.\n%s", ErrorText(result));
        return 0;
    }
    StartDriverEnumeration();
    result = direct3d->EnumDevices(ChooseDriver, &Shell.CurrentDriver);
    if (result != DD_OK) {
        ShowMessage("Enumeration of drivers failed.\n%s", ErrorText(result));
        return 0;
    }
    direct3d.Reset();
    draw.Reset();
    if (Shell.DriverCount == 0) {
        ShowMessage("Could not find a D3D driver which is compatible with this display depth");
        return 0;
    }

    win::Menu* fileMenu = window->GetMenu() ? window->GetMenu()->GetSubMenu(0) : nullptr;
    for (int i = 0; fileMenu && i < Shell.DriverCount; ++i)
        fileMenu->InsertMenu(FIRST_DRIVER_POSITION + i, win::MF_BYPOSITION | win::MF_STRING,
                             CMD_FIRST_DRIVER + i, Shell.DriverName[i]);
    return 1;
}

int CreateDeviceAndViewport(LPDIRECTDRAWCLIPPER clipper, int driver, int width, int height) {
    if (!D3D.lpD3DRM || driver < 0 || driver >= MAX_DRIVERS)
        return 0;
    if (width == 0 || height == 0) {
        ShowMessage("Cannot create a D3DRM device with invalid window dimensions.");
        return 0;
    }
    HRESULT result = D3D.lpD3DRM->CreateDeviceFromClipper(clipper, &Shell.DriverGuid[driver], width,
                                                          height, &D3D.Device);
    if (result != D3DRM_OK) {
        ShowMessage("Failed to create the D3DRM device from the clipper.\n%s", ErrorText(result));
        return 0;
    }
    result = D3D.lpD3DRM->CreateViewport(D3D.Device, D3D.CameraFrame, 0, 0, D3D.Device->GetWidth(),
                                         D3D.Device->GetHeight(), &D3D.Viewport);
    if (result != D3DRM_OK) {
        ShowMessage("Failed to create the D3DRM viewport.\n%s", ErrorText(result));
        rm::GiveUp(D3D.Device);
        return 0;
    }
    result = D3D.Viewport->SetBack(BACK_PLANE);
    if (result != D3DRM_OK) {
        ShowMessage("Failed to set the background depth of the D3DRM viewport.\n%s",
                    ErrorText(result));
        rm::GiveUp(D3D.Device);
        rm::GiveUp(D3D.Viewport);
        return 0;
    }
    return ApplyRenderState();
}

int ApplyRenderState() {
    // Without a device the state waits for the next one, which applies it when it is made.
    if (!D3D.Device)
        return 1;
    HRESULT result;
    if (D3D.Device->GetQuality() != Shell.RenderQuality &&
        (result = D3D.Device->SetQuality(Shell.RenderQuality)) != D3DRM_OK) {
        ShowMessage("Setting the render quality failed.\n%s", ErrorText(result));
        return 0;
    }
    if (D3D.Device->GetDither() != Shell.Dithering &&
        (result = D3D.Device->SetDither(Shell.Dithering)) != D3DRM_OK) {
        ShowMessage("Setting dither mode failed.\n%s", ErrorText(result));
        return 0;
    }
    if (D3D.Device->GetTextureQuality() != Shell.TextureQuality &&
        (result = D3D.Device->SetTextureQuality(Shell.TextureQuality)) != D3DRM_OK) {
        ShowMessage("Setting texture quality failed.\n%s", ErrorText(result));
        return 0;
    }
    if (!ApplyShadeCounts()) {
        ShowMessage("A failure occurred while setting color shade information.\n");
        return 0;
    }
    return 1;
}

void ReleaseViewportAndDevice() {
    rm::GiveUp(D3D.Viewport);
    rm::GiveUp(D3D.Device);
}

void ShutDown() {
    // The running animation holds reel frames; they go with the rest of the scene.
    ReleaseReelAnimation();
    DestroyMachineScene();
    ResetWorkbench(); // its window closes with the main one
    Shell.Running = 0;
    rm::GiveUp(D3D.SceneFrame);
    rm::GiveUp(D3D.CameraFrame);
    rm::GiveUp(D3D.Viewport);
    rm::GiveUp(D3D.Device);
    rm::GiveUp(D3D.lpD3DRM);
    rm::GiveUp(D3D.Clipper);
    Shell.Quit = 1;
}

void ShutDownAfterFailure() {
    Shell.QuitCode = 1;
    ShutDown();
}

void FreeProgram() {
    ShutDown();
    rm::GiveUp(World.WorldFrame);
    rm::GiveUp(D3D.lpDD);
    rm::SetWindowPresenter(Shell.MainWindow, {});
    delete Machine;
    Machine = nullptr;
}

void ResetGlobals() {
    D3D.lpD3DRM = nullptr;
    D3D.Device = nullptr;
    static_cast<StartUpState&>(Shell) = StartUpState{};
}

void ResetProgramState() {
    // Disarmed first, so that no release below is the call chosen to fail.
    rm::FailNthCall(0, 0);
    FreeProgram();
    Shell = ShellState{};
    D3D = Direct3DObjects{};
    World = WorldState{};
    Shared = SharedFlags{};
    Errors = ErrorReportState{};
    MachineScene = MachineSceneState{};
    Play = PlayState{};
    rm::SetDisplayDepth(rm::DEFAULT_DISPLAY_DEPTH);
}

namespace {

// The device shows its finished pictures in the window the clipper is bound to.
void PresentInWindow(win::Window* window) {
    rm::SetWindowPresenter(
        window,
        {.show = [window](const base::Picture& picture) { window->SetClientImage(picture); },
         .lend =
             [window](int width, int height) {
                 const win::Window::Canvas canvas = window->LendClientPixels(width, height);
                 return rm::Canvas{.pixels = canvas.pixels, .kept = canvas.kept};
             }});
}

// The 3D objects of start-up, each step only after the ones before succeeded.
bool CreateSceneObjects(win::Window* window) {
    if (DirectDrawCreate(nullptr, &D3D.lpDD, nullptr) != DD_OK) {
        ShowMessage("Failed to create DirectDraw\n");
        return false;
    }
    D3D.lpDD->SetCooperativeLevel(nullptr, DDSCL_NORMAL);
    if (!SucceededOrShow(Direct3DRMCreate(&D3D.lpD3DRM), "Failed to create Direct3DRM.\n%s") ||
        !SucceededOrShow(D3D.lpD3DRM->CreateFrame(nullptr, &D3D.SceneFrame),
                         "Failed to create the master scene frame.\n%s") ||
        !SucceededOrShow(D3D.lpD3DRM->CreateFrame(D3D.SceneFrame, &D3D.CameraFrame),
                         "Failed to create the camera's frame.\n%s") ||
        !SucceededOrShow(D3D.CameraFrame->SetPosition(D3D.SceneFrame, 0, 0, 0),
                         "Failed to position the camera in the frame.\n%s"))
        return false;
    if (DirectDrawCreateClipper(0, &D3D.Clipper, nullptr) != DD_OK) {
        ShowMessage("Failed to create DirectDrawClipper");
        return false;
    }
    if (D3D.Clipper->SetHWnd(0, window) != DD_OK) {
        ShowMessage("Failed to set hwnd on the clipper");
        return false;
    }
    PresentInWindow(window);
    return true;
}

// The driver named on the command line replaces the enumeration's choice.
bool TakeStartDriver() {
    if (Shell.StartDriver < 0)
        return true;
    if (Shell.StartDriver >= Shell.DriverCount) {
        std::fprintf(stderr, "kestrel3d: --driver %d: the list has %d driver(s)\n",
                     Shell.StartDriver, Shell.DriverCount);
        return false;
    }
    Shell.CurrentDriver = Shell.StartDriver;
    return true;
}

} // namespace

win::Window* StartApplication(int showCommand) {
    win::SetResources(res::AppResources());
    win::WindowClass windowClass;
    windowClass.style = win::CS_HREDRAW | win::CS_VREDRAW;
    windowClass.proc = WindowProc;
    windowClass.icon = "AppIcon";
    windowClass.menu = "AppMenu";
    windowClass.name = "Kestrel_3D";
    if (!win::RegisterClass(windowClass))
        return nullptr;
    ResetGlobals();
    win::Window* window =
        win::CreateWindow("Kestrel_3D", "Kestrel-3D:", MAIN_WINDOW_WIDTH, MAIN_WINDOW_HEIGHT);
    if (!window)
        return nullptr;
    Shell.BitsPerPixel = window->ColorDepth();
    rm::SetDisplayDepth(Shell.BitsPerPixel);
    if (!ListDrivers(window) || !TakeStartDriver() || !CreateSceneObjects(window))
        return nullptr;
    if (!CreateDeviceAndViewport(D3D.Clipper, Shell.CurrentDriver, window->ClientWidth(),
                                 window->ClientHeight()))
        return nullptr;
    if (FAILED(BuildWorld(D3D.Device, OpenMachineFile)))
        return nullptr;
    Shell.Running = 1;
    window->ShowWindow(showCommand);
    window->UpdateWindow();
    return window;
}

void DeliverMessage(const win::Message& message) {
    // Messages delivered before the main loop (by automation) use the same table.
    if (!Shell.Accelerators)
        Shell.Accelerators = win::LoadAccelerators("AppAccel");
    if (!win::TranslateAccelerator(message.window, Shell.Accelerators, message)) {
        win::TranslateMessage(message);
        win::DispatchMessage(message);
    }
}

void PumpMessages() {
    win::Message message;
    while (win::PeekMessage(message)) {
        if (message.kind == win::Kind::Quit) {
            Shell.QuitCode = message.exitCode;
            ShutDown();
            return;
        }
        DeliverMessage(message);
    }
}

namespace {

// How often the loop comes round, drawing or not, while the workbench follows something that
// changes without a message.
constexpr std::chrono::milliseconds WORKBENCH_ROUND{50};

// The picture changes by itself from frame to frame: the world turns, the reels or the
// count-up play, or the title shows the frame rate.
bool PictureMoves() {
    return (Shared.DisplayFlags & (DISPLAY_ROTATE_X | DISPLAY_ROTATE_Y | DISPLAY_ROTATE_Z)) ||
           !MachineAtRest() || Shell.ShowFPS;
}

// Sleeps until input arrives or the time comes (the workbench's round at the latest).
void WaitForInput(SteadyTime until) {
    const SteadyTime now = std::chrono::steady_clock::now();
    if (WorkbenchFollowing())
        until = std::min(until, now + WORKBENCH_ROUND);
    if (until > now)
        win::WaitMessageUntil(until);
}

// Whether this pass draws a frame. When it does not, it first sleeps until there may be one:
// input, the display's next refresh, or the end of what the hooks allow.
bool FrameDue() {
    const SteadyTime wakeBy = Shell.LoopHooks.wakeBy ? Shell.LoopHooks.wakeBy() : SteadyTime::max();
    if (Shell.Minimized || !Shell.Running || (Shell.SingleStep && !Shell.StepPending)) {
        WaitForInput(wakeBy);
        return false;
    }
    const SteadyTime now = std::chrono::steady_clock::now();
    if (wakeBy <= now)
        return true;
    if (Shell.Pacer.Resting() && !PictureMoves()) {
        WaitForInput(wakeBy);
        return false;
    }
    if (now < Shell.Pacer.NextFrame()) {
        WaitForInput(std::min(wakeBy, Shell.Pacer.NextFrame()));
        return false;
    }
    return true;
}

} // namespace

int WinMain(int showCommand) {
    int failedFrames = 0;
    Shell.QuitCode = 0;
    Shell.MainWindow = StartApplication(showCommand);
    if (!Shell.MainWindow)
        return 1;
    Shell.Accelerators = win::LoadAccelerators("AppAccel");
    while (!Shell.Quit) {
        if (Shell.LoopHooks.beforePass)
            Shell.LoopHooks.beforePass();
        PumpMessages();
        if (Shell.Quit)
            break;
        WorkbenchPass();
        if (!FrameDue())
            continue;
        const SteadyTime begun = std::chrono::steady_clock::now();
        if (!RenderFrame() && ++failedFrames > 2) {
            ShowMessage("Rendering has failed too many times.  Aborting execution.\n");
            ShutDownAfterFailure();
            break;
        }
        UpdateTitle(Shell.MainWindow);
        Shell.Pacer.SetRefreshRate(Shell.MainWindow->RefreshRate());
        Shell.Pacer.Drawn(begun, PictureMoves());
        if (Shell.SingleStep)
            Shell.StepPending = 0;
    }
    win::DestroyWindow(Shell.MainWindow);
    return Shell.QuitCode;
}
