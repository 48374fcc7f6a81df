// The window system without a screen: classes and windows, the message queue, accelerators,
// scroll bar state and destruction.

#include "platform/win/platform.h"
#include "resources/resources.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace win;
using wintest::received;
using wintest::ReceivedOf;

namespace {

class MemoryWindow : public testing::Test {
protected:
    void SetUp() override {
        Install(Services{});
        wintest::Forget();
        ASSERT_TRUE(RegisterClass(WindowClass{CS_HREDRAW | CS_VREDRAW, wintest::RecordingProc,
                                              "AppIcon", "AppMenu", "Kestrel_3D"}));
        window = CreateWindow("Kestrel_3D", "Kestrel-3D:", 600, 400);
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override {
        Install(Services{});
        wintest::Forget();
    }

    Window* window = nullptr;
};

} // namespace

TEST(WindowClasses, RegistrationChecksItsResources) {
    Install(Services{});
    EXPECT_FALSE(RegisterClass(WindowClass{0, wintest::RecordingProc, nullptr, nullptr, ""}));
    EXPECT_FALSE(RegisterClass(WindowClass{0, nullptr, nullptr, nullptr, "NoProc"}));
    EXPECT_FALSE(RegisterClass(WindowClass{0, wintest::RecordingProc, nullptr, "NoMenu", "A"}));
    EXPECT_FALSE(RegisterClass(WindowClass{0, wintest::RecordingProc, "NoIcon", nullptr, "B"}));
    EXPECT_TRUE(RegisterClass(WindowClass{0, wintest::RecordingProc, nullptr, nullptr, "C"}));
    EXPECT_FALSE(RegisterClass(WindowClass{0, wintest::RecordingProc, nullptr, nullptr, "C"}));
    EXPECT_EQ(CreateWindow("Unknown", "x", 10, 10), nullptr);
    EXPECT_EQ(CreateWindow(nullptr, "x", 10, 10), nullptr);
    Window* plain = CreateWindow("C", nullptr, 10, 10);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->GetMenu(), nullptr);
    EXPECT_EQ(plain->GetWindowText(), "");
    Install(Services{});
}

TEST_F(MemoryWindow, StartsHiddenWithTitleMenuAndNoMessages) {
    EXPECT_FALSE(window->IsVisible());
    EXPECT_EQ(window->GetWindowText(), "Kestrel-3D:");
    ASSERT_NE(window->GetMenu(), nullptr);
    EXPECT_EQ(window->GetMenu()->GetMenuItemCount(), 5);
    EXPECT_EQ(std::tuple(window->ClientWidth(), window->ClientHeight()), std::tuple(600, 400));
    EXPECT_TRUE(received.empty());
    window->SetWindowText("FPS 58 Frame 01234 N ($20 Expended)");
    EXPECT_EQ(window->GetWindowText(), "FPS 58 Frame 01234 N ($20 Expended)");
}

TEST_F(MemoryWindow, QueueHandsOutMessagesInOrderThenQuit) {
    Message message;
    EXPECT_FALSE(PeekMessage(message));
    PostMessage(Message{.kind = Kind::Command, .window = window, .command = 102});
    PostMessage(Message{.kind = Kind::LButtonDown, .window = window, .x = 5, .y = 6});
    PostQuitMessage(3);
    for (Kind expected : {Kind::Command, Kind::LButtonDown, Kind::Quit}) {
        ASSERT_TRUE(PeekMessage(message));
        EXPECT_EQ(message.kind, expected);
        EXPECT_EQ(DispatchMessage(message), 0); // the quit message is addressed to no window
    }
    EXPECT_EQ(message.exitCode, 3);
    EXPECT_FALSE(PeekMessage(message));
    ASSERT_EQ(wintest::KindsReceived(), (std::vector<Kind>{Kind::Command, Kind::LButtonDown}));
    EXPECT_EQ(std::tuple(received[0].command, received[1].x, received[1].window),
              std::tuple(102, 5, window));
    WaitMessage(); // nothing to wait for without a screen: returns
}

TEST_F(MemoryWindow, GreyedItemSwallowsItsAccelerator) {
    wintest::handler = [](Window* w, const Message& m) {
        if (m.kind == Kind::InitMenuPopup)
            m.menu->EnableMenuItem(14, MF_BYCOMMAND | MF_GRAYED);
        return DefWindowProc(w, m);
    };
    PostMessage(Message{.kind = Kind::KeyDown, .window = window, .key = VK_F4});
    PostMessage(Message{.kind = Kind::KeyDown, .window = window, .key = VK_F3});
    wintest::DrainMessages(&res::AppAccel);
    const auto commands = ReceivedOf(Kind::Command);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].command, 13);
    EXPECT_TRUE(ReceivedOf(Kind::KeyDown).empty());
}

