#include "tools/slotsim/play_steps.h"

PlayStep NextPlayStep(SlotMachine& machine, PlayedSpin& played) {
    if (played.nudgesTried < MAX_PLAY_NUDGES) {
        ++played.nudgesTried;
        if (machine.Nudge(0)) {
            return PlayStep::Nudged;
        }
    }
    if (played.respins >= MAX_PLAY_RESPINS) {
        machine.AutoSpin = 0;
        return PlayStep::Settled;
    }
    if (machine.CheckAutoSpin()) {
        ++played.respins;
        machine.Spin(-1, 0, 0);
        return PlayStep::Respun;
    }
    return PlayStep::Settled;
}

void PlaySpin(SlotMachine& machine, int bet) {
    machine.CoinsBet = 0;
    machine.Spin(bet, 0, 0);
    PlayedSpin played;
    while (NextPlayStep(machine, played) != PlayStep::Settled) {
    }
    while (machine.PayOut(1, 1) != 0) {
    }
}
