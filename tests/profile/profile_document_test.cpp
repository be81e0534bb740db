#include "profile/profile_document.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "profile/headset_profile.h"
#include "profile/keyboard_profile.h"
#include "profile/mouse_profile.h"
#include "profile/profile_paths.h"
#include "tests/profile/profile_test_support.h"

namespace {

class ProfileDocumentTest : public TempHomeTest {
  protected:
    void SetUp() override {
        TempHomeTest::SetUp();
        m_default = Root() + "default.Json";
        m_profile = Root() + "2020_01_01_00_00_00_000.Json";
        WriteJson(m_default, ParseJson(R"({"Device": [{"LightInfo": {"SelectItem": 3,
            "Light": 2}, "KeyList": [{"Assignment": 1048832, "DefaultAssignment": 1048832}]}]})"));
    }
    template <typename Document>
    void Prepare(Document& document) {
        document.SetDefaultPath(m_default);
        document.SetProfilePath(m_profile);
    }
    // A document whose device object is `device`, loaded from the profile file.
    template <typename Document>
    void LoadDevice(Document& document, const std::string& device) {
        WriteJson(m_profile, ParseJson("{\"Device\": [" + device + "]}"));
        Prepare(document);
        document.Load(m_profile);
    }

    std::string m_default;
    std::string m_profile;
};

// ---- Load, Save and the default fallback ----

TEST_F(ProfileDocumentTest, MissingProfileIsCreatedFromTheDefaultDocument) {
    CBasicProfiledata document;
    Prepare(document);
    const Json::Value device = document.Load(m_profile);
    EXPECT_EQ(device["LightInfo"]["SelectItem"].asInt(), 3);
    const Json::Value file = ReadJson(m_profile);
    ASSERT_TRUE(file.isObject());
    EXPECT_EQ(file.getMemberNames(), std::vector<std::string>{"Device"});
    ASSERT_EQ(file["Device"].size(), 1u);
    EXPECT_EQ(file["Device"][0], ReadJson(m_default)["Device"][0]);
}

TEST_F(ProfileDocumentTest, EmptyDeviceArrayIsCompletedAndOtherRootKeysStay) {
    WriteJson(m_profile, ParseJson(R"({"Device": [], "profilename": "Game",
                                       "profileUUID": "2020_01_01_00_00_00_000"})"));
    CBasicProfiledata document;
    Prepare(document);
    EXPECT_EQ(document.Load(m_profile)["LightInfo"]["Light"].asInt(), 2);
    const Json::Value file = ReadJson(m_profile);
    EXPECT_EQ(file["profilename"].asString(), "Game");
    EXPECT_EQ(file["profileUUID"].asString(), "2020_01_01_00_00_00_000");
    EXPECT_EQ(file["Device"][0]["LightInfo"]["SelectItem"].asInt(), 3);
}

TEST_F(ProfileDocumentTest, DamagedProfileIsKeptAsideBeforeDefaultsReplaceIt) {
    WriteText(m_profile, "{\"Device\": [{\"LightInfo\": ");
    CBasicProfiledata document;
    Prepare(document);
    EXPECT_EQ(document.Load(m_profile)["LightInfo"]["SelectItem"].asInt(), 3);
    EXPECT_EQ(ReadText(m_profile + ".bad"), "{\"Device\": [{\"LightInfo\": ");
    EXPECT_TRUE(ReadJson(m_profile).isObject());
}

TEST_F(ProfileDocumentTest, ProfileWithWrongShapeIsKeptAsideNotOverwritten) {
    WriteText(m_profile, "{\"Device\": {\"not\": \"an array\"}}");
    CBasicProfiledata document;
    Prepare(document);
    document.Load(m_profile);
    EXPECT_TRUE(std::filesystem::exists(m_profile + ".bad"));
    EXPECT_TRUE(ReadJson(m_profile)["Device"].isArray());
}

