#include "platform/win/qt_platform.h"

#include "platform/win/qt_report_window.h"
#include "platform/win/qt_support.h"
#include "platform/win/qt_window.h"

#include <QApplication>
#include <QEvent>
#include <QIcon>
#include <QTimer>
#include <algorithm>
#include <limits>

namespace win {

QtEventSource::QtEventSource() = default;
QtEventSource::~QtEventSource() = default;

void QtEventSource::ProcessPending() {
    Dispatch(QEventLoop::AllEvents);
}

void QtEventSource::WaitForEvents() {
    Dispatch(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void QtEventSource::WaitForEventsUntil(std::chrono::steady_clock::time_point until) {
    using std::chrono::milliseconds;
    const auto left = std::chrono::ceil<milliseconds>(until - std::chrono::steady_clock::now());
    if (left <= milliseconds(0))
        return;
    if (!alarm_) {
        alarm_ = std::make_unique<QTimer>();
        alarm_->setSingleShot(true);
        alarm_->setTimerType(Qt::PreciseTimer);
    }
    // Qt's timers count milliseconds in an int: a longer wait ends early and is taken again.
    alarm_->start(std::min(left, milliseconds(std::numeric_limits<int>::max())));
    Dispatch(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    alarm_->stop();
}

void QtEventSource::Dispatch(QEventLoop::ProcessEventsFlags flags) {
    {
        const QtDispatch dispatching;
        QCoreApplication::processEvents(flags);
        // Without Qt's own loop running, objects whose deletion was deferred wait here.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QtDialogs::ShowDeferredBoxes();
}

std::unique_ptr<Window> QtWindowFactory::Create(WindowProc proc, const std::string& title,
                                                int width, int height, std::unique_ptr<Menu> menu,
                                                const IconResource* icon) {
    const QIcon picture = icon ? QIcon(IconPixmap(*icon)) : QIcon();
    return std::make_unique<QtWindow>(proc, title, width, height, std::move(menu), picture);
}

std::unique_ptr<ReportWindow> QtWindowFactory::CreateReport(Window* owner) {
    return std::make_unique<QtReportWindow>(dynamic_cast<QtWindow*>(owner));
}

QtPlatform::QtPlatform(int& argc, char** argv) : app_(std::make_unique<QApplication>(argc, argv)) {
    Install(Services{&dialogs_, &clock_, &events_, &windows_});
}

QtPlatform::~QtPlatform() {
    // Windows are Qt widgets: they must go before the application object.
    Install(Services{});
}

} // namespace win
