#pragma once
// The window system's words as the shell uses them: message kinds, scroll requests, menu and
// message box flags, virtual keys. Messages arrive typed, with named fields, instead of packed
// into two machine words.

#include <cstdint>

namespace win {

class Window;
class Menu;

enum class Kind {
    None,
    Command,       // command: menu item or accelerator id; fromAccelerator tells which
    Size,          // width, height: new client size; sizeType
    Activate,      // active
    Paint,         // the client area needs painting
    HScroll,       // request, thumb
    VScroll,       // request, thumb
    InitMenuPopup, // menu: the popup about to open
    LButtonDown,   // x, y in client coordinates (also for the other mouse kinds)
    LButtonUp,
    RButtonDown,
    RButtonUp,
    MButtonDown,
    MButtonUp,
    MouseMove,
    KeyDown, // key: virtual key; modifiers; character: what the key types, 0 for none
    KeyUp,
    Char,       // key: character code
    Close,      // the user asked to close the window
    Destroy,    // the window is being destroyed
    InitDialog, // a dialog is about to be shown
    Quit        // exitCode: the end of the message loop
};

struct Message {
    Kind kind = Kind::None;
    Window* window = nullptr;
    int command = 0;
    bool fromAccelerator = false;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int sizeType = 0;
    int request = 0;
    int thumb = 0;
    bool active = false;
    Menu* menu = nullptr;
    int key = 0;
    int character = 0;
    unsigned modifiers = 0;
    int exitCode = 0;
};

// Message.modifiers
inline constexpr unsigned MOD_SHIFT = 1;
inline constexpr unsigned MOD_CONTROL = 2;
inline constexpr unsigned MOD_ALT = 4;

// Size.sizeType
inline constexpr int SIZE_RESTORED = 0;
inline constexpr int SIZE_MINIMIZED = 1;
inline constexpr int SIZE_MAXIMIZED = 2;

// Scroll bars and their requests
inline constexpr int SB_HORZ = 0;
inline constexpr int SB_VERT = 1;
inline constexpr int SB_LINEUP = 0;
inline constexpr int SB_LINEDOWN = 1;
inline constexpr int SB_PAGEUP = 2;
inline constexpr int SB_PAGEDOWN = 3;
inline constexpr int SB_THUMBPOSITION = 4;
inline constexpr int SB_THUMBTRACK = 5;
inline constexpr int SB_TOP = 6;
inline constexpr int SB_BOTTOM = 7;
inline constexpr int SB_ENDSCROLL = 8;

// Menu flags
inline constexpr unsigned MF_BYCOMMAND = 0x0000;
inline constexpr unsigned MF_BYPOSITION = 0x0400;
inline constexpr unsigned MF_STRING = 0x0000;
inline constexpr unsigned MF_SEPARATOR = 0x0800;
inline constexpr unsigned MF_ENABLED = 0x0000;
inline constexpr unsigned MF_GRAYED = 0x0001;
inline constexpr unsigned MF_DISABLED = 0x0002;
inline constexpr unsigned MF_UNCHECKED = 0x0000;
inline constexpr unsigned MF_CHECKED = 0x0008;

// Message boxes and dialog results
inline constexpr unsigned MB_OK = 0x00;
inline constexpr unsigned MB_ICONHAND = 0x10;
inline constexpr unsigned MB_ICONQUESTION = 0x20;
inline constexpr unsigned MB_ICONEXCLAMATION = 0x30;
inline constexpr unsigned MB_ICONASTERISK = 0x40;
inline constexpr unsigned MB_ICONMASK = 0xF0;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// Open dialog flags
inline constexpr unsigned OFN_HIDEREADONLY = 0x0004;
inline constexpr unsigned OFN_FILEMUSTEXIST = 0x1000;

// Window class styles and show commands
inline constexpr unsigned CS_VREDRAW = 0x0001;
inline constexpr unsigned CS_HREDRAW = 0x0002;
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOWMINIMIZED = 2;
inline constexpr int SW_SHOWMAXIMIZED = 3;
inline constexpr int SW_SHOW = 5;

// Accelerator entry flags
inline constexpr uint8_t FVIRTKEY = 0x01;
inline constexpr uint8_t FNOINVERT = 0x02;
inline constexpr uint8_t FSHIFT = 0x04;
inline constexpr uint8_t FCONTROL = 0x08;
inline constexpr uint8_t FALT = 0x10;

// Virtual keys (letters and digits are their upper-case characters)
inline constexpr int VK_BACK = 0x08;
inline constexpr int VK_TAB = 0x09;
inline constexpr int VK_RETURN = 0x0D;
inline constexpr int VK_SHIFT = 0x10;
inline constexpr int VK_CONTROL = 0x11;
inline constexpr int VK_MENU = 0x12;
inline constexpr int VK_ESCAPE = 0x1B;
inline constexpr int VK_SPACE = 0x20;
inline constexpr int VK_PRIOR = 0x21;
inline constexpr int VK_NEXT = 0x22;
inline constexpr int VK_END = 0x23;
inline constexpr int VK_HOME = 0x24;
inline constexpr int VK_LEFT = 0x25;
inline constexpr int VK_UP = 0x26;
inline constexpr int VK_RIGHT = 0x27;
inline constexpr int VK_DOWN = 0x28;
inline constexpr int VK_INSERT = 0x2D;
inline constexpr int VK_DELETE = 0x2E;
inline constexpr int VK_NUMPAD0 = 0x60;
inline constexpr int VK_MULTIPLY = 0x6A;
inline constexpr int VK_ADD = 0x6B;
inline constexpr int VK_SUBTRACT = 0x6D;
inline constexpr int VK_DECIMAL = 0x6E;
inline constexpr int VK_DIVIDE = 0x6F;
inline constexpr int VK_F1 = 0x70;
inline constexpr int VK_F2 = 0x71;
inline constexpr int VK_F3 = 0x72;
inline constexpr int VK_F4 = 0x73;
inline constexpr int VK_F5 = 0x74;
inline constexpr int VK_F6 = 0x75;
inline constexpr int VK_F7 = 0x76;
inline constexpr int VK_F8 = 0x77;
inline constexpr int VK_OEM_PLUS = 0xBB;
inline constexpr int VK_OEM_MINUS = 0xBD;

} // namespace win
