// examplesound: synthesises the sounds an example machine file names and writes them as WAV
// files into an output folder, so git holds no sounds of its own.
//
//   examplesound MACHINE.slt OUTDIR

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "engine/message_box.h"
#include "engine/slot_machine.h"
#include "tools/examplesound/synth.h"

namespace {

bool Write(const char* name, const Samples& samples, const std::filesystem::path& out) {
    if (!name)
        return true;
    const std::filesystem::path path = out / name;
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    if (!error && WriteWav(path.string(), samples))
        return true;
    std::fprintf(stderr, "examplesound: cannot write %s\n", path.string().c_str());
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: examplesound MACHINE.slt OUTDIR\n");
        return 2;
    }
    RecordingMessageSink messages;
    SlotMachine machine;
    machine.SetMessageSink(&messages);
    machine.Load(argv[1]);
    for (const RecordingMessageSink::Message& m : messages.Messages)
        std::fprintf(stderr, "examplesound: %s: %s: %s\n", argv[1], m.caption.c_str(),
                     m.text.c_str());
    if (!messages.Messages.empty())
        return 1;

    const std::filesystem::path out(argv[2]);
    bool ok = true;
    for (int i = 0; i < machine.NumSndMusic; ++i)
        ok = Write(machine.SndMusic[i], SpinTune(i), out) && ok;
    for (int i = 0; i < machine.NumSndCoin; ++i)
        ok = Write(machine.SndCoin[i], CoinSound(i + 1), out) && ok;
    ok = Write(machine.SndBet, BetSound(), out) && ok;
    ok = Write(machine.SndPay, PaySound(), out) && ok;
    ok = Write(machine.SndClunk, ClunkSound(), out) && ok;
    ok = Write(machine.SndAuto, AutoTune(), out) && ok;
    return ok ? 0 : 1;
}
