// AVX2 pixel loops. Every function that uses the wide instructions carries the target
// attribute, so the rest of the program still runs on any x86-64. FMA stays off: a fused
// multiply-add would round depths once where the one-pixel loop rounds twice.

#include "platform/rm/raster_wide.h"

#include "platform/base/cpu.h"

#include <immintrin.h>

#define WIDE __attribute__((target("avx2")))

namespace rm::raster::wide {
namespace {

constexpr int LANES = 8;

// What varies along a run, for eight neighbouring pixels.
struct Lanes {
    __m256i u, v;             // texture coordinates, 0.32
    __m256i red, green, blue; // lit colour, 8.16
};

WIDE Lanes Add(const Lanes& a, const Lanes& b) {
    return {_mm256_add_epi32(a.u, b.u), _mm256_add_epi32(a.v, b.v), _mm256_add_epi32(a.red, b.red),
            _mm256_add_epi32(a.green, b.green), _mm256_add_epi32(a.blue, b.blue)};
}

// base + per * step in every lane, wrapping as the one-pixel loop's sums do.
template <typename T> WIDE __m256i Stepped(T base, T step, __m256i per) {
    return _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(base)),
                            _mm256_mullo_epi32(per, _mm256_set1_epi32(static_cast<int>(step))));
}

// The values `per` steps from the run's first pixel.
WIDE Lanes Spread(const pixels::Run& run, __m256i per) {
    return {Stepped(run.u, run.du, per), Stepped(run.v, run.dv, per),
            Stepped(run.light[0], run.dLight[0], per), Stepped(run.light[1], run.dLight[1], per),
            Stepped(run.light[2], run.dLight[2], per)};
}

// Each value's step times LANES, wrapping as the sums of the one-pixel loop do.
template <typename T> WIDE __m256i StepTimesLanes(T step) {
    static_assert(LANES == 8);
    return _mm256_slli_epi32(_mm256_set1_epi32(static_cast<int>(step)), 3);
}

WIDE Lanes LaneSteps(const pixels::Run& run) {
    return {StepTimesLanes(run.du), StepTimesLanes(run.dv), StepTimesLanes(run.dLight[0]),
            StepTimesLanes(run.dLight[1]), StepTimesLanes(run.dLight[2])};
}

// The depth-tested loop: `shade` gives the colours of eight pixels; only lanes inside the
// run whose depth passes are stored, depth and colour alike.
template <typename Shade>
WIDE bool FillLanes(const pixels::Run& run, const Shade& shade, uint32_t* color, float* depth,
                    int length) {
    const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256 laneIndex = _mm256_cvtepi32_ps(lane);
    const __m256 z0 = _mm256_set1_ps(run.z), dz = _mm256_set1_ps(run.dz);
    const __m256i opaque = _mm256_set1_epi32(static_cast<int>(pixels::OPAQUE));
    const __m256i all = _mm256_set1_epi32(-1);
    const Lanes step = LaneSteps(run);
    Lanes at = Spread(run, lane);
    __m256i written = _mm256_setzero_si256();
    for (int i = 0; i < length; i += LANES) {
        const __m256i inRun = _mm256_cmpgt_epi32(_mm256_set1_epi32(length - i), lane);
        const __m256 index = _mm256_add_ps(_mm256_set1_ps(static_cast<float>(i)), laneIndex);
        const __m256 z = _mm256_add_ps(z0, _mm256_mul_ps(index, dz));
        const __m256 old = _mm256_maskload_ps(depth + i, inRun);
        const __m256i pass =
            _mm256_and_si256(inRun, _mm256_castps_si256(_mm256_cmp_ps(z, old, _CMP_LE_OQ)));
        if (_mm256_testc_si256(pass, all)) { // every lane: plain stores are quicker
            _mm256_storeu_ps(depth + i, z);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(color + i),
                                _mm256_or_si256(shade(at), opaque));
            written = pass;
        } else if (!_mm256_testz_si256(pass, pass)) {
            _mm256_maskstore_ps(depth + i, pass, z);
            _mm256_maskstore_epi32(reinterpret_cast<int*>(color + i), pass,
                                   _mm256_or_si256(shade(at), opaque));
            written = _mm256_or_si256(written, pass);
        }
        at = Add(at, step);
    }
    return !_mm256_testz_si256(written, written);
}

// The whole part (0..256) of each channel's light in the 16-bit halves of a lane, lined up
// with a pixel's bytes split as blue and red, green and alpha (which gets no light).
struct Light16 {
    __m256i blueRed, green;
};

