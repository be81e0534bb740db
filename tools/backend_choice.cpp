#include "tools/backend_choice.h"

#include <cstdlib>
#include <string_view>

#include "device/catalogue.h"
#include "platform/hid/linux/linux_backend.h"
#include "profile/profile_paths.h"
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

namespace {

device::MouseIdentityRead g_mouseIdentity;

std::string ConfigHome() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') {
        return config;
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : ".") + "/.config";
}

}  // namespace

std::vector<std::string> MouseIdentityFiles() {
    const std::string data = profile::DefaultDataFolder();  // ".../DefaultData/"
    const size_t cut = data.find_last_of('/', data.size() >= 2 ? data.size() - 2 : 0);
    const std::string prefix = cut == std::string::npos ? std::string() : data.substr(0, cut + 1);
    return {ConfigHome() + "/" + profile::kApplicationName + "/" + device::kMouseIdentityFile,
            prefix + device::kMouseIdentityFile};
}

const device::MouseIdentityRead& ConfigureMouseIdentity(bool simulated) {
    g_mouseIdentity = device::ReadMouseIdentity(MouseIdentityFiles());
    if (g_mouseIdentity.found) {
        const device::MouseIdentity& id = g_mouseIdentity.identity;
        // The simulated mouse keeps the shipped identity but takes the link,
        // so that a slow mouse can be tried without one.
        if (simulated) {
            device::SetMouseRows(0, 0, id.kind);
        } else {
            device::SetMouseRows(id.vendorId, id.productId, id.kind);
        }
    }
    return g_mouseIdentity;
}

const device::MouseIdentityRead& CurrentMouseIdentity() {
    return g_mouseIdentity;
}
