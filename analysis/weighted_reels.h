#pragma once

// A machine file's reels as weights: how many spin-table entries each stop has, and the file
// rewritten with other weights. With "%igtsplus" a run of one letter down a reel's column is
// one stop with as many entries as the run is long, so weights change the spin tables and
// never the strips; every byte outside the reel section stays as it was.

#include <string>
#include <vector>

#include "engine/slot_machine.h"

// Per reel in use, per stop: its spin-table entries.
using StopWeights = std::vector<std::vector<int>>;

StopWeights WeightsOf(const SlotMachine& machine);

// Why the reels cannot take weights without changing a strip, or empty when they can: without
// "%igtsplus" a letter written twice in a row down a column would become one stop.
std::string WhyWeightsWouldChangeStrips(const SlotMachine& machine);

// The machine file `text`, which loaded into `machine` without a message, with its reel
// section written anew from `weights` (and "%igtsplus" added before the end of the first
// section when it had none). A line gives a stop to the first reels only, so a reel's column
// is never longer than the one to its left: the caller keeps the reels' totals in that order.
std::string WithWeights(const std::string& text, const SlotMachine& machine,
                        const StopWeights& weights);
