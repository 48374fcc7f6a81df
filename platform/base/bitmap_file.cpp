// Windows bitmap (BMP) reader. Every size and offset in the file is distrusted: it is
// checked against the buffer before use, and pictures larger than the caps below are
// refused before any pixel memory is taken.

#include "platform/base/image.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <new>
#include <system_error>

namespace base {
namespace {

// One picture: 4096 x 4096 (64 MiB decoded), far beyond what a symbol sheet or a chart needs.
constexpr int MAX_SIDE = 16384;
constexpr int64_t MAX_PIXELS = 16ll * 1024 * 1024;
constexpr size_t BYTES_PER_PIXEL = sizeof(uint32_t);
// Room for the largest picture at 32 bits per pixel, with its headers and palette.
constexpr uintmax_t MAX_FILE_BYTES = MAX_PIXELS * BYTES_PER_PIXEL + (1u << 20);

constexpr size_t FILE_HEADER_BYTES = 14;
constexpr uint32_t CORE_HEADER_BYTES = 12;
constexpr uint32_t INFO_HEADER_BYTES = 40;
constexpr uint32_t LARGEST_HEADER_BYTES = 124; // BITMAPV5HEADER

constexpr uint32_t BI_RGB = 0;
constexpr uint32_t BI_RLE8 = 1;
constexpr uint32_t BI_RLE4 = 2;
constexpr uint32_t BI_BITFIELDS = 3;
constexpr uint32_t BI_ALPHABITFIELDS = 6;

constexpr uint32_t OPAQUE_ALPHA = 0xFF000000u;

// Little-endian reads that refuse to step outside the buffer.
struct Bytes {
    const uint8_t* data;
    size_t size;

    bool Has(size_t offset, size_t count) const { return offset <= size && count <= size - offset; }
    uint16_t U16(size_t at) const { return static_cast<uint16_t>(data[at] | data[at + 1] << 8); }
    uint32_t U32(size_t at) const {
        return static_cast<uint32_t>(data[at]) | static_cast<uint32_t>(data[at + 1]) << 8 |
               static_cast<uint32_t>(data[at + 2]) << 16 |
               static_cast<uint32_t>(data[at + 3]) << 24;
    }
    int32_t I32(size_t at) const { return static_cast<int32_t>(U32(at)); }
};

// One colour channel described by a bit mask: where it sits and how many bits it spans.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;

    explicit Channel(uint32_t m = 0) : mask(m) {
        if (mask == 0)
            return;
        shift = std::countr_zero(mask);
        // Spans from the lowest to the highest set bit, so even a mask with holes
        // never yields a value above max.
        const int width = 32 - std::countl_zero(mask >> shift);
        max = width == 32 ? 0xFFFFFFFFu : (1u << width) - 1;
    }
    // Scales the channel to 0..255, so a full 5-bit value becomes 255, not 248. A file may
    // give a channel no bits at all; it then reads as 0.
    uint32_t Extract(uint32_t pixel) const {
        if (max == 0)
            return 0;
        const uint64_t value = (pixel & mask) >> shift;
        return static_cast<uint32_t>((value * 255 + max / 2) / max);
    }
};

struct ChannelMasks {
    Channel red, green, blue, alpha;

