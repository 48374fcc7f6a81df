#pragma once
// Puts the window system on Qt for the life of this object: the application object, windows,
// boxes and dialogs, the message pump, and the monotonic clock. Runs on whatever platform Qt
// is given (offscreen for tests and headless runs, xcb under X or Xvfb).

#include "platform/win/clock.h"
#include "platform/win/platform.h"
#include "platform/win/qt_dialogs.h"

#include <QEventLoop>
#include <memory>

class QApplication;
class QTimer;

namespace win {

// Qt's events: handled as they wait, or waited for. The boxes that their handlers asked for
// are shown afterwards, from the main loop.
class QtEventSource : public EventSource {
public:
    QtEventSource();
    ~QtEventSource() override;
    void ProcessPending() override;
    void WaitForEvents() override;
    void WaitForEventsUntil(std::chrono::steady_clock::time_point until) override;

private:
    static void Dispatch(QEventLoop::ProcessEventsFlags flags);
    std::unique_ptr<QTimer> alarm_; // ends a timed wait; made with the first one
};

class QtWindowFactory : public WindowFactory {
public:
    std::unique_ptr<Window> Create(WindowProc proc, const std::string& title, int width, int height,
                                   std::unique_ptr<Menu> menu, const IconResource* icon) override;
    std::unique_ptr<ReportWindow> CreateReport(Window* owner) override;
};

class QtPlatform {
public:
    // argc and argv must outlive the object, as Qt keeps them.
    QtPlatform(int& argc, char** argv);
    ~QtPlatform();
    QtPlatform(const QtPlatform&) = delete;
    QtPlatform& operator=(const QtPlatform&) = delete;

private:
    std::unique_ptr<QApplication> app_;
    QtEventSource events_;
    QtWindowFactory windows_;
    QtDialogs dialogs_;
    SteadyClock clock_;
};

} // namespace win
