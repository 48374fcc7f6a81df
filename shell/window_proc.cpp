#include "shell/window_proc.h"

#include <algorithm>
#include <cstring>

#include "engine/slot_machine.h"
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

// Display flag bits.
constexpr int32_t SHOW_CABINET = 1;
constexpr int32_t SHOW_CHART = 2;
constexpr int32_t SHOW_BUTTONS = 4;
constexpr int32_t SOUND_ON = 16;
constexpr int32_t SHOW_CREDITS = 32;
constexpr int32_t ROTATE_X = 64;
constexpr int32_t ROTATE_Y = 128;
constexpr int32_t ROTATE_Z = 256;

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
    void (*action)();
};

// The menu "AppMenu" and the accelerators, command by command. The machine's buttons and
// the money amounts reach the game commands, which come with the play control.
const Command kCommands[] = {
    {102, [] { OpenMachineFile(); }},
    {1, [] { AboutProc(); }},
    {27, [] { StepOnce(); }},
    {28, [] { SingleStep = 0; }},
    {2, [] { ShutDown(); }},
    {12, [] { SetRenderBits(SHADE_MASK, 0); }},
    {13, [] { SetRenderBits(SHADE_MASK, 1); }},
    {14, [] { SetRenderBits(SHADE_MASK, 2); }},
    {29, [] { SetRenderBits(LIGHT_ON, ~RenderQuality & LIGHT_ON); }},
    {20, [] { SetRenderBits(FILL_MASK, FILL_POINTS); }},
    {21, [] { SetRenderBits(FILL_MASK, FILL_WIREFRAME); }},
    {22, [] { SetRenderBits(FILL_MASK, FILL_SOLID); }},
    {24, [] { FlipDithering(); }},
    {26, [] { AntiAliasing ^= 1; }},
    {17, [] { SetTextureQuality(0); }},
    {18, [] { SetTextureQuality(1); }},
    {101, [] { /* DoButtonCommand(5) */ }},
    {115, [] { /* DoButtonCommand(4) */ }},
    {116, [] { /* DoButtonCommand(3) */ }},
    {117, [] { /* DoButtonCommand(1) */ }},
    {103, [] { MoveZoom(1.0); }},
    {104, [] { MoveZoom(-1.0); }},
    {112, [] { DisplayFlags ^= SOUND_ON; }},
    {119, [] { ToggleDisplay(SHOW_CABINET); }},
    {111, [] { ToggleDisplay(SHOW_CREDITS); }},
    {114, [] { ToggleDisplay(SHOW_CHART); }},
    {118, [] { ToggleDisplay(SHOW_BUTTONS); }},
    {120, [] { ToggleRotation(ROTATE_X); }},
    {121, [] { ToggleRotation(ROTATE_Y); }},
    {122, [] { ToggleRotation(ROTATE_Z); }},
    {113, [] { ShowFPS = ShowFPS ? 0 : 1; }},
    {105, [] { /* InsertMoneyCommand(5) */ }},
    {106, [] { /* InsertMoneyCommand(10) */ }},
    {107, [] { /* InsertMoneyCommand(20) */ }},
    {108, [] { /* InsertMoneyCommand(50) */ }},
    {109, [] { /* InsertMoneyCommand(100) */ }},
    {110, [] { /* InsertMoneyCommand(1000) */ }},
};

void ChangeDriver(int command) {
    const int driver = command - DRIVER_COMMAND_BASE;
    if (driver < 0 || driver >= MAX_DRIVERS || driver == CurrentDriver)
        return;
    ReleaseViewportAndDevice();
    CurrentDriver = driver;
    const ClientSize client = ClientSizeOf(MainWindow);
    if (!CreateDeviceAndViewport(Clipper, CurrentDriver, client.width, client.height))
        ShutDown();
}

} // namespace

void HandleCommand(int command) {
    for (const Command& entry : kCommands)
        if (entry.id == command)
            entry.action();
    ChangeDriver(command);
    StepPending = 1;
}

int ScrollStep(int position, int minimum, int maximum, int request, int thumb) {
    switch (request) {
    case 0: // line up
        return std::max(position - 1, minimum);
    case 1: // line down
        return std::min(position + 1, maximum);
    case 2: // page up
        return std::max(position + (minimum - maximum - 1) / 3, minimum);
    case 3: // page down
        return std::min(position + (maximum - minimum + 1) / 3, maximum);
    case 4: // thumb position
    case 5: // thumb track
        return thumb;
    case 6: // top
        return minimum;
    case 7: // bottom
        return maximum;
    default:
        return position;
    }
}

std::vector<MenuMark> CurrentMenuMarks() {
    const int32_t shade = RenderQuality & SHADE_MASK;
    const int32_t fill = RenderQuality & FILL_MASK;
    const int cabinet = (DisplayFlags & SHOW_CABINET) ? 1 : 0;
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
        {112, on(DisplayFlags & SOUND_ON), -1},
        {113, on(ShowFPS == 1), -1},
        {120, on(DisplayFlags & ROTATE_X), -1},
        {121, on(DisplayFlags & ROTATE_Y), -1},
        {122, on(DisplayFlags & ROTATE_Z), -1},
        {111, on(DisplayFlags & SHOW_CREDITS), cabinet},
        {114, on(DisplayFlags & SHOW_CHART), cabinet},
        {118, on(DisplayFlags & SHOW_BUTTONS), cabinet},
    };
    for (int i = 0; i < DriverCount; ++i)
        marks.push_back({DRIVER_COMMAND_BASE + i, on(i == CurrentDriver), -1});
    return marks;
}

void ToggleDisplay(int32_t bit) {
    if (Busy == 1) {
        MessageBox(nullptr,
                   "Please wait for the slot machine to come to a halt before using this command",
                   "Wait! Wait! Wait!", MB_ICONEXCLAMATION);
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
    // The dialog starts from the machine's own file, cut to the dialog's buffer.
    std::string start = Machine->FileName ? Machine->FileName : "";
    start = start.substr(0, 255);
    std::string chosen;
    if (!AskOpenFileName(start, "Slot Machine Files", "*.slt", chosen))
        return;
    Machine->Load(chosen.c_str());
    // BuildMachineScene() builds the loaded machine's scene here.
    // LoadMachineSounds() reads the machine's sounds here.
}