    uint32_t Convert(uint32_t pixel) const {
        const uint32_t a = alpha.mask ? alpha.Extract(pixel) : 0xFF;
        return a << 24 | red.Extract(pixel) << 16 | green.Extract(pixel) << 8 | blue.Extract(pixel);
    }
};

struct Header {
    int width = 0;
    int height = 0;
    bool topDown = false;
    int bitCount = 0;
    uint32_t compression = BI_RGB;
    uint32_t colorsUsed = 0;
    size_t paletteOffset = 0;
    size_t paletteEntryBytes = 4;
    size_t pixelOffset = 0;
    uint32_t masks[4] = {}; // red, green, blue, alpha as the file gives them
    bool hasMasks = false;
};

void ReadCoreHeader(const Bytes& in, Header& h) {
    const size_t at = FILE_HEADER_BYTES;
    h.width = in.U16(at + 4);
    h.height = in.U16(at + 6);
    h.bitCount = in.U16(at + 10);
    h.paletteEntryBytes = 3;
    h.paletteOffset = at + CORE_HEADER_BYTES;
}

bool ReadInfoHeader(const Bytes& in, uint32_t headerBytes, Header& h) {
    const size_t at = FILE_HEADER_BYTES;
    const int32_t height = in.I32(at + 8);
    if (height == INT32_MIN) // has no positive counterpart
        return false;
    h.width = in.I32(at + 4);
    h.topDown = height < 0;
    h.height = h.topDown ? -height : height;
    h.bitCount = in.U16(at + 14);
    h.compression = in.U32(at + 16);
    h.colorsUsed = in.U32(at + 32);
    h.paletteOffset = at + headerBytes;

    // Masks live inside V2 and later headers, or just after a plain 40-byte header.
    const bool bitfields = h.compression == BI_BITFIELDS || h.compression == BI_ALPHABITFIELDS;
    if (!bitfields)
        return true;
    const size_t maskAt = at + INFO_HEADER_BYTES;
    size_t count = std::min<size_t>((headerBytes - INFO_HEADER_BYTES) / 4, 4);
    if (headerBytes == INFO_HEADER_BYTES) {
        count = h.compression == BI_ALPHABITFIELDS ? 4 : 3;
        h.paletteOffset += count * 4;
    }
    if (count < 3 || !in.Has(maskAt, count * 4))
        return false;
    for (size_t i = 0; i < count; ++i)
        h.masks[i] = in.U32(maskAt + i * 4);
    h.hasMasks = true;
    return true;
}

bool FormatIsSupported(const Header& h) {
    switch (h.compression) {
    case BI_RGB:
        return h.bitCount == 1 || h.bitCount == 4 || h.bitCount == 8 || h.bitCount == 16 ||
               h.bitCount == 24 || h.bitCount == 32;
    case BI_RLE8:
        return h.bitCount == 8;
    case BI_RLE4:
        return h.bitCount == 4;
    case BI_BITFIELDS:
    case BI_ALPHABITFIELDS:
        return h.bitCount == 16 || h.bitCount == 32;
    default:
        return false;
    }
}

bool ReadHeader(const Bytes& in, Header& h) {
    if (!in.Has(0, FILE_HEADER_BYTES + 4) || in.data[0] != 'B' || in.data[1] != 'M')
        return false;
    const uint32_t headerBytes = in.U32(FILE_HEADER_BYTES);
    if (!in.Has(FILE_HEADER_BYTES, headerBytes))
        return false;
    if (headerBytes == CORE_HEADER_BYTES)
        ReadCoreHeader(in, h);
    else if (headerBytes < INFO_HEADER_BYTES || headerBytes > LARGEST_HEADER_BYTES ||
             !ReadInfoHeader(in, headerBytes, h))
        return false;
    if (h.width <= 0 || h.height <= 0 || h.width > MAX_SIDE || h.height > MAX_SIDE ||
        int64_t{h.width} * h.height > MAX_PIXELS || !FormatIsSupported(h))
        return false;
    // A zero offset is written by some tools; the pixels then follow the palette.
    const uint32_t offBits = in.U32(10);
    h.pixelOffset = offBits;
    if (offBits == 0) {
        const size_t entries =
            h.bitCount <= 8 ? (h.colorsUsed ? h.colorsUsed : 1u << h.bitCount) : 0;
        h.pixelOffset = h.paletteOffset + std::min<size_t>(entries, 256) * h.paletteEntryBytes;
    }
    return h.pixelOffset < in.size;
}

// Palette entries the file really holds: as many as it declares (all for a zero count),
// no more than fit before the pixels and inside the buffer.
std::vector<uint32_t> ReadPalette(const Bytes& in, const Header& h) {
    std::vector<uint32_t> palette;
    if (h.bitCount > 8)
        return palette;
    const size_t full = size_t{1} << h.bitCount;
    size_t count = h.colorsUsed == 0 ? full : std::min<size_t>(h.colorsUsed, full);
    size_t end = in.size;
    if (h.pixelOffset >= h.paletteOffset)
        end = std::min(end, h.pixelOffset);
    const size_t room = end > h.paletteOffset ? (end - h.paletteOffset) / h.paletteEntryBytes : 0;
    count = std::min(count, room);
    palette.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = in.data + h.paletteOffset + i * h.paletteEntryBytes;
        palette.push_back(OPAQUE_ALPHA | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0]);
    }
    return palette;
}

