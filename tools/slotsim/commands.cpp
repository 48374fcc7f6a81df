#include "tools/slotsim/commands.h"

#include <charconv>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

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
