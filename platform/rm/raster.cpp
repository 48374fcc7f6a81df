// Scanline rasterizer. A polygon is culled in camera space, clipped against the front and
// back planes and a guard band just outside the viewport (so every projected coordinate
// stays small), projected, and filled row by row: in one piece when its attributes lie on
// one set of planes (a flat face), else as a fan of triangles. Pixel centres sit at +0.5;
// a pixel belongs to a polygon when its centre lies inside, or on a top or left edge, so
// polygons sharing an edge cover each pixel of it exactly once.

#include "platform/rm/raster.h"

#include "platform/rm/raster_pixels.h"
#if !defined(KESTREL_RASTER_SCALAR)
#include "platform/rm/raster_wide.h"
#endif

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace rm::raster {
namespace {

using pixels::Texture;

// More corners are refused: the clip buffers are fixed-size so that drawing never allocates.
constexpr int MAX_CORNERS = 64;
constexpr int CLIP_PLANE_COUNT = 6;
// A convex polygon gains at most one corner per plane; the clipper refuses anything that
// would outgrow the buffer (only possible for non-convex input).
constexpr int MAX_CLIPPED = MAX_CORNERS + 2 * CLIP_PLANE_COUNT;

// Pixels beyond the viewport that a polygon may reach before it is clipped in camera space.
constexpr double GUARD_BAND = 64.0;

// Depth of a cleared pixel: farther than anything that can be drawn.
constexpr float CLEAR_DEPTH = FLT_MAX;

// Depth (and perspective-correct texture coordinates) are computed exactly at the ends of
// runs of pixels and stepped linearly between: one division per run, not one per pixel.
// A run is as long as 1/z changes by at most RUN_DEPTH_CHANGE along it, which keeps the
// stepped depth within about 1e-3 (relative) of the true one: whole spans for faces
// turned to the camera, a few pixels for faces seen nearly edge-on.
constexpr double RUN_DEPTH_CHANGE = 0.05;
constexpr double RUN_TEXEL_ERROR = 1.0 / 64; // see SetRunLength
constexpr int MIN_RUN_LENGTH = 2;
constexpr int MAX_RUN_LENGTH = 4096;
// Shorter runs (faces seen at a slant) are quicker one pixel at a time: the eight-pixel
// loop's setup would outweigh its few pixels. Both loops give the same pixels.
constexpr int MIN_WIDE_RUN = 8;

// Twice the screen area below which a polygon is skipped: it covers no pixel centre that
// its neighbours do not, and its gradients would be unbounded.
constexpr double MIN_DOUBLE_AREA = 1e-7;

struct PixelRect {
    int left = 0, top = 0, right = 0, bottom = 0; // right and bottom exclusive
    bool Empty() const { return left >= right || top >= bottom; }
};

PixelRect ViewportPixels(const RenderTarget& target, const Projection& viewport) {
    PixelRect rect;
    if (target.width <= 0 || target.height <= 0 || viewport.width <= 0 || viewport.height <= 0) {
        return rect;
    }
    rect.left = std::max(viewport.x, 0);
    rect.top = std::max(viewport.y, 0);
    rect.right = static_cast<int>(
        std::min<int64_t>(int64_t{viewport.x} + viewport.width, int64_t{target.width}));
    rect.bottom = static_cast<int>(
        std::min<int64_t>(int64_t{viewport.y} + viewport.height, int64_t{target.height}));
    return rect;
}

bool SameRect(const PixelRect& a, const PixelRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// ---------------------------------------------------------------------------------------
// Owed clears (see PendingClear). Outside a row's colour span the colour is the owed
// background while colorOwed holds; outside its depth span the depth is CLEAR_DEPTH while
// depthOwed holds. Each span only grows, and what it gains is filled in first.

using OwedSpan = PendingClear::Span;

bool IsEmpty(const OwedSpan& s) {
    return s.left >= s.right;
}

bool IsOwed(const PendingClear& p) {
    return p.colorOwed || p.depthOwed;
}

PixelRect OwedRect(const PendingClear& p) {
    return {p.left, p.top, p.right, p.bottom};
}

void FillColor(const RenderTarget& t, int y, int from, int to, uint32_t value) {
    if (from < to) {
        uint32_t* row = t.color + static_cast<size_t>(y) * t.width;
        std::fill(row + from, row + to, value);
    }
}

void FillDepth(const RenderTarget& t, int y, int from, int to) {
    if (from < to) {
        float* row = t.depth + static_cast<size_t>(y) * t.width;
        std::fill(row + from, row + to, CLEAR_DEPTH);
    }
}

// Widens `owned` to take in [start, end): `span(a, b)` for the new pixels inside
// [start, end), `gap(a, b)` for those between it and the old span.
template <typename Span, typename Gap>
void Widen(OwedSpan& owned, int start, int end, Span span, Gap gap) {
    if (IsEmpty(owned)) {
        span(start, end);
        owned = {start, end};
        return;
    }
    if (start < owned.left) {
        span(start, std::min(end, owned.left));
        gap(end, owned.left);
        owned.left = start;
    }
    if (end > owned.right) {
        gap(owned.right, start);
        span(std::max(start, owned.right), end);
        owned.right = end;
    }
}

// Pixels [start, end) of row y are about to be drawn: they, and the pixels between them and
// those already taken, get what is owed. A span pixel whose depth was owed passes the depth
// test (every drawn depth is finite) and is written, so it needs no background; one whose
// depth is real may fail the test and must show the background then.
void Reach(const RenderTarget& t, PendingClear& p, int y, int start, int end) {
    PendingClear::Row& row = p.rows[static_cast<size_t>(y)];
    const auto none = [](int, int) {};
    Widen(row.drawn, start, end, none, none);
    if (p.colorOwed) {
        const OwedSpan real = p.depthOwed ? row.depth : OwedSpan{start, end};
        const uint32_t background = p.color;
        Widen(
            row.color, start, end,
            [&](int a, int b) {
                FillColor(t, y, std::max(a, real.left), std::min(b, real.right), background);
            },
            [&](int a, int b) { FillColor(t, y, a, b, background); });
    }
    if (p.depthOwed) {
        const auto owed = [&](int a, int b) { FillDepth(t, y, a, b); };
        Widen(row.depth, start, end, owed, owed);
    }
}

// Fills [from, to) of row y except `keep`, which lies inside it.
template <typename Fill> void FillAround(int from, int to, const OwedSpan& keep, Fill fill) {
    if (IsEmpty(keep)) {
        fill(from, to);
        return;
    }
    fill(from, keep.left);
    fill(keep.right, to);
}

// Fills in the owed colour outside every row's colour span. Where the buffer is known to
// hold the background already, only the pixels drawn since are filled.
void SettleColorRows(const RenderTarget& t, PendingClear& p) {
    const bool known = p.settled == t.color && p.settledColor == p.color;
    for (int y = p.top; y < p.bottom; ++y) {
        PendingClear::Row& row = p.rows[static_cast<size_t>(y)];
        const auto fill = [&](int a, int b) { FillColor(t, y, a, b, p.color); };
        if (!known) {
            FillAround(p.left, p.right, row.color, fill);
        } else if (!IsEmpty(row.drawn)) {
            OwedSpan keep = row.color;
            keep.left = std::clamp(keep.left, row.drawn.left, row.drawn.right);
            keep.right = std::clamp(keep.right, keep.left, row.drawn.right);
            FillAround(row.drawn.left, row.drawn.right, keep, fill);
        }
        row.drawn = row.color;
    }
    p.settled = t.color;
    p.settledColor = p.color;
    p.colorOwed = false;
}

void SettleDepthRows(const RenderTarget& t, PendingClear& p) {
    for (int y = p.top; y < p.bottom; ++y) {
        FillAround(p.left, p.right, p.rows[static_cast<size_t>(y)].depth,
                   [&](int a, int b) { FillDepth(t, y, a, b); });
    }
    p.depthOwed = false;
}

bool NotedFor(const PendingClear& p, const RenderTarget& t) {
    return p.width == t.width && p.height == t.height &&
           p.rows.size() == static_cast<size_t>(t.height);
}

// The target's owed clear that drawing in `rect` must honour, or null. One noted for another
// rectangle is paid first; one noted for buffers of another size is forgotten. Drawing that
// nothing is owed for goes unrecorded, so what the buffer holds is no longer known.
PendingClear* OwedFor(const RenderTarget& t, const PixelRect& rect) {
    PendingClear* p = t.pending;
    if (p == nullptr) {
        return nullptr;
    }
    if (IsOwed(*p) && !NotedFor(*p, t)) {
        p->colorOwed = p->depthOwed = false;
    }
    if (IsOwed(*p) && !SameRect(OwedRect(*p), rect)) {
        if (p->colorOwed) {
            SettleColorRows(t, *p);
        }
        if (p->depthOwed) {
            SettleDepthRows(t, *p);
        }
    }
    if (!IsOwed(*p)) {
        p->settled = nullptr;
        return nullptr;
    }
    return p;
}

// The pending clear ready to take a new clear of `rect`, starting afresh when nothing is owed;
// the rows of `rect` owe their `cleared` span (colour or depth) whole again.
PendingClear& NoteClear(const RenderTarget& t, const PixelRect& rect,
                        PendingClear::Span PendingClear::Row::*cleared) {
    PendingClear& p = *t.pending;
    if (OwedFor(t, rect) == nullptr) {
        p.rows.resize(static_cast<size_t>(t.height));
        for (PendingClear::Row& row : p.rows) {
            row.color = row.depth = {};
        }
        p.left = rect.left;
        p.top = rect.top;
        p.right = rect.right;
        p.bottom = rect.bottom;
        p.width = t.width;
        p.height = t.height;
    }
    for (int y = rect.top; y < rect.bottom; ++y) {
        p.rows[static_cast<size_t>(y)].*cleared = {};
    }
    return p;
}

// Camera space to target pixels: the camera's y points up, the target's rows run down.
struct ScreenMap {
    double centerX = 0, centerY = 0, scale = 0;
};

bool MakeScreenMap(const Projection& p, ScreenMap& map) {
    if (p.width <= 0 || p.height <= 0 || !(p.field > 0.0f) || !std::isfinite(p.field)) {
        return false;
    }
    map.centerX = p.x + 0.5 * p.width;
    map.centerY = p.y + 0.5 * p.height;
    map.scale = 0.5 * std::min(p.width, p.height) / p.field;
    return std::isfinite(map.scale) && map.scale > 0.0;
}

// Unlike std::clamp, gives `low` for NaN, so the result is always safe to convert.
double ClampFinite(double value, double low, double high) {
    if (!(value >= low)) {
        return low;
    }
    return value <= high ? value : high;
}

float SaturateToFloat(double value) {
    return static_cast<float>(ClampFinite(value, -double{FLT_MAX}, double{FLT_MAX}));
}

// ---------------------------------------------------------------------------------------
// Camera-space work: input checks, culling, clipping.

// A corner in camera space. No member initialisers: the fixed clip buffers are filled
// before they are read, and clearing them for every polygon would cost more than the clip.
struct CameraVertex {
    float x, y, z, u, v, r, g, b;
};

struct ClipCorner {
    CameraVertex v;
    bool edgeToNext; // the edge to the next corner is one of the polygon's own
};

bool IsFinite(const Vertex& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z) && std::isfinite(v.u) &&
           std::isfinite(v.v) && std::isfinite(v.r) && std::isfinite(v.g) && std::isfinite(v.b);
}

// Copies the corners for clipping. Texture coordinates are shifted by whole turns so that
// they stay near zero, where floats are precise; colours are held to 0..1.
bool CopyCorners(const Vertex* corners, int count, ClipCorner* out) {
    for (int i = 0; i < count; ++i) {
        if (!IsFinite(corners[i])) {
            return false;
        }
    }
    const float turnsU = std::floor(corners[0].u);
    const float turnsV = std::floor(corners[0].v);
    for (int i = 0; i < count; ++i) {
        const Vertex& c = corners[i];
        const CameraVertex v = {c.x,
                                c.y,
                                c.z,
                                c.u - turnsU,
                                c.v - turnsV,
                                std::clamp(c.r, 0.0f, 1.0f),
                                std::clamp(c.g, 0.0f, 1.0f),
                                std::clamp(c.b, 0.0f, 1.0f)};
        out[i] = {v, true};
    }
    return true;
}

// Positive when the corners run clockwise as the camera sees them: the polygon's normal
// (Newell's method, sound for any corner count) then points back toward the camera, which
// sits at the origin.
double Facing(const Vertex* c, int count) {
    double nx = 0, ny = 0, nz = 0, sumX = 0, sumY = 0, sumZ = 0;
    for (int i = 0; i < count; ++i) {
        const Vertex& a = c[i];
        const Vertex& b = c[i + 1 == count ? 0 : i + 1];
        nx += (double{a.y} - b.y) * (double{a.z} + b.z);
        ny += (double{a.z} - b.z) * (double{a.x} + b.x);
        nz += (double{a.x} - b.x) * (double{a.y} + b.y);
        sumX += a.x;
        sumY += a.y;
        sumZ += a.z;
    }
    return -(nx * sumX + ny * sumY + nz * sumZ);
}

// Inside where a*x + b*y + c*z + d >= 0.
struct ClipPlane {
    enum Axis { X, Y, Z };
    double a = 0, b = 0, c = 0, d = 0;
    Axis solveFor = Z; // the coordinate set exactly on a cut (its coefficient is not zero)

    double Distance(const CameraVertex& v) const { return a * v.x + b * v.y + c * v.z + d; }

    // Puts a cut corner exactly on the plane. Interpolating between far-apart corners loses
    // the low digits of the coordinate across the plane; the plane gives them back.
    void Snap(CameraVertex& v) const {
        if (solveFor == X) {
            v.x = SaturateToFloat(-(b * v.y + c * v.z + d) / a);
        } else if (solveFor == Y) {
            v.y = SaturateToFloat(-(a * v.x + c * v.z + d) / b);
        } else {
            v.z = SaturateToFloat(-(a * v.x + b * v.y + d) / c);
        }
    }
};

float LerpValue(float p, float q, double t) {
    return SaturateToFloat(p + (double{q} - p) * t);
}

CameraVertex Lerp(const CameraVertex& p, const CameraVertex& q, double t) {
    CameraVertex v;
    v.x = LerpValue(p.x, q.x, t);
    v.y = LerpValue(p.y, q.y, t);
    v.z = LerpValue(p.z, q.z, t);
    v.u = LerpValue(p.u, q.u, t);
    v.v = LerpValue(p.v, q.v, t);
    v.r = LerpValue(p.r, q.r, t);
    v.g = LerpValue(p.g, q.g, t);
    v.b = LerpValue(p.b, q.b, t);
    return v;
}

// Sutherland-Hodgman against one plane. Returns the new corner count; 0 when nothing is
// left or the result would not fit.
int ClipAgainst(const ClipPlane& plane, const ClipCorner* in, int count, ClipCorner* out) {
    int written = 0;
    for (int i = 0; i < count; ++i) {
        const ClipCorner& current = in[i];
        const ClipCorner& next = in[i + 1 == count ? 0 : i + 1];
        const double dCurrent = plane.Distance(current.v);
        const double dNext = plane.Distance(next.v);
        if (written + 2 > MAX_CLIPPED) {
            return 0;
        }
        if (dCurrent >= 0) {
            out[written++] = current;
        }
        if ((dCurrent >= 0) != (dNext >= 0)) {
            ClipCorner cut;
            cut.v = Lerp(current.v, next.v, dCurrent / (dCurrent - dNext));
            plane.Snap(cut.v);
            // Leaving, the new edge runs along the plane; entering, it continues current's.
            cut.edgeToNext = dCurrent < 0 && current.edgeToNext;
            out[written++] = cut;
        }
    }
    return written;
}

bool AllInside(const ClipPlane& plane, const ClipCorner* corners, int count) {
    for (int i = 0; i < count; ++i) {
        if (plane.Distance(corners[i].v) < 0) {
            return false;
        }
    }
    return true;
}

// ---------------------------------------------------------------------------------------
// Screen-space work.

enum Attribute { W, U, V, R, G, B, ATTRIBUTE_COUNT };

// A projected corner. W is 1/z; U and V are u/z and v/z when texturing is perspective
// correct (then linear on the screen), plain u and v otherwise.
struct ScreenCorner {
    double x, y;
    double a[ATTRIBUTE_COUNT];
};

// Everything one DrawPolygon call needs, checked once.
struct Raster {
    RenderTarget* target = nullptr;
    PendingClear* pending = nullptr; // the clear still owed, when one is
    PixelRect rect;
    ScreenMap map;
    float front = 0, back = 0;
    double guardLeft = 0, guardTop = 0, guardRight = 0, guardBottom = 0;
    double minW = 0; // 1/z never drops below this, so z stays finite
    Texture texture;
    bool textured = false;
    bool perspective = false;
    bool quantize = false;
    bool dither = false;
    bool wide = false; // the pixel loops go eight pixels at a time
};

bool Prepare(RenderTarget& target, const Projection& projection, const PolygonStyle& style,
             Raster& r) {
    if (target.color == nullptr || target.depth == nullptr) {
        return false;
    }
    r.target = &target;
    r.rect = ViewportPixels(target, projection);
    if (r.rect.Empty() || !MakeScreenMap(projection, r.map)) {
        return false;
    }
    r.pending = OwedFor(target, r.rect);
    if (!(projection.front > 0.0f) || !(projection.back > projection.front) ||
        !std::isfinite(projection.back)) {
        return false;
    }
    r.front = projection.front;
    r.back = projection.back;
    r.guardLeft = r.rect.left - GUARD_BAND;
    r.guardTop = r.rect.top - GUARD_BAND;
    r.guardRight = r.rect.right + GUARD_BAND;
    r.guardBottom = r.rect.bottom + GUARD_BAND;
    r.minW = 0.5 / projection.back;
    r.textured = pixels::MakeTexture(style.texture, style.filter, r.texture);
    r.perspective = r.textured && style.perspective;
    r.quantize = target.bitsPerPixel <= 16;
    r.dither = target.dither;
#if !defined(KESTREL_RASTER_SCALAR)
    r.wide = target.widePixels && !r.quantize && wide::Available() &&
             (!r.textured || wide::FitsWide(r.texture));
#endif
    return true;
}

void MakeClipPlanes(const Raster& r, ClipPlane* planes) {
    const ScreenMap& m = r.map;
    planes[0] = {0, 0, 1, -double{r.front}, ClipPlane::Z};
    planes[1] = {0, 0, -1, double{r.back}, ClipPlane::Z};
    // For z > 0, screen x = cx + s*x/z >= left  <=>  s*x + (cx - left)*z >= 0; alike for
    // the other sides. The z planes come first, so z > 0 holds when these are applied.
    planes[2] = {m.scale, 0, m.centerX - r.guardLeft, 0, ClipPlane::X};
    planes[3] = {-m.scale, 0, r.guardRight - m.centerX, 0, ClipPlane::X};
    planes[4] = {0, -m.scale, m.centerY - r.guardTop, 0, ClipPlane::Y};
    planes[5] = {0, m.scale, r.guardBottom - m.centerY, 0, ClipPlane::Y};
}

// Clips in place (ping-ponging between the two buffers); returns the corners left.
int ClipPolygon(const Raster& r, ClipCorner*& corners, ClipCorner* spare, int count) {
    ClipPlane planes[CLIP_PLANE_COUNT];
    MakeClipPlanes(r, planes);
    for (const ClipPlane& plane : planes) {
        if (AllInside(plane, corners, count)) {
            continue;
        }
        count = ClipAgainst(plane, corners, count, spare);
        if (count < 3) {
            return 0;
        }
        std::swap(corners, spare);
    }
    return count;
}

ScreenCorner ToScreen(const Raster& r, const CameraVertex& v) {
    const double z = std::max(double{v.z}, 0.5 * r.front);
    const double w = 1.0 / z;
    ScreenCorner s;
    s.x = ClampFinite(r.map.centerX + r.map.scale * v.x * w, r.guardLeft, r.guardRight);
    s.y = ClampFinite(r.map.centerY - r.map.scale * v.y * w, r.guardTop, r.guardBottom);
    s.a[W] = w;
    s.a[U] = r.perspective ? v.u * w : v.u;
    s.a[V] = r.perspective ? v.v * w : v.v;
    s.a[R] = v.r;
    s.a[G] = v.g;
    s.a[B] = v.b;
    return s;
}

// The colour of one pixel: texel x lit colour (or the lit colour alone), quantised to
// 5-6-5 for a 16-bit target.
uint32_t ShadePixel(const Raster& r, uint32_t u, uint32_t v, pixels::Light light, int x, int y) {
    uint32_t rgb = pixels::LightColor(light);
    if (r.textured) {
        rgb = r.texture.bilinear ? pixels::ModulateBilinear(r.texture, u, v, light)
                                 : pixels::ModulateNearest(r.texture, u, v, light);
    }
    if (r.quantize) {
        rgb = pixels::Quantize565(rgb, r.dither ? pixels::BayerThreshold(x, y)
                                                : pixels::ROUND_THRESHOLD);
    }
    return rgb;
}

// Depth-tested write of one pixel inside the viewport; true when it was written.
bool Plot(const Raster& r, int x, int y, double z, double u, double v, double red, double green,
          double blue) {
    if (r.pending != nullptr) {
        Reach(*r.target, *r.pending, y, x, x + 1);
    }
    const size_t index = static_cast<size_t>(y) * r.target->width + x;
    const float depth = static_cast<float>(z);
    if (!(depth <= r.target->depth[index])) {
        return false;
    }
    r.target->depth[index] = depth;
    const pixels::Light light = pixels::MakeLight(pixels::ColorToFixed(static_cast<float>(red)),
                                                  pixels::ColorToFixed(static_cast<float>(green)),
                                                  pixels::ColorToFixed(static_cast<float>(blue)));
    r.target->color[index] =
        ShadePixel(r, pixels::WrapToFixed(u), pixels::WrapToFixed(v), light, x, y) | pixels::OPAQUE;
    return true;
}

bool InRect(const PixelRect& rect, double x, double y) {
    return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
}

// ---------------------------------------------------------------------------------------
// Points and wireframe.

bool DrawPoints(const Raster& r, const ClipCorner* corners, int count) {
    bool drawn = false;
    for (int i = 0; i < count; ++i) {
        const CameraVertex& v = corners[i].v;
        if (!(v.z >= r.front && v.z <= r.back)) {
            continue;
        }
        const double x = r.map.centerX + r.map.scale * v.x / v.z;
        const double y = r.map.centerY - r.map.scale * v.y / v.z;
        if (InRect(r.rect, x, y)) {
            drawn |= Plot(r, static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y)), v.z,
                          v.u, v.v, v.r, v.g, v.b);
        }
    }
    return drawn;
}

