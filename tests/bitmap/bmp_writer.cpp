#include "tests/bitmap/bmp_writer.h"

namespace bmptest {
namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void PutInfoHeader(std::vector<uint8_t>& out, const BmpParts& p) {
    const size_t start = out.size();
    Put32(out, p.headerBytes);
    Put32(out, static_cast<uint32_t>(p.width));
    Put32(out, static_cast<uint32_t>(p.height));
    Put16(out, 1);
    Put16(out, p.bitCount);
    Put32(out, p.compression);
    Put32(out, static_cast<uint32_t>(p.pixels.size()));
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, p.colorsUsed);
    Put32(out, 0);
    if (p.headerBytes > 40)
        for (uint32_t m : p.masks)
            Put32(out, m);
    out.resize(start + p.headerBytes, 0);
    if (p.headerBytes == 40)
        for (uint32_t m : p.masks)
            Put32(out, m);
}

void PutCoreHeader(std::vector<uint8_t>& out, const BmpParts& p) {
    Put32(out, 12);
    Put16(out, static_cast<uint32_t>(p.width));
    Put16(out, static_cast<uint32_t>(p.height));
    Put16(out, 1);
    Put16(out, p.bitCount);
}

} // namespace

std::vector<uint8_t> EncodeBmp(const BmpParts& p) {
    std::vector<uint8_t> body;
    const bool core = p.headerBytes == 12;
    if (core)
        PutCoreHeader(body, p);
    else
        PutInfoHeader(body, p);
    for (uint32_t rgb : p.palette) {
        body.push_back(rgb & 0xFF);
        body.push_back((rgb >> 8) & 0xFF);
        body.push_back((rgb >> 16) & 0xFF);
        if (!core)
            body.push_back(0);
    }
    std::vector<uint8_t> file = {'B', 'M'};
    Put32(file, static_cast<uint32_t>(14 + body.size() + p.pixels.size()));
    Put32(file, 0);
    Put32(file, static_cast<uint32_t>(14 + body.size()));
    file.insert(file.end(), body.begin(), body.end());
    file.insert(file.end(), p.pixels.begin(), p.pixels.end());
    return file;
}

std::vector<uint8_t> PaddedRows(std::initializer_list<std::vector<uint8_t>> rows) {
    std::vector<uint8_t> out;
    for (const auto& row : rows) {
        out.insert(out.end(), row.begin(), row.end());
        out.resize((out.size() + 3) / 4 * 4, 0);
    }
    return out;
}

uint32_t PixelOffset(const std::vector<uint8_t>& file) {
    return file[10] | file[11] << 8 | file[12] << 16 | static_cast<uint32_t>(file[13]) << 24;
}

} // namespace bmptest