uint32_t PaletteColor(const std::vector<uint32_t>& palette, unsigned index) {
    return index < palette.size() ? palette[index] : OPAQUE_ALPHA;
}

ChannelMasks MasksFor(const Header& h) {
    if (h.hasMasks)
        return {Channel(h.masks[0]), Channel(h.masks[1]), Channel(h.masks[2]), Channel(h.masks[3])};
    if (h.bitCount == 16)
        return {Channel(0x7C00), Channel(0x03E0), Channel(0x001F), Channel()};
    return {Channel(0xFF0000), Channel(0xFF00), Channel(0xFF), Channel()};
}

int ImageRow(const Header& h, int fileRow) {
    return h.topDown ? fileRow : h.height - 1 - fileRow;
}

void DecodeRow(const uint8_t* row, const Header& h, const std::vector<uint32_t>& palette,
               const ChannelMasks& masks, uint32_t* out) {
    for (int x = 0; x < h.width; ++x) {
        switch (h.bitCount) {
        case 1:
            out[x] = PaletteColor(palette, (row[x >> 3] >> (7 - (x & 7))) & 1);
            break;
        case 4:
            out[x] = PaletteColor(palette, (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF);
            break;
        case 8:
            out[x] = PaletteColor(palette, row[x]);
            break;
        case 16:
            out[x] = masks.Convert(static_cast<uint32_t>(row[2 * x] | row[2 * x + 1] << 8));
            break;
        case 24:
            out[x] = OPAQUE_ALPHA | uint32_t{row[3 * x + 2]} << 16 | uint32_t{row[3 * x + 1]} << 8 |
                     row[3 * x];
            break;
        default: {
            const uint8_t* p = row + 4 * x;
            out[x] = masks.Convert(uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 |
                                   uint32_t{p[3]} << 24);
        }
        }
    }
}

bool DecodeUncompressed(const Bytes& in, const Header& h, const std::vector<uint32_t>& palette,
                        Image& out) {
    const size_t rowBits = static_cast<size_t>(h.width) * h.bitCount;
    const size_t stride = (rowBits + 31) / 32 * 4;
    // The last row may lack its padding; every byte that carries a pixel must be there.
    const size_t needed = stride * (h.height - 1) + (rowBits + 7) / 8;
    if (!in.Has(h.pixelOffset, needed))
        return false;
    const ChannelMasks masks = MasksFor(h);
    out.Resize(h.width, h.height);
    for (int fileRow = 0; fileRow < h.height; ++fileRow) {
        const uint8_t* row = in.data + h.pixelOffset + stride * fileRow;
        DecodeRow(row, h, palette, masks, &out.At(0, ImageRow(h, fileRow)));
    }
    return true;
}

// Run-length decoding for RLE8 and RLE4: pixels past the end of a row are dropped,
// anything past the last row ends the picture, and data running out before the
// end-of-bitmap escape (or the last row) makes the file damaged.
class RunDecoder {
public:
    RunDecoder(const Bytes& in, const Header& h, const std::vector<uint32_t>& palette, Image& out)
        : in_(in), h_(h), palette_(palette), out_(out), pos_(h.pixelOffset) {}

    bool Decode() {
        out_.Resize(h_.width, h_.height, PaletteColor(palette_, 0));
        while (y_ < h_.height) {
            if (!in_.Has(pos_, 2))
                return false;
            const uint8_t count = in_.data[pos_];
            const uint8_t value = in_.data[pos_ + 1];
            pos_ += 2;
            if (count > 0) {
                EncodedRun(count, value);
            } else if (value == 0) {
                x_ = 0;
                ++y_;
            } else if (value == 1) {
                return true;
            } else if (value == 2) {
                if (!Delta())
                    return false;
            } else if (!AbsoluteRun(value)) {
                return false;
            }
        }
        return true;
    }

private:
    bool FourBit() const { return h_.bitCount == 4; }

    void Put(unsigned index) {
        if (x_ < h_.width)
            out_.At(x_, ImageRow(h_, y_)) = PaletteColor(palette_, index);
        x_ = std::min(x_ + 1, h_.width);
    }

    void EncodedRun(int count, uint8_t value) {
        for (int i = 0; i < count && x_ < h_.width; ++i)
            Put(FourBit() ? ((i & 1) ? value & 0xF : value >> 4) : value);
    }

    bool Delta() {
        if (!in_.Has(pos_, 2))
            return false;
        x_ = std::min(x_ + in_.data[pos_], h_.width);
        y_ += in_.data[pos_ + 1];
        pos_ += 2;
        return true;
    }

    // Literal pixels, padded to a whole 16-bit word.
    bool AbsoluteRun(int count) {
        const size_t bytes = FourBit() ? (count + 1) / 2 : count;
        if (!in_.Has(pos_, bytes))
            return false;
        const uint8_t* p = in_.data + pos_;
        for (int i = 0; i < count && x_ < h_.width; ++i)
            Put(FourBit() ? ((i & 1) ? p[i / 2] & 0xF : p[i / 2] >> 4) : p[i]);
        pos_ += (bytes + 1) & ~size_t{1};
        return true;
    }

    const Bytes& in_;
    const Header& h_;
    const std::vector<uint32_t>& palette_;
    Image& out_;
    size_t pos_;
    int x_ = 0;
    int y_ = 0;
};

size_t InUseBytes = 0;

} // namespace

