#include "profile/profile_list.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>

#include <filesystem>
#include <set>

#include "profile/profile_paths.h"
#include "tests/profile/profile_test_support.h"

namespace {

using profile::ProfileList;
using profile::ProfileResult;

class ProfileListTest : public TempHomeTest {
  protected:
    void SetUp() override {
        TempHomeTest::SetUp();
        m_folder = profile::ProfileFolder("HD");
        m_default = Root() + "HD.Json";
        WriteJson(m_default, ParseJson(R"({"Device": [{"LightInfo": {"SelectItem": 1},
            "CustomEQNameInfo": [], "CustomEQHzValueInfo": []}]})"));
    }
    ProfileList Open(int kind = 2) {
        ProfileList list;
        list.SetPaths(m_folder, m_default);
        list.SetDeviceKind(kind);
        EXPECT_TRUE(list.InitProfiles().Ok());
        return list;
    }
    std::vector<std::string> Names(const ProfileList& list) const {
        std::vector<std::string> names;
        for (const auto& entry : list.GetEntries()) {
            names.push_back(entry.name);
        }
        return names;
    }
    Json::Value Document(const ProfileList& list, size_t index) const {
        return ReadJson(list.DocumentPath(list.GetEntries()[index].uuid));
    }
    void RenameSelected(ProfileList& list, const std::string& name) {
        ASSERT_TRUE(list.RenameProfile(name).Ok());
    }

    std::string m_folder;
    std::string m_default;
};

// ---- First start and the list file ----

TEST_F(ProfileListTest, FirstStartCreatesProfileOneFromTheDefaults) {
    ProfileList list = Open();
    ASSERT_EQ(Names(list), std::vector<std::string>{"Profile 1"});
    EXPECT_EQ(list.GetSelectedIndex(), 0);
    const Json::Value file = ReadJson(m_folder + "ProfileList.ini");
    EXPECT_EQ(file["profileselect"].asInt(), 0);
    ASSERT_EQ(file["profilelist"].size(), 1u);
    const Json::Value& entry = file["profilelist"][0];
    EXPECT_EQ(entry["profilename"].asString(), "Profile 1");
    EXPECT_EQ(entry["profileUUID"].asString(), list.GetSelectedId());
    EXPECT_EQ(entry["profileislink"].asInt(), 0);
    EXPECT_EQ(entry["profilelinkmame"].asString(), "");

    Json::Value expected = ReadJson(m_default);
    expected["profilename"] = "Profile 1";
    expected["profileUUID"] = list.GetSelectedId();
    EXPECT_EQ(Document(list, 0), expected);
}

TEST_F(ProfileListTest, DamagedListIsKeptAsideAndReplaced) {
    WriteText(m_folder + "ProfileList.ini", "{\"profilelist\": [ {\"profilename\": ");
    ProfileList list = Open();
    EXPECT_EQ(Names(list), std::vector<std::string>{"Profile 1"});
    EXPECT_EQ(ReadText(m_folder + "ProfileList.ini.bad"), "{\"profilelist\": [ {\"profilename\": ");
}

TEST_F(ProfileListTest, EmptyListFileOrEmptyListStartsOverWithProfileOne) {
    for (const char* text : {"", "{\"profilelist\": [], \"profileselect\": 4}"}) {
        std::filesystem::remove_all(m_folder);
        std::filesystem::create_directories(m_folder);
        WriteText(m_folder + "ProfileList.ini", text);
        ProfileList list = Open();
        EXPECT_EQ(Names(list), std::vector<std::string>{"Profile 1"}) << text;
        EXPECT_EQ(ReadJson(list.ListPath())["profileselect"].asInt(), 0);
        EXPECT_EQ(Document(list, 0)["Device"], ReadJson(m_default)["Device"]);
    }
}

