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
#include <vector>

#include "device/mouse_identity.h"
#include "platform/hid/hid_backend.h"

struct HidBackendChoice {
    std::unique_ptr<platform::hid::HidBackend> backend;  // null when none could be made
    std::string error;                                   // why, for the user
};

// value is the variable's text, or null when it is unset.
HidBackendChoice ChooseHidBackend(const char* value);
// ChooseHidBackend(getenv("VELDMARK_HID")).
HidBackendChoice ChooseHidBackendFromEnvironment();

// The files that may name the mouse's identity, in the order they are
// tried: the user's configuration folder ($XDG_CONFIG_HOME, default
// ~/.config, + the application name), then the installation's data prefix.
std::vector<std::string> MouseIdentityFiles();
// Reads the mouse's identity and gives it to the catalogue's mouse rows; a
// program on the simulated devices takes only the link (its mouse keeps the
// identity the catalogue ships with). Start-up only, before any thread reads
// the catalogue. The result says what was used and which files were refused.
const device::MouseIdentityRead& ConfigureMouseIdentity(bool simulated);
// What the last ConfigureMouseIdentity found.
const device::MouseIdentityRead& CurrentMouseIdentity();
