#include "profile/json_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <ctime>
#include <filesystem>
#include <future>
#include <memory>
#include <thread>

#include "profile/json_fields.h"
#include "profile/profile_paths.h"
#include "profile/user_file.h"
#include "tests/profile/profile_test_support.h"

namespace {

using JsonFile = TempHomeTest;

int CountFiles(const std::string& folder) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        (void)entry;
        ++count;
    }
    return count;
}

// Makes every write beyond `bytes` fail with EFBIG, the way a full disk
// stops a write half-way, for the lifetime of the object.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

  private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

TEST_F(JsonFile, LoadTellsMissingEmptyDamagedAndParsedFilesApart) {
    CJsonFile file;
    JsonLoadStatus status = JsonLoadStatus::Ok;
    EXPECT_TRUE(file.Load(Root() + "none.json", &status).isNull());
    EXPECT_EQ(status, JsonLoadStatus::Missing);

    WriteText(Root() + "empty.json", "");
    EXPECT_TRUE(file.Load(Root() + "empty.json", &status).isNull());
    EXPECT_EQ(status, JsonLoadStatus::Empty);

    WriteText(Root() + "bad.json", "{\"a\": [1, 2");
    EXPECT_TRUE(file.Load(Root() + "bad.json", &status).isNull());
    EXPECT_EQ(status, JsonLoadStatus::Damaged);

    WriteText(Root() + "good.json", "// a comment\n{\"a\": 7}");
    EXPECT_EQ(file.Load(Root() + "good.json", &status)["a"].asInt(), 7);
    EXPECT_EQ(status, JsonLoadStatus::Ok);
}

// Comments are read past and not kept: written back, a comment after the
// last member once swallowed the closing bracket, and the file no longer parsed.
TEST_F(JsonFile, ADocumentWithCommentsIsWrittenBackAsJsonThatParses) {
    const std::string texts[] = {
        "{\"a\": [{\"b\": \"down\", // note { \n \"c\": 5 // last\n}],\n\"d\": 1}",
        "// head\n{\"a\": 1, /* inside */ \"b\": [1, 2 // after\n]} // tail",
        "{\"Events\": [{\"Action\": \"down\",/////   { \n \"Type\": 5 }]}"};
    for (const std::string& text : texts) {
        bool ok = false;
        const Json::Value value = CJsonFile::Parse(text, &ok);
        ASSERT_TRUE(ok) << text;
        const std::string written = CJsonFile::StyledText(value);
        const Json::Value again = CJsonFile::Parse(written, &ok);
        EXPECT_TRUE(ok) << written;
        EXPECT_EQ(again, value) << written;
    }
}

TEST_F(JsonFile, DeeplyNestedDocumentIsDamagedNotACrash) {
    WriteText(Root() + "deep.json", std::string(5000, '[') + std::string(5000, ']'));
    JsonLoadStatus status = JsonLoadStatus::Ok;
    EXPECT_TRUE(CJsonFile().Load(Root() + "deep.json", &status).isNull());
    EXPECT_EQ(status, JsonLoadStatus::Damaged);
}

TEST_F(JsonFile, WriteStoresStyledTextWithTrailingNewlineAndUtf8RoundTrips) {
    Json::Value value;
    value["profilename"] = "Профиль 配置";
    value["n"] = 3;
    ASSERT_EQ(CJsonFile().Write(Root() + "out.json", value), 0);
    const std::string text = ReadText(Root() + "out.json");
    EXPECT_EQ(text, Json::StyledWriter().write(value) + "\n");
    EXPECT_EQ(ReadJson(Root() + "out.json")["profilename"].asString(), "Профиль 配置");
}

TEST_F(JsonFile, AMemberNameWithANulIsWrittenWholeAndNotOverAnother) {
    Json::Value value;
    value["Events"][0] = 1;
    value[std::string("Events\0x", 8)][0] = 2;
    ASSERT_EQ(CJsonFile().Write(Root() + "nul.json", value), 0);
    const Json::Value back = ReadJson(Root() + "nul.json");
    EXPECT_EQ(back, value);
    EXPECT_EQ(back["Events"][0].asInt(), 1);
}

