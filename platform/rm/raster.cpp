// Scanline rasterizer. A polygon is culled in camera space, clipped against the front and
// back planes and a guard band just outside the viewport (so every projected coordinate
// stays small), projected, split into a fan of triangles and filled span by span. Pixel
// centres sit at +0.5; a pixel belongs to a triangle when its centre lies inside, or on a
// top or left edge, so triangles sharing an edge cover each pixel of it exactly once.

#include "platform/rm/raster.h"

#include "platform/rm/raster_pixels.h"

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
constexpr int kMaxCorners = 64;
constexpr int kClipPlaneCount = 6;
// A convex polygon gains at most one corner per plane; the clipper refuses anything that
// would outgrow the buffer (only possible for non-convex input).
constexpr int kMaxClipped = kMaxCorners + 2 * kClipPlaneCount;

// Pixels beyond the viewport that a polygon may reach before it is clipped in camera space.
constexpr double kGuardBand = 64.0;

// Depth of a cleared pixel: farther than anything that can be drawn.
constexpr float kClearDepth = FLT_MAX;

// Depth (and perspective-correct texture coordinates) are computed exactly every
// kRunLength pixels and stepped linearly between: two divisions per run, not one per pixel.
constexpr int kRunLength = 16;

// Twice the screen area below which a triangle is skipped: it covers no pixel centre that
// its neighbours do not, and its gradients would be unbounded.
constexpr double kMinDoubleArea = 1e-7;

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

struct ClipCorner {
    Vertex v;
    bool edgeToNext = true; // the edge to the next corner is one of the polygon's own
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
        Vertex v = corners[i];
        v.u -= turnsU;
        v.v -= turnsV;
        v.r = std::clamp(v.r, 0.0f, 1.0f);
        v.g = std::clamp(v.g, 0.0f, 1.0f);
        v.b = std::clamp(v.b, 0.0f, 1.0f);
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
    enum Axis { kX, kY, kZ };
    double a = 0, b = 0, c = 0, d = 0;
    Axis solveFor = kZ; // the coordinate set exactly on a cut (its coefficient is not zero)

    double Distance(const Vertex& v) const { return a * v.x + b * v.y + c * v.z + d; }

    // Puts a cut corner exactly on the plane. Interpolating between far-apart corners loses
    // the low digits of the coordinate across the plane; the plane gives them back.
    void Snap(Vertex& v) const {
        if (solveFor == kX) {
            v.x = SaturateToFloat(-(b * v.y + c * v.z + d) / a);
        } else if (solveFor == kY) {
            v.y = SaturateToFloat(-(a * v.x + c * v.z + d) / b);
        } else {
            v.z = SaturateToFloat(-(a * v.x + b * v.y + d) / c);
        }
    }
};

float LerpValue(float p, float q, double t) {
    return SaturateToFloat(p + (double{q} - p) * t);
}

