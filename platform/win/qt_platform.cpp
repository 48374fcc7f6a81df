#include "platform/win/qt_platform.h"

#include "platform/win/qt_support.h"
#include "platform/win/qt_window.h"

#include <QApplication>
#include <QEvent>
#include <QIcon>

namespace win {

class QtPlatform::Events : public EventSource {
public:
    void ProcessPending() override {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        // Without Qt's own loop running, objects whose deletion was deferred wait here.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void WaitForEvents() override {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

class QtPlatform::Windows : public WindowFactory {
public:
    std::unique_ptr<Window> Create(WindowProc proc, const std::string& title, int width, int height,
                                   std::unique_ptr<Menu> menu, const IconResource* icon) override {
        const QIcon picture = icon ? QIcon(IconPixmap(*icon)) : QIcon();
        return std::make_unique<QtWindow>(proc, title, width, height, std::move(menu), picture);
    }
};

QtPlatform::QtPlatform(int& argc, char** argv)
    : app_(std::make_unique<QApplication>(argc, argv)), events_(std::make_unique<Events>()),
      windows_(std::make_unique<Windows>()) {
    Install(Services{&dialogs_, &clock_, events_.get(), windows_.get()});
}

QtPlatform::~QtPlatform() {
    // Windows are Qt widgets: they must go before the application object.
    Install(Services{});
}

} // namespace win
