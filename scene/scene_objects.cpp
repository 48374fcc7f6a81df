#include "scene/scene_objects.h"

Direct3DObjects D3D;