// One pixel per step along the longer axis; 1/z and the attributes are linear on the screen.
bool DrawLine(const Raster& r, const ScreenCorner& a, const ScreenCorner& b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const int steps =
        std::max(1, static_cast<int>(std::ceil(std::max(std::fabs(dx), std::fabs(dy)))));
    bool drawn = false;
    for (int i = 0; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps;
        const double x = a.x + dx * t, y = a.y + dy * t;
        if (!InRect(r.rect, x, y)) {
            continue;
        }
        double at[ATTRIBUTE_COUNT];
        for (int k = 0; k < ATTRIBUTE_COUNT; ++k) {
            at[k] = a.a[k] + (b.a[k] - a.a[k]) * t;
        }
        const double z = 1.0 / std::max(at[W], r.minW);
        const double u = r.perspective ? at[U] * z : at[U];
        const double v = r.perspective ? at[V] * z : at[V];
        drawn |= Plot(r, static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y)), z, u, v,
                      at[R], at[G], at[B]);
    }
    return drawn;
}

// ---------------------------------------------------------------------------------------
// Solid fill.

// The attributes of a triangle, or of a flat polygon, as planes over the screen:
// a(x, y) = at0 + dx*(x-x0) + dy*(y-y0).
struct AttributePlanes {
    int runLength = MIN_RUN_LENGTH;
    double perRunPixel = 1.0 / MIN_RUN_LENGTH; // 1 / runLength
    bool flatLight = false;                    // the lit colour is the same everywhere: `light`
    int32_t light[3] = {};
    double x0 = 0, y0 = 0;
    double at0[ATTRIBUTE_COUNT] = {};
    double dx[ATTRIBUTE_COUNT] = {};
    double dy[ATTRIBUTE_COUNT] = {};
    double At(int k, double x, double y) const {
        return at0[k] + (x - x0) * dx[k] + (y - y0) * dy[k];
    }
};

