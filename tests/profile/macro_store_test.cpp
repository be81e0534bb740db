// The macro list and event files: names, limits, import and export, stale
// views, and files that are damaged, unreadable or point outside the folder.

#include "profile/macro_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "profile_test_support.h"

namespace {

namespace fs = std::filesystem;
using profile::FileStatus;
using profile::MacroResult;
using profile::MacroStore;

std::string SameCase(std::string name) {
    std::transform(name.begin(), name.end(), name.begin(), ::tolower);
    return name;
}

class MacroStoreTest : public TempHomeTest {
  protected:
    void SetUp() override {
        TempHomeTest::SetUp();
        m_folder = Root() + "mouse/";
        fs::create_directories(m_folder);
        m_store.SetFolder(m_folder);
    }
    std::string ListPath() const { return m_folder + "macro.config"; }
    void WriteNames(const std::vector<std::string>& names) {
        Json::Value list(Json::objectValue);
        list["MacroInfo"] = Json::Value(Json::arrayValue);
        int n = 0;
        for (const std::string& name : names) {
            Json::Value element;
            element["MacroName"] = name;
            element["Guid"] = "guid_" + std::to_string(n++);
            list["MacroInfo"].append(element);
        }
        WriteJson(ListPath(), list);
        m_store.Load();
    }
    static Json::Value TwoEvents() {
        Json::Value events(Json::arrayValue);
        events.append(macro::MakeEvent(true, 10, 4, 250));
        Json::Value second = macro::MakeEvent(false, 10, 4, 0);
        second["Delay"] = 0;  // as the editor may hold it
        events.append(second);
        return events;
    }
    // Files of the folder, without the folder's lock file.
    size_t FileCount() const {
        size_t count = 0;
        for (const auto& entry : fs::directory_iterator(m_folder)) {
            count += entry.path().filename() != profile::kLockFileName ? 1 : 0;
        }
        return count;
    }

