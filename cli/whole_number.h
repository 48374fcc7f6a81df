#pragma once
// Whole numbers typed by a person (command lines, script lines): one form and one wording of
// the bound for every program, so a refusal reads the same wherever it comes from.

#include <charconv>
#include <cstdint>
#include <string>

// A whole decimal number, an optional sign before it, from low to high; nothing else.
inline bool ParseWholeNumber(const std::string& text, int64_t low, int64_t high, int64_t& value) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+')
        ++first;
    int64_t parsed = 0;
    const auto [end, error] = std::from_chars(first, last, parsed);
    if (first == last || error != std::errc() || end != last || parsed < low || parsed > high)
        return false;
    value = parsed;
    return true;
}

inline std::string WholeNumberBound(int64_t low, int64_t high) {
    return "a whole number from " + std::to_string(low) + " to " + std::to_string(high);
}

inline std::string WholeNumberExpected(const std::string& text, int64_t low, int64_t high) {
    return "expected " + WholeNumberBound(low, high) + ", not '" + text + "'";
}
