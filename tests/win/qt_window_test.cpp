// The window on Qt (offscreen in tests): menu bar, keys, mouse, scroll bars, painting,
// sizing and closing, each arriving as the platform's messages.

#include "platform/win/qt_platform.h"
#include "platform/win/qt_window.h"
#include "platform/win/recording_dialogs.h"
#include "resources/resources.h"
#include "test_support.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

using namespace win;
using wintest::received;
using wintest::ReceivedOf;

namespace {

class QtWindowTest : public testing::Test {
protected:
    void SetUp() override {
        Install(Services{&dialogs, &clock, &events, &factory});
        wintest::Forget();
        ASSERT_TRUE(RegisterClass(WindowClass{CS_HREDRAW | CS_VREDRAW, wintest::RecordingProc,
                                              "AppIcon", "AppMenu", "Kestrel_3D"}));
        window = CreateWindow("Kestrel_3D", "Kestrel-3D:", 600, 400);
        qt = dynamic_cast<QtWindow*>(window);
        ASSERT_NE(qt, nullptr);
    }
    void TearDown() override {
        Install(Services{});
        wintest::Forget();
    }

    void ShowAndSettle() {
        window->ShowWindow(SW_SHOWNORMAL);
        window->UpdateWindow();
        Settle();
    }
    static void Settle() {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }
    void Key(int key, Qt::KeyboardModifiers modifiers, const QString& text) {
        QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
        QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
        QApplication::sendEvent(qt->View(), &press);
        QApplication::sendEvent(qt->View(), &release);
    }
    QMenu* PopupWidget(int index) const {
        return qt->PopupWidget(window->GetMenu()->GetSubMenu(index));
    }

    RecordingDialogs dialogs;
    VirtualClock clock;
    QtEventSource events;
    QtWindowFactory factory;
    Window* window = nullptr;
    QtWindow* qt = nullptr;
};

struct KeyCase {
    int key;
    Qt::KeyboardModifiers modifiers;
    const char* text;
    int command;
};

} // namespace

TEST_F(QtWindowTest, HasTitleIconAndAClientAreaSizedBeforeShowing) {
    EXPECT_EQ(qt->windowTitle(), "Kestrel-3D:");
    EXPECT_FALSE(qt->windowIcon().isNull());
    EXPECT_EQ(qt->windowIcon().pixmap(32, 32).size(), QSize(32, 32));
    EXPECT_FALSE(qt->isVisible());
    // The menu bar takes its share of the 400 pixels; no scroll bar shows yet.
    EXPECT_EQ(window->ClientWidth(), 600);
    EXPECT_TRUE(window->ClientHeight() > 300 && window->ClientHeight() < 400)
        << window->ClientHeight();
    window->SetWindowText("Kestrel-3D: Lucky ($5 Expended)");
    EXPECT_EQ(qt->windowTitle(), "Kestrel-3D: Lucky ($5 Expended)");
    window->SetWindowText("Caf\xe9"); // a Latin-1 name from an old machine file
    EXPECT_EQ(qt->windowTitle(), QString::fromUtf8("Caf\xc3\xa9"));
}

TEST_F(QtWindowTest, MenuBarShowsEveryPopupWithTextsMnemonicsAndKeyNames) {
    const QList<QAction*> titles = qt->menuBar()->actions();
    ASSERT_EQ(titles.size(), 5);
    EXPECT_EQ(std::tuple(titles[0]->text(), titles[4]->text()),
              std::tuple(QString("&File"), QString("&Insert Money")));
    const QList<QAction*> file = PopupWidget(0)->actions();
    ASSERT_EQ(file.size(), 9);
    EXPECT_TRUE(file[1]->isSeparator() && file[7]->isSeparator());
    EXPECT_EQ(std::tuple(file[2]->text(), file[8]->text()),
              std::tuple(QString("&About..\tF1"), QString("E&xit\tESC")));
    const QList<QAction*> money = PopupWidget(4)->actions();
    ASSERT_EQ(money.size(), 6);
    EXPECT_EQ(money[4]->text(), "$1&00");
}

TEST_F(QtWindowTest, MarksSetByCommandShowOnTheActions) {
    Menu* bar = window->GetMenu();
    bar->CheckMenuItem(22, MF_BYCOMMAND | MF_CHECKED);
    bar->EnableMenuItem(14, MF_BYCOMMAND | MF_GRAYED);
    const QList<QAction*> render = PopupWidget(1)->actions();
    auto marks = [&] {
        return std::tuple(render[8]->isChecked(), render[2]->isEnabled(), render[1]->isChecked(),
                          render[1]->isEnabled());
    };
    EXPECT_EQ(marks(), std::tuple(true, false, false, true));
    bar->CheckMenuItem(22, MF_BYCOMMAND | MF_UNCHECKED);
    bar->EnableMenuItem(14, MF_BYCOMMAND | MF_ENABLED);
    EXPECT_EQ(marks(), std::tuple(false, true, false, true));
}

