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

// ---- ClientSurface

ClientSurface::ClientSurface(QtWindow& owner) : owner_(owner), store_(this) {
    setSurfaceType(QSurface::RasterSurface);
}

QSize ClientSurface::PixelSize() const {
    return (QSizeF(size()) * devicePixelRatio()).toSize();
}

// Begins painting the whole store, made `logical` large, once until the next flush; null when
// the store has no image.
QImage* ClientSurface::Open(QSize logical) {
    if (open_ && store_.size() != logical) {
        store_.endPaint(); // a frame left unfinished, now wanted at another size
        open_ = false;
    }
    if (!open_) {
        if (store_.size() != logical) {
            store_.resize(logical);
            holds_ = Holds::Nothing;
        }
        store_.beginPaint(QRect(QPoint(), store_.size()));
        open_ = true;
    }
    QPaintDevice* device = store_.paintDevice();
    return device && device->devType() == QInternal::Image ? static_cast<QImage*>(device) : nullptr;
}

void ClientSurface::Flush() {
    if (!open_)
        return;
    store_.endPaint();
    open_ = false;
    store_.flush(QRect(QPoint(), size()).intersected(QRect(QPoint(), store_.size())));
    presented_ = true;
}

Window::Canvas ClientSurface::Lend(int width, int height) {
    // A frame larger than the area is shown in part, as a picture would be: a device only
    // grows with its window, so the store takes the frame's size.
    const QSize frame(width, height);
    const QSize logical = (QSizeF(frame) / devicePixelRatio()).toSize();
    const bool covers = width >= PixelSize().width() && height >= PixelSize().height();
    if (!isExposed() || size().isEmpty() || !covers ||
        (QSizeF(logical) * devicePixelRatio()).toSize() != frame)
        return {};
    QImage* image = Open(logical);
    // Opaque 0xFFRRGGBB pixels read the same in each of these formats.
    const bool fits =
        image && image->size() == frame && image->bytesPerLine() == qsizetype(width) * 4 &&
        (image->format() == QImage::Format_RGB32 || image->format() == QImage::Format_ARGB32 ||
         image->format() == QImage::Format_ARGB32_Premultiplied);
    if (!fits)
        return {};
    auto* pixels = reinterpret_cast<uint32_t*>(image->bits());
    // A store that moved its pixels, say for another pixel ratio, holds nothing drawn before.
    const bool kept = (holds_ == Holds::Frame || lending_) && pixels == lent_;
    lent_ = pixels;
    lending_ = true;
    return {.pixels = pixels, .kept = kept};
}

void ClientSurface::Show(const base::Image* picture) {
    if (!isExposed()) {
        // Shown again when exposed, from what the program shows then.
        if (open_)
            store_.endPaint();
        open_ = false;
        lending_ = false;
        return;
    }
    // A lent frame is shown at its own size, a picture at the area's.
    const bool frame = !picture && (lending_ || holds_ == Holds::Frame);
    QImage* image = Open(frame ? store_.size() : size());
    if (!image) {
        holds_ = Holds::Nothing;
    } else if (picture) {
        DrawOnBlack(*picture, *image);
        holds_ = Holds::Picture;
    } else if (frame) {
        holds_ = Holds::Frame;
    } else if (holds_ == Holds::Nothing) {
        image->fill(Qt::black);
    }
    lending_ = false;
    Flush();
}

void ClientSurface::DrawOnBlack(const base::Image& picture, QImage& image) {
    image.fill(Qt::black);
    const bool whole =
        !picture.Empty() && picture.pixels.size() >= size_t(picture.width) * picture.height;
    if (!whole)
        return;
    const int width = std::min(picture.width, image.width());
    for (int y = 0; y < std::min(picture.height, image.height()); ++y) {
        auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
        const uint32_t* from = &picture.pixels[size_t(y) * picture.width];
        for (int x = 0; x < width; ++x)
            row[x] = from[x] | 0xFF000000u;
    }
}

QImage ClientSurface::Shown() {
    const QPaintDevice* device = store_.paintDevice();
    if (holds_ == Holds::Nothing || !device || device->devType() != QInternal::Image)
        return QImage();
    // A copy of its own: sharing the store's image would move the store's pixels at the next
    // write.
    const QImage& image = *static_cast<const QImage*>(device);
    return image.format() == QImage::Format_RGB32 ? image.copy()
                                                  : image.convertToFormat(QImage::Format_RGB32);
}

void ClientSurface::Repaint() {
    presented_ = false;
    owner_.PaintFromView();
    if (!presented_)
        Show(nullptr); // the program showed nothing: what the store holds, or black
}

void ClientSurface::exposeEvent(QExposeEvent* /*event*/) {
    if (isExposed())
        Repaint();
}

void ClientSurface::resizeEvent(QResizeEvent* /*event*/) {
    if (!owner_.isMinimized())
        owner_.ClientResized(PixelSize().width(), PixelSize().height(), SizeTypeOf(owner_));
}

void ClientSurface::PostMouse(Kind kind, const QMouseEvent& event) {
    const QPointF pixel = event.position() * devicePixelRatio();
    const QPoint at(int(std::floor(pixel.x())), int(std::floor(pixel.y())));
    PostMessage(Message{.kind = kind,
                        .window = &owner_,
                        .x = at.x(),
                        .y = at.y(),
                        .modifiers = ModifiersOf(event.modifiers())});
}

void ClientSurface::mousePressEvent(QMouseEvent* event) {
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

void ClientSurface::mouseReleaseEvent(QMouseEvent* event) {
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

void ClientSurface::mouseMoveEvent(QMouseEvent* event) {
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
    surface_ = new ClientSurface(*this);
    view_ = QWidget::createWindowContainer(surface_, central);
    view_->setFocusPolicy(Qt::StrongFocus);
    view_->setMinimumSize(1, 1);
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
    SetClientSize(ClientPixels().width(), ClientPixels().height());
    qApp->installEventFilter(this);
}

QtWindow::~QtWindow() {
    qApp->removeEventFilter(this);
}

// The container's size: the surface has none until the window is first shown.
QSize QtWindow::ClientPixels() const {
    return (QSizeF(view_->size()) * view_->devicePixelRatio()).toSize();
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
    if (isVisible() && surface_->isExposed())
        surface_->Repaint();
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
    Window::SetClientImage(picture);
    surface_->Show(picture.get());
}

const base::Image& QtWindow::ClientImage() const {
    if (!Window::ClientImage().Empty())
        return Window::ClientImage();
    // The frame was drawn into the store: a copy of it, made when asked for.
    const QImage shown = surface_->Shown();
    shot_.Resize(shown.width(), shown.height());
    for (int y = 0; y < shown.height(); ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(shown.constScanLine(y));
        std::copy(row, row + shown.width(), &shot_.At(0, y));
    }
    return shot_;
}

Window::Canvas QtWindow::LendClientPixels(int width, int height) {
    return surface_->Lend(width, height);
}

void QtWindow::PaintFromView() {
    InvalidateClient();
    PaintClient();
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
            ClientResized(ClientPixels().width(), ClientPixels().height(), SizeTypeOf(*this));
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
    const bool ours = watched == surface_ || (widget && widget->window() == this &&
                                              !qobject_cast<const QMenuBar*>(widget));
    if (!ours)
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
    const QPointF at = (QPointF(x, y) + QPointF(0.5, 0.5)) / surface_->devicePixelRatio();
    const QPointF global = surface_->mapToGlobal(at);
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, global, Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(surface_, &event);
    }
    return true;
}

} // namespace win