TEST_F(ProfileDocumentTest, WithoutAnyDefaultTheDeviceObjectIsNullAndReadsZero) {
    CBasicProfiledata document;
    document.SetDefaultPath(Root() + "absent.Json");
    EXPECT_TRUE(document.Load(m_profile).isNull());
    EXPECT_EQ(ReadJson(m_profile)["Device"], ParseJson("[null]"));
    EXPECT_EQ(document.ReadLightInfo(), LightInfoRecord{});
    EXPECT_TRUE(document.ReadKeyList().empty());
}

TEST_F(ProfileDocumentTest, SaveRewritesOnlyTheDeviceAndKeepsKeysOfOtherWriters) {
    CBasicProfiledata document;
    Prepare(document);
    document.Load(m_profile);
    // Another writer (the profile list) names the file after the load.
    Json::Value file = ReadJson(m_profile);
    file["profilename"] = "Renamed";
    file["Device"][1] = "second element";
    WriteJson(m_profile, file);

    LightInfoRecord record = document.ReadLightInfo();
    record.red = 200;
    document.WriteLightInfo(record);
    EXPECT_EQ(ReadJson(m_profile)["Device"][0]["LightInfo"]["Red"].asInt(), 0)
        << "writers must not touch the disk before Save";
    ASSERT_EQ(document.Save(), 0);

    file = ReadJson(m_profile);
    EXPECT_EQ(file["profilename"].asString(), "Renamed");
    EXPECT_EQ(file["Device"][1].asString(), "second element");
    EXPECT_EQ(file["Device"][0]["LightInfo"]["Red"].asInt(), 200);
}

TEST_F(ProfileDocumentTest, SaveSeesSameSizedChangesMadeInPlaceOrByReplacement) {
    CBasicProfiledata document;
    Prepare(document);
    document.Load(m_profile);
    ASSERT_EQ(document.Save(), 0);

    Json::Value file = ReadJson(m_profile);
    file["profilename"] = "AAAA";
    ASSERT_EQ(CJsonFile().Write(m_profile, file), 0);  // replaced: a new file
    ASSERT_EQ(document.Save(), 0);
    EXPECT_EQ(ReadJson(m_profile)["profilename"].asString(), "AAAA");

    const std::string before = ReadText(m_profile);
    std::string edited = before;
    edited.replace(edited.find("AAAA"), 4, "BBBB");  // same size, same file
    WriteText(m_profile, edited);
    ASSERT_EQ(document.Save(), 0);
    EXPECT_EQ(ReadJson(m_profile)["profilename"].asString(), "BBBB");
}

TEST_F(ProfileDocumentTest, EmptyPathsKeepThePreviousOnes) {
    CBasicProfiledata document;
    Prepare(document);
    document.SetProfilePath("");
    document.SetDefaultPath("");
    EXPECT_EQ(document.GetProfilePath(), m_profile);
    EXPECT_EQ(document.GetDefaultPath(), m_default);
    EXPECT_EQ(CBasicProfiledata().Save(), 1) << "a document without a path cannot be saved";
}

TEST_F(ProfileDocumentTest, FailedSaveReturnsOneAndKeepsTheEditsInMemory) {
    CBasicProfiledata document;
    document.SetDefaultPath(m_default);
    const std::string folder = Root() + "gone/";
    std::filesystem::create_directory(folder);
    document.SetProfilePath(folder + "p.Json");
    document.Load(folder + "p.Json");
    LightInfoRecord record = document.ReadLightInfo();
    record.blue = 77;
    document.WriteLightInfo(record);
    std::filesystem::remove_all(folder);

    EXPECT_EQ(document.Save(), 1);
    EXPECT_EQ(document.GetDeviceObject()["LightInfo"]["Blue"].asInt(), 77);
    EXPECT_EQ(document.GetDeviceObject()["KeyList"].size(), 1u);
    std::filesystem::create_directory(folder);
    ASSERT_EQ(document.Save(), 0) << "the next save writes what the failed one could not";
    EXPECT_EQ(ReadJson(folder + "p.Json")["Device"][0]["LightInfo"]["Blue"].asInt(), 77);
}

