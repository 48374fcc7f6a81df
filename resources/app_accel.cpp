// Keys that reach commands without the menu. Function keys and the Ctrl letters are virtual
// keys that leave the menu bar unhighlighted; "+" and "-" answer both the keypad keys and the
// typed characters, and Ctrl+X, Ctrl+Y, Ctrl+Z arrive as the control characters they type.

#include "resources/command_ids.h"
#include "resources/resources.h"

#include "platform/win/win_types.h"

namespace res {
namespace {

using namespace win;

constexpr uint8_t KEY = FVIRTKEY | FNOINVERT;
constexpr uint8_t CTRL_KEY = FVIRTKEY | FNOINVERT | FCONTROL;

constexpr AcceleratorEntry ENTRIES[] = {
    {KEY, VK_F1, CMD_ABOUT},
    {KEY, VK_F2, CMD_FLAT},
    {KEY, VK_F3, CMD_GOURAUD},
    {KEY, VK_F4, CMD_PHONG},
    {KEY, VK_F5, CMD_LIGHTING},
    {CTRL_KEY, 'P', CMD_POINTS},
    {CTRL_KEY, 'W', CMD_WIREFRAME},
    {CTRL_KEY, 'S', CMD_SOLID},
    {CTRL_KEY, 'D', CMD_DITHERING},
    {CTRL_KEY, 'A', CMD_ANTI_ALIASING},
    {CTRL_KEY, 'O', CMD_POINT_FILTERING},
    {CTRL_KEY, 'L', CMD_BILINEAR_FILTERING},
    {KEY, VK_ESCAPE, CMD_EXIT},
    {KEY, VK_SPACE, CMD_SINGLE_STEP},
    {KEY, VK_RETURN, CMD_GO},
    {FVIRTKEY, VK_ADD, CMD_ZOOM_IN},
    {FVIRTKEY, VK_SUBTRACT, CMD_ZOOM_OUT},
    {0, '+', CMD_ZOOM_IN},
    {0, '-', CMD_ZOOM_OUT},
    {0, 24, CMD_ROTATE_X},
    {0, 25, CMD_ROTATE_Y},
    {0, 26, CMD_ROTATE_Z},
    // The Machine menu: function keys no other command uses.
    {KEY, VK_F6, CMD_PAR_SHEET},
    {KEY, VK_F7, CMD_RELOAD_WHEN_CHANGED},
    {KEY, VK_F8, CMD_AUTOPLAY},
};

} // namespace

const AcceleratorResource AppAccel{"AppAccel", ENTRIES};

} // namespace res
