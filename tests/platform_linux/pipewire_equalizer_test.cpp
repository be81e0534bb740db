// The equaliser on a private PipeWire server that the test starts (with
// WirePlumber and a session bus of its own) in a fresh runtime folder; a null
// sink stands for the headset's output. Skipped, with the reason, only when
// the machine has no PipeWire programs.
#include "platform/audio/linux/pipewire_equalizer.h"

#include <gtest/gtest.h>
#include <json/json.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using platform::audio::PipeWireEqualizer;

constexpr const char* kSink = "veldmark_test_headset";

bool Eventually(const std::function<bool()>& done, int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

class PipeWireServerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* program : {"/usr/bin/pipewire", "/usr/bin/wireplumber", "/usr/bin/pw-dump",
                                    "/usr/bin/pw-cli", "/usr/bin/dbus-daemon"}) {
            if (!fs::exists(program)) {
                GTEST_SKIP() << program << " is not installed (scripts/setup.sh installs it)";
            }
        }
        runtime = fs::temp_directory_path() / ("veldmark_pw_" + std::to_string(getpid()));
        fs::remove_all(runtime);
        fs::create_directories(runtime);
        fs::permissions(runtime, fs::perms::owner_all);
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        setenv("PIPEWIRE_RUNTIME_DIR", runtime.c_str(), 1);
        unsetenv("PIPEWIRE_REMOTE");
        const std::string bus = "unix:path=" + (runtime / "bus").string();
        setenv("DBUS_SESSION_BUS_ADDRESS", bus.c_str(), 1);
        Start({"/usr/bin/dbus-daemon", "--session", "--nofork", "--address=" + bus});
        ASSERT_TRUE(Eventually([&] { return fs::exists(runtime / "bus"); }, 5000));
        Start({"/usr/bin/pipewire"});
        ASSERT_TRUE(Eventually([&] { return fs::exists(runtime / "pipewire-0"); }, 5000));
        Start({"/usr/bin/wireplumber"});
        ASSERT_EQ(Run("/usr/bin/pw-cli create-node adapter '{ factory.name=support.null-audio-sink "
                      "node.name=" +
                      std::string(kSink) +
                      " media.class=Audio/Sink object.linger=true audio.position=[FL FR] }'"),
                  0);
    }

    void TearDown() override {
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            kill(*it, SIGTERM);
            waitpid(*it, nullptr, 0);
        }
        if (!runtime.empty()) {
            fs::remove_all(runtime);
        }
    }

    void Start(const std::vector<std::string>& argv) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            std::freopen("/dev/null", "w", stderr);
            std::freopen("/dev/null", "w", stdout);
            std::vector<char*> args;
            for (const std::string& a : argv) {
                args.push_back(const_cast<char*>(a.c_str()));
            }
            args.push_back(nullptr);
            execv(args[0], args.data());
            _exit(127);
        }
        children.push_back(pid);
    }

    static int Run(const std::string& command) {
        return std::system((command + " >/dev/null 2>&1").c_str());
    }

    static Json::Value Dump() {
        std::string text;
        if (FILE* pipe = popen("/usr/bin/pw-dump 2>/dev/null", "r")) {
            char buffer[4096];
            size_t n = 0;
            while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
                text.append(buffer, n);
            }
            pclose(pipe);
        }
        Json::Value root;
        Json::Reader().parse(text, root);
        return root;
    }

    static const Json::Value* NodeNamed(const Json::Value& dump, const std::string& name) {
        for (const Json::Value& object : dump) {
            if (object["type"].asString() == "PipeWire:Interface:Node" &&
                object["info"]["props"]["node.name"].asString() == name) {
                return &object;
            }
        }
        return nullptr;
    }

    // The filter gains the node shows, by control name ("eq_band_3:Gain").
    static std::map<std::string, double> Controls(const Json::Value& node) {
        std::map<std::string, double> controls;
        for (const Json::Value& props : node["info"]["params"]["Props"]) {
            const Json::Value& params = props["params"];
            for (Json::ArrayIndex i = 0; i + 1 < params.size(); i += 2) {
                if (params[i].isString() && params[i + 1].isNumeric()) {
                    controls[params[i].asString()] = params[i + 1].asDouble();
                }
            }
        }
        return controls;
    }

    static bool Linked(const Json::Value& dump, int from, int to) {
        for (const Json::Value& object : dump) {
            if (object["type"].asString() == "PipeWire:Interface:Link" &&
                object["info"]["output-node-id"].asInt() == from &&
                object["info"]["input-node-id"].asInt() == to) {
                return true;
            }
        }
        return false;
    }

    fs::path runtime;
    std::vector<pid_t> children;
};

