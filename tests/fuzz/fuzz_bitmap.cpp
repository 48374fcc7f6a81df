// Any bytes through the bitmap decoder: a picture it accepts fills its whole table, one it
// refuses leaves nothing behind.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/base/image.h"

// A few bytes of run-length data may declare a picture of the whole budget, and filling a
// quarter of a gigabyte under the sanitizers takes a third of a second. Holding all but 16 MiB
// of the budget keeps every decoding path in reach (a larger picture is refused by the budget,
// which is a path too) while the fuzzer runs hundreds of times as many inputs.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static const base::PictureLease most =
        base::PictureLease::Take(base::PictureLease::BUDGET_BYTES - (size_t{16} << 20));
    return most.Held() ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    base::Image image;
    const bool decoded = base::DecodeBitmap(data, size, image);
    const size_t cells = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
    if (decoded ? image.Empty() || image.pixels.size() != cells : !image.pixels.empty())
        std::abort();
    return 0;
}