TEST_F(ProfileListTest, EntriesWhoseUuidLeavesTheFolderAreDropped) {
    WriteJson(m_folder + "ProfileList.ini", ParseJson(R"({"profileselect": 1, "profilelist": [
        {"profilename": "Evil", "profileUUID": "../../escape"},
        {"profilename": "Good", "profileUUID": "2020_01_01_00_00_00_000"},
        {"profilename": "Twin", "profileUUID": "2020_01_01_00_00_00_000"},
        {"profilename": "Root", "profileUUID": "/etc/passwd"}]})"));
    ProfileList list = Open();
    EXPECT_EQ(Names(list), std::vector<std::string>{"Good"});
    EXPECT_EQ(list.GetSelectedIndex(), 0) << "a stored selection out of range falls back to 0";
    EXPECT_FALSE(std::filesystem::exists(Root() + "data/escape.Json"));
    EXPECT_EQ(ReadJson(m_folder + "ProfileList.ini")["profilelist"].size(), 1u);
}

TEST_F(ProfileListTest, EveryOperationSeesChangesMadeByAnotherWriter) {
    ProfileList app = Open();
    ProfileList tool = Open();
    ASSERT_TRUE(tool.AddProfile().Ok());
    ASSERT_TRUE(app.AddProfile().Ok());
    EXPECT_EQ(Names(app), (std::vector<std::string>{"Profile 1", "Profile 2", "Profile 3"}));
    ASSERT_TRUE(tool.SelectProfile(0).Ok());
    EXPECT_EQ(ReadJson(tool.ListPath())["profilelist"].size(), 3u);
}

TEST_F(ProfileListTest, SelectionSurvivesARestartAndIndexesOutsideTheListAreRefused) {
    ProfileList list = Open();
    ASSERT_TRUE(list.AddProfile().Ok());
    ASSERT_TRUE(list.AddProfile().Ok());
    ASSERT_TRUE(list.SelectProfile(1).Ok());
    EXPECT_EQ(list.GetSelectedId(), list.GetEntries()[1].uuid);
    for (const int index : {3, -1}) {
        EXPECT_EQ(list.SelectProfile(index).result, ProfileResult::Refused) << index;
    }
    EXPECT_EQ(list.GetSelectedIndex(), 1);
    EXPECT_EQ(ReadJson(list.ListPath())["profileselect"].asInt(), 1);

    ProfileList restarted = Open();
    EXPECT_EQ(restarted.GetSelectedIndex(), 1);
    EXPECT_EQ(restarted.GetSelectedId(), list.GetSelectedId());
}

// ---- Add, copy and import names ----

TEST_F(ProfileListTest, AddTakesTheSmallestFreeNumberIgnoringCase) {
    ProfileList list = Open();
    ASSERT_TRUE(list.AddProfile().Ok());
    ASSERT_TRUE(list.AddProfile().Ok());
    RenameSelected(list, "Third");
    RenameSelected(list, "profile 3");
    ASSERT_TRUE(list.SelectProfile(1).Ok());
    RenameSelected(list, "Other");
    const auto added = list.AddProfile();
    ASSERT_TRUE(added.Ok());
    EXPECT_EQ(added.detail, "Profile 2");
    EXPECT_EQ(Names(list),
              (std::vector<std::string>{"Profile 1", "Other", "profile 3", "Profile 2"}));
    EXPECT_EQ(list.GetSelectedIndex(), 3);
    EXPECT_EQ(ReadJson(list.ListPath())["profileselect"].asInt(), 3);
    EXPECT_EQ(Document(list, 3)["profilename"].asString(), "Profile 2");
}

TEST_F(ProfileListTest, FiftyFirstAddIsRefusedButCopyAndImportStillWork) {
    ProfileList list = Open();
    for (int i = 1; i < ProfileList::kMaxProfiles; ++i) {
        ASSERT_TRUE(list.AddProfile().Ok()) << i;
    }
    const auto refused = list.AddProfile();
    EXPECT_EQ(refused.result, ProfileResult::Refused);
    EXPECT_EQ(list.GetEntries().size(), 50u);
    EXPECT_EQ(ReadJson(list.ListPath())["profilelist"].size(), 50u);
    EXPECT_TRUE(list.CopyProfile().Ok());
    ASSERT_EQ(list.ExportProfile(Root() + "export.json").result, ProfileResult::Done);
    EXPECT_TRUE(list.ImportProfile(Root() + "export.json").Ok());
    EXPECT_EQ(list.GetEntries().size(), 52u);
}

