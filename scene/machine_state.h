#pragma once
// What the machine's part of the scene keeps between builds. ResetProgramState starts it
// afresh; the scene teardown releases what it refers to.

#include <memory>

#include "scene/texture_registry.h"

struct MachineSceneState {
    // Made by the first texture request and kept for the program's life; teardown empties it.
    std::unique_ptr<StringHashTable> TextureRegistry;
};
extern MachineSceneState MachineScene;
