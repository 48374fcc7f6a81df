// Keys that reach commands without the menu. Function keys and the Ctrl letters are virtual
// keys that leave the menu bar unhighlighted; "+" and "-" answer both the keypad keys and the
// typed characters, and Ctrl+X, Ctrl+Y, Ctrl+Z arrive as the control characters they type.

#include "resources/command_ids.h"
#include "resources/resources.h"

#include "platform/win/win_types.h"

namespace res {
namespace {

using namespace win;

constexpr uint8_t kKey = FVIRTKEY | FNOINVERT;
constexpr uint8_t kCtrlKey = FVIRTKEY | FNOINVERT | FCONTROL;

constexpr AcceleratorEntry kEntries[] = {
    {kKey, VK_F1, CMD_ABOUT},
    {kKey, VK_F2, CMD_FLAT},
    {kKey, VK_F3, CMD_GOURAUD},
    {kKey, VK_F4, CMD_PHONG},
    {kKey, VK_F5, CMD_LIGHTING},
    {kCtrlKey, 'P', CMD_POINTS},
    {kCtrlKey, 'W', CMD_WIREFRAME},
    {kCtrlKey, 'S', CMD_SOLID},
    {kCtrlKey, 'D', CMD_DITHERING},
    {kCtrlKey, 'A', CMD_ANTI_ALIASING},
    {kCtrlKey, 'O', CMD_POINT_FILTERING},
    {kCtrlKey, 'L', CMD_BILINEAR_FILTERING},
    {kKey, VK_ESCAPE, CMD_EXIT},
    {kKey, VK_SPACE, CMD_SINGLE_STEP},
    {kKey, VK_RETURN, CMD_GO},
    {FVIRTKEY, VK_ADD, CMD_ZOOM_IN},
    {FVIRTKEY, VK_SUBTRACT, CMD_ZOOM_OUT},
    {0, '+', CMD_ZOOM_IN},
    {0, '-', CMD_ZOOM_OUT},
    {0, 24, CMD_ROTATE_X},
    {0, 25, CMD_ROTATE_Y},
    {0, 26, CMD_ROTATE_Z},
};

} // namespace

const AcceleratorResource AppAccel{"AppAccel", kEntries};

} // namespace res
