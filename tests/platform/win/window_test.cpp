// The window layer: resources by name and the clock; the Qt window's menu bar, keys, mouse,
// scroll bars, painting, sizing and closing, each arriving as the platform's messages; boxes
// and dialogs answered from inside their own modal loops.

#include "platform/win/qt_platform.h"
#include "platform/win/qt_window.h"
#include "platform/win/recording_dialogs.h"
#include "resources/command_ids.h"
#include "resources/resources.h"
#include "tests/common/test_support.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

using namespace win;
namespace fs = std::filesystem;

namespace {

// One Qt application for the test program, and the program's resources handed over as the
// shell hands them at start-up.
class QtEnvironment : public testing::Environment {
    int argc_ = 1;
    char name_[10] = "win_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;

public:
    void SetUp() override {
        app_ = std::make_unique<QApplication>(argc_, argv_);
        SetResources(res::AppResources());
    }
    void TearDown() override { app_.reset(); }
};
[[maybe_unused]] testing::Environment* const environment =
    testing::AddGlobalTestEnvironment(new QtEnvironment);

// What RecordingProc saw, and a handler it calls instead of the default handling.
std::vector<Message> received;
std::function<int(Window*, const Message&)> handler;

int RecordingProc(Window* window, const Message& message) {
    received.push_back(message);
    return handler ? handler(window, message) : DefWindowProc(window, message);
}

std::vector<Message> ReceivedOf(Kind kind) {
    std::vector<Message> found;
    for (const Message& message : received)
        if (message.kind == kind)
            found.push_back(message);
    return found;
}

void Forget() {
    received.clear();
    handler = nullptr;
}

// The main loop's inner pass: every waiting message, the accelerators having the first look.
void DrainMessages() {
    Message message;
    while (PeekMessage(message))
        if (!TranslateAccelerator(message.window, LoadAccelerators("AppAccel"), message)) {
            TranslateMessage(message);
            DispatchMessage(message);
        }
}

void Settle() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

// The one fixture: a window of the program's class, in memory or on Qt (offscreen), whose
// procedure keeps every message it is sent.
class WindowTest : public testing::Test {
protected:
    // The window of the program's class, on Qt when asked, with the program's menu and icon.
    void Open(bool onQt) {
        Install(onQt ? Services{&dialogs, &clock, &events, &factory}
                     : Services{.dialogs = &dialogs});
        Forget();
        ASSERT_TRUE(RegisterClass({0, RecordingProc, "AppIcon", "AppMenu", "Kestrel_3D"}));
        window = CreateWindow("Kestrel_3D", "Kestrel-3D:", 600, 400);
        qt = dynamic_cast<QtWindow*>(window);
        ASSERT_EQ(qt != nullptr, onQt);
    }
    void ShowAndSettle() {
        window->ShowWindow(SW_SHOWNORMAL);
        window->UpdateWindow();
        Settle();
    }
    void TearDown() override {
        Install(Services{});
        Forget();
    }

    RecordingDialogs dialogs;
    VirtualClock clock;
    QtEventSource events;
    QtWindowFactory factory;
    Window* window = nullptr;
    QtWindow* qt = nullptr;
};

constexpr MenuItemResource TINY_ITEMS[] = {{"&Go", 7}};
constexpr MenuPopupResource TINY_POPUPS[] = {{"&Run", TINY_ITEMS}};
constexpr MenuResource TINY_MENU{"Tiny", TINY_POPUPS};
constexpr const MenuResource* TINY_MENUS[] = {&TINY_MENU};

std::vector<Message> aboutMessages;

// The about box's procedure: only OK closes it.
int AboutProc(Dialog* dialog, const Message& message) {
    aboutMessages.push_back(message);
    if (message.kind == Kind::Command && message.command == IDOK)
        EndDialog(dialog, 1);
    return message.kind == Kind::InitDialog ? 1 : 0;
}

// A folder holding one machine file; the current directory is put back afterwards.
class BoxesAndDialogs : public WindowTest {
protected:
    void SetUp() override {
        fs::create_directories(folder / "machines");
        std::ofstream(machine) << "%name Lucky\n";
        Install(Services{.dialogs = &dialogs});
    }
    void TearDown() override {
        WindowTest::TearDown();
        fs::current_path(previous);
        fs::remove_all(folder);
        aboutMessages.clear();
    }

