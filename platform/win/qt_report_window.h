#pragma once
// The report window on the screen: a top-level Qt window owned by the main window, so it
// closes with it. Colours come from the palette's roles, so a dark theme reads as well as a
// light one.

#include "platform/win/report_window.h"

#include <QPointer>

class QWidget;

namespace win {

class QtWindow;
class ReportWidget;

class QtReportWindow : public ReportWindow {
public:
    explicit QtReportWindow(QtWindow* owner);
    ~QtReportWindow() override;
    void Show() override;
    void Hide() override;
    bool IsShown() const override;
    void SetContent(const ReportContent& content) override;

private:
    QPointer<ReportWidget> widget_; // Qt deletes it with its owner
    bool placed_ = false;
};

} // namespace win
