// Bitmaps, memory contexts, stretch blits and device capabilities.

#include "platform/gdi/gdi.h"

#include <algorithm>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

struct GdiBitmap {
    base::Image image;
    int selections = 0; // memory contexts holding it
};

namespace {

// Everything this layer hands out, so foreign or stale handles are recognised and refused.
std::unordered_map<const GdiBitmap*, std::unique_ptr<GdiBitmap>>& Bitmaps() {
    static std::unordered_map<const GdiBitmap*, std::unique_ptr<GdiBitmap>> bitmaps;
    return bitmaps;
}

// A memory context draws into whichever bitmap is selected into it.
struct MemoryContext {
    SurfaceDC dc;
    GdiBitmap* selected = nullptr;
};

std::unordered_map<const SurfaceDC*, std::unique_ptr<MemoryContext>>& MemoryContexts() {
    static std::unordered_map<const SurfaceDC*, std::unique_ptr<MemoryContext>> contexts;
    return contexts;
}

void Select(MemoryContext& context, GdiBitmap* bitmap) {
    if (context.selected != nullptr)
        context.selected->selections--;
    if (bitmap != nullptr)
        bitmap->selections++;
    context.selected = bitmap;
    context.dc.image = bitmap != nullptr ? &bitmap->image : nullptr;
}

// What a fresh memory context holds: GDI's one stock bitmap, never deleted.
GdiBitmap* StockBitmap() {
    static GdiBitmap stock{[] {
        base::Image image;
        image.Resize(1, 1);
        return image;
    }()};
    return &stock;
}

GdiBitmap* FindBitmap(const void* handle) {
    auto found = Bitmaps().find(static_cast<const GdiBitmap*>(handle));
    return found == Bitmaps().end() ? nullptr : found->second.get();
}

GdiBitmap* FindSelectable(const void* handle) {
    return handle == StockBitmap() ? StockBitmap() : FindBitmap(handle);
}

int displayDepth = 32;

// The largest size LoadImageA stretches a picture to, as the decoder's own limits.
constexpr int MAX_STRETCH_SIDE = 16384;
constexpr int64_t MAX_STRETCH_PIXELS = 64ll * 1024 * 1024;

// One axis of a stretch: `length` pixels from `start`, possibly mirrored. 64 bits, so
// extreme arguments cannot overflow.
struct Span {
    int64_t start;
    int64_t length;
    bool mirrored;

    Span(int from, int size)
        : start(size < 0 ? int64_t{from} + size + 1 : from),
          length(size < 0 ? -int64_t{size} : size), mirrored(size < 0) {}

    // The steps of this span that land in 0..limit-1.
    int64_t FirstInside() const { return std::max<int64_t>(0, -start); }
    int64_t EndInside(int limit) const { return std::min<int64_t>(length, limit - start); }
};

// The source pixel for destination step i: the first source pixel of the i-th part.
int64_t SourceStep(int64_t i, const Span& dest, const Span& source) {
    int64_t step = i * source.length / dest.length;
    if (dest.mirrored != source.mirrored)
        step = source.length - 1 - step;
    return source.start + step;
}

base::Image Stretched(base::Image& picture, int width, int height) {
    base::Image result;
    result.Resize(width, height);
    SurfaceDC from{&picture};
    SurfaceDC to{&result};
    StretchBlt(&to, 0, 0, width, height, &from, 0, 0, picture.width, picture.height, SRCCOPY);
    return result;
}

} // namespace

HANDLE LoadImageA(void* /*instance*/, LPCSTR name, UINT type, int cx, int cy, UINT flags) {
    if (name == nullptr || type != IMAGE_BITMAP || !(flags & LR_LOADFROMFILE) || cx < 0 || cy < 0 ||
        cx > MAX_STRETCH_SIDE || cy > MAX_STRETCH_SIDE)
        return nullptr;
    auto bitmap = std::make_unique<GdiBitmap>();
    if (!base::LoadBitmapFile(name, bitmap->image))
        return nullptr;
    if (cx != 0 || cy != 0) {
        base::Image& own = bitmap->image;
        const int width = cx ? cx : own.width, height = cy ? cy : own.height;
        if (int64_t{width} * height > MAX_STRETCH_PIXELS)
            return nullptr;
        bitmap->image = Stretched(own, width, height);
    }
    GdiBitmap* handle = bitmap.get();
    Bitmaps().emplace(handle, std::move(bitmap));
    return handle;
}