// A reset loads the shipped default document itself: it is read, never repaired.
TEST_F(ProfileDocumentTest, LoadingAnUnusableDefaultDocumentNeverWritesIt) {
    for (const std::string& text :
         {std::string("{\"Device\": [{\"Light"), std::string("{\"Device\": [], \"note\": 1}")}) {
        WriteText(m_default, text);
        CBasicProfiledata document;
        Prepare(document);
        EXPECT_TRUE(document.Load(m_default).isNull()) << text;
        EXPECT_EQ(ReadText(m_default), text);
        EXPECT_FALSE(std::filesystem::exists(m_default + ".bad")) << text;
    }
    std::filesystem::remove(m_default);
    CBasicProfiledata document;
    Prepare(document);
    EXPECT_TRUE(document.Load(m_default).isNull());
    EXPECT_FALSE(std::filesystem::exists(m_default)) << "a missing default is not created";
}

// ---- Sections shared by every kind ----

TEST_F(ProfileDocumentTest, LightInfoTakesLowEightBitsAndTruthValues) {
    CBasicProfiledata document;
    LoadDevice(document, R"({"LightInfo": {"SelectItem": 20, "Light": 300, "Speed": -1,
        "Fx": 1, "MultiColor": 5, "Red": 1, "Green": 2, "Blue": 3, "ZZCCLedMode": 260,
        "CustomGroup": 4}})");
    const LightInfoRecord record = document.ReadLightInfo();
    EXPECT_EQ(record.mode, 20);
    EXPECT_EQ(record.brightness, 44);
    EXPECT_EQ(record.speed, 255);
    EXPECT_EQ(record.multiColor, 1);
    EXPECT_EQ(record.zzccMode, 4);
    EXPECT_EQ(record.customGroup, 4);
    EXPECT_EQ(document.GetLightInfo(), record);
}

TEST_F(ProfileDocumentTest, LightListNullElementIsNotPresent) {
    CBasicProfiledata document;
    LoadDevice(document, R"({"LightList": [null, {"LEDREGMode": 1, "LEDDirection": 9,
        "red": 511}]})");
    const auto list = document.ReadLightList();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0], LightListEntry{});
    EXPECT_EQ(list[1].present, 1);
    EXPECT_EQ(list[1].mode, 1);
    EXPECT_EQ(list[1].direction, 1);
    EXPECT_EQ(list[1].red, 255);
}

TEST_F(ProfileDocumentTest, KeyListWriteTouchesOnlyAssignmentsOfTheGivenEntries) {
    CBasicProfiledata document;
    LoadDevice(document, R"({"KeyList": [
        {"Assignment": 1, "DefaultAssignment": 11}, {"Assignment": 2, "DefaultAssignment": 12},
        {"Assignment": 3, "DefaultAssignment": 16777229}]})");
    auto keys = document.ReadKeyList();
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[2].defaults.param2, 13) << "bits 24-31 are ignored";
    EXPECT_EQ(keys[2].current.keyIndex, 2);
    keys.resize(2);
    keys[0].current = UnpackKeyAssignment(0x700300, 0);
    keys[1].current = UnpackKeyAssignment(0x200204, 1);
    document.WriteKeyAssignments(keys);
    ASSERT_EQ(document.Save(), 0);
    const Json::Value list = ReadJson(m_profile)["Device"][0]["KeyList"];
    EXPECT_EQ(list[0]["Assignment"].asInt(), 0x700300);
    EXPECT_EQ(list[1]["Assignment"].asInt(), 0x200204);
    EXPECT_EQ(list[2]["Assignment"].asInt(), 3);
    EXPECT_EQ(list[0]["DefaultAssignment"].asInt(), 11);
    EXPECT_EQ(list[1]["DefaultAssignment"].asInt(), 12);
}

