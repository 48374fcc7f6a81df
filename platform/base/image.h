#pragma once
// Pictures in memory, shared by the scene layer (textures, surfaces) and the 2D services.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace base {

// 32-bit pixels 0xAARRGGBB; row 0 is the top row of the picture.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    bool Empty() const { return width <= 0 || height <= 0; }
    uint32_t& At(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    void Resize(int w, int h, uint32_t fill = 0xFF000000u) {
        width = w;
        height = h;
        pixels.assign(static_cast<size_t>(w) * h, fill);
    }
};

// Decodes a Windows bitmap (BMP) held in memory: 1, 4, 8, 16, 24 and 32 bits per pixel,
// RLE4 and RLE8, bottom-up and top-down. Returns false and leaves `out` empty when the
// data is not a bitmap this decoder can read safely.
bool DecodeBitmap(const uint8_t* data, size_t size, Image& out);

// Reads a whole bitmap file and decodes it; false for a missing, unreadable or damaged file.
bool LoadBitmapFile(const std::string& path, Image& out);

} // namespace base
