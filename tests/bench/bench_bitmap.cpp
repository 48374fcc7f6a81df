// Bitmap decoding and stretch blits: the work of loading a texture or the meter picture.

#include "platform/gdi/gdi.h"
#include "platform/base/image.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A bottom-up 24-bit file of the given size with a colour ramp.
std::vector<uint8_t> RampBitmap(int side) {
    const uint32_t stride = (side * 3 + 3) / 4 * 4;
    std::vector<uint8_t> file = {'B', 'M'};
    Put32(file, 54 + stride * side);
    Put32(file, 0);
    Put32(file, 54);
    for (uint32_t v :
         {40u, uint32_t(side), uint32_t(side), 1u | 24u << 16, 0u, stride * side, 0u, 0u, 0u, 0u})
        Put32(file, v);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x)
            file.insert(file.end(), {uint8_t(x), uint8_t(y), uint8_t(x + y)});
        file.resize(file.size() + stride - side * 3, 0);
    }
    return file;
}

void BM_DecodeBitmap24(benchmark::State& state) {
    const std::vector<uint8_t> file = RampBitmap(static_cast<int>(state.range(0)));
    base::Image image;
    for (auto _ : state) {
        base::DecodeBitmap(file.data(), file.size(), image);
        benchmark::DoNotOptimize(image.pixels.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(0));
}
BENCHMARK(BM_DecodeBitmap24)->Arg(256)->Arg(1024);

void BM_StretchBltDouble(benchmark::State& state) {
    base::Image source, target;
    source.Resize(256, 256, 0xFF123456);
    target.Resize(512, 512);
    SurfaceDC from{&source}, to{&target};
    for (auto _ : state)
        benchmark::DoNotOptimize(StretchBlt(&to, 0, 0, 512, 512, &from, 0, 0, 256, 256, SRCCOPY));
    state.SetItemsProcessed(state.iterations() * 512 * 512);
}
BENCHMARK(BM_StretchBltDouble);

} // namespace
