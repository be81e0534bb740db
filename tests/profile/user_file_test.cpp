#include "profile/user_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "tests/profile/profile_test_support.h"

namespace {

using profile::FileStatus;
using UserFile = TempHomeTest;

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

void MakeOld(const std::string& path, int secondsAgo) {
    const timeval now{std::time(nullptr) - secondsAgo, 0};
    const timeval times[2] = {now, now};
    ::utimes(path.c_str(), times);
}

// ---- Reading: the five answers ----

TEST_F(UserFile, ReadTellsMissingUnreadableTooLargeAndOkApart) {
    EXPECT_EQ(profile::ReadUserFile(Root() + "none", 100).status, FileStatus::Missing);

    WriteText(Root() + "ok", "12345");
    const auto ok = profile::ReadUserFile(Root() + "ok", 5);
    EXPECT_EQ(ok.status, FileStatus::Ok);
    EXPECT_EQ(ok.bytes, "12345");
    EXPECT_TRUE(ok.stamp.exists);

    const auto large = profile::ReadUserFile(Root() + "ok", 4);
    EXPECT_EQ(large.status, FileStatus::TooLarge);
    EXPECT_TRUE(large.bytes.empty());
    EXPECT_FALSE(large.MayReplace());
    EXPECT_NE(large.Reason().find("at most 4"), std::string::npos) << large.Reason();

    std::filesystem::create_directory(Root() + "folder");
    ASSERT_EQ(::mkfifo((Root() + "pipe").c_str(), 0600), 0);
    ASSERT_EQ(::symlink((Root() + "gone").c_str(), (Root() + "dangling").c_str()), 0);
    for (const char* name : {"folder", "pipe", "dangling"}) {
        const auto read = profile::ReadUserFile(Root() + name, 100);
        EXPECT_EQ(read.status, FileStatus::Unreadable) << name;
        EXPECT_FALSE(read.MayReplace()) << name;
        EXPECT_NE(read.Reason().find(Root() + name), std::string::npos) << read.Reason();
    }
}

TEST_F(UserFile, HugeFileIsRefusedFromItsSizeWithoutReadingIt) {
    const std::string path = Root() + "huge";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, off_t{200} << 20), 0);  // 200 MiB, sparse
    ::close(fd);
    const auto start = std::chrono::steady_clock::now();
    const auto read = profile::ReadUserFile(path, profile::kDocumentCap);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
    EXPECT_EQ(read.status, FileStatus::TooLarge);
    EXPECT_EQ(read.size, std::uint64_t{200} << 20);
}

TEST_F(UserFile, PermissionDeniedIsUnreadableWithItsReason) {
    EXPECT_ORDINARY_USER_RUN(RunAsOrdinaryUser([](const std::string& folder) {
        const std::string path = folder + "locked";
        WriteText(path, "settings");
        ::chmod(path.c_str(), 0);
        const auto read = profile::ReadUserFile(path, 100);
        CHILD_CHECK(read.status == FileStatus::Unreadable);
        CHILD_CHECK(read.error == EACCES);
        CHILD_CHECK(read.Reason() == "cannot read " + path + ": Permission denied");
        return 0;
    }));
}

// ---- Writing ----

TEST_F(UserFile, WriteGivesANewFileTheUmaskModeAndAnOwnerlessOneReadAndWrite) {
    const mode_t old = ::umask(022);
    const std::string path = Root() + "doc";
    ASSERT_TRUE(profile::WriteUserFile(path, "one").ok);
    EXPECT_EQ(ModeOf(path), 0644u);
    ::chmod(path.c_str(), 0);
    ASSERT_TRUE(profile::WriteUserFile(path, "two").ok);
    EXPECT_EQ(ModeOf(path), 0600u) << "a mode of 000 is not handed on";
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(profile::WriteUserFile(path, "three").ok);
    EXPECT_EQ(ModeOf(path), 0640u) << "a usable mode is kept";
    ::umask(old);
    EXPECT_EQ(ReadText(path), "three");
}

TEST_F(UserFile, EveryWriteChangesTheStampSoAnotherWriterIsNoticed) {
    const std::string path = Root() + "doc";
    const auto first = profile::WriteUserFile(path, "same");
    const auto second = profile::WriteUserFile(path, "same");
    ASSERT_TRUE(first.ok && second.ok);
    EXPECT_NE(first.stamp, second.stamp);
    EXPECT_EQ(profile::StampOf(path), second.stamp);
}

