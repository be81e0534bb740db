#pragma once
// The udev rules that let the logged-in user open the supported devices'
// hidraw nodes without root: one line per vendor and product, tagged
// "uaccess" so that logind grants the seat's user access. The text is made
// from the device catalogue by whoever owns it (veldmarkctl udev-rules); the
// shipped data/udev/70-veldmark.rules is that output.

#include <cstdint>
#include <string>
#include <vector>

namespace platform::hid {

struct UdevRuleDevice {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::string name;  // shown in a comment above the rule
};

// One rule per distinct vendor and product, in the order given; devices whose
// vendor or product is 0 name no real device and get no rule.
std::string FormatUdevRules(const std::vector<UdevRuleDevice>& devices);

}  // namespace platform::hid