TEST_F(ProfileListTest, NewProfileNeverReusesTheTimeStampOfAnExistingDocument) {
    ProfileList list = Open();
    // Documents named by every millisecond around now, as if profiles had
    // been created in the same milliseconds as the next one.
    const auto now = std::chrono::system_clock::now();
    std::set<std::string> taken;
    for (int ms = -20; ms < 1500; ++ms) {
        const std::string id = CJsonFile::MakeTimeStampId(now + std::chrono::milliseconds(ms));
        if (id != list.GetSelectedId() && taken.insert(id).second) {
            WriteText(list.DocumentPath(id), "taken");
        }
    }
    ASSERT_TRUE(list.AddProfile().Ok());
    ASSERT_TRUE(list.CopyProfile().Ok());
    std::set<std::string> ids;
    for (const auto& entry : list.GetEntries()) {
        EXPECT_EQ(taken.count(entry.uuid), 0u) << entry.uuid;
        ids.insert(entry.uuid);
    }
    EXPECT_EQ(ids.size(), 3u);
    for (const std::string& id : taken) {
        if (ReadText(list.DocumentPath(id)) != "taken") {
            ADD_FAILURE() << "document " << id << " was overwritten";
            break;
        }
    }
}

TEST_F(ProfileListTest, CopyAppendsCopyAgainWhileTheNameIsTaken) {
    ProfileList list = Open();
    RenameSelected(list, "Game");
    Json::Value source = Document(list, 0);
    source["Device"][0]["LightInfo"]["SelectItem"] = 6;
    WriteJson(list.DocumentPath(list.GetSelectedId()), source);

    ASSERT_EQ(list.CopyProfile().detail, "Game Copy");
    ASSERT_EQ(list.CopyProfile().detail, "Game Copy Copy");
    EXPECT_EQ(list.GetSelectedIndex(), 0) << "copying keeps the selection";
    const Json::Value copy = Document(list, 2);
    EXPECT_EQ(copy["profilename"].asString(), "Game Copy Copy");
    EXPECT_EQ(copy["profileUUID"].asString(), list.GetEntries()[2].uuid);
    EXPECT_EQ(copy["Device"][0]["LightInfo"]["SelectItem"].asInt(), 6);
}

TEST_F(ProfileListTest, ImportAppendsNumberedSuffixesAndNewUuid) {
    ProfileList list = Open();
    RenameSelected(list, "Game");
    ASSERT_TRUE(list.AddProfile().Ok());
    RenameSelected(list, "game(1)");
    WriteJson(Root() + "in.json", ParseJson(R"({"profilename": "Game", "profileUUID": "x",
        "Device": [{"LightInfo": {"SelectItem": 9}}], "extra": 1})"));
    const auto imported = list.ImportProfile(Root() + "in.json");
    ASSERT_TRUE(imported.Ok());
    EXPECT_EQ(imported.detail, "Game(1)(2)");
    const Json::Value document = Document(list, 2);
    EXPECT_EQ(document["profilename"].asString(), "Game(1)(2)");
    EXPECT_NE(document["profileUUID"].asString(), "x");
    EXPECT_EQ(document["Device"][0]["LightInfo"]["SelectItem"].asInt(), 9);
    EXPECT_EQ(document["extra"].asInt(), 1);
}

TEST_F(ProfileListTest, ImportIgnoresFilesThatAreNotProfiles) {
    ProfileList list = Open();
    WriteJson(Root() + "a.json", ParseJson(R"({"profilename": "A"})"));
    WriteJson(Root() + "b.json", ParseJson(R"({"profileUUID": "B"})"));
    WriteText(Root() + "c.json", "not json");
    WriteJson(Root() + "d.json", ParseJson(R"([{"profilename": "A", "profileUUID": "B"}])"));
    for (const char* name : {"a.json", "b.json", "c.json", "d.json", "missing.json"}) {
        EXPECT_EQ(list.ImportProfile(Root() + name).result, ProfileResult::InvalidInput) << name;
    }
    EXPECT_EQ(list.ImportProfile("").result, ProfileResult::Unchanged);
    EXPECT_EQ(list.GetEntries().size(), 1u);
}