bool MakeAttributePlanes(const ScreenCorner& p0, const ScreenCorner& p1, const ScreenCorner& p2,
                         AttributePlanes& planes) {
    const double ex1 = p1.x - p0.x, ey1 = p1.y - p0.y;
    const double ex2 = p2.x - p0.x, ey2 = p2.y - p0.y;
    const double doubleArea = ex1 * ey2 - ex2 * ey1;
    if (!(std::fabs(doubleArea) > MIN_DOUBLE_AREA)) {
        return false;
    }
    const double inverse = 1.0 / doubleArea;
    planes.x0 = p0.x;
    planes.y0 = p0.y;
    for (int k = 0; k < ATTRIBUTE_COUNT; ++k) {
        const double d1 = p1.a[k] - p0.a[k], d2 = p2.a[k] - p0.a[k];
        planes.at0[k] = p0.a[k];
        planes.dx[k] = (d1 * ey2 - d2 * ey1) * inverse;
        planes.dy[k] = (d2 * ex1 - d1 * ex2) * inverse;
    }
    planes.flatLight = true;
    for (int channel = 0; channel < 3; ++channel) {
        const int k = R + channel;
        planes.flatLight = planes.flatLight && planes.dx[k] == 0 && planes.dy[k] == 0;
        planes.light[channel] = pixels::ColorToFixed(static_cast<float>(planes.at0[k]));
    }
    return true;
}