TEST_F(MemoryWindow, OtherKeysReachTheWindowFollowedByWhatTheyType) {
    PostMessage(Message{.kind = Kind::KeyDown, .window = window, .key = 'P', .character = 'p'});
    PostMessage(Message{.kind = Kind::KeyDown,
                        .window = window,
                        .key = 'X',
                        .character = 24,
                        .modifiers = MOD_CONTROL});
    wintest::DrainMessages(&res::AppAccel);
    // Ctrl+X types character 24, which the table turns into Enable X Rotation.
    ASSERT_EQ(wintest::KindsReceived(), (std::vector<Kind>{Kind::KeyDown, Kind::KeyDown, Kind::Char,
                                                           Kind::InitMenuPopup, Kind::Command}));
    EXPECT_EQ(received[2].key, 'p');
    EXPECT_EQ(received[4].command, 120);
}

TEST_F(MemoryWindow, TranslateAcceleratorNeedsAWindowAndATable) {
    const Message f1{.kind = Kind::KeyDown, .window = window, .key = VK_F1};
    EXPECT_FALSE(TranslateAccelerator(nullptr, &res::AppAccel, f1));
    EXPECT_FALSE(TranslateAccelerator(window, nullptr, f1));
    EXPECT_EQ(LoadAccelerators("AppAccel"), &res::AppAccel);
    EXPECT_EQ(LoadAccelerators("Other"), nullptr);
    EXPECT_EQ(LoadAccelerators(nullptr), nullptr);
    EXPECT_TRUE(received.empty());
}

TEST_F(MemoryWindow, ScrollBarsShowOnceGivenARangeAndClampTheirPosition) {
    EXPECT_FALSE(window->IsScrollBarShown(SB_HORZ));
    EXPECT_TRUE(window->SetScrollRange(SB_HORZ, -10, 10, false));
    EXPECT_TRUE(window->SetScrollRange(SB_VERT, -10, 10, false));
    EXPECT_TRUE(window->IsScrollBarShown(SB_HORZ));
    int min = 0, max = 0;
    EXPECT_TRUE(window->GetScrollRange(SB_VERT, &min, &max));
    EXPECT_EQ(std::tuple(min, max), std::tuple(-10, 10));
    EXPECT_EQ(window->SetScrollPos(SB_HORZ, 7, true), 0);
    EXPECT_EQ(window->SetScrollPos(SB_HORZ, 25, true), 7);
    EXPECT_EQ(window->GetScrollPos(SB_HORZ), 10);
    window->SetScrollPos(SB_VERT, -99, true);
    EXPECT_EQ(window->GetScrollPos(SB_VERT), -10);
    window->SetScrollRange(SB_HORZ, 0, 5, true);
    EXPECT_EQ(window->GetScrollPos(SB_HORZ), 5);
    EXPECT_FALSE(window->SetScrollRange(SB_HORZ, 3, 1, true));
    EXPECT_FALSE(window->SetScrollRange(2, 0, 1, true));
    EXPECT_FALSE(window->GetScrollRange(SB_HORZ, nullptr, &max));
    EXPECT_EQ(window->GetScrollPos(7), 0);
}

TEST_F(MemoryWindow, CloseGoesThroughDestroyOnce) {
    window->ShowWindow(SW_SHOW);
    window->SendMessage(Message{.kind = Kind::Close});
    EXPECT_TRUE(window->IsDestroyed());
    EXPECT_FALSE(window->IsVisible());
    DestroyWindow(window);
    EXPECT_EQ(ReceivedOf(Kind::Destroy).size(), 1u);
    EXPECT_EQ(window->SendMessage(Message{.kind = Kind::Command, .command = 2}), 0);
    EXPECT_TRUE(ReceivedOf(Kind::Command).empty());
}

TEST_F(MemoryWindow, PaintHasAnUpdateRegionOnlyWhileHandled) {
    bool regionDuringPaint = false;
    wintest::handler = [&](Window* w, const Message& m) {
        if (m.kind == Kind::Paint)
            regionDuringPaint = w->GetUpdateRect();
        return DefWindowProc(w, m);
    };
    window->UpdateWindow(); // hidden: nothing to paint
    EXPECT_TRUE(ReceivedOf(Kind::Paint).empty());
    window->ShowWindow(SW_SHOWNORMAL);
    window->UpdateWindow();
    EXPECT_EQ(ReceivedOf(Kind::Paint).size(), 1u);
    EXPECT_TRUE(regionDuringPaint);
    EXPECT_FALSE(window->GetUpdateRect());
    window->UpdateWindow(); // already valid
    EXPECT_EQ(ReceivedOf(Kind::Paint).size(), 1u);
}

TEST_F(MemoryWindow, ResizingAndMinimisingSendSize) {
    window->ClientResized(300, 200, SIZE_RESTORED);
    window->ClientResized(300, 200, SIZE_MINIMIZED);
    EXPECT_TRUE(window->IsMinimized());
    EXPECT_EQ(window->ClientWidth(), 0);
    const auto sizes = ReceivedOf(Kind::Size);
    ASSERT_EQ(sizes.size(), 2u);
    EXPECT_EQ(std::tuple(sizes[0].width, sizes[0].height), std::tuple(300, 200));
    EXPECT_EQ(std::tuple(sizes[1].width, sizes[1].height, sizes[1].sizeType),
              std::tuple(0, 0, SIZE_MINIMIZED));
}
