#include "shell/app.h"

#include <cstring>

#include "engine/slot_machine.h"
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

HWND MainWindow = nullptr;

namespace {

constexpr float BACK_PLANE = 100.0f;
constexpr int32_t D3DCOLOR_MONO_MODEL = 1;

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

uint32_t DepthToRenderBit(int bits) {
    switch (bits) {
    case 1:
        return DDBD_1;
    case 2:
        return DDBD_2;
    case 4:
        return DDBD_4;
    case 8:
        return DDBD_8;
    case 16:
        return DDBD_16;
    case 24:
        return DDBD_24;
    case 32:
        return DDBD_32;
    default:
        return 0;
    }
}

HRESULT WINAPI ChooseDriver(LPGUID guid, LPSTR /*description*/, LPSTR name,
                            LPD3DDEVICEDESC hardware, LPD3DDEVICEDESC software, LPVOID context) {
    int32_t* current = static_cast<int32_t*>(context);
    const bool isHardware = hardware->dcmColorModel != 0;
    const D3DDEVICEDESC* taken = isHardware ? hardware : software;
    if (!(taken->dwDeviceRenderBitDepth & DepthToRenderBit(BitsPerPixel)))
        return D3DENUMRET_OK;

    DriverGuid[DriverCount] = *guid;
    std::strncpy(DriverName[DriverCount], name ? name : "", DRIVER_NAME_SIZE - 1);
    DriverName[DriverCount][DRIVER_NAME_SIZE - 1] = '\0';

    const bool isMono = taken->dcmColorModel == D3DCOLOR_MONO_MODEL;
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

int ListDrivers(HWND window) {
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
    CurrentDriver = -1;
    result = direct3d->EnumDevices(ChooseDriver, &CurrentDriver);
    if (result != DD_OK) {
        ShowMessage("Enumeration of drivers failed.\n%s", ErrorText(result));
        return 0;
    }
    if (DriverCount == 0) {
        ShowMessage("Could not find a D3D driver which is compatible with this display depth");
        return 0;
    }
    direct3d->Release();
    draw->Release();

    HMENU fileMenu = GetSubMenu(GetMenu(window), 0);
    for (int i = 0; i < DriverCount; ++i)
        InsertMenu(fileMenu, 7 + i, MF_BYPOSITION | MF_STRING, DRIVER_COMMAND_BASE + i,
                   DriverName[i]);
    return 1;
}

int CreateDeviceAndViewport(LPDIRECTDRAWCLIPPER clipper, int driver, int width, int height) {
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