// Texels per pixel along a row where it is largest, at a corner, for perspective-correct
// coordinates: u = U / W for the planes U = u/z and W = 1/z, so du/dx = (dU/dx - u dW/dx) / W.
double TexelsPerPixel(const Raster& r, const ScreenCorner* c, int count,
                      const AttributePlanes& planes) {
    double most = 0;
    for (int i = 0; i < count; ++i) {
        const double w = c[i].a[W];
        const double du = (planes.dx[U] - c[i].a[U] / w * planes.dx[W]) / w;
        const double dv = (planes.dx[V] - c[i].a[V] / w * planes.dx[W]) / w;
        most = std::max({most, std::fabs(du) * r.texture.width, std::fabs(dv) * r.texture.height});
    }
    return most;
}

// Faces turned square to the camera have 1/z nearly constant along a row: whole spans can
// then be single runs. Texture coordinates stepped linearly over a run of L pixels stray
// from the perspective-correct ones by up to L^2 / 4 * |dW/dx| / W * (texels per pixel),
// which must stay below RUN_TEXEL_ERROR, or textures on faces seen at a slant are misplaced
// by whole texels in the middle of long runs.
void SetRunLength(const Raster& r, const ScreenCorner* c, int count, AttributePlanes& planes) {
    double farthestW = c[0].a[W];
    for (int i = 1; i < count; ++i) {
        farthestW = std::min(farthestW, c[i].a[W]);
    }
    const double wSlope = std::fabs(planes.dx[W]);
    double runLength = wSlope > 0 ? RUN_DEPTH_CHANGE * farthestW / wSlope : MAX_RUN_LENGTH;
    const double texels = r.perspective ? TexelsPerPixel(r, c, count, planes) : 0.0;
    if (wSlope > 0 && texels > 0) {
        runLength =
            std::min(runLength, std::sqrt(4 * RUN_TEXEL_ERROR * farthestW / (wSlope * texels)));
    }
    planes.runLength =
        static_cast<int>(std::clamp(runLength, double{MIN_RUN_LENGTH}, double{MAX_RUN_LENGTH}));
    planes.perRunPixel = 1.0 / planes.runLength;
}

