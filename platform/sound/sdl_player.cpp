#include "platform/sound/sdl_player.h"

#include <SDL.h>
#include <algorithm>
#include <cstring>
#include <dlfcn.h>

namespace snd {

namespace {

// ALSA prints its own complaints on stderr when SDL tries it on a machine without a sound card,
// though the program goes on silent as it should. The library SDL loads is the one loaded here
// (a second dlopen of a library shares it), so its error handler is set to say nothing; the
// handle stays open so the handler outlives SDL's use. Without ALSA there is nothing to quieten.
using AlsaErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);

void SayNothing(const char*, int, const char*, int, const char*, ...) {}

void QuietenAlsa() {
    void* alsa = dlopen("libasound.so.2", RTLD_LAZY | RTLD_GLOBAL);
    if (!alsa)
        return;
    using SetHandler = int (*)(AlsaErrorHandler);
    if (const auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler")))
        set(&SayNothing);
}

// The decoded and converted samples of a WAV image, or nothing for an image SDL cannot read.
bool Decode(const void* image, std::size_t size, SDL_AudioFormat format, int channels, int rate,
            std::vector<std::uint8_t>& out) {
    if (size == 0 || size > static_cast<std::size_t>(INT32_MAX))
        return false;
    SDL_RWops* rw = SDL_RWFromConstMem(image, static_cast<int>(size));
    if (!rw)
        return false;
    SDL_AudioSpec spec{};
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    if (!SDL_LoadWAV_RW(rw, 1, &spec, &buffer, &length))
        return false;
    // A damaged rate field can turn a few bytes into hours of sound, and SDL's resampler
    // overflows its sizes at rates far beyond any real recording: refuse both.
    const double frames = static_cast<double>(length) /
                          std::max(1, SDL_AUDIO_BITSIZE(spec.format) / 8 * spec.channels);
    const double seconds = spec.freq > 0 ? frames / spec.freq : 0;
    bool ok = false;
    const bool sane = spec.freq >= 1000 && spec.freq <= 384000 && seconds <= 3600;
    SDL_AudioStream* stream =
        !sane ? nullptr
              : SDL_NewAudioStream(spec.format, spec.channels, spec.freq, format, channels, rate);
    if (stream) {
        if (SDL_AudioStreamPut(stream, buffer, static_cast<int>(length)) == 0 &&
            SDL_AudioStreamFlush(stream) == 0) {
            out.resize(static_cast<std::size_t>(SDL_AudioStreamAvailable(stream)));
            const int got =
                out.empty() ? 0
                            : SDL_AudioStreamGet(stream, out.data(), static_cast<int>(out.size()));
            if (got >= 0) {
                out.resize(static_cast<std::size_t>(got));
                ok = true;
            }
        }
        SDL_FreeAudioStream(stream);
    }
    SDL_FreeWAV(buffer);
    return ok;
}

} // namespace

SdlPlayer& SdlPlayer::Instance() {
    static SdlPlayer player;
    return player;
}

SdlPlayer::~SdlPlayer() {
    Shutdown();
}

bool SdlPlayer::Open() {
    if (State == DeviceState::Open)
        return true;
    if (State == DeviceState::Unavailable)
        return false;
    // Without this hint SDL takes over SIGINT and SIGTERM and the program no longer ends on them.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    State = DeviceState::Unavailable; // no sound card is no error: the program runs silent
    QuietenAlsa();
    if (SDL_Init(SDL_INIT_AUDIO) != 0)
        return false;
    SDL_AudioSpec want{};
    want.freq = 44100;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = &SdlPlayer::Callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    Device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (Device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    Format = have.format;
    Channels = have.channels;
    Rate = have.freq;
    Silence = have.silence;
    State = DeviceState::Open;
    SDL_PauseAudioDevice(Device, 0);
    return true;
}

void SdlPlayer::Callback(void* self, std::uint8_t* stream, int len) {
    auto& player = *static_cast<SdlPlayer*>(self);
    std::size_t want = static_cast<std::size_t>(len);
    const std::size_t total = player.Samples.size();
    while (want > 0 && total > 0 && player.Position < total) {
        const std::size_t n = std::min(want, total - player.Position);
        std::memcpy(stream, player.Samples.data() + player.Position, n);
        stream += n;
        want -= n;
        player.Position += n;
        if (player.Position == total && player.Loop)
            player.Position = 0; // wrap inside the buffer so the loop has no gap
    }
    std::memset(stream, player.Silence, want);
}

void SdlPlayer::Stop() {
    SDL_LockAudioDevice(Device);
    Samples.clear();
    Position = 0;
    Loop = false;
    ++Voice;
    SDL_UnlockAudioDevice(Device);
}

bool SdlPlayer::Playing() {
    SDL_LockAudioDevice(Device);
    const bool playing = Position < Samples.size();
    SDL_UnlockAudioDevice(Device);
    return playing;
}

void SdlPlayer::WaitForEnd(std::uint64_t voice) {
    for (;;) {
        SDL_LockAudioDevice(Device);
        const bool done = Voice != voice || Position >= Samples.size();
        SDL_UnlockAudioDevice(Device);
        // A device that stopped (unplugged, say) would never consume the rest.
        if (done || SDL_GetAudioDeviceStatus(Device) != SDL_AUDIO_PLAYING)
            return;
        SDL_Delay(2);
    }
}

int SdlPlayer::PlaySound(const void* image, std::size_t size, unsigned flags) {
    if (!Open())
        return 0;
    if ((flags & SND_NOSTOP) && Playing())
        return 0;
    Stop();
    if (!image)
        return 1;
    std::vector<std::uint8_t> samples;
    if (!Decode(image, size, static_cast<SDL_AudioFormat>(Format), Channels, Rate, samples))
        return 0;
    // A loop never ends, so it is never waited for, whatever the flags say.
    const bool loop = (flags & SND_LOOP) != 0 && !samples.empty();
    SDL_LockAudioDevice(Device);
    Samples.swap(samples);
    Position = 0;
    Loop = loop;
    const std::uint64_t voice = ++Voice;
    SDL_UnlockAudioDevice(Device);
    if (!(flags & SND_ASYNC) && !loop)
        WaitForEnd(voice);
    return 1;
}

void SdlPlayer::Shutdown() {
    if (State == DeviceState::Open) {
        SDL_CloseAudioDevice(Device);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    Device = 0;
    Samples.clear();
    Position = 0;
    Loop = false;
    State = DeviceState::Closed;
}

} // namespace snd
