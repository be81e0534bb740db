#pragma once
// veldmarkctl's device commands:
//   list                 every HID collection present, its identity, and the
//                        catalogue row and slot it fills;
//   info <kind>          the device information record of the attached
//                        keyboard, mouse, mousepad or headset;
//   watch [--seconds N]  arrivals and removals as the discovery loop reports
//                        them, until N seconds have passed or Ctrl+C.
// Each returns the process exit code: 0 success, 1 the device or backend
// failed or is missing, 2 a bad argument.

#include <atomic>
#include <iosfwd>
#include <string>
#include <vector>

#include "platform/hid/hid_backend.h"

int RunListCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunInfoCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunWatchCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The same on a given backend.
int ListCollections(platform::hid::HidBackend& backend, std::ostream& out, std::ostream& err);
int ShowDeviceInfo(platform::hid::HidBackend& backend, const std::string& kindName,
                   std::ostream& out, std::ostream& err);
// seconds < 0 runs until stop becomes true.
int WatchDevices(platform::hid::HidBackend& backend, int seconds, const std::atomic<bool>& stop,
                 std::ostream& out, std::ostream& err);
