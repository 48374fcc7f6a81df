#include "platform/win/accelerator.h"
#include "resources/resources.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>

using namespace win;

namespace {

const MenuPopupResource& Popup(int index) {
    return res::AppMenu.popups[static_cast<size_t>(index)];
}

// The messages a key named in a menu item produces, in the order the loop sees them.
std::vector<Message> MessagesForKeyName(const std::string& name) {
    auto keyDown = [](int key, unsigned modifiers = 0) {
        return Message{.kind = Kind::KeyDown, .key = key, .modifiers = modifiers};
    };
    auto typed = [](int character) { return Message{.kind = Kind::Char, .key = character}; };
    if (name.size() == 2 && name[0] == 'F')
        return {keyDown(VK_F1 + (name[1] - '1'))};
    if (name.rfind("Ctrl+", 0) == 0)
        return {keyDown(name[5], MOD_CONTROL)};
    if (name.rfind("CTRL-", 0) == 0)
        return {typed(name[5] - 'A' + 1)};
    if (name == "ESC")
        return {keyDown(VK_ESCAPE)};
    if (name == "Spc")
        return {keyDown(VK_SPACE)};
    if (name == "Enter")
        return {keyDown(VK_RETURN)};
    if (name == "+")
        return {keyDown(VK_ADD), typed('+')};
    if (name == "-")
        return {keyDown(VK_SUBTRACT), typed('-')};
    return {};
}

} // namespace

TEST(Resources, AreFoundByTheirNamesOnly) {
    EXPECT_EQ(res::FindMenu("AppMenu"), &res::AppMenu);
    EXPECT_EQ(res::FindAccelerators("AppAccel"), &res::AppAccel);
    EXPECT_EQ(res::FindDialog("AppAbout"), &res::AppAbout);
    EXPECT_EQ(res::FindIcon("AppIcon"), &res::AppIcon);
    EXPECT_EQ(res::FindMenu("AppAccel"), nullptr);
    EXPECT_EQ(res::FindIcon("appicon"), nullptr);
    EXPECT_EQ(res::FindDialog(""), nullptr);
}

TEST(AppMenu, HasFivePopupsWithMnemonicsAndUniqueCommands) {
    const char* titles[] = {"&File", "&Render", "&Buttons", "&Display", "&Insert Money"};
    const size_t counts[] = {9, 15, 4, 15, 6};
    ASSERT_EQ(res::AppMenu.popups.size(), 5u);
    std::set<int> commands;
    for (int p = 0; p < 5; ++p) {
        EXPECT_STREQ(Popup(p).text, titles[p]);
        EXPECT_EQ(Popup(p).items.size(), counts[p]) << titles[p];
        for (const MenuItemResource& item : Popup(p).items) {
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

TEST(AppMenu, FileMenuLeavesRoomForTheDriversAboveExit) {
    const auto& file = Popup(0).items;
    EXPECT_STREQ(file[0].text, "&Open");
    EXPECT_EQ(file[0].command, 102);
    for (size_t separator : {1u, 3u, 6u, 7u})
        EXPECT_EQ(file[separator].text, nullptr) << separator;
    EXPECT_STREQ(file[8].text, "E&xit\tESC");
    EXPECT_EQ(file[8].command, 2);
}

// Every key name written beside a menu item reaches that item's command through the
// accelerator table, and every accelerator leads to an item of the menu.
TEST(AppAccel, KeyNamesInTheMenuMatchTheTable) {
    std::map<int, const char*> itemOfCommand;
    int named = 0;
    for (const MenuPopupResource& popup : res::AppMenu.popups) {
        for (const MenuItemResource& item : popup.items) {
            if (!item.text)
                continue;
            itemOfCommand[item.command] = item.text;
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
        EXPECT_TRUE(itemOfCommand.count(entry.command)) << entry.command;
}

TEST(AppAccel, VirtualKeysNeedExactlyTheirModifiers) {
    int command = 0;
    auto find = [&](Message message) {
        command = 0;
        return FindAccelerator(res::AppAccel, message, command);
    };
    EXPECT_TRUE(find(Message{.kind = Kind::KeyDown, .key = 'P', .modifiers = MOD_CONTROL}));
    EXPECT_EQ(command, 20);
    EXPECT_FALSE(find(Message{.kind = Kind::KeyDown, .key = 'P'}));
    EXPECT_FALSE(
        find(Message{.kind = Kind::KeyDown, .key = 'P', .modifiers = MOD_CONTROL | MOD_SHIFT}));
    EXPECT_FALSE(find(Message{.kind = Kind::KeyDown, .key = VK_F1, .modifiers = MOD_ALT}));
    // A character entry is not a key: 'X' pressed is not character 24.
    EXPECT_FALSE(find(Message{.kind = Kind::KeyDown, .key = 24}));
    EXPECT_FALSE(find(Message{.kind = Kind::KeyUp, .key = VK_F1}));
    EXPECT_FALSE(find(Message{.kind = Kind::Char, .key = 'x'}));
}

TEST(AppAbout, HoldsTheButtonTheNameAndTheIcon) {
    const DialogResource& about = res::AppAbout;
    EXPECT_EQ(about.width, 188);
    EXPECT_EQ(about.height, 96);
    ASSERT_EQ(about.controls.size(), 3u);
    EXPECT_EQ(about.controls[0].kind, ControlKind::DefaultButton);
    EXPECT_EQ(about.controls[0].id, IDOK);
    EXPECT_STREQ(about.controls[1].text, "Kestrel 3D Simulator");
    EXPECT_EQ(about.controls[2].kind, ControlKind::Icon);
    EXPECT_NE(res::FindIcon(about.controls[2].text), nullptr);
    for (const DialogControlResource& control : about.controls) {
        EXPECT_LE(control.x + control.width, about.width);
        EXPECT_LE(control.y + control.height, about.height);
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
    EXPECT_EQ(width, 32);
    EXPECT_EQ(height, 32);
    EXPECT_LE(colours, 16);
    ASSERT_EQ(perPixel, 1);
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