TEST_F(QtWindowTest, DriversInsertedIntoTheFileMenuAppearThere) {
    Menu* file = window->GetMenu()->GetSubMenu(0);
    file->InsertMenu(7, MF_BYPOSITION | MF_STRING, 80, "Ramp Emulation");
    file->InsertMenu(8, MF_BYPOSITION | MF_STRING, 81, "RGB Emulation");
    window->GetMenu()->CheckMenuItem(81, MF_BYCOMMAND | MF_CHECKED);
    const QList<QAction*> actions = PopupWidget(0)->actions();
    ASSERT_EQ(actions.size(), 11);
    EXPECT_EQ(actions[7]->text(), "Ramp Emulation");
    EXPECT_TRUE(actions[8]->isChecked());
    EXPECT_TRUE(actions[9]->isSeparator());
    actions[8]->trigger();
    wintest::DrainMessages(&res::AppAccel);
    const auto commands = ReceivedOf(Kind::Command);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].command, 81);
    // Triggering does not flip the mark: only the program sets marks.
    EXPECT_TRUE(actions[8]->isChecked());
}

TEST_F(QtWindowTest, OpeningAPopupAsksForItsMarksAndChoosingPostsTheCommand) {
    wintest::handler = [](Window* w, const Message& m) {
        if (m.kind == Kind::InitMenuPopup)
            m.menu->CheckMenuItem(113, MF_BYCOMMAND | MF_CHECKED);
        return DefWindowProc(w, m);
    };
    QMenu* display = PopupWidget(3);
    emit display->aboutToShow();
    const auto popups = ReceivedOf(Kind::InitMenuPopup);
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0].menu, window->GetMenu()->GetSubMenu(3));
    EXPECT_TRUE(display->actions()[14]->isChecked());

    display->actions()[0]->trigger();               // Zoom In
    EXPECT_TRUE(ReceivedOf(Kind::Command).empty()); // posted, not sent
    wintest::DrainMessages(&res::AppAccel);
    const auto commands = ReceivedOf(Kind::Command);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].command, 103);
    EXPECT_FALSE(commands[0].fromAccelerator);
}

// Every key of the table, pressed on the view, comes out of the loop as its command after its
// popup was opened; the window never sees the key (or, for character entries, the character)
// that carried it.
TEST_F(QtWindowTest, AcceleratorsTranslateEveryTableKeyBeforeTheWindowSeesIt) {
    const Qt::KeyboardModifiers none = Qt::NoModifier, ctrl = Qt::ControlModifier,
                                keypad = Qt::KeypadModifier;
    // clang-format off
    const KeyCase cases[] = {
        {Qt::Key_F1, none, "", 1},        {Qt::Key_F2, none, "", 12},       {Qt::Key_F3, none, "", 13},
        {Qt::Key_F4, none, "", 14},       {Qt::Key_F5, none, "", 29},       {Qt::Key_P, ctrl, "\x10", 20},
        {Qt::Key_W, ctrl, "\x17", 21},    {Qt::Key_S, ctrl, "\x13", 22},    {Qt::Key_D, ctrl, "\x04", 24},
        {Qt::Key_A, ctrl, "\x01", 26},    {Qt::Key_O, ctrl, "\x0f", 17},    {Qt::Key_L, ctrl, "\x0c", 18},
        {Qt::Key_Escape, none, "\x1b", 2}, {Qt::Key_Space, none, " ", 27},   {Qt::Key_Return, none, "\r", 28},
        {Qt::Key_Plus, keypad, "+", 103}, {Qt::Key_Minus, keypad, "-", 104},
        {Qt::Key_Plus, Qt::ShiftModifier, "+", 103},                        {Qt::Key_Minus, none, "-", 104},
        {Qt::Key_X, ctrl, "\x18", 120},   {Qt::Key_Y, ctrl, "\x19", 121},   {Qt::Key_Z, ctrl, "\x1a", 122},
    };
    // clang-format on
    ShowAndSettle();
    for (const KeyCase& key : cases) {
        wintest::Forget();
        Key(key.key, key.modifiers, QString::fromLatin1(key.text));
        wintest::DrainMessages(&res::AppAccel);
        const auto commands = ReceivedOf(Kind::Command);
        ASSERT_EQ(commands.size(), 1u) << key.command;
        EXPECT_EQ(commands[0].command, key.command);
        EXPECT_TRUE(commands[0].fromAccelerator);
        EXPECT_TRUE(ReceivedOf(Kind::Char).empty()) << key.command;
        // The popup holding the item was opened first, so its marks were current.
        const auto popups = ReceivedOf(Kind::InitMenuPopup);
        ASSERT_EQ(popups.size(), 1u) << key.command;
        EXPECT_NE(popups[0].menu->FindCommand(key.command), nullptr);
        const bool characterEntry = key.modifiers == Qt::ShiftModifier ||
                                    (key.key == Qt::Key_Minus && key.modifiers == 0) ||
                                    key.command >= 120;
        if (!characterEntry) {
            EXPECT_TRUE(ReceivedOf(Kind::KeyDown).empty()) << key.command;
        }
    }
}