    QtDialogs qtDialogs;
    const fs::path previous = fs::current_path();
    const fs::path folder = TempPath(testing::UnitTest::GetInstance()->current_test_info()->name());
    const fs::path machine = folder / "machines" / "lucky.slt";
    OpenFileName request{{{"Slot Machine Files", "*.slt"}}, "start.slt", 256, OFN_FILEMUSTEXIST};
};

} // namespace

TEST(Resources, AreLoadedByNameFromTheSetHandedOver) {
    SetResources(ResourceSet{TINY_MENUS, {}, {}, {}});
    EXPECT_EQ(LoadAccelerators("AppAccel"), nullptr);
    EXPECT_FALSE(RegisterClass(WindowClass{0, RecordingProc, nullptr, "AppMenu", "A"}));
    ASSERT_TRUE(RegisterClass(WindowClass{0, RecordingProc, nullptr, "Tiny", "A"}));
    EXPECT_EQ(CreateWindow("A", "", 9, 9)->GetMenu()->GetSubMenu(0)->ItemAt(0)->command, 7);
    SetResources(res::AppResources());
    EXPECT_EQ(std::tuple(LoadAccelerators("AppAccel"), LoadAccelerators("appaccel")),
              std::tuple(&res::AppAccel, nullptr));
    Install(Services{});
}

TEST(VirtualClock, StartsAt100000AndMovesOnlyByItsStepOnceInstalled) {
    VirtualClock clock(16);
    Install(Services{.clock = &clock});
    EXPECT_EQ(std::tuple(GetTickCount(), timeGetTime()), std::tuple(100000u, 100000u));
    clock.Advance();
    clock.SetStep(49);
    clock.Advance();
    EXPECT_EQ(std::tuple(GetTickCount(), timeGetTime()), std::tuple(100065u, 100065u));
    Install(Services{});
}

// Marks go by command id (the previous mark returned) and only the program sets them; drivers
// are inserted by position; opening a popup asks the procedure for its marks.
TEST_F(WindowTest, QtMenuBarShowsTheMarksAndItemsTheProgramSets) {
    Open(true);
    Menu* bar = window->GetMenu();
    EXPECT_EQ(bar->FindCommand(CMD_PHONG)->text, "P&hong\tF4");
    const QList<QAction*> render = qt->PopupWidget(bar->GetSubMenu(1))->actions();
    EXPECT_EQ(bar->CheckMenuItem(CMD_SOLID, MF_BYCOMMAND | MF_CHECKED), int{MF_UNCHECKED});
    EXPECT_EQ(bar->EnableMenuItem(CMD_PHONG, MF_BYCOMMAND | MF_GRAYED), int{MF_ENABLED});
    EXPECT_EQ(std::tuple(render[8]->isChecked(), render[2]->isEnabled()), std::tuple(true, false));
    EXPECT_EQ(bar->CheckMenuItem(CMD_SOLID, MF_BYCOMMAND | MF_UNCHECKED), int{MF_CHECKED});
    bar->EnableMenuItem(CMD_PHONG, MF_BYCOMMAND | MF_ENABLED);
    EXPECT_EQ(std::tuple(render[8]->isChecked(), render[2]->isEnabled()), std::tuple(false, true));
    EXPECT_EQ(bar->GetSubMenu(0)->CheckMenuItem(CMD_SOLID, MF_BYCOMMAND | MF_CHECKED), -1);

    Menu* file = bar->GetSubMenu(0);
    for (int i : {0, 1})
        file->InsertMenu(7 + i, MF_BYPOSITION | MF_STRING, CMD_FIRST_DRIVER + i, "Emulation");
    bar->CheckMenuItem(CMD_FIRST_DRIVER + 1, MF_BYCOMMAND | MF_CHECKED);
    QMenu* fileWidget = qt->PopupWidget(file);
    const QList<QAction*> actions = fileWidget->actions();
    ASSERT_EQ(actions.size(), 11);
    EXPECT_TRUE(actions[6]->isSeparator() && actions[9]->isSeparator());
    EXPECT_EQ(std::tuple(actions[8]->text(), actions[8]->isChecked()),
              std::tuple(QString("Emulation"), true));
    handler = [](Window* w, const Message& m) {
        if (m.kind == Kind::InitMenuPopup)
            m.menu->CheckMenuItem(CMD_GO, MF_BYCOMMAND | MF_CHECKED);
        return DefWindowProc(w, m);
    };
    emit fileWidget->aboutToShow();
    EXPECT_TRUE(actions[5]->isChecked());
    actions[8]->trigger();
    EXPECT_TRUE(ReceivedOf(Kind::Command).empty()); // posted, not sent
    DrainMessages();
    ASSERT_EQ(ReceivedOf(Kind::Command).size(), 1u);
    EXPECT_EQ(ReceivedOf(Kind::Command)[0].command, CMD_FIRST_DRIVER + 1);
    EXPECT_TRUE(actions[8]->isChecked());
}

