#include "platform/win/qt_window.h"

#include "platform/win/platform.h"
#include "platform/win/qt_dialogs.h"
#include "platform/win/qt_keys.h"
#include "platform/win/qt_support.h"

#include <algorithm>
#include <cmath>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>

namespace win {
namespace {

unsigned ModifiersOf(Qt::KeyboardModifiers modifiers) {
    unsigned result = 0;
    if (modifiers & Qt::ShiftModifier)
        result |= MOD_SHIFT;
    if (modifiers & Qt::ControlModifier)
        result |= MOD_CONTROL;
    if (modifiers & Qt::AltModifier)
        result |= MOD_ALT;
    return result;
}

int SizeTypeOf(const QWidget& window) {
    if (window.isMinimized())
        return SIZE_MINIMIZED;
    return window.isMaximized() ? SIZE_MAXIMIZED : SIZE_RESTORED;
}

void ShowItem(QAction& action, const MenuItem& item) {
    action.setText(FromSystemText(item.text));
    // Only checked items are checkable, so Qt draws no empty box beside the others.
    if (item.checked) {
        action.setCheckable(true);
        action.setChecked(true);
    } else {
        action.setChecked(false);
        action.setCheckable(false);
    }
    action.setEnabled(!item.grayed);
}

int ScrollRequestOf(int action) {
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
        return SB_LINEUP;
    case QAbstractSlider::SliderSingleStepAdd:
        return SB_LINEDOWN;
    case QAbstractSlider::SliderPageStepSub:
        return SB_PAGEUP;
    case QAbstractSlider::SliderPageStepAdd:
        return SB_PAGEDOWN;
    case QAbstractSlider::SliderMove:
        return SB_THUMBTRACK;
    case QAbstractSlider::SliderToMinimum:
        return SB_TOP;
    case QAbstractSlider::SliderToMaximum:
        return SB_BOTTOM;
    default:
        return -1;
    }
}

} // namespace

// ---- ClientView

ClientView::ClientView(QtWindow& owner) : owner_(owner) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(1, 1);
}

QSize ClientView::PixelSize() const {
    return (QSizeF(size()) * devicePixelRatio()).toSize();
}

void ClientView::Show(const base::Image* picture) {
    const bool whole = picture && !picture->Empty() &&
                       picture->pixels.size() >= size_t(picture->width) * picture->height;
    if (!whole) {
        image_ = QImage();
        return;
    }
    // Read-only bits: Qt never writes into them, nor copies them to draw them.
    const auto* bits = reinterpret_cast<const uchar*>(picture->pixels.data());
    image_ =
        QImage(bits, picture->width, picture->height, picture->width * 4, QImage::Format_RGB32);
    // Drawn pixel for pixel on the screen, not scaled up.
    image_.setDevicePixelRatio(devicePixelRatio());
}

void ClientView::paintEvent(QPaintEvent* /*event*/) {
    owner_.PaintFromView();
    QPainter painter(this);
    painter.drawImage(0, 0, image_);
    // The picture is opaque: black goes only where it does not reach.
    const QSizeF covered = image_.deviceIndependentSize();
    const QSizeF view = size();
    if (covered.width() < view.width())
        painter.fillRect(QRectF(covered.width(), 0, view.width() - covered.width(), view.height()),
                         Qt::black);
    if (covered.height() < view.height())
        painter.fillRect(QRectF(0, covered.height(), std::min(covered.width(), view.width()),
                                view.height() - covered.height()),
                         Qt::black);
}

void ClientView::resizeEvent(QResizeEvent* /*event*/) {
    if (!owner_.isMinimized())
        owner_.ClientResized(PixelSize().width(), PixelSize().height(), SizeTypeOf(owner_));
}

void ClientView::PostMouse(Kind kind, const QMouseEvent& event) {
    const QPointF pixel = event.position() * devicePixelRatio();
    const QPoint at(int(std::floor(pixel.x())), int(std::floor(pixel.y())));
    PostMessage(Message{.kind = kind,
                        .window = &owner_,
                        .x = at.x(),
                        .y = at.y(),
                        .modifiers = ModifiersOf(event.modifiers())});
}

void ClientView::mousePressEvent(QMouseEvent* event) {
    switch (event->button()) {
    case Qt::LeftButton:
        PostMouse(Kind::LButtonDown, *event);
        break;
    case Qt::RightButton:
        PostMouse(Kind::RButtonDown, *event);
        break;
    case Qt::MiddleButton:
        PostMouse(Kind::MButtonDown, *event);
        break;
    default:
        break;
    }
}

void ClientView::mouseReleaseEvent(QMouseEvent* event) {
    switch (event->button()) {
    case Qt::LeftButton:
        PostMouse(Kind::LButtonUp, *event);
        break;
    case Qt::RightButton:
        PostMouse(Kind::RButtonUp, *event);
        break;
    case Qt::MiddleButton:
        PostMouse(Kind::MButtonUp, *event);
        break;
    default:
        break;
    }
}

void ClientView::mouseMoveEvent(QMouseEvent* event) {
    PostMouse(Kind::MouseMove, *event);
}

