// Boxes and dialogs: the recording fake, and the Qt ones driven from inside their own modal
// loops.

#include "platform/win/platform.h"
#include "platform/win/qt_dialogs.h"
#include "platform/win/recording_dialogs.h"
#include "resources/resources.h"
#include "tests/common/temp_path.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace win;
namespace fs = std::filesystem;

namespace {

std::vector<Message> aboutMessages;

// The about box's procedure: only OK closes it.
int AboutProc(Dialog* dialog, const Message& message) {
    aboutMessages.push_back(message);
    if (message.kind == Kind::InitDialog)
        return 1;
    if (message.kind == Kind::Command && message.command == IDOK)
        EndDialog(dialog, 1);
    return 0;
}

// A folder holding one machine file, and the current directory put back afterwards.
class Folder : public testing::Test {
protected:
    void SetUp() override {
        previous_ = fs::current_path();
        folder = TempPath(testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder / "machines");
        std::ofstream(folder / "machines" / "lucky.slt") << "%name Lucky\n";
        std::ofstream(folder / "notes.txt") << "not a machine\n";
        aboutMessages.clear();
        Install(Services{.dialogs = &recording});
    }
    void TearDown() override {
        Install(Services{});
        fs::current_path(previous_);
        fs::remove_all(folder);
    }
    static OpenFileName MachineRequest(const std::string& start) {
        OpenFileName request;
        request.filters = {{"Slot Machine Files", "*.slt"}};
        request.file = start;
        request.flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
        return request;
    }

    RecordingDialogs recording;
    QtDialogs qtDialogs;
    fs::path folder;

private:
    fs::path previous_;
};

} // namespace

TEST_F(Folder, RecordingBoxesAreKeptAndAnsweredOk) {
    EXPECT_EQ(MessageBox(nullptr, "Please wait", "Wait! Wait! Wait!", MB_ICONEXCLAMATION), IDOK);
    EXPECT_EQ(MessageBox(nullptr, nullptr, nullptr, MB_OK), IDOK);
    EXPECT_TRUE(MessageBeep(0));
    ASSERT_EQ(recording.boxes.size(), 2u);
    const RecordingDialogs::Box& box = recording.boxes[0];
    EXPECT_EQ(std::tuple(box.text, box.caption, box.style),
              std::tuple("Please wait", "Wait! Wait! Wait!", MB_ICONEXCLAMATION));
    EXPECT_EQ(recording.boxes[1].text, "");
    EXPECT_EQ(recording.beeps, std::vector<unsigned>{0});
}

TEST_F(Folder, RecordingDialogPressesItsButtonsUntilTheProcedureEndsIt) {
    EXPECT_EQ(DialogBox("AppAbout", nullptr, AboutProc), 1);
    ASSERT_EQ(aboutMessages.size(), 2u);
    EXPECT_EQ(std::tuple(aboutMessages[0].kind, aboutMessages[1].command),
              std::tuple(Kind::InitDialog, IDOK));

    aboutMessages.clear();
    recording.dialogButtons = {IDCANCEL, IDCANCEL, IDOK};
    EXPECT_EQ(DialogBox("AppAbout", nullptr, AboutProc), 1);
    EXPECT_EQ(aboutMessages.size(), 4u);

    recording.dialogButtons = {IDCANCEL};
    EXPECT_EQ(DialogBox("AppAbout", nullptr, AboutProc), -1);
    EXPECT_EQ(DialogBox("NoSuchDialog", nullptr, AboutProc), -1);
    EXPECT_EQ(DialogBox(nullptr, nullptr, AboutProc), -1);
    EXPECT_EQ(DialogBox("AppAbout", nullptr, nullptr), -1);
    EXPECT_EQ(recording.dialogs.size(), 3u);
    EXPECT_FALSE(EndDialog(nullptr, 1));
}

TEST_F(Folder, ChosenFileMakesItsFolderCurrent) {
    const fs::path machine = folder / "machines" / "lucky.slt";
    recording.openAnswers = {machine.string()};
    OpenFileName request = MachineRequest("");
    ASSERT_TRUE(GetOpenFileName(request));
    EXPECT_EQ(fs::path(request.file), machine);
    EXPECT_EQ(fs::current_path(), folder / "machines");
    ASSERT_EQ(recording.openRequests.size(), 1u);
    EXPECT_EQ(recording.openRequests[0].filters[0],
              (std::pair<std::string, std::string>{"Slot Machine Files", "*.slt"}));
    EXPECT_EQ(recording.openRequests[0].flags, 0x1004u);
}