// Keys pressed on the view go through the accelerators before the window sees them: the popup
// holding the command is opened first, a virtual key needs exactly its modifiers, a greyed
// item swallows its key. Other keys and the mouse arrive as messages, a key followed by what
// it types.
TEST_F(WindowTest, QtKeysAndMouseReachTheLoop) {
    Open(true);
    ShowAndSettle();
    const Qt::KeyboardModifiers none = Qt::NoModifier, ctrl = Qt::ControlModifier;
    const struct {
        int key;
        Qt::KeyboardModifiers modifiers;
        const char* text;
        int command; // 0: the key reaches the window
    } cases[] = {
        {Qt::Key_F4, none, "", CMD_PHONG},
        {Qt::Key_P, ctrl, "\x10", CMD_POINTS},
        {Qt::Key_P, ctrl | Qt::ShiftModifier, "\x10", 0},
        {Qt::Key_F1, Qt::AltModifier, "", 0},
        {Qt::Key_Plus, Qt::KeypadModifier, "+", CMD_ZOOM_IN},
        {Qt::Key_X, ctrl, "\x18", CMD_ROTATE_X},
    };
    for (const auto& c : cases) {
        Forget();
        QKeyEvent press(QEvent::KeyPress, c.key, c.modifiers, QString::fromLatin1(c.text));
        QApplication::sendEvent(qt->View(), &press);
        DrainMessages();
        const auto commands = ReceivedOf(Kind::Command);
        if (c.command == 0) {
            EXPECT_TRUE(commands.empty() && !ReceivedOf(Kind::KeyDown).empty()) << c.key;
            continue;
        }
        ASSERT_EQ(commands.size(), 1u) << c.key;
        EXPECT_EQ(
            std::tuple(received.end()[-2].kind, commands[0].command, commands[0].fromAccelerator),
            std::tuple(Kind::InitMenuPopup, c.command, true));
    }
    Forget();
    handler = [](Window* w, const Message& m) {
        if (m.kind == Kind::InitMenuPopup)
            m.menu->EnableMenuItem(CMD_PHONG, MF_BYCOMMAND | MF_GRAYED);
        return DefWindowProc(w, m);
    };
    QKeyEvent f4(QEvent::KeyPress, Qt::Key_F4, none);
    QKeyEvent p(QEvent::KeyPress, Qt::Key_P, none, "p");
    QMouseEvent click(QEvent::MouseButtonPress, QPointF(10, 20), QPointF(10, 20), Qt::LeftButton,
                      Qt::LeftButton, none);
    for (QEvent* event : std::initializer_list<QEvent*>{&f4, &p, &click})
        QApplication::sendEvent(event->type() == QEvent::MouseButtonPress
                                    ? static_cast<QObject*>(qt->Surface())
                                    : qt->View(),
                                event);
    DrainMessages();
    ASSERT_EQ(received.size(), 4u);
    EXPECT_EQ(
        std::tuple(received[0].kind, received[1].key, received[2].kind, received[2].x,
                   received[2].y, received[3].kind, received[3].key),
        std::tuple(Kind::InitMenuPopup, int{'P'}, Kind::LButtonDown, 10, 20, Kind::Char, int{'p'}));
}

