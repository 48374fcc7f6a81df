#pragma once

// Which vector instructions this processor runs, for the loops that have a wider path.
// KESTREL_CPU=baseline in the environment keeps every loop on its baseline path, so that
// tests can check that both paths give the same answers.

#include <cstdlib>
#include <string_view>

inline bool CpuHasAvx2() {
    static const bool has = [] {
        const char* forced = std::getenv("KESTREL_CPU");
        if (forced && std::string_view(forced) == "baseline")
            return false;
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return has;
}
