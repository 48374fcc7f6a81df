#pragma once
// The main window's procedure: menu commands and accelerators, menu marks, the scroll bars
// that pan the camera, left clicks, resizing, painting and activation, and the File/Open
// dialog through which machine files are loaded.

#include <cstdint>
#include <vector>

#include "platform/win/dialogs.h"
#include "platform/win/window.h"

int WindowProc(win::Window* window, const win::Message& message);
int AboutProc(win::Dialog* dialog, const win::Message& message);
int ScrollPosition(win::Window* window, int bar, int request, int thumb);
void ToggleDisplay(int32_t bit);
void ToggleRotation(int32_t bit);
void OpenMachineFile();

// A scroll request applied to a position within minimum..maximum; the result is clamped.
int ScrollStep(int position, int minimum, int maximum, int request, int thumb);

// How an item's mark stands when its popup opens: -1 leaves that part alone.
struct MenuMark {
    int command;
    int checked;
    int enabled;
};
std::vector<MenuMark> CurrentMenuMarks();
