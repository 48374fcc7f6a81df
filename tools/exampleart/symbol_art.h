#pragma once

// The art of reel symbols. A symbol's art is chosen from the words of its label ("Cherry",
// "Double Bar", "Rise Seven", ...) and, failing those, from its flags, so a new machine file
// gets sensible pictures without the generator knowing the machine.

#include <QPainterPath>
#include <QRectF>
#include <QString>

class QPainter;
struct SlotSymbol;

// Draws one reel stop: the strip's ground over the whole cell and the symbol's art centred
// in it, kept square however wide the cell is.
void PaintSymbol(QPainter& painter, const QRectF& cell, const SlotSymbol& symbol);

// The outline of text in the project's font at 100 pixels, for scaling to any size.
QPainterPath TextOutline(const QString& text, int weight);

// Draws text as filled outlines scaled to fit the box (centred, aspect kept), so words come
// out the same size whatever the font's metrics. A squeeze below 1 draws the letters that
// much narrower first, so a long word in a small box comes out taller.
void PaintFittedText(QPainter& painter, const QString& text, const QRectF& box, int weight,
                     const QBrush& fill, const QPen& outline, double squeeze = 1);