    std::string m_folder;
    MacroStore m_store;
};

TEST_F(MacroStoreTest, NamesANewMacroWithTheLowestFreeNumberInAnyLetterCase) {
    WriteNames({"Macro_1", "macro_3"});
    EXPECT_EQ(m_store.NextName(), "Macro_2");
    ASSERT_TRUE(m_store.Add().Ok());
    const auto added = m_store.Add();
    ASSERT_TRUE(added.Ok());
    EXPECT_EQ(added.detail, "Macro_4");
    MacroStore reread;
    reread.SetFolder(m_folder);
    reread.Load();
    ASSERT_EQ(reread.Count(), 4);
    EXPECT_EQ(reread.GetMacros()[2].name, "Macro_2");
    EXPECT_NE(reread.GetMacros()[2].guid, reread.GetMacros()[3].guid);
    // No event file until the first save.
    EXPECT_FALSE(fs::exists(reread.EventFilePath(3)));
}

TEST_F(MacroStoreTest, TheFiftyFirstMacroIsRefusedAndNothingIsWritten) {
    std::vector<std::string> names;
    for (int i = 1; i <= 50; ++i) {
        names.push_back("Macro_" + std::to_string(i));
    }
    WriteNames(names);
    const std::string before = ReadText(ListPath());
    const auto outcome = m_store.Add();
    EXPECT_EQ(outcome.result, MacroResult::Refused);
    EXPECT_EQ(outcome.messageKey, MacroStore::kLimitMessage);
    EXPECT_EQ(ReadText(ListPath()), before);

    const std::string source = Root() + "in.mac";
    WriteText(source, R"({"Events": [], "MacroName": "Fire"})");
    const auto imported = m_store.Import(source);
    EXPECT_EQ(imported.result, MacroResult::Refused);
    EXPECT_EQ(imported.messageKey, MacroStore::kLimitMessage);
    EXPECT_EQ(ReadText(ListPath()), before);
    EXPECT_EQ(FileCount(), 1u);
}

TEST_F(MacroStoreTest, RenameRefusesSpacesAndNamesTakenInAnotherLetterCase) {
    WriteNames({"Jump", "Fire"});
    const std::string before = ReadText(ListPath());
    auto outcome = m_store.Rename(0, "Double jump");
    EXPECT_EQ(outcome.result, MacroResult::Unchanged);
    EXPECT_EQ(outcome.detail, MacroStore::kEmptyNameMarker);
    EXPECT_EQ(m_store.Rename(0, "").result, MacroResult::Unchanged);
    outcome = m_store.Rename(0, "FIRE");
    EXPECT_EQ(outcome.result, MacroResult::NameClash);
    EXPECT_EQ(outcome.messageKey, "message_text_5");
    EXPECT_EQ(m_store.Rename(0, "jump").result, MacroResult::NameClash);
    EXPECT_EQ(m_store.Rename(0, "Bad\tname").result, MacroResult::InvalidInput);
    EXPECT_EQ(ReadText(ListPath()), before);

    ASSERT_TRUE(m_store.Rename(1, "Burst").Ok());
    EXPECT_EQ(ReadJson(ListPath())["MacroInfo"][1]["MacroName"].asString(), "Burst");
    EXPECT_EQ(ReadJson(ListPath())["MacroInfo"][1]["Guid"].asString(), "guid_1");
}

TEST_F(MacroStoreTest, SavesDelaysAsTextWithTheListsNameAndVersion) {
    WriteNames({"Jump"});
    ASSERT_TRUE(m_store.SaveEvents(0, TwoEvents()).Ok());
    const Json::Value saved = ReadJson(m_folder + "guid_0.mac");
    EXPECT_EQ(saved["MacroName"].asString(), "Jump");
    EXPECT_EQ(saved["Guid"].asString(), "guid_0");
    EXPECT_EQ(saved["Version"].asInt(), 64);
    EXPECT_EQ(saved["Events"][0]["Delay"], Json::Value("250"));
    EXPECT_EQ(saved["Events"][1]["Delay"], Json::Value("0"));

    const auto packed = m_store.PackedEvents(0);
    ASSERT_EQ(packed.size(), 2u);
    EXPECT_EQ(packed[0], (MacroEventRecord{0xFA, 0x00, 0x8A, 0x04}));
    EXPECT_EQ(packed[1], (MacroEventRecord{0x00, 0x00, 0x0A, 0x04}));
}

TEST_F(MacroStoreTest, KeepsAtMostFourThousandEvents) {
    WriteNames({"Long"});
    Json::Value events(Json::arrayValue);
    for (int i = 0; i < 4001; ++i) {
        events.append(macro::MakeEvent(i % 2 == 0, 10, 4, 1));
    }
    ASSERT_TRUE(m_store.SaveEvents(0, events).Ok());
    EXPECT_EQ(ReadJson(m_folder + "guid_0.mac")["Events"].size(), 4000u);
    EXPECT_EQ(m_store.LoadEvents(0).size(), 4000u);
}

TEST_F(MacroStoreTest, RemovingAMacroMovesTheLaterOnesUpAndDeletesItsFile) {
    WriteNames({"a", "b", "c"});
    ASSERT_TRUE(m_store.SaveEvents(1, TwoEvents()).Ok());
    ASSERT_TRUE(fs::exists(m_folder + "guid_1.mac"));
    ASSERT_TRUE(m_store.Remove(1).Ok());
    EXPECT_FALSE(fs::exists(m_folder + "guid_1.mac"));
    const Json::Value list = ReadJson(ListPath())["MacroInfo"];
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1]["MacroName"].asString(), "c");
    EXPECT_EQ(list[1]["Guid"].asString(), "guid_2");
}

TEST_F(MacroStoreTest, AChangeRefusesWhenAnotherWriterMovedTheMacroMeanwhile) {
    WriteNames({"a", "b", "c"});
    MacroStore other;
    other.SetFolder(m_folder);
    other.Load();
    ASSERT_TRUE(other.Remove(0).Ok());
    // This store still shows "b" at 1; there is "c" now.
    EXPECT_EQ(m_store.Remove(1).result, MacroResult::Refused);
    EXPECT_EQ(ReadJson(ListPath())["MacroInfo"].size(), 2u);
    // It has read the list again and acts on what is there.
    EXPECT_EQ(m_store.GetMacros()[1].name, "c");
    EXPECT_TRUE(m_store.Remove(1).Ok());
}

