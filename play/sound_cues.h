#pragma once
// The machine's sounds, read whole into memory when it is opened and played from there, and
// the place every cue goes out: a SoundOutput the program installs (silent until then).

#include <cstddef>
#include <cstdint>

#include "engine/slot_machine.h"
#include "platform/sound/sound.h"

// The play flags are the sound layer's (snd::SND_ASYNC, ...).
using snd::SND_ASYNC;
using snd::SND_LOOP;
using snd::SND_MEMORY;
using snd::SND_NODEFAULT;

// Plays a whole sound file image. A null image stops whatever plays; a new sound replaces
// the one playing. With SND_ASYNC clear it returns when the sound has played.
class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    virtual int Play(const void* image, size_t size, unsigned flags) = 0;
};

// Null brings back the silent output. The output is not owned.
void SetSoundOutput(SoundOutput* output);
SoundOutput& CurrentSoundOutput();

// The largest sound file read: three minutes of CD-quality stereo, far more than a cue needs,
// while the nine sound slots of a machine together stay within a few hundred MiB.
constexpr size_t MAX_SOUND_BYTES = size_t{32} << 20;

enum class SoundFileState { NoSound, Missing, TooLarge };

// The whole file, or empty for none: a file that is missing, not regular, empty, larger than
// MAX_SOUND_BYTES or for which no buffer can be had. It creates nothing; `state` says why
// there is no sound.
SoundImage LoadWholeFile(const char* name, SoundFileState* state = nullptr);
// Every sound the machine names, in file order: music, coins, pay, clunk, bet, auto; a file
// named in several slots is read once. A missing sound is created empty, as the loader opens
// with "open always", but only inside the machine file's own folder. A file too large is
// named in an error box and stays silent.
void LoadMachineSounds();

// Which of the machine's sounds an image is ("sndmusic1", "sndcoin3", "sndpay", ...); "none"
// for a null image.
const char* SoundName(const void* image);

// Starts a cue (an absent or empty image passes no sound) and records its kind in
// SoundState. The callers check the sound flag and the cue's own conditions.
void PlayCue(const SoundImage* image, unsigned flags, int32_t kind);
// Sound on (the Display menu's Sound item).
bool SoundOn();
