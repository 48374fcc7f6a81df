#pragma once
// The software rasterizer behind the scene layer: draws one lit, possibly textured polygon
// given in camera space into a colour and depth target. Lighting, transforms and scene
// walking live in the scene layer; this file knows only pixels.

#include <cstdint>
#include <vector>

namespace rm::raster {

// A clear that is owed rather than done. Given to a target, Clear and ClearDepth only note
// what they owe; each span then clears just the pixels of its row that it is the first to
// reach, and SettleColor fills the background in where nothing was drawn, skipping the
// pixels that still hold it from the frame before. A frame thus writes each pixel about
// once instead of clearing two whole buffers first. The notes belong to one pair of colour
// and depth buffers, which nothing but the rasterizer may write, and are its alone.
struct PendingClear {
    struct Span {
        int left = 0, right = 0; // pixels [left, right); empty when left >= right
    };
    struct Row {
        Span color, depth; // no longer owed
        Span drawn;        // written since the last settling, which left the background elsewhere
    };
    std::vector<Row> rows; // one per target row; outside the rectangle's rows unused
    int left = 0, top = 0, right = 0, bottom = 0; // the rectangle the owed clear covers
    int width = 0, height = 0;                    // of the target it was noted for
    uint32_t color = 0;                           // the owed background, as stored
    bool colorOwed = false, depthOwed = false;
    const uint32_t* settled = nullptr; // the colour buffer `drawn` speaks of, if any
    uint32_t settledColor = 0;         // the background it holds outside `drawn`
};

// Colour is 0xFFRRGGBB per pixel: every pixel the rasterizer stores, and the clear, is
// opaque, so the buffer can be shown as it is. Depth holds camera-space z (smaller is nearer).
struct RenderTarget {
    int width = 0;
    int height = 0;
    uint32_t* color = nullptr;
    float* depth = nullptr;
    int bitsPerPixel = 32; // 16 or less: colours are quantised to 5-6-5
    bool dither = true;    // ordered dithering when quantising (the device's dither setting)
    PendingClear* pending = nullptr; // null: clears fill the buffers at once
    bool widePixels = true; // eight pixels at a time where the processor can; the same pixels
};

// Camera looks along +z. At distance 1 the view reaches `field` from the centre to the edge
// along the smaller of width and height. Pixels are square. Points nearer than `front` or
// farther than `back` are clipped. The viewport is a rectangle of the target.
struct Projection {
    float field = 0.5f;
    float front = 1.0f;
    float back = 100.0f;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

enum class FillMode { Points, Wireframe, Solid };
enum class TextureFilter { Nearest, Bilinear };

// A texture's pixels, 0x??RRGGBB, row 0 is the top row of the picture. Bitmap-file
// textures have v = 0 at the bottom row (vFromBottom); surface textures at the top row.
// Coordinates outside 0..1 wrap.
struct TextureView {
    int width = 0;
    int height = 0;
    const uint32_t* pixels = nullptr;
    bool vFromBottom = true;
};

// One corner: position in camera space, texture coordinates, and lit colour in 0..1.
// Flat shading is the caller giving every corner the same colour.
struct Vertex {
    float x = 0, y = 0, z = 0;
    float u = 0, v = 0;
    float r = 1, g = 1, b = 1;
};

struct PolygonStyle {
    FillMode fill = FillMode::Solid;
    const TextureView* texture = nullptr; // null: colour only; else texel x colour
    TextureFilter filter = TextureFilter::Nearest;
    bool perspective = false;  // perspective-correct texture coordinates
    bool cullBackFaces = true; // front faces run clockwise as seen by the camera
};

// Sees what a viewport hands the rasterizer, so that a test can draw the same polygons with
// another renderer. The program sets none; a viewport then only checks a pointer.
class DrawTap {
public:
    virtual void Cleared(const RenderTarget& target, const Projection& viewport, uint32_t rgb) = 0;
    virtual void Polygon(const RenderTarget& target, const Projection& projection,
                         const Vertex* corners, int count, const PolygonStyle& style) = 0;

protected:
    ~DrawTap() = default;
};

// Sets the viewport's pixels to the opaque colour rgb (0x??RRGGBB), quantised on 16 bits.
void Clear(RenderTarget& target, const Projection& viewport, uint32_t rgb);
// Sets the depth to the largest float; a pixel is then drawn where its z is <= the depth.
void ClearDepth(RenderTarget& target, const Projection& viewport);
// With a pending clear: fills the owed background in wherever nothing was drawn, so the
// colour buffer can be read. Depth stays owed until drawing reaches it or the next clear.
void SettleColor(RenderTarget& target);

// What a pending clear knows of one colour buffer's background. A device that draws into two
// buffers by turns keeps the other buffer's here and trades it in with the buffers, so that
// each still skips the background it holds from two frames before.
struct SettledBuffer {
    std::vector<PendingClear::Span> drawn; // per row, as PendingClear::Row::drawn
    const uint32_t* settled = nullptr;
    uint32_t settledColor = 0;
};
void TradeSettled(PendingClear& pending, SettledBuffer& other);

// Draws a convex polygon of `count` corners (3 or more). Returns false when nothing of it
// was drawn (culled, clipped away, degenerate or hidden by nearer pixels).
bool DrawPolygon(RenderTarget& target, const Projection& projection, const Vertex* corners,
                 int count, const PolygonStyle& style);

// Maps a camera-space point to target pixel coordinates; false when z <= 0.
bool ProjectPoint(const Projection& projection, float x, float y, float z, float& sx, float& sy);

// The camera-space direction (at z = 1) through the centre of target pixel (sx, sy),
// for picking.
void UnprojectPixel(const Projection& projection, float sx, float sy, float& dx, float& dy);

} // namespace rm::raster
