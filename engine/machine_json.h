#pragma once

// The machine as JSON, the shape every `slotsim` command prints: each field under its own
// name, absent strings as null, symbol stops as symbol codes.

#include <nlohmann/json.hpp>

#include "engine/message_box.h"
#include "engine/slot_machine.h"

using Json = nlohmann::ordered_json;

Json MachineToJson(const SlotMachine& machine, const RecordingMessageSink& loadMessages);

// One entry of a `--trace`: the reels and meters right after a spin.
Json TraceEntry(const SlotMachine& machine);

// Doubles print so that they read back exactly; bytes that are not UTF-8 become U+FFFD.
std::string JsonText(const Json& json);
