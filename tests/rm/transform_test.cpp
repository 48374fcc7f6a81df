#include "tests/rm/scene_test_support.h"
