#pragma once
// Writes pictures as PNG files with uncompressed (stored) deflate blocks: no zlib needed.

#include <string>

#include "platform/rm/image.h"

// False when the file cannot be written.
bool WritePng(const std::string& path, const rm::Image& image);
