// Importing custom light effects: what a step file must hold to be taken,
// where a refusal points, and that a refused or failed import writes nothing.

#include "profile/light_effects.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>

#include "tests/profile/profile_test_support.h"

namespace {

namespace fs = std::filesystem;

Json::Value Step(int red = 255, int time = 500) {
    Json::Value step;
    step["LEDREGMode"] = 1;
    step["LEDBrightness"] = 5;
    step["LEDSpeed"] = 2;
    step["LEDDirection"] = 0;
    step["LEDMultiColor"] = 0;
    step["red"] = red;
    step["green"] = 0;
    step["blue"] = 0;
    step["Time"] = time;
    step["Cyle"] = 0;
    return step;
}

std::string FileOf(const std::vector<Json::Value>& steps) {
    Json::Value file;
    file["LEDEffectList"] = Json::Value(Json::arrayValue);
    for (const Json::Value& s : steps) {
        file["LEDEffectList"].append(s);
    }
    return CJsonFile::StyledText(file);
}

std::string FileWith(const char* key, const Json::Value& value) {
    Json::Value step = Step();
    step[key] = value;
    return FileOf({Step(), step});
}

TEST(EffectFile, EveryFieldAtItsLimitsIsTakenAndOneBeyondIsRefused) {
    EXPECT_TRUE(profile::CheckEffectFile(FileWith("Time", 1)).ok);
    EXPECT_TRUE(profile::CheckEffectFile(FileWith("Time", 60000)).ok);
    EXPECT_TRUE(profile::CheckEffectFile(FileWith("LEDREGMode", 5)).ok);
    EXPECT_TRUE(profile::CheckEffectFile(FileWith("blue", 255)).ok);
    for (const auto& [key, bad] : std::vector<std::pair<const char*, Json::Value>>{
             {"Time", 0},
             {"Time", 60001},
             {"LEDREGMode", 6},
             {"LEDBrightness", 6},
             {"LEDSpeed", 5},
             {"LEDDirection", 2},
             {"LEDMultiColor", -1},
             {"green", 256},
             {"red", Json::Value(Json::UInt64(1) << 63)},
             {"red", 1.5},
             {"red", "7"},
             {"red", true},
         }) {
        const profile::EffectFileCheck check = profile::CheckEffectFile(FileWith(key, bad));
        EXPECT_FALSE(check.ok) << key << " " << bad.toStyledString();
        EXPECT_NE(check.reason.find(key), std::string::npos) << check.reason;
        EXPECT_NE(check.reason.find("step 2"), std::string::npos) << check.reason;
    }
}

TEST(EffectFile, RefusalsNameTheLineOfTheOffendingValue) {
    const std::string text =
        "{\n"
        "  \"LEDEffectList\": [\n"
        "    {\"LEDREGMode\": 1, \"LEDBrightness\": 5, \"LEDSpeed\": 2, \"LEDDirection\": 0,\n"
        "     \"LEDMultiColor\": 0, \"red\": 1, \"green\": 2, \"blue\": 3,\n"
        "     \"Time\": 0, \"Cyle\": 0}\n"
        "  ]\n"
        "}\n";
    const profile::EffectFileCheck check = profile::CheckEffectFile(text);
    ASSERT_FALSE(check.ok);
    EXPECT_EQ(check.line, 5);
    EXPECT_EQ(check.Describe(), "line 5: step 1: \"Time\" is 0, not 1-60000");

    const profile::EffectFileCheck broken =
        profile::CheckEffectFile("{\n\"LEDEffectList\": [\n,]}");
    EXPECT_FALSE(broken.ok);
    EXPECT_EQ(broken.line, 3);

    Json::Value noTime = Step();
    noTime.removeMember("Time");
    EXPECT_NE(profile::CheckEffectFile(FileOf({noTime})).reason.find("no \"Time\""),
              std::string::npos);
    // The unplayed cycle count may be left out.
    Json::Value noCycle = Step();
    noCycle.removeMember("Cyle");
    EXPECT_TRUE(profile::CheckEffectFile(FileOf({noCycle})).ok);
}

TEST(EffectFile, TakesUpTo256StepsAndRefusesAnEmptyOrLongerList) {
    EXPECT_TRUE(profile::CheckEffectFile(FileOf(std::vector<Json::Value>(256, Step()))).ok);
    const profile::EffectFileCheck many =
        profile::CheckEffectFile(FileOf(std::vector<Json::Value>(257, Step())));
    EXPECT_FALSE(many.ok);
    EXPECT_NE(many.reason.find("257 steps"), std::string::npos);
    EXPECT_FALSE(profile::CheckEffectFile(FileOf({})).ok);
    EXPECT_FALSE(profile::CheckEffectFile("[]").ok);
    EXPECT_FALSE(profile::CheckEffectFile("{\"LEDEffectList\": {}}").ok);
    // Nesting deeper than the parser goes is refused, not thrown.
    const std::string deep = "{\"LEDEffectList\": " + std::string(5000, '[') + "]}";
    EXPECT_FALSE(profile::CheckEffectFile(deep).ok);
}

class EffectImportTest : public TempHomeTest {
  protected:
    void SetUp() override {
        TempHomeTest::SetUp();
        folder = Root() + "pad/";
        fs::create_directories(folder);
        source = Root() + "Red and blue.light";
        WriteText(source, FileOf({Step(255), Step(0)}));
    }
    std::string Store() const { return folder + profile::kLightStoreFile; }
    // The files of the profile folder besides the lock.
    std::set<std::string> Files() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (entry.path().filename() != profile::kLockFileName) {
                names.insert(entry.path().filename().string());
            }
        }
        return names;
    }
    profile::EffectImport Import(const std::string& name = {}, int max = 10) {
        return profile::ImportLightEffect(folder, 2, source, name, max);
    }

    std::string folder;
    std::string source;
};

