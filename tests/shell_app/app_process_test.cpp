// The application as a process, on the offscreen platform and the simulated
// devices: a second copy hands over to the first and ends with 0, the first
// answers hot-plug requests, and a termination request ends it cleanly;
// veldmarkctl drives its window and reads its devices' memory, and neither a
// silent connection nor a flood of them keeps it from answering.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <json/json.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <cstdio>
#include <fstream>

#include "platform/session/local_socket.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

pid_t StartApp() {
    char* argv[] = {const_cast<char*>(VELDMARK_APP_PATH), nullptr};
    pid_t pid = -1;
    return posix_spawn(&pid, VELDMARK_APP_PATH, nullptr, nullptr, argv, environ) == 0 ? pid : -1;
}

// The exit status, or nullopt when the process has not ended within `ms`.
std::optional<int> WaitExit(pid_t pid, int ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < deadline) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return std::nullopt;
}

std::optional<std::string> Request(const std::string& name, const std::string& line, int ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < deadline) {
        if (auto reply = platform::session::SendLocalRequest(name, line, 2000)) {
            return reply;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return std::nullopt;
}

struct CtlResult {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs veldmarkctl with the test's environment.
CtlResult Ctl(const std::string& arguments) {
    const std::string errFile =
        (std::filesystem::temp_directory_path() / ("ctl_err_" + std::to_string(getpid()))).string();
    const std::string command = std::string(VELDMARKCTL_PATH) + " " + arguments + " 2>" + errFile;
    CtlResult result;
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[4096];
    size_t n = 0;
    while ((n = fread(buffer, 1, sizeof(buffer), pipe)) > 0) {
        result.out.append(buffer, n);
    }
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream errStream(errFile);
    result.err.assign(std::istreambuf_iterator<char>(errStream), {});
    std::filesystem::remove(errFile);
    return result;
}

// The profile list of a device family in the test's data folder.
Json::Value ProfileList(const std::filesystem::path& share, const std::string& folder) {
    Json::Value list;
    std::ifstream(share / "VARNE VK-R20 Mechanical Keyboard" / folder / "ProfileList.ini") >> list;
    return list;
}

class ApplicationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        name = "veldmark_ctl_test_" + std::to_string(::getpid());
        home = std::filesystem::temp_directory_path() / name;
        std::filesystem::create_directories(home);
        setenv("VELDMARK_INSTANCE", name.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
        setenv("XDG_DATA_HOME", (home / "share").c_str(), 1);
    }
    void TearDown() override {
        if (app > 0) {
            kill(app, SIGTERM);
            EXPECT_EQ(WaitExit(app, 10000), 0);
        }
        std::filesystem::remove_all(home);
    }
    void StartWith(const char* kinds, const std::string& select) {
        setenv("VELDMARK_HID", kinds, 1);
        app = StartApp();
        ASSERT_GT(app, 0);
        std::optional<std::string> selected;
        const auto until = Clock::now() + std::chrono::seconds(20);
        while (Clock::now() < until && selected != "ok selected " + select) {
            selected = Request(name, "sim select " + select, 2000);
        }
        ASSERT_EQ(selected, "ok selected " + select);
    }

    std::string name;
    std::filesystem::path home;
    pid_t app = -1;
};

}  // namespace

