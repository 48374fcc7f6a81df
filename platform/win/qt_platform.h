#pragma once
// Puts the window system on Qt for the life of this object: the application object, windows,
// boxes and dialogs, the message pump, and the monotonic clock. Runs on whatever platform Qt
// is given (offscreen for tests and headless runs, xcb under X or Xvfb).

#include "platform/win/clock.h"
#include "platform/win/platform.h"
#include "platform/win/qt_dialogs.h"

#include <memory>

class QApplication;

namespace win {

class QtPlatform {
public:
    // argc and argv must outlive the object, as Qt keeps them.
    QtPlatform(int& argc, char** argv);
    ~QtPlatform();
    QtPlatform(const QtPlatform&) = delete;
    QtPlatform& operator=(const QtPlatform&) = delete;

private:
    class Events;
    class Windows;

    std::unique_ptr<QApplication> app_;
    std::unique_ptr<Events> events_;
    std::unique_ptr<Windows> windows_;
    QtDialogs dialogs_;
    SteadyClock clock_;
};

} // namespace win
