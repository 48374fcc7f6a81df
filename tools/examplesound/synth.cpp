#include "tools/examplesound/synth.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {

constexpr double PI = 3.14159265358979;

int ToSamples(double seconds) {
    return static_cast<int>(std::lround(seconds * SAMPLE_RATE));
}

// One sine partial from start for length seconds: a short linear attack, an exponential decay
// with time constant decay, and a short linear fade at the end so it stops at zero.
void AddPartial(Samples& out, double start, double length, double frequency, double amplitude,
                double decay, double glide = 0) {
    if (frequency * (1 + glide) >= SAMPLE_RATE * 0.45)
        return; // it would fold back as an unrelated lower tone
    const int first = ToSamples(start);
    const int count = std::min<int>(ToSamples(length), static_cast<int>(out.size()) - first);
    const double attack = 0.003, fade = std::min(0.012, length / 4);
    double phase = 0;
    for (int i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / SAMPLE_RATE;
        double envelope = std::exp(-t / decay);
        envelope *= std::min(1.0, t / attack) * std::min(1.0, (length - t) / fade);
        out[first + i] += static_cast<float>(amplitude * envelope * std::sin(phase));
        // glide bends the pitch down over time, which makes a thud sound struck.
        phase += 2 * PI * frequency * (1 + glide * std::exp(-t / 0.04)) / SAMPLE_RATE;
    }
}

// Scales the sound so its loudest sample is at peak: every sound then plays at one level.
Samples Normalised(Samples s, double peak) {
    float loudest = 0;
    for (float v : s)
        loudest = std::max(loudest, std::fabs(v));
    if (loudest > 0)
        for (float& v : s)
            v = static_cast<float>(v * peak / loudest);
    return s;
}

double Note(int semitonesFromA4) {
    return 440.0 * std::pow(2.0, semitonesFromA4 / 12.0);
}

// A struck metal bar: partials at the bar's inharmonic ratios, the high ones dying first.
void AddClink(Samples& out, double start, double base) {
    const double ratios[] = {1.0, 2.76, 5.40, 8.93};
    const double levels[] = {0.5, 0.35, 0.2, 0.1};
    for (int i = 0; i < 4; ++i)
        AddPartial(out, start, 0.35, base * ratios[i], levels[i], 0.09 / (1 + i));
}

// A soft mallet note: fundamental with a little octave and twelfth, gone within the step.
void AddMallet(Samples& out, double start, double length, double frequency, double level) {
    AddPartial(out, start, length, frequency, level, length * 0.6);
    AddPartial(out, start, length, frequency * 2, level * 0.3, length * 0.3);
    AddPartial(out, start, length, frequency * 3, level * 0.12, length * 0.2);
}

struct TuneShape {
    double step;       // seconds a note lasts
    int chords[4];     // chord roots, semitones from A4, one per bar
    bool minor[4];     // which chords are minor
    int pattern[8];    // chord tones played in a bar: 0 root, 1 third, 2 fifth, 3 octave
    int notesPerBar;   // how much of pattern one bar uses
    double brightness; // level of the extra upper octave
};

Samples Tune(const TuneShape& shape) {
    const int bars = 4;
    // A whole number of samples per step keeps every bar, and so the loop, exactly aligned.
    const int stepSamples = ToSamples(shape.step);
    const double step = static_cast<double>(stepSamples) / SAMPLE_RATE;
    Samples out(static_cast<std::size_t>(stepSamples) * shape.notesPerBar * bars, 0.0f);
    for (int bar = 0; bar < bars; ++bar) {
        const int root = shape.chords[bar];
        const int tones[4] = {0, shape.minor[bar] ? 3 : 4, 7, 12};
        const double barStart = bar * shape.notesPerBar * step;
        for (int n = 0; n < shape.notesPerBar; ++n) {
            const double f = Note(root + tones[shape.pattern[n]]);
            AddMallet(out, barStart + n * step, step, f, 0.3);
            AddPartial(out, barStart + n * step, step, f * 4, 0.05 * shape.brightness, step * 0.15);
        }
        // Bass on the first and middle of the bar, two octaves below the chord.
        const double half = shape.notesPerBar / 2 * step;
        for (int beat = 0; beat < 2; ++beat)
            AddMallet(out, barStart + beat * half, half, Note(root - 24 + (beat ? 7 : 0)), 0.35);
    }
    return Normalised(out, 0.45);
}

