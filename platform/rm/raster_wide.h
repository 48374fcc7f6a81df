#pragma once
// The rasterizer's pixel loops eight pixels at a time, with AVX2, chosen at run time where
// the processor has it. They give exactly the pixels of the loops in raster.cpp: the same
// integer steps, the same once-rounded depths, the same 16-bit products for filtering and
// lighting. Only for 32-bit targets (no 5-6-5 quantisation).

#include "platform/rm/raster_pixels.h"

#include <cstdint>

namespace rm::raster::wide {

// True when the processor runs AVX2 and KESTREL_CPU does not ask for the baseline.
bool Available();

// Each fills `length` pixels of a row from `color` and `depth` on, where the run's depth
// is <= the depth buffer's, and returns whether it wrote any.
bool FillFlat(const pixels::Run& run, uint32_t rgb, uint32_t* color, float* depth, int length);
bool FillLit(const pixels::Run& run, uint32_t* color, float* depth, int length);
// Textured, the texel modulated by the lit colour. The texture must have fewer than 2^31
// texels (see FitsWide).
bool FillNearest(const pixels::Run& run, const pixels::Texture& texture, uint32_t* color,
                 float* depth, int length);
bool FillBilinear(const pixels::Run& run, const pixels::Texture& texture, uint32_t* color,
                  float* depth, int length);

// Texel indexes are 32-bit lanes.
inline bool FitsWide(const pixels::Texture& texture) {
    return uint64_t{texture.width} * texture.height < (uint64_t{1} << 31);
}

} // namespace rm::raster::wide
