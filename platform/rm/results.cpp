#include "platform/rm/results.h"

namespace rm {

namespace {
long callsMade = 0;
long failAt = 0; // call number that fails; 0 means none
HRESULT failCode = 0;
} // namespace

void FailNthCall(int n, HRESULT code) {
    failAt = n > 0 ? callsMade + n : 0;
    failCode = code;
}

long CallCount() {
    return callsMade;
}

HRESULT EnterCall() {
    ++callsMade;
    if (failAt == 0 || callsMade != failAt)
        return 0;
    failAt = 0;
    return failCode;
}

} // namespace rm
