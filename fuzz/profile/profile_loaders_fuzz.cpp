// Feeds arbitrary bytes to the profile loaders: as a profile document, as the
// default document behind it, as a profile list and as a light store with an
// effect file. Every reader and writer of every kind runs on the result.

#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "profile/headset_profile.h"
#include "profile/keyboard_profile.h"
#include "profile/mouse_profile.h"
#include "profile/profile_list.h"

namespace {

const std::string& Folder() {
    // In memory when possible: every save flushes its file to the disk.
    static const std::string folder = [] {
        const bool memory = std::filesystem::is_directory("/dev/shm");
        std::string pattern =
            memory ? "/dev/shm/veldmark-fuzz-XXXXXX" : "/tmp/veldmark-fuzz-XXXXXX";
        return std::string(::mkdtemp(pattern.data()) != nullptr ? pattern.c_str() : "/tmp") + "/";
    }();
    return folder;
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

template <typename Document>
void Prepare(Document& document, const std::string& profile) {
    document.SetDefaultPath(Folder() + "default.Json");
    document.SetProfilePath(profile);
    document.Load(profile);
    document.ReadLightInfo();
    document.ReadLightList();
    auto keys = document.ReadKeyList();
    document.WriteKeyAssignments(keys);
    document.LoadLightStore(Folder() + "store.config");
    document.ReadLightEffects();
}

void ExerciseDocuments(const std::string& profile) {
    CKeyboardProfiledata keyboard;
    Prepare(keyboard, profile);
    keyboard.WriteSystemStages(keyboard.ReadSystemStages());
    const int group = keyboard.ReadCustomGroupIndex();
    keyboard.WriteCustomColors(keyboard.ReadCustomColors(group, 126), group);
    keyboard.Save();

    CMouseProfiledata mouse;
    Prepare(mouse, profile);
    mouse.WriteDpiStages(mouse.ReadDpiStages());
    mouse.WriteActiveStage(mouse.GetActiveStage());
    mouse.WriteSystemStages(mouse.ReadSystemStages());
    mouse.ReadCorrectInfo();

    CHs6533Profiledata headset;
    Prepare(headset, profile);
    const auto settings = headset.ReadHeadsetSettings();
    headset.WriteHeadsetSettings(settings);
    headset.ReadEqBands(settings[CHs6533Profiledata::kEqType]);
    headset.ReadCustomEqBands(settings[CHs6533Profiledata::kCustomEqSelectIndex]);
    headset.WriteCustomEqNames(headset.ReadCustomEqNames());
    headset.Save();
}

void ExerciseList(const std::string& folder) {
    profile::ProfileList list;
    list.SetPaths(folder, Folder() + "default.Json");
    list.SetDeviceKind(7);
    list.InitProfiles();
    list.RenameProfile("Renamed");
    list.CopyProfile();
    list.RestoreDefaults();
    list.DeleteProfile();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& folder = Folder();
    std::filesystem::remove_all(folder + "run");
    std::filesystem::create_directories(folder + "run");
    const std::string run = folder + "run/";

    WriteFile(run + "profile.Json", data, size);
    WriteFile(folder + "default.Json", data, size);
    WriteFile(folder + "store.config", data, size);
    WriteFile(folder + "0.light", data, size);
    ExerciseDocuments(run + "profile.Json");

    WriteFile(run + "ProfileList.ini", data, size);
    ExerciseList(run);
    return 0;
}
