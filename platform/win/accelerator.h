#pragma once
// Matching key messages against an accelerator table.

#include "platform/win/resource_types.h"
#include "platform/win/win_types.h"

namespace win {

// The command of the first entry that the message matches: a KeyDown for a virtual-key entry
// (the Ctrl, Shift and Alt states must be exactly the entry's), a Char for a character entry.
// Returns false when no entry matches.
bool FindAccelerator(const AcceleratorResource& table, const Message& message, int& command);

} // namespace win
