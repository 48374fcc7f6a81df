#include "engine/text_scan.h"

#include <cstdlib>
#include <cstring>

char* SkipBlanks(char* p) {
    while (IsBlank(*p))
        p++;
    return p;
}

char* TrimBlanks(char* p) {
    p = SkipBlanks(p);
    size_t length = strlen(p);
    while (length > 0 && IsBlank(p[length - 1]))
        length--;
    p[length] = 0;
    return p;
}

char* ParseNumber(char* p, int& out) {
    out = 0;
    for (; IsDigit(*p); p++) {
        out = out * 10 + (*p - '0');
        if (out > NUMBER_LIMIT)
            out = NUMBER_LIMIT;
    }
    return p;
}

char* NextToken(char* p) {
    return SkipTokenRest(SkipBlanks(p));
}

char* SkipTokenRest(char* p) {
    while (*p && !IsBlank(*p))
        p++;
    return SkipBlanks(p);
}

char* CopyToken(const char* p, char* dst, size_t dstSize) {
    size_t length = 0;
    while (p[length] && !IsBlank(p[length]))
        length++;
    if (!dst) {
        dst = static_cast<char*>(std::malloc(length + 1));
        if (!dst)
            return nullptr;
        dstSize = length + 1;
    }
    if (dstSize == 0)
        return dst;
    if (length >= dstSize)
        length = dstSize - 1;
    memcpy(dst, p, length);
    dst[length] = 0;
    return dst;
}
