#pragma once
// A window procedure that keeps every message, for tests of the window layer.

#include "platform/win/platform.h"

#include <functional>
#include <vector>

namespace wintest {

// What RecordingProc saw, and an optional handler it calls before the default handling.
extern std::vector<win::Message> received;
extern std::function<int(win::Window*, const win::Message&)> handler;

int RecordingProc(win::Window* window, const win::Message& message);
std::vector<win::Message> ReceivedOf(win::Kind kind);
std::vector<win::Kind> KindsReceived();
void Forget();

// The shape of the main loop's inner pass: take every waiting message, let the accelerators
// have the first look, and dispatch the rest.
void DrainMessages(const win::AcceleratorResource* accelerators);

} // namespace wintest
