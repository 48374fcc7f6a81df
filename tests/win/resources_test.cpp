#include "platform/win/accelerator.h"
#include "platform/win/platform.h"
#include "resources/resources.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>

using namespace win;

namespace {

// The messages a key named in a menu item produces, in the order the loop sees them.
std::vector<Message> MessagesForKeyName(const std::string& name) {
    auto keyDown = [](int key, unsigned modifiers = 0) {
        return Message{.kind = Kind::KeyDown, .key = key, .modifiers = modifiers};
    };
    auto typed = [](int character) { return Message{.kind = Kind::Char, .key = character}; };
    const std::map<std::string, std::vector<Message>> named = {
        {"ESC", {keyDown(VK_ESCAPE)}},
        {"Spc", {keyDown(VK_SPACE)}},
        {"Enter", {keyDown(VK_RETURN)}},
        {"+", {keyDown(VK_ADD), typed('+')}},
        {"-", {keyDown(VK_SUBTRACT), typed('-')}},
    };
    if (name.size() == 2 && name[0] == 'F')
        return {keyDown(VK_F1 + (name[1] - '1'))};
    if (name.rfind("Ctrl+", 0) == 0)
        return {keyDown(name[5], MOD_CONTROL)};
    if (name.rfind("CTRL-", 0) == 0)
        return {typed(name[5] - 'A' + 1)};
    const auto found = named.find(name);
    return found == named.end() ? std::vector<Message>{} : found->second;
}

} // namespace

TEST(Resources, AreFoundByTheirNamesOnly) {
    EXPECT_EQ(FindMenuResource("AppMenu"), &res::AppMenu);
    EXPECT_EQ(LoadAccelerators("AppAccel"), &res::AppAccel);
    EXPECT_EQ(FindDialogResource("AppAbout"), &res::AppAbout);
    EXPECT_EQ(FindIconResource("AppIcon"), &res::AppIcon);
    EXPECT_EQ(FindMenuResource("AppAccel"), nullptr);
    EXPECT_EQ(FindIconResource("appicon"), nullptr);
    EXPECT_EQ(FindDialogResource(""), nullptr);
}

// Every item has exactly one mnemonic and a command of its own.
TEST(AppMenu, ItemsHaveOneMnemonicAndUniqueCommands) {
    std::set<int> commands;
    for (const MenuPopupResource& popup : res::AppMenu.popups) {
        for (const MenuItemResource& item : popup.items) {
            if (!item.text)
                continue;
            const std::string text = item.text;
            const std::string label = text.substr(0, text.find('\t'));
            const size_t amp = label.find('&');
            ASSERT_NE(amp, std::string::npos) << text;
            EXPECT_LT(amp + 1, label.size()) << text;
            EXPECT_EQ(label.find('&', amp + 1), std::string::npos) << text;
            EXPECT_TRUE(commands.insert(item.command).second) << "duplicate " << item.command;
        }
    }
    EXPECT_EQ(commands.size(), 37u);
}

// Every key name written beside a menu item reaches that item's command through the
// accelerator table, and every accelerator leads to an item of the menu.
TEST(AppAccel, KeyNamesInTheMenuMatchTheTable) {
    std::set<int> menuCommands;
    int named = 0;
    for (const MenuPopupResource& popup : res::AppMenu.popups) {
        for (const MenuItemResource& item : popup.items) {
            if (!item.text)
                continue;
            menuCommands.insert(item.command);
            const std::string text = item.text;
            const size_t tab = text.find('\t');
            if (tab == std::string::npos)
                continue;
            ++named;
            const std::vector<Message> messages = MessagesForKeyName(text.substr(tab + 1));
            ASSERT_FALSE(messages.empty()) << "unknown key name in " << text;
            for (const Message& message : messages) {
                int command = 0;
                EXPECT_TRUE(FindAccelerator(res::AppAccel, message, command)) << text;
                EXPECT_EQ(command, item.command) << text;
            }
        }
    }
    EXPECT_EQ(named, 20);
    ASSERT_EQ(res::AppAccel.entries.size(), 22u);
    for (const AcceleratorEntry& entry : res::AppAccel.entries)
        EXPECT_TRUE(menuCommands.count(entry.command)) << entry.command;
}

TEST(AppAccel, VirtualKeysNeedExactlyTheirModifiers) {
    int command = 0;
    EXPECT_TRUE(FindAccelerator(
        res::AppAccel, Message{.kind = Kind::KeyDown, .key = 'P', .modifiers = MOD_CONTROL},
        command));
    EXPECT_EQ(command, 20);
    const Message misses[] = {
        {.kind = Kind::KeyDown, .key = 'P'},
        {.kind = Kind::KeyDown, .key = 'P', .modifiers = MOD_CONTROL | MOD_SHIFT},
        {.kind = Kind::KeyDown, .key = VK_F1, .modifiers = MOD_ALT},
        {.kind = Kind::KeyDown, .key = 24}, // a character entry is not a key
        {.kind = Kind::KeyUp, .key = VK_F1},
        {.kind = Kind::Char, .key = 'x'},
    };
    for (const Message& message : misses)
        EXPECT_FALSE(FindAccelerator(res::AppAccel, message, command)) << message.key;
}

// The about box's controls lie inside it and its icon is one the program has.
TEST(AppAbout, ControlsFitAndTheIconExists) {
    const DialogResource& about = res::AppAbout;
    for (const DialogControlResource& control : about.controls) {
        EXPECT_LE(control.x + control.width, about.width);
        EXPECT_LE(control.y + control.height, about.height);
        if (control.kind == ControlKind::Icon) {
            EXPECT_NE(FindIconResource(control.text), nullptr);
        }
    }
}

// The icon's text form must describe a 32 by 32 picture of at most 16 colours, every pixel
// naming a colour it defines.
TEST(AppIcon, IsAWellFormed32By32PictureOfAtMost16Colours) {
    const auto& xpm = res::AppIcon.xpm;
    ASSERT_FALSE(xpm.empty());
    std::istringstream header(xpm[0]);
    int width = 0, height = 0, colours = 0, perPixel = 0;
    header >> width >> height >> colours >> perPixel;
    EXPECT_EQ(std::tuple(width, height, perPixel), std::tuple(32, 32, 1));
    EXPECT_LE(colours, 16);
    ASSERT_EQ(xpm.size(), static_cast<size_t>(1 + colours + height));
    std::set<char> defined;
    for (int c = 1; c <= colours; ++c)
        defined.insert(xpm[static_cast<size_t>(c)][0]);
    for (int row = 0; row < height; ++row) {
        const std::string line = xpm[static_cast<size_t>(1 + colours + row)];
        ASSERT_EQ(line.size(), 32u) << row;
        for (char pixel : line)
            EXPECT_TRUE(defined.count(pixel)) << "row " << row;
    }
}