// ---- Delete, rename, reset, export ----

TEST_F(ProfileListTest, DeletingTheFirstOfThreeSelectsTheNewFirstAndRemovesItsFile) {
    ProfileList list = Open();
    ASSERT_TRUE(list.AddProfile().Ok());
    ASSERT_TRUE(list.AddProfile().Ok());
    ASSERT_TRUE(list.SelectProfile(0).Ok());
    const std::string removed = list.DocumentPath(list.GetSelectedId());
    ASSERT_TRUE(std::filesystem::exists(removed));
    ASSERT_TRUE(list.DeleteProfile().Ok());
    EXPECT_FALSE(std::filesystem::exists(removed));
    EXPECT_EQ(Names(list), (std::vector<std::string>{"Profile 2", "Profile 3"}));
    EXPECT_EQ(list.GetSelectedIndex(), 0);
    EXPECT_EQ(ReadJson(list.ListPath())["profileselect"].asInt(), 0);

    ASSERT_TRUE(list.SelectProfile(1).Ok());
    ASSERT_TRUE(list.DeleteProfile().Ok());
    EXPECT_EQ(list.GetSelectedIndex(), 0) << "the previous profile becomes selected";
    EXPECT_EQ(list.DeleteProfile().result, ProfileResult::Refused);
    EXPECT_EQ(Names(list), std::vector<std::string>{"Profile 2"});
    EXPECT_TRUE(std::filesystem::exists(list.DocumentPath(list.GetSelectedId())));
}

TEST_F(ProfileListTest, RenameToAnyTakenNameInOtherCaseShowsTheClashMessage) {
    ProfileList list = Open();
    ASSERT_TRUE(list.AddProfile().Ok());
    for (const char* name : {"PROFILE 2", "profile 1"}) {
        const auto outcome = list.RenameProfile(name);
        EXPECT_EQ(outcome.result, ProfileResult::NameClash) << name;
        EXPECT_EQ(outcome.messageKey, "message_text_5");
    }
    EXPECT_EQ(list.RenameProfile("").result, ProfileResult::Unchanged);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"Profile 1", "Profile 2"}));

    RenameSelected(list, "Ünïcödé 名字");
    EXPECT_EQ(ReadJson(list.ListPath())["profilelist"][1]["profilename"].asString(),
              "Ünïcödé 名字");
    EXPECT_EQ(Document(list, 1)["profilename"].asString(), "Ünïcödé 名字");
    EXPECT_EQ(Document(list, 1)["Device"][0]["LightInfo"]["SelectItem"].asInt(), 1)
        << "renaming keeps the document's settings";
}

TEST_F(ProfileListTest, ResetOfAHeadsetKeepsItsCustomEqualiserPresets) {
    ProfileList list = Open(7);
    Json::Value document = Document(list, 0);
    Json::Value& device = document["Device"][0];
    device["LightInfo"]["SelectItem"] = 8;
    device["SystemSetStages"]["EqType"] = 13;
    device["CustomEQNameInfo"][0]["Name"] = "Mine";
    device["CustomEQHzValueInfo"][0][0]["value"] = 5;
    WriteJson(list.DocumentPath(list.GetSelectedId()), document);

    ASSERT_TRUE(list.RestoreDefaults().Ok());
    const Json::Value reset = Document(list, 0);
    EXPECT_EQ(reset["Device"][0]["LightInfo"]["SelectItem"].asInt(), 1);
    EXPECT_TRUE(reset["Device"][0]["SystemSetStages"].isNull());
    EXPECT_EQ(reset["Device"][0]["CustomEQNameInfo"][0]["Name"].asString(), "Mine");
    EXPECT_EQ(reset["Device"][0]["CustomEQHzValueInfo"][0][0]["value"].asInt(), 5);
    EXPECT_EQ(reset["profilename"].asString(), "Profile 1");
    EXPECT_EQ(reset["profileUUID"].asString(), list.GetSelectedId());

    ProfileList mouse = Open(2);
    WriteJson(mouse.DocumentPath(mouse.GetSelectedId()), document);
    ASSERT_TRUE(mouse.RestoreDefaults().Ok());
    EXPECT_EQ(Document(mouse, 0)["Device"][0]["CustomEQNameInfo"].size(), 0u)
        << "other kinds restore every section";
}

