#include "tools/slotsim/commands.h"

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <thread>
#include <unistd.h>
#include <vector>

#include "analysis/monte_carlo.h"
#include "analysis/par_report.h"
#include "analysis/session_report.h"
#include "engine/random.h"
#include "play/play_steps.h"

namespace {

// The machine keeps a pointer to the sink, so both live together and never move.
struct LoadedMachine {
    explicit LoadedMachine(const std::string& path) : machine(std::make_unique<SlotMachine>()) {
        machine->SetMessageSink(&messages);
        machine->Load(path.c_str());
        // The loader names the machine after its file only once the file is open.
        if (machine->FileName == nullptr)
            throw LoadError(ToJson());
    }
    LoadedMachine(const LoadedMachine&) = delete;
    LoadedMachine& operator=(const LoadedMachine&) = delete;

    Json ToJson() const { return MachineToJson(*machine, messages); }

    RecordingMessageSink messages;
    std::unique_ptr<SlotMachine> machine;
};

int ParseStop(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) {
        throw UsageError("--positions: '" + text + "' is not a stop number");
    }
    return value;
}

std::vector<int> ParsePositions(const std::string& list) {
    std::vector<int> stops;
    if (list.empty()) {
        return stops;
    }
    size_t start = 0;
    for (;;) {
        const size_t comma = list.find(',', start);
        stops.push_back(ParseStop(list.substr(start, comma - start)));
        if (comma == std::string::npos) {
            return stops;
        }
        start = comma + 1;
    }
}

void SetPositions(SlotMachine& machine, const std::vector<int>& stops) {
    if (static_cast<int>(stops.size()) != machine.NumReels) {
        throw UsageError("--positions: " + std::to_string(stops.size()) +
                         " stops given, but the machine has " + std::to_string(machine.NumReels) +
                         " reels");
    }
    for (int i = 0; i < machine.NumReels; ++i) {
        const int numsym = machine.Reels[i].numsym;
        if (stops[i] < 0 || stops[i] >= numsym) {
            throw UsageError("--positions: stop " + std::to_string(stops[i]) + " of reel " +
                             std::to_string(i) + " is outside 0 to " + std::to_string(numsym - 1));
        }
        machine.Position[i] = stops[i];
    }
}

template <typename SpinOnce>
Json PlayedMachine(const std::string& path, const SpinRequest& request, SpinOnce spinOnce) {
    LoadedMachine loaded(path);
    Random::Seed(request.seed);
    for (int n = 0; n < request.spins; ++n)
        spinOnce(*loaded.machine);
    return loaded.ToJson();
}

// The trace follows the final machine in the output, yet must not be held until the end: a
// million spins make 75 MB of it. So the spins are played once for the machine, and again from
// the same seed while their trace is written out.
template <typename SpinOnce>
void Spins(const std::string& path, const SpinRequest& request, SpinOnce spinOnce,
           std::ostream& out) {
    const std::string machine = JsonText(PlayedMachine(path, request, spinOnce));
    if (!request.trace) {
        out << machine << '\n';
        return;
    }
    out << std::string_view(machine).substr(0, machine.size() - 1) << ",\"Trace\":[";
    LoadedMachine loaded(path);
    Random::Seed(request.seed);
    for (int n = 0; n < request.spins; ++n) {
        spinOnce(*loaded.machine);
        out << (n ? "," : "") << JsonText(TraceEntry(*loaded.machine));
    }
    out << "]}\n";
}

// Whether kestrel3d would read the sound `name` as not empty: it opens a machine from the
// machine file's folder, so a relative name is found beside the machine file.
bool SoundLoads(const std::string& machinePath, const char* name) {
    if (name == nullptr || *name == '\0') {
        return false;
    }
    namespace fs = std::filesystem;
    const fs::path file = fs::path(machinePath).parent_path() / name;
    std::error_code error;
    return fs::is_regular_file(file, error) && fs::file_size(file, error) > 0 && !error;
}

// A pay table letter that no symbol defines is most likely a slip of the pen: warn of it.
void WarnOfUndefinedLetters(const SlotMachine& machine, const std::string& path,
                            std::ostream& err) {
    for (int p = 0; p < machine.NumPayoffs; ++p) {
        std::string letters;
        for (int c = 0; c < machine.NumReels; ++c)
            for (int letter = 1; letter < MAX_SYMBOLS; ++letter)
                if (letter != '*' && machine.Payoffs[p].match[c][letter] &&
                    machine.Symbols[letter].letter == 0 &&
                    letters.find(static_cast<char>(letter)) == std::string::npos)
                    letters += static_cast<char>(letter);
        for (char letter : letters)
            err << "slotsim: " << path << ": warning: payoff row " << p << " names '" << letter
                << "', which no symbol defines\n";
    }
}

} // namespace

std::optional<Analysed> LoadForAnalysis(const std::string& path, std::ostream& err) {
    RecordingMessageSink messages;
    SlotMachine machine;
    machine.SetMessageSink(&messages);
    machine.Load(path.c_str());
    for (const RecordingMessageSink::Message& message : messages.Messages)
        err << "slotsim: " << path << ": " << message.caption << ": " << message.text << '\n';
    if (!messages.Messages.empty())
        return std::nullopt;
    WarnOfUndefinedLetters(machine, path, err);
    return Analysed{MachineName(machine, path), machine.MaxCoins};
}