TEST_F(EffectImportTest, AddsTheStepFileAndAnEntryAfterTheFamilysOthersKeepingTheRest) {
    Json::Value store;
    store["LightInfo"][0].append(Json::Value());
    store["LightInfo"][0][0]["LightName"] = "keyboard's";
    store["LightInfo"][0][0]["Guid"] = "k1";
    WriteJson(Store(), store);

    const profile::EffectImport first = Import();
    ASSERT_TRUE(first.ok) << first.reason;
    const profile::EffectImport second = Import("Second");
    ASSERT_TRUE(second.ok) << second.reason;
    EXPECT_NE(first.guid, second.guid);
    EXPECT_EQ(second.position, 1);

    const Json::Value saved = ReadJson(Store());
    EXPECT_EQ(saved["LightInfo"][0], store["LightInfo"][0]);
    EXPECT_TRUE(saved["LightInfo"][1].isArray());
    ASSERT_EQ(saved["LightInfo"][2].size(), 2u);
    EXPECT_EQ(saved["LightInfo"][2][0]["LightName"], "Red and blue");
    EXPECT_EQ(saved["LightInfo"][2][1]["Guid"], second.guid);
    const Json::Value steps = ReadJson(folder + first.guid + ".light")["LEDEffectList"];
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[0]["red"].asInt(), 255);

    const profile::EffectListing listing = profile::ListLightEffects(folder, 2);
    ASSERT_TRUE(listing.ok);
    ASSERT_EQ(listing.effects.size(), 2u);
    EXPECT_EQ(listing.effects[1].name, "Second");
    EXPECT_EQ(listing.effects[1].steps, 2);
    // The keyboard's effect names a file that is not there.
    EXPECT_EQ(profile::ListLightEffects(folder, 0).effects.at(0).steps, -1);
}

TEST_F(EffectImportTest, RefusalsWriteNothing) {
    WriteText(source, FileWith("LEDSpeed", 9));
    EXPECT_FALSE(Import().ok);
    EXPECT_TRUE(Files().empty());

    WriteText(source, FileOf({Step()}));
    EXPECT_FALSE(Import(std::string("bad\nname")).ok);
    EXPECT_FALSE(Import(std::string(65, 'x')).ok);
    EXPECT_TRUE(Files().empty());

    // A damaged store is the user's: it stays as it is.
    WriteText(Store(), "{ not json");
    const profile::EffectImport damaged = Import();
    EXPECT_FALSE(damaged.ok);
    EXPECT_NE(damaged.reason.find("nothing was written"), std::string::npos);
    EXPECT_EQ(ReadText(Store()), "{ not json");
    EXPECT_EQ(Files(), std::set<std::string>{profile::kLightStoreFile});
    EXPECT_FALSE(profile::ListLightEffects(folder, 2).ok);
}

TEST_F(EffectImportTest, StopsWhenTheFamilysModeNumbersAreUsedUp) {
    ASSERT_TRUE(Import({}, 2).ok);
    ASSERT_TRUE(Import({}, 2).ok);
    const std::string before = ReadText(Store());
    const profile::EffectImport full = Import({}, 2);
    EXPECT_FALSE(full.ok);
    EXPECT_EQ(ReadText(Store()), before);
    EXPECT_EQ(Files().size(), 3u);
}

TEST_F(EffectImportTest, AFolderThatTakesNoFilesIsRefusedWithoutLeftovers) {
    const int code = RunAsOrdinaryUser([&](const std::string& own) {
        const std::string file = own + "in.light";
        WriteText(file, FileOf({Step()}));
        // The store exists but the folder takes no new names: neither a
        // step file nor a temporary of the store may appear.
        WriteText(own + profile::kLightStoreFile, "{}");
        ::chmod(own.c_str(), 0555);
        const profile::EffectImport done = profile::ImportLightEffect(own, 2, file, "x", 10);
        int leftovers = 0;
        for (const auto& entry : fs::directory_iterator(own)) {
            leftovers +=
                entry.path().extension() == ".light" && entry.path().filename() != "in.light";
        }
        ::chmod(own.c_str(), 0755);
        return done.ok ? 1 : leftovers != 0 ? 2 : 0;
    });
    EXPECT_EQ(code, 0);
}

}  // namespace
