#include "platform/win/clock.h"
#include "platform/win/platform.h"
#include "platform/win/qt_keys.h"

#include <Qt>
#include <gtest/gtest.h>

using namespace win;

TEST(VirtualClock, StartsAt100000MovesOnlyByItsStepAndServesThePlatformOnceInstalled) {
    VirtualClock clock(16);
    EXPECT_EQ(std::tuple(clock.TickCount(), clock.TimeGetTime(), clock.TickCount()),
              std::tuple(100000u, 100000u, 100000u));
    clock.Advance();
    clock.Advance();
    EXPECT_EQ(clock.TickCount(), 100032u);
    clock.SetStep(0);
    clock.Advance();
    EXPECT_EQ(clock.TimeGetTime(), 100032u);
    clock.SetStep(49);
    Install(Services{.clock = &clock});
    clock.Advance();
    EXPECT_EQ(std::tuple(GetTickCount(), timeGetTime()), std::tuple(100081u, 100081u));
    Install(Services{});
    EXPECT_NE(GetTickCount(), 100081u);
}

TEST(SteadyClock, NeverRunsBackward) {
    SteadyClock clock;
    uint32_t previous = clock.TickCount();
    for (int i = 0; i < 1000; ++i) {
        const uint32_t now = clock.TickCount();
        EXPECT_LE(now - previous, 1000u); // unsigned: a backward step would be huge
        previous = now;
    }
    EXPECT_LE(clock.TimeGetTime() - clock.TickCount(), 1u);
}

TEST(QtKeys, BecomeVirtualKeysAndTypeWhatThePlatformTypes) {
    const std::tuple<int, bool, int> keys[] = {
        {Qt::Key_F1, false, VK_F1},
        {Qt::Key_F5, false, VK_F5},
        {Qt::Key_P, false, 'P'},
        {Qt::Key_7, false, '7'},
        {Qt::Key_7, true, VK_NUMPAD0 + 7},
        {Qt::Key_Plus, true, VK_ADD},
        {Qt::Key_Plus, false, VK_OEM_PLUS},
        {Qt::Key_Minus, true, VK_SUBTRACT},
        {Qt::Key_Enter, true, VK_RETURN},
        {Qt::Key_Return, false, VK_RETURN},
        {Qt::Key_Escape, false, VK_ESCAPE},
        {Qt::Key_Space, false, VK_SPACE},
        {Qt::Key_Launch0, false, 0},
    };
    for (const auto& [key, keypad, virtualKey] : keys)
        EXPECT_EQ(VirtualKeyFromQt(key, keypad), virtualKey) << key;

    // Key, control, alt, the first character of the event's text, what it types.
    const std::tuple<int, bool, bool, char16_t, int> typing[] = {
        {Qt::Key_X, true, false, u'\x18', 24}, {Qt::Key_Z, true, false, u'\0', 26},
        {Qt::Key_A, true, false, u'a', 1},     {Qt::Key_Plus, false, false, u'+', '+'},
        {Qt::Key_A, false, false, u'a', 'a'},  {Qt::Key_A, false, true, u'a', 0},
        {Qt::Key_F1, false, false, u'\0', 0},  {Qt::Key_1, true, false, u'1', 0},
    };
    for (const auto& [key, control, alt, text, typed] : typing)
        EXPECT_EQ(TypedCharacter(key, control, alt, text), typed) << key;
}