TEST_F(ProfileListTest, ResetWithoutAReadableDefaultDocumentLeavesTheProfileAlone) {
    ProfileList list = Open();
    const std::string path = list.DocumentPath(list.GetSelectedId());
    Json::Value document = Document(list, 0);
    document["Device"][0]["LightInfo"]["SelectItem"] = 9;
    WriteJson(path, document);
    const std::string before = ReadText(path);
    for (const char* text : {"{\"Device\": [", "[1, 2]"}) {
        WriteText(m_default, text);
        EXPECT_EQ(list.RestoreDefaults().result, ProfileResult::Refused) << text;
        EXPECT_EQ(ReadText(path), before) << text;
    }
    std::filesystem::remove(m_default);
    EXPECT_EQ(list.RestoreDefaults().result, ProfileResult::Refused);
    EXPECT_EQ(ReadText(path), before);
}

TEST_F(ProfileListTest, ListThatCannotBeWrittenTakesTheNewDocumentBack) {
    ProfileList list = Open();
    ASSERT_TRUE(list.AddProfile().Ok());
    const auto documents = [&] {
        size_t count = 0;
        for (const auto& file : std::filesystem::directory_iterator(m_folder)) {
            count += file.path().extension() == ".Json" ? 1 : 0;
        }
        return count;
    };
    // A folder in the list file's place: it cannot be read, so nothing is
    // written in its place.
    std::filesystem::remove(list.ListPath());
    std::filesystem::create_directory(list.ListPath());
    for (const auto& outcome : {list.AddProfile(), list.CopyProfile(), list.DeleteProfile()}) {
        EXPECT_EQ(outcome.result, ProfileResult::ReadFailed);
        EXPECT_NE(outcome.detail.find(list.ListPath()), std::string::npos) << outcome.detail;
    }
    EXPECT_EQ(Names(list), (std::vector<std::string>{"Profile 1", "Profile 2"}));
    EXPECT_EQ(list.GetSelectedIndex(), 1);
    EXPECT_EQ(documents(), 2u) << "no document is orphaned, none is deleted while still listed";

    std::filesystem::remove(list.ListPath());
    ASSERT_TRUE(list.AddProfile().Ok()) << "the list in memory stands in for the lost file";
    EXPECT_EQ(ReadJson(list.ListPath())["profilelist"].size(), 3u);
    EXPECT_EQ(documents(), 3u);
}

TEST_F(ProfileListTest, ExportWritesTheSelectedDocumentAsLoadedWithItsNames) {
    ProfileList list = Open();
    std::filesystem::remove(list.DocumentPath(list.GetSelectedId()));
    ASSERT_TRUE(list.ExportProfile(Root() + "out.json").Ok());
    const Json::Value exported = ReadJson(Root() + "out.json");
    EXPECT_EQ(exported["profilename"].asString(), "Profile 1");
    EXPECT_EQ(exported["Device"][0]["LightInfo"]["SelectItem"].asInt(), 1);
    EXPECT_EQ(list.ExportProfile("").result, ProfileResult::Unchanged);
    EXPECT_EQ(list.ExportProfile(Root() + "no/such/dir/out.json").result,
              ProfileResult::WriteFailed);

    ProfileList none;  // never initialised: nothing is selected
    none.SetPaths(Root() + "empty/", m_default);
    EXPECT_EQ(none.ExportProfile(Root() + "none.json").result, ProfileResult::Refused);
    EXPECT_FALSE(std::filesystem::exists(Root() + "none.json"));
}

// ---- Files that cannot be read, are too large or hold refused entries ----

