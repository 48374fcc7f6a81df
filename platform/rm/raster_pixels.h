#pragma once
// Per-pixel colour work of the rasterizer: texel fetches with wrapping, modulation by the
// lit colour, and 5-6-5 quantisation with ordered dithering. Kept inline because the span
// loops call these once per pixel. Where SSE2 exists (every x86-64) the lit colour and
// the bilinear blend work on all channels at once; the scalar forms are the reference,
// and defining KESTREL_RASTER_SCALAR makes the rasterizer use them (the tests run both).

#include "platform/rm/raster.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__) && !defined(KESTREL_RASTER_SCALAR)
#include <emmintrin.h>
#endif

namespace rm::raster::pixels {

// Texture coordinates in the inner loops are 0.32 fixed point: one full turn of the
// 32-bit integer is one width of the texture, so wrapping is plain integer overflow and
// works for any texture size.
constexpr double FIXED_ONE = 4294967296.0;

// The alpha byte of every stored pixel: the buffers are shown as they are.
constexpr uint32_t OPAQUE = 0xFF000000u;

inline uint32_t WrapToFixed(double coord) {
    if (std::fabs(coord) < 2147483648.0) { // the usual case: whole turns fall off the top
        return static_cast<uint32_t>(static_cast<int64_t>(coord * FIXED_ONE));
    }
    if (!(std::fabs(coord) < 1e15)) { // NaN, inf or so large that no fraction is left
        return 0;
    }
    const double fraction = coord - std::floor(coord);
    return static_cast<uint32_t>(static_cast<int64_t>(fraction * FIXED_ONE));
}

// A per-pixel step of a fixed-point coordinate; steps of whole turns vanish, as they should.
inline uint32_t StepToFixed(double step) {
    const double scaled = step * FIXED_ONE;
    if (!(std::fabs(scaled) < 9e18)) {
        return 0;
    }
    return static_cast<uint32_t>(static_cast<int64_t>(scaled));
}

// A run of pixels of one row: the values at its first pixel and their steps to the next.
// Depth at pixel i is z + i * dz, rounded once, and the integers step exactly, so the pixel
// loops give the same values whether they go one pixel or several at a time.
struct Run {
    float z = 0, dz = 0;
    uint32_t u = 0, du = 0, v = 0, dv = 0; // 0.32 fixed point
    int32_t light[3] = {}, dLight[3] = {}; // red, green, blue, 8.16 fixed point (see below)
};

// Rows are addressed from the row where v = 0 lies, so a bottom-up texture is a negative
// row stride rather than a choice per texel.
struct Texture {
    const uint32_t* firstRow = nullptr;
    ptrdiff_t rowStride = 0;
    uint32_t halfTexelU = 0, halfTexelV = 0; // half a texel in fixed point, for bilinear
    uint32_t width = 0;
    uint32_t height = 0;
    bool bilinear = false;
};

inline bool MakeTexture(const TextureView* view, TextureFilter filter, Texture& out) {
    if (view == nullptr || view->pixels == nullptr || view->width <= 0 || view->height <= 0) {
        return false;
    }
    const ptrdiff_t width = view->width;
    out.firstRow = view->vFromBottom ? view->pixels + (view->height - 1) * width : view->pixels;
    out.rowStride = view->vFromBottom ? -width : width;
    out.halfTexelU = static_cast<uint32_t>((uint64_t{1} << 31) / static_cast<uint64_t>(width));
    out.halfTexelV =
        static_cast<uint32_t>((uint64_t{1} << 31) / static_cast<uint64_t>(view->height));
    out.width = static_cast<uint32_t>(view->width);
    out.height = static_cast<uint32_t>(view->height);
    out.bilinear = filter == TextureFilter::Bilinear;
    return true;
}

inline uint32_t Texel(const Texture& t, uint32_t column, uint32_t row) {
    return t.firstRow[static_cast<ptrdiff_t>(row) * t.rowStride + column];
}

inline uint32_t SampleNearest(const Texture& t, uint32_t u, uint32_t v) {
    const uint32_t column = static_cast<uint32_t>((static_cast<uint64_t>(u) * t.width) >> 32);
    const uint32_t row = static_cast<uint32_t>((static_cast<uint64_t>(v) * t.height) >> 32);
    return Texel(t, column, row);
}

// The two texels around a coordinate and the weight (0..255) of the second. Texel centres
// sit half a texel in, so the coordinate is moved back by half a texel first, wrapping.
inline void TexelPair(uint32_t coord, uint32_t halfTexel, uint32_t size, uint32_t& first,
                      uint32_t& second, uint32_t& weight) {
    const uint64_t position = static_cast<uint64_t>(coord - halfTexel) * size;
    first = static_cast<uint32_t>(position >> 32);
    second = first + 1 == size ? 0 : first + 1;
    weight = static_cast<uint32_t>(position >> 24) & 0xFFu;
}

// The four texels around a sample point and the weights of the right and lower ones.
struct Footprint {
    uint32_t topLeft, topRight, bottomLeft, bottomRight;
    uint32_t rightWeight, lowerWeight; // 0..255
};

inline Footprint BilinearFootprint(const Texture& t, uint32_t u, uint32_t v) {
    uint32_t x0, x1, y0, y1;
    Footprint f;
    TexelPair(u, t.halfTexelU, t.width, x0, x1, f.rightWeight);
    TexelPair(v, t.halfTexelV, t.height, y0, y1, f.lowerWeight);
    f.topLeft = Texel(t, x0, y0);
    f.topRight = Texel(t, x1, y0);
    f.bottomLeft = Texel(t, x0, y1);
    f.bottomRight = Texel(t, x1, y1);
    return f;
}

// Mixes two 0x00RRGGBB colours, `weight` (0..255) being the share of `b`, two channels at once.
inline uint32_t Blend(uint32_t a, uint32_t b, uint32_t weight) {
    const uint32_t keep = 256 - weight;
    const uint32_t redBlue = (((a & 0xFF00FFu) * keep + (b & 0xFF00FFu) * weight) >> 8) & 0xFF00FFu;
    const uint32_t green = (((a & 0x00FF00u) * keep + (b & 0x00FF00u) * weight) >> 8) & 0x00FF00u;
    return redBlue | green;
}

inline uint32_t SampleBilinear(const Texture& t, uint32_t u, uint32_t v) {
    const Footprint f = BilinearFootprint(t, u, v);
    const uint32_t upper = Blend(f.topLeft, f.topRight, f.rightWeight);
    const uint32_t lower = Blend(f.bottomLeft, f.bottomRight, f.rightWeight);
    return Blend(upper, lower, f.lowerWeight);
}

// Lit colours step through the spans as 8.16 fixed point, 0 .. 256 << 16 per channel for
// 0 .. 1, so that modulating a texel by full light is a multiplication by 256.
constexpr float COLOR_SCALE = 256.0f * 65536.0f;
constexpr int32_t COLOR_MAX = 256 << 16;

inline int32_t ColorToFixed(float channel) {
    if (!(channel > 0.0f)) { // also NaN
        return 0;
    }
    const float scaled = channel * COLOR_SCALE;
    return scaled >= static_cast<float>(COLOR_MAX) ? COLOR_MAX : static_cast<int32_t>(scaled);
}

// The reference forms of the per-pixel colour work; the SSE2 forms below must match them.
inline uint32_t ChannelByte(int32_t fixed) {
    const int32_t whole = fixed >> 16;
    return static_cast<uint32_t>(whole > 255 ? 255 : whole);
}

inline uint32_t ScalarColor(int32_t red, int32_t green, int32_t blue) {
    return (ChannelByte(red) << 16) | (ChannelByte(green) << 8) | ChannelByte(blue);
}

inline uint32_t ScalarModulate(uint32_t texel, int32_t red, int32_t green, int32_t blue) {
    const auto channel = [texel](int shift, int32_t light) {
        return ((((texel >> shift) & 0xFFu) * static_cast<uint32_t>(light >> 16)) >> 8) << shift;
    };
    return channel(16, red) | channel(8, green) | channel(0, blue);
}

#if defined(__SSE2__) && !defined(KESTREL_RASTER_SCALAR)

// The lit colour as four 32-bit lanes: blue, green, red and 0, the byte order of a pixel.
using Light = __m128i;

inline Light MakeLight(int32_t red, int32_t green, int32_t blue) {
    return _mm_setr_epi32(blue, green, red, 0);
}
inline Light AddLight(Light a, Light b) {
    return _mm_add_epi32(a, b);
}
inline bool IsZero(Light light) {
    return _mm_movemask_epi8(_mm_cmpeq_epi32(light, _mm_setzero_si128())) == 0xFFFF;
}

// The light's whole part (0..256) in 16-bit lanes, twice: ready to multiply texels with.
inline __m128i LightFactors(Light light) {
    const __m128i whole = _mm_srli_epi32(light, 16);
    return _mm_packs_epi32(whole, whole);
}

inline uint32_t ToPixel(__m128i words) {
    return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(words, words)));
}

