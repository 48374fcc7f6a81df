// slotsim: loads a machine file and plays it headless, printing the machine as JSON.
// The command line is the one place that includes CLI11, which is slow to compile.

#include <CLI/CLI.hpp>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <map>
#include <unistd.h>

#include "cli/bounded_number.h"
#include "cli/standard_output.h"
#include "platform/cluster/distribution.h"
#include "tools/slotsim/commands.h"
#include "tools/slotsim/tune_command.h"

namespace {

constexpr int EXIT_LOAD = 1;
constexpr int EXIT_USAGE = 2;

struct Options {
    std::string file;
    std::string positions;
    int bet = 0;
    SpinRequest spin;
    ParOptions par;
    SimOptions sim;
    SessionOptions session;
    TuneOptions tune;
};

// --help-all lists each command as a line of its own followed by its arguments and options, one
// a line: the shape from which help2man makes the man page's list of commands.
class CommandListFormatter : public CLI::Formatter {
public:
    std::string make_expanded(const CLI::App* command) const override {
        std::string out = "\n" + command->get_name() + ": " + command->get_description() + "\n";
        for (const CLI::Option* option : command->get_options()) {
            if (option != command->get_help_ptr() && option != command->get_help_all_ptr())
                out += make_option(option, option->get_positional());
        }
        return out;
    }
};

const std::map<std::string, SpinMode> MODES{{"play", SpinMode::Play}, {"run", SpinMode::Run}};
const std::map<std::string, EntryWeights> WEIGHTS{{"ideal", EntryWeights::Ideal},
                                                  {"engine", EntryWeights::Engine}};
const std::map<std::string, ParMethod> METHODS{{"classes", ParMethod::Classes},
                                               {"walk", ParMethod::Walk}};

// An option taking one of the names of `choices`; the help shows them as a|b.
template <typename T>
CLI::Option* AddChoice(CLI::App* command, const std::string& name, T& target,
                       const std::map<std::string, T>& choices, const std::string& description) {
    std::string names;
    for (const auto& choice : choices)
        names += (names.empty() ? "" : "|") + choice.first;
    return command->add_option(name, target, description)
        ->transform(CLI::CheckedTransformer(choices, CLI::ignore_case).description(""))
        ->type_name(names);
}

void AddModeOption(CLI::App* command, SpinMode& mode) {
    AddChoice(command, "--mode", mode, MODES,
              "play: a player's spin with its nudges and free re-spins (default); run: one "
              "spin of the engine, each reel nudged once, the win paid at once");
}

void AddWeightsOption(CLI::App* command, EntryWeights& weights) {
    AddChoice(command, "--weights", weights, WEIGHTS,
              "ideal: every spin-table entry alike, the reels independent: the machine as "
              "designed (default); engine: as the engine's own generator draws, every one of "
              "its 2^32 states a start, re-spins drawn on from it");
}

CLI::App* AddCommand(CLI::App& app, const char* name, const char* description, Options& o) {
    CLI::App* command = app.add_subcommand(name, description);
    command->add_option("FILE", o.file, "machine file (.slt)")->required()->type_name("");
    return command;
}

using cli::AddBoundedNumber;

void AddSpinOptions(CLI::App* command, Options& o) {
    AddBoundedNumber(*command, "--seed", o.spin.seed, 0, UINT32_MAX, "seed of the random generator")
        ->required();
    AddBoundedNumber(*command, "--spins", o.spin.spins, 0, INT_MAX, "number of spins")->required();
    AddBoundedNumber(*command, "--bet", o.spin.bet, 0, INT_MAX, "total bet of each spin in coins")
        ->required();
    command->add_flag("--trace", o.spin.trace, "add one Trace entry per spin");
}

void AddTuneCommand(CLI::App& app, Options& o) {
    CLI::App* tune = AddCommand(
        app, "tune", "change only the stops' weights to reach a target RTP; write the result", o);
    tune->add_option("--rtp", o.tune.rtp,
                     "target RTP: 0.95, 95% or 19/20; reached within 0.01 points")
        ->required()
        ->type_name("RTP");
    tune->add_option("--hit", o.tune.hit,
                     "target hit frequency in the same forms, within 0.5 points")
        ->type_name("SHARE");
    AddBoundedNumber(*tune, "--bet", o.tune.bet, 1, INT_MAX,
                     "total bet in coins (default: MaxCoins)");
    AddModeOption(tune, o.tune.mode);
    AddChoice(tune, "--weights", o.tune.weights, WEIGHTS,
              "how the spin-table entries are weighed, as par weighs them (default ideal)");
    tune->add_option("--keep-reels", o.tune.keepReels, "reels, from 0, whose weights stay")
        ->type_name("I,J");
    tune->add_option("-o", o.tune.out, "the tuned machine file (FILE itself only by its own name)")
        ->required()
        ->type_name("OUT.slt");
    tune->add_flag("--closest", o.tune.closest,
                   "write the closest machine found when the target is out of reach");
}

void AddSessionCommand(CLI::App& app, Options& o) {
    CLI::App* session =
        AddCommand(app, "session",
                   "players' sessions: how long their credits last, how many walk away ahead", o);
    AddBoundedNumber(*session, "--credits", o.session.credits, 1, INT_MAX,
                     "credits each player starts with")
        ->required();
    AddBoundedNumber(*session, "--bet", o.session.bet, 1, INT_MAX,
                     "total bet of each played spin in coins (default: MaxCoins)");
    AddBoundedNumber(*session, "--spins", o.session.spins, 1, INT_MAX,
                     "most played spins in a session (default 1000)");
    AddBoundedNumber(*session, "--sessions", o.session.sessions, 1, INT64_MAX,
                     "number of sessions (default " + std::to_string(DEFAULT_SESSIONS) + ")");
    AddBoundedNumber(*session, "--stop-at", o.session.stopAt, 2, INT64_MAX,
                     "a session ends once its credits reach this many, more than --credits");
    AddModeOption(session, o.session.mode);
    AddBoundedNumber(*session, "--threads", o.session.threads, 1, 1024,
                     "threads (default: every core)");
    AddBoundedNumber(*session, "--seed", o.session.seed, 0, INT64_MAX,
                     "seed of the threads' random streams (default 0)");
    session->add_flag("--json", o.session.json, "print one JSON object");
    session
        ->add_option("--plot", o.session.plot,
                     "draw the share still playing and the final credits (SVG)")
        ->type_name("FILE.svg");
}

int Run(int argc, char** argv) {
    // Under mpirun every process runs sim or session on its share of the streams.
    const std::unique_ptr<Distribution> cluster = JoinDistribution(argc, argv);
    CLI::App app("Loads a slot machine file and plays it without display or sound; prints the "
                 "machine as JSON.",
                 "slotsim");
    app.set_version_flag("--version", std::string("slotsim ") + KESTREL_VERSION);
    app.set_help_all_flag("--help-all",
                          "Print this help message and the commands' options, then exit");
    app.formatter(std::make_shared<CommandListFormatter>()); // before the commands inherit it
    app.require_subcommand(1);
    Options o;

    AddCommand(app, "dump", "print the loaded machine", o);

    CLI::App* eval = AddCommand(app, "eval", "evaluate the pay line at given stops", o);
    eval->add_option("--positions", o.positions, "stops, one per reel in use")
        ->required()
        ->type_name("P0,P1,...");
    AddBoundedNumber(*eval, "--bet", o.bet, 0, INT_MAX, "total bet in coins")->required();

    CLI::App* run = AddCommand(
        app, "run", "spin N times with the engine's one call; nudges and paying as the flags ask",
        o);
    AddSpinOptions(run, o);
    run->add_flag("--nudge", o.spin.nudge, "nudge each reel once after its stop is drawn");
    run->add_flag("--autopay", o.spin.autoPay, "pay each win at once (re-spins too with --nudge)");

    CLI::App* play = AddCommand(app, "play", "play N spins as the play control sequences them", o);
    AddSpinOptions(play, o);
    play->add_flag("--sound", o.spin.sound,
                   "choose the spin music as kestrel3d does with sound on (it draws a number)");

    AddTuneCommand(app, o);
    AddSessionCommand(app, o);

    CLI::App* par = AddCommand(app, "par", "the exact par sheet of the machine", o);
    par->add_option_function<std::string>(
           "--bet",
           [&o](const std::string& text) {
               int64_t value = 0;
               if (text == "all")
                   o.par.bet = ALL_BETS;
               else if (ParseWholeNumber(text, 1, INT_MAX, value))
                   o.par.bet = static_cast<int>(value);
               else
                   throw CLI::ValidationError("--bet",
                                              WholeNumberExpected(text, 1, INT_MAX) + ", or all");
           },
           "total bet in coins (" + WholeNumberBound(1, INT_MAX) +
               "; default: MaxCoins), or all: every bet from 1 to MaxCoins")
        ->type_name("N|all");
    AddModeOption(par, o.par.mode);
    AddWeightsOption(par, o.par.weights);
    AddChoice(par, "--method", o.par.method, METHODS,
              "classes: one judgement per class of alike rest stops (default); walk: every "
              "combination of rest stops, to check it");
    par->add_flag("--json", o.par.json, "print one JSON object (an array of them with --bet all)");
    par->add_option("--plot", o.par.plot, "draw the win distribution and payoff shares (SVG)")
        ->type_name("FILE.svg");

    CLI::App* sim = AddCommand(app, "sim", "Monte Carlo of played spins", o);
    AddBoundedNumber(*sim, "--spins", o.sim.spins, 1, INT64_MAX, "number of played spins")
        ->required();
    AddBoundedNumber(*sim, "--seed", o.sim.seed, 0, INT64_MAX,
                     "seed of the threads' random streams (default 0)");
    AddBoundedNumber(*sim, "--threads", o.sim.threads, 1, 1024, "threads (default: every core)");
    AddBoundedNumber(*sim, "--bet", o.sim.bet, 1, INT_MAX,
                     "total bet in coins (default: MaxCoins)");
    AddModeOption(sim, o.sim.mode);
    AddWeightsOption(sim, o.sim.weights);
    sim->add_flag("--json", o.sim.json, "print one JSON object");
    sim->add_flag("--engine", o.sim.engineOnly,
                  "with --weights engine, which needs no outcome table: kept for scripts");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : EXIT_USAGE;
    }

