// Feeds arbitrary bytes to the step file check of an effect import: it must
// never crash, and whatever it takes must be a list of 1-256 steps with every
// field in range and a line it can name for anything it refuses.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "profile/light_effects.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const profile::EffectFileCheck check = profile::CheckEffectFile(bytes);
    if (!check.ok) {
        if (check.reason.empty() || check.line < 0) {
            std::abort();
        }
        return 0;
    }
    const Json::Value& steps = check.steps;
    if (!steps.isArray() || steps.empty() || steps.size() > profile::kMaxEffectSteps) {
        std::abort();
    }
    for (const Json::Value& step : steps) {
        const int64_t time = step["Time"].asInt64();
        if (time < profile::kMinStepMs || time > profile::kMaxStepMs ||
            step["LEDREGMode"].asInt64() > 5 || step["red"].asInt64() > 255 || step.size() != 10) {
            std::abort();
        }
    }
    return 0;
}
