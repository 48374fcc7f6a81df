#include "play/play_steps.h"

#include "engine/random.h"

namespace {

class ImmediateMoves : public PlayMoves {
public:
    ImmediateMoves(SlotMachine& machine, const SpinSound& sound)
        : machine_(machine), sound_(sound) {}
    int Nudge() override { return machine_.Nudge(0); }
    void Respin() override {
        machine_.Spin(-1, 0, 0);
        ChooseSpinMusic(machine_, true, sound_);
    }

private:
    SlotMachine& machine_;
    const SpinSound& sound_;
};

} // namespace

SpinMusic ChooseSpinMusic(const SlotMachine& machine, bool respin, const SpinSound& sound) {
    if (!sound.on)
        return {};
    if (respin && sound.autoLoaded)
        return {SpinMusic::Auto, 0};
    if (machine.NumSndMusic <= 0)
        return {};
    return {SpinMusic::Music, Random::Next() % machine.NumSndMusic};
}

PlayStep NextPlayStep(SlotMachine& machine, PlayedSpin& played, PlayMoves& moves) {
    if (played.nudgesTried < MAX_PLAY_NUDGES) {
        ++played.nudgesTried;
        if (moves.Nudge()) {
            return PlayStep::Nudged;
        }
    }
    if (played.respins >= MAX_PLAY_RESPINS) {
        machine.AutoSpin = 0;
        return PlayStep::Settled;
    }
    if (machine.CheckAutoSpin()) {
        ++played.respins;
        moves.Respin();
        return PlayStep::Respun;
    }
    return PlayStep::Settled;
}

void PlaySpin(SlotMachine& machine, int bet, const SpinSound& sound) {
    machine.CoinsBet = 0;
    machine.Spin(bet, 0, 0);
    ChooseSpinMusic(machine, false, sound);
    PlayedSpin played;
    ImmediateMoves moves(machine, sound);
    while (NextPlayStep(machine, played, moves) != PlayStep::Settled) {
    }
    // The screen counts the win in one credit at a time so the player sees it; here nothing
    // is seen, and one call leaves every counter as that many calls would (each only adds,
    // saturating at the same limit), so a win of hundreds of millions takes no time.
    machine.PayOut(machine.Pending, 1);
}
