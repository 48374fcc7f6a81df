#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <random>
#include <vector>

#include "platform/sound/sound.h"

namespace {

using Image = std::vector<unsigned char>;
constexpr unsigned ASYNC = snd::SND_ASYNC | snd::SND_NODEFAULT | snd::SND_MEMORY;

void Put(Image& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}
void Put(Image& out, const char* text) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>(text[i]));
}

// A 16-bit mono 22050 Hz tone of the given length.
Image Wav(int milliseconds) {
    const std::uint32_t frames = 22050u * milliseconds / 1000, data = frames * 2;
    Image out;
    Put(out, "RIFF"), Put(out, 36 + data, 4), Put(out, "WAVE"), Put(out, "fmt "), Put(out, 16, 4);
    Put(out, 1, 2), Put(out, 1, 2), Put(out, 22050, 4), Put(out, 44100, 4), Put(out, 2, 2);
    Put(out, 16, 2), Put(out, "data"), Put(out, data, 4);
    for (std::uint32_t i = 0; i < frames; ++i)
        Put(out, static_cast<std::uint16_t>(8000 * std::sin(i * 0.1)), 2);
    return out;
}

int Play(const Image& image, unsigned flags = ASYNC) {
    return snd::sndPlaySoundA(image.data(), image.size(), flags);
}

TEST(Sound, PlaysAValidImageAndReopensAfterShutdown) {
    EXPECT_EQ(Play(Wav(50)), 1);
    snd::Shutdown();
    EXPECT_EQ(Play(Wav(50)), 1);
}

TEST(Sound, SyncReturnsWhenTheSoundIsHandedOver) {
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(Play(Wav(300), snd::SND_NODEFAULT | snd::SND_MEMORY), 1);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    EXPECT_GE(ms, 200); // a device buffer may still be unheard
    EXPECT_LT(ms, 3000);
}

TEST(Sound, NoImageStopsALoop) {
    ASSERT_EQ(Play(Wav(100), ASYNC | snd::SND_LOOP), 1);
    EXPECT_EQ(Play(Wav(50), ASYNC | snd::SND_NOSTOP), 0); // the loop still plays
    EXPECT_EQ(snd::sndPlaySoundA(nullptr, 0, snd::SND_ASYNC | snd::SND_NODEFAULT), 1);
    EXPECT_EQ(Play(Wav(50), ASYNC | snd::SND_NOSTOP), 1);
}

TEST(Sound, TruncatedImagesNeverCrash) {
    const Image wav = Wav(10);
    for (std::size_t n = 1; n <= wav.size(); ++n) {
        const Image cut(wav.begin(), wav.begin() + n);
        EXPECT_TRUE(Play(cut) == 0 || n >= 44) << n; // short of a complete header
    }
}

TEST(Sound, DamagedImagesNeverCrash) {
    const Image wav = Wav(10);
    std::mt19937 random(7);
    for (int round = 0; round < 3000; ++round) {
        Image bad = wav;
        for (int i = 0; i <= round % 4; ++i)
            bad[random() % bad.size()] ^= static_cast<unsigned char>(1 + random() % 255);
        const bool magic = !std::equal(wav.begin(), wav.begin() + 4, bad.begin()) ||
                           !std::equal(wav.begin() + 8, wav.begin() + 16, bad.begin() + 8);
        EXPECT_TRUE(Play(bad) == 0 || !magic) << round;
    }
}

} // namespace
