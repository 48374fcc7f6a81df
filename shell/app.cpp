#include "shell/app.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "engine/slot_machine.h"
#include "platform/win/platform.h"
#include "resources/command_ids.h"
#include "resources/resources.h"
#include "scene/world.h"
#include "shell/error_report.h"
#include "shell/render.h"
#include "shell/window_proc.h"

LPDIRECTDRAW lpDD = nullptr;
LPDIRECT3DRM lpD3DRM = nullptr;
LPDIRECT3DRMFRAME SceneFrame = nullptr;
LPDIRECT3DRMFRAME CameraFrame = nullptr;
LPDIRECTDRAWCLIPPER Clipper = nullptr;
LPDIRECT3DRMDEVICE Device = nullptr;
LPDIRECT3DRMVIEWPORT Viewport = nullptr;

int32_t DriverCount = 0;
int32_t CurrentDriver = 0;
GUID DriverGuid[MAX_DRIVERS] = {};
char DriverName[MAX_DRIVERS][DRIVER_NAME_SIZE] = {};
int32_t BitsPerPixel = 0;

int32_t RenderQuality = START_RENDER_QUALITY;
int32_t TextureQuality = 1;
int32_t Dithering = 0;

int32_t Running = 0;
int32_t Quit = 0;
int32_t Minimized = 0;
int32_t SingleStep = 0;
int32_t StepPending = 0;

win::Window* MainWindow = nullptr;
MainLoopHooks LoopHooks;
int32_t StartDriver = -1;

namespace {

const win::AcceleratorResource* Accelerators = nullptr;
int QuitCode = 0;

// The two facts of the choice made so far, kept between calls of the enumeration.
bool ChosenIsHardware = false;
bool ChosenIsMono = false;

template <typename T> void Release(T*& object) {
    if (object) {
        object->Release();
        object = nullptr;
    }
}

struct ShadeCounts {
    int bits;
    int deviceShades;  // 0: left as the device made it
    int textureColors; // 0: left as it is
    int textureShades; // 0: left as it is
};

constexpr ShadeCounts kShadeCounts[] = {
    {1, 4, 0, 4},
    {16, 32, 64, 32},
    {24, 256, 64, 256},
    {32, 256, 64, 256},
};

bool ApplyShadeCounts() {
    for (const ShadeCounts& entry : kShadeCounts) {
        if (entry.bits != BitsPerPixel)
            continue;
        if (entry.deviceShades && FAILED(Device->SetShades(entry.deviceShades)))
            return false;
        if (entry.textureColors && FAILED(lpD3DRM->SetDefaultTextureColors(entry.textureColors)))
            return false;
        if (entry.textureShades && FAILED(lpD3DRM->SetDefaultTextureShades(entry.textureShades)))
            return false;
    }
    return true;
}

} // namespace

void StartDriverEnumeration() {
    CurrentDriver = -1;
    ChosenIsHardware = false;
    ChosenIsMono = false;
}

DWORD DepthToRenderBit(int bits) {
    static constexpr std::pair<int, DWORD> kDepthBits[] = {
        {1, DDBD_1},   {2, DDBD_2},   {4, DDBD_4},   {8, DDBD_8},
        {16, DDBD_16}, {24, DDBD_24}, {32, DDBD_32},
    };
    for (const auto& [depth, flag] : kDepthBits)
        if (depth == bits)
            return flag;
    return 0; // no driver can match
}

HRESULT ChooseDriver(GUID* guid, char* /*description*/, char* name, D3DDEVICEDESC* hardware,
                     D3DDEVICEDESC* software, void* context) {
    // An enumeration that went on past a cancel finds the list full.
    if (DriverCount >= MAX_DRIVERS || !hardware || !software || !guid)
        return D3DENUMRET_CANCEL;
    int32_t* current = static_cast<int32_t*>(context);
    const bool isHardware = hardware->dcmColorModel != 0;
    const D3DDEVICEDESC* taken = isHardware ? hardware : software;
    if (!(taken->dwDeviceRenderBitDepth & DepthToRenderBit(BitsPerPixel)))
        return D3DENUMRET_OK;

    DriverGuid[DriverCount] = *guid;
    std::strncpy(DriverName[DriverCount], name ? name : "", DRIVER_NAME_SIZE - 1);
    DriverName[DriverCount][DRIVER_NAME_SIZE - 1] = '\0';

    const bool isMono = taken->dcmColorModel == D3DCOLOR_MONO;
    const bool choose = *current == -1 || (isHardware && !ChosenIsHardware) ||
                        (isMono && !ChosenIsMono && (isHardware || !ChosenIsHardware));
    if (choose) {
        *current = DriverCount;
        ChosenIsHardware = isHardware;
        ChosenIsMono = isMono;
    }
    DriverCount += 1;
    return DriverCount >= MAX_DRIVERS ? D3DENUMRET_CANCEL : D3DENUMRET_OK;
}

