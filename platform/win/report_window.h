#pragma once
// A window beside the main one that shows a report: a status line, the newest problem, tables,
// a bar chart and a list of messages. It is not modal and keeps nothing between runs. The
// program fills it with plain text; this layer only lays it out. Without a screen the content
// is kept in memory, so what the window would show can be read back.

#include <string>
#include <vector>

namespace win {

struct ReportTable {
    std::string caption;
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
};

struct ReportBar {
    std::string label;
    double value = 0; // bars are drawn on a scale of ten to the power of their values
};

struct ReportContent {
    std::string title;
    std::string status;  // a passing state ("Computing..."), empty when there is none
    std::string problem; // the newest problem, shown plainly above everything
    std::vector<ReportTable> tables;
    std::string chartCaption;
    std::vector<ReportBar> chart;
    std::string messagesCaption;
    std::vector<std::string> messages;
};

class ReportWindow {
public:
    virtual ~ReportWindow() = default;
    // Shows the window, or raises it when it is shown already.
    virtual void Show() { shown_ = true; }
    virtual void Hide() { shown_ = false; }
    // False once the user has closed it.
    virtual bool IsShown() const { return shown_; }
    virtual void SetContent(const ReportContent& content) { content_ = content; }
    const ReportContent& Content() const { return content_; }

private:
    bool shown_ = false;
    ReportContent content_;
};

} // namespace win