void PutLe(std::FILE* f, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        std::fputc(static_cast<int>((value >> (8 * i)) & 0xff), f);
}

} // namespace

Samples CoinSound(int coins) {
    const double gap = 0.11;
    Samples out(static_cast<std::size_t>(ToSamples(gap * (coins - 1) + 0.36)), 0.0f);
    for (int i = 0; i < coins; ++i)
        AddClink(out, gap * i, 2100 + 90 * (i % 2)); // alternate pitch, like coins on coins
    return Normalised(out, 0.5);
}

Samples BetSound() {
    Samples out(static_cast<std::size_t>(ToSamples(0.22)), 0.0f);
    AddPartial(out, 0, 0.02, 3800, 0.4, 0.004);        // the click
    AddPartial(out, 0.01, 0.21, Note(19), 0.45, 0.07); // E6
    AddPartial(out, 0.01, 0.21, Note(26), 0.25, 0.05); // B6
    return Normalised(out, 0.45);
}

Samples PaySound() {
    Samples out(static_cast<std::size_t>(ToSamples(0.06)), 0.0f);
    AddPartial(out, 0, 0.06, Note(31), 0.5, 0.018);     // E7
    AddPartial(out, 0, 0.06, Note(31) * 2, 0.2, 0.008); // its octave for the brightness
    return Normalised(out, 0.4);
}

Samples ClunkSound() {
    Samples out(static_cast<std::size_t>(ToSamples(0.25)), 0.0f);
    AddPartial(out, 0, 0.25, 65, 0.6, 0.07, 0.8);
    AddPartial(out, 0, 0.12, 150, 0.3, 0.025, 0.5);
    AddPartial(out, 0, 0.05, 420, 0.12, 0.01); // the knock of the reel's catch
    return Normalised(out, 0.55);
}

Samples SpinTune(int number) {
    // C major: C Am F G, rising arpeggios; the other walks G Em C D up and down.
    const TuneShape shapes[2] = {
        {0.15, {3, 0, -4, -2}, {false, true, false, false}, {0, 1, 2, 3}, 4, 1.0},
        {0.115, {-2, -5, 3, 5}, {false, true, false, false}, {0, 2, 1, 2, 3, 2, 1, 2}, 8, 0.6},
    };
    const TuneShape& shape = shapes[number % 2];
    if (number < 2)
        return Tune(shape);
    TuneShape moved = shape; // further tunes: the same shapes a fourth higher
    for (int& root : moved.chords)
        root += 5 * (number / 2);
    return Tune(moved);
}

Samples AutoTune() {
    const TuneShape shape = {
        0.085, {5, 2, -2, 0}, {false, true, false, false}, {0, 1, 2, 3, 2, 1, 2, 3}, 8, 1.4};
    return Tune(shape);
}

bool WriteWav(const std::string& path, const Samples& samples) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const std::uint32_t data = static_cast<std::uint32_t>(samples.size() * 2);
    std::fputs("RIFF", f);
    PutLe(f, 36 + data, 4);
    std::fputs("WAVEfmt ", f);
    PutLe(f, 16, 4);
    PutLe(f, 1, 2); // PCM
    PutLe(f, 1, 2); // mono
    PutLe(f, SAMPLE_RATE, 4);
    PutLe(f, SAMPLE_RATE * 2, 4);
    PutLe(f, 2, 2);
    PutLe(f, 16, 2);
    std::fputs("data", f);
    PutLe(f, data, 4);
    for (float v : samples) {
        const long s = std::lround(std::clamp(v, -1.0f, 1.0f) * 32767);
        PutLe(f, static_cast<std::uint32_t>(static_cast<std::int16_t>(s)) & 0xffff, 2);
    }
    return std::fclose(f) == 0;
}
