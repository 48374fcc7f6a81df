#pragma once
// A tiny BMP writer for tests: it lays out headers, palette and masks exactly as given,
// so tests can build every form of the format, and damaged ones, byte by byte.

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace bmptest {

struct BmpParts {
    uint32_t headerBytes = 40; // 12 (core), 40, 52, 56, 108 or 124
    int32_t width = 1;
    int32_t height = 1; // negative: rows stored top-down
    uint16_t bitCount = 24;
    uint32_t compression = 0;
    uint32_t colorsUsed = 0;
    std::vector<uint32_t> palette = {}; // 0x00RRGGBB
    std::vector<uint32_t> masks = {};   // inside V2+ headers, or after a 40-byte header
    std::vector<uint8_t> pixels = {};   // the pixel data exactly as stored
};

std::vector<uint8_t> EncodeBmp(const BmpParts& parts);

// Concatenates rows, padding each to a multiple of four bytes.
std::vector<uint8_t> PaddedRows(std::initializer_list<std::vector<uint8_t>> rows);

} // namespace bmptest
