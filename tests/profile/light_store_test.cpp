// Custom light effects: which step file a lighting mode plays, and that no
// Guid read from the light store opens anything outside its folder.

#include <gtest/gtest.h>

#include <filesystem>

#include "profile/profile_document.h"
#include "tests/profile/profile_test_support.h"

namespace {

namespace fs = std::filesystem;

Json::Value Steps(int red, int count = 1) {
    Json::Value file;
    for (int i = 0; i < count; ++i) {
        Json::Value step;
        step["LEDREGMode"] = 1;
        step["LEDBrightness"] = 4;
        step["LEDSpeed"] = 2;
        step["LEDDirection"] = 0;
        step["LEDMultiColor"] = 0;
        step["red"] = red;
        step["green"] = 0;
        step["blue"] = 0;
        step["Time"] = 500;
        step["Cyle"] = 0;
        file["LEDEffectList"].append(step);
    }
    return file;
}

Json::Value Entry(const std::string& name, const std::string& guid) {
    Json::Value entry;
    entry["LightName"] = name;
    entry["Guid"] = guid;
    return entry;
}

class LightStoreTest : public TempHomeTest {
  protected:
    void SetUp() override {
        TempHomeTest::SetUp();
        folder = Root() + "profiles/";
        fs::create_directories(folder);
        document.SetLightStoreIndex(2);  // the mousepad's element
        document.SetBuiltInModeCount(9);
    }

    // Stores `effects` as the mousepad's element, with something else before it.
    void WriteStore(const Json::Value& effects) {
        Json::Value store;
        store["LightInfo"][0].append(Entry("keyboard effect", "kb"));
        store["LightInfo"][1] = Json::Value(Json::arrayValue);
        store["LightInfo"][2] = effects;
        WriteJson(folder + "orvix_light.config", store);
        WriteJson(folder + "kb.light", Steps(7));
    }

    std::vector<LightEffectStep> PlayMode(int mode) {
        LightInfoRecord record;
        record.mode = static_cast<uint8_t>(mode);
        document.WriteLightInfo(record);
        document.LoadLightStore(folder + "orvix_light.config");
        return document.ReadLightEffects();
    }

    std::string folder;
    CBasicProfiledata document;
};

TEST_F(LightStoreTest, ModeAfterTheBuiltInOnesPlaysTheEffectOfTheSamePosition) {
    Json::Value effects;
    effects.append(Entry("first", "one"));
    effects.append(Entry("second", "two"));
    WriteStore(effects);
    WriteJson(folder + "one.light", Steps(1));
    WriteJson(folder + "two.light", Steps(2, 3));

    EXPECT_TRUE(PlayMode(8).empty());  // a built-in mode
    const std::vector<LightEffectStep> first = PlayMode(9);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].red, 1);  // not the keyboard's effect at the same position
    const std::vector<LightEffectStep> second = PlayMode(10);
    ASSERT_EQ(second.size(), 3u);
    EXPECT_EQ(second[2].red, 2);
    EXPECT_EQ(second[2].time, 500);
    EXPECT_TRUE(PlayMode(11).empty());  // no third effect
}

TEST_F(LightStoreTest, HostileGuidsOpenNothingOutsideTheFolder) {
    // Valid step files wherever each Guid would lead.
    const std::string outside = Root() + "outside/";
    fs::create_directories(outside);
    WriteJson(Root() + "x.light", Steps(9));
    WriteJson(outside + "abs.light", Steps(9));
    fs::create_symlink(outside + "abs.light", folder + "link.light");
    const std::string longGuid(5000, 'a');
    WriteJson(folder + longGuid.substr(0, 200) + ".light", Steps(9));

    for (const std::string& guid :
         {std::string("../x"), std::string("../../x"), outside + "abs", longGuid,
          std::string("link"), std::string("one\0../x", 8), std::string(".."), std::string("")}) {
        Json::Value effects;
        effects.append(Entry("hostile", guid));
        WriteStore(effects);
        EXPECT_TRUE(PlayMode(9).empty()) << guid.substr(0, 40);
    }
}

TEST_F(LightStoreTest, DamagedStoreOrStepFileGivesNoSteps) {
    WriteText(folder + "orvix_light.config", "{ \"LightInfo\": [ [ ");
    EXPECT_TRUE(PlayMode(9).empty());

    Json::Value effects;
    effects.append(Entry("broken", "broken"));
    effects.append(Entry("odd", "odd"));
    WriteStore(effects);
    WriteText(folder + "broken.light", "LEDEffectList: nope");
    EXPECT_TRUE(PlayMode(9).empty());
    WriteText(folder + "odd.light", "{\"LEDEffectList\": {\"red\": 3}}");
    EXPECT_TRUE(PlayMode(10).empty());

    Json::Value store;
    store["LightInfo"] = "not a list";
    WriteJson(folder + "orvix_light.config", store);
    EXPECT_TRUE(PlayMode(9).empty());
}

}  // namespace
