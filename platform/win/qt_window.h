#pragma once
// The window on the screen: a QMainWindow with the menu bar, the client area (the 3D view) and
// the two scroll bars beside it. Qt's events become the platform's messages: key presses,
// clicks and menu choices are posted to the message queue, so accelerators translate keys
// before anything else sees them; sizing, activation, painting, scrolling, popups opening and
// closing are sent to the window procedure at once.

#include "platform/win/window.h"

#include <QMainWindow>
#include <QScrollBar>
#include <unordered_map>

class QMenu;

namespace win {

class QtWindow;

// The client area: shows the renderer's image 1:1 on black. Its client pixels are the
// screen's own: on a screen with a device pixel ratio above 1 the picture is as many pixels
// as the view covers on the screen, not the view's logical size, and mouse positions are
// turned into such pixels.
class ClientView : public QWidget {
public:
    explicit ClientView(QtWindow& owner);
    // The view's size in the screen's pixels.
    QSize PixelSize() const;
    // Wraps the picture's pixels without copying them; the owner holds the picture while the
    // view shows it. Null shows black.
    void Show(const base::Image* picture);
    const QImage& Shown() const { return image_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void PostMouse(Kind kind, const QMouseEvent& event);
    QtWindow& owner_;
    QImage image_;
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
    bool RequestClientSize(int width, int height) override;
    bool ClickClient(int x, int y) override;

    ClientView* View() const { return view_; }
    RequestingScrollBar* ScrollBarWidget(int bar) const;
    QMenu* PopupWidget(const Menu* popup) const;
    bool InPaint() const { return inPaint_; }
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

    ClientView* view_;
    RequestingScrollBar* bars_[2];
    std::unordered_map<const Menu*, QMenu*> popups_;
    bool inPaint_ = false;
};

} // namespace win
