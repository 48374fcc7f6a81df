#pragma once
// Sound images played from memory with one voice, as the program expects of the platform's
// sndPlaySoundA: once without waiting, once and wait for the end, or in a loop. A new sound
// replaces the one playing; no image stops whatever plays.

#include <cstddef>

namespace snd {

// The Windows flag values, so the program's flag numbers (7, 6, 15, 3) mean what they meant.
constexpr unsigned SND_SYNC = 0x00;
constexpr unsigned SND_ASYNC = 0x01;
constexpr unsigned SND_NODEFAULT = 0x02;
constexpr unsigned SND_MEMORY = 0x04;
constexpr unsigned SND_LOOP = 0x08;
constexpr unsigned SND_NOSTOP = 0x10;

// The backend behind sndPlaySoundA. Tests put a recording fake in place of the real one.
class Player {
public:
    virtual ~Player() = default;
    // Returns 1 when the sound was started (or, for no image, when all sound stopped), else 0.
    virtual int PlaySound(const void* image, std::size_t size, unsigned flags) = 0;
    // Stops what plays and lets go of the device.
    virtual void Shutdown() = 0;
};

// Plays a complete WAV file image of size bytes. With SND_ASYNC it returns at once; without,
// it returns when the last sample has been handed to the device. SND_LOOP repeats the sound
// until another call replaces it (and never waits). With SND_NOSTOP a playing sound is left
// alone and 0 returned. A null image stops all sound. A damaged image plays nothing and
// returns 0; with no audio device everything is silent and returns 0.
int sndPlaySoundA(const void* image, std::size_t size, unsigned flags);

// Puts player in the place of the SDL backend; null restores it. The caller keeps ownership.
void SetPlayer(Player* player);

// Stops all sound and closes the SDL device; the next sound opens it again.
void Shutdown();

} // namespace snd