// A click or drag only asks; the bar moves, within its range, when the procedure says so.
TEST_F(WindowTest, QtScrollBarsRequestAndFollowTheProgram) {
    Open(true);
    handler = [](Window* w, const Message& m) {
        if (m.kind == Kind::HScroll && m.request == SB_PAGEDOWN)
            w->SetScrollPos(SB_HORZ, w->GetScrollPos(SB_HORZ) + 7, true);
        return DefWindowProc(w, m);
    };
    window->SetScrollRange(SB_HORZ, -10, 10, false);
    window->SetScrollRange(SB_VERT, -10, 10, false);
    ShowAndSettle();
    RequestingScrollBar* horizontal = qt->ScrollBarWidget(SB_HORZ);
    RequestingScrollBar* vertical = qt->ScrollBarWidget(SB_VERT);
    EXPECT_TRUE(horizontal->isVisible() && vertical->isVisible());
    EXPECT_LT(window->ClientWidth(), 600); // the vertical bar sits outside the client area
    const std::pair<QAbstractSlider::SliderAction, int> actions[] = {
        {QAbstractSlider::SliderSingleStepSub, SB_LINEUP},
        {QAbstractSlider::SliderToMaximum, SB_BOTTOM},
    };
    for (const auto& [action, request] : actions) {
        received.clear();
        vertical->triggerAction(action);
        EXPECT_EQ(std::tuple(received.at(0).kind, received.at(0).request, vertical->value()),
                  std::tuple(Kind::VScroll, request, 0));
    }
    horizontal->setSliderPosition(6); // a drag of the thumb
    EXPECT_EQ(std::tuple(received.back().kind, received.back().request, received.back().thumb),
              std::tuple(Kind::HScroll, SB_THUMBTRACK, 6));
    EXPECT_EQ(std::tuple(horizontal->value(), window->GetScrollPos(SB_HORZ)), std::tuple(0, 0));
    horizontal->triggerAction(QAbstractSlider::SliderPageStepAdd);
    horizontal->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(std::tuple(horizontal->value(), window->GetScrollPos(SB_HORZ)), std::tuple(10, 10));
}

