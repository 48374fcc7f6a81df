#include "scene/shared_flags.h"

SharedFlags Shared;
