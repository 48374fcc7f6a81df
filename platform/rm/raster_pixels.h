#pragma once
// Per-pixel colour work of the rasterizer: texel fetches with wrapping, modulation by the
// lit colour, and 5-6-5 quantisation with ordered dithering. Kept inline because the span
// loops call these once per pixel.

#include "platform/rm/raster.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace rm::raster::pixels {

// Texture coordinates in the inner loops are 0.32 fixed point: one full turn of the
// 32-bit integer is one width of the texture, so wrapping is plain integer overflow and
// works for any texture size.
constexpr double kFixedOne = 4294967296.0;

inline uint32_t WrapToFixed(double coord) {
    if (!(std::fabs(coord) < 1e15)) { // NaN, inf or so large that no fraction is left
        return 0;
    }
    const double fraction = coord - std::floor(coord);
    return static_cast<uint32_t>(static_cast<int64_t>(fraction * kFixedOne));
}

// A per-pixel step of a fixed-point coordinate; steps of whole turns vanish, as they should.
inline uint32_t StepToFixed(double step) {
    const double scaled = step * kFixedOne;
    if (!(std::fabs(scaled) < 9e18)) {
        return 0;
    }
    return static_cast<uint32_t>(static_cast<int64_t>(scaled));
}

struct Texture {
    const uint32_t* pixels = nullptr;
    uint32_t width = 0;
    uint32_t height = 0;
    bool flipRows = false; // v = 0 addresses the bottom row
    bool bilinear = false;
};

inline bool MakeTexture(const TextureView* view, TextureFilter filter, Texture& out) {
    if (view == nullptr || view->pixels == nullptr || view->width <= 0 || view->height <= 0) {
        return false;
    }
    out.pixels = view->pixels;
    out.width = static_cast<uint32_t>(view->width);
    out.height = static_cast<uint32_t>(view->height);
    out.flipRows = view->vFromBottom;
    out.bilinear = filter == TextureFilter::Bilinear;
    return true;
}

inline uint32_t Texel(const Texture& t, uint32_t column, uint32_t row) {
    if (t.flipRows) {
        row = t.height - 1 - row;
    }
    return t.pixels[static_cast<size_t>(row) * t.width + column];
}

inline uint32_t SampleNearest(const Texture& t, uint32_t u, uint32_t v) {
    const uint32_t column = static_cast<uint32_t>((static_cast<uint64_t>(u) * t.width) >> 32);
    const uint32_t row = static_cast<uint32_t>((static_cast<uint64_t>(v) * t.height) >> 32);
    return Texel(t, column, row);
}

// The two texels around a coordinate and the weight (0..255) of the second. Texel centres
// sit half a texel in, so the position is moved back by half a texel, wrapping.
inline void TexelPair(uint32_t coord, uint32_t size, uint32_t& first, uint32_t& second,
                      uint32_t& weight) {
    const uint64_t position = static_cast<uint64_t>(coord) * size +
                              (static_cast<uint64_t>(size) << 32) - (uint64_t{1} << 31);
    first = static_cast<uint32_t>(position >> 32);
    if (first >= size) {
        first -= size;
    }
    second = first + 1 == size ? 0 : first + 1;
    weight = static_cast<uint32_t>(position >> 24) & 0xFFu;
}

// Mixes two 0x00RRGGBB colours, `weight` (0..255) being the share of `b`, two channels at once.
inline uint32_t Blend(uint32_t a, uint32_t b, uint32_t weight) {
    const uint32_t keep = 256 - weight;
    const uint32_t redBlue = (((a & 0xFF00FFu) * keep + (b & 0xFF00FFu) * weight) >> 8) & 0xFF00FFu;
    const uint32_t green = (((a & 0x00FF00u) * keep + (b & 0x00FF00u) * weight) >> 8) & 0x00FF00u;
    return redBlue | green;
}

inline uint32_t SampleBilinear(const Texture& t, uint32_t u, uint32_t v) {
    uint32_t x0, x1, wx, y0, y1, wy;
    TexelPair(u, t.width, x0, x1, wx);
    TexelPair(v, t.height, y0, y1, wy);
    const uint32_t near = Blend(Texel(t, x0, y0), Texel(t, x1, y0), wx);
    const uint32_t far = Blend(Texel(t, x0, y1), Texel(t, x1, y1), wx);
    return Blend(near, far, wy);
}

inline uint32_t Sample(const Texture& t, uint32_t u, uint32_t v) {
    return t.bilinear ? SampleBilinear(t, u, v) : SampleNearest(t, u, v);
}

// Lit colours step through the spans as 8.16 fixed point, 0 .. 255 << 16 per channel.
constexpr float kColorScale = 255.0f * 65536.0f;
constexpr int32_t kColorMax = 255 << 16;

inline int32_t ColorToFixed(float channel) {
    if (!(channel > 0.0f)) { // also NaN
        return 0;
    }
    const float scaled = channel * kColorScale;
    return scaled >= static_cast<float>(kColorMax) ? kColorMax : static_cast<int32_t>(scaled);
}

inline uint32_t PackColor(int32_t r, int32_t g, int32_t b) {
    return (static_cast<uint32_t>(r >> 16) << 16) | (static_cast<uint32_t>(g >> 16) << 8) |
           static_cast<uint32_t>(b >> 16);
}

// Texel x lit colour; a colour of 255 leaves the texel unchanged.
inline uint32_t Modulate(uint32_t texel, int32_t r, int32_t g, int32_t b) {
    const uint32_t fr = static_cast<uint32_t>(r >> 16), fg = static_cast<uint32_t>(g >> 16),
                   fb = static_cast<uint32_t>(b >> 16);
    const uint32_t mr = fr + (fr >> 7), mg = fg + (fg >> 7), mb = fb + (fb >> 7);
    const uint32_t outR = (((texel >> 16) & 0xFFu) * mr) >> 8;
    const uint32_t outG = (((texel >> 8) & 0xFFu) * mg) >> 8;
    const uint32_t outB = ((texel & 0xFFu) * mb) >> 8;
    return (outR << 16) | (outG << 8) | outB;
}

// 5-6-5 quantisation: Quantize565(rgb, threshold) with a Bayer threshold 0..15 rounds each
// channel up with a probability equal to its fraction between two levels; kRoundThreshold
// rounds to the nearest level.
constexpr int kRoundThreshold = 16;

uint32_t Quantize565(uint32_t rgb, int threshold);

inline int BayerThreshold(int x, int y) {
    static constexpr uint8_t kBayer4[4][4] = {
        {0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    return kBayer4[y & 3][x & 3];
}

} // namespace rm::raster::pixels
