#pragma once
// The application shell: start-up, the 3D device and viewport, the render state, the main
// loop and the shut-down. One window, one scene, one set of globals.

#include <cstdint>
#include <functional>

#include "platform/rm/d3drm.h"
#include "platform/win/resource_types.h"
#include "platform/win/window.h"
#include "scene/scene_objects.h"
#include "shell/pacing.h"
#include "shell/title.h"

// The driver list, filled once at start-up; driver i is File menu command CMD_FIRST_DRIVER + i.
constexpr int MAX_DRIVERS = 5;
constexpr int DRIVER_NAME_SIZE = 50;
// Where the driver items go in the File menu: between the two separators above Exit.
constexpr int FIRST_DRIVER_POSITION = 7;

// The main window's outer size when it is made.
constexpr int MAIN_WINDOW_WIDTH = 600;
constexpr int MAIN_WINDOW_HEIGHT = 400;

// The viewport's back clipping plane, from the camera.
constexpr float BACK_PLANE = 100.0f;

// What runs the program beside the user: called at the start of every pass of the main
// loop, and the latest time to which a pass may sleep waiting for input or for the display's
// next refresh (a time already past: the passes run back to back; unset: no limit).
struct MainLoopHooks {
    std::function<void()> beforePass;
    std::function<SteadyTime()> wakeBy;
};

// What start-up puts back to its start values before it makes the window (ResetGlobals).
struct StartUpState {
    int32_t DriverCount = 0;
    int32_t CurrentDriver = 0;
    GUID DriverGuid[MAX_DRIVERS] = {};
    char DriverName[MAX_DRIVERS][DRIVER_NAME_SIZE] = {};
    int32_t BitsPerPixel = 0;

    // Render state; RenderQuality holds shade (bits 0-2), lighting (3-5) and fill (6-8).
    D3DRMRENDERQUALITY RenderQuality = START_RENDER_QUALITY;
    D3DRMTEXTUREQUALITY TextureQuality = D3DRMTEXTURE_LINEAR;
    int32_t Dithering = 0;

    // Run flags.
    int32_t Running = 0;
    int32_t Quit = 0;
    int32_t Minimized = 0;
    int32_t SingleStep = 0;
    int32_t StepPending = 0;
};

// The shell's own state. The 3D objects it creates are in D3D (scene/scene_objects.h).
struct ShellState : StartUpState {
    int32_t AntiAliasing = 0; // shown as its check mark and applied to nothing
    int32_t ShowFPS = 0;
    TitleStatus Status; // the frame count, the frame rate and the last title

    // The two facts of the driver chosen so far, kept between calls of the enumeration.
    bool ChosenIsHardware = false;
    bool ChosenIsMono = false;

    // The main window, once start-up has made it, and its accelerator table.
    win::Window* MainWindow = nullptr;
    const win::AcceleratorResource* Accelerators = nullptr;
    // What WinMain returns once the loop ends: a quit message's code, or 1 after a failure.
    int QuitCode = 0;
    MainLoopHooks LoopHooks;
    FramePacer Pacer;
    // The driver to start on instead of the one the enumeration chooses; -1 for the choice.
    int32_t StartDriver = -1;
};
extern ShellState Shell;

// The entry of the program proper: start-up, the main loop, the window's end. Returns 1
// when start-up failed or a failure ended the program, otherwise the exit code of a quit
// message (0 without one).
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
// The shut-down of a failure that ends the program (a resize, a driver change, too many
// failed frames): the program then exits with 1, as after a failed start-up.
void ShutDownAfterFailure();
// The start-up state back to its start values; the hooks and the start driver, set before
// start-up, stay.
void ResetGlobals();
// The whole program back to where it starts: everything FreeProgram gives back is released,
// then every global is at its start value (the shell's, the 3D objects', the world's, the
// machine scene's, the play control's, the shared flags, the error report's) and the 3D
// layer has no failing call armed and the default display depth.
void ResetProgramState();

// One message through the accelerator table to its window, as the main loop passes it.
void DeliverMessage(const win::Message& message);
// Every waiting message, delivered; a quit message shuts the program down.
void PumpMessages();

// What the process gives back when it ends, after the main loop: everything ShutDown
// leaves (the world frame, the DirectDraw object) and the machine.
void FreeProgram();

// The driver change and the growing window replace both; the rest of the scene stays.
void ReleaseViewportAndDevice();
