#include "platform/rm/raster_pixels.h"

#include <array>

namespace rm::raster::pixels {
namespace {

// For every threshold row (16 Bayer thresholds and the rounding row) and every 8-bit
// channel value: the nearest-level-below-or-above value of a channel of `bits` bits,
// expanded back to 8 bits the way a 16-bit display shows it.
using LevelTable = std::array<std::array<uint8_t, 256>, ROUND_THRESHOLD + 1>;

LevelTable MakeLevels(int bits) {
    const int top = (1 << bits) - 1;
    LevelTable table{};
    for (int threshold = 0; threshold <= ROUND_THRESHOLD; ++threshold) {
        // The channel lands on level floor(value * top / 255 + offset), offset in (0, 1):
        // (threshold + 0.5) / 16 for the Bayer rows, one half for the rounding row.
        const int offset = threshold < ROUND_THRESHOLD ? (2 * threshold + 1) * 255 : 16 * 255;
        for (int value = 0; value < 256; ++value) {
            const int level = (value * top * 32 + offset) / (255 * 32);
            const int expanded = (level << (8 - bits)) | (level >> (2 * bits - 8));
            table[threshold][value] = static_cast<uint8_t>(expanded);
        }
    }
    return table;
}

} // namespace

uint32_t Quantize565(uint32_t rgb, int threshold) {
    static const LevelTable FIVE = MakeLevels(5);
    static const LevelTable SIX = MakeLevels(6);
    const auto& five = FIVE[threshold];
    const uint32_t r = five[(rgb >> 16) & 0xFFu];
    const uint32_t g = SIX[threshold][(rgb >> 8) & 0xFFu];
    const uint32_t b = five[rgb & 0xFFu];
    return (r << 16) | (g << 8) | b;
}

} // namespace rm::raster::pixels
