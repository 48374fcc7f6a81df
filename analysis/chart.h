#pragma once

// What the SVG charts of the par sheet and of the sessions share: the page's measures, texts
// fit for XML, rows of labelled bars, and the drawing written whole to its file.

#include <QColor>
#include <QPainter>
#include <QString>

#include <functional>
#include <string>
#include <vector>

namespace chart {

constexpr int WIDTH = 720;
constexpr int ROW = 18;
constexpr int LABEL_WIDTH = 220;
constexpr int BAR_WIDTH = 360;
constexpr int MARGIN = 16;

// A machine file may hold any bytes, but XML takes no control characters, not even written
// as references.
QString ChartText(const std::string& text);

struct Bar {
    QString label;
    double length; // 0 to 1 of the bar width
    QString value;
};

// A bold title and a row per bar; returns the top of what follows.
int DrawBars(QPainter& painter, int top, const QString& title, const std::vector<Bar>& bars,
             const QColor& colour);

// Draws a chart of the given height on white in the chart font and writes it beside its
// name, renamed over it. Returns why the file could not be written, or nothing.
std::string SaveSvg(const std::string& svgPath, int height, const QString& title,
                    const std::function<void(QPainter&)>& draw);

} // namespace chart
