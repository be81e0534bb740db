#pragma once
// The hidraw backend: real HID devices through libudev and /dev/hidraw*. This
// header includes no OS header; composition roots include it to create the
// backend and to explain its failures to the user.
//
// What differs from the HID service of other systems:
// - hidraw has no share modes: OpenMode::exclusive is accepted and ignored,
//   every handle is shared. Every handle is non-blocking whatever
//   OpenMode::overlapped says; timeouts and Cancel() work either way.
// - The kernel completes a write once the report has been handed to the
//   device; on USB that can take up to the kernel's own transfer timeout, and
//   Cancel() cannot shorten a write that has started (it stops one that waits).
// - A path stays valid only while its node belongs to the device it was made
//   for: node numbers are reused, so Open checks the vendor, product and
//   interface in the path against the node before anything else.

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

// The environment variable VELDMARK_HID_HOTPLUG=0 turns the hot-plug watch off
// whatever the options say: every discovery pass then enumerates again, for a
// system whose hot-plug events do not reach the program.

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
