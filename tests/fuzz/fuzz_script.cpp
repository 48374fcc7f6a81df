// Any bytes as an automation script; a script that parses must hold only steps in range.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "shell/script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    std::vector<ScriptStep> steps;
    std::string error;
    const int ok = ParseScript(in, steps, error);
    if (ok != (error.empty() ? 1 : 0))
        std::abort();
    for (const ScriptStep& step : steps) {
        const bool pathStep =
            step.op == ScriptOp::Open || step.op == ScriptOp::Shot || step.op == ScriptOp::State;
        if ((pathStep && step.text.empty()) || step.a < 0 || step.b < 0 ||
            (step.op == ScriptOp::Key && !IsScriptKeyName(step.text)))
            std::abort();
    }
    return 0;
}
