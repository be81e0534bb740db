#include "platform/hid/linux/udev_rules.h"

#include <cstdio>
#include <set>
#include <utility>

namespace platform::hid {

std::string FormatUdevRules(const std::vector<UdevRuleDevice>& devices) {
    std::string text =
        "# Veldmark: lets the logged-in user open the hidraw nodes of the supported devices.\n"
        "# Made from the device catalogue by \"veldmarkctl udev-rules\"; do not edit by hand.\n"
        "# Install: copy to /etc/udev/rules.d/, then run\n"
        "#   udevadm control --reload-rules && udevadm trigger --subsystem-match=hidraw\n";
    std::set<std::pair<uint16_t, uint16_t>> done;
    for (const UdevRuleDevice& device : devices) {
        if (device.vendorId == 0 || device.productId == 0 ||
            !done.emplace(device.vendorId, device.productId).second) {
            continue;
        }
        char rule[160];
        std::snprintf(rule, sizeof rule,
                      "KERNEL==\"hidraw*\", ATTRS{idVendor}==\"%04x\", "
                      "ATTRS{idProduct}==\"%04x\", TAG+=\"uaccess\"\n",
                      device.vendorId, device.productId);
        text += "\n# " + device.name + "\n" + rule;
    }
    return text;
}

}  // namespace platform::hid