inline uint32_t LightColor(Light light) {
    return ToPixel(LightFactors(light));
}

inline uint32_t Modulate(uint32_t texel, Light light) {
    const __m128i channels =
        _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(texel)), _mm_setzero_si128());
    return ToPixel(_mm_srli_epi16(_mm_mullo_epi16(channels, LightFactors(light)), 8));
}

// Weight pairs in 16-bit lanes: 256 - w for the four channels of the first texel, w for
// the four of the second.
struct PairWeightTable {
    alignas(16) int16_t lanes[256][8];

    constexpr PairWeightTable() : lanes() {
        for (int w = 0; w < 256; ++w) {
            for (int lane = 0; lane < 8; ++lane) {
                lanes[w][lane] = static_cast<int16_t>(lane < 4 ? 256 - w : w);
            }
        }
    }
};

inline constexpr PairWeightTable PAIR_WEIGHTS;

inline __m128i PairWeights(uint32_t weight) {
    return _mm_load_si128(reinterpret_cast<const __m128i*>(PAIR_WEIGHTS.lanes[weight]));
}

// Bilinear filtering and modulation in 16-bit lanes: the two rows are blended across, then
// the two results down, then lit. Matches Modulate(SampleBilinear(...)) exactly.
inline uint32_t ModulateBilinear(const Texture& t, uint32_t u, uint32_t v, Light light) {
    const Footprint f = BilinearFootprint(t, u, v);
    const __m128i zero = _mm_setzero_si128();
    const __m128i texels =
        _mm_setr_epi32(static_cast<int>(f.topLeft), static_cast<int>(f.topRight),
                       static_cast<int>(f.bottomLeft), static_cast<int>(f.bottomRight));
    const __m128i across = PairWeights(f.rightWeight);
    const __m128i upper = _mm_mullo_epi16(_mm_unpacklo_epi8(texels, zero), across);
    const __m128i lower = _mm_mullo_epi16(_mm_unpackhi_epi8(texels, zero), across);
    // Lanes 0-3 gather the left texels' shares, lanes 4-7 the right ones': add the halves.
    const __m128i rows = _mm_srli_epi16(
        _mm_add_epi16(_mm_unpacklo_epi64(upper, lower), _mm_unpackhi_epi64(upper, lower)), 8);
    const __m128i down = _mm_mullo_epi16(rows, PairWeights(f.lowerWeight));
    const __m128i blended = _mm_srli_epi16(_mm_add_epi16(down, _mm_srli_si128(down, 8)), 8);
    return ToPixel(_mm_srli_epi16(_mm_mullo_epi16(blended, LightFactors(light)), 8));
}

