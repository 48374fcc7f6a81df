// A stand-in for the bitmap decoder used by the tests until the real one is built with the
// library: uncompressed 24- and 32-bit bottom-up bitmaps only.

#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/rm/image.h"

namespace rm {

namespace {
uint32_t Read32(const uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
}
uint16_t Read16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}
} // namespace

bool DecodeBitmap(const uint8_t* data, size_t size, Image& out) {
    out = Image{};
    if (size < 54 || data[0] != 'B' || data[1] != 'M')
        return false;
    const uint32_t offset = Read32(data + 10);
    const int width = int(Read32(data + 18)), height = int(Read32(data + 22));
    const int bits = Read16(data + 28);
    if (Read32(data + 30) != 0 || (bits != 24 && bits != 32) || width <= 0 || height <= 0 ||
        width > 4096 || height > 4096)
        return false;
    const size_t stride = (size_t(width) * bits / 8 + 3) & ~size_t(3);
    if (offset > size || size - offset < stride * height)
        return false;
    out.Resize(width, height);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = data + offset + stride * (height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const uint8_t* px = row + size_t(x) * bits / 8;
            out.At(x, y) = 0xFF000000u | px[2] << 16 | px[1] << 8 | px[0];
        }
    }
    return true;
}

bool LoadBitmapFile(const std::string& path, Image& out) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
    return DecodeBitmap(bytes.data(), bytes.size(), out);
}

} // namespace rm
