#pragma once

// The order in which the play control drives the engine through one player's spin once the
// reels have come to rest: nudge while a reel moves, then re-spin while the machine asks for
// it, then count the win in. The on-screen control animates each step; `slotsim play` runs
// them back to back. Both go through NextPlayStep, so they cannot drift apart.

#include "engine/slot_machine.h"

// A strip whose nudges never come to rest (an "(up)" and a "(down)" symbol trading places)
// would keep a spin going for ever, so one played spin tries at most this many nudges,
// re-spins included; after that only the re-spin decision is left.
constexpr int MAX_PLAY_NUDGES = 1024;

// Likewise a strip that shows an autospin symbol on every stop: after this many re-spins in
// one played spin the series ends as if CheckAutoSpin had returned 0, as it does within Spin.
constexpr int MAX_PLAY_RESPINS = MAX_AUTO_SPINS;

enum class PlayStep { Nudged, Respun, Settled };

// What a spin's start needs to know to choose its music: the choice may draw a number from
// the random generator, and every later stop depends on whether it did.
struct SpinSound {
    bool on = false;         // Display > Sound
    bool autoLoaded = false; // the re-spin music's file was read and is not empty
};

// The music a spin's start plays: none, the re-spin music, or the spin music `index`.
struct SpinMusic {
    enum Kind { None, Auto, Music } kind = None;
    int index = 0;
};

// Called right after the machine's Spin; draws the number that picks the spin music when
// sound is on and a re-spin has no music of its own, even if the chosen file failed to load.
SpinMusic ChooseSpinMusic(const SlotMachine& machine, bool respin, const SpinSound& sound);

// What one player's spin has used up of the caps so far; a fresh one for every player's spin.
struct PlayedSpin {
    int nudgesTried = 0;
    int respins = 0;
};

// How a nudge and a free re-spin are carried out: at once on the machine, or with their
// animation and sound on screen.
class PlayMoves {
public:
    virtual ~PlayMoves() = default;
    // 1 when a reel moved (the machine's Nudge(0)).
    virtual int Nudge() = 0;
    // The machine's Spin(-1, 0, 0).
    virtual void Respin() = 0;
};

// Nudges and re-spins at once on the machine, drawing nothing else.
class EngineMoves : public PlayMoves {
public:
    explicit EngineMoves(SlotMachine& machine) : machine_(machine) {}
    int Nudge() override { return machine_.Nudge(0); }
    void Respin() override { machine_.Spin(-1, 0, 0); }

private:
    SlotMachine& machine_;
};

// What follows a spin or nudge that has come to rest.
PlayStep NextPlayStep(SlotMachine& machine, PlayedSpin& played, PlayMoves& moves);

// A whole player's spin without display: bet and spin, settle, count the win in; the spin
// music is chosen (and drawn) as the on-screen play does with the same sound.
void PlaySpin(SlotMachine& machine, int bet, const SpinSound& sound = {});