// A list the user cannot read (permissions, too many open files) is not an
// empty one: nothing is created, rewritten or kept aside, and the reason
// names the file.
TEST_F(ProfileListTest, UnreadableListIsNeverWrittenOverNorReplacedByProfileOne) {
    EXPECT_ORDINARY_USER_RUN(RunAsOrdinaryUser([this](const std::string& folder) {
        const std::string profiles = folder + "HD/";
        std::filesystem::create_directories(profiles);
        const std::string listPath = profiles + "ProfileList.ini";
        const std::string text = R"({"profilelist": [{"profilename": "Mine",
            "profileUUID": "2020_01_01_00_00_00_000"}], "profileselect": 0})";
        WriteText(listPath, text);
        WriteText(profiles + "2020_01_01_00_00_00_000.Json", "{\"Device\": [{}]}");
        ::chmod(listPath.c_str(), 0);
        ProfileList list;
        list.SetPaths(profiles, m_default);
        const auto outcome = list.InitProfiles();
        CHILD_CHECK(outcome.result == ProfileResult::ReadFailed);
        CHILD_CHECK(outcome.detail == "cannot read " + listPath + ": Permission denied");
        CHILD_CHECK(list.AddProfile().result == ProfileResult::ReadFailed);
        CHILD_CHECK(list.GetEntries().empty() && list.GetSelectedId().empty());
        struct stat info {};
        ::stat(listPath.c_str(), &info);
        CHILD_CHECK((info.st_mode & 0777) == 0);
        ::chmod(listPath.c_str(), 0600);
        CHILD_CHECK(ReadText(listPath) == text);
        size_t files = 0;
        for (const auto& entry : std::filesystem::directory_iterator(profiles)) {
            files += entry.path().filename().string()[0] != '.' ? 1 : 0;
        }
        CHILD_CHECK(files == 2);

        // Out of descriptors: the same refusal, not a fresh "Profile 1".
        rlimit old{};
        ::getrlimit(RLIMIT_NOFILE, &old);
        rlimit none = old;
        none.rlim_cur = 3;
        ::setrlimit(RLIMIT_NOFILE, &none);
        ProfileList starved;
        starved.SetPaths(profiles, m_default);
        const auto refused = starved.SelectProfile(0);
        ::setrlimit(RLIMIT_NOFILE, &old);
        CHILD_CHECK(refused.result == ProfileResult::WriteFailed ||
                    refused.result == ProfileResult::ReadFailed);
        CHILD_CHECK(refused.detail.find("Too many open files") != std::string::npos);
        CHILD_CHECK(ReadText(listPath) == text);
        return 0;
    }));
}

TEST_F(ProfileListTest, UnreadableDocumentIsLeftAloneByRenameCopyResetAndExport) {
    EXPECT_ORDINARY_USER_RUN(RunAsOrdinaryUser([this](const std::string& folder) {
        ProfileList list;
        std::filesystem::create_directories(folder + "HD/");
        list.SetPaths(folder + "HD/", m_default);
        CHILD_CHECK(list.InitProfiles().Ok());
        const std::string path = list.DocumentPath(list.GetSelectedId());
        const std::string before = ReadText(path);
        ::chmod(path.c_str(), 0);
        for (const auto& outcome : {list.RenameProfile("Other"), list.CopyProfile(),
                                    list.RestoreDefaults(), list.ExportProfile(folder + "x")}) {
            CHILD_CHECK(outcome.result == ProfileResult::ReadFailed);
            CHILD_CHECK(outcome.detail.find(path) != std::string::npos);
        }
        CHILD_CHECK(list.GetEntries().size() == 1 && list.GetEntries()[0].name == "Profile 1");
        ::chmod(path.c_str(), 0600);
        CHILD_CHECK(ReadText(path) == before);
        return 0;
    }));
}

TEST_F(ProfileListTest, OversizedListAndImportAreRefusedAndKept) {
    ProfileList list = Open();
    const std::string big = "{\"profilename\": \"Big\", \"profileUUID\": \"x\", \"pad\": \"" +
                            std::string(profile::kDocumentCap, 'a') + "\"}";
    WriteText(Root() + "big.json", big);
    const auto imported = list.ImportProfile(Root() + "big.json");
    EXPECT_EQ(imported.result, ProfileResult::ReadFailed);
    EXPECT_NE(imported.detail.find("too large"), std::string::npos) << imported.detail;
    EXPECT_EQ(list.GetEntries().size(), 1u);

    const std::string listText = big;
    WriteText(list.ListPath(), listText);
    ProfileList again;
    again.SetPaths(m_folder, m_default);
    EXPECT_EQ(again.InitProfiles().result, ProfileResult::ReadFailed);
    EXPECT_EQ(list.AddProfile().result, ProfileResult::ReadFailed);
    EXPECT_EQ(ReadText(list.ListPath()), listText);
    EXPECT_FALSE(std::filesystem::exists(list.ListPath() + ".bad"));
}

