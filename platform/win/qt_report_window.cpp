#include "platform/win/qt_report_window.h"

#include "platform/win/qt_window.h"

#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QScrollBar>
#include <QSplitter>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace win {
namespace {

constexpr int REPORT_WIDTH = 560;
constexpr int REPORT_HEIGHT = 720;
constexpr int CHART_HEIGHT = 160;
constexpr int CHART_MARGIN = 18; // room for the labels under the bars and the caption above

QString Text(const std::string& text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QString TableHtml(const ReportTable& table) {
    QString html = "<h3>" + Text(table.caption).toHtmlEscaped() + "</h3>";
    html += "<table cellspacing='0' cellpadding='3' border='1'><tr>";
    for (const std::string& cell : table.header)
        html += "<th>" + Text(cell).toHtmlEscaped() + "</th>";
    html += "</tr>";
    for (const auto& row : table.rows) {
        html += "<tr>";
        for (size_t i = 0; i < row.size(); ++i)
            html += QString(i == 0 ? "<td>" : "<td align='right'>") + Text(row[i]).toHtmlEscaped() +
                    "</td>";
        html += "</tr>";
    }
    return html + "</table>";
}

// The win distribution: one bar per amount, its height on a scale of powers of ten.
class ChartWidget : public QWidget {
public:
    ChartWidget() { setMinimumHeight(CHART_HEIGHT); }
    std::string caption;
    std::vector<ReportBar> bars;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QPalette& colours = palette();
        painter.fillRect(rect(), colours.color(QPalette::Base));
        painter.setPen(colours.color(QPalette::Text));
        painter.drawText(4, CHART_MARGIN - 4, Text(caption));
        if (bars.empty())
            return;
        const auto [low, high] = std::minmax_element(
            bars.begin(), bars.end(),
            [](const ReportBar& a, const ReportBar& b) { return a.value < b.value; });
        const double floor = std::floor(low->value) - 1;
        const double span = std::max(high->value - floor, 1.0);
        const int top = CHART_MARGIN, bottom = height() - CHART_MARGIN;
        const double slot = double(width() - 8) / double(bars.size());
        for (size_t i = 0; i < bars.size(); ++i) {
            const int x = 4 + int(slot * double(i));
            const int w = std::max(int(slot) - 2, 1);
            const int h = int((bars[i].value - floor) / span * (bottom - top));
            painter.fillRect(x, bottom - h, w, h, colours.color(QPalette::Highlight));
            if (slot >= 24 || i % size_t(std::ceil(24 / slot)) == 0)
                painter.drawText(x, bottom + CHART_MARGIN - 4, Text(bars[i].label));
        }
    }
};

} // namespace

class ReportWidget : public QWidget {
public:
    explicit ReportWidget(QWidget* owner) : QWidget(owner, Qt::Window) {
        resize(REPORT_WIDTH, REPORT_HEIGHT);
        auto* layout = new QVBoxLayout(this);
        status_ = new QLabel(this);
        problem_ = new QLabel(this);
        problem_->setWordWrap(true);
        QFont bold = problem_->font();
        bold.setBold(true);
        problem_->setFont(bold);
        status_->setFont(bold);
        tables_ = new QTextBrowser(this);
        chart_ = new ChartWidget;
        messagesCaption_ = new QLabel(this);
        messages_ = new QListWidget(this);
        messages_->setMaximumHeight(120);
        for (QWidget* part : std::initializer_list<QWidget*>{status_, problem_, tables_, chart_,
                                                             messagesCaption_, messages_})
            layout->addWidget(part);
        layout->setStretch(2, 1);
    }

    void Fill(const ReportContent& content) {
        setWindowTitle(Text(content.title));
        status_->setText(Text(content.status));
        status_->setVisible(!content.status.empty());
        problem_->setText(Text(content.problem));
        problem_->setVisible(!content.problem.empty());
        QString html;
        for (const ReportTable& table : content.tables)
            html += TableHtml(table);
        // The session block changes with every spin; the reader keeps their place.
        const int scrolled = tables_->verticalScrollBar()->value();
        tables_->setHtml(html);
        tables_->verticalScrollBar()->setValue(scrolled);
        chart_->caption = content.chartCaption;
        chart_->bars = content.chart;
        chart_->update();
        messagesCaption_->setText(Text(content.messagesCaption));
        messages_->clear();
        for (const std::string& message : content.messages)
            messages_->addItem(Text(message));
        messages_->scrollToBottom();
    }

private:
    QLabel* status_;
    QLabel* problem_;
    QTextBrowser* tables_;
    ChartWidget* chart_;
    QLabel* messagesCaption_;
    QListWidget* messages_;
};

QtReportWindow::QtReportWindow(QtWindow* owner) : widget_(new ReportWidget(owner)) {}

QtReportWindow::~QtReportWindow() {
    delete widget_.data();
}

void QtReportWindow::Show() {
    ReportWindow::Show();
    if (!widget_)
        return;
    // The first time it opens beside its owner, at the owner's top; later where the user left
    // it.
    if (!placed_ && widget_->parentWidget()) {
        const QRect owner = widget_->parentWidget()->frameGeometry();
        widget_->move(owner.right() + 1, owner.top());
        placed_ = true;
    }
    widget_->show();
    widget_->raise();
}

void QtReportWindow::Hide() {
    ReportWindow::Hide();
    if (widget_)
        widget_->hide();
}

bool QtReportWindow::IsShown() const {
    return widget_ && widget_->isVisible();
}

void QtReportWindow::SetContent(const ReportContent& content) {
    ReportWindow::SetContent(content);
    if (widget_)
        widget_->Fill(content);
}

} // namespace win