TEST_F(ProfileDocumentTest, LightEffectsComeFromTheStoreFolderAndRefuseEscapingGuids) {
    // The store sits in a sub-folder; "../evil" would name a real file beside it.
    std::filesystem::create_directory(Root() + "sub");
    const std::string store = Root() + "sub/orvix_light.config";
    WriteJson(store, ParseJson(R"({"LightInfo": [[
        {"LightName": "Mine", "Guid": "effect-1"}, {"LightName": "Evil", "Guid": "../evil"}]]})"));
    WriteJson(Root() + "sub/effect-1.light",
              ParseJson(R"({"LEDEffectList": [{"LEDREGMode": 260, "Time": 500, "Cyle": 2,
                  "red": 9}, {"LEDREGMode": 4}]})"));
    WriteJson(Root() + "evil.light", ParseJson(R"({"LEDEffectList": [{"LEDREGMode": 1}]})"));

    CBasicProfiledata document;
    LoadDevice(document, R"({"LightInfo": {"SelectItem": 0}})");
    document.ReadLightInfo();
    document.LoadLightStore(store);
    const auto steps = document.ReadLightEffects();
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[0].mode, 4);
    EXPECT_EQ(steps[0].time, 500);
    EXPECT_EQ(steps[0].cycle, 2);
    EXPECT_EQ(steps[0].red, 9);

    LightInfoRecord record;
    record.mode = 1;
    document.WriteLightInfo(record);
    EXPECT_TRUE(document.ReadLightEffects().empty());
    record.mode = 2;  // no entry at that position
    document.WriteLightInfo(record);
    EXPECT_TRUE(document.ReadLightEffects().empty());
}

// ---- Keyboard ----

TEST_F(ProfileDocumentTest, KeyboardSystemStagesPackHalvesAndTakeLowSixteenBits) {
    CKeyboardProfiledata document;
    LoadDevice(document, R"({"SystemStages": {"Repeat": 31, "RepeatDelay": 2, "Key6Flag": 1,
        "PollingRate": 65539, "WFlag": 0, "WinFlag": 1}})");
    const auto words = document.ReadSystemStages();
    EXPECT_EQ(words[0], 31u | 2u << 16);
    EXPECT_EQ(words[1], 1u | 3u << 16);
    EXPECT_EQ(words[2], 0u | 1u << 16);
    document.WriteSystemStages({0xFFFF0001u, 0x00020000u, 5u});
    const Json::Value& section = document.GetDeviceObject()["SystemStages"];
    EXPECT_EQ(section["Repeat"].asInt(), 1);
    EXPECT_EQ(section["RepeatDelay"].asInt(), 65535) << "halves are unsigned";
    EXPECT_EQ(section["PollingRate"].asInt(), 2);
    EXPECT_EQ(section["WFlag"].asInt(), 5);
    EXPECT_EQ(section["WinFlag"].asInt(), 0);
}

TEST_F(ProfileDocumentTest, KeyboardCustomColoursWriteMissingZerosBack) {
    CKeyboardProfiledata document;
    LoadDevice(document, R"({"CustomLightMode": {"LightColorInfo": [
        [{"Red": 1, "Green": 2, "Blue": 3, "Alpha": 4}, null]]}})");
    EXPECT_EQ(document.ReadCustomGroupIndex(), 0);
    const auto group0 = document.ReadCustomColors(0, 3);
    ASSERT_EQ(group0.size(), 3u);
    EXPECT_EQ(group0[0], (CustomColor{1, 2, 3, 4}));
    EXPECT_EQ(group0[2], CustomColor{});
    const auto group2 = document.ReadCustomColors(2, 2);
    EXPECT_EQ(group2, std::vector<CustomColor>(2));

    const Json::Value& groups = document.GetDeviceObject()["CustomLightMode"]["LightColorInfo"];
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(groups[0].size(), 3u);
    EXPECT_EQ(groups[0][1]["Alpha"].asInt(), 0);
    EXPECT_EQ(groups[0][0]["Red"].asInt(), 1) << "present colours are not rewritten";
    EXPECT_EQ(groups[2].size(), 2u);

    document.WriteCustomColors({CustomColor{9, 9, 9, 255}}, 0);
    document.WriteCustomGroupIndex(2);
    EXPECT_EQ(groups[0][0]["Red"].asInt(), 9);
    EXPECT_EQ(groups[0][2]["Alpha"].asInt(), 0) << "later colours of the group stay";
    EXPECT_EQ(document.ReadCustomGroupIndex(), 2);
}