// Entries whose identifier is not a time stamp in plain ASCII (a path, a
// repeat, bytes that are not UTF-8) are refused and kept in ".bad": never
// rewritten as a "repaired" identifier that names another file.
TEST_F(ProfileListTest, RefusedEntriesAreKeptAsideBeforeTheListIsRewritten) {
    const std::string broken = "2020_01_01_00_00_00_00\xff";
    const std::string text =
        "{\"profileselect\": 0, \"profilelist\": ["
        "{\"profilename\": \"Good\", \"profileUUID\": "
        "\"2020_01_01_00_00_00_000\"},"
        "{\"profilename\": \"Broken\", \"profileUUID\": \"" +
        broken + "\"}]}";
    WriteText(m_folder + "ProfileList.ini", text);
    WriteText(m_folder + broken + ".Json", "{\"Device\": [{\"LightInfo\": {\"SelectItem\": 7}}]}");
    ProfileList list;
    list.SetPaths(m_folder, m_default);
    const auto opened = list.InitProfiles();
    ASSERT_TRUE(opened.Ok());
    ASSERT_EQ(opened.notices.size(), 2u);
    EXPECT_NE(opened.notices[0].find("refused 1 entry"), std::string::npos) << opened.notices[0];
    EXPECT_NE(opened.notices[0].find("\\xff"), std::string::npos) << "shown escaped";
    EXPECT_NE(opened.notices[1].find("ProfileList.ini.bad"), std::string::npos);
    EXPECT_EQ(ReadText(m_folder + "ProfileList.ini.bad"), text);
    ASSERT_TRUE(list.AddProfile().Ok());
    EXPECT_EQ(Names(list), (std::vector<std::string>{"Good", "Profile 1"}));
    const std::string listed = ReadText(list.ListPath());
    EXPECT_EQ(listed.find("\xEF\xBF\xBD"), std::string::npos) << "no U+FFFD identifier";
    EXPECT_TRUE(std::filesystem::exists(m_folder + broken + ".Json"));
    for (const auto& file : std::filesystem::directory_iterator(m_folder)) {
        EXPECT_EQ(file.path().filename().string().find("\xEF\xBF\xBD"), std::string::npos);
    }
}

TEST_F(ProfileListTest, DocumentWhoseRootIsNotAnObjectIsKeptAsideOnRename) {
    ProfileList list = Open();
    const std::string path = list.DocumentPath(list.GetSelectedId());
    WriteText(path, "[1, 2, 3]");
    const auto renamed = list.RenameProfile("Mine");
    ASSERT_TRUE(renamed.Ok());
    EXPECT_EQ(ReadText(path + ".bad"), "[1, 2, 3]");
    ASSERT_EQ(renamed.notices.size(), 1u);
    EXPECT_NE(renamed.notices[0].find(path + ".bad"), std::string::npos) << renamed.notices[0];
    EXPECT_EQ(ReadJson(path)["profilename"].asString(), "Mine");
}

TEST_F(ProfileListTest, StaleTemporariesOfAKilledWriterGoWhenTheFolderIsNextLocked) {
    ProfileList list = Open();
    const std::string stale = m_folder + ".ProfileList.ini.tmp-99999-3";
    const std::string fresh = m_folder + ".ProfileList.ini.tmp-99999-4";
    WriteText(stale, "half a list");
    WriteText(fresh, "being written");
    const timeval old{std::time(nullptr) - 120, 0};
    const timeval times[2] = {old, old};
    ::utimes(stale.c_str(), times);
    ASSERT_TRUE(list.AddProfile().Ok());
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_TRUE(std::filesystem::exists(fresh));
}

}  // namespace
