#include "platform/sound/sound.h"

#include "platform/sound/sdl_player.h"

namespace snd {

namespace {
Player* Replacement = nullptr;

Player& Current() {
    if (Replacement)
        return *Replacement;
    return SdlPlayer::Instance();
}
} // namespace

int sndPlaySoundA(const void* image, std::size_t size, unsigned flags) {
    return Current().PlaySound(image, size, flags);
}

void SetPlayer(Player* player) {
    Replacement = player;
}

void Shutdown() {
    Current().Shutdown();
}

} // namespace snd