TEST_F(WindowTest, QtClientAreaShowsTheImageAndReportsSizingAndClosing) {
    Open(true);
    EXPECT_TRUE(window->ClientHeight() > 300 && window->ClientHeight() < 400); // before showing
    window->SetWindowText("Caf\xe9"); // a Latin-1 name from an old machine file
    EXPECT_EQ(qt->windowTitle(), QString::fromUtf8("Caf\xc3\xa9"));
    ShowAndSettle();
    EXPECT_TRUE(ReceivedOf(Kind::Activate).at(0).active);
    // A frame drawn into the lent pixels is shown as it is, and they keep it for the next.
    const int width = window->ClientWidth(), height = window->ClientHeight();
    Window::Canvas canvas = window->LendClientPixels(width, height);
    ASSERT_NE(canvas.pixels, nullptr);
    std::fill(canvas.pixels, canvas.pixels + width * height, 0xFF0000FFu);
    canvas.pixels[width * (height - 1) + width - 1] = 0xFFFFFF00u;
    window->SetClientImage(nullptr);
    QImage shown = qt->Surface()->Shown();
    EXPECT_EQ(std::tuple(shown.width(), shown.height(), shown.pixel(0, 0),
                         shown.pixel(width - 1, height - 1)),
              std::tuple(width, height, 0xFF0000FFu, 0xFFFFFF00u));
    EXPECT_EQ(window->ClientImage().At(width - 1, height - 1), 0xFFFFFF00u);
    canvas = window->LendClientPixels(width, height);
    EXPECT_TRUE(canvas.kept && canvas.pixels[0] == 0xFF0000FFu);
    window->SetClientImage(nullptr);
    window->UpdateWindow(); // a paint that shows nothing new leaves the frame
    EXPECT_EQ(qt->Surface()->Shown().pixel(0, 0), 0xFF0000FFu);
    // A picture smaller than the area: drawn 1:1 at the top left, black around it, and the
    // pixels no longer hold the frame.
    auto picture = std::make_shared<base::Image>();
    picture->Resize(4, 3, 0xFFFF0000u);
    picture->At(3, 2) = 0xFF00FF00u;
    window->SetClientImage(picture);
    shown = qt->Surface()->Shown();
    EXPECT_EQ(
        std::vector({shown.pixel(0, 0), shown.pixel(3, 2), shown.pixel(4, 0), shown.pixel(0, 3)}),
        std::vector<QRgb>({0xFFFF0000u, 0xFF00FF00u, 0xFF000000u, 0xFF000000u}));
    EXPECT_EQ(&window->ClientImage(), picture.get());
    EXPECT_FALSE(window->LendClientPixels(width, height).kept);
    EXPECT_EQ(window->LendClientPixels(width - 1, height).pixels, nullptr); // must cover it
    EXPECT_NE(window->LendClientPixels(width + 1, height + 1).pixels, nullptr);

    auto lastSize = [](const std::function<void()>& change) {
        Forget();
        change();
        Settle();
        const auto sizes = ReceivedOf(Kind::Size);
        return sizes.empty()
                   ? std::tuple(-1, -1, -1)
                   : std::tuple(sizes.back().sizeType, sizes.back().width, sizes.back().height);
    };
    const auto resized = lastSize([&] { qt->resize(700, 500); });
    EXPECT_EQ(resized, std::tuple(SIZE_RESTORED, 700, qt->View()->height()));
    EXPECT_EQ(lastSize([&] { qt->showMinimized(); }), std::tuple(SIZE_MINIMIZED, 0, 0));
    EXPECT_EQ(lastSize([&] { qt->showNormal(); }), resized);

    handler = [](Window*, const Message&) { return 0; }; // keeps the window
    qt->close();
    EXPECT_TRUE(qt->isVisible());
    handler = nullptr;
    qt->close();
    DestroyWindow(window);
    EXPECT_TRUE(window->IsDestroyed() && !qt->isVisible());
    EXPECT_EQ(std::tuple(ReceivedOf(Kind::Close).size(), ReceivedOf(Kind::Destroy).size()),
              std::tuple(2u, 1u));
}

TEST_F(BoxesAndDialogs, RecordedChoiceMakesItsFolderCurrentAndNothingElseDoes) {
    fs::current_path(folder);
    dialogs.openAnswers = {std::nullopt, (folder / "missing.slt").string(), machine.string(),
                           machine.string()};
    EXPECT_FALSE(GetOpenFileName(request));    // cancelled
    EXPECT_FALSE(GetOpenFileName(request));    // the file must exist
    request.maxFile = machine.string().size(); // no room for the terminating zero
    EXPECT_FALSE(GetOpenFileName(request));
    EXPECT_EQ(std::tuple(request.file, fs::current_path()), std::tuple("start.slt", folder));
    request.maxFile = 256;
    ASSERT_TRUE(GetOpenFileName(request));
    EXPECT_EQ(std::tuple(fs::path(request.file), fs::current_path()),
              std::tuple(machine, folder / "machines"));
}

