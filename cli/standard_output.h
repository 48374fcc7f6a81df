#pragma once

// A program whose standard output could not be written has not done its job, however it
// ended: output lost to a full disk must not pass for success.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

// Flushes standard output and, when any of it could not be written, says so on standard error
// and turns a successful exit code into 1. Called once, as the program returns from main.
inline int CheckStandardOutput(const char* program, int exitCode) {
    std::cout.flush();
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    if (flushed && !std::ferror(stdout) && std::cout.good())
        return exitCode;
    // A failed flush says why; an error met earlier left no reason behind.
    const int error = flushed ? 0 : errno;
    std::cerr << program << ": cannot write standard output"
              << (error != 0 ? std::string(": ") + std::strerror(error) : std::string()) << '\n';
    return exitCode == 0 ? 1 : exitCode;
}