// One edge walked down the rows. x is computed from the edge's own upper end on every row,
// so two triangles sharing the edge get bit-identical spans.
struct Edge {
    double x0 = 0, y0 = 0, slope = 0;
    int firstRow = 0, endRow = 0; // rows whose pixel centres lie in [upper y, lower y)

    double XAt(double y) const { return x0 + (y - y0) * slope; }
};

int FirstPixelAtOrAfter(double coordinate) {
    return static_cast<int>(std::ceil(coordinate - 0.5));
}

Edge MakeEdge(const ScreenCorner& upper, const ScreenCorner& lower) {
    Edge e;
    e.x0 = upper.x;
    e.y0 = upper.y;
    e.firstRow = FirstPixelAtOrAfter(upper.y);
    e.endRow = FirstPixelAtOrAfter(lower.y);
    if (e.endRow > e.firstRow) {
        e.slope = (lower.x - upper.x) / (lower.y - upper.y);
    }
    return e;
}

// Lit colours are linear along the span: one set of steps from its first to its last pixel,
// truncated toward zero so that every pixel stays between the two in-range ends.
void SetSpanLight(const AttributePlanes& planes, double first, double last, double y, int length,
                  pixels::Run& run) {
    if (planes.flatLight) {
        for (int channel = 0; channel < 3; ++channel) {
            run.light[channel] = planes.light[channel];
            run.dLight[channel] = 0;
        }
        return;
    }
    const double perPixel = length > 1 ? 1.0 / (length - 1) : 0.0;
    for (int channel = 0; channel < 3; ++channel) {
        const int k = R + channel;
        const int32_t from = pixels::ColorToFixed(static_cast<float>(planes.At(k, first, y)));
        const int32_t to = pixels::ColorToFixed(static_cast<float>(planes.At(k, last, y)));
        run.light[channel] = from;
        run.dLight[channel] = static_cast<int32_t>((to - from) * perPixel);
    }
}