TEST_F(ApplicationTest, VeldmarkctlDrivesTheWindowAndReadsTheSwitchedProfileFromTheDevice) {
    StartWith("sim:mousepad", "mousepad");
    const CtlResult added = Ctl("ui click device_add_btn");
    EXPECT_EQ(added.status, 0) << added.err;
    EXPECT_EQ(Ctl("ui get device_profile_combo items").out, "Profile 1\nProfile 2\n");

    // Profile 2 gets a colour of its own on disk; choosing it sends its record.
    const Json::Value list = ProfileList(home / "share", "MousePad");
    const auto document = home / "share" / "VARNE VK-R20 Mechanical Keyboard" / "MousePad" /
                          (list["profilelist"][1]["profileUUID"].asString() + ".Json");
    Json::Value profile;
    std::ifstream(document) >> profile;
    Json::Value& light = profile["Device"][0]["LightInfo"];
    light["MultiColor"] = 0;
    light["Red"] = 0x11;
    light["Green"] = 0x22;
    light["Blue"] = 0x33;
    std::ofstream(document) << profile;
    EXPECT_EQ(Ctl("ui set device_profile_combo cursel 0").status, 0);
    EXPECT_EQ(Ctl("ui set device_profile_combo cursel 1").status, 0);
    std::string memory;
    for (auto until = Clock::now() + std::chrono::seconds(5); Clock::now() < until;) {
        memory = Ctl("sim memory mousepad params").out;
        if (memory.rfind("0000: ", 0) == 0 && memory.substr(6 + 5 * 3, 8) == "11 22 33") {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    // Multi-colour off, red, green, blue at offsets 5 to 8.
    EXPECT_EQ(memory.substr(0, 6) + memory.substr(21, 12), "0000: 00 11 22 33 ") << memory;
    EXPECT_EQ(std::count(memory.begin(), memory.end(), '\n'), 16);  // 256 bytes

    // Refusals: exit status 1 and one line, nothing changed.
    const CtlResult unknown = Ctl("ui click no_such_button");
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.err, "veldmarkctl: error: no control named \"no_such_button\"\n");
    const std::string brightness = Ctl("ui get deng_light_slider value").out;
    const CtlResult refused = Ctl("ui set deng_light_slider value 99");
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1) << refused.err;
    EXPECT_EQ(Ctl("ui get deng_light_slider value").out, brightness);
    EXPECT_EQ(Ctl("ui frobnicate").status, 2);

    const CtlResult frames = Ctl("sim frames mousepad");
    EXPECT_EQ(frames.out.rfind("frames: ", 0), 0u);
    EXPECT_EQ(std::count(frames.out.begin(), frames.out.end(), '\n'), 16);  // 15 LEDs
    const std::string log = Ctl("sim log mousepad").out;
    EXPECT_NE(log.find("0x12 StreamFrame: "), std::string::npos) << log;
    EXPECT_NE(log.find("violations: none"), std::string::npos) << log;

    const auto shot = home / "shot.png";
    EXPECT_EQ(Ctl("ui screenshot " + shot.string()).status, 0);
    std::string png;
    std::ifstream(shot, std::ios::binary) >> std::noskipws >> png;
    EXPECT_EQ(png.substr(0, 4), "\x89PNG");
}

TEST_F(ApplicationTest, ASilentConnectionOrAFloodLeavesTheProgramAnswering) {
    StartWith("sim:mousepad", "mousepad");
    const std::optional<std::string> path = platform::session::EndpointPath(name, false);
    ASSERT_TRUE(path);
    auto connectRaw = [&] {
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof(address.sun_path), "%s", path->c_str());
        connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        return fd;
    };
    auto timed = [&](const std::string& request) {
        const auto start = Clock::now();
        const std::optional<std::string> reply =
            platform::session::SendLocalRequest(name, request, 2000);
        EXPECT_TRUE(reply && reply->rfind("ok", 0) == 0);
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    };
    const int silent = connectRaw();
    EXPECT_LT(timed("sim frames mousepad"), 200);
    EXPECT_LT(timed("ui get device_profile_combo cursel"), 200);

    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = std::min<rlim_t>(files.rlim_max, 4096);
    setrlimit(RLIMIT_NOFILE, &files);
    std::vector<int> flood;
    for (int i = 0; i < 1000; ++i) {
        flood.push_back(connectRaw());
    }
    EXPECT_LT(timed("sim frames mousepad"), 200);
    EXPECT_LT(timed("ui get device_profile_combo cursel"), 200);
    for (int fd : flood) {
        close(fd);
    }
    close(silent);
}

TEST(Application, SecondCopyHandsOverAndTheFirstAnswersHotPlugAndEndsOnRequest) {
    const std::string name = "veldmark_process_test_" + std::to_string(::getpid());
    const auto home = std::filesystem::temp_directory_path() / name;
    std::filesystem::create_directories(home);
    setenv("VELDMARK_INSTANCE", name.c_str(), 1);
    setenv("VELDMARK_HID", "sim:keyboard", 1);
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    setenv("XDG_DATA_HOME", (home / "share").c_str(), 1);

    const pid_t first = StartApp();
    ASSERT_GT(first, 0);
    // The keyboard's entry can be selected once the window runs and the keyboard arrived.
    std::optional<std::string> selected;
    const auto until = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < until && selected != "ok selected keyboard") {
        selected = Request(name, "sim select keyboard", 2000);
    }
    EXPECT_EQ(selected, "ok selected keyboard");

    const pid_t second = StartApp();
    ASSERT_GT(second, 0);
    EXPECT_EQ(WaitExit(second, 10000), 0);
    EXPECT_EQ(WaitExit(first, 0), std::nullopt) << "the first copy must keep running";

    EXPECT_EQ(Request(name, "sim unplug keyboard", 2000), "ok unplugged keyboard");
    EXPECT_EQ(Request(name, "sim plug mousepad", 2000), "ok plugged mousepad");

    kill(first, SIGTERM);
    EXPECT_EQ(WaitExit(first, 10000), 0);
    std::filesystem::remove_all(home);
}
