#pragma once

// The machine's strings are plain malloc'd C strings; null means absent.

#include <cstdlib>
#include <cstring>

inline char* DuplicateString(const char* text) {
    return text ? strdup(text) : nullptr;
}

inline void ReleaseString(char*& text) {
    std::free(text);
    text = nullptr;
}

// Takes ownership of the new string; a field set twice keeps only the later value.
inline void ReplaceString(char*& field, char* owned) {
    std::free(field);
    field = owned;
}