    try {
        if (app.got_subcommand("par")) {
            return ParCommand(o.file, o.par, std::cout, std::cerr);
        }
        if (app.got_subcommand("tune"))
            return TuneCommand(o.file, o.tune, std::cout, std::cerr);
        const bool terminal = isatty(STDERR_FILENO) != 0;
        if (app.got_subcommand("sim")) {
            o.sim.progress = terminal;
            return SimCommand(o.file, o.sim, std::cout, std::cerr, *cluster);
        }
        if (app.got_subcommand("session")) {
            o.session.progress = terminal;
            return SessionCommand(o.file, o.session, std::cout, std::cerr, *cluster);
        }
        if (app.got_subcommand("run")) {
            RunCommand(o.file, o.spin, std::cout);
        } else if (app.got_subcommand("play")) {
            PlayCommand(o.file, o.spin, std::cout);
        } else {
            const Json result = app.got_subcommand("dump")
                                    ? DumpCommand(o.file)
                                    : EvalCommand(o.file, o.positions, o.bet);
            std::cout << JsonText(result) << '\n';
        }
    } catch (const UsageError& e) {
        if (cluster->Root()) // every process finds the same fault in the same command line
            std::cerr << "slotsim: " << e.what() << '\n';
        return EXIT_USAGE;
    } catch (const LoadError& e) {
        std::cout << JsonText(e.dump) << '\n';
        return EXIT_LOAD;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    return CheckStandardOutput("slotsim", Run(argc, argv));
}
