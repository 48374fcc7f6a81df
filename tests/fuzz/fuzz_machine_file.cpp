// Any bytes as a machine file, then a played spin, the one-call spin with nudges
// and re-spins, and an evaluation of what loaded.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

#include "engine/message_box.h"
#include "engine/random.h"
#include "engine/slot_machine.h"
#include "play/play_steps.h"

namespace {

// The loader reads a path; a memory file reached through /proc keeps the disk out of it.
const std::string& MemoryFilePath() {
    static const int fd = memfd_create("machine.slt", 0);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    return path;
}

class QuietSink : public MessageSink {
public:
    void Show(const char*, const char*) override {}
};

class Moves : public PlayMoves {
public:
    explicit Moves(SlotMachine& machine) : machine_(machine) {}
    int Nudge() override { return machine_.Nudge(0); }
    void Respin() override { machine_.Spin(-1, 0, 0); }

private:
    SlotMachine& machine_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = MemoryFilePath();
    const int fd = std::stoi(path.substr(path.rfind('/') + 1));
    if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
        return 0;
    auto machine = std::make_unique<SlotMachine>();
    QuietSink sink;
    machine->SetMessageSink(&sink);
    machine->Load(path.c_str());
    Random::Seed(static_cast<uint32_t>(size));
    machine->InsertMoney(1000);
    machine->PayOut(machine->Pending, 0);
    // One played spin per input, its bet from the input, keeps the runs fast; the caps on
    // nudges and re-spins make the slowest input cost tens of thousands of spins.
    machine->Spin(static_cast<int>(size % 3) + 1, 0, 0);
    PlayedSpin played;
    Moves moves(*machine);
    while (NextPlayStep(*machine, played, moves) != PlayStep::Settled) {
    }
    machine->PayOut(machine->Pending, 1);
    machine->Spin(3, 1, 1);
    machine->Evaluate(machine->LastBet);
    return 0;
}