TEST_F(Folder, RelativeAnswerIsTakenFromTheCurrentFolder) {
    fs::current_path(folder);
    recording.openAnswers = {"machines/../machines/lucky.slt"};
    OpenFileName request = MachineRequest("old.slt");
    ASSERT_TRUE(GetOpenFileName(request));
    EXPECT_EQ(fs::path(request.file), folder / "machines" / "lucky.slt");
    EXPECT_EQ(recording.openRequests[0].file, "old.slt");
}

TEST_F(Folder, CancelledMissingOrOverlongChoicesChangeNothing) {
    fs::current_path(folder);
    const std::string machine = (folder / "machines" / "lucky.slt").string();
    recording.openAnswers = {std::nullopt, (folder / "missing.slt").string(), machine};
    OpenFileName request = MachineRequest("start.slt");
    EXPECT_FALSE(GetOpenFileName(request)); // cancelled
    EXPECT_FALSE(GetOpenFileName(request)); // the file must exist
    request.maxFile = machine.size();       // no room for the terminating zero
    EXPECT_FALSE(GetOpenFileName(request));
    EXPECT_FALSE(GetOpenFileName(request)); // no answers left
    EXPECT_EQ(request.file, "start.slt");
    EXPECT_EQ(fs::current_path(), folder);
}

TEST_F(Folder, QtMessageBoxBlocksUntilAnsweredAndShowsItsStyle) {
    SetDialogs(&qtDialogs);
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(MessageBox(nullptr, "Moving scene failed.\nD3DRMERR_BADOBJECT\r\n",
                         "D3DRM Example Message", MB_ICONEXCLAMATION),
              IDOK);
    EXPECT_EQ(std::tuple(title, text, icon),
              std::tuple(QString("D3DRM Example Message"),
                         QString("Moving scene failed.\nD3DRMERR_BADOBJECT\n"),
                         QMessageBox::Warning));
}

TEST_F(Folder, QtAboutBoxIsLaidOutFromItsResourceAndOnlyOkClosesIt) {
    SetDialogs(&qtDialogs);
    bool stillOpenAfterEscape = false;
    QRect okArea, expectedOk;
    QString name;
    bool hasIcon = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = dynamic_cast<ResourceDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        QPushButton* ok = dialog->findChild<QPushButton*>();
        ASSERT_NE(ok, nullptr);
        okArea = ok->geometry();
        expectedOk = dialog->ToPixels(76, 75, 35, 14);
        for (QLabel* label : dialog->findChildren<QLabel*>()) {
            if (!label->text().isEmpty())
                name = label->text();
            if (!label->pixmap().isNull())
                hasIcon = label->pixmap().size() == QSize(32, 32);
        }
        dialog->reject(); // Esc
        stillOpenAfterEscape = dialog->isVisible();
        ok->click();
    });
    EXPECT_EQ(DialogBox("AppAbout", nullptr, AboutProc), 1);
    EXPECT_TRUE(stillOpenAfterEscape);
    EXPECT_EQ(okArea, expectedOk);
    EXPECT_EQ(name, "Kestrel 3D Simulator");
    EXPECT_TRUE(hasIcon);
    ASSERT_EQ(aboutMessages.size(), 3u);
    EXPECT_EQ(std::tuple(aboutMessages[0].kind, aboutMessages[1].command, aboutMessages[2].command),
              std::tuple(Kind::InitDialog, IDCANCEL, IDOK));
}

TEST_F(Folder, QtOpenDialogOffersMachineFilesFromTheStartingName) {
    SetDialogs(&qtDialogs);
    QStringList filters;
    QString startFolder;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        filters = dialog->nameFilters();
        startFolder = dialog->directory().absolutePath();
        dialog->selectFile("lucky.slt");
        static_cast<QDialog*>(dialog)->accept();
    });
    OpenFileName request = MachineRequest((folder / "machines" / "other.slt").string());
    ASSERT_TRUE(GetOpenFileName(request));
    EXPECT_EQ(filters, QStringList{"Slot Machine Files (*.slt)"});
    EXPECT_EQ(fs::path(startFolder.toStdString()), folder / "machines");
    EXPECT_EQ(fs::path(request.file), folder / "machines" / "lucky.slt");
    EXPECT_EQ(fs::current_path(), folder / "machines");
}

TEST_F(Folder, QtOpenDialogCancelledLeavesTheFolder) {
    SetDialogs(&qtDialogs);
    fs::current_path(folder);
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    OpenFileName request = MachineRequest("");
    EXPECT_FALSE(GetOpenFileName(request));
    EXPECT_EQ(request.file, "");
    EXPECT_EQ(fs::current_path(), folder);
}