// Depth, and texture coordinates when they are perspective correct, need a division; they
// are computed exactly at the start of every run and stepped linearly within it.
struct RunPoint {
    double z = 0, u = 0, v = 0;
};

RunPoint RunPointAt(const Raster& r, const AttributePlanes& planes, double x, double y) {
    RunPoint p;
    p.z = 1.0 / std::max(planes.At(W, x, y), r.minW);
    if (r.textured) {
        p.u = planes.At(U, x, y);
        p.v = planes.At(V, x, y);
        if (r.perspective) {
            p.u *= p.z;
            p.v *= p.z;
        }
    }
    return p;
}

// `to` lies `steps` pixels after `from`; perPixel is 1 / steps (0 for none).
void SetRun(const RunPoint& from, const RunPoint& to, double perPixel, pixels::Run& run) {
    run.z = static_cast<float>(from.z);
    run.dz = static_cast<float>((to.z - from.z) * perPixel);
    run.u = pixels::WrapToFixed(from.u);
    run.du = pixels::StepToFixed((to.u - from.u) * perPixel);
    run.v = pixels::WrapToFixed(from.v);
    run.dv = pixels::StepToFixed((to.v - from.v) * perPixel);
}

pixels::Light LightOf(const int32_t (&channels)[3]) {
    return pixels::MakeLight(channels[0], channels[1], channels[2]);
}

// The one-pixel loop's texture coordinates and lit colour, stepped pixel by pixel.
struct Stepper {
    uint32_t u, du, v, dv;
    pixels::Light light, dLight;

    explicit Stepper(const pixels::Run& run)
        : u(run.u), du(run.du), v(run.v), dv(run.dv), light(LightOf(run.light)),
          dLight(LightOf(run.dLight)) {}
    void Step() {
        u += du;
        v += dv;
        light = pixels::AddLight(light, dLight);
    }
};

// The depth-tested pixel loop, one pixel at a time, with the colour of pixel i of the run
// given by `shade`.
template <typename Shade>
bool FillPixels(const pixels::Run& run, uint32_t* color, float* depth, int length, Shade shade) {
    Stepper s(run); // a local stays in registers: the colour stores might alias the run
    const float z0 = run.z, dz = run.dz;
    bool drawn = false;
    for (int i = 0; i < length; ++i) {
        const float z = z0 + static_cast<float>(i) * dz;
        if (z <= depth[i]) {
            depth[i] = z;
            color[i] = shade(s, i) | pixels::OPAQUE;
            drawn = true;
        }
        s.Step();
    }
    return drawn;
}

bool IsFlat(const pixels::Run& run) {
    return run.dLight[0] == 0 && run.dLight[1] == 0 && run.dLight[2] == 0;
}

#if !defined(KESTREL_RASTER_SCALAR)
// The same runs eight pixels at a time, where the processor can.
bool FillWide(const Raster& r, const pixels::Run& run, uint32_t* color, float* depth, int length) {
    if (!r.textured) {
        return IsFlat(run) ? wide::FillFlat(run, pixels::LightColor(LightOf(run.light)), color,
                                            depth, length)
                           : wide::FillLit(run, color, depth, length);
    }
    return r.texture.bilinear ? wide::FillBilinear(run, r.texture, color, depth, length)
                              : wide::FillNearest(run, r.texture, color, depth, length);
}
#endif

// Picks the pixel loop once per run, so that the common cases have no per-pixel choices.
bool FillRun(const Raster& r, const pixels::Run& run, int x, int y, int length) {
    const size_t first = static_cast<size_t>(y) * r.target->width + x;
    uint32_t* color = r.target->color + first;
    float* depth = r.target->depth + first;
    const Texture& t = r.texture;
    if (r.quantize) {
        return FillPixels(run, color, depth, length, [&r, x, y](const Stepper& p, int i) {
            return ShadePixel(r, p.u, p.v, p.light, x + i, y);
        });
    }
#if !defined(KESTREL_RASTER_SCALAR)
    if (r.wide && length >= MIN_WIDE_RUN) {
        return FillWide(r, run, color, depth, length);
    }
#endif
    if (!r.textured && IsFlat(run)) { // a flat-coloured face: one colour
        const uint32_t rgb = pixels::LightColor(LightOf(run.light));
        return FillPixels(run, color, depth, length, [rgb](const Stepper&, int) { return rgb; });
    }
    if (!r.textured) {
        return FillPixels(run, color, depth, length,
                          [](const Stepper& p, int) { return pixels::LightColor(p.light); });
    }
    // The texture is captured by value, so the pixel stores cannot alias its fields.
    if (t.bilinear) {
        return FillPixels(run, color, depth, length, [t](const Stepper& p, int) {
            return pixels::ModulateBilinear(t, p.u, p.v, p.light);
        });
    }
    return FillPixels(run, color, depth, length, [t](const Stepper& p, int) {
        return pixels::ModulateNearest(t, p.u, p.v, p.light);
    });
}

