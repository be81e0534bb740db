// The shipped default data must match the schemas the program reads.

#include <gtest/gtest.h>

#include <set>

#include "device/catalogue.h"
#include "profile/headset_profile.h"
#include "profile/json_fields.h"
#include "profile/keyboard_profile.h"
#include "profile/mouse_profile.h"
#include "profile/profile_paths.h"
#include "tests/profile/profile_test_support.h"

namespace {

using profile::DefaultDataFolder;
using profile::DefaultDocument;

class DefaultData : public TempHomeTest {
  protected:
    // A new profile made from the shipped default, as on a first start.
    template <typename Document>
    void LoadDefault(Document& document, const std::string& folder) {
        document.SetDefaultPath(DefaultDocument(folder));
        ASSERT_FALSE(document.Load(Root() + folder + ".Json").isNull()) << folder;
    }
};

TEST_F(DefaultData, EveryFamilyHasLightingAndOneLayerEntryPerLed) {
    const std::pair<const char*, size_t> families[] = {
        {"keyboard", 126}, {"mouse", 6}, {"MousePad", 15}, {"HD", 13}};
    for (const auto& [folder, leds] : families) {
        CBasicProfiledata document;
        LoadDefault(document, folder);
        const LightInfoRecord light = document.ReadLightInfo();
        EXPECT_LE(light.brightness, 4) << folder;
        EXPECT_LE(light.speed, 4) << folder;
        const auto layers = document.ReadLightList();
        ASSERT_EQ(layers.size(), leds) << folder;
        for (const LightListEntry& layer : layers) {
            EXPECT_EQ(layer.present, 0) << folder << ": defaults lay nothing over LEDs";
        }
    }
}

TEST_F(DefaultData, KeyboardKeysAreTheFactoryCodesWithFullColourGroups) {
    CKeyboardProfiledata document;
    LoadDefault(document, "keyboard");
    const auto keys = document.ReadKeyList();
    ASSERT_EQ(keys.size(), 126u);
    for (const KeyEntry& key : keys) {
        EXPECT_TRUE(key.current == key.defaults) << key.current.keyIndex;
    }
    EXPECT_EQ(PackKeyAssignment(keys[0].current), 0x200029);    // Escape
    EXPECT_EQ(PackKeyAssignment(keys[110].current), 0xA00100);  // Fn
    EXPECT_EQ(PackKeyAssignment(keys[125].current), 0x208000);  // right Windows
    const auto words = document.ReadSystemStages();
    EXPECT_LE(words[0] >> 16, 3u) << "repeat delay is an option index 0-3";
    EXPECT_LE(words[1] >> 16, 3u) << "report rate is an option index 0-3";
    const int group = document.ReadCustomGroupIndex();
    const auto colours = document.ReadCustomColors(group, 126);
    EXPECT_EQ(document.GetDeviceObject()["CustomLightMode"]["LightColorInfo"][group].size(), 126u)
        << "the group was complete, nothing had to be filled in";
    EXPECT_TRUE(std::all_of(colours.begin(), colours.end(),
                            [](const CustomColor& c) { return c.alpha == 255; }));
}

TEST_F(DefaultData, MouseHasItsTenButtonsAndFiveStages) {
    CMouseProfiledata document;
    LoadDefault(document, "mouse");
    const int expected[] = {0x100100, 0x100200, 0x100400, 0x101000, 0x100800,
                            0x130100, 0x130200, 0x130300, 0xA01B00, 0x169001};
    const auto keys = document.ReadKeyList();
    ASSERT_EQ(keys.size(), 10u);
    for (size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(PackKeyAssignment(keys[i].current), expected[i]) << i;
    }
    const auto stages = document.ReadDpiStages();
    ASSERT_EQ(stages.size(), 5u);
    for (size_t i = 0; i < stages.size(); ++i) {
        EXPECT_EQ(stages[i].enabled, 1);
        EXPECT_GT(stages[i].dpiX, i == 0 ? 0 : stages[i - 1].dpiX) << "stages rise";
    }
    EXPECT_LT(document.GetActiveStage(), 5);
    EXPECT_LE(document.ReadSystemStages()[2] >> 16, 4u) << "report rate option 0-4";
    for (const CorrectEntry& entry : document.ReadCorrectInfo()) {
        EXPECT_FALSE(entry.name.empty());
    }
}

TEST_F(DefaultData, HeadsetHasTwelvePresetsAndValidSettings) {
    CHs6533Profiledata document;
    LoadDefault(document, "HD");
    EXPECT_EQ(document.GetDeviceObject()["EQHzValueInfo"].size(), 13u);
    for (int preset = 1; preset <= 12; ++preset) {
        EXPECT_EQ(document.ReadEqBands(preset).size(), 10u);
    }
    EXPECT_EQ(document.ReadEqBands(5), std::vector<int32_t>(10, 0)) << "preset 5 is flat";
    EXPECT_EQ(document.ReadEqBands(1), (std::vector<int32_t>{7, 11, 2, -3, -1, 4, 9, 12, 9, 5}));
    const auto settings = document.ReadHeadsetSettings();
    EXPECT_GE(settings[CHs6533Profiledata::kEqType], 1);
    EXPECT_LE(settings[CHs6533Profiledata::kEqType], 12);
    EXPECT_LE(settings[CHs6533Profiledata::kMicInValue], 100);
    EXPECT_TRUE(document.ReadCustomEqNames().empty());
}

TEST_F(DefaultData, ModeNamesMatchEachKindsModes) {
    const Json::Value names = CJsonFile().Load(DefaultDataFolder() + "default_light.json");
    const Json::Value& kinds = names["DefaultLightName"];
    ASSERT_EQ(kinds.size(), 4u);
    std::set<int> hiddenKeyboardModes;
    for (Json::ArrayIndex kind = 0; kind < 4; ++kind) {
        // Custom effects follow the list: its length is every mode number the
        // family's devices play themselves.
        ASSERT_EQ(kinds[kind].size(),
                  static_cast<Json::ArrayIndex>(device::BuiltInLightModes(static_cast<int>(kind))))
            << kind;
        for (Json::ArrayIndex mode = 0; mode < kinds[kind].size(); ++mode) {
            const Json::Value& entry = kinds[kind][mode];
            EXPECT_EQ(entry["LightName"].asString().rfind("light_mode_", 0), 0u);
            if (kind == 0 && !profile::json::Truth(entry["visible"])) {
                hiddenKeyboardModes.insert(static_cast<int>(mode));
            }
        }
    }
    EXPECT_EQ(hiddenKeyboardModes, (std::set<int>{0, 19, 29}));
}

TEST_F(DefaultData, RecoilPatternsHoldThirtyCompleteBullets) {
    for (int gun = 0; gun < 4; ++gun) {
        const Json::Value pattern =
            CJsonFile().Load(DefaultDataFolder() + "ShootData_" + std::to_string(gun) + ".Shoot");
        const Json::Value& events = pattern["Events"];
        ASSERT_EQ(events.size(), 120u) << gun;
        for (Json::ArrayIndex b = 0; b < 30; ++b) {
            EXPECT_EQ(events[4 * b]["Action"].asString(), "down");
            EXPECT_EQ(events[4 * b + 1]["Action"].asString(), "up");
            EXPECT_EQ(events[4 * b]["Type"].asInt(), 1);
            EXPECT_EQ(events[4 * b + 2]["Type"].asInt(), 4);
            EXPECT_EQ(events[4 * b + 3]["Type"].asInt(), 5);
            EXPECT_GT(events[4 * b + 3]["Delay"].asInt(), 0);
        }
    }
}

}  // namespace
