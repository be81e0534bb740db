#pragma once
// The hidraw backend: real HID devices through libudev and /dev/hidraw*. This
// header includes no OS header; composition roots include it to create the
// backend and to explain its failures to the user.

#include <memory>
#include <string>

#include "platform/hid/hid_backend.h"

namespace platform::hid {

struct LinuxBackendOptions {
    // Where sysfs and the device nodes are looked up. Anything but "/" for
    // sysRoot reads a recorded tree instead of asking libudev.
    std::string sysRoot = "/";
    std::string devDir = "/dev";
    // Drive Generation() from hot-plug events; without it every call is a new number.
    bool watchHotplug = true;
};

std::unique_ptr<HidBackend> MakeLinuxBackend(const LinuxBackendOptions& options = {});

// The file name the udev rules are installed under.
inline constexpr const char* kUdevRulesFile = "70-veldmark.rules";

// True when an Open failed because the user may not access the device node.
bool IsPermissionDenied(const Error& error);

// What to tell a user whose Open failed for lack of permission: the cause and
// the commands that install the rules. rulesCommand is a shell command that
// prints the rules ("veldmarkctl udev-rules", or "cat" of the shipped file).
std::string PermissionAdvice(const Error& error, const std::string& rulesCommand);

}  // namespace platform::hid
