#pragma once
// Start-up helpers of the entry point that need no toolkit: where the shipped
// data is, and the private fonts.

#include <filesystem>
#include <string>
#include <vector>

#include "platform/ui/host_operations.h"

namespace app {

// The folder of the running executable ("." when it cannot be found).
std::filesystem::path ExecutableFolder();
// The folder holding "DefaultData", "skin" and "Font": VELDMARK_DATA_DIR when
// set, else the executable's folder when it holds a skin (a build), else the
// installed data folder.
std::filesystem::path DataFolder();

// The name of the single-instance endpoint: VELDMARK_INSTANCE when set (tests
// run copies side by side), else "DARVO_ORVIX".
std::string InstanceName();

// The five font files, relative to the data folder, in loading order.
const std::vector<std::string>& FontFiles();

// Registers every font file of the data folder that exists and loads; missing
// or broken ones are skipped silently. Returns the paths that were registered.
std::vector<std::string> LoadFonts(ui::HostOperations& host, const std::filesystem::path& data);

}  // namespace app
