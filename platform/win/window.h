#pragma once
// A top-level window as the shell sees it: a window procedure receiving typed messages, a
// title, a menu bar, two scroll bars beside the client area, and a client area showing the
// image the renderer hands it. This class keeps all of that in memory without a screen (tests
// and headless runs use it as it is); QtWindow puts it on one.

#include "platform/base/image.h"
#include "platform/win/menu.h"
#include "platform/win/win_types.h"

#include <memory>
#include <string>

namespace win {

using WindowProc = int (*)(Window* window, const Message& message);

class Window {
public:
    Window(WindowProc proc, std::string title, std::unique_ptr<Menu> menu);
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Calls the window procedure at once with the message addressed to this window. Returns
    // its result, or 0 once the window is destroyed.
    int SendMessage(Message message);

    void SetWindowText(const std::string& text);
    const std::string& GetWindowText() const { return title_; }

    // The menu bar, null for a window without a menu.
    Menu* GetMenu() const { return menu_.get(); }

    // Scroll bars (SB_HORZ, SB_VERT): a bar shows while its range is not empty. Positions are
    // clamped to the range. SetScrollPos returns the previous position.
    bool SetScrollRange(int bar, int min, int max, bool redraw);
    bool GetScrollRange(int bar, int* min, int* max) const;
    int SetScrollPos(int bar, int position, bool redraw);
    int GetScrollPos(int bar) const;
    bool IsScrollBarShown(int bar) const;

    virtual void ShowWindow(int showCommand);
    bool IsVisible() const { return visible_; }
    bool IsMinimized() const { return minimized_; }

    // Paints the client area now if it needs painting.
    virtual void UpdateWindow();
    // Sends Destroy once and hides the window; later messages are not delivered.
    virtual void DestroyWindow();
    bool IsDestroyed() const { return destroyed_; }

    int ClientWidth() const { return clientWidth_; }
    int ClientHeight() const { return clientHeight_; }
    // Colour depth of the display the window is on, in bits per pixel.
    virtual int ColorDepth() const { return 32; }
    // How many pictures a second the display the window is on shows.
    virtual double RefreshRate() const { return DEFAULT_REFRESH_RATE; }
    static constexpr double DEFAULT_REFRESH_RATE = 60.0;

    // The renderer's picture, shown 1:1 at the client area's top left on black. The window
    // holds it, without a copy, until the next one. A window that lent its pixels is given
    // none once the frame drawn into them is finished, and shows them.
    virtual void SetClientImage(const base::Picture& picture);
    // What the client area shows.
    virtual const base::Image& ClientImage() const;
    // Pixels of the screen's own for the renderer to draw a frame of this size into, rows
    // packed, 0xFFRRGGBB, so that nothing copies the frame to show it; none when the window
    // has no such pixels or not of this size.
    struct Canvas {
        uint32_t* pixels = nullptr;
        bool kept = false; // they still hold the frame drawn into them last
    };
    virtual Canvas LendClientPixels(int /*width*/, int /*height*/) { return {}; }

    // True only while a Paint message is being handled for a client area that needed it.
    bool GetUpdateRect() const { return painting_ && invalid_; }
    void InvalidateClient() { invalid_ = true; }

    // What the system does when the user resizes, minimises or restores the window: records
    // the new client size and sends Size (SIZE_MINIMIZED with 0 by 0).
    void ClientResized(int width, int height, int sizeType);
    // Records the client size without telling the procedure, as at creation.
    void SetClientSize(int width, int height);
    // Asks the screen to make the client area this size. False when the window is not on a
    // screen; otherwise the screen answers later, through the usual Size messages.
    virtual bool RequestClientSize(int /*width*/, int /*height*/) { return false; }
    // Sends Paint with the update region set, then validates the client area.
    void PaintClient();
    // Presses and releases the left button at client pixel x, y as the user does, through the
    // screen. False when the window is not on a screen.
    virtual bool ClickClient(int /*x*/, int /*y*/) { return false; }

protected:
    virtual void TitleChanged() {}
    virtual void ScrollBarChanged(int /*bar*/) {}
    virtual void MenuChanged(Menu& /*menu*/) {}

private:
    struct ScrollBar {
        int min = 0;
        int max = 0;
        int position = 0;
    };
    ScrollBar* Bar(int bar);
    const ScrollBar* Bar(int bar) const;

    WindowProc proc_;
    std::string title_;
    std::unique_ptr<Menu> menu_;
    ScrollBar bars_[2];
    base::Picture picture_;
    int clientWidth_ = 0;
    int clientHeight_ = 0;
    bool visible_ = false;
    bool minimized_ = false;
    bool destroyed_ = false;
    bool destroying_ = false;
    bool painting_ = false;
    bool invalid_ = true;
};

// What the system does with a message the window procedure does not handle: Close destroys
// the window; everything else is ignored. Returns 0.
int DefWindowProc(Window* window, const Message& message);

} // namespace win
