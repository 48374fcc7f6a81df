#pragma once

#include <filesystem>
#include <string>
#include <unistd.h>

// A path in the temporary folder that belongs to this test process alone: ctest runs test
// programs in parallel, and two builds' tests may run on one machine at the same time.
inline std::filesystem::path TempPath(const std::string& name) {
    return std::filesystem::temp_directory_path() /
           ("kestrel-" + std::to_string(getpid()) + "-" + name);
}
