// The main window's menu bar. A null text is a separator; the drivers found at start-up are
// inserted into the File menu at position 7, between the two separators above "E&xit".

#include "resources/resources.h"

namespace res {
namespace {

constexpr win::MenuItemResource kSeparator{nullptr, 0};

constexpr win::MenuItemResource kFile[] = {
    {"&Open", 102},
    kSeparator,
    {"&About..\tF1", 1},
    kSeparator,
    {"&Single Step\tSpc", 27},
    {"&Go\tEnter", 28},
    kSeparator,
    kSeparator,
    {"E&xit\tESC", 2},
};

constexpr win::MenuItemResource kRender[] = {
    {"&Flat\tF2", 12},
    {"&Gouraud\tF3", 13},
    {"P&hong\tF4", 14},
    kSeparator,
    {"L&ighting\tF5", 29},
    kSeparator,
    {"&Point\tCtrl+P", 20},
    {"&Wireframe\tCtrl+W", 21},
    {"&Solid\tCtrl+S", 22},
    kSeparator,
    {"&Dithering\tCtrl+D", 24},
    {"&Anti-aliasing\tCtrl+A", 26},
    kSeparator,
    {"P&oint Filtering\tCtrl+O", 17},
    {"Bi-&Linear Filtering\tCtrl+L", 18},
};

constexpr win::MenuItemResource kButtons[] = {
    {"&Play 3", 101},
    {"&Spin", 115},
    {"&Bet 1", 116},
    {"&Change", 117},
};

constexpr win::MenuItemResource kDisplay[] = {
    {"Zoom &In\t+", 103},
    {"Zoom &Out\t-", 104},
    kSeparator,
    {"&Sound", 112},
    kSeparator,
    {"Show C&abinet", 119},
    {"Show &Credits", 111},
    {"Show &Payoff Chart", 114},
    {"Show &Buttons", 118},
    kSeparator,
    {"Enable &X Rotation\tCTRL-X", 120},
    {"Enable &Y Rotation\tCTRL-Y", 121},
    {"Enable &Z Rotation\tCTRL-Z", 122},
    kSeparator,
    {"Show &FPS", 113},
};

constexpr win::MenuItemResource kInsertMoney[] = {
    {"$&5", 105}, {"$&10", 106}, {"$&20", 107}, {"$&50", 108}, {"$1&00", 109}, {"$&1000", 110},
};

constexpr win::MenuPopupResource kPopups[] = {
    {"&File", kFile},
    {"&Render", kRender},
    {"&Buttons", kButtons},
    {"&Display", kDisplay},
    {"&Insert Money", kInsertMoney},
};

} // namespace

const win::MenuResource AppMenu{"AppMenu", kPopups};

} // namespace res
