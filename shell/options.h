#pragma once
// The command line of kestrel3d.

#include <cstdint>
#include <optional>
#include <string>

struct Options {
    std::string machineFile;          // answers the first File/Open dialog
    std::optional<uint32_t> seed;     // replaces the timer as the reel generator's seed
    std::optional<int> driver;        // index into the driver list
    std::optional<uint32_t> tickStep; // virtual tick count advancing this much per pass
    std::string script;               // automation script played instead of a person
    bool watch = false;               // Machine > Reload When Changed on from the start
};

// Parses argv. Returns -1 to go on with `options` filled, otherwise the exit code after
// --help, --version or an error has been printed.
int ParseOptions(int argc, char** argv, Options& options);

// Why `path` cannot be a machine file: empty for a regular file (or a link to one), otherwise
// "no such file", "not a regular file" or the file system's own reason (a name too long, a
// loop of links). Never throws.
std::string MachineFileProblem(const std::string& path);
