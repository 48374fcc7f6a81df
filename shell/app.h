#pragma once
// The application shell: start-up, the 3D device and viewport, the render state, the main
// loop and the shut-down. One window, one scene, one set of globals.

#include <cstdint>

#include "platform/rm/d3drm.h"
#include "platform/win/window.h"

// 3D objects; null until created and again after ShutDown.
extern LPDIRECTDRAW lpDD;
extern LPDIRECT3DRM lpD3DRM;
extern LPDIRECT3DRMFRAME SceneFrame;
extern LPDIRECT3DRMFRAME CameraFrame;
extern LPDIRECTDRAWCLIPPER Clipper;
extern LPDIRECT3DRMDEVICE Device;
extern LPDIRECT3DRMVIEWPORT Viewport;

// The driver list, filled once at start-up; driver i is File menu command 80 + i.
constexpr int MAX_DRIVERS = 5;
constexpr int DRIVER_COMMAND_BASE = 80;
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

// Run flags.
extern int32_t Running;
extern int32_t Quit;
extern int32_t Minimized;
extern int32_t SingleStep;
extern int32_t StepPending;

// The main window, once created.
extern HWND MainWindow;

int WinMain(HINSTANCE instance, HINSTANCE previous, const char* commandLine, int showCommand);
HWND StartApplication(HINSTANCE instance, int showCommand);
int ListDrivers(HWND window);
HRESULT WINAPI ChooseDriver(LPGUID guid, LPSTR description, LPSTR name, LPD3DDEVICEDESC hardware,
                            LPD3DDEVICEDESC software, LPVOID context);
uint32_t DepthToRenderBit(int bits);
int CreateDeviceAndViewport(LPDIRECTDRAWCLIPPER clipper, int driver, int width, int height);
int ApplyRenderState();
void ShutDown();
int ResetGlobals();
