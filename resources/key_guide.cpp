#include "resources/key_guide.h"

#include <algorithm>
#include <map>

#include "platform/win/win_types.h"
#include "resources/command_ids.h"
#include "resources/resources.h"

namespace res {
namespace {

// Said where the menu item's name does not tell what happens.
const std::map<int, const char*> EFFECTS = {
    {CMD_EXIT, "quits at once, without asking"},
    {CMD_SINGLE_STEP, "holds the picture; each further press draws one more frame"},
    {CMD_GO, "lets the frames run on after Single Step"},
    {CMD_ZOOM_IN, "moves the camera nearer"},
    {CMD_ZOOM_OUT, "moves the camera farther away"},
    {CMD_ROTATE_X, "switches continuous turning of the world about the X axis on or off"},
    {CMD_ROTATE_Y, "switches continuous turning of the world about the Y axis on or off"},
    {CMD_ROTATE_Z, "switches continuous turning of the world about the Z axis on or off"},
    {CMD_LIGHTING, "switches lighting on or off"},
    {CMD_DITHERING, "switches dithering on or off"},
    {CMD_ANTI_ALIASING, "switches anti-aliasing on or off"},
};

constexpr char FIRST_CONTROL_LETTER = 'A' - 1; // Ctrl+A types 1

std::string KeyName(const win::AcceleratorEntry& entry) {
    if (!(entry.flags & win::FVIRTKEY)) {
        if (entry.key > 0 && entry.key <= 'Z' - FIRST_CONTROL_LETTER)
            return std::string("Ctrl+") + char(FIRST_CONTROL_LETTER + entry.key);
        return std::string(1, char(entry.key));
    }
    std::string name = entry.flags & win::FCONTROL ? "Ctrl+" : "";
    if (entry.key >= win::VK_F1 && entry.key < win::VK_F1 + 12)
        return name + "F" + std::to_string(entry.key - win::VK_F1 + 1);
    switch (entry.key) {
    case win::VK_ESCAPE:
        return name + "Esc";
    case win::VK_SPACE:
        return name + "Space";
    case win::VK_RETURN:
        return name + "Enter";
    case win::VK_ADD:
        return name + "Keypad +";
    case win::VK_SUBTRACT:
        return name + "Keypad -";
    default:
        return name + char(entry.key);
    }
}

// A menu text without its mnemonic marks, its shortcut and its trailing dots.
std::string Plain(const char* text) {
    std::string plain;
    for (const char* c = text; *c && *c != '\t'; ++c)
        if (*c != '&')
            plain += *c;
    plain.erase(plain.find_last_not_of('.') + 1);
    return plain;
}

std::string MenuItemOf(int command) {
    for (const win::MenuPopupResource& popup : AppMenu.popups)
        for (const win::MenuItemResource& item : popup.items)
            if (item.text && item.command == command)
                return Plain(popup.text) + " > " + Plain(item.text);
    return "";
}

} // namespace

std::vector<KeyUse> KeyUses() {
    std::vector<KeyUse> uses;
    std::vector<int> commands;
    for (const win::AcceleratorEntry& entry : AppAccel.entries) {
        const auto known = std::find(commands.begin(), commands.end(), entry.command);
        if (known != commands.end()) {
            uses[known - commands.begin()].keys += ", " + KeyName(entry);
            continue;
        }
        commands.push_back(entry.command);
        const auto effect = EFFECTS.find(entry.command);
        uses.push_back({KeyName(entry), MenuItemOf(entry.command),
                        effect == EFFECTS.end() ? "" : effect->second});
    }
    return uses;
}

const char* const MOUSE_USE =
    "A left click on a cabinet button does what it says (Change, Bet 1, Spin, Play 3), as the "
    "Buttons menu does; the scroll bars move the camera across the machine and up and down.";

const char* const HOW_TO_PLAY[4] = {
    "Open a machine file (.slt) with File > Open; the example machines with their pictures are "
    "in share/kestrel3d/examples/ of the installation (build/examples/ of a build).",
    "Put money in from the Insert Money menu ($5 to $1000); it is counted onto the meter as "
    "credits. The blue Change button puts in the last amount again.",
    "Click Play 3 (green) to bet three coins and spin, or Bet 1 (yellow) once per coin and then "
    "Spin (red).",
    "The reels stop one after another; an arrow symbol next to the line nudges its reel onto "
    "it, a free-spin symbol plays again for nothing, and the win is counted onto the meter.",
};

} // namespace res