// ---- RequestingScrollBar

RequestingScrollBar::RequestingScrollBar(Qt::Orientation orientation, QtWindow& owner)
    : QScrollBar(orientation), owner_(owner) {
    setFocusPolicy(Qt::NoFocus);
    setRange(0, 0);
    setPageStep(1);
    hide();
    connect(this, &QAbstractSlider::actionTriggered, this,
            [this](int action) { OnAction(action); });
}

void RequestingScrollBar::ShowState(int min, int max, int position) {
    setRange(min, max);
    setValue(position);
    setVisible(min < max);
}

void RequestingScrollBar::Request(int request, int thumb) {
    const Kind kind = orientation() == Qt::Horizontal ? Kind::HScroll : Kind::VScroll;
    owner_.SendMessage(Message{.kind = kind, .request = request, .thumb = thumb});
}

void RequestingScrollBar::OnAction(int action) {
    const int request = ScrollRequestOf(action);
    if (request < 0)
        return;
    // Qt has already moved the slider; the bar must stay where the program last put it.
    const int thumb = sliderPosition();
    setSliderPosition(value());
    if (request == SB_THUMBTRACK)
        lastThumb_ = thumb;
    Request(request, thumb);
}

void RequestingScrollBar::mouseReleaseEvent(QMouseEvent* event) {
    const bool dragging = isSliderDown();
    QScrollBar::mouseReleaseEvent(event);
    if (dragging)
        Request(SB_THUMBPOSITION, lastThumb_);
    Request(SB_ENDSCROLL, 0);
}

void RequestingScrollBar::wheelEvent(QWheelEvent* event) {
    const QPoint delta = event->angleDelta();
    const int amount = delta.y() != 0 ? delta.y() : delta.x();
    if (amount != 0)
        Request(amount > 0 ? SB_LINEUP : SB_LINEDOWN, 0);
    event->accept();
}

// ---- QtWindow

QtWindow::QtWindow(WindowProc proc, const std::string& title, int width, int height,
                   std::unique_ptr<Menu> menu, const QIcon& icon)
    : Window(proc, title, std::move(menu)) {
    setWindowTitle(FromSystemText(title));
    setWindowIcon(icon);

    auto* central = new QWidget(this);
    auto* grid = new QGridLayout(central);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    view_ = new ClientView(*this);
    bars_[SB_HORZ] = new RequestingScrollBar(Qt::Horizontal, *this);
    bars_[SB_VERT] = new RequestingScrollBar(Qt::Vertical, *this);
    grid->addWidget(view_, 0, 0);
    grid->addWidget(bars_[SB_VERT], 0, 1);
    grid->addWidget(bars_[SB_HORZ], 1, 0);
    setCentralWidget(central);
    BuildMenuBar();

    resize(width, height);
    // The client size must be right before the window is first shown: start-up creates the
    // 3D device for it while the window is still hidden.
    ensurePolished();
    layout()->invalidate();
    layout()->activate();
    centralWidget()->layout()->activate();
    SetClientSize(view_->PixelSize().width(), view_->PixelSize().height());
    qApp->installEventFilter(this);
}

QtWindow::~QtWindow() {
    qApp->removeEventFilter(this);
    view_->Show(nullptr); // the picture goes with Window, before the view
}

RequestingScrollBar* QtWindow::ScrollBarWidget(int bar) const {
    return bar == SB_HORZ || bar == SB_VERT ? bars_[bar] : nullptr;
}

QMenu* QtWindow::PopupWidget(const Menu* popup) const {
    const auto found = popups_.find(popup);
    return found == popups_.end() ? nullptr : found->second;
}

void QtWindow::ShowWindow(int showCommand) {
    Window::ShowWindow(showCommand);
    switch (showCommand) {
    case SW_HIDE:
        hide();
        return;
    case SW_SHOWMINIMIZED:
        showMinimized();
        break;
    case SW_SHOWMAXIMIZED:
        showMaximized();
        break;
    default:
        show();
        break;
    }
    // Showing activates, as on the platform; without a window manager (Xvfb) nothing else would.
    activateWindow();
    view_->setFocus();
}

void QtWindow::UpdateWindow() {
    // The paint runs in Qt's handler even when asked for here.
    const QtDispatch dispatching;
    if (isVisible())
        view_->repaint();
}

void QtWindow::DestroyWindow() {
    if (IsDestroyed())
        return;
    Window::DestroyWindow();
    hide();
}

int QtWindow::ColorDepth() const {
    const QScreen* display = screen() ? screen() : QGuiApplication::primaryScreen();
    return display ? display->depth() : Window::ColorDepth();
}

double QtWindow::RefreshRate() const {
    const QScreen* display = screen() ? screen() : QGuiApplication::primaryScreen();
    const double rate = display ? display->refreshRate() : 0.0;
    return rate > 0 ? rate : Window::RefreshRate();
}

void QtWindow::SetClientImage(const base::Picture& picture) {
    // The view lets go of the pixels it wraps before the window lets go of their picture.
    view_->Show(picture.get());
    Window::SetClientImage(picture);
    // Inside a paint the view draws the new picture as it finishes.
    if (!inPaint_)
        view_->update();
}