int CheckBet(const Analysed& machine, int bet) {
    const int maxCoins = machine.maxCoins;
    if (bet == 0 && maxCoins < 1)
        throw UsageError("the machine's MaxCoins is " + std::to_string(maxCoins) +
                         ", so it takes no bet");
    bet = bet == 0 ? maxCoins : bet;
    if (bet < 1)
        throw UsageError("--bet " + std::to_string(bet) + ": a spin needs at least 1 coin");
    if (bet > maxCoins)
        throw UsageError("--bet " + std::to_string(bet) + " is above the machine's MaxCoins of " +
                         std::to_string(maxCoins));
    return bet;
}

namespace {

std::vector<int> Bets(const Analysed& machine, int bet) {
    if (bet != ALL_BETS)
        return {CheckBet(machine, bet)};
    if (machine.maxCoins < 1 || machine.maxCoins > MOST_BET_COLUMNS)
        throw UsageError("--bet all: the machine's MaxCoins is " +
                         std::to_string(machine.maxCoins) + "; it takes 1 to " +
                         std::to_string(MOST_BET_COLUMNS) + " (give one --bet instead)");
    std::vector<int> bets;
    for (int b = 1; b <= machine.maxCoins; ++b)
        bets.push_back(b);
    return bets;
}

// Why a file cannot be written there (the system's reason), or empty when it can.
std::string CannotWrite(const std::string& path) {
    // Asked without opening: a chart already there stays whole until the new one replaces it.
    const std::filesystem::path file(path);
    const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : ".";
    const bool ok = access(path.c_str(), F_OK) == 0 ? access(path.c_str(), W_OK) == 0
                                                    : access(folder.c_str(), W_OK | X_OK) == 0;
    return ok ? std::string() : std::strerror(errno);
}

// With several bets each chart is a file of its own: F.svg becomes F-bet1.svg, F-bet2.svg...
std::string ChartPath(const std::string& plot, int bet, bool several) {
    if (!several)
        return plot;
    const std::filesystem::path path(plot);
    return (path.parent_path() /
            (path.stem().string() + "-bet" + std::to_string(bet) + path.extension().string()))
        .string();
}

int Threads(int asked) {
    return asked > 0 ? asked : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

// "[#####.....]  50%  123.4M spins/s", redrawn in place.
SimProgress ProgressBar(std::ostream& err, const char* unit = "spins/s") {
    const auto start = std::chrono::steady_clock::now();
    return [&err, start, unit](uint64_t done, uint64_t total) {
        constexpr int WIDTH = 40;
        const double share = total ? static_cast<double>(done) / total : 1;
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const int filled = static_cast<int>(share * WIDTH);
        char rate[32];
        std::snprintf(rate, sizeof rate, "%.1fM", seconds > 0 ? done / seconds / 1e6 : 0.0);
        err << "\r[" << std::string(filled, '#') << std::string(WIDTH - filled, '.') << "] "
            << static_cast<int>(share * 100) << "%  " << rate << " " << unit << std::flush;
        if (done == total)
            err << '\n';
    };
}

// The machine on every process, or on none when one of them could not load it: the first
// that failed says why, once, and every process stops.
std::optional<Analysed> LoadOnEvery(const std::string& path, std::ostream& err,
                                    Distribution& cluster) {
    std::ostringstream said;
    std::optional<Analysed> machine = LoadForAnalysis(path, said);
    const int first = cluster.FirstFailing(!machine);
    if (first == cluster.Rank() || (first < 0 && cluster.Root()))
        err << said.str();
    return first < 0 ? machine : std::nullopt;
}

// Whether process 0, which alone draws, can write the chart; every process learns it.
bool ChartWritable(const std::string& plot, std::ostream& err, Distribution& cluster) {
    const std::string why = plot.empty() || !cluster.Root() ? "" : CannotWrite(plot);
    if (!why.empty())
        err << "slotsim: cannot write " << plot << ": " << why << '\n';
    return cluster.FirstFailing(!why.empty()) < 0;
}

} // namespace

Json DumpCommand(const std::string& path) {
    return LoadedMachine(path).ToJson();
}

Json EvalCommand(const std::string& path, const std::string& positions, int bet) {
    const std::vector<int> stops = ParsePositions(positions);
    LoadedMachine loaded(path);
    SetPositions(*loaded.machine, stops);
    const SlotMachine::Verdict verdict = loaded.machine->Judge(bet);
    return {{"Win", verdict.amount}, {"Payoff", verdict.payoff}};
}

void RunCommand(const std::string& path, const SpinRequest& request, std::ostream& out) {
    Spins(
        path, request,
        [&](SlotMachine& machine) {
            machine.Spin(request.bet, request.nudge ? 1 : 0, request.autoPay ? 1 : 0);
        },
        out);
}

void PlayCommand(const std::string& path, const SpinRequest& request, std::ostream& out) {
    std::optional<SpinSound> sound;
    Spins(
        path, request,
        [&](SlotMachine& machine) {
            if (!sound) {
                sound =
                    SpinSound{request.sound, request.sound && SoundLoads(path, machine.SndAuto)};
            }
            PlaySpin(machine, request.bet, *sound);
        },
        out);
}

int ParCommand(const std::string& path, const ParOptions& options, std::ostream& out,
               std::ostream& err) {
    const std::optional<Analysed> machine = LoadForAnalysis(path, err);
    if (!machine)
        return EXIT_REFUSED;
    const std::vector<int> bets = Bets(*machine, options.bet);
    const bool several = options.bet == ALL_BETS;
    for (int bet : bets) {
        const std::string chart = ChartPath(options.plot, bet, several);
        const std::string why = options.plot.empty() ? "" : CannotWrite(chart);
        if (!why.empty()) {
            err << "slotsim: cannot write " << chart << ": " << why << '\n';
            return 1;
        }
    }
    ParRequest request;
    request.mode = options.mode;
    request.weights = options.weights;
    request.method = options.method;
    request.threads = Threads(0);
    std::vector<ParSheet> sheets;
    try {
        for (int bet : bets) {
            request.bet = bet;
            sheets.push_back(ComputePar(path, request));
        }
    } catch (const std::runtime_error& e) {
        err << "slotsim: " << path << ": " << e.what() << '\n';
        return EXIT_REFUSED;
    }
    const ReportHeading heading{options.mode, options.weights, options.method};
    if (options.json) {
        Json all = Json::array();
        for (const ParSheet& sheet : sheets)
            all.push_back(ParJson(sheet, heading));
        out << JsonText(several ? all : all[0]) << '\n';
    } else {
        out << (several ? ParTextByBet(sheets, heading) : ParText(sheets[0], heading));
    }
    if (!sheets[0].endless.empty()) {
        err << "slotsim: " << path << ": " << sheets[0].endless << '\n';
        return EXIT_ENDLESS;
    }
    for (const ParSheet& sheet : sheets) {
        const std::string chart = ChartPath(options.plot, sheet.bet, several);
        const std::string problem = options.plot.empty() ? "" : PlotPar(sheet, heading, chart);
        if (!problem.empty()) {
            err << "slotsim: cannot write " << chart << ": " << problem << '\n';
            return 1;
        }
    }
    return 0;
}

int SimCommand(const std::string& path, const SimOptions& options, std::ostream& out,
               std::ostream& err, Distribution& cluster) {
    const std::optional<Analysed> machine = LoadOnEvery(path, err, cluster);
    if (!machine)
        return EXIT_REFUSED;
    SimRequest request;
    request.spins = options.spins;
    request.seed = options.seed;
    request.threads = Threads(options.threads);
    request.bet = CheckBet(*machine, options.bet);
    request.mode = options.mode;
    request.weights = options.weights;
    request.engineOnly = options.engineOnly;
    SimResult result;
    try {
        result = RunMonteCarlo(path, request, options.progress ? ProgressBar(err) : SimProgress(),
                               cluster);
    } catch (const std::runtime_error& e) {
        // Every process finds the same machine too large, before it plays.
        if (cluster.Root())
            err << "slotsim: " << path << ": " << e.what() << '\n';
        return EXIT_REFUSED;
    }
    if (!cluster.Root())
        return 0;
    if (options.json)
        out << JsonText(SimJson(result, machine->name, options.mode)) << '\n';
    else
        out << SimText(result, machine->name, options.mode);
    return 0;
}

int SessionCommand(const std::string& path, const SessionOptions& options, std::ostream& out,
                   std::ostream& err, Distribution& cluster) {
    const std::optional<Analysed> machine = LoadOnEvery(path, err, cluster);
    if (!machine)
        return EXIT_REFUSED;
    SessionRequest request;
    request.sessions = options.sessions;
    request.credits = options.credits;
    request.bet = CheckBet(*machine, options.bet);
    request.spins = options.spins;
    request.goal = options.stopAt.value_or(NO_GOAL);
    if (request.goal <= request.credits)
        throw UsageError("--stop-at " + std::to_string(request.goal) + ": expected more than the " +
                         std::to_string(request.credits) + " credits a session starts with");
    request.mode = options.mode;
    request.seed = options.seed;
    request.threads = Threads(options.threads);
    if (!ChartWritable(options.plot, err, cluster))
        return 1;
    const SessionResult result = RunSessions(
        path, request, options.progress ? ProgressBar(err, "sessions/s") : SimProgress(), cluster);
    if (!cluster.Root())
        return 0;
    if (options.json)
        out << JsonText(SessionJson(result, machine->name)) << '\n';
    else
        out << SessionText(result, machine->name);
    const std::string problem =
        options.plot.empty() ? "" : PlotSessions(result, machine->name, options.plot);
    if (!problem.empty()) {
        err << "slotsim: cannot write " << options.plot << ": " << problem << '\n';
        return 1;
    }
    return 0;
}
