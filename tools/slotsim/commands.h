#pragma once

// The `slotsim` commands, apart from the command line: each loads a machine file into a fresh
// machine, drives the engine and returns the JSON to print.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

#include "engine/machine_json.h"

// A request that cannot be carried out as given (wrong positions and the like); the tool
// prints it and exits with the usage error code.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The machine file could not be opened (missing, not a regular file, unreadable). `dump` holds
// what the fresh machine printed, the loader's message among its Messages; the tool prints it
// and exits with the load failure code, whatever the command.
class LoadError : public std::runtime_error {
public:
    explicit LoadError(Json machine)
        : std::runtime_error("the machine file could not be opened"), dump(std::move(machine)) {}
    Json dump;
};

struct SpinRequest {
    uint32_t seed = 0;
    int spins = 0;
    int bet = 0;
    bool nudge = false;
    bool autoPay = false;
    bool trace = false;
    // play only: the spin music is chosen as kestrel3d does with sound on.
    bool sound = false;
};

Json DumpCommand(const std::string& path);
// positions: comma-separated stops, one per reel in use.
Json EvalCommand(const std::string& path, const std::string& positions, int bet);
// Spin(bet, nudge, autoPay) again and again.
Json RunCommand(const std::string& path, const SpinRequest& request);
// Player's spins sequenced as the play control does (nudge and autoPay are not used).
Json PlayCommand(const std::string& path, const SpinRequest& request);
