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
};

// Parses argv. Returns -1 to go on with `options` filled, otherwise the exit code after
// --help, --version or an error has been printed.
int ParseOptions(int argc, char** argv, Options& options);
