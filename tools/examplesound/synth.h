#pragma once
// Short sounds for the example machines, made by adding decaying sine partials. Every sound
// starts and ends at silence, so nothing clicks, and the tunes are whole bars long, so they
// loop without a seam.

#include <string>
#include <vector>

using Samples = std::vector<float>; // mono, -1..1, at SAMPLE_RATE

constexpr int SAMPLE_RATE = 44100; // the rate the sound layer's device plays

Samples CoinSound(int coins); // a bright metallic clink, once per coin
Samples BetSound();           // a short click with a chime
Samples PaySound();           // a short bright tick, about 60 ms
Samples ClunkSound();         // a low thud
Samples SpinTune(int number); // a cheerful looping arpeggio tune; numbers pick different tunes
Samples AutoTune();           // a faster loop for the free re-spins

// Writes 16-bit PCM mono; false when the file cannot be written.
bool WriteWav(const std::string& path, const Samples& samples);
