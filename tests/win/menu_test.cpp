#include "platform/win/menu.h"
#include "resources/resources.h"

#include <gtest/gtest.h>

using namespace win;

namespace {

class MenuBar : public testing::Test {
protected:
    void SetUp() override {
        bar = Menu::FromResource(res::AppMenu);
        bar->SetObserver([this](Menu& menu) { changed.push_back(&menu); });
    }
    Menu* Popup(int index) const { return bar->GetSubMenu(index); }

    std::unique_ptr<Menu> bar;
    std::vector<Menu*> changed;
};

} // namespace

TEST_F(MenuBar, IsBuiltFromTheResourceWithTextsIdsAndSeparators) {
    ASSERT_EQ(bar->GetMenuItemCount(), 5);
    EXPECT_EQ(bar->ItemAt(3)->text, "&Display");
    Menu* render = Popup(1);
    ASSERT_NE(render, nullptr);
    EXPECT_EQ(render->GetMenuItemCount(), 15);
    EXPECT_EQ(std::tuple(render->ItemAt(2)->text, render->ItemAt(2)->command),
              std::tuple("P&hong\tF4", 14));
    EXPECT_TRUE(render->ItemAt(3)->separator);
    EXPECT_EQ(render->ItemAt(14)->text, "Bi-&Linear Filtering\tCtrl+L");
    EXPECT_EQ(std::tuple(bar->ItemAt(5), bar->ItemAt(-1)), std::tuple(nullptr, nullptr));
    EXPECT_EQ(std::tuple(bar->GetSubMenu(7), render->GetSubMenu(0)), std::tuple(nullptr, nullptr));
    for (int i = 0; i < render->GetMenuItemCount(); ++i)
        EXPECT_FALSE(render->ItemAt(i)->checked || render->ItemAt(i)->grayed) << i;
}

TEST_F(MenuBar, CheckByCommandReturnsThePreviousMark) {
    EXPECT_EQ(bar->CheckMenuItem(27, MF_BYCOMMAND | MF_CHECKED), static_cast<int>(MF_UNCHECKED));
    EXPECT_TRUE(Popup(0)->ItemAt(4)->checked);
    EXPECT_EQ(bar->CheckMenuItem(27, MF_BYCOMMAND | MF_CHECKED), static_cast<int>(MF_CHECKED));
    EXPECT_EQ(bar->CheckMenuItem(27, MF_BYCOMMAND | MF_UNCHECKED), static_cast<int>(MF_CHECKED));
    EXPECT_FALSE(Popup(0)->ItemAt(4)->checked);
    EXPECT_EQ(bar->CheckMenuItem(999, MF_BYCOMMAND | MF_CHECKED), -1);
    EXPECT_EQ(bar->CheckMenuItem(0, MF_BYCOMMAND | MF_CHECKED), -1); // separators have no id
}

TEST_F(MenuBar, MarksOnAPopupDoNotReachItemsOfOtherPopups) {
    Menu* file = Popup(0);
    EXPECT_EQ(file->CheckMenuItem(113, MF_BYCOMMAND | MF_CHECKED), -1); // Show FPS: Display
    EXPECT_EQ(file->EnableMenuItem(14, MF_BYCOMMAND | MF_GRAYED), -1);  // Phong: Render
    EXPECT_FALSE(bar->FindCommand(113)->checked);
    EXPECT_FALSE(bar->FindCommand(14)->grayed);
    EXPECT_EQ(Popup(3)->CheckMenuItem(113, MF_BYCOMMAND | MF_CHECKED),
              static_cast<int>(MF_UNCHECKED));
    EXPECT_TRUE(bar->FindCommand(113)->checked);
}

TEST_F(MenuBar, EnableByCommandGreysAndRestores) {
    Menu* render = Popup(1);
    EXPECT_EQ(render->EnableMenuItem(14, MF_BYCOMMAND | MF_GRAYED), static_cast<int>(MF_ENABLED));
    EXPECT_TRUE(render->ItemAt(2)->grayed);
    EXPECT_EQ(render->EnableMenuItem(14, MF_BYCOMMAND | MF_DISABLED), static_cast<int>(MF_GRAYED));
    EXPECT_EQ(render->EnableMenuItem(14, MF_BYCOMMAND | MF_ENABLED), static_cast<int>(MF_GRAYED));
    EXPECT_FALSE(render->ItemAt(2)->grayed);
    // Greying keeps the check mark, as the cabinet items need.
    render->CheckMenuItem(26, MF_BYCOMMAND | MF_CHECKED);
    render->EnableMenuItem(26, MF_BYCOMMAND | MF_GRAYED);
    EXPECT_TRUE(bar->FindCommand(26)->checked);
}

TEST_F(MenuBar, ObserverHearsOfRealChangesOnly) {
    Popup(1)->CheckMenuItem(13, MF_BYCOMMAND | MF_CHECKED);
    Popup(1)->CheckMenuItem(13, MF_BYCOMMAND | MF_CHECKED);
    bar->EnableMenuItem(28, MF_BYCOMMAND | MF_GRAYED);
    ASSERT_EQ(changed.size(), 2u);
    EXPECT_EQ(changed[0], Popup(1));
    EXPECT_EQ(changed[1], Popup(0));
}

TEST_F(MenuBar, DriversInsertedByPositionLandBetweenTheSeparators) {
    Menu* file = Popup(0);
    const char* names[] = {"Ramp Emulation", "RGB Emulation", "Direct3D HAL"};
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(file->InsertMenu(7 + i, MF_BYPOSITION | MF_STRING, 80 + i, names[i]));
    ASSERT_EQ(file->GetMenuItemCount(), 12);
    EXPECT_TRUE(file->ItemAt(6)->separator);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(std::tuple(file->ItemAt(7 + i)->text, file->ItemAt(7 + i)->command),
                  std::tuple(names[i], 80 + i));
    EXPECT_TRUE(file->ItemAt(10)->separator);
    EXPECT_EQ(file->ItemAt(11)->command, 2);
    EXPECT_EQ(bar->CheckMenuItem(81, MF_BYCOMMAND | MF_CHECKED), static_cast<int>(MF_UNCHECKED));
    EXPECT_EQ(changed.size(), 4u);
}

TEST_F(MenuBar, InsertPastTheEndAppendsAndBadRequestsFail) {
    Menu* money = Popup(4);
    EXPECT_TRUE(money->InsertMenu(100, MF_BYPOSITION, 130, "$&2000"));
    EXPECT_EQ(money->ItemAt(6)->command, 130);
    EXPECT_TRUE(money->InsertMenu(0, MF_BYPOSITION | MF_SEPARATOR, 0, "ignored"));
    EXPECT_EQ(std::tuple(money->ItemAt(0)->separator, money->ItemAt(0)->text),
              std::tuple(true, ""));
    EXPECT_FALSE(money->InsertMenu(-1, MF_BYPOSITION, 131, "x"));
    EXPECT_FALSE(money->InsertMenu(0, MF_BYCOMMAND, 131, "x"));
    EXPECT_EQ(money->GetMenuItemCount(), 8);
}
