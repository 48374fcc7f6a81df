#pragma once

// Scanning of one NUL-terminated line of a machine file. White space is space, tab, line feed,
// vertical tab, form feed and carriage return only: characters of 128 and above never are,
// whatever the locale says.

#include <cstddef>

// Numbers read from a machine file stop growing here, so that a pay times every doubling and
// every bet level still fits in an int.
constexpr int NUMBER_LIMIT = 10000000;

inline bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

inline bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The first position at or after p that is not white space.
char* SkipBlanks(char* p);

// SkipBlanks, then cuts the white space off the end of the string in place.
char* TrimBlanks(char* p);

// Reads the decimal digits at p into out (0 when there are none, NUMBER_LIMIT at most);
// returns the position after them.
char* ParseNumber(char* p, int& out);

// The start of the token after the one at p (or the string's end).
char* NextToken(char* p);

// The position after the token that p is in (or at), and after the white space behind it;
// unlike NextToken it never skips a whole token when p already stands on white space.
char* SkipTokenRest(char* p);

// Copies the characters from p up to the first white space or the end into dst (at most
// dstSize - 1 of them), or into a new malloc'd string when dst is null; returns the copy.
char* CopyToken(const char* p, char* dst = nullptr, size_t dstSize = 0);