int GetObjectA(HANDLE object, int size, void* out) {
    const GdiBitmap* bitmap = FindSelectable(object);
    if (bitmap == nullptr)
        return 0;
    if (out == nullptr)
        return sizeof(BITMAP);
    if (size < static_cast<int>(sizeof(BITMAP)))
        return 0;
    BITMAP info{};
    info.bmWidth = bitmap->image.width;
    info.bmHeight = bitmap->image.height;
    info.bmWidthBytes = bitmap->image.width * 4;
    info.bmPlanes = 1;
    info.bmBitsPixel = 32;
    *static_cast<BITMAP*>(out) = info;
    return sizeof(BITMAP);
}

BOOL DeleteObject(HGDIOBJ object) {
    const GdiBitmap* bitmap = FindBitmap(object);
    if (bitmap == nullptr || bitmap->selections > 0)
        return FALSE;
    Bitmaps().erase(bitmap);
    return TRUE;
}

HDC CreateCompatibleDC(HDC /*like*/) {
    auto context = std::make_unique<MemoryContext>();
    Select(*context, StockBitmap());
    SurfaceDC* handle = &context->dc;
    MemoryContexts().emplace(handle, std::move(context));
    return handle;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    auto found = MemoryContexts().find(dc);
    GdiBitmap* bitmap = FindSelectable(object);
    if (found == MemoryContexts().end() || bitmap == nullptr)
        return nullptr;
    GdiBitmap* previous = found->second->selected;
    Select(*found->second, bitmap);
    return previous;
}

BOOL DeleteDC(HDC dc) {
    auto found = MemoryContexts().find(dc);
    if (found == MemoryContexts().end())
        return FALSE;
    Select(*found->second, nullptr);
    MemoryContexts().erase(found);
    return TRUE;
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                int sourceWidth, int sourceHeight, DWORD rop) {
    if (dest == nullptr || source == nullptr || dest->image == nullptr ||
        source->image == nullptr || rop != SRCCOPY || width == 0 || height == 0 ||
        sourceWidth == 0 || sourceHeight == 0)
        return FALSE;
    base::Image& to = *dest->image;
    // A blit within one picture reads from a copy, so it never reads its own output.
    base::Image copy;
    const base::Image* from = source->image;
    if (from == &to) {
        copy = to;
        from = &copy;
    }
    const Span destX(x, width), destY(y, height);
    const Span fromX(sourceX, sourceWidth), fromY(sourceY, sourceHeight);
    for (int64_t j = destY.FirstInside(); j < destY.EndInside(to.height); ++j) {
        const int64_t sy = SourceStep(j, destY, fromY);
        if (sy < 0 || sy >= from->height)
            continue;
        for (int64_t i = destX.FirstInside(); i < destX.EndInside(to.width); ++i) {
            const int64_t sx = SourceStep(i, destX, fromX);
            if (sx >= 0 && sx < from->width)
                to.At(static_cast<int>(destX.start + i), static_cast<int>(destY.start + j)) =
                    from->At(static_cast<int>(sx), static_cast<int>(sy));
        }
    }
    return TRUE;
}

int SetBkMode(HDC dc, int mode) {
    if (dc == nullptr || (mode != OPAQUE && mode != TRANSPARENT))
        return 0;
    return std::exchange(dc->bkMode, mode);
}

COLORREF SetTextColor(HDC dc, COLORREF color) {
    return dc == nullptr ? CLR_INVALID : std::exchange(dc->textColor, color & 0xFFFFFF);
}

COLORREF SetBkColor(HDC dc, COLORREF color) {
    return dc == nullptr ? CLR_INVALID : std::exchange(dc->bkColor, color & 0xFFFFFF);
}

UINT SetTextAlign(HDC dc, UINT align) {
    return dc == nullptr ? GDI_ERROR : std::exchange(dc->textAlign, align);
}

int GetDeviceCaps(HDC /*dc*/, int index) {
    switch (index) {
    case BITSPIXEL:
        return displayDepth;
    case PLANES:
        return 1;
    default:
        return 0;
    }
}

void gdi::SetDisplayDepth(int bitsPerPixel) {
    displayDepth = bitsPerPixel;
}
