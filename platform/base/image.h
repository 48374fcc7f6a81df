#pragma once
// Pictures in memory, shared by the scene layer (textures, surfaces) and the 2D services.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace base {

// The pixels of every picture decoded from a file count against one budget while they live,
// so that a machine naming many large pictures (a few bytes of run-length data each) cannot
// take all the memory there is. A lease holds its share until it is destroyed; a copy of a
// picture is no decoded picture and holds none.
class PictureLease {
public:
    // All decoded pictures together: four of the largest one, hundreds of the usual sizes.
    static constexpr size_t BUDGET_BYTES = size_t{256} << 20;

    PictureLease() = default;
    // A lease of `bytes`, or an empty one when they do not fit in what is left.
    static PictureLease Take(size_t bytes);
    PictureLease(PictureLease&& other) noexcept : bytes_(other.bytes_) { other.bytes_ = 0; }
    PictureLease& operator=(PictureLease&& other) noexcept;
    PictureLease(const PictureLease&) {}
    PictureLease& operator=(const PictureLease& other);
    ~PictureLease() { Give(); }

    bool Held() const { return bytes_ != 0; }
    // The bytes held by all leases now.
    static size_t InUse();

private:
    void Give();
    size_t bytes_ = 0;
};

// 32-bit pixels 0xAARRGGBB; row 0 is the top row of the picture.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    PictureLease lease; // held by a picture decoded from a file

    bool Empty() const { return width <= 0 || height <= 0; }
    uint32_t& At(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    void Resize(int w, int h, uint32_t fill = 0xFF000000u) {
        width = w;
        height = h;
        pixels.assign(static_cast<size_t>(w) * h, fill);
    }
};

// A finished picture handed on without a copy: it stays as it is while anyone holds it.
using Picture = std::shared_ptr<const Image>;

// Decodes a Windows bitmap (BMP) held in memory: 1, 4, 8, 16, 24 and 32 bits per pixel,
// RLE4 and RLE8, bottom-up and top-down. Returns false and leaves `out` empty when the
// data is not a bitmap this decoder can read safely, when its pixels do not fit in the
// picture budget, or when no memory can be had for them.
bool DecodeBitmap(const uint8_t* data, size_t size, Image& out);

// Reads a whole bitmap file and decodes it; false for a missing, unreadable or damaged file.
bool LoadBitmapFile(const std::string& path, Image& out);

} // namespace base
