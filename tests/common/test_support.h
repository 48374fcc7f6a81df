#pragma once
// What the tests share: scratch paths of their own, files read whole, programs run with their
// output captured.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// A path in the temporary folder that belongs to this test process alone: ctest runs test
// programs in parallel, and two builds' tests may run on one machine at the same time.
inline std::filesystem::path TempPath(const std::string& name) {
    return std::filesystem::temp_directory_path() /
           ("kestrel-" + std::to_string(getpid()) + "-" + name);
}

// The whole file, byte for byte; empty when it cannot be read.
inline std::string ReadFile(const std::filesystem::path& path) {
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

// Writes the bytes as the whole file.
inline void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

struct ProgramRun {
    int exitCode = -1; // -1 when the program did not exit by itself
    std::string out;
    std::string err;
};

// Runs a shell command line and captures its standard output (unless the line sends it
// elsewhere itself, then `out` stays empty) and standard error.
inline ProgramRun RunProgram(const std::string& commandLine, const std::string& stdoutTo = "") {
    const std::filesystem::path out = TempPath("run.out"), err = TempPath("run.err");
    const std::string target = stdoutTo.empty() ? out.string() : stdoutTo;
    const int status = std::system((commandLine + " >" + target + " 2>" + err.string()).c_str());
    ProgramRun run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(out), ReadFile(err)};
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return run;
}