// Pixels [start, end) of row y, cut to the viewport. A run ends where the next begins, so
// one division serves both; the last run ends on the span's last pixel, because a point
// beyond the edge could lie past the texture's edge and wrap.
// The attributes are taken at height centerY, the row's centre unless said otherwise.
bool DrawSpan(const Raster& r, const AttributePlanes& planes, int y, int start, int end,
              double centerY) {
    start = std::max(start, r.rect.left);
    end = std::min(end, r.rect.right);
    if (start >= end) {
        return false;
    }
    if (r.pending != nullptr) {
        Reach(*r.target, *r.pending, y, start, end);
    }
    pixels::Run run;
    SetSpanLight(planes, start + 0.5, end - 0.5, centerY, end - start, run);
    RunPoint from = RunPointAt(r, planes, start + 0.5, centerY);
    bool drawn = false;
    for (int x = start; x < end;) {
        const int length = std::min(planes.runLength, end - x);
        const int steps = x + length == end ? length - 1 : length;
        const RunPoint to = RunPointAt(r, planes, x + steps + 0.5, centerY);
        SetRun(from, to,
               steps == planes.runLength ? planes.perRunPixel
               : steps > 0               ? 1.0 / steps
                                         : 0.0,
               run);
        drawn |= FillRun(r, run, x, y, length);
        for (int channel = 0; channel < 3; ++channel) {
            run.light[channel] += length * run.dLight[channel];
        }
        from = to;
        x += length;
    }
    return drawn;
}

// One side of a polygon, walked edge by edge from its top corner down to its bottom corner.
struct Side {
    const ScreenCorner* corners;
    int count, direction, current, bottom;
    Edge edge;

    Side(const ScreenCorner* c, int n, int top, int bottomCorner, int step)
        : corners(c), count(n), direction(step), current(top), bottom(bottomCorner),
          edge(MakeEdge(c[top], c[top])) {}

    // The edge that spans `row`, moving down the side as far as needed.
    const Edge& EdgeAt(int row) {
        while (row >= edge.endRow && current != bottom) {
            const int next = (current + direction + count) % count;
            edge = MakeEdge(corners[current], corners[next]);
            current = next;
        }
        return edge;
    }
};

void FindTopAndBottom(const ScreenCorner* c, int count, int& top, int& bottom) {
    top = bottom = 0;
    for (int i = 1; i < count; ++i) {
        if (c[i].y < c[top].y) {
            top = i;
        }
        if (c[i].y > c[bottom].y) {
            bottom = i;
        }
    }
}

// True when both ways round from the top corner to the bottom one only go down (or across):
// every row then meets the polygon in one span. Convex polygons always pass.
bool RunsDownBothSides(const ScreenCorner* c, int count) {
    int top, bottom;
    FindTopAndBottom(c, count, top, bottom);
    for (int direction : {1, -1}) {
        for (int i = top; i != bottom;) {
            const int next = (i + direction + count) % count;
            if (c[next].y < c[i].y) {
                return false;
            }
            i = next;
        }
    }
    return true;
}

// Twice the signed area; positive when the corners run clockwise on the target, whose y
// axis points down.
double DoubleArea(const ScreenCorner* c, int count) {
    double sum = 0;
    for (int i = 0; i < count; ++i) {
        const ScreenCorner& a = c[i];
        const ScreenCorner& b = c[i + 1 == count ? 0 : i + 1];
        sum += a.x * b.y - b.x * a.y;
    }
    return sum;
}

// A polygon less than a pixel tall that lies between two rows' centres covers none of them:
// it is drawn on the row its middle lies in, as wide as it is, so a thin bar (the pay line)
// does not come and go with the window's height.
bool FillSliver(const Raster& r, const ScreenCorner* c, int count, const AttributePlanes& planes,
                double middleY) {
    const int y = static_cast<int>(std::floor(middleY));
    if (y < r.rect.top || y >= r.rect.bottom) {
        return false;
    }
    double left = c[0].x, right = c[0].x;
    for (int i = 1; i < count; ++i) {
        left = std::min(left, c[i].x);
        right = std::max(right, c[i].x);
    }
    return DrawSpan(r, planes, y, FirstPixelAtOrAfter(left), FirstPixelAtOrAfter(right), middleY);
}

// Fills a polygon that RunsDownBothSides, row by row between its two sides.
bool FillPolygon(const Raster& r, const ScreenCorner* c, int count, const AttributePlanes& planes) {
    const double area = DoubleArea(c, count);
    if (!(std::fabs(area) > MIN_DOUBLE_AREA)) {
        return false;
    }
    int top, bottom;
    FindTopAndBottom(c, count, top, bottom);
    if (FirstPixelAtOrAfter(c[top].y) == FirstPixelAtOrAfter(c[bottom].y)) {
        return FillSliver(r, c, count, planes, (c[top].y + c[bottom].y) / 2);
    }
    // Clockwise on the target, the corners after the top one lead down the right side.
    Side right(c, count, top, bottom, area > 0 ? 1 : -1);
    Side left(c, count, top, bottom, area > 0 ? -1 : 1);
    const int firstRow = std::max(FirstPixelAtOrAfter(c[top].y), r.rect.top);
    const int endRow = std::min(FirstPixelAtOrAfter(c[bottom].y), r.rect.bottom);
    bool drawn = false;
    for (int y = firstRow; y < endRow; ++y) {
        const double centerY = y + 0.5;
        const double leftX = left.EdgeAt(y).XAt(centerY);
        const double rightX = right.EdgeAt(y).XAt(centerY);
        drawn |= DrawSpan(r, planes, y, FirstPixelAtOrAfter(leftX), FirstPixelAtOrAfter(rightX),
                          centerY);
    }
    return drawn;
}

// How far an attribute of a corner may stray from the planes for them to serve the whole
// polygon: 1e-4 of depth or of a texture turn (both scaled by 1/z when they are), and a
// quarter of a colour level.
double PlaneTolerance(const Raster& r, const ScreenCorner& c, int k) {
    if (k == W || (r.perspective && (k == U || k == V))) {
        return 1e-4 * c.a[W];
    }
    return k == U || k == V ? 1e-4 : 1.0 / 1024;
}

