// veldmarkctl key: the function words, setting a key in the profile file when
// no program runs and through the program when one does, and the key list's
// texts in both languages.
#include "tools/ctl_key.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "platform/session/local_socket.h"
#include "profile/json_file.h"
#include "profile/macro_store.h"
#include "profile/profile_list.h"
#include "profile/profile_paths.h"

namespace {

namespace fs = std::filesystem;

std::optional<KeyAssignment> Parse(const std::string& text, std::vector<std::string> macros = {
                                                                "Macro_1", "Reload", "Jump"}) {
    std::string problem;
    return ParseKeyFunction(text, {0, 0x10, 0x10, 0x00, 0}, macros, problem);
}

std::optional<int32_t> Packed(const std::string& text) {
    const std::optional<KeyAssignment> record = Parse(text);
    return record ? std::optional<int32_t>(PackKeyAssignment(*record)) : std::nullopt;
}

TEST(KeyFunctionWords, NameTheRecordsTheEditorBuilds) {
    EXPECT_EQ(Packed("keyboard:ctrl+c"), 0x200106);
    EXPECT_EQ(Packed("keyboard:Shift+A"), 0x200204);
    EXPECT_EQ(Packed("keyboard:rctrl+F1"), 0x20103A);
    EXPECT_EQ(Packed("keyboard:ctrl+Num +"), 0x200157);  // a key whose name holds "+"
    EXPECT_EQ(Packed("keyboard:Esc"), 0x200029);
    EXPECT_EQ(Packed("keyboard:alt"), 0x200400);
    EXPECT_EQ(Packed("swing:right:5:2:7"), 0x112785);
    EXPECT_EQ(Packed("wheel:down:3"), 0x1200FD);
    EXPECT_EQ(Packed("wheel:up:3"), 0x120003);
    EXPECT_EQ(Packed("fire:20:3"), 0x141403);
    EXPECT_EQ(Packed("dpi:cycle"), 0x130300);
    EXPECT_EQ(Packed("media:vol+"), 0x30E900);
    EXPECT_EQ(Packed("system:wake"), 0x400400);
    EXPECT_EQ(Packed("macro:2:repeat:5"), 0x710205);
    EXPECT_EQ(Packed("macro:reload:toggle"), 0x700102);
    EXPECT_EQ(Packed("macro:0"), 0x700000);
    EXPECT_EQ(Packed("gun:4"), 0x720300);
    EXPECT_EQ(Packed("combo:copy"), 0x200106);
    EXPECT_EQ(Packed("mouse:back"), 0x100800);
    EXPECT_EQ(Packed("default"), 0x101000);
    EXPECT_EQ(Packed("off"), 0x200000);
}

TEST(KeyFunctionWords, RefuseWhatNamesNoFunction) {
    for (const char* bad :
         {"keyboard:ctrl+", "keyboard:nokey", "macro:3", "macro:1:repeat:300", "macro:1:sometimes",
          "wheel:down:129", "swing:up:1", "swing:left:5:16", "gun:0", "gun:5", "fire:1",
          "media:loud", "dpi", "teleport:1", "mouse:left:extra"}) {
        std::string problem;
        EXPECT_EQ(ParseKeyFunction(bad, {}, {"A", "B", "C"}, problem), std::nullopt) << bad;
        EXPECT_FALSE(problem.empty()) << bad;
    }
}

class CtlKeyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/veldmark-ctl-key-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root = pattern;
        ::setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
        instance = "ctl_key_test_" + std::to_string(::getpid());
        ::setenv("VELDMARK_INSTANCE", instance.c_str(), 1);
    }
    void TearDown() override { fs::remove_all(root); }

    int Run(std::vector<std::string> args) {
        out.str("");
        err.str("");
        return RunKeyCommand(args, out, err);
    }
    // The assignment stored for key `index` of the mouse's selected profile.
    int64_t Stored(int index, const std::string& device = "mouse") {
        profile::ProfileList list;
        list.SetPaths(profile::ProfileFolderPath(device), profile::DefaultDocument(device));
        list.ReadOnly();
        const Json::Value doc =
            CJsonFile().Load(profile::ProfileFolderPath(device) + list.GetSelectedId() + ".Json");
        return doc["Device"][0]["KeyList"][index]["Assignment"].asInt64();
    }

    fs::path root;
    std::string instance;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(CtlKeyTest, WithoutTheProgramTheProfileFileTakesTheKey) {
    ASSERT_EQ(Run({"key", "set", "mouse", "forward", "keyboard:ctrl+c"}), 0) << err.str();
    EXPECT_EQ(out.str(), "mouse key 3 (Forward): Ctrl+C\n");
    EXPECT_EQ(Stored(3), 0x200106);
    EXPECT_EQ(Stored(4), 0x100800);  // the other keys keep theirs
    ASSERT_EQ(Run({"list", "mouse"}), 0) << err.str();
    EXPECT_NE(out.str().find("3  Forward  Ctrl+C  0x200106\n"), std::string::npos) << out.str();
    ASSERT_EQ(Run({"list", "mouse", "--lang", "cn"}), 0);
    EXPECT_NE(out.str().find("3  前进键  Ctrl+C"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("0  左键  左键"), std::string::npos) << out.str();
    // Back to what the key does by itself.
    ASSERT_EQ(Run({"set", "mouse", "3", "default"}), 0) << err.str();
    EXPECT_EQ(Stored(3), 0x101000);
}

TEST_F(CtlKeyTest, KeyboardKeysGoByTheNamesThePageGivesThem) {
    ASSERT_EQ(Run({"set", "keyboard", "a", "keyboard:shift+b"}), 0) << err.str();
    EXPECT_EQ(out.str(), "keyboard key 64 (A): Shift+B\n");
    EXPECT_EQ(Stored(64, "keyboard"), 0x200205);
    ASSERT_EQ(Run({"set", "keyboard", "Num 7", "off"}), 0) << err.str();
    EXPECT_EQ(out.str().rfind("keyboard key 59 (Num 7)", 0), 0u) << out.str();
    // Two keys of one name: the first on the page.
    ASSERT_EQ(Run({"set", "keyboard", "shift", "off"}), 0) << err.str();
    EXPECT_EQ(out.str().rfind("keyboard key 84 (Shift)", 0), 0u) << out.str();
    EXPECT_EQ(Run({"set", "keyboard", "nokey", "off"}), 2);
    EXPECT_EQ(Run({"set", "keyboard", "600", "off"}), 2);
    ASSERT_EQ(Run({"list", "keyboard"}), 0) << err.str();
    EXPECT_NE(out.str().find("0  Esc  Esc  0x200029\n"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("64  A  Shift+B  0x200205\n"), std::string::npos) << out.str();
}

TEST_F(CtlKeyTest, ARunningProgramMakesTheChangeOrNothingChanges) {
    ASSERT_EQ(Run({"set", "mouse", "back", "media:play"}), 0);  // makes the profile
    std::vector<std::string> requests;
    std::string answer = "ok";
    platform::session::LocalServer program;
    ASSERT_EQ(program.Listen(instance), platform::session::ListenResult::Listening);
    ASSERT_TRUE(program.Start([&](const std::string& request, platform::session::Responder reply) {
        requests.push_back(request);
        reply(answer);
    }));
    ASSERT_EQ(Run({"set", "mouse", "forward", "macro:0"}), 2) << "no macro yet";
    profile::MacroStore store;
    store.SetFolder(profile::ProfileFolder("mouse"));
    ASSERT_TRUE(store.Load().Ok());
    ASSERT_TRUE(store.Add().Ok());
    ASSERT_EQ(Run({"set", "mouse", "forward", "macro:0:repeat:5"}), 0) << err.str();
    EXPECT_EQ(out.str(), "mouse key 3 (Forward): Macro_1\n");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], "key set mouse 3 " + std::to_string(0x710005));
    EXPECT_EQ(Stored(3), 0x101000);  // the program writes, not the command

    answer = "error: unknown request";
    EXPECT_EQ(Run({"set", "mouse", "forward", "off"}), 1);
    EXPECT_NE(err.str().find("close it"), std::string::npos);
    program.Stop();
    EXPECT_EQ(Stored(3), 0x101000);
}

TEST_F(CtlKeyTest, BadArgumentsAreTheUsage) {
    EXPECT_EQ(Run({"key"}), 2);
    EXPECT_EQ(Run({"list", "headset"}), 2);
    EXPECT_EQ(Run({"set", "mouse", "forward"}), 2);
    EXPECT_EQ(Run({"set", "mouse", "thumb", "off"}), 2);
    EXPECT_EQ(Run({"set", "mouse", "forward", "warp:9"}), 2);
    EXPECT_EQ(Run({"list", "mouse", "--lang", "fr"}), 2);
    // Listing before any profile exists writes nothing.
    EXPECT_EQ(Run({"list", "keyboard"}), 1);
    EXPECT_FALSE(fs::exists(profile::ProfileFolderPath("keyboard")));
}

}  // namespace