void QtWindow::PaintFromView() {
    inPaint_ = true;
    InvalidateClient();
    PaintClient();
    inPaint_ = false;
}

void QtWindow::TitleChanged() {
    setWindowTitle(FromSystemText(GetWindowText()));
}

void QtWindow::ScrollBarChanged(int bar) {
    int min = 0;
    int max = 0;
    GetScrollRange(bar, &min, &max);
    bars_[bar]->ShowState(min, max, GetScrollPos(bar));
}

void QtWindow::MenuChanged(Menu& menu) {
    if (&menu == GetMenu()) {
        BuildMenuBar();
        return;
    }
    if (QMenu* widget = PopupWidget(&menu))
        FillPopup(widget, menu);
}

void QtWindow::BuildMenuBar() {
    menuBar()->clear();
    popups_.clear();
    Menu* bar = GetMenu();
    for (int i = 0; bar && i < bar->GetMenuItemCount(); ++i) {
        Menu* popup = bar->GetSubMenu(i);
        if (!popup)
            continue;
        QMenu* widget = menuBar()->addMenu(FromSystemText(bar->ItemAt(i)->text));
        popups_[popup] = widget;
        FillPopup(widget, *popup);
        connect(widget, &QMenu::aboutToShow, this, [this, popup] {
            SendMessage(Message{.kind = Kind::InitMenuPopup, .menu = popup});
        });
    }
}

// Keeps the widget's actions in step with the menu: marks and texts are updated in place (a
// popup may be open), a changed number of items rebuilds the actions.
void QtWindow::FillPopup(QMenu* widget, Menu& popup) {
    if (widget->actions().size() != popup.GetMenuItemCount()) {
        widget->clear();
        for (int i = 0; i < popup.GetMenuItemCount(); ++i) {
            const MenuItem& item = *popup.ItemAt(i);
            if (item.separator) {
                widget->addSeparator();
                continue;
            }
            QAction* action = widget->addAction(QString());
            const int command = item.command;
            connect(action, &QAction::triggered, this, [this, widget, &popup, command] {
                PostMessage(Message{.kind = Kind::Command, .window = this, .command = command});
                FillPopup(widget, popup); // Qt flipped the check of a checkable item itself
            });
        }
    }
    const QList<QAction*> actions = widget->actions();
    for (int i = 0; i < popup.GetMenuItemCount(); ++i) {
        const MenuItem& item = *popup.ItemAt(i);
        if (!item.separator)
            ShowItem(*actions[i], item);
    }
}

void QtWindow::closeEvent(QCloseEvent* event) {
    // The program decides: Close goes to the window procedure, whose default destroys.
    event->ignore();
    SendMessage(Message{.kind = Kind::Close});
}

void QtWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange) {
        if (isMinimized())
            ClientResized(0, 0, SIZE_MINIMIZED);
        else if (IsMinimized())
            ClientResized(view_->PixelSize().width(), view_->PixelSize().height(),
                          SizeTypeOf(*this));
    }
    QMainWindow::changeEvent(event);
}

bool QtWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::WindowDeactivate)
        SendMessage(
            Message{.kind = Kind::Activate, .active = event->type() == QEvent::WindowActivate});
    return QMainWindow::event(event);
}

bool QtWindow::eventFilter(QObject* watched, QEvent* event) {
    const bool key = event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease;
    if (!key || IsDestroyed())
        return false;
    const auto* widget = qobject_cast<QWidget*>(watched);
    // The menu bar keeps its own keyboard navigation, as the platform's menu loop does.
    if (!widget || widget->window() != this || qobject_cast<const QMenuBar*>(widget))
        return false;
    return PostKey(static_cast<const QKeyEvent&>(*event));
}

bool QtWindow::PostKey(const QKeyEvent& event) {
    if (event.isAutoRepeat() && event.type() == QEvent::KeyRelease)
        return true;
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    const bool press = event.type() == QEvent::KeyPress;
    const QString text = event.text();
    PostMessage(
        Message{.kind = press ? Kind::KeyDown : Kind::KeyUp,
                .window = this,
                .key = VirtualKeyFromQt(event.key(), modifiers & Qt::KeypadModifier),
                .character = press ? TypedCharacter(event.key(), modifiers & Qt::ControlModifier,
                                                    modifiers & Qt::AltModifier,
                                                    text.isEmpty() ? u'\0' : text.at(0).unicode())
                                   : 0,
                .modifiers = ModifiersOf(modifiers)});
    return true;
}

bool QtWindow::RequestClientSize(int width, int height) {
    const QSize wanted = (QSizeF(width, height) / view_->devicePixelRatio()).toSize();
    resize(size() + wanted - view_->size());
    return true;
}

bool QtWindow::ClickClient(int x, int y) {
    // The middle of the screen pixel, which the view's logical position maps back into.
    const QPointF at = (QPointF(x, y) + QPointF(0.5, 0.5)) / view_->devicePixelRatio();
    const QPointF global = view_->mapToGlobal(at);
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, global, Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(view_, &event);
    }
    return true;
}

} // namespace win
