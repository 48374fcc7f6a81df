#include "tools/slotsim/commands.h"

#include <charconv>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <ostream>
#include <thread>
#include <vector>

#include "engine/random.h"
#include "play/play_steps.h"
#include "analysis/monte_carlo.h"
#include "analysis/par_report.h"

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
Json Spins(const std::string& path, const SpinRequest& request, SpinOnce spinOnce) {
    LoadedMachine loaded(path);
    Random::Seed(request.seed);
    Json trace = Json::array();
    for (int n = 0; n < request.spins; ++n) {
        spinOnce(*loaded.machine);
        if (request.trace) {
            trace.push_back(TraceEntry(*loaded.machine));
        }
    }
    Json result = loaded.ToJson();
    if (request.trace) {
        result["Trace"] = std::move(trace);
    }
    return result;
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

// The machine's name and the bet to work with: the one asked for, or MaxCoins.
struct BetOn {
    std::string name;
    int bet = 0;
};

BetOn CheckBet(const std::string& path, int bet) {
    const LoadedMachine loaded(path);
    const SlotMachine& machine = *loaded.machine;
    const int maxCoins = machine.MaxCoins;
    if (bet == 0 && maxCoins < 1)
        throw UsageError("the machine's MaxCoins is " + std::to_string(maxCoins) +
                         ", so it takes no bet");
    bet = bet == 0 ? maxCoins : bet;
    if (bet < 1)
        throw UsageError("--bet " + std::to_string(bet) + ": a spin needs at least 1 coin");
    if (bet > maxCoins)
        throw UsageError("--bet " + std::to_string(bet) + " is above the machine's MaxCoins of " +
                         std::to_string(maxCoins));
    return {MachineName(machine, path), bet};
}

int Threads(int asked) {
    return asked > 0 ? asked : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

// "[#####.....]  50%  123.4M spins/s", redrawn in place.
SimProgress ProgressBar(std::ostream& err) {
    const auto start = std::chrono::steady_clock::now();
    return [&err, start](uint64_t done, uint64_t total) {
        constexpr int WIDTH = 40;
        const double share = total ? static_cast<double>(done) / total : 1;
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const int filled = static_cast<int>(share * WIDTH);
        char rate[32];
        std::snprintf(rate, sizeof rate, "%.1fM", seconds > 0 ? done / seconds / 1e6 : 0.0);
        err << "\r[" << std::string(filled, '#') << std::string(WIDTH - filled, '.') << "] "
            << static_cast<int>(share * 100) << "%  " << rate << " spins/s" << std::flush;
        if (done == total)
            err << '\n';
    };
}

} // namespace

Json DumpCommand(const std::string& path) {
    return LoadedMachine(path).ToJson();
}

Json EvalCommand(const std::string& path, const std::string& positions, int bet) {
    const std::vector<int> stops = ParsePositions(positions);
    LoadedMachine loaded(path);
    SetPositions(*loaded.machine, stops);
    return {{"Win", loaded.machine->Evaluate(bet)}};
}

Json RunCommand(const std::string& path, const SpinRequest& request) {
    return Spins(path, request, [&](SlotMachine& machine) {
        machine.Spin(request.bet, request.nudge ? 1 : 0, request.autoPay ? 1 : 0);
    });
}

Json PlayCommand(const std::string& path, const SpinRequest& request) {
    std::optional<SpinSound> sound;
    return Spins(path, request, [&](SlotMachine& machine) {
        if (!sound) {
            sound = SpinSound{request.sound, request.sound && SoundLoads(path, machine.SndAuto)};
        }
        PlaySpin(machine, request.bet, *sound);
    });
}

int ParCommand(const std::string& path, const ParOptions& options, std::ostream& out,
               std::ostream& err) {
    const BetOn on = CheckBet(path, options.bet);
    ParRequest request;
    request.bet = on.bet;
    request.mode = options.mode;
    request.weights = options.weights;
    request.threads = Threads(0);
    const ParSheet sheet = ComputePar(path, request);
    const ReportHeading heading{options.mode, options.weights};
    if (options.json)
        out << JsonText(ParJson(sheet, heading)) << '\n';
    else
        out << ParText(sheet, heading);
    if (!sheet.endless.empty()) {
        err << "slotsim: " << path << ": " << sheet.endless << '\n';
        return EXIT_ENDLESS;
    }
    if (!options.plot.empty() && !PlotPar(sheet, options.plot)) {
        err << "slotsim: cannot write " << options.plot << '\n';
        return 1;
    }
    return 0;
}

void SimCommand(const std::string& path, const SimOptions& options, std::ostream& out,
                std::ostream& err) {
    const BetOn on = CheckBet(path, options.bet);
    SimRequest request;
    request.spins = options.spins;
    request.seed = options.seed;
    request.threads = Threads(options.threads);
    request.bet = on.bet;
    request.mode = options.mode;
    request.engineOnly = options.engineOnly;
    const SimResult result =
        RunMonteCarlo(path, request, options.progress ? ProgressBar(err) : SimProgress());
    if (options.json)
        out << JsonText(SimJson(result, on.name, options.mode)) << '\n';
    else
        out << SimText(result, on.name, options.mode);
}