TEST_F(QtWindowTest, PlainKeysAndMouseButtonsArriveAsMessages) {
    ShowAndSettle();
    wintest::Forget();
    Key(Qt::Key_P, Qt::NoModifier, "p");
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 20), QPointF(10, 20), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent right(QEvent::MouseButtonPress, QPointF(3, 4), QPointF(3, 4), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(qt->View(), &press);
    QApplication::sendEvent(qt->View(), &right);
    wintest::DrainMessages(&res::AppAccel);
    const auto keys = ReceivedOf(Kind::KeyDown);
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0].key, 'P');
    EXPECT_EQ(ReceivedOf(Kind::KeyUp).size(), 1u);
    const auto typed = ReceivedOf(Kind::Char);
    ASSERT_EQ(typed.size(), 1u);
    EXPECT_EQ(typed[0].key, 'p');
    const auto clicks = ReceivedOf(Kind::LButtonDown);
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(std::tuple(clicks[0].x, clicks[0].y), std::tuple(10, 20));
    EXPECT_EQ(ReceivedOf(Kind::RButtonDown).size(), 1u);
}

TEST_F(QtWindowTest, ScrollBarsRequestAndMoveOnlyWhenTheProgramSaysSo) {
    window->SetScrollRange(SB_HORZ, -10, 10, false);
    window->SetScrollRange(SB_VERT, -10, 10, false);
    ShowAndSettle();
    RequestingScrollBar* horizontal = qt->ScrollBarWidget(SB_HORZ);
    RequestingScrollBar* vertical = qt->ScrollBarWidget(SB_VERT);
    EXPECT_TRUE(horizontal->isVisible());
    EXPECT_TRUE(vertical->isVisible());
    EXPECT_LT(window->ClientWidth(), 600); // the vertical bar sits outside the client area

    const std::pair<QAbstractSlider::SliderAction, int> actions[] = {
        {QAbstractSlider::SliderSingleStepSub, SB_LINEUP},
        {QAbstractSlider::SliderSingleStepAdd, SB_LINEDOWN},
        {QAbstractSlider::SliderPageStepSub, SB_PAGEUP},
        {QAbstractSlider::SliderPageStepAdd, SB_PAGEDOWN},
        {QAbstractSlider::SliderToMinimum, SB_TOP},
        {QAbstractSlider::SliderToMaximum, SB_BOTTOM},
    };
    for (const auto& [action, request] : actions) {
        wintest::Forget();
        vertical->triggerAction(action);
        const auto scrolls = ReceivedOf(Kind::VScroll);
        ASSERT_EQ(scrolls.size(), 1u) << request;
        EXPECT_EQ(scrolls[0].request, request);
        EXPECT_EQ(vertical->value(), 0) << request;
        EXPECT_TRUE(ReceivedOf(Kind::HScroll).empty());
    }

    wintest::Forget();
    horizontal->setSliderPosition(6); // a drag of the thumb
    const auto drags = ReceivedOf(Kind::HScroll);
    ASSERT_EQ(drags.size(), 1u);
    EXPECT_EQ(std::tuple(drags[0].request, drags[0].thumb), std::tuple(SB_THUMBTRACK, 6));
    EXPECT_EQ(std::tuple(horizontal->value(), window->GetScrollPos(SB_HORZ)), std::tuple(0, 0));
}

TEST_F(QtWindowTest, ScrollBarFollowsThePositionTheProcedureSets) {
    wintest::handler = [](Window* w, const Message& m) {
        if (m.kind == Kind::HScroll && m.request == SB_PAGEDOWN)
            w->SetScrollPos(SB_HORZ, w->GetScrollPos(SB_HORZ) + 7, true);
        if (m.kind == Kind::HScroll && m.request == SB_THUMBTRACK)
            w->SetScrollPos(SB_HORZ, m.thumb, true);
        return DefWindowProc(w, m);
    };
    window->SetScrollRange(SB_HORZ, -10, 10, false);
    ShowAndSettle();
    RequestingScrollBar* horizontal = qt->ScrollBarWidget(SB_HORZ);
    horizontal->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(horizontal->value(), 7);
    horizontal->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(std::tuple(horizontal->value(), window->GetScrollPos(SB_HORZ)), std::tuple(10, 10));
    horizontal->setSliderPosition(-4);
    EXPECT_EQ(std::tuple(horizontal->value(), window->GetScrollPos(SB_HORZ)), std::tuple(-4, -4));
}

