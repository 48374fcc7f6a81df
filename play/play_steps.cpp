#include "play/play_steps.h"

namespace {

class ImmediateMoves : public PlayMoves {
public:
    explicit ImmediateMoves(SlotMachine& machine) : machine_(machine) {}
    int Nudge() override { return machine_.Nudge(0); }
    void Respin() override { machine_.Spin(-1, 0, 0); }

private:
    SlotMachine& machine_;
};

} // namespace

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

void PlaySpin(SlotMachine& machine, int bet) {
    machine.CoinsBet = 0;
    machine.Spin(bet, 0, 0);
    PlayedSpin played;
    ImmediateMoves moves(machine);
    while (NextPlayStep(machine, played, moves) != PlayStep::Settled) {
    }
    while (machine.PayOut(1, 1) != 0) {
    }
}
