// slotsim: loads a machine file and plays it headless, printing the machine as JSON.
// The command line is the one place that includes CLI11, which is slow to compile.

#include <CLI/CLI.hpp>

#include <climits>
#include <cstdio>
#include <iostream>

#include "tools/slotsim/commands.h"

namespace {

constexpr int EXIT_USAGE = 2;

struct Options {
    std::string file;
    std::string positions;
    int bet = 0;
    SpinRequest spin;
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

CLI::App* AddCommand(CLI::App& app, const char* name, const char* description, Options& o) {
    CLI::App* command = app.add_subcommand(name, description);
    command->add_option("FILE", o.file, "machine file (.slt)")->required();
    return command;
}

void AddSpinOptions(CLI::App* command, Options& o) {
    command->add_option("--seed", o.spin.seed, "seed of the random generator (0 to 4294967295)")
        ->required();
    command->add_option("--spins", o.spin.spins, "number of spins")
        ->required()
        ->check(CLI::Range(0, INT_MAX));
    command->add_option("--bet", o.spin.bet, "total bet of each spin in coins")
        ->required()
        ->check(CLI::Range(0, INT_MAX));
    command->add_flag("--trace", o.spin.trace, "add one Trace entry per spin");
}

} // namespace

int main(int argc, char** argv) {
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
    eval->add_option("--positions", o.positions, "stops P0,P1,... one per reel in use")->required();
    eval->add_option("--bet", o.bet, "total bet in coins")
        ->required()
        ->check(CLI::Range(0, INT_MAX));

    CLI::App* run = AddCommand(app, "run", "call Spin(bet, nudge, autopay) N times", o);
    AddSpinOptions(run, o);
    run->add_flag("--nudge", o.spin.nudge, "nudge each reel once after its stop is drawn");
    run->add_flag("--autopay", o.spin.autoPay, "pay each win at once (re-spins too with --nudge)");

    CLI::App* play = AddCommand(app, "play", "play N spins as the play control sequences them", o);
    AddSpinOptions(play, o);
    play->add_flag("--sound", o.spin.sound,
                   "choose the spin music as kestrel3d does with sound on (it draws a number)");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : EXIT_USAGE;
    }

    try {
        Json result;
        if (app.got_subcommand("dump")) {
            result = DumpCommand(o.file);
        } else if (app.got_subcommand("eval")) {
            result = EvalCommand(o.file, o.positions, o.bet);
        } else if (app.got_subcommand("run")) {
            result = RunCommand(o.file, o.spin);
        } else {
            result = PlayCommand(o.file, o.spin);
        }
        std::cout << JsonText(result) << '\n';
    } catch (const UsageError& e) {
        std::cerr << "slotsim: " << e.what() << '\n';
        return EXIT_USAGE;
    }
    return 0;
}