TEST_F(MacroStoreTest, TwoProcessesAddingAtOnceLoseNoMacro) {
    constexpr int kEach = 20;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        MacroStore store;
        store.SetFolder(m_folder);
        int failures = 0;
        for (int i = 0; i < kEach; ++i) {
            failures += store.Add().Ok() ? 0 : 1;
        }
        ::_exit(failures);
    }
    for (int i = 0; i < kEach; ++i) {
        EXPECT_TRUE(m_store.Add().Ok());
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    MacroStore reread;
    reread.SetFolder(m_folder);
    reread.Load();
    ASSERT_EQ(reread.Count(), 2 * kEach);
    std::set<std::string> names;
    std::set<std::string> guids;
    for (const auto& info : reread.GetMacros()) {
        names.insert(SameCase(info.name));
        guids.insert(info.guid);
    }
    EXPECT_EQ(names.size(), 2u * kEach);
    EXPECT_EQ(guids.size(), 2u * kEach);
}

TEST_F(MacroStoreTest, ImportCopiesTheFileUnderANewNameAndGuid) {
    WriteNames({"Macro_1"});
    const std::string source = Root() + "fire.mac";
    const std::string text = R"({ "Events": [ {"Action": "down", "Button": 4, "Type": 10,
        "Delay": "5"} ], "Guid": "origin", "MacroName": "Fire", "Version": 64 })";
    WriteText(source, text);
    const auto outcome = m_store.Import(source);
    ASSERT_TRUE(outcome.Ok()) << outcome.detail;
    EXPECT_EQ(outcome.detail, "Macro_2");
    ASSERT_EQ(m_store.Count(), 2);
    EXPECT_NE(m_store.GetMacros()[1].guid, "origin");
    // The file still carries its origin's name until it is saved.
    EXPECT_EQ(ReadText(m_store.EventFilePath(1)), text);
    EXPECT_EQ(m_store.LoadEvents(1).size(), 1u);

    const std::string exported = Root() + "out.mac";
    ASSERT_TRUE(m_store.Export(1, exported).Ok());
    EXPECT_EQ(ReadText(exported), text);
}

TEST_F(MacroStoreTest, ImportRefusesFilesThatAreNotMacros) {
    WriteNames({"a"});
    const std::string before = ReadText(ListPath());
    for (const char* text : {"not json", "[1, 2]", R"({"Events": "many"})", ""}) {
        const std::string source = Root() + "bad.mac";
        WriteText(source, text);
        const auto outcome = m_store.Import(source);
        EXPECT_EQ(outcome.result, MacroResult::InvalidInput) << text;
        EXPECT_EQ(outcome.messageKey, MacroStore::kImportInvalidMessage);
    }
    EXPECT_EQ(m_store.Import(Root() + "absent.mac").result, MacroResult::InvalidInput);
    fs::create_directories(Root() + "folder.mac");
    EXPECT_EQ(m_store.Import(Root() + "folder.mac").result, MacroResult::InvalidInput);
    EXPECT_EQ(ReadText(ListPath()), before);
    EXPECT_EQ(FileCount(), 1u);
}

TEST_F(MacroStoreTest, ExportOfANeverSavedMacroWritesAnEmptyMacroFile) {
    WriteNames({"Fresh"});
    const std::string exported = Root() + "fresh.mac";
    ASSERT_TRUE(m_store.Export(0, exported).Ok());
    const Json::Value file = ReadJson(exported);
    EXPECT_EQ(file["MacroName"].asString(), "Fresh");
    EXPECT_TRUE(file["Events"].isArray());
    EXPECT_EQ(file["Events"].size(), 0u);
}