// Planes through the largest triangle of the fan. They serve the whole polygon when every
// corner lies on them, as it does for a flat face with affine texture coordinates and
// colours; then the polygon is filled in one piece rather than as a fan of triangles.
bool MakePolygonPlanes(const Raster& r, const ScreenCorner* c, int count, AttributePlanes& planes) {
    int widest = 1;
    double widestArea = 0;
    for (int i = 1; i + 1 < count; ++i) {
        const double area = std::fabs((c[i].x - c[0].x) * (c[i + 1].y - c[0].y) -
                                      (c[i + 1].x - c[0].x) * (c[i].y - c[0].y));
        if (area > widestArea) {
            widestArea = area;
            widest = i;
        }
    }
    if (!MakeAttributePlanes(c[0], c[widest], c[widest + 1], planes)) {
        return false;
    }
    for (int i = 0; i < count; ++i) {
        for (int k = 0; k < ATTRIBUTE_COUNT; ++k) {
            if (!(std::fabs(c[i].a[k] - planes.At(k, c[i].x, c[i].y)) <=
                  PlaneTolerance(r, c[i], k))) {
                return false;
            }
        }
    }
    return true;
}

bool FillProjected(const Raster& r, const ScreenCorner* screen, int count) {
    AttributePlanes planes;
    if (MakePolygonPlanes(r, screen, count, planes) && RunsDownBothSides(screen, count)) {
        SetRunLength(r, screen, count, planes);
        return FillPolygon(r, screen, count, planes);
    }
    bool drawn = false;
    for (int i = 1; i + 1 < count; ++i) {
        const ScreenCorner triangle[3] = {screen[0], screen[i], screen[i + 1]};
        if (MakeAttributePlanes(triangle[0], triangle[1], triangle[2], planes)) {
            SetRunLength(r, triangle, 3, planes);
            drawn |= FillPolygon(r, triangle, 3, planes);
        }
    }
    return drawn;
}

// The polygon's own edges; those made by clipping are left out.
bool DrawEdges(const Raster& r, const ClipCorner* corners, const ScreenCorner* screen, int count) {
    bool drawn = false;
    for (int i = 0; i < count; ++i) {
        if (corners[i].edgeToNext) {
            drawn |= DrawLine(r, screen[i], screen[i + 1 == count ? 0 : i + 1]);
        }
    }
    return drawn;
}

bool DrawClipped(const Raster& r, const ClipCorner* corners, int count, FillMode fill) {
    ScreenCorner screen[MAX_CLIPPED];
    for (int i = 0; i < count; ++i) {
        screen[i] = ToScreen(r, corners[i].v);
    }
    return fill == FillMode::Wireframe ? DrawEdges(r, corners, screen, count)
                                       : FillProjected(r, screen, count);
}

void FillRect(const RenderTarget& target, const PixelRect& rect, auto* buffer, auto value) {
    for (int y = rect.top; y < rect.bottom; ++y) {
        auto* row = buffer + static_cast<size_t>(y) * target.width;
        std::fill(row + rect.left, row + rect.right, value);
    }
}

} // namespace

void Clear(RenderTarget& target, const Projection& viewport, uint32_t rgb) {
    const PixelRect rect = ViewportPixels(target, viewport);
    if (target.color == nullptr || rect.Empty()) {
        return;
    }
    uint32_t value = rgb & 0xFFFFFFu;
    if (target.bitsPerPixel <= 16) {
        value = pixels::Quantize565(value, pixels::ROUND_THRESHOLD);
    }
    value |= pixels::OPAQUE;
    if (target.pending == nullptr) {
        FillRect(target, rect, target.color, value);
        return;
    }
    PendingClear& p = NoteClear(target, rect, &PendingClear::Row::color);
    p.color = value;
    p.colorOwed = true;
}

void ClearDepth(RenderTarget& target, const Projection& viewport) {
    const PixelRect rect = ViewportPixels(target, viewport);
    if (target.depth == nullptr || rect.Empty()) {
        return;
    }
    if (target.pending == nullptr) {
        FillRect(target, rect, target.depth, CLEAR_DEPTH);
        return;
    }
    NoteClear(target, rect, &PendingClear::Row::depth).depthOwed = true;
}

void SettleColor(RenderTarget& target) {
    PendingClear* p = target.pending;
    if (p != nullptr && p->colorOwed && NotedFor(*p, target)) {
        SettleColorRows(target, *p);
    }
}

void TradeSettled(PendingClear& pending, SettledBuffer& other) {
    other.drawn.resize(pending.rows.size()); // rows it never had: nothing known of them
    for (size_t y = 0; y < pending.rows.size(); ++y) {
        std::swap(pending.rows[y].drawn, other.drawn[y]);
    }
    std::swap(pending.settled, other.settled);
    std::swap(pending.settledColor, other.settledColor);
}

bool DrawPolygon(RenderTarget& target, const Projection& projection, const Vertex* corners,
                 int count, const PolygonStyle& style) {
    if (corners == nullptr || count < 3 || count > MAX_CORNERS) {
        return false;
    }
    Raster r;
    ClipCorner first[MAX_CLIPPED];
    ClipCorner second[MAX_CLIPPED];
    if (!Prepare(target, projection, style, r) || !CopyCorners(corners, count, first)) {
        return false;
    }
    const double facing = Facing(corners, count);
    if (!(facing > 0.0) && !(facing < 0.0 && !style.cullBackFaces)) {
        return false;
    }
    if (style.fill == FillMode::Points) {
        return DrawPoints(r, first, count);
    }
    ClipCorner* clipped = first;
    count = ClipPolygon(r, clipped, second, count);
    if (count < 3) {
        return false;
    }
    return DrawClipped(r, clipped, count, style.fill);
}

bool ProjectPoint(const Projection& projection, float x, float y, float z, float& sx, float& sy) {
    sx = 0;
    sy = 0;
    ScreenMap map;
    if (!(z > 0.0f) || !std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z) ||
        !MakeScreenMap(projection, map)) {
        return false;
    }
    sx = SaturateToFloat(map.centerX + map.scale * x / z);
    sy = SaturateToFloat(map.centerY - map.scale * y / z);
    return true;
}

void UnprojectPixel(const Projection& projection, float sx, float sy, float& dx, float& dy) {
    dx = 0;
    dy = 0;
    ScreenMap map;
    if (!MakeScreenMap(projection, map)) {
        return;
    }
    dx = SaturateToFloat((sx + 0.5 - map.centerX) / map.scale);
    dy = SaturateToFloat((map.centerY - (sy + 0.5)) / map.scale);
}

} // namespace rm::raster
