#pragma once
// Boxes and dialogs on the screen. Each blocks in its own modal loop, so the program's main
// loop, and with it rendering, stands still until the user answers.

#include "platform/win/dialogs.h"

#include <QDialog>
#include <deque>
#include <string>

namespace win {

// A dialog laid out from a dialog resource and run by a dialog procedure.
class ResourceDialog : public QDialog, public Dialog {
public:
    ResourceDialog(const DialogResource& resource, QWidget* owner, DialogProc proc);
    void End(int result) override { done(result); }

    // Dialog units to pixels for this dialog's font.
    QRect ToPixels(int x, int y, int width, int height) const;

    // Esc and the close box ask the procedure (as IDCANCEL) instead of closing.
    void reject() override;

private:
    void AddControl(const DialogControlResource& control);
    void Press(int id);

    DialogProc proc_;
    int baseWidth_;
    int baseHeight_;
};

// A box asked for while Qt is dispatching events (inside a pass of the event source or a modal
// loop of ours) is answered OK at once and shown when the dispatch is over: its own loop
// would run inside a handler that Qt may re-enter, and Qt's code lower on the stack (a resize,
// a scroll-bar drag) can find its objects freed underneath it.
class QtDialogs : public Dialogs {
public:
    int MessageBox(Window* owner, const std::string& text, const std::string& caption,
                   unsigned style) override;
    void MessageBeep(unsigned type) override;
    int DialogBox(const DialogResource& resource, Window* owner, DialogProc proc) override;
    bool ChooseOpenFile(OpenFileName& request) override;

    // Shows the boxes put off while Qt was dispatching, oldest first, once it no longer is.
    static void ShowDeferredBoxes();

private:
    struct Box {
        std::string text;
        std::string caption;
        unsigned style;
    };
    // One queue for the one thread that dispatches Qt's events.
    static inline std::deque<Box> deferred_;
};

// Marks the time Qt dispatches events on the program's behalf; boxes wait until it ends.
class QtDispatch {
public:
    QtDispatch() { ++depth_; }
    ~QtDispatch() { --depth_; }
    QtDispatch(const QtDispatch&) = delete;
    QtDispatch& operator=(const QtDispatch&) = delete;
    static bool Active() { return depth_ > 0; }

private:
    static inline int depth_ = 0;
};

} // namespace win
