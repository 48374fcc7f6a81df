#pragma once

// The `slotsim` commands, apart from the command line: each loads a machine file into a fresh
// machine, drives the engine and returns the JSON to print.

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "analysis/par_sheet.h"
#include "engine/machine_json.h"
#include "platform/cluster/distribution.h"

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
// positions: comma-separated stops, one per reel in use. Prints the win and the payoff row that
// won it (of equal amounts, the first in file order), -1 when nothing pays.
Json EvalCommand(const std::string& path, const std::string& positions, int bet);
// Spin(bet, nudge, autoPay) again and again; writes the final machine, and its trace, to out.
void RunCommand(const std::string& path, const SpinRequest& request, std::ostream& out);
// Player's spins sequenced as the play control does (nudge and autoPay are not used).
void PlayCommand(const std::string& path, const SpinRequest& request, std::ostream& out);

// Exit code of a par sheet whose free re-spins or nudges can never end.
constexpr int EXIT_ENDLESS = 3;

// --bet all: a sheet for every bet from 1 to MaxCoins.
constexpr int ALL_BETS = -1;
// More bets than this make a table no one reads; --bet all refuses them.
constexpr int MOST_BET_COLUMNS = 16;

// A machine file that opened but made the loader complain is not analysed: `par` and `sim`
// print each message on err and exit with this code, as for a file that cannot be opened.
constexpr int EXIT_REFUSED = 1;

// What par, sim and tune need of a machine they may analyse.
struct Analysed {
    std::string name;
    int maxCoins = 0;
};
// The machine, or nothing when the loader could not open it or complained about it: a
// half-read file would give figures of a machine nobody wrote. Every message goes to err.
std::optional<Analysed> LoadForAnalysis(const std::string& path, std::ostream& err);
// The bet to work with: the one asked for (0: MaxCoins); a UsageError when it cannot be.
int CheckBet(const Analysed& machine, int bet);

struct ParOptions {
    int bet = 0; // 0: the machine's MaxCoins; ALL_BETS: every bet
    SpinMode mode = SpinMode::Play;
    EntryWeights weights = EntryWeights::Ideal;
    ParMethod method = ParMethod::Classes;
    bool json = false;
    std::string plot; // SVG file to draw, or empty
};
// Writes the par sheet to out (why it is endless to err); returns the exit code.
int ParCommand(const std::string& path, const ParOptions& options, std::ostream& out,
               std::ostream& err);

struct SimOptions {
    uint64_t spins = 0;
    uint64_t seed = 0;
    int threads = 0; // 0: every core
    int bet = 0;     // 0: the machine's MaxCoins
    SpinMode mode = SpinMode::Play;
    EntryWeights weights = EntryWeights::Ideal;
    bool json = false;
    bool engineOnly = false;
    bool progress = false; // a progress bar on err
};
// Returns the exit code. Every process of the cluster runs it; only process 0 prints, but a
// machine file that one of them cannot load ends all of them, the first saying why.
int SimCommand(const std::string& path, const SimOptions& options, std::ostream& out,
               std::ostream& err, Distribution& cluster = SingleProcess());

// Sessions when no number is given.
constexpr uint64_t DEFAULT_SESSIONS = 10000;

struct SessionOptions {
    uint64_t sessions = DEFAULT_SESSIONS;
    int64_t credits = 0;
    int bet = 0; // 0: the machine's MaxCoins
    uint64_t spins = 1000;
    std::optional<int64_t> stopAt;
    uint64_t seed = 0;
    int threads = 0; // 0: every core
    SpinMode mode = SpinMode::Play;
    bool json = false;
    std::string plot;      // SVG file to draw, or empty
    bool progress = false; // a progress bar on err
};
// Player sessions; returns the exit code. Runs on every process of the cluster as sim does.
int SessionCommand(const std::string& path, const SessionOptions& options, std::ostream& out,
                   std::ostream& err, Distribution& cluster = SingleProcess());