TEST_F(ProfileDocumentTest, KeyboardCustomGroupFromADamagedFileCannotExhaustMemory) {
    CKeyboardProfiledata document;
    LoadDevice(document, R"({"CustomLightMode": {"CustomLightModeGroupIndex": 2000000000}})");
    EXPECT_TRUE(document.ReadCustomColors(document.ReadCustomGroupIndex(), 126).empty());
    document.WriteCustomColors({CustomColor{}}, 2000000000);
    EXPECT_TRUE(document.GetDeviceObject()["CustomLightMode"]["LightColorInfo"].isNull());
}

// ---- Mouse ----

TEST_F(ProfileDocumentTest, MouseDpiStagesMergeIntoTheKnownList) {
    CMouseProfiledata document;
    std::vector<DpiStage> five(5);
    for (uint16_t i = 0; i < 5; ++i) {
        five[i].dpiX = static_cast<uint16_t>(100 + i);
    }
    LoadDevice(document, "{}");
    document.WriteDpiStages(five);
    LoadDevice(document, R"({"DPIStages": {"StageActive": 2, "StageDPIs": [
        {"StageDPIX": 1, "StageActive": 1}, {"StageDPIX": 70000}, {"StageDPIY": 3}]}})");
    const auto stages = document.ReadDpiStages();
    ASSERT_EQ(stages.size(), 5u);
    EXPECT_EQ(stages[0].dpiX, 1);
    EXPECT_EQ(stages[0].enabled, 1);
    EXPECT_EQ(stages[1].dpiX, 70000 & 0xFFFF);
    EXPECT_EQ(stages[2].dpiY, 3);
    EXPECT_EQ(stages[3].dpiX, 103);
    EXPECT_EQ(stages[4].dpiX, 104);
    EXPECT_EQ(document.GetActiveStage(), 2);
}

TEST_F(ProfileDocumentTest, MouseDpiStagesWriteLeavesLaterElements) {
    CMouseProfiledata document;
    LoadDevice(document, R"({"DPIStages": {"StageDPIs": [{"StageDPIX": 1}, {"StageDPIX": 2},
        {"StageDPIX": 3}]}})");
    DpiStage stage;
    stage.dpiX = 50;
    stage.red = 7;
    document.WriteDpiStages({stage});
    document.WriteActiveStage(0);
    const Json::Value& list = document.GetDeviceObject()["DPIStages"]["StageDPIs"];
    EXPECT_EQ(list[0]["StageDPIX"].asInt(), 50);
    EXPECT_EQ(list[0]["StageColorR"].asInt(), 7);
    EXPECT_EQ(list[2]["StageDPIX"].asInt(), 3);
    EXPECT_EQ(document.GetDpiStages().size(), 1u);
}

TEST_F(ProfileDocumentTest, MouseReportRateHalfIsZeroWithoutReportStages) {
    CMouseProfiledata document;
    LoadDevice(document, R"({"SystemStages": {"DoubleClickTime": 6, "MouseSpeed": 4,
        "PointerPrecision": 1, "ScorllPage": 0, "WheelScorlllinse": 2}})");
    auto words = document.ReadSystemStages();
    EXPECT_EQ(words[0], 6u | 4u << 16);
    EXPECT_EQ(words[1], 1u);
    EXPECT_EQ(words[2], 2u);

    LoadDevice(document, R"({"ReportStages": {"StageActive": 3}})");
    EXPECT_EQ(document.ReadSystemStages(), (CMouseProfiledata::SystemWords{0, 0, 0}))
        << "without SystemStages every word is 0";

    document.WriteSystemStages({1u, 2u << 16, 3u | 4u << 16});
    EXPECT_EQ(document.GetDeviceObject()["ReportStages"]["StageActive"].asInt(), 4);
    EXPECT_EQ(document.ReadSystemStages(),
              (CMouseProfiledata::SystemWords{1u, 2u << 16, 3u | 4u << 16}));
}