#else

struct Light {
    int32_t blue, green, red;
};

inline Light MakeLight(int32_t red, int32_t green, int32_t blue) {
    return {blue, green, red};
}
inline Light AddLight(Light a, Light b) {
    return {a.blue + b.blue, a.green + b.green, a.red + b.red};
}
inline bool IsZero(Light light) {
    return light.blue == 0 && light.green == 0 && light.red == 0;
}
inline uint32_t LightColor(Light light) {
    return ScalarColor(light.red, light.green, light.blue);
}
inline uint32_t Modulate(uint32_t texel, Light light) {
    return ScalarModulate(texel, light.red, light.green, light.blue);
}
inline uint32_t ModulateBilinear(const Texture& t, uint32_t u, uint32_t v, Light light) {
    return Modulate(SampleBilinear(t, u, v), light);
}

#endif

inline uint32_t ModulateNearest(const Texture& t, uint32_t u, uint32_t v, Light light) {
    return Modulate(SampleNearest(t, u, v), light);
}

// 5-6-5 quantisation: Quantize565(rgb, threshold) with a Bayer threshold 0..15 rounds each
// channel up with a probability equal to its fraction between two levels; ROUND_THRESHOLD
// rounds to the nearest level.
constexpr int ROUND_THRESHOLD = 16;

uint32_t Quantize565(uint32_t rgb, int threshold);

inline int BayerThreshold(int x, int y) {
    static constexpr uint8_t BAYER4[4][4] = {
        {0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    return BAYER4[y & 3][x & 3];
}

} // namespace rm::raster::pixels
