#include "tools/slotsim/play_steps.h"

PlayStep NextPlayStep(SlotMachine& machine, int& nudgesTried) {
    if (nudgesTried < MAX_PLAY_NUDGES) {
        ++nudgesTried;
        if (machine.Nudge(0)) {
            return PlayStep::Nudged;
        }
    }
    if (machine.CheckAutoSpin()) {
        machine.Spin(-1, 0, 0);
        return PlayStep::Respun;
    }
    return PlayStep::Settled;
}

void PlaySpin(SlotMachine& machine, int bet) {
    machine.CoinsBet = 0;
    machine.Spin(bet, 0, 0);
    int nudgesTried = 0;
    while (NextPlayStep(machine, nudgesTried) != PlayStep::Settled) {
    }
    while (machine.PayOut(1, 1) != 0) {
    }
}
