#include "play/sound_cues.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <new>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/win/platform.h"
#include "play/play_state.h"
#include "scene/shared_flags.h"

namespace {

class SilentSound : public SoundOutput {
public:
    int Play(const void*, size_t, unsigned) override { return 1; }
};

SilentSound Silent;
SoundOutput* Output = &Silent;

// A descriptor closed when it goes out of scope.
struct FileDescriptor {
    int fd;
    explicit FileDescriptor(int descriptor) : fd(descriptor) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd >= 0)
            close(fd);
    }
};

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether the folder open as `directory` is `folder` or lies below it, judged by walking up
// from what was opened, so no path can be swapped between the look and the use.
bool LiesWithin(int directory, const struct stat& folder) {
    struct stat here;
    if (fstat(directory, &here) != 0)
        return false;
    FileDescriptor current(dup(directory));
    while (current.fd >= 0 && !SameFile(here, folder)) {
        FileDescriptor parent(openat(current.fd, "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
        struct stat above;
        if (parent.fd < 0 || fstat(parent.fd, &above) != 0 || SameFile(above, here))
            return false; // the root, reached without meeting the folder
        std::swap(current.fd, parent.fd);
        here = above;
    }
    return current.fd >= 0;
}

// A sound the machine names but that does not exist is left behind empty, as the loader
// opens with "open always"; but only inside the machine's own folder: a machine file from
// elsewhere must not create files anywhere else the user may write. The file is made new and
// never through a link, in the folder its name was opened to.
void CreateEmptyWithin(const char* name, const char* machineFile) {
    namespace fs = std::filesystem;
    if (machineFile == nullptr)
        return;
    struct stat folder;
    const fs::path machineFolder = fs::path(machineFile).parent_path();
    if (stat(machineFolder.empty() ? "." : machineFolder.c_str(), &folder) != 0)
        return;
    const fs::path path(name);
    const fs::path parent = path.parent_path(), leaf = path.filename();
    if (leaf.empty() || leaf == "." || leaf == "..")
        return;
    const FileDescriptor directory(
        open(parent.empty() ? "." : parent.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (directory.fd < 0 || !LiesWithin(directory.fd, folder))
        return;
    const FileDescriptor created(openat(
        directory.fd, leaf.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
}

void ReportTooLarge(const char* name) {
    const std::string text = std::string("Sound file larger than ") +
                             std::to_string(MAX_SOUND_BYTES >> 20) + " MiB, not played: " + name;
    win::MessageBox(nullptr, text.c_str(), "Error", win::MB_OK | win::MB_ICONEXCLAMATION);
}

// Loads each file once however many slots name it, so they share one copy of its bytes.
class SoundLoader {
public:
    void Into(SoundImage& image, const char* name) {
        if (name == nullptr) {
            image = {};
            return;
        }
        const auto known = loaded_.find(name);
        if (known != loaded_.end()) {
            image = known->second;
            return;
        }
        SoundFileState state;
        image = LoadWholeFile(name, &state);
        if (state == SoundFileState::TooLarge)
            ReportTooLarge(name);
        else if (state == SoundFileState::Missing)
            CreateEmptyWithin(name, Machine->FileName);
        loaded_.emplace(name, image);
    }

private:
    std::map<std::string, SoundImage> loaded_;
};

// Reads exactly `bytes` from the start of the file, or fails.
bool ReadAll(int fd, unsigned char* into, size_t bytes) {
    while (bytes > 0) {
        const ssize_t got = read(fd, into, bytes);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        into += got;
        bytes -= static_cast<size_t>(got);
    }
    return true;
}

} // namespace

void SetSoundOutput(SoundOutput* output) {
    Output = output != nullptr ? output : &Silent;
}

SoundOutput& CurrentSoundOutput() {
    return *Output;
}

SoundImage LoadWholeFile(const char* name, SoundFileState* state) {
    SoundFileState ignored;
    SoundFileState& outcome = state ? *state : ignored;
    outcome = SoundFileState::NoSound;
    if (name == nullptr)
        return {};
    // Opened without waiting for a writer: a pipe named as a sound would block here for ever.
    const FileDescriptor file(open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.fd < 0 && errno == ENOENT)
        outcome = SoundFileState::Missing;
    // Only a regular file has a sound to read; a device or a pipe is silent.
    struct stat info;
    if (file.fd < 0 || fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0)
        return {};
    const size_t size = static_cast<size_t>(info.st_size);
    if (size > MAX_SOUND_BYTES) {
        outcome = SoundFileState::TooLarge;
        return {};
    }
    try {
        std::vector<unsigned char> bytes(size);
        // A file cut short while it is read is no sound rather than part of one.
        return ReadAll(file.fd, bytes.data(), size) ? SoundImage(std::move(bytes)) : SoundImage();
    } catch (const std::bad_alloc&) {
        return {}; // no buffer for it: the sound is absent
    }
}

void LoadMachineSounds() {
    SlotMachine& machine = *Machine;
    SoundLoader load;
    for (int i = 0; i < machine.NumSndMusic && i < MAX_SND_MUSIC; ++i)
        load.Into(machine.SndMusicData[i], machine.SndMusic[i]);
    for (int i = 0; i < machine.NumSndCoin && i < MAX_SND_COIN; ++i)
        load.Into(machine.SndCoinData[i], machine.SndCoin[i]);
    load.Into(machine.SndPayData, machine.SndPay);
    load.Into(machine.SndClunkData, machine.SndClunk);
    load.Into(machine.SndBetData, machine.SndBet);
    load.Into(machine.SndAutoData, machine.SndAuto);
}

const char* SoundName(const void* image) {
    if (image == nullptr)
        return "none";
    if (Machine != nullptr) {
        static const char* const MUSIC[] = {"sndmusic1", "sndmusic2", "sndmusic3", "sndmusic4"};
        static const char* const COIN[] = {"sndcoin1", "sndcoin2", "sndcoin3"};
        const SlotMachine& m = *Machine;
        for (int i = 0; i < MAX_SND_MUSIC; ++i)
            if (image == m.SndMusicData[i].data())
                return MUSIC[i];
        for (int i = 0; i < MAX_SND_COIN; ++i)
            if (image == m.SndCoinData[i].data())
                return COIN[i];
        if (image == m.SndPayData.data())
            return "sndpay";
        if (image == m.SndClunkData.data())
            return "sndclunk";
        if (image == m.SndBetData.data())
            return "sndbet";
        if (image == m.SndAutoData.data())
            return "sndauto";
    }
    return "unknown";
}

void PlayCue(const SoundImage* image, unsigned flags, int32_t kind) {
    const bool present = image != nullptr && !image->empty();
    Output->Play(present ? image->data() : nullptr, present ? image->size() : 0, flags);
    Play.SoundState = kind;
}

bool SoundOn() {
    return (Shared.DisplayFlags & DISPLAY_SOUND) != 0;
}
