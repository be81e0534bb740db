#pragma once
// Where profile data lives on Linux.
//
// ProfileFolder: $XDG_DATA_HOME (default ~/.local/share) + "/" + the
// application name + "/" + the device folder name + "/". The folders are
// created when missing, every time the path is computed.
//
// DefaultDataFolder: the shipped "DefaultData" folder, ending with "/". Found,
// in this order, under $VELDMARK_DATA_DIR (the test harness points it at the
// source data/ folder), beside the executable, and under the installed data
// prefix. DefaultDocument = DefaultDataFolder + folder name + ".Json".
//
// Device folder names come from the device catalogue ("keyboard", "mouse",
// "MousePad", "HD"). All functions may be called from any thread.

#include <string>

namespace profile {

// The application's display name, also the name of its per-user data folder.
inline constexpr const char* kApplicationName = "VARNE VK-R20 Mechanical Keyboard";

// The per-user application data folder, ending with "/" (created).
std::string ApplicationDataFolder();

// The per-device profile folder, ending with "/" (created).
std::string ProfileFolder(const std::string& folderName);

// The same path, without creating anything (for readers that must not write).
std::string ProfileFolderPath(const std::string& folderName);

// The shipped data folder, ending with "/".
std::string DefaultDataFolder();

// The shipped default document of a device folder.
std::string DefaultDocument(const std::string& folderName);

// Creates `path` and its missing parents; true when it exists afterwards.
bool MakeFolders(const std::string& path);

}  // namespace profile
