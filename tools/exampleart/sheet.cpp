// Symbol sheets. The loader turns a cell letter into texture coordinates; the sheet is drawn
// back from those, so whatever grid the machine file uses, each symbol lands where its reel
// face will look for it.

#include <QPainter>
#include <cmath>
#include <cstdio>

#include "engine/slot_machine.h"
#include "tools/exampleart/pictures.h"
#include "tools/exampleart/symbol_art.h"

namespace {

constexpr int CELL_HEIGHT = 128; // pixels per symbol cell, along the reel

bool UsesSheet(const SlotSymbol& symbol, const QString& name) {
    return symbol.letter != 0 && symbol.filename && QString::fromLocal8Bit(symbol.filename) == name;
}

// Side of the symbol's cell as a share of the picture: 0.25, 0.5 or 1 (the loader stops the
// far corner just short of the boundary).
double CellShare(const SlotSymbol& symbol) {
    return std::ceil((symbol.tx2 - symbol.tx) * 4) / 4;
}

bool InsidePicture(const SlotSymbol& symbol) {
    const double share = CellShare(symbol);
    return share > 0 && symbol.tx >= 0 && symbol.ty >= 0 && symbol.tx + share <= 1.0001 &&
           symbol.ty + share <= 1.0001;
}

// v = 0 is the bottom row of a bitmap file, so a cell's top edge is 1 - ty - share.
QRectF CellRect(const SlotSymbol& symbol, const QSize& size) {
    const double share = CellShare(symbol);
    return QRectF(symbol.tx * size.width(), (1 - symbol.ty - share) * size.height(),
                  share * size.width(), share * size.height());
}

// Cells keep the proportions of the reel face they cover, so the art is not stretched.
QSize SheetSize(const SlotMachine& machine, const QString& name) {
    double share = 1;
    double height = 0;
    for (const SlotSymbol& symbol : machine.Symbols) {
        if (!UsesSheet(symbol, name) || !InsidePicture(symbol))
            continue;
        share = std::min(share, CellShare(symbol));
        if (height <= 0)
            height = symbol.height;
    }
    const int cells = static_cast<int>(std::lround(1 / share));
    const double aspect = height > 0 && machine.SymWidth > 0 ? machine.SymWidth / height : 1;
    const int cellWidth = std::max(8, static_cast<int>(std::lround(CELL_HEIGHT * aspect)));
    return QSize(cells * cellWidth, cells * CELL_HEIGHT);
}

} // namespace

QImage DrawSymbolSheet(const SlotMachine& machine, const QString& name) {
    QImage sheet(SheetSize(machine, name), QImage::Format_RGB32);
    sheet.fill(QColor(0xff, 0xfb, 0xf0));
    QPainter painter(&sheet);
    for (const SlotSymbol& symbol : machine.Symbols) {
        if (!UsesSheet(symbol, name))
            continue;
        if (!InsidePicture(symbol)) {
            std::fprintf(stderr, "exampleart: symbol %c: its cell lies outside %s.bmp\n",
                         symbol.letter, qPrintable(name));
            continue;
        }
        PaintSymbol(painter, CellRect(symbol, sheet.size()), symbol);
    }
    return sheet;
}
