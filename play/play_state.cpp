#include "play/play_state.h"

PlayState Play;