TEST_F(MacroStoreTest, AGuidThatIsNotAPlainNameNeverReachesAFileOutsideTheFolder) {
    const std::string outside = Root() + "victim";
    WriteText(outside + ".mac", "keep me");
    Json::Value list;
    for (const std::string& guid : std::vector<std::string>{"../victim", outside, "ok", "ok", ""}) {
        Json::Value element;
        element["MacroName"] = "m" + std::to_string(list["MacroInfo"].size());
        element["Guid"] = guid;
        list["MacroInfo"].append(element);
    }
    WriteJson(ListPath(), list);
    m_store.Load();
    // Every entry keeps its place: key assignments play macros by position.
    ASSERT_EQ(m_store.Count(), 5);
    EXPECT_TRUE(m_store.EventFilePath(0).empty());
    EXPECT_TRUE(m_store.EventFilePath(1).empty());
    EXPECT_EQ(m_store.EventFilePath(2), m_folder + "ok.mac");
    EXPECT_TRUE(m_store.EventFilePath(3).empty());  // a repeated Guid
    EXPECT_EQ(m_store.SaveEvents(1, TwoEvents()).result, MacroResult::Unchanged);
    EXPECT_EQ(m_store.Export(1, Root() + "x.mac").result, MacroResult::Done);
    ASSERT_TRUE(m_store.Remove(0).Ok());
    EXPECT_EQ(ReadText(outside + ".mac"), "keep me");
    // The entry's own text stays in the list as it was.
    EXPECT_EQ(ReadJson(ListPath())["MacroInfo"][0]["Guid"].asString(), outside);
}

TEST_F(MacroStoreTest, ADamagedListReadsEmptyAndIsKeptAsideBeforeItIsReplaced) {
    WriteText(ListPath(), "{ \"MacroInfo\": [ broken");
    EXPECT_TRUE(m_store.Load().Ok());
    EXPECT_EQ(m_store.GetListState(), FileStatus::Damaged);
    EXPECT_EQ(m_store.Count(), 0);
    ASSERT_TRUE(m_store.Add().Ok());
    EXPECT_EQ(ReadText(ListPath() + ".bad"), "{ \"MacroInfo\": [ broken");
    EXPECT_EQ(ReadJson(ListPath())["MacroInfo"].size(), 1u);
}

TEST_F(MacroStoreTest, AnUnreadableListIsNeverWrittenOver) {
    // Too large to read: refused and left as it is.
    WriteText(ListPath(), std::string(MacroStore::kMaxListBytes + 1, ' '));
    EXPECT_EQ(m_store.Load().result, MacroResult::Refused);
    EXPECT_EQ(m_store.GetListState(), FileStatus::TooLarge);
    const auto outcome = m_store.Add();
    EXPECT_EQ(outcome.result, MacroResult::Refused);
    EXPECT_NE(outcome.detail.find("too large"), std::string::npos);
    EXPECT_EQ(fs::file_size(ListPath()), MacroStore::kMaxListBytes + 1);
    EXPECT_FALSE(fs::exists(ListPath() + ".bad"));

    // Not a regular file.
    fs::remove(ListPath());
    fs::create_directories(ListPath());
    EXPECT_EQ(m_store.Add().result, MacroResult::Refused);
    EXPECT_TRUE(fs::is_directory(ListPath()));
}

TEST_F(MacroStoreTest, AnUnreadableEventFileIsNotSavedOverButADamagedOneIsKeptAside) {
    WriteNames({"a", "b"});
    WriteText(m_folder + "guid_0.mac", "garbage");
    FileStatus state = FileStatus::Ok;
    EXPECT_EQ(m_store.LoadEvents(0, &state).size(), 0u);
    EXPECT_EQ(state, FileStatus::Damaged);
    ASSERT_TRUE(m_store.SaveEvents(0, TwoEvents()).Ok());
    EXPECT_EQ(ReadText(m_folder + "guid_0.mac.bad"), "garbage");

    if (::geteuid() == 0) {
        GTEST_SKIP() << "root reads files whatever their permissions";
    }
    ASSERT_TRUE(m_store.SaveEvents(1, TwoEvents()).Ok());
    const std::string locked = m_folder + "guid_1.mac";
    const std::string before = ReadText(locked);
    ::chmod(locked.c_str(), 0);
    EXPECT_EQ(m_store.SaveEvents(1, Json::Value(Json::arrayValue)).result, MacroResult::Refused);
    ::chmod(locked.c_str(), 0644);
    EXPECT_EQ(ReadText(locked), before);
}

}  // namespace
