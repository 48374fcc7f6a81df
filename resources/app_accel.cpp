// Keys that reach commands without the menu. Function keys and the Ctrl letters are virtual
// keys that leave the menu bar unhighlighted; "+" and "-" answer both the keypad keys and the
// typed characters, and Ctrl+X, Ctrl+Y, Ctrl+Z arrive as the control characters they type.

#include "resources/resources.h"

#include "platform/win/win_types.h"

namespace res {
namespace {

using namespace win;

constexpr uint8_t kKey = FVIRTKEY | FNOINVERT;
constexpr uint8_t kCtrlKey = FVIRTKEY | FNOINVERT | FCONTROL;

constexpr AcceleratorEntry kEntries[] = {
    {kKey, VK_F1, 1},
    {kKey, VK_F2, 12},
    {kKey, VK_F3, 13},
    {kKey, VK_F4, 14},
    {kKey, VK_F5, 29},
    {kCtrlKey, 'P', 20},
    {kCtrlKey, 'W', 21},
    {kCtrlKey, 'S', 22},
    {kCtrlKey, 'D', 24},
    {kCtrlKey, 'A', 26},
    {kCtrlKey, 'O', 17},
    {kCtrlKey, 'L', 18},
    {kKey, VK_ESCAPE, 2},
    {kKey, VK_SPACE, 27},
    {kKey, VK_RETURN, 28},
    {FVIRTKEY, VK_ADD, 103},
    {FVIRTKEY, VK_SUBTRACT, 104},
    {0, '+', 103},
    {0, '-', 104},
    {0, 24, 120},
    {0, 25, 121},
    {0, 26, 122},
};

} // namespace

const AcceleratorResource AppAccel{"AppAccel", kEntries};

} // namespace res
