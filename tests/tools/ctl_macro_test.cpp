// veldmarkctl macro: listing and showing read only, export copies the file,
// import goes through the running program when there is one and refuses when
// that program cannot take it.
#include "tools/ctl_macro.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/session/local_socket.h"
#include "profile/macro_store.h"
#include "profile/profile_paths.h"

namespace {

namespace fs = std::filesystem;

class CtlMacroTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/veldmark-ctl-macro-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root = pattern;
        ::setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
        instance = "ctl_macro_test_" + std::to_string(::getpid());
        ::setenv("VELDMARK_INSTANCE", instance.c_str(), 1);
        source = (root / "fire.mac").string();
        std::ofstream(source) << R"({"MacroName": "Fire", "Events": [
            {"Action": "down", "Type": 1, "Button": 1, "Delay": "40"},
            {"Action": "up", "Type": 5, "Button": 7, "Delay": "0"}]})";
    }
    void TearDown() override { fs::remove_all(root); }

    int Run(std::vector<std::string> args) {
        out.str("");
        err.str("");
        return RunMacroCommand(args, out, err);
    }
    fs::path Folder() const { return profile::ProfileFolderPath("mouse"); }

    fs::path root;
    std::string instance;
    std::string source;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(CtlMacroTest, ListingAndShowingWriteNothing) {
    EXPECT_EQ(Run({"macro", "list", "mouse"}), 0);
    EXPECT_EQ(out.str(), "");
    EXPECT_FALSE(fs::exists(Folder()));
    EXPECT_EQ(Run({"show", "mouse", "0"}), 1);
    EXPECT_NE(err.str().find("no macro"), std::string::npos);
    EXPECT_FALSE(fs::exists(Folder()));
}

TEST_F(CtlMacroTest, WithoutTheProgramImportWritesTheFilesItself) {
    ASSERT_EQ(Run({"import", "mouse", source}), 0) << err.str();
    EXPECT_EQ(out.str(), "imported as Macro_1\n");
    ASSERT_EQ(Run({"list", "mouse"}), 0);
    EXPECT_EQ(out.str(), "0  Macro_1  2 events\n");
    ASSERT_EQ(Run({"show", "mouse", "macro_1"}), 0);
    EXPECT_NE(out.str().find("0  down  Left click  40 ms"), std::string::npos) << out.str();
    const std::string copy = (root / "copy.mac").string();
    ASSERT_EQ(Run({"export", "mouse", "0", copy}), 0);
    std::ifstream a(source), b(copy);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(a), {}),
              std::string(std::istreambuf_iterator<char>(b), {}));
}

TEST_F(CtlMacroTest, ARunningProgramMakesTheImportOrNothingChanges) {
    std::vector<std::string> requests;
    std::string answer = "ok imported as Macro_4";
    platform::session::LocalServer program;
    ASSERT_EQ(program.Listen(instance), platform::session::ListenResult::Listening);
    ASSERT_TRUE(program.Start([&](const std::string& request, platform::session::Responder reply) {
        requests.push_back(request);
        reply(answer);
    }));
    ASSERT_EQ(Run({"import", "mouse", source}), 0) << err.str();
    EXPECT_EQ(out.str(), "imported as Macro_4\n");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], "macro import mouse " + source);

    answer = "error: unknown request";  // a program that cannot take it
    EXPECT_EQ(Run({"import", "mouse", source}), 1);
    EXPECT_NE(err.str().find("close it"), std::string::npos);
    answer = "error: " + source + " is not a macro file";
    EXPECT_EQ(Run({"import", "mouse", source}), 1);
    EXPECT_NE(err.str().find("is not a macro file"), std::string::npos);
    program.Stop();
    // The program did the work; the CLI itself wrote nothing.
    EXPECT_FALSE(fs::exists(Folder() / "macro.config"));
}

TEST_F(CtlMacroTest, BadArgumentsAreTheUsage) {
    EXPECT_EQ(Run({"macro"}), 2);
    EXPECT_EQ(Run({"list", "headset"}), 2);
    EXPECT_EQ(Run({"show", "mouse"}), 2);
    EXPECT_EQ(Run({"export", "mouse", "0"}), 2);
    EXPECT_EQ(Run({"rename", "mouse", "0"}), 2);
}

}  // namespace
