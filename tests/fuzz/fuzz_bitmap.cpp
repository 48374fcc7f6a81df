// Any bytes through the bitmap decoder: a picture it accepts fills its whole table, one it
// refuses leaves nothing behind.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/base/image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    base::Image image;
    const bool decoded = base::DecodeBitmap(data, size, image);
    const size_t cells = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
    if (decoded ? image.Empty() || image.pixels.size() != cells : !image.pixels.empty())
        std::abort();
    return 0;
}