TEST_F(JsonFile, PipeInAFilesPlaceReadsAsNothingWithoutBlocking) {
    const std::string path = Root() + "pipe.Json";
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    auto done = std::make_shared<std::promise<JsonLoadStatus>>();
    std::future<JsonLoadStatus> result = done->get_future();
    std::thread([path, done] {
        JsonLoadStatus status = JsonLoadStatus::Ok;
        (void)CJsonFile().Load(path, &status);
        done->set_value(status);
    }).detach();
    const bool returned = result.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
    if (!returned) {
        // Give the blocked reader a writer so that it can end.
        const int fd = ::open(path.c_str(), O_WRONLY);
        ::close(fd);
        result.wait();
    }
    ASSERT_TRUE(returned) << "reading a pipe must not wait for a writer";
    EXPECT_EQ(result.get(), JsonLoadStatus::Unreadable) << "a pipe is not a file to replace";
}

TEST_F(JsonFile, WriteIntoMissingFolderFailsWithOne) {
    EXPECT_EQ(CJsonFile().Write(Root() + "no/such/folder/out.json", Json::Value(1)), 1);
}

TEST_F(JsonFile, FailedWriteLeavesOldFileIntactAndNoTemporaryFile) {
    const std::string path = Root() + "profile.Json";
    Json::Value old;
    old["profilename"] = "Keep me";
    ASSERT_EQ(CJsonFile().Write(path, old), 0);
    const std::string before = ReadText(path);

    Json::Value big;
    big["payload"] = std::string(64 * 1024, 'x');
    {
        FileSizeLimit limit(4096);  // the disk fills up in the middle of the write
        EXPECT_EQ(CJsonFile().Write(path, big), 1);
    }
    EXPECT_EQ(ReadText(path), before);
    EXPECT_EQ(CountFiles(Root()), 1);
}

TEST_F(JsonFile, TemporaryFileLeftByACrashDoesNotDisturbReadOrNextWrite) {
    const std::string path = Root() + "list.ini";
    ASSERT_EQ(CJsonFile().Write(path, Json::Value("old")), 0);
    // What a crash between writing the temporary file and renaming it leaves.
    WriteText(Root() + ".list.ini.tmp-99999-0", "\"half");
    EXPECT_EQ(ReadJson(path).asString(), "old");
    ASSERT_EQ(CJsonFile().Write(path, Json::Value("new")), 0);
    EXPECT_EQ(ReadJson(path).asString(), "new");
}