int ListDrivers(win::Window* window) {
    LPDIRECTDRAW draw = nullptr;
    HRESULT result = DirectDrawCreate(nullptr, &draw, nullptr);
    if (result != DD_OK) {
        ShowMessage("Creation of DirectDraw HEL failed.\n%s", ErrorText(result));
        return 0;
    }
    LPDIRECT3D direct3d = nullptr;
    result = draw->QueryInterface(IID_IDirect3D, reinterpret_cast<void**>(&direct3d));
    if (result != DD_OK) {
        ShowMessage("Creation of Direct3D interface failed.\n%s", ErrorText(result));
        draw->Release();
        return 0;
    }
    StartDriverEnumeration();
    result = direct3d->EnumDevices(ChooseDriver, &CurrentDriver);
    if (result != DD_OK) {
        ShowMessage("Enumeration of drivers failed.\n%s", ErrorText(result));
        direct3d->Release();
        draw->Release();
        return 0;
    }
    direct3d->Release();
    draw->Release();
    if (DriverCount == 0) {
        ShowMessage("Could not find a D3D driver which is compatible with this display depth");
        return 0;
    }

    win::Menu* fileMenu = window->GetMenu() ? window->GetMenu()->GetSubMenu(0) : nullptr;
    for (int i = 0; fileMenu && i < DriverCount; ++i)
        fileMenu->InsertMenu(7 + i, win::MF_BYPOSITION | win::MF_STRING, CMD_FIRST_DRIVER + i,
                             DriverName[i]);
    return 1;
}

int CreateDeviceAndViewport(LPDIRECTDRAWCLIPPER clipper, int driver, int width, int height) {
    if (!lpD3DRM || driver < 0 || driver >= MAX_DRIVERS)
        return 0;
    if (width == 0 || height == 0) {
        ShowMessage("Cannot create a D3DRM device with invalid window dimensions.");
        return 0;
    }
    HRESULT result =
        lpD3DRM->CreateDeviceFromClipper(clipper, &DriverGuid[driver], width, height, &Device);
    if (result != D3DRM_OK) {
        ShowMessage("Failed to create the D3DRM device from the clipper.\n%s", ErrorText(result));
        return 0;
    }
    result = lpD3DRM->CreateViewport(Device, CameraFrame, 0, 0, Device->GetWidth(),
                                     Device->GetHeight(), &Viewport);
    if (result != D3DRM_OK) {
        ShowMessage("Failed to create the D3DRM viewport.\n%s", ErrorText(result));
        Release(Device);
        return 0;
    }
    result = Viewport->SetBack(BACK_PLANE);
    if (result != D3DRM_OK) {
        ShowMessage("Failed to set the background depth of the D3DRM viewport.\n%s",
                    ErrorText(result));
        Release(Device);
        Release(Viewport);
        return 0;
    }
    return ApplyRenderState();
}

