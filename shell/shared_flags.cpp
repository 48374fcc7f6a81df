#include "shell/shared_flags.h"

int32_t Busy = 0;
int32_t DisplayFlags = DISPLAY_FLAGS_START;
