#include "platform/win/clock.h"

#include <chrono>

namespace win {

uint32_t SteadyClock::TickCount() {
    const auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count();
    return static_cast<uint32_t>(static_cast<uint64_t>(ms));
}

} // namespace win