TEST_F(UserFile, CreateNeverReplacesAFileAndNewIdsSkipTakenOnes) {
    const std::string path = Root() + "x.Json";
    WriteText(path, "theirs");
    const auto refused = profile::CreateUserFile(path, "mine");
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.error, EEXIST);
    EXPECT_EQ(ReadText(path), "theirs");

    // Every id of the next 50 ms is taken, on disk or by the caller.
    const auto now = std::chrono::system_clock::now();
    std::set<std::string> listed;
    for (int ms = 0; ms < 50; ++ms) {
        const std::string id = profile::MakeTimeStampId(now + std::chrono::milliseconds(ms));
        if (ms % 2 == 0) {
            WriteText(Root() + id + ".Json", "taken");
        } else {
            listed.insert(id);
        }
    }
    const std::string id = profile::CreateWithNewId(
        Root(), ".Json", [](const std::string& made) { return "new " + made; },
        [&](const std::string& candidate) { return listed.count(candidate) != 0; });
    ASSERT_TRUE(profile::IsTimeStampId(id)) << id;
    EXPECT_EQ(listed.count(id), 0u);
    EXPECT_EQ(ReadText(Root() + id + ".Json"), "new " + id);
    EXPECT_TRUE(std::filesystem::exists(Root() + profile::MakeTimeStampId(now) + ".Json"));
}

// ---- The folder lock ----

TEST_F(UserFile, FolderLockMakesAnotherProcessWaitAndNestsWithinAThread) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const profile::FolderLock lock(Root());
        const char byte = lock.Held() ? 'y' : 'n';
        (void)!::write(ready[1], &byte, 1);
        ::usleep(300 * 1000);
        ::_exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ASSERT_EQ(byte, 'y');
    const auto start = std::chrono::steady_clock::now();
    {
        const profile::FolderLock lock(Root());
        EXPECT_TRUE(lock.Held());
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200))
            << "the lock was taken while the other process held it";
        const profile::FolderLock nested(Root() + "/");
        EXPECT_TRUE(nested.Held());
    }
    ::waitpid(child, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);

    const profile::FolderLock missing(Root() + "no/such/folder");
    EXPECT_FALSE(missing.Held());
    EXPECT_NE(missing.Reason().find("No such file"), std::string::npos) << missing.Reason();
}

TEST_F(UserFile, LockingRemovesOnlyOurStaleTemporaries) {
    const std::string stale = Root() + ".ProfileList.ini.tmp-4242-7";
    const std::string fresh = Root() + ".x.Json.tmp-4242-8";
    const std::string foreign = Root() + ".notes.tmp-mine";
    const std::string user = Root() + "ProfileList.ini.tmp-1-1";
    for (const std::string& path : {stale, fresh, foreign, user}) {
        WriteText(path, "x");
        MakeOld(path, 3600);
    }
    MakeOld(fresh, 10);
    const profile::FolderLock lock(Root());
    EXPECT_EQ(lock.RemovedTemporaries(), 1);
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_TRUE(std::filesystem::exists(fresh)) << "a writer may still be busy with it";
    EXPECT_TRUE(std::filesystem::exists(foreign));
    EXPECT_TRUE(std::filesystem::exists(user)) << "not hidden: not one of ours";
}

// ---- Identifiers and display ----

TEST_F(UserFile, OnlyPlainAsciiTimeStampsAreTimeStampIds) {
    EXPECT_TRUE(profile::IsTimeStampId("2019_03_05_14_07_09_042"));
    EXPECT_TRUE(profile::IsTimeStampId(profile::MakeTimeStampId(std::chrono::system_clock::now())));
    for (const char* bad :
         {"", "2019_03_05_14_07_09_42", "2019_03_05_14_07_09_0420", "2019-03-05_14_07_09_042",
          "2019_03_05_14_07_09_04\xEF\xBF\xBD", "2019_03_05_14_07_09_04\xff", "../2019_03_05",
          "_03_05_14_07_09_042", "2019_03_05_14_07_09_042.Json", "２019_03_05_14_07_09_042"}) {
        EXPECT_FALSE(profile::IsTimeStampId(bad)) << bad;
    }
}

TEST_F(UserFile, ControlCharactersAndBrokenUtf8AreShownEscaped) {
    EXPECT_EQ(profile::EscapeForDisplay("Game\x1b[2J\n\tx\\"), "Game\\x1b[2J\\n\\tx\\\\");
    EXPECT_EQ(profile::EscapeForDisplay("名字 Ünï"), "名字 Ünï");
    EXPECT_EQ(profile::EscapeForDisplay("a\xff\xc3"), "a\\xff\\xc3");
    EXPECT_EQ(profile::EscapeForDisplay("\xc2\x9b"
                                        "1m"),
              "\\xc2\\x9b1m")
        << "C1 control";
    EXPECT_EQ(profile::EscapeForDisplay("\x7f"), "\\x7f");
}

}  // namespace
