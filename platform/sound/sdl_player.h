#pragma once

#include <cstdint>
#include <vector>

#include "platform/sound/sound.h"

namespace snd {

// The real backend: one SDL audio device, opened on first use, whose callback copies the one
// voice into the device's buffer. The device plays a fixed format, so every image is converted
// once, when it starts, and the callback only copies.
class SdlPlayer : public Player {
public:
    static SdlPlayer& Instance();

    int PlaySound(const void* image, std::size_t size, unsigned flags) override;
    void Shutdown() override;

private:
    SdlPlayer() = default;
    ~SdlPlayer() override;
    bool Open();
    void Stop();
    bool Playing();
    void WaitForEnd(std::uint64_t voice);
    static void Callback(void* self, std::uint8_t* stream, int len);

    enum class DeviceState { Closed, Open, Unavailable };
    DeviceState State = DeviceState::Closed;
    std::uint32_t Device = 0;
    int Format = 0;
    int Channels = 0;
    int Rate = 0;
    std::uint8_t Silence = 0;

    // The voice; the callback reads it under the device lock.
    std::vector<std::uint8_t> Samples;
    std::size_t Position = 0;
    bool Loop = false;
    std::uint64_t Voice = 0; // counts the sounds started, so a waiter sees a replacement
};

} // namespace snd
