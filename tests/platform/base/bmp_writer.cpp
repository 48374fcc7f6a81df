#include "tests/platform/base/bmp_writer.h"

namespace bmptest {
namespace {

void Put(std::vector<uint8_t>& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

} // namespace

std::vector<uint8_t> EncodeBmp(const BmpParts& p) {
    std::vector<uint8_t> body;
    const bool core = p.headerBytes == 12;
    const int side = core ? 2 : 4; // a core header's sizes are 16-bit
    Put(body, p.headerBytes, 4);
    Put(body, static_cast<uint32_t>(p.width), side);
    Put(body, static_cast<uint32_t>(p.height), side);
    Put(body, 1, 2);
    Put(body, p.bitCount, 2);
    if (!core) {
        for (uint32_t v :
             {p.compression, uint32_t(p.pixels.size()), 2835u, 2835u, p.colorsUsed, 0u})
            Put(body, v, 4);
        for (uint32_t m : p.headerBytes > 40 ? p.masks : std::vector<uint32_t>{})
            Put(body, m, 4);
        body.resize(p.headerBytes, 0);
        for (uint32_t m : p.headerBytes == 40 ? p.masks : std::vector<uint32_t>{})
            Put(body, m, 4);
    }
    for (uint32_t rgb : p.palette)
        Put(body, rgb, core ? 3 : 4);
    std::vector<uint8_t> file = {'B', 'M'};
    Put(file, static_cast<uint32_t>(14 + body.size() + p.pixels.size()), 4);
    Put(file, 0, 4);
    Put(file, static_cast<uint32_t>(14 + body.size()), 4);
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

} // namespace bmptest
