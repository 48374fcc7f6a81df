#include "platform/win/accelerator.h"

namespace win {
namespace {

unsigned EntryModifiers(uint8_t flags) {
    unsigned modifiers = 0;
    if (flags & FSHIFT)
        modifiers |= MOD_SHIFT;
    if (flags & FCONTROL)
        modifiers |= MOD_CONTROL;
    if (flags & FALT)
        modifiers |= MOD_ALT;
    return modifiers;
}

bool Matches(const AcceleratorEntry& entry, const Message& message) {
    if (entry.flags & FVIRTKEY)
        return message.kind == Kind::KeyDown && message.key == entry.key &&
               message.modifiers == EntryModifiers(entry.flags);
    return message.kind == Kind::Char && message.key == entry.key;
}

} // namespace

bool FindAccelerator(const AcceleratorResource& table, const Message& message, int& command) {
    for (const AcceleratorEntry& entry : table.entries) {
        if (Matches(entry, message)) {
            command = entry.command;
            return true;
        }
    }
    return false;
}

} // namespace win