Vertex Lerp(const Vertex& p, const Vertex& q, double t) {
    Vertex v;
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
        if (written + 2 > kMaxClipped) {
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

enum Attribute { kW, kU, kV, kR, kG, kB, kAttributeCount };

// A projected corner. kW is 1/z; kU and kV are u/z and v/z when texturing is perspective
// correct (then linear on the screen), plain u and v otherwise.
struct ScreenCorner {
    double x = 0, y = 0;
    double a[kAttributeCount] = {};
};

// Everything one DrawPolygon call needs, checked once.
struct Raster {
    RenderTarget* target = nullptr;
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
    if (!(projection.front > 0.0f) || !(projection.back > projection.front) ||
        !std::isfinite(projection.back)) {
        return false;
    }
    r.front = projection.front;
    r.back = projection.back;
    r.guardLeft = r.rect.left - kGuardBand;
    r.guardTop = r.rect.top - kGuardBand;
    r.guardRight = r.rect.right + kGuardBand;
    r.guardBottom = r.rect.bottom + kGuardBand;
    r.minW = 0.5 / projection.back;
    r.textured = pixels::MakeTexture(style.texture, style.filter, r.texture);
    r.perspective = r.textured && style.perspective;
    r.quantize = target.bitsPerPixel <= 16;
    r.dither = target.dither;
    return true;
}

void MakeClipPlanes(const Raster& r, ClipPlane* planes) {
    const ScreenMap& m = r.map;
    planes[0] = {0, 0, 1, -double{r.front}, ClipPlane::kZ};
    planes[1] = {0, 0, -1, double{r.back}, ClipPlane::kZ};
    // For z > 0, screen x = cx + s*x/z >= left  <=>  s*x + (cx - left)*z >= 0; alike for
    // the other sides. The z planes come first, so z > 0 holds when these are applied.
    planes[2] = {m.scale, 0, m.centerX - r.guardLeft, 0, ClipPlane::kX};
    planes[3] = {-m.scale, 0, r.guardRight - m.centerX, 0, ClipPlane::kX};
    planes[4] = {0, -m.scale, m.centerY - r.guardTop, 0, ClipPlane::kY};
    planes[5] = {0, m.scale, r.guardBottom - m.centerY, 0, ClipPlane::kY};
}

// Clips in place (ping-ponging between the two buffers); returns the corners left.
int ClipPolygon(const Raster& r, ClipCorner*& corners, ClipCorner* spare, int count) {
    ClipPlane planes[kClipPlaneCount];
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

ScreenCorner ToScreen(const Raster& r, const Vertex& v) {
    const double z = std::max(double{v.z}, 0.5 * r.front);
    const double w = 1.0 / z;
    ScreenCorner s;
    s.x = ClampFinite(r.map.centerX + r.map.scale * v.x * w, r.guardLeft, r.guardRight);
    s.y = ClampFinite(r.map.centerY - r.map.scale * v.y * w, r.guardTop, r.guardBottom);
    s.a[kW] = w;
    s.a[kU] = r.perspective ? v.u * w : v.u;
    s.a[kV] = r.perspective ? v.v * w : v.v;
    s.a[kR] = v.r;
    s.a[kG] = v.g;
    s.a[kB] = v.b;
    return s;
}

// The colour of one pixel: texel x lit colour (or the lit colour alone), quantised to
// 5-6-5 for a 16-bit target.
inline uint32_t ShadePixel(const Raster& r, uint32_t u, uint32_t v, int32_t red, int32_t green,
                           int32_t blue, int x, int y) {
    uint32_t rgb = r.textured ? pixels::Modulate(pixels::Sample(r.texture, u, v), red, green, blue)
                              : pixels::PackColor(red, green, blue);
    if (r.quantize) {
        rgb = pixels::Quantize565(rgb, r.dither ? pixels::BayerThreshold(x, y)
                                                : pixels::kRoundThreshold);
    }
    return rgb;
}

// Depth-tested write of one pixel inside the viewport; true when it was written.
bool Plot(const Raster& r, int x, int y, double z, double u, double v, double red, double green,
          double blue) {
    const size_t index = static_cast<size_t>(y) * r.target->width + x;
    const float depth = static_cast<float>(z);
    if (!(depth <= r.target->depth[index])) {
        return false;
    }
    r.target->depth[index] = depth;
    r.target->color[index] = ShadePixel(r, pixels::WrapToFixed(u), pixels::WrapToFixed(v),
                                        pixels::ColorToFixed(static_cast<float>(red)),
                                        pixels::ColorToFixed(static_cast<float>(green)),
                                        pixels::ColorToFixed(static_cast<float>(blue)), x, y);
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
        const Vertex& v = corners[i].v;
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
        double at[kAttributeCount];
        for (int k = 0; k < kAttributeCount; ++k) {
            at[k] = a.a[k] + (b.a[k] - a.a[k]) * t;
        }
        const double z = 1.0 / std::max(at[kW], r.minW);
        const double u = r.perspective ? at[kU] * z : at[kU];
        const double v = r.perspective ? at[kV] * z : at[kV];
        drawn |= Plot(r, static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y)), z, u, v,
                      at[kR], at[kG], at[kB]);
    }
    return drawn;
}

// ---------------------------------------------------------------------------------------
// Solid fill.