WIDE Light16 LightFactors(const Lanes& at) {
    const __m256i high = _mm256_set1_epi32(static_cast<int>(0xFFFF0000u));
    return {_mm256_or_si256(_mm256_and_si256(at.red, high), _mm256_srli_epi32(at.blue, 16)),
            _mm256_srli_epi32(at.green, 16)};
}

// A pixel's channels in the 16-bit halves of its lane: blue and red, green and alpha.
struct Halves {
    __m256i blueRed, greenAlpha;
};

WIDE Halves Split(__m256i pixels) {
    const __m256i low = _mm256_set1_epi32(0x00FF00FF);
    return {_mm256_and_si256(pixels, low), _mm256_and_si256(_mm256_srli_epi32(pixels, 8), low)};
}

WIDE __m256i Join(const Halves& h) {
    return _mm256_or_si256(h.blueRed, _mm256_slli_epi32(h.greenAlpha, 8));
}

// (a * (256 - w) + b * w) >> 8 per channel; both products fit 16 bits, as in Blend.
WIDE __m256i Mix(__m256i a, __m256i b, __m256i keep, __m256i weight) {
    return _mm256_srli_epi16(
        _mm256_add_epi16(_mm256_mullo_epi16(a, keep), _mm256_mullo_epi16(b, weight)), 8);
}

WIDE Halves Mix(const Halves& a, const Halves& b, __m256i weight) {
    const __m256i both = _mm256_or_si256(weight, _mm256_slli_epi32(weight, 16));
    const __m256i keep = _mm256_sub_epi16(_mm256_set1_epi16(256), both);
    return {Mix(a.blueRed, b.blueRed, keep, both), Mix(a.greenAlpha, b.greenAlpha, keep, both)};
}

WIDE __m256i Modulate(const Halves& texel, const Light16& light) {
    return Join({_mm256_srli_epi16(_mm256_mullo_epi16(texel.blueRed, light.blueRed), 8),
                 _mm256_srli_epi16(_mm256_mullo_epi16(texel.greenAlpha, light.green), 8)});
}

// (a * size) >> 32 in every lane, the product taken in 64 bits.
WIDE __m256i MulHigh(__m256i a, __m256i size) {
    const __m256i even = _mm256_srli_epi64(_mm256_mul_epu32(a, size), 32);
    const __m256i odd = _mm256_mul_epu32(_mm256_srli_epi64(a, 32), size);
    return _mm256_blend_epi32(even, odd, 0xAA);
}

// TexelPair for eight coordinates: the first texel of each pair and the second's weight.
WIDE void TexelPairs(__m256i coord, __m256i size, __m256i& first, __m256i& weight) {
    const __m256i even = _mm256_mul_epu32(coord, size);
    const __m256i odd = _mm256_mul_epu32(_mm256_srli_epi64(coord, 32), size);
    first = _mm256_blend_epi32(_mm256_srli_epi64(even, 32), odd, 0xAA);
    // Bits 24..31 of each 64-bit product, brought to the bottom of its 32-bit lane.
    const __m256i fraction =
        _mm256_blend_epi32(_mm256_srli_epi64(even, 24), _mm256_slli_epi64(odd, 8), 0xAA);
    weight = _mm256_and_si256(fraction, _mm256_set1_epi32(0xFF));
}

// The texel after `first`, wrapping at `size`.
WIDE __m256i NextTexel(__m256i first, __m256i size) {
    const __m256i next = _mm256_add_epi32(first, _mm256_set1_epi32(1));
    return _mm256_andnot_si256(_mm256_cmpeq_epi32(next, size), next);
}

// A texture's sizes and rows as lanes.
struct WideTexture {
    const int* firstRow;
    __m256i stride, width, height, halfU, halfV;

    WIDE explicit WideTexture(const pixels::Texture& t)
        : firstRow(reinterpret_cast<const int*>(t.firstRow)),
          stride(_mm256_set1_epi32(static_cast<int>(t.rowStride))),
          width(_mm256_set1_epi32(static_cast<int>(t.width))),
          height(_mm256_set1_epi32(static_cast<int>(t.height))),
          halfU(_mm256_set1_epi32(static_cast<int>(t.halfTexelU))),
          halfV(_mm256_set1_epi32(static_cast<int>(t.halfTexelV))) {}

    WIDE __m256i Index(__m256i row, __m256i column) const {
        return _mm256_add_epi32(_mm256_mullo_epi32(row, stride), column);
    }

    WIDE __m256i Fetch(__m256i row, __m256i column) const {
        return _mm256_i32gather_epi32(firstRow, Index(row, column), 4);
    }