TEST_F(QtWindowTest, ClientAreaShowsTheImageOneToOneOnBlack) {
    bool regionDuringPaint = false;
    wintest::handler = [&](Window* w, const Message& m) {
        if (m.kind == Kind::Paint)
            regionDuringPaint = w->GetUpdateRect();
        return DefWindowProc(w, m);
    };
    ShowAndSettle();
    base::Image picture;
    picture.Resize(4, 3, 0xFFFF0000u);
    picture.At(3, 2) = 0xFF00FF00u;
    window->SetClientImage(picture);
    const QImage shown = qt->View()->grab().toImage();
    EXPECT_EQ(std::vector<QRgb>(
                  {shown.pixel(0, 0), shown.pixel(3, 2), shown.pixel(4, 0), shown.pixel(0, 3)}),
              std::vector<QRgb>({0xFFFF0000u, 0xFF00FF00u, 0xFF000000u, 0xFF000000u}));
    EXPECT_FALSE(ReceivedOf(Kind::Paint).empty());
    EXPECT_TRUE(regionDuringPaint);
    EXPECT_FALSE(window->GetUpdateRect());
}

TEST_F(QtWindowTest, PictureWithTooFewPixelsShowsBlack) {
    ShowAndSettle();
    base::Image broken;
    broken.width = 50;
    broken.height = 50;
    broken.pixels.assign(10, 0xFFFFFFFFu);
    window->SetClientImage(broken);
    EXPECT_EQ(qt->View()->grab().toImage().pixel(0, 0), 0xFF000000u);
}

TEST_F(QtWindowTest, ResizingMinimisingAndRestoringSendSize) {
    ShowAndSettle();
    const auto first = ReceivedOf(Kind::Size);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first.back().width, qt->View()->width());

    auto lastSize = [](const std::function<void()>& change) {
        wintest::Forget();
        change();
        Settle();
        const auto sizes = ReceivedOf(Kind::Size);
        return sizes.empty()
                   ? std::tuple(-1, -1, -1)
                   : std::tuple(sizes.back().sizeType, sizes.back().width, sizes.back().height);
    };
    const auto resized = lastSize([&] { qt->resize(700, 500); });
    EXPECT_EQ(resized, std::tuple(SIZE_RESTORED, 700, qt->View()->height()));
    EXPECT_EQ(window->ClientHeight(), qt->View()->height());
    EXPECT_EQ(lastSize([&] { qt->showMinimized(); }), std::tuple(SIZE_MINIMIZED, 0, 0));
    EXPECT_TRUE(window->IsMinimized());
    EXPECT_EQ(lastSize([&] { qt->showNormal(); }), resized);
    EXPECT_FALSE(window->IsMinimized());
}

TEST_F(QtWindowTest, ClosingTheWindowGoesThroughTheProcedure) {
    ShowAndSettle();
    // A procedure that handles Close itself keeps the window.
    wintest::handler = [](Window*, const Message&) { return 0; };
    qt->close();
    EXPECT_EQ(ReceivedOf(Kind::Close).size(), 1u);
    EXPECT_TRUE(qt->isVisible());
    EXPECT_FALSE(window->IsDestroyed());

    wintest::handler = nullptr; // the default destroys
    qt->close();
    EXPECT_TRUE(window->IsDestroyed());
    EXPECT_FALSE(qt->isVisible());
    DestroyWindow(window);
    EXPECT_EQ(ReceivedOf(Kind::Destroy).size(), 1u);
}

TEST_F(QtWindowTest, WaitMessageSleepsUntilSomethingArrives) {
    QTimer::singleShot(20, [this] {
        PostMessage(Message{.kind = Kind::Command, .window = window, .command = 28});
    });
    WaitMessage();
    Message message;
    ASSERT_TRUE(PeekMessage(message));
    EXPECT_EQ(message.command, 28);
}

TEST_F(QtWindowTest, ReportsTheDisplayDepth) {
    const int depth = window->ColorDepth();
    EXPECT_TRUE(depth == 16 || depth == 24 || depth == 32) << depth;
}

TEST_F(QtWindowTest, ShowingTheWindowActivatesIt) {
    ShowAndSettle();
    const auto activations = ReceivedOf(Kind::Activate);
    ASSERT_FALSE(activations.empty());
    EXPECT_TRUE(activations.back().active);
}