// A box waits until answered; the about box is laid out from its resource, and Esc and the
// recording fake's Cancel leave it open: only OK closes it.
TEST_F(BoxesAndDialogs, BoxesAndTheAboutBoxAreAnswered) {
    EXPECT_EQ(MessageBox(nullptr, "Please wait", "Wait!", MB_ICONEXCLAMATION), IDOK);
    EXPECT_EQ(dialogs.boxes.at(0).text, "Please wait");
    dialogs.dialogButtons = {IDCANCEL};
    EXPECT_EQ(DialogBox("AppAbout", nullptr, AboutProc), -1);
    EXPECT_EQ(DialogBox("NoSuchDialog", nullptr, AboutProc), -1);
    SetDialogs(&qtDialogs);
    QString text;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        text = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(MessageBox(nullptr, "Moving scene failed.\r\n", "Error", MB_ICONEXCLAMATION), IDOK);
    EXPECT_EQ(text, "Moving scene failed.\n");

    aboutMessages.clear();
    bool openAfterEscape = false, laidOut = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = dynamic_cast<ResourceDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        QPushButton* ok = dialog->findChild<QPushButton*>();
        // Laid out in dialog units of its font, with the program's icon.
        const auto labels = dialog->findChildren<QLabel*>();
        laidOut = ok->geometry() == dialog->ToPixels(76, 75, 35, 14) &&
                  std::any_of(labels.begin(), labels.end(), [](QLabel* label) {
                      return label->pixmap().size() == QSize(32, 32);
                  });
        dialog->reject(); // Esc
        openAfterEscape = dialog->isVisible();
        ok->click();
    });
    EXPECT_EQ(DialogBox("AppAbout", nullptr, AboutProc), 1);
    EXPECT_TRUE(openAfterEscape && laidOut);
    ASSERT_EQ(aboutMessages.size(), 3u);
    EXPECT_EQ(std::tuple(aboutMessages[1].command, aboutMessages[2].command),
              std::tuple(IDCANCEL, IDOK));
}

TEST_F(BoxesAndDialogs, QtOpenDialogOffersMachineFilesAndCancellingLeavesTheFolder) {
    SetDialogs(&qtDialogs);
    QStringList filters;
    QString startFolder;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        std::tie(filters, startFolder) =
            std::tuple(dialog->nameFilters(), dialog->directory().absolutePath());
        dialog->selectFile("lucky.slt");
        static_cast<QDialog*>(dialog)->accept();
    });
    request.file = (folder / "machines" / "other.slt").string();
    ASSERT_TRUE(GetOpenFileName(request));
    EXPECT_EQ(filters, QStringList{"Slot Machine Files (*.slt)"});
    EXPECT_EQ(std::tuple(fs::path(startFolder.toStdString()), fs::path(request.file)),
              std::tuple(folder / "machines", machine));
    EXPECT_EQ(fs::current_path(), folder / "machines");

    fs::current_path(folder);
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    EXPECT_FALSE(GetOpenFileName(request));
    EXPECT_EQ(fs::current_path(), folder);
}

// A failure box asked for while Qt resizes the window would run its own loop inside Qt's
// resize code, which may be re-entered and find its objects freed: it is shown once the
// dispatch is over, and the handler goes on as if OK had been pressed.
TEST_F(BoxesAndDialogs, BoxAskedForInsideAQtHandlerWaitsUntilTheDispatchEnds) {
    Open(true);
    SetDialogs(&qtDialogs);
    ShowAndSettle();
    bool inHandler = false;
    std::vector<std::string> order;
    handler = [&](Window* w, const Message& message) {
        if (message.kind != Kind::Size || message.width != 900)
            return DefWindowProc(w, message);
        inHandler = true;
        order.push_back(MessageBox(nullptr, "Failed.\r\n", "D3DRM Example Message", 0) == IDOK
                            ? "answered"
                            : "refused");
        inHandler = false;
        return 0;
    };
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            order.push_back(inHandler ? "box inside the handler" : "box after it");
            box->button(QMessageBox::Ok)->click();
        }
    });
    closer.start(5);
    QTimer::singleShot(0, [&] { qt->resize(900, 400); });
    for (int i = 0; i < 50 && order.size() < 2; ++i)
        events.ProcessPending();
    EXPECT_EQ(order, std::vector<std::string>({"answered", "box after it"}));
}