PictureLease PictureLease::Take(size_t bytes) {
    PictureLease lease;
    if (bytes <= BUDGET_BYTES - InUseBytes) {
        InUseBytes += bytes;
        lease.bytes_ = bytes;
    }
    return lease;
}

PictureLease& PictureLease::operator=(PictureLease&& other) noexcept {
    if (this != &other) {
        Give();
        std::swap(bytes_, other.bytes_);
    }
    return *this;
}

PictureLease& PictureLease::operator=(const PictureLease&) {
    Give(); // the pixels it stood for are being replaced by a copy
    return *this;
}

void PictureLease::Give() {
    InUseBytes -= bytes_;
    bytes_ = 0;
}

size_t PictureLease::InUse() {
    return InUseBytes;
}

bool DecodeBitmap(const uint8_t* data, size_t size, Image& out) {
    out = Image{};
    if (data == nullptr)
        return false;
    const Bytes in{data, size};
    Header header;
    if (!ReadHeader(in, header))
        return false;
    PictureLease lease =
        PictureLease::Take(static_cast<size_t>(header.width) * header.height * BYTES_PER_PIXEL);
    if (!lease.Held())
        return false;
    try {
        const std::vector<uint32_t> palette = ReadPalette(in, header);
        Image image;
        const bool rle = header.compression == BI_RLE8 || header.compression == BI_RLE4;
        const bool ok = rle ? RunDecoder(in, header, palette, image).Decode()
                            : DecodeUncompressed(in, header, palette, image);
        if (ok) {
            out = std::move(image);
            out.lease = std::move(lease);
        }
        return ok;
    } catch (const std::bad_alloc&) {
        return false; // no memory for the pixels: no picture, as for a damaged file
    }
}

bool LoadBitmapFile(const std::string& path, Image& out) {
    out = Image{};
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return false;
    const uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > MAX_FILE_BYTES)
        return false;
    try {
        std::vector<uint8_t> bytes(static_cast<size_t>(size));
        std::ifstream file(path, std::ios::binary);
        if (!file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size)))
            return false;
        return DecodeBitmap(bytes.data(), bytes.size(), out);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

} // namespace base
