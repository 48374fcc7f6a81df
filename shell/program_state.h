#pragma once
// What automation reads back from the running program: its state as JSON and the picture
// in its client area.

#include <string>

// One JSON object: the machine (as `slotsim dump` prints it), the shared flags, the window,
// viewport, camera and scroll bars, the render and run state, the drivers, and every menu
// item with a command id as its marks stand once each popup has been opened (this opens
// them).
std::string ProgramStateJson();

// The last rendered image as the client area shows it (1:1 at its top left, on black),
// written as PNG. False when there is nothing to write or the file cannot be written.
bool SaveClientShot(const std::string& path);
