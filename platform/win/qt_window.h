#pragma once
// The window on the screen: a QMainWindow with the menu bar, the client area (the 3D view) and
// the two scroll bars beside it. Qt's events become the platform's messages: key presses,
// clicks and menu choices are posted to the message queue, so accelerators translate keys
// before anything else sees them; sizing, activation, painting, scrolling, popups opening and
// closing are sent to the window procedure at once.

#include "platform/win/window.h"

#include <QBackingStore>
#include <QMainWindow>
#include <QScrollBar>
#include <QWindow>
#include <unordered_map>

class QMenu;

namespace win {

class QtWindow;

// The client area: a window of its own with its own backing store, whose pixels the renderer
// may draw into directly, so that a frame reaches the screen without a copy. A picture handed
// over instead is drawn 1:1 on black. Its client pixels are the screen's own: on a screen
// with a device pixel ratio above 1 the store is as many pixels as the area covers on the
// screen, not its logical size, and mouse positions are turned into such pixels.
class ClientSurface : public QWindow {
public:
    explicit ClientSurface(QtWindow& owner);
    // The area's size in the screen's pixels.
    QSize PixelSize() const;
    // The store's pixels, open for a frame of this size in screen pixels, or none: the frame
    // must cover the area.
    Window::Canvas Lend(int width, int height);
    // Puts the picture on the screen, or with none the frame drawn into the lent pixels.
    void Show(const base::Image* picture);
    // What the store holds, as the screen shows it; null before anything was shown.
    QImage Shown();
    // Asks the program to show its frame again, and shows black if it has none.
    void Repaint();

protected:
    void exposeEvent(QExposeEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QImage* Open(QSize logical);
    void Flush();
    static void DrawOnBlack(const base::Image& picture, QImage& image);
    void PostMouse(Kind kind, const QMouseEvent& event);
    QtWindow& owner_;
    QBackingStore store_;
    enum class Holds { Nothing, Picture, Frame }; // what the store's pixels show
    Holds holds_ = Holds::Nothing;
    bool open_ = false;              // between the store's beginPaint and endPaint
    bool lending_ = false;           // a frame is being drawn into the store's pixels
    bool presented_ = false;         // something was put on the screen since Repaint began
    const uint32_t* lent_ = nullptr; // the pixels lent last
};

// A scroll bar that only asks: each user action becomes a scroll message, and the bar moves
// only when the window procedure sets its position.
class RequestingScrollBar : public QScrollBar {
public:
    RequestingScrollBar(Qt::Orientation orientation, QtWindow& owner);
    void ShowState(int min, int max, int position);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void Request(int request, int thumb);
    void OnAction(int action);
    QtWindow& owner_;
    int lastThumb_ = 0;
};

class QtWindow : public QMainWindow, public Window {
public:
    QtWindow(WindowProc proc, const std::string& title, int width, int height,
             std::unique_ptr<Menu> menu, const QIcon& icon);
    ~QtWindow() override;

    void ShowWindow(int showCommand) override;
    void UpdateWindow() override;
    void DestroyWindow() override;
    int ColorDepth() const override;
    double RefreshRate() const override;
    void SetClientImage(const base::Picture& picture) override;
    const base::Image& ClientImage() const override;
    Canvas LendClientPixels(int width, int height) override;
    bool RequestClientSize(int width, int height) override;
    bool ClickClient(int x, int y) override;

    // The client area as a widget among the others, and the window inside it.
    QWidget* View() const { return view_; }
    ClientSurface* Surface() const { return surface_; }
    RequestingScrollBar* ScrollBarWidget(int bar) const;
    QMenu* PopupWidget(const Menu* popup) const;
    void PaintFromView();

protected:
    void TitleChanged() override;
    void ScrollBarChanged(int bar) override;
    void MenuChanged(Menu& menu) override;

    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenuBar();
    void FillPopup(QMenu* widget, Menu& popup);
    bool PostKey(const QKeyEvent& event);
    QSize ClientPixels() const;

    ClientSurface* surface_;
    QWidget* view_;
    RequestingScrollBar* bars_[2];
    std::unordered_map<const Menu*, QMenu*> popups_;
    mutable base::Image shot_; // ClientImage() of the store
};

} // namespace win
