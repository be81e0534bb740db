// Feeds arbitrary bytes to the profile loaders, all in memory: the bytes are
// parsed once as the readers parse a file, then taken as a profile document
// by every kind of document object (every section reader and writer runs on
// it), as a profile list, as a light store's effect list and as display text.
// No file is read or written per input, so the target runs fast enough to be
// useful.

#include <cstddef>
#include <cstdint>
#include <string>

#include "profile/headset_profile.h"
#include "profile/json_fields.h"
#include "profile/json_file.h"
#include "profile/keyboard_profile.h"
#include "profile/mouse_profile.h"
#include "profile/profile_list.h"
#include "profile/user_file.h"

namespace {

template <typename Document>
void Prepare(Document& document, const Json::Value& root) {
    document.UseDocument(root);
    document.ReadLightInfo();
    document.ReadLightList();
    auto keys = document.ReadKeyList();
    document.WriteKeyAssignments(keys);
}

// What a save would write: the styled text of the edited device object.
void Styled(const CBasicProfiledata& edited) {
    Json::Value document(Json::objectValue);
    profile::json::ArrayElement(document["Device"], 0) = edited.GetDeviceObject();
    (void)CJsonFile::StyledText(document);
}

// One kind per input (chosen by the input's length), so that each run copies
// and walks the document once; over a run every kind sees every shape.
void ExerciseDocument(const Json::Value& root, size_t kind) {
    if (kind == 0) {
        CKeyboardProfiledata keyboard;
        Prepare(keyboard, root);
        keyboard.WriteSystemStages(keyboard.ReadSystemStages());
        const int group = keyboard.ReadCustomGroupIndex();
        keyboard.WriteCustomColors(keyboard.ReadCustomColors(group, 126), group);
        keyboard.WriteCustomGroupIndex(group);
        Styled(keyboard);
    } else if (kind == 1) {
        CMouseProfiledata mouse;
        Prepare(mouse, root);
        mouse.WriteDpiStages(mouse.ReadDpiStages());
        mouse.WriteActiveStage(mouse.GetActiveStage());
        mouse.WriteSystemStages(mouse.ReadSystemStages());
        mouse.ReadCorrectInfo();
        Styled(mouse);
    } else {
        CHs6533Profiledata headset;
        Prepare(headset, root);
        const auto settings = headset.ReadHeadsetSettings();
        headset.WriteHeadsetSettings(settings);
        headset.ReadEqBands(settings[CHs6533Profiledata::kEqType]);
        headset.ReadCustomEqBands(settings[CHs6533Profiledata::kCustomEqSelectIndex]);
        headset.WriteCustomEqNames(headset.ReadCustomEqNames());
        Styled(headset);
    }
}

void ExerciseList(const Json::Value& root) {
    std::vector<std::string> refused;
    for (const auto& entry : profile::ProfileList::EntriesOf(root, &refused)) {
        // Every taken identifier names a file inside the folder.
        if (!profile::IsSafeFileId(entry.uuid) || !profile::IsTimeStampId(entry.uuid)) {
            __builtin_trap();
        }
        (void)profile::EscapeForDisplay(entry.name);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > profile::kDocumentCap) {
        return 0;  // refused from its size before a byte is read
    }
    const std::string text(reinterpret_cast<const char*>(data), size);
    bool parsed = false;
    const Json::Value root = CJsonFile::Parse(text, &parsed);
    ExerciseDocument(root, size % 3);
    ExerciseList(root);
    (void)profile::EscapeForDisplay(text);
    (void)profile::IsTimeStampId(text);
    return 0;
}
