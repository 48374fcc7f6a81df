#pragma once
// The 2D drawing services under their GDI names: bitmaps read from files, memory device
// contexts, stretch blits and text, drawing into base::Image pixels. Handles that this layer
// did not hand out, or has already deleted, are refused rather than followed.

#include "platform/base/device_context.h"

struct GdiBitmap;

using HANDLE = void*;
using HGDIOBJ = void*;
using HBITMAP = GdiBitmap*;
using LPCSTR = const char*;

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

// As GetObjectA fills it in; bmBits is never set (pixels are reached through the DC),
// which keeps the record at its 24 bytes.
struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    DWORD bmBits;
};
static_assert(sizeof(BITMAP) == 24);

constexpr UINT IMAGE_BITMAP = 0;
constexpr UINT LR_DEFAULTCOLOR = 0x0000;
constexpr UINT LR_LOADFROMFILE = 0x0010;
constexpr UINT LR_CREATEDIBSECTION = 0x2000;

constexpr DWORD SRCCOPY = 0x00CC0020;

constexpr UINT ETO_OPAQUE = 0x0002;
constexpr UINT ETO_CLIPPED = 0x0004;

constexpr int BITSPIXEL = 12;
constexpr int PLANES = 14;

constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;
constexpr UINT GDI_ERROR = 0xFFFFFFFF;

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
    return static_cast<COLORREF>(r) | static_cast<COLORREF>(g) << 8 |
           static_cast<COLORREF>(b) << 16;
}

// Bitmaps. Only files can be loaded (LR_LOADFROMFILE): the program has no bitmap resources,
// so a resource load finds nothing. Non-zero cx, cy stretch the picture to that size.
// A missing or damaged file gives null.
HANDLE LoadImageA(void* instance, LPCSTR name, UINT type, int cx, int cy, UINT flags);
// Fills a BITMAP for a bitmap handle; returns the bytes written, or sizeof(BITMAP) when
// `out` is null, or 0 for anything else.
int GetObjectA(HANDLE object, int size, void* out);
// Deleting a bitmap that is still selected into a context is refused, as GDI does.
BOOL DeleteObject(HGDIOBJ object);

// Memory contexts start with a stock 1 x 1 bitmap selected; `like` is not looked at.
HDC CreateCompatibleDC(HDC like);
// Selects a bitmap into a memory context and returns the one it replaces; null on failure
// (not a memory context, not a bitmap).
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
// Only memory contexts can be deleted; surface contexts go back through their surface.
BOOL DeleteDC(HDC dc);

// Copies (SRCCOPY is the only raster operation) a source rectangle onto a destination
// rectangle, scaling by nearest neighbour as COLORONCOLOR does; negative sizes mirror.
// Parts of either rectangle outside their pictures are left out.
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                int sourceWidth, int sourceHeight, DWORD rop);

int SetBkMode(HDC dc, int mode);
COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF SetBkColor(HDC dc, COLORREF color);
UINT SetTextAlign(HDC dc, UINT align);

// Draws `count` characters of `text` at (x, y) placed by the context's text alignment, in
// the default font. ETO_OPAQUE fills `rect` with the background colour first; ETO_CLIPPED
// keeps the text inside `rect`. An OPAQUE background mode also fills the text's own cell.
// The spacing array is not supported and must be null. Needs a running QGuiApplication.
BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count,
                 const INT* spacing);

// BITSPIXEL gives the display's colour depth and PLANES 1; other indexes 0. Every context
// is on the one display, so `dc` may be null.
int GetDeviceCaps(HDC dc, int index);

namespace gdi {

// The colour depth GetDeviceCaps reports (32 until changed).
void SetDisplayDepth(int bitsPerPixel);

// The font every context draws with: DejaVu Sans Mono Bold at 14 pixels, unsmoothed, whose
// 16-pixel cell and 8-pixel digits match the classic system font.
constexpr const char* DEFAULT_FONT_FAMILY = "DejaVu Sans Mono";
constexpr int DEFAULT_FONT_PIXEL_SIZE = 14;

// The size of the cell `count` characters of `text` take in the default font; false
// without a QGuiApplication.
bool MeasureText(const char* text, UINT count, int& width, int& height);

} // namespace gdi
