#pragma once
// The one place where a program picks its HID backend, from the environment
// variable VELDMARK_HID:
//   "sim"              the virtual bus with all four simulated devices;
//   "sim:<kinds>"      the virtual bus with the listed devices, e.g.
//                      "sim:keyboard,headset";
//   unset or anything else   the operating system's HID devices.
// Used by veldmarkctl and by the application's composition root.

#include <memory>
#include <string>

#include "platform/hid/hid_backend.h"

struct HidBackendChoice {
    std::unique_ptr<platform::hid::HidBackend> backend;  // null when none could be made
    std::string error;                                   // why, for the user
};

// value is the variable's text, or null when it is unset.
HidBackendChoice ChooseHidBackend(const char* value);
// ChooseHidBackend(getenv("VELDMARK_HID")).
HidBackendChoice ChooseHidBackendFromEnvironment();
