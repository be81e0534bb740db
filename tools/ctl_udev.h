#pragma once
// veldmarkctl udev-rules: prints the udev rules that give the logged-in user
// access to every device of the catalogue (the shipped 70-veldmark.rules).

#include <iosfwd>
#include <string>
#include <vector>

#include "platform/hid/hid_backend.h"

int RunUdevRulesCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The rules text for the compiled-in catalogue.
std::string CatalogueUdevRules();

// The advice veldmarkctl prints when opening a device failed for lack of permission.
std::string DevicePermissionAdvice(const platform::hid::Error& error);

// Looks for present catalogue collections this user may not open and, when
// there is one, prints why and how to fix it to err. True when it printed.
bool ExplainInaccessibleDevices(platform::hid::HidBackend& backend, std::ostream& err);
