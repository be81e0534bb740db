// The application as a process, on the offscreen platform and the simulated
// keyboard: a second copy hands over to the first and ends with 0, the first
// answers hot-plug requests, and a termination request ends it cleanly.

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

}  // namespace

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
