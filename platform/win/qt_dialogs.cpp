#include "platform/win/qt_dialogs.h"

#include "platform/win/platform.h"
#include "platform/win/qt_support.h"
#include "platform/win/qt_window.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace win {
namespace {

QWidget* WidgetOf(Window* window) {
    return dynamic_cast<QtWindow*>(window);
}

QMessageBox::Icon IconOf(unsigned style) {
    switch (style & MB_ICONMASK) {
    case MB_ICONHAND:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONEXCLAMATION:
        return QMessageBox::Warning;
    case MB_ICONASTERISK:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

// The platform's boxes end lines in "\r\n"; Qt wants "\n" alone.
QString BoxText(const std::string& text) {
    return FromSystemText(text).remove(u'\r');
}

} // namespace

// ---- ResourceDialog

ResourceDialog::ResourceDialog(const DialogResource& resource, QWidget* owner, DialogProc proc)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint), proc_(proc) {
    setWindowTitle(FromSystemText(resource.title));
    setFont(QFont(resource.fontName, resource.fontPoints));
    // The platform's dialog base units: the font's average character width and its height.
    const QFontMetrics metrics(font());
    const QString alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    baseWidth_ = std::max(1, (metrics.horizontalAdvance(alphabet) / 26 + 1) / 2);
    baseHeight_ = std::max(1, metrics.height());

    const QRect area = ToPixels(resource.x, resource.y, resource.width, resource.height);
    setFixedSize(area.size());
    // Placed relative to the owner's client area, as the platform places dialogs.
    const auto* ownerWindow = dynamic_cast<QtWindow*>(owner);
    const QWidget* origin = ownerWindow ? ownerWindow->View() : owner;
    if (origin)
        move(origin->mapToGlobal(QPoint(area.x(), area.y())));
    auto* border = new QFrame(this);
    border->setFrameStyle(QFrame::Panel | QFrame::Raised);
    border->setGeometry(rect());
    for (const DialogControlResource& control : resource.controls)
        AddControl(control);
}

QRect ResourceDialog::ToPixels(int x, int y, int width, int height) const {
    return QRect(x * baseWidth_ / 4, y * baseHeight_ / 8, width * baseWidth_ / 4,
                 height * baseHeight_ / 8);
}

void ResourceDialog::AddControl(const DialogControlResource& control) {
    QRect area = ToPixels(control.x, control.y, control.width, control.height);
    const QString text = FromSystemText(control.text ? control.text : "");
    QWidget* widget = nullptr;
    switch (control.kind) {
    case ControlKind::DefaultButton:
    case ControlKind::Button: {
        auto* button = new QPushButton(text, this);
        button->setDefault(control.kind == ControlKind::DefaultButton);
        button->setAutoDefault(control.kind == ControlKind::DefaultButton);
        const int id = control.id;
        connect(button, &QPushButton::clicked, this, [this, id] { Press(id); });
        widget = button;
        break;
    }
    case ControlKind::CenteredText:
    case ControlKind::Text: {
        auto* label = new QLabel(text, this);
        label->setAlignment(control.kind == ControlKind::CenteredText ? Qt::AlignHCenter
                                                                      : Qt::AlignLeft);
        widget = label;
        break;
    }
    case ControlKind::Icon: {
        auto* label = new QLabel(this);
        if (const IconResource* icon = FindIconResource(control.text))
            label->setPixmap(IconPixmap(*icon));
        // Like the platform's icon control, the picture keeps its own size.
        area.setSize(label->sizeHint().expandedTo(area.size()));
        widget = label;
        break;
    }
    }
    widget->setObjectName(text);
    widget->setGeometry(area);
}

void ResourceDialog::Press(int id) {
    if (proc_)
        proc_(this, Message{.kind = Kind::Command, .command = id});
}

void ResourceDialog::reject() {
    Press(IDCANCEL);
}

// ---- QtDialogs

int QtDialogs::MessageBox(Window* owner, const std::string& text, const std::string& caption,
                          unsigned style) {
    if (QtDispatch::Active()) {
        deferred_.push_back(Box{text, caption, style});
        return IDOK;
    }
    QMessageBox box(IconOf(style), FromSystemText(caption), BoxText(text), QMessageBox::Ok,
                    WidgetOf(owner));
    box.setTextFormat(Qt::PlainText);
    const QtDispatch dispatching;
    box.exec();
    return IDOK;
}

void QtDialogs::ShowDeferredBoxes() {
    // The owner may be gone by now; a box without one is what the program shows anyway.
    while (!deferred_.empty() && !QtDispatch::Active()) {
        const Box box = deferred_.front();
        deferred_.pop_front();
        QtDialogs().MessageBox(nullptr, box.text, box.caption, box.style);
    }
}

void QtDialogs::MessageBeep(unsigned /*type*/) {
    QApplication::beep();
}

int QtDialogs::DialogBox(const DialogResource& resource, Window* owner, DialogProc proc) {
    ResourceDialog dialog(resource, WidgetOf(owner), proc);
    if (proc(&dialog, Message{.kind = Kind::InitDialog}) != 0) {
        for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
            if (button->isDefault())
                button->setFocus();
        }
    }
    const QtDispatch dispatching;
    return dialog.exec();
}

bool QtDialogs::ChooseOpenFile(OpenFileName& request) {
    // No owner: the platform's dialog without one leaves the main window alone.
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode((request.flags & OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile
                                                           : QFileDialog::AnyFile);
    QStringList filters;
    for (const auto& [description, pattern] : request.filters)
        filters << FromSystemText(description) + " (" + FromSystemText(pattern) + ")";
    dialog.setNameFilters(filters);
    if (!request.file.empty()) {
        const QFileInfo start(FromSystemText(request.file));
        dialog.setDirectory(start.absolutePath());
        dialog.selectFile(start.fileName());
    }
    const QtDispatch dispatching;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    request.file = dialog.selectedFiles().first().toStdString();
    return true;
}

} // namespace win
