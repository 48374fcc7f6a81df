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
    if (ParseScript(in, steps, error) != error.empty())
        std::abort();
    for (const ScriptStep& step : steps) {
        const bool pathStep =
            step.op == ScriptOp::Open || step.op == ScriptOp::Shot || step.op == ScriptOp::State;
        if ((pathStep && step.path.empty()) || step.x < 0 || step.y < 0 || step.width < 0 ||
            step.height < 0 || step.passes < 0 || step.milliseconds < 0 ||
            (step.op == ScriptOp::Key && step.key.code == 0))
            std::abort();
    }
    return 0;
}