// ---- Headset ----

TEST_F(ProfileDocumentTest, HeadsetPresetNumbersMapToEqualiserIndexes) {
    EXPECT_EQ(CHs6533Profiledata::EqPresetIndex(0), 1);
    EXPECT_EQ(CHs6533Profiledata::EqPresetIndex(1), 1);
    EXPECT_EQ(CHs6533Profiledata::EqPresetIndex(12), 12);
    EXPECT_EQ(CHs6533Profiledata::EqPresetIndex(13), -1);
    EXPECT_EQ(CHs6533Profiledata::EqPresetIndex(15), 1);
    EXPECT_EQ(CHs6533Profiledata::EqPresetIndex(-3), 1);

    CHs6533Profiledata document;
    LoadDevice(document, R"({"EQHzValueInfo": [null, [{"value": 7}, {"value": 11}]]})");
    EXPECT_EQ(document.ReadEqBands(0), document.ReadEqBands(15));
    EXPECT_EQ(document.ReadEqBands(0), (std::vector<int32_t>{7, 11, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(document.ReadEqBands(13).empty());
}

TEST_F(ProfileDocumentTest, HeadsetMissingBandsAreWrittenAsZeros) {
    CHs6533Profiledata document;
    LoadDevice(document, "{}");
    EXPECT_EQ(document.ReadEqBands(4), std::vector<int32_t>(10, 0));
    const Json::Value& presets = document.GetDeviceObject()["EQHzValueInfo"];
    ASSERT_EQ(presets.size(), 5u);
    ASSERT_EQ(presets[4].size(), 10u);
    EXPECT_EQ(presets[4][9]["value"], Json::Value(0));

    document.WriteEqBands(13, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    EXPECT_EQ(document.GetDeviceObject()["EQHzValueInfo"].size(), 5u) << "custom writes nothing";
    document.WriteCustomEqBands(1, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    EXPECT_EQ(document.ReadCustomEqBands(1), (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(document.ReadCustomEqBands(0), std::vector<int32_t>(10, 0));
    EXPECT_TRUE(document.ReadCustomEqBands(1000000).empty());
}

TEST_F(ProfileDocumentTest, HeadsetSettingsAndCustomNamesRoundTrip) {
    CHs6533Profiledata document;
    LoadDevice(document, R"({"CustomEQNameInfo": [{"Name": "Old 1"}, {"Name": "Old 2"}]})");
    EXPECT_EQ(document.ReadCustomEqNames(), (std::vector<std::string>{"Old 1", "Old 2"}));
    document.WriteCustomEqNames({"Bass 低音"});
    const CHs6533Profiledata::Settings settings{1, 2, 13, 0, 1, 80, 0, 50};
    document.WriteHeadsetSettings(settings);
    ASSERT_EQ(document.Save(), 0);

    CHs6533Profiledata reloaded;
    Prepare(reloaded);
    reloaded.Load(m_profile);
    EXPECT_EQ(reloaded.ReadCustomEqNames(), std::vector<std::string>{"Bass 低音"});
    EXPECT_EQ(reloaded.ReadHeadsetSettings(), settings);
    EXPECT_EQ(reloaded.GetDeviceObject()["SystemSetStages"]["CustomEqSeletIndex"].asInt(), 0);
}

TEST_F(ProfileDocumentTest, SectionsOfTheWrongTypeReadAsZeroAndCanBeWritten) {
    CKeyboardProfiledata document;
    LoadDevice(document, R"({"LightInfo": 5, "KeyList": {"a": 1}, "SystemStages": [1],
        "CustomLightMode": "x"})");
    EXPECT_EQ(document.ReadLightInfo(), LightInfoRecord{});
    EXPECT_TRUE(document.ReadKeyList().empty());
    EXPECT_EQ(document.ReadSystemStages(), (CKeyboardProfiledata::SystemWords{0, 0, 0}));
    EXPECT_EQ(document.ReadCustomColors(1, 2).size(), 2u);
    LightInfoRecord record;
    record.mode = 6;
    document.WriteLightInfo(record);
    document.WriteKeyAssignments({KeyEntry{}});
    EXPECT_EQ(document.ReadLightInfo().mode, 6);
    EXPECT_EQ(document.ReadKeyList().size(), 1u);
}

// ---- Files the document must not write over, and other writers ----

TEST_F(ProfileDocumentTest, UnreadableProfileIsNeitherReplacedByDefaultsNorSavedOver) {
    EXPECT_ORDINARY_USER_RUN(RunAsOrdinaryUser([](const std::string& folder) {
        const std::string defaults = folder + "default.Json";
        const std::string path = folder + "2020_01_01_00_00_00_000.Json";
        WriteText(defaults, R"({"Device": [{"LightInfo": {"SelectItem": 3}}]})");
        const std::string mine = R"({"Device": [{"LightInfo": {"SelectItem": 9}}]})";
        WriteText(path, mine);
        ::chmod(path.c_str(), 0);
        CBasicProfiledata document;
        document.SetDefaultPath(defaults);
        document.SetProfilePath(path);
        CHILD_CHECK(document.Load(path).isNull());
        CHILD_CHECK(document.GetLastFailure() == "cannot read " + path + ": Permission denied");
        LightInfoRecord record;
        record.mode = 4;
        document.WriteLightInfo(record);
        CHILD_CHECK(document.Save() == 1);
        CHILD_CHECK(!document.GetLastFailure().empty());
        ::chmod(path.c_str(), 0600);
        CHILD_CHECK(ReadText(path) == mine);
        CHILD_CHECK(!std::filesystem::exists(path + ".bad"));
        // Readable again: the next load takes the file as it is.
        CHILD_CHECK(document.Load(path)["LightInfo"]["SelectItem"].asInt() == 9);
        return 0;
    }));
}

TEST_F(ProfileDocumentTest, OversizedProfileIsRefusedAndKept) {
    const std::string big =
        "{\"Device\": [{\"Pad\": \"" + std::string(profile::kDocumentCap, 'a') + "\"}]}";
    WriteText(m_profile, big);
    CBasicProfiledata document;
    Prepare(document);
    EXPECT_TRUE(document.Load(m_profile).isNull());
    EXPECT_NE(document.GetLastFailure().find("too large"), std::string::npos)
        << document.GetLastFailure();
    EXPECT_EQ(document.Save(), 1);
    EXPECT_EQ(ReadText(m_profile).size(), big.size());
}

// The app has the profile loaded while another process (veldmarkctl, a second
// copy) changes another section: the app's next save keeps that change
// instead of writing its stale copy over it.
TEST_F(ProfileDocumentTest, SaveAfterAnotherProcessChangedTheFileKeepsTheirSections) {
    CMouseProfiledata document;
    LoadDevice(document, R"({"LightInfo": {"SelectItem": 1}, "DPIStages": {"StageActive": 0}})");
    const pid_t other = ::fork();
    ASSERT_GE(other, 0);
    if (other == 0) {
        CMouseProfiledata theirs;
        Prepare(theirs);
        theirs.Load(m_profile);
        theirs.WriteActiveStage(3);
        ::_exit(theirs.Save());
    }
    int status = 0;
    ::waitpid(other, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    LightInfoRecord record;
    record.mode = 5;
    document.WriteLightInfo(record);
    ASSERT_EQ(document.Save(), 0);
    EXPECT_TRUE(document.TakeReloaded());
    const Json::Value device = ReadJson(m_profile)["Device"][0];
    EXPECT_EQ(device["LightInfo"]["SelectItem"].asInt(), 5);
    EXPECT_EQ(device["DPIStages"]["StageActive"].asInt(), 3) << "their change survives";
    EXPECT_EQ(document.GetDeviceObject()["DPIStages"]["StageActive"].asInt(), 3);

    record.mode = 6;
    document.WriteLightInfo(record);
    ASSERT_EQ(document.Save(), 0);
    EXPECT_FALSE(document.TakeReloaded()) << "our own write is no other writer's";
}

}  // namespace