int ApplyRenderState() {
    // Without a device the state waits for the next one, which applies it when it is made.
    if (!Device)
        return 1;
    HRESULT result;
    if (Device->GetQuality() != static_cast<D3DRMRENDERQUALITY>(RenderQuality) &&
        (result = Device->SetQuality(RenderQuality)) != D3DRM_OK) {
        ShowMessage("Setting the render quality failed.\n%s", ErrorText(result));
        return 0;
    }
    if (Device->GetDither() != Dithering && (result = Device->SetDither(Dithering)) != D3DRM_OK) {
        ShowMessage("Setting dither mode failed.\n%s", ErrorText(result));
        return 0;
    }
    if (Device->GetTextureQuality() != static_cast<D3DRMTEXTUREQUALITY>(TextureQuality) &&
        (result = Device->SetTextureQuality(static_cast<D3DRMTEXTUREQUALITY>(TextureQuality))) !=
            D3DRM_OK) {
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
    Release(Viewport);
    Release(Device);
}

void ShutDown() {
    // DestroyMachineScene() tears down the machine's frames here.
    Running = 0;
    Release(SceneFrame);
    Release(CameraFrame);
    Release(Viewport);
    Release(Device);
    Release(lpD3DRM);
    Release(Clipper);
    Quit = 1;
}

void FreeProgram() {
    ShutDown();
    Release(WorldFrame);
    Release(lpDD);
    rm::SetWindowPresenter(MainWindow, nullptr);
    delete Machine;
    Machine = nullptr;
}

int ResetGlobals() {
    lpD3DRM = nullptr;
    Device = nullptr;
    std::memset(DriverName, 0, sizeof DriverName);
    DriverCount = 0;
    CurrentDriver = 0;
    RenderQuality = START_RENDER_QUALITY;
    TextureQuality = 1;
    Dithering = 0;
    Running = 0;
    Quit = 0;
    Minimized = 0;
    SingleStep = 0;
    StepPending = 0;
    BitsPerPixel = 0;
    return 0;
}

namespace {

bool ReportIfFailed(HRESULT result, const char* format) {
    if (result == 0)
        return false;
    ShowMessage(format, ErrorText(result));
    return true;
}

// The device shows its finished pictures in the window the clipper is bound to.
void PresentInWindow(win::Window* window) {
    rm::SetWindowPresenter(window,
                           [window](const base::Image& picture) { window->SetClientImage(picture); });
}

// The 3D objects of start-up, each step only after the ones before succeeded.
bool CreateSceneObjects(win::Window* window) {
    if (DirectDrawCreate(nullptr, &lpDD, nullptr) != DD_OK) {
        ShowMessage("Failed to create DirectDraw\n");
        return false;
    }
    lpDD->SetCooperativeLevel(nullptr, DDSCL_NORMAL);
    if (ReportIfFailed(Direct3DRMCreate(&lpD3DRM), "Failed to create Direct3DRM.\n%s") ||
        ReportIfFailed(lpD3DRM->CreateFrame(nullptr, &SceneFrame),
                       "Failed to create the master scene frame.\n%s") ||
        ReportIfFailed(lpD3DRM->CreateFrame(SceneFrame, &CameraFrame),
                       "Failed to create the camera's frame.\n%s") ||
        ReportIfFailed(CameraFrame->SetPosition(SceneFrame, 0, 0, 0),
                       "Failed to position the camera in the frame.\n%s"))
        return false;
    if (DirectDrawCreateClipper(0, &Clipper, nullptr) != DD_OK) {
        ShowMessage("Failed to create DirectDrawClipper");
        return false;
    }
    if (Clipper->SetHWnd(0, window) != DD_OK) {
        ShowMessage("Failed to set hwnd on the clipper");
        return false;
    }
    PresentInWindow(window);
    return true;
}

// The driver named on the command line replaces the enumeration's choice.
bool TakeStartDriver() {
    if (StartDriver < 0)
        return true;
    if (StartDriver >= DriverCount) {
        std::fprintf(stderr, "kestrel3d: --driver %d: the list has %d driver(s)\n", StartDriver,
                     DriverCount);
        return false;
    }
    CurrentDriver = StartDriver;
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
    win::Window* window = win::CreateWindow("Kestrel_3D", "Kestrel-3D:", 600, 400);
    if (!window)
        return nullptr;
    BitsPerPixel = window->ColorDepth();
    rm::SetDisplayDepth(BitsPerPixel);
    if (!ListDrivers(window) || !TakeStartDriver() || !CreateSceneObjects(window))
        return nullptr;
    if (!CreateDeviceAndViewport(Clipper, CurrentDriver, window->ClientWidth(),
                                 window->ClientHeight()))
        return nullptr;
    if (FAILED(BuildWorld(Device)))
        return nullptr;
    Running = 1;
    window->ShowWindow(showCommand);
    window->UpdateWindow();
    return window;
}

void DeliverMessage(const win::Message& message) {
    // Messages delivered before the main loop (by automation) use the same table.
    if (!Accelerators)
        Accelerators = win::LoadAccelerators("AppAccel");
    if (!win::TranslateAccelerator(message.window, Accelerators, message)) {
        win::TranslateMessage(message);
        win::DispatchMessage(message);
    }
}

void PumpMessages() {
    win::Message message;
    while (win::PeekMessage(message)) {
        if (message.kind == win::Kind::Quit) {
            QuitCode = message.exitCode;
            ShutDown();
            return;
        }
        DeliverMessage(message);
    }
}

int WinMain(int showCommand) {
    int failedFrames = 0;
    MainWindow = StartApplication(showCommand);
    if (!MainWindow)
        return 1;
    Accelerators = win::LoadAccelerators("AppAccel");
    while (!Quit) {
        if (LoopHooks.beforePass)
            LoopHooks.beforePass();
        PumpMessages();
        if (Quit)
            break;
        if (Minimized || !Running) {
            if (LoopHooks.mayWait)
                win::WaitMessage();
            continue;
        }
        if (!SingleStep || StepPending) {
            if (!RenderFrame() && ++failedFrames > 2) {
                ShowMessage("Rendering has failed too many times.  Aborting execution.\n");
                ShutDown();
                break;
            }
            UpdateTitle(MainWindow);
        }
        if (SingleStep)
            StepPending = 0;
    }
    win::DestroyWindow(MainWindow);
    return QuitCode;
}
