#pragma once
// The application shell: start-up, the 3D device and viewport, the render state, the main
// loop and the shut-down. One window, one scene, one set of globals.

#include <cstdint>
#include <functional>

#include "platform/rm/d3drm.h"
#include "platform/win/window.h"

// 3D objects; null until created and again after ShutDown (lpDD is never released).
extern LPDIRECTDRAW lpDD;
extern LPDIRECT3DRM lpD3DRM;
extern LPDIRECT3DRMFRAME SceneFrame;
extern LPDIRECT3DRMFRAME CameraFrame;
extern LPDIRECTDRAWCLIPPER Clipper;
extern LPDIRECT3DRMDEVICE Device;
extern LPDIRECT3DRMVIEWPORT Viewport;

// The driver list, filled once at start-up; driver i is File menu command CMD_FIRST_DRIVER + i.
constexpr int MAX_DRIVERS = 5;
constexpr int DRIVER_NAME_SIZE = 50;
extern int32_t DriverCount;
extern int32_t CurrentDriver;
extern GUID DriverGuid[MAX_DRIVERS];
extern char DriverName[MAX_DRIVERS][DRIVER_NAME_SIZE];
extern int32_t BitsPerPixel;

// Render state; RenderQuality holds shade (bits 0-2), lighting (3-5) and fill (6-8).
constexpr int32_t START_RENDER_QUALITY = 137; // solid, lit, Gouraud
extern int32_t RenderQuality;
extern int32_t TextureQuality; // 0 nearest, 1 bilinear
extern int32_t Dithering;

// The viewport's back clipping plane, from the camera.
constexpr float BACK_PLANE = 100.0f;

// Run flags.
extern int32_t Running;
extern int32_t Quit;
extern int32_t Minimized;
extern int32_t SingleStep;
extern int32_t StepPending;

// The main window, once start-up has made it.
extern win::Window* MainWindow;

// What runs the program beside the user: called at the start of every pass of the main
// loop, and whether a pass with nothing to render may sleep until the next message.
struct MainLoopHooks {
    std::function<void()> beforePass;
    bool mayWait = true;
};
extern MainLoopHooks LoopHooks;

// The driver to start on instead of the one the enumeration chooses; -1 for the choice.
extern int32_t StartDriver;

// The entry of the program proper: start-up, the main loop, the window's end. Returns 1
// when start-up failed, otherwise the exit code of a quit message (0 without one).
int WinMain(int showCommand);
win::Window* StartApplication(int showCommand);
int ListDrivers(win::Window* window);
// No driver chosen yet: CurrentDriver -1 and no hardware or mono driver seen.
void StartDriverEnumeration();
HRESULT ChooseDriver(GUID* guid, char* description, char* name, D3DDEVICEDESC* hardware,
                     D3DDEVICEDESC* software, void* context);
DWORD DepthToRenderBit(int bits);
int CreateDeviceAndViewport(LPDIRECTDRAWCLIPPER clipper, int driver, int width, int height);
int ApplyRenderState();
void ShutDown();
int ResetGlobals();

// One message through the accelerator table to its window, as the main loop passes it.
void DeliverMessage(const win::Message& message);
// Every waiting message, delivered; a quit message shuts the program down.
void PumpMessages();

// What the process gives back when it ends, after the main loop: everything ShutDown
// leaves (the world frame, the DirectDraw object) and the machine.
void FreeProgram();

// The driver change and the growing window replace both; the rest of the scene stays.
void ReleaseViewportAndDevice();
