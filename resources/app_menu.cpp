// The main window's menu bar. A null text is a separator; the drivers found at start-up are
// inserted into the File menu at position 7, between the two separators above "E&xit".

#include "resources/command_ids.h"
#include "resources/resources.h"

namespace res {
namespace {

constexpr win::MenuItemResource SEPARATOR{nullptr, 0};

constexpr win::MenuItemResource FILE_MENU[] = {
    {"&Open", CMD_OPEN},
    SEPARATOR,
    {"&About..\tF1", CMD_ABOUT},
    SEPARATOR,
    {"&Single Step\tSpc", CMD_SINGLE_STEP},
    {"&Go\tEnter", CMD_GO},
    SEPARATOR,
    SEPARATOR,
    {"E&xit\tESC", CMD_EXIT},
};

constexpr win::MenuItemResource RENDER_MENU[] = {
    {"&Flat\tF2", CMD_FLAT},
    {"&Gouraud\tF3", CMD_GOURAUD},
    {"P&hong\tF4", CMD_PHONG},
    SEPARATOR,
    {"L&ighting\tF5", CMD_LIGHTING},
    SEPARATOR,
    {"&Point\tCtrl+P", CMD_POINTS},
    {"&Wireframe\tCtrl+W", CMD_WIREFRAME},
    {"&Solid\tCtrl+S", CMD_SOLID},
    SEPARATOR,
    {"&Dithering\tCtrl+D", CMD_DITHERING},
    {"&Anti-aliasing\tCtrl+A", CMD_ANTI_ALIASING},
    SEPARATOR,
    {"P&oint Filtering\tCtrl+O", CMD_POINT_FILTERING},
    {"Bi-&Linear Filtering\tCtrl+L", CMD_BILINEAR_FILTERING},
};

constexpr win::MenuItemResource BUTTONS_MENU[] = {
    {"&Play 3", CMD_PLAY_3},
    {"&Spin", CMD_SPIN},
    {"&Bet 1", CMD_BET_1},
    {"&Change", CMD_CHANGE},
};

constexpr win::MenuItemResource DISPLAY_MENU[] = {
    {"Zoom &In\t+", CMD_ZOOM_IN},
    {"Zoom &Out\t-", CMD_ZOOM_OUT},
    SEPARATOR,
    {"&Sound", CMD_SOUND},
    SEPARATOR,
    {"Show C&abinet", CMD_SHOW_CABINET},
    {"Show &Credits", CMD_SHOW_CREDITS},
    {"Show &Payoff Chart", CMD_SHOW_PAYOFF_CHART},
    {"Show &Buttons", CMD_SHOW_BUTTONS},
    SEPARATOR,
    {"Enable &X Rotation\tCTRL-X", CMD_ROTATE_X},
    {"Enable &Y Rotation\tCTRL-Y", CMD_ROTATE_Y},
    {"Enable &Z Rotation\tCTRL-Z", CMD_ROTATE_Z},
    SEPARATOR,
    {"Show &FPS", CMD_SHOW_FPS},
};

constexpr win::MenuItemResource INSERT_MONEY_MENU[] = {
    {"$&5", CMD_MONEY_5},   {"$&10", CMD_MONEY_10},   {"$&20", CMD_MONEY_20},
    {"$&50", CMD_MONEY_50}, {"$1&00", CMD_MONEY_100}, {"$&1000", CMD_MONEY_1000},
};

constexpr win::MenuItemResource MACHINE_MENU[] = {
    {"&Par Sheet...\tF6", CMD_PAR_SHEET},
    {"&Reload When Changed\tF7", CMD_RELOAD_WHEN_CHANGED},
    {"&Autoplay\tF8", CMD_AUTOPLAY},
};

constexpr win::MenuPopupResource POPUPS[] = {
    {"&File", FILE_MENU},
    {"&Render", RENDER_MENU},
    {"&Buttons", BUTTONS_MENU},
    {"&Display", DISPLAY_MENU},
    {"&Insert Money", INSERT_MONEY_MENU},
    {"&Machine", MACHINE_MENU},
};

} // namespace

const win::MenuResource AppMenu{"AppMenu", POPUPS};

} // namespace res
