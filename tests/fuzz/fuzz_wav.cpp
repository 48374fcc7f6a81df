// Any bytes as a sound image on the real SDL voice (run with SDL_AUDIODRIVER=dummy): decoded,
// converted and started as a single sound, a loop or a sound that must not stop another.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/sound/sound.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const unsigned FLAGS[] = {snd::SND_ASYNC | snd::SND_NODEFAULT | snd::SND_MEMORY,
                                     snd::SND_ASYNC | snd::SND_LOOP | snd::SND_MEMORY,
                                     snd::SND_ASYNC | snd::SND_NOSTOP | snd::SND_MEMORY};
    const unsigned flags = FLAGS[size % 3];
    snd::sndPlaySoundA(data, size, flags);
    return 0;
}
