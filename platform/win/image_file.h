#pragma once
// Pictures written out as files, for screenshots.

#include <string>

#include "platform/base/image.h"

namespace win {

// Writes the picture as an opaque PNG file; false when the file cannot be written.
bool SavePng(const base::Image& picture, const std::string& path);

} // namespace win