    // The texels at `index` and just right of it, eight pairs in 64-bit loads. Pixels
    // 0, 1, 4, 5 go in one load and 2, 3, 6, 7 in the other, so that taking every other
    // texel of the two puts the pixels back in order.
    WIDE void FetchPairs(__m256i index, Halves& left, Halves& right) const {
        const __m256i order =
            _mm256_permutevar8x32_epi32(index, _mm256_setr_epi32(0, 1, 4, 5, 2, 3, 6, 7));
        const auto* pairs = reinterpret_cast<const long long*>(firstRow);
        const __m256 a =
            _mm256_castsi256_ps(_mm256_i32gather_epi64(pairs, _mm256_castsi256_si128(order), 4));
        const __m256 b = _mm256_castsi256_ps(
            _mm256_i32gather_epi64(pairs, _mm256_extracti128_si256(order, 1), 4));
        left = Split(_mm256_castps_si256(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0))));
        right = Split(_mm256_castps_si256(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1))));
    }
};

struct FlatShade {
    __m256i rgb;
    WIDE __m256i operator()(const Lanes&) const { return rgb; }
};

// A channel's whole part, held to 255, as ChannelByte gives it.
WIDE __m256i ChannelBytes(__m256i fixed) {
    return _mm256_min_epi32(_mm256_srli_epi32(fixed, 16), _mm256_set1_epi32(255));
}

struct LitShade {
    WIDE __m256i operator()(const Lanes& at) const {
        return _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi32(ChannelBytes(at.red), 16),
                                               _mm256_slli_epi32(ChannelBytes(at.green), 8)),
                               ChannelBytes(at.blue));
    }
};

struct NearestShade {
    WideTexture t;
    WIDE __m256i operator()(const Lanes& at) const {
        const __m256i texel = t.Fetch(MulHigh(at.v, t.height), MulHigh(at.u, t.width));
        return Modulate(Split(texel), LightFactors(at));
    }
};

// The rows are blended across, then down, then lit: the order of SampleBilinear. A texel
// and its right neighbour are loaded together unless a pair wraps round the texture's edge.
struct BilinearShade {
    WideTexture t;
    __m256i lastColumn;

    WIDE explicit BilinearShade(const WideTexture& texture)
        : t(texture), lastColumn(_mm256_sub_epi32(texture.width, _mm256_set1_epi32(1))) {}

    WIDE __m256i operator()(const Lanes& at) const {
        __m256i left, across, top, down;
        TexelPairs(_mm256_sub_epi32(at.u, t.halfU), t.width, left, across);
        TexelPairs(_mm256_sub_epi32(at.v, t.halfV), t.height, top, down);
        const __m256i bottom = NextTexel(top, t.height);
        Halves topLeft, topRight, bottomLeft, bottomRight;
        const __m256i wraps = _mm256_cmpeq_epi32(left, lastColumn);
        if (_mm256_testz_si256(wraps, wraps)) {
            t.FetchPairs(t.Index(top, left), topLeft, topRight);
            t.FetchPairs(t.Index(bottom, left), bottomLeft, bottomRight);
        } else {
            const __m256i right = NextTexel(left, t.width);
            topLeft = Split(t.Fetch(top, left));
            topRight = Split(t.Fetch(top, right));
            bottomLeft = Split(t.Fetch(bottom, left));
            bottomRight = Split(t.Fetch(bottom, right));
        }
        const Halves upper = Mix(topLeft, topRight, across);
        const Halves lower = Mix(bottomLeft, bottomRight, across);
        return Modulate(Mix(upper, lower, down), LightFactors(at));
    }
};

} // namespace

bool Available() {
    return CpuHasAvx2();
}

WIDE bool FillFlat(const pixels::Run& run, uint32_t rgb, uint32_t* color, float* depth,
                   int length) {
    return FillLanes(run, FlatShade{_mm256_set1_epi32(static_cast<int>(rgb))}, color, depth,
                     length);
}

WIDE bool FillLit(const pixels::Run& run, uint32_t* color, float* depth, int length) {
    return FillLanes(run, LitShade{}, color, depth, length);
}

WIDE bool FillNearest(const pixels::Run& run, const pixels::Texture& texture, uint32_t* color,
                      float* depth, int length) {
    return FillLanes(run, NearestShade{WideTexture(texture)}, color, depth, length);
}

WIDE bool FillBilinear(const pixels::Run& run, const pixels::Texture& texture, uint32_t* color,
                       float* depth, int length) {
    return FillLanes(run, BilinearShade{WideTexture(texture)}, color, depth, length);
}

} // namespace rm::raster::wide