TEST_F(PipeWireServerTest, TheChainPlaysTheGainsIntoTheHeadsetAndGoesWhenTurnedOff) {
    PipeWireEqualizer equalizer({0, 0, kSink});
    ASSERT_TRUE(equalizer.Available());
    const std::array<int, 10> preset2 = {7, 11, 6, -3, -11, -1, 6, 13, 6, 13};
    equalizer.Apply(preset2);
    ASSERT_TRUE(equalizer.WaitIdle(5000));
    EXPECT_EQ(equalizer.TargetNode(), kSink);

    Json::Value dump;
    ASSERT_TRUE(Eventually(
        [&] {
            dump = Dump();
            const Json::Value* node = NodeNamed(dump, PipeWireEqualizer::kNodeName);
            return node != nullptr && Controls(*node).count("eq_band_10:Gain") == 1;
        },
        5000));
    const std::map<std::string, double> controls =
        Controls(*NodeNamed(dump, PipeWireEqualizer::kNodeName));
    for (size_t i = 0; i < preset2.size(); ++i) {
        const std::string band = "eq_band_" + std::to_string(i + 1);
        EXPECT_EQ(controls.at(band + ":Gain"), preset2[i]) << band;
        EXPECT_EQ(controls.at(band + ":Freq"), platform::audio::kEqualizerBandsHz[i]) << band;
    }
    // WirePlumber links the chain's output to the headset.
    EXPECT_TRUE(Eventually(
        [&] {
            dump = Dump();
            const Json::Value* out =
                NodeNamed(dump, std::string(PipeWireEqualizer::kNodeName) + ".output");
            const Json::Value* sink = NodeNamed(dump, kSink);
            return out != nullptr && sink != nullptr &&
                   Linked(dump, (*out)["id"].asInt(), (*sink)["id"].asInt());
        },
        5000));

    // A new preset replaces the chain.
    const std::array<int, 10> preset5{};
    equalizer.Apply(preset5);
    ASSERT_TRUE(equalizer.WaitIdle(5000));
    ASSERT_TRUE(Eventually(
        [&] {
            const Json::Value* node = NodeNamed(dump = Dump(), PipeWireEqualizer::kNodeName);
            return node != nullptr && Controls(*node)["eq_band_2:Gain"] == 0.0;
        },
        5000));

    equalizer.Remove();
    ASSERT_TRUE(equalizer.WaitIdle(5000));
    EXPECT_TRUE(Eventually(
        [&] { return NodeNamed(Dump(), PipeWireEqualizer::kNodeName) == nullptr; }, 5000));
    EXPECT_NE(NodeNamed(Dump(), kSink), nullptr);
}

TEST_F(PipeWireServerTest, NothingIsAppliedWithoutTheHeadsetsOutput) {
    PipeWireEqualizer equalizer({0x0D8C, 0x01DA, ""});
    ASSERT_TRUE(equalizer.Available());
    equalizer.Apply({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    ASSERT_TRUE(equalizer.WaitIdle(5000));
    EXPECT_EQ(equalizer.TargetNode(), "");
    EXPECT_EQ(NodeNamed(Dump(), PipeWireEqualizer::kNodeName), nullptr);
}

TEST(PipeWireEqualizer, WithoutAServerItIsNotAvailableAndDoesNothing) {
    const fs::path empty =
        fs::temp_directory_path() / ("veldmark_nopw_" + std::to_string(getpid()));
    fs::create_directories(empty);
    setenv("XDG_RUNTIME_DIR", empty.c_str(), 1);
    setenv("PIPEWIRE_RUNTIME_DIR", empty.c_str(), 1);
    {
        PipeWireEqualizer equalizer({0x0D8C, 0x01DA, ""});
        EXPECT_FALSE(equalizer.Available());
        equalizer.Apply({});
        equalizer.Remove();
        EXPECT_TRUE(equalizer.WaitIdle(2000));
    }
    fs::remove_all(empty);
}

}  // namespace