// The attributes of a triangle as planes over the screen: a(x, y) = at0 + dx*(x-x0) + dy*(y-y0).
struct AttributePlanes {
    double x0 = 0, y0 = 0;
    double at0[kAttributeCount] = {};
    double dx[kAttributeCount] = {};
    double dy[kAttributeCount] = {};
    double At(int k, double x, double y) const {
        return at0[k] + (x - x0) * dx[k] + (y - y0) * dy[k];
    }
};

bool MakeAttributePlanes(const ScreenCorner& p0, const ScreenCorner& p1, const ScreenCorner& p2,
                         AttributePlanes& planes) {
    const double ex1 = p1.x - p0.x, ey1 = p1.y - p0.y;
    const double ex2 = p2.x - p0.x, ey2 = p2.y - p0.y;
    const double doubleArea = ex1 * ey2 - ex2 * ey1;
    if (!(std::fabs(doubleArea) > kMinDoubleArea)) {
        return false;
    }
    const double inverse = 1.0 / doubleArea;
    planes.x0 = p0.x;
    planes.y0 = p0.y;
    for (int k = 0; k < kAttributeCount; ++k) {
        const double d1 = p1.a[k] - p0.a[k], d2 = p2.a[k] - p0.a[k];
        planes.at0[k] = p0.a[k];
        planes.dx[k] = (d1 * ey2 - d2 * ey1) * inverse;
        planes.dy[k] = (d2 * ex1 - d1 * ex2) * inverse;
    }
    return true;
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

// The values at the first pixel of a run and their per-pixel steps.
struct Run {
    float z = 0, dz = 0;
    uint32_t u = 0, du = 0, v = 0, dv = 0;
    int32_t red = 0, dRed = 0, green = 0, dGreen = 0, blue = 0, dBlue = 0;
};

struct PixelValues {
    double z = 0, u = 0, v = 0;
    int32_t red = 0, green = 0, blue = 0;
};

PixelValues ValuesAt(const Raster& r, const AttributePlanes& planes, double x, double y) {
    PixelValues p;
    p.z = 1.0 / std::max(planes.At(kW, x, y), r.minW);
    if (r.textured) {
        p.u = planes.At(kU, x, y);
        p.v = planes.At(kV, x, y);
        if (r.perspective) {
            p.u *= p.z;
            p.v *= p.z;
        }
    }
    p.red = pixels::ColorToFixed(static_cast<float>(planes.At(kR, x, y)));
    p.green = pixels::ColorToFixed(static_cast<float>(planes.At(kG, x, y)));
    p.blue = pixels::ColorToFixed(static_cast<float>(planes.At(kB, x, y)));
    return p;
}

// Steps between two in-range endpoints, truncated toward zero so every pixel stays in range.
int32_t ColorStep(int32_t first, int32_t last, double perPixel) {
    return static_cast<int32_t>((last - first) * perPixel);
}

Run MakeRun(const PixelValues& first, const PixelValues& last, int length) {
    const double perPixel = length > 1 ? 1.0 / (length - 1) : 0.0;
    Run run;
    run.z = static_cast<float>(first.z);
    run.dz = static_cast<float>((last.z - first.z) * perPixel);
    run.u = pixels::WrapToFixed(first.u);
    run.du = pixels::StepToFixed((last.u - first.u) * perPixel);
    run.v = pixels::WrapToFixed(first.v);
    run.dv = pixels::StepToFixed((last.v - first.v) * perPixel);
    run.red = first.red;
    run.dRed = ColorStep(first.red, last.red, perPixel);
    run.green = first.green;
    run.dGreen = ColorStep(first.green, last.green, perPixel);
    run.blue = first.blue;
    run.dBlue = ColorStep(first.blue, last.blue, perPixel);
    return run;
}

bool FillRun(const Raster& r, Run run, int x, int y, int length) {
    const size_t rowStart = static_cast<size_t>(y) * r.target->width;
    uint32_t* color = r.target->color + rowStart;
    float* depth = r.target->depth + rowStart;
    bool drawn = false;
    for (int end = x + length; x < end; ++x) {
        if (run.z <= depth[x]) {
            depth[x] = run.z;
            color[x] = ShadePixel(r, run.u, run.v, run.red, run.green, run.blue, x, y);
            drawn = true;
        }
        run.z += run.dz;
        run.u += run.du;
        run.v += run.dv;
        run.red += run.dRed;
        run.green += run.dGreen;
        run.blue += run.dBlue;
    }
    return drawn;
}

// Pixels [start, end) of row y, cut to the viewport.
bool DrawSpan(const Raster& r, const AttributePlanes& planes, int y, int start, int end) {
    start = std::max(start, r.rect.left);
    end = std::min(end, r.rect.right);
    const double centerY = y + 0.5;
    bool drawn = false;
    for (int x = start; x < end; x += kRunLength) {
        const int length = std::min(kRunLength, end - x);
        const PixelValues first = ValuesAt(r, planes, x + 0.5, centerY);
        const PixelValues last = ValuesAt(r, planes, x + length - 0.5, centerY);
        drawn |= FillRun(r, MakeRun(first, last, length), x, y, length);
    }
    return drawn;
}

bool DrawTriangle(const Raster& r, const ScreenCorner& a, const ScreenCorner& b,
                  const ScreenCorner& c) {
    AttributePlanes planes;
    if (!MakeAttributePlanes(a, b, c, planes)) {
        return false;
    }
    const ScreenCorner* top = &a;
    const ScreenCorner* middle = &b;
    const ScreenCorner* bottom = &c;
    if (middle->y < top->y) {
        std::swap(top, middle);
    }
    if (bottom->y < middle->y) {
        std::swap(middle, bottom);
    }
    if (middle->y < top->y) {
        std::swap(top, middle);
    }
    const Edge longEdge = MakeEdge(*top, *bottom);
    const Edge upperEdge = MakeEdge(*top, *middle);
    const Edge lowerEdge = MakeEdge(*middle, *bottom);
    // The middle corner lies right of the long edge when the long edge is the left side.
    const bool longIsLeft =
        (middle->x - top->x) * (bottom->y - top->y) - (bottom->x - top->x) * (middle->y - top->y) >
        0;
    const int firstRow = std::max(longEdge.firstRow, r.rect.top);
    const int endRow = std::min(longEdge.endRow, r.rect.bottom);
    bool drawn = false;
    for (int y = firstRow; y < endRow; ++y) {
        const double centerY = y + 0.5;
        const Edge& shortEdge = y < upperEdge.endRow ? upperEdge : lowerEdge;
        double left = longEdge.XAt(centerY);
        double right = shortEdge.XAt(centerY);
        if (!longIsLeft) {
            std::swap(left, right);
        }
        drawn |= DrawSpan(r, planes, y, FirstPixelAtOrAfter(left), FirstPixelAtOrAfter(right));
    }
    return drawn;
}

int ProjectCorners(const Raster& r, const ClipCorner* corners, int count, ScreenCorner* out) {
    for (int i = 0; i < count; ++i) {
        out[i] = ToScreen(r, corners[i].v);
    }
    return count;
}

bool DrawClipped(const Raster& r, const ClipCorner* corners, int count, FillMode fill) {
    ScreenCorner screen[kMaxClipped];
    ProjectCorners(r, corners, count, screen);
    bool drawn = false;
    if (fill == FillMode::Wireframe) {
        for (int i = 0; i < count; ++i) {
            if (corners[i].edgeToNext) {
                drawn |= DrawLine(r, screen[i], screen[i + 1 == count ? 0 : i + 1]);
            }
        }
        return drawn;
    }
    for (int i = 1; i + 1 < count; ++i) {
        drawn |= DrawTriangle(r, screen[0], screen[i], screen[i + 1]);
    }
    return drawn;
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
        value = pixels::Quantize565(value, pixels::kRoundThreshold);
    }
    FillRect(target, rect, target.color, value);
}

void ClearDepth(RenderTarget& target, const Projection& viewport) {
    const PixelRect rect = ViewportPixels(target, viewport);
    if (target.depth == nullptr || rect.Empty()) {
        return;
    }
    FillRect(target, rect, target.depth, kClearDepth);
}

bool DrawPolygon(RenderTarget& target, const Projection& projection, const Vertex* corners,
                 int count, const PolygonStyle& style) {
    if (corners == nullptr || count < 3 || count > kMaxCorners) {
        return false;
    }
    Raster r;
    ClipCorner first[kMaxClipped];
    ClipCorner second[kMaxClipped];
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
