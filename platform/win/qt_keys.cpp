#include "platform/win/qt_keys.h"

#include "platform/win/win_types.h"

#include <Qt>
#include <iterator>

namespace win {
namespace {

struct KeyPair {
    int qt;
    int vk;
};

constexpr KeyPair KEYS[] = {
    {Qt::Key_Backspace, VK_BACK}, {Qt::Key_Tab, VK_TAB},       {Qt::Key_Return, VK_RETURN},
    {Qt::Key_Enter, VK_RETURN},   {Qt::Key_Shift, VK_SHIFT},   {Qt::Key_Control, VK_CONTROL},
    {Qt::Key_Alt, VK_MENU},       {Qt::Key_Escape, VK_ESCAPE}, {Qt::Key_Space, VK_SPACE},
    {Qt::Key_PageUp, VK_PRIOR},   {Qt::Key_PageDown, VK_NEXT}, {Qt::Key_End, VK_END},
    {Qt::Key_Home, VK_HOME},      {Qt::Key_Left, VK_LEFT},     {Qt::Key_Up, VK_UP},
    {Qt::Key_Right, VK_RIGHT},    {Qt::Key_Down, VK_DOWN},     {Qt::Key_Insert, VK_INSERT},
    {Qt::Key_Delete, VK_DELETE},  {Qt::Key_Plus, VK_OEM_PLUS}, {Qt::Key_Minus, VK_OEM_MINUS},
    {Qt::Key_Equal, VK_OEM_PLUS},
};

constexpr KeyPair KEYPAD_KEYS[] = {
    {Qt::Key_Plus, VK_ADD},     {Qt::Key_Minus, VK_SUBTRACT}, {Qt::Key_Asterisk, VK_MULTIPLY},
    {Qt::Key_Slash, VK_DIVIDE}, {Qt::Key_Period, VK_DECIMAL}, {Qt::Key_Enter, VK_RETURN},
};

int Lookup(const KeyPair* begin, const KeyPair* end, int qtKey) {
    for (const KeyPair* pair = begin; pair != end; ++pair) {
        if (pair->qt == qtKey)
            return pair->vk;
    }
    return 0;
}

} // namespace

int VirtualKeyFromQt(int qtKey, bool keypad) {
    if (keypad && qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return VK_NUMPAD0 + (qtKey - Qt::Key_0);
    if (keypad) {
        if (int vk = Lookup(std::begin(KEYPAD_KEYS), std::end(KEYPAD_KEYS), qtKey))
            return vk;
    }
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return qtKey; // Qt's codes for these are their upper-case characters, as are ours
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return VK_F1 + (qtKey - Qt::Key_F1);
    return Lookup(std::begin(KEYS), std::end(KEYS), qtKey);
}

int TypedCharacter(int qtKey, bool control, bool alt, char16_t firstTextChar) {
    if (control && !alt && qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return qtKey - Qt::Key_A + 1;
    if (control || alt)
        return 0;
    return firstTextChar;
}

} // namespace win
