#include "tools/backend_choice.h"

#include <cstdlib>
#include <string_view>

#include "platform/hid/linux/linux_backend.h"
#include "sim/sim_bus.h"

namespace {

bool IsSimChoice(std::string_view value) {
    return value == "sim" || value.starts_with("sim:");
}

HidBackendChoice MakeSimBackend(const std::string& value) {
    HidBackendChoice choice;
    std::vector<sim::DeviceKind> kinds;
    std::string bad;
    if (!sim::ParseKinds(value, kinds, &bad)) {
        choice.error = "VELDMARK_HID: unknown simulated device \"" + bad +
                       "\" (known: keyboard, mouse, mousepad, headset)";
        return choice;
    }
    choice.backend = sim::MakeBus(value);
    if (!choice.backend) {
        choice.error = "VELDMARK_HID: cannot build the simulated bus for \"" + value + "\"";
    }
    return choice;
}

HidBackendChoice MakeSystemBackend() {
    HidBackendChoice choice;
    choice.backend = platform::hid::MakeLinuxBackend();
    return choice;
}

}  // namespace

HidBackendChoice ChooseHidBackend(const char* value) {
    if (value != nullptr && IsSimChoice(value)) {
        return MakeSimBackend(value);
    }
    return MakeSystemBackend();
}

HidBackendChoice ChooseHidBackendFromEnvironment() {
    return ChooseHidBackend(std::getenv("VELDMARK_HID"));
}
