#include "tools/ctl_profile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sstream>

#include "profile/profile_paths.h"

#include "tests/profile/profile_test_support.h"

namespace {

class CtlProfileTest : public TempHomeTest {
  protected:
    struct Result {
        int code;
        std::string out;
        std::string err;
    };
    static Result Run(const std::vector<std::string>& args) {
        std::ostringstream out;
        std::ostringstream err;
        const int code = RunProfileCommand(args, out, err);
        return {code, out.str(), err.str()};
    }
};

TEST_F(CtlProfileTest, ListShowsTheFirstProfileSelectedAndNeverWrites) {
    const Result empty = Run({"profile", "list", "keyboard"});
    EXPECT_EQ(empty.code, 0) << empty.err;
    EXPECT_EQ(empty.out, "");
    EXPECT_NE(empty.err.find("no profiles yet"), std::string::npos) << empty.err;
    EXPECT_FALSE(std::filesystem::exists(Root() + "data/VARNE VK-R20 Mechanical Keyboard/keyboard/"
                                                  "ProfileList.ini"));

    ASSERT_EQ(Run({"select", "keyboard", "0"}).code, 0);
    const Result result = Run({"profile", "list", "keyboard"});
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(result.out.rfind("* 0  Profile 1  (", 0), 0u) << result.out;
}

TEST_F(CtlProfileTest, AddRenameSelectAndDeleteWorkOnTheSameFiles) {
    EXPECT_EQ(Run({"add", "mouse"}).out, "added and selected Profile 2\n");
    EXPECT_EQ(Run({"rename", "mouse", "Aim"}).code, 0);
    const Result clash = Run({"rename", "mouse", "PROFILE 1"});
    EXPECT_EQ(clash.code, 1);
    EXPECT_NE(clash.err.find("refused"), std::string::npos) << clash.err;
    EXPECT_EQ(Run({"select", "mouse", "profile 1"}).code, 0);
    EXPECT_NE(Run({"list", "mouse"}).out.find("* 0  Profile 1"), std::string::npos);
    EXPECT_EQ(Run({"select", "mouse", "1"}).out, "selected Aim\n");
    EXPECT_EQ(Run({"select", "mouse", "7"}).code, 1);
    EXPECT_EQ(Run({"delete", "mouse"}).out, "deleted Aim\n");
    const Result last = Run({"delete", "mouse"});
    EXPECT_EQ(last.code, 1);
    EXPECT_NE(last.err.find("last profile"), std::string::npos) << last.err;
}

TEST_F(CtlProfileTest, FiftyFirstAddIsRefusedWithTheLimit) {
    for (int i = 2; i <= 50; ++i) {
        ASSERT_EQ(Run({"add", "headset"}).code, 0) << i;
    }
    const Result refused = Run({"add", "headset"});
    EXPECT_EQ(refused.code, 1);
    EXPECT_NE(refused.err.find("at most 50 profiles"), std::string::npos) << refused.err;
    EXPECT_EQ(Run({"copy", "headset"}).code, 0) << "copy has no limit";
}

TEST_F(CtlProfileTest, ExportThenImportAddsANumberedCopy) {
    const std::string file = Root() + "p.json";
    EXPECT_EQ(Run({"export", "mousepad", file}).code, 0);
    EXPECT_EQ(Run({"import", "MousePad", file}).out, "imported as Profile 1(1)\n");
    EXPECT_EQ(Run({"import", "mousepad", Root() + "none.json"}).code, 1);
}

TEST_F(CtlProfileTest, BadArgumentsPrintUsage) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                                 {"list"},
                                                 {"list", "toaster"},
                                                 {"rename", "mouse"},
                                                 {"fly", "mouse"},
                                                 {"add", "mouse", "extra"}}) {
        const Result result = Run(args);
        EXPECT_EQ(result.code, 2);
        EXPECT_NE(result.err.find("usage"), std::string::npos);
    }
}

// ---- Messages ----

// On a full disk or a folder the user cannot write, listing still works: it
// only reads. Damage is reported on stderr, and names cannot drive the
// terminal.
TEST_F(CtlProfileTest, ListOnlyReadsReportsDamageAndEscapesNames) {
    EXPECT_ORDINARY_USER_RUN(RunAsOrdinaryUser([](const std::string&) {
        const std::string folder = profile::ProfileFolder("mouse");
        const std::string list = folder + "ProfileList.ini";
        WriteText(list,
                  "{\"profileselect\": 0, \"profilelist\": [{\"profilename\": "
                  "\"Evil\\u001b[2J\\n\", \"profileUUID\": \"2020_01_01_00_00_00_000\"}]}");
        ::chmod(folder.c_str(), 0500);
        const Result listed = Run({"list", "mouse"});
        CHILD_CHECK(listed.code == 0);
        CHILD_CHECK(listed.out == "* 0  Evil\\x1b[2J\\n  (2020_01_01_00_00_00_000)\n");
        CHILD_CHECK(Run({"add", "mouse"}).err.find(": Permission denied") != std::string::npos);

        ::chmod(folder.c_str(), 0700);
        WriteText(list, "{\"profilelist\": [");
        const Result damaged = Run({"list", "mouse"});
        CHILD_CHECK(damaged.code == 0);
        CHILD_CHECK(damaged.err.find(list + " is damaged") != std::string::npos);
        CHILD_CHECK(!std::filesystem::exists(list + ".bad"));
        CHILD_CHECK(ReadText(list) == "{\"profilelist\": [");

        ::chmod(list.c_str(), 0);
        const Result unreadable = Run({"copy", "mouse"});
        CHILD_CHECK(unreadable.code == 1);
        CHILD_CHECK(unreadable.err.find("cannot read " + list + ": Permission denied") !=
                    std::string::npos);
        return 0;
    }));
}

TEST_F(CtlProfileTest, HugeListIsRefusedWithItsSizeInsteadOfAborting) {
    const std::string list = profile::ProfileFolder("keyboard") + "ProfileList.ini";
    const int fd = ::open(list.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, off_t{200} << 20), 0);
    ::close(fd);
    for (const char* command : {"list", "copy"}) {
        const Result result = Run({command, "keyboard"});
        EXPECT_EQ(result.code, 1) << command;
        EXPECT_NE(result.err.find(list + " is too large (209715200 bytes"), std::string::npos)
            << result.err;
    }
    EXPECT_EQ(std::filesystem::file_size(list), std::uintmax_t{200} << 20);
}

}  // namespace