TEST_F(JsonFile, WriteKeepsPermissionsOfTheReplacedFile) {
    const std::string path = Root() + "mode.json";
    WriteText(path, "1");
    std::filesystem::permissions(
        path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    ASSERT_EQ(CJsonFile().Write(path, Json::Value(2)), 0);
    EXPECT_EQ(std::filesystem::status(path).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST_F(JsonFile, ProfileFolderIsCreatedUnderTheDataHome) {
    const std::string folder = profile::ProfileFolder("MousePad");
    EXPECT_EQ(folder, Root() + "data/VARNE VK-R20 Mechanical Keyboard/MousePad/");
    EXPECT_TRUE(std::filesystem::is_directory(folder));

    ::setenv("XDG_DATA_HOME", "relative/path", 1);  // not absolute: ignored
    EXPECT_EQ(profile::ProfileFolder("HD"),
              Root() + "home/.local/share/VARNE VK-R20 Mechanical Keyboard/HD/");
    EXPECT_TRUE(std::filesystem::is_directory(Root() + "home/.local/share"));
}

TEST_F(JsonFile, DefaultDocumentFollowsTheDataDirectorySetting) {
    const char* saved = std::getenv("VELDMARK_DATA_DIR");
    const std::string previous = saved != nullptr ? saved : "";
    ::setenv("VELDMARK_DATA_DIR", "/opt/data/", 1);
    EXPECT_EQ(profile::DefaultDocument("keyboard"), "/opt/data/DefaultData/keyboard.Json");
    ::unsetenv("VELDMARK_DATA_DIR");
    EXPECT_EQ(profile::DefaultDataFolder().substr(profile::DefaultDataFolder().size() - 12),
              "DefaultData/");
    if (saved != nullptr) {
        ::setenv("VELDMARK_DATA_DIR", previous.c_str(), 1);
    }
}

TEST(TimeStampId, FormatsLocalTimeWithMilliseconds) {
    std::tm local{};
    local.tm_year = 2019 - 1900;
    local.tm_mon = 2;
    local.tm_mday = 5;
    local.tm_hour = 14;
    local.tm_min = 7;
    local.tm_sec = 9;
    local.tm_isdst = -1;
    const auto when =
        std::chrono::system_clock::from_time_t(std::mktime(&local)) + std::chrono::milliseconds(42);
    EXPECT_EQ(CJsonFile::MakeTimeStampId(when), "2019_03_05_14_07_09_042");
    EXPECT_EQ(CJsonFile::MakeTimeStampId(when + std::chrono::microseconds(500)),
              "2019_03_05_14_07_09_042");
    EXPECT_EQ(CJsonFile::MakeTimeStampId(when + std::chrono::milliseconds(958)),
              "2019_03_05_14_07_10_000");
}

TEST(SafeFileId, AcceptsPlainNamesAndRefusesAnythingThatLeavesTheFolder) {
    EXPECT_TRUE(profile::IsSafeFileId("2019_03_05_14_07_09_042"));
    EXPECT_TRUE(profile::IsSafeFileId("{4695579F-999A-41d4-9FAF-EFFCE93EBF15}"));
    EXPECT_TRUE(profile::IsSafeFileId("...dots"));
    for (const char* bad : {"", ".", "..", "../evil", "a/b", "/etc/passwd", "..\\x", "a\nb"}) {
        EXPECT_FALSE(profile::IsSafeFileId(bad)) << bad;
    }
    EXPECT_FALSE(profile::IsSafeFileId(std::string(201, 'a')));
}

TEST_F(JsonFile, DamagedFileIsKeptAsideUnderAFreeName) {
    const std::string path = Root() + "ProfileList.ini";
    WriteText(path, "first");
    EXPECT_EQ(profile::KeepDamagedFile(path), path + ".bad");
    WriteText(path, "second");
    EXPECT_EQ(profile::KeepDamagedFile(path), path + ".2.bad");
    EXPECT_EQ(ReadText(path + ".bad"), "first");
    EXPECT_EQ(ReadText(path + ".2.bad"), "second");
    EXPECT_EQ(profile::KeepDamagedFile(path), "");
}

TEST(JsonFields, NumbersOfAnyTypeReadSafely) {
    using namespace profile::json;
    const Json::Value doc = CJsonFile::Parse(
        R"({"big": 300, "neg": -1, "real": 2.9, "huge": 1e300, "text": "7", "yes": true,
            "u64": 18446744073709551615, "arr": [1]})");
    EXPECT_EQ(Low8(Member(doc, "big")), 44);
    EXPECT_EQ(Low8(Member(doc, "neg")), 255);
    EXPECT_EQ(Low16(Member(doc, "neg")), 0xFFFF);
    EXPECT_EQ(Integer(Member(doc, "real")), 2);
    EXPECT_EQ(Integer(Member(doc, "huge")), 0);
    EXPECT_EQ(Integer(Member(doc, "text")), 0);
    EXPECT_EQ(Truth(Member(doc, "yes")), 1);
    EXPECT_EQ(Low8(Member(doc, "u64")), 255);
    EXPECT_TRUE(Member(Member(doc, "arr"), "x").isNull());
    EXPECT_TRUE(Element(Member(doc, "big"), 0).isNull());
}

TEST(JsonFields, InvalidUtf8IsReplacedLikeTheWriterDoes) {
    using profile::json::ValidUtf8;
    EXPECT_EQ(ValidUtf8("Game 配置"), "Game 配置");
    EXPECT_EQ(ValidUtf8("a\xff"
                        "b"),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(ValidUtf8("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD");                  // overlong "/"
    EXPECT_EQ(ValidUtf8("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");  // surrogate
    EXPECT_EQ(ValidUtf8("\xE4\xB8"), "\xEF\xBF\xBD\xEF\xBF\xBD");                  // cut short
}

}  // namespace
