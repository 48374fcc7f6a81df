#include "scene/machine_state.h"

MachineSceneState MachineScene;
