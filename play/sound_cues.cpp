#include "play/sound_cues.h"

#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "play/play_state.h"
#include "scene/shared_flags.h"

namespace {

class SilentSound : public SoundOutput {
public:
    int Play(const void*, size_t, unsigned) override { return 1; }
};

SilentSound Silent;
SoundOutput* Output = &Silent;

void LoadInto(SoundImage& image, const char* name) {
    image = LoadWholeFile(name);
}

} // namespace

void SetSoundOutput(SoundOutput* output) {
    Output = output != nullptr ? output : &Silent;
}

SoundOutput& CurrentSoundOutput() {
    return *Output;
}

SoundImage LoadWholeFile(const char* name) {
    if (name == nullptr)
        return {};
    // Opened without waiting for a writer: a pipe named as a sound would block here for ever.
    const int fd = open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        // Opening "always" leaves an empty file behind where there was none.
        if (std::FILE* created = std::fopen(name, "ab"))
            std::fclose(created);
        return {};
    }
    // Only a regular file has a sound to read; a device or a pipe is silent.
    struct stat info;
    std::FILE* file = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) ? fdopen(fd, "rb") : nullptr;
    if (file == nullptr) {
        close(fd);
        return {};
    }
    SoundImage image;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long size = std::ftell(file);
        if (size > 0 && std::fseek(file, 0, SEEK_SET) == 0) {
            image.resize(static_cast<size_t>(size));
            const size_t read = std::fread(image.data(), 1, image.size(), file);
            image.resize(read);
        }
    }
    std::fclose(file);
    return image;
}

void LoadMachineSounds() {
    SlotMachine& machine = *Machine;
    for (int i = 0; i < machine.NumSndMusic && i < MAX_SND_MUSIC; ++i)
        LoadInto(machine.SndMusicData[i], machine.SndMusic[i]);
    for (int i = 0; i < machine.NumSndCoin && i < MAX_SND_COIN; ++i)
        LoadInto(machine.SndCoinData[i], machine.SndCoin[i]);
    LoadInto(machine.SndPayData, machine.SndPay);
    LoadInto(machine.SndClunkData, machine.SndClunk);
    LoadInto(machine.SndBetData, machine.SndBet);
    LoadInto(machine.SndAutoData, machine.SndAuto);
}

const char* SoundName(const void* image) {
    if (image == nullptr)
        return "none";
    if (Machine != nullptr) {
        static const char* const kMusic[] = {"sndmusic1", "sndmusic2", "sndmusic3", "sndmusic4"};
        static const char* const kCoin[] = {"sndcoin1", "sndcoin2", "sndcoin3"};
        const SlotMachine& m = *Machine;
        for (int i = 0; i < MAX_SND_MUSIC; ++i)
            if (image == m.SndMusicData[i].data())
                return kMusic[i];
        for (int i = 0; i < MAX_SND_COIN; ++i)
            if (image == m.SndCoinData[i].data())
                return kCoin[i];
        if (image == m.SndPayData.data())
            return "sndpay";
        if (image == m.SndClunkData.data())
            return "sndclunk";
        if (image == m.SndBetData.data())
            return "sndbet";
        if (image == m.SndAutoData.data())
            return "sndauto";
    }
    return "unknown";
}

void PlayCue(const SoundImage* image, unsigned flags, int32_t kind) {
    const bool present = image != nullptr && !image->empty();
    Output->Play(present ? image->data() : nullptr, present ? image->size() : 0, flags);
    Play.SoundState = kind;
}

bool SoundOn() {
    return (Shared.DisplayFlags & DISPLAY_SOUND) != 0;
}
