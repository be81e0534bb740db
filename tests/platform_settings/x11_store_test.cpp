// The X server adapter against a real server: a private Xvfb started by the
// test, read back with the desktop's own `xset q`.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <regex>
#include <thread>

#include "platform/settings/linux/x11_desktop_settings.h"
#include "store_test_support.h"

namespace platform::settings {
namespace {

using store_test::Run;

// A private X server on the first free display number it finds.
class PrivateXServer {
  public:
    PrivateXServer() {
        int fds[2];
        if (pipe(fds) != 0) {
            return;
        }
        m_pid = fork();
        if (m_pid == 0) {
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0",
                   "640x480x24", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        char c = 0;
        while (read(fds[0], &c, 1) == 1 && c != '\n') {
            number += c;
        }
        close(fds[0]);
        if (!number.empty()) {
            m_display = ":" + number;
        }
    }
    ~PrivateXServer() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    const std::string& Display() const { return m_display; }

  private:
    pid_t m_pid = -1;
    std::string m_display;
};

struct XsetReport {
    std::string acceleration;  // "2/1"
    int threshold = -1;
    int repeatDelay = -1;
    int repeatRate = -1;
};

XsetReport ReadXset(const std::string& display) {
    const std::string text = Run("DISPLAY=" + display + " xset q").output;
    XsetReport report;
    std::smatch m;
    if (std::regex_search(text, m,
                          std::regex(R"(acceleration:\s*(\d+/\d+)\s+threshold:\s*(\d+))"))) {
        report.acceleration = m[1];
        report.threshold = std::stoi(m[2]);
    }
    if (std::regex_search(text, m,
                          std::regex(R"(auto repeat delay:\s*(\d+)\s+repeat rate:\s*(\d+))"))) {
        report.repeatDelay = std::stoi(m[1]);
        report.repeatRate = std::stoi(m[2]);
    }
    return report;
}

class X11StoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!store_test::HasTool("Xvfb") || !store_test::HasTool("xset")) {
            GTEST_SKIP() << "Xvfb or xset is not installed (scripts/setup.sh)";
        }
        ASSERT_FALSE(m_server.Display().empty()) << "Xvfb did not start";
        std::string why;
        m_settings = X11DesktopSettings::Open(m_server.Display(), &why);
        ASSERT_NE(m_settings, nullptr) << why;
    }

    PrivateXServer m_server;
    std::unique_ptr<X11DesktopSettings> m_settings;
};

TEST_F(X11StoreTest, PointerSpeedAndAccelerationReachThePointerControl) {
    ASSERT_TRUE(m_settings->SetPointerSpeed(20).Ok());
    ASSERT_TRUE(m_settings->SetPointerAcceleration(true).Ok());
    XsetReport report = ReadXset(m_server.Display());
    EXPECT_EQ(report.acceleration, "4/1");
    EXPECT_EQ(report.threshold, 4);

    ASSERT_TRUE(m_settings->SetPointerSpeed(3).Ok());
    ASSERT_TRUE(m_settings->SetPointerAcceleration(false).Ok());
    report = ReadXset(m_server.Display());
    EXPECT_EQ(report.acceleration, "3/5");  // the threshold change kept the speed
    EXPECT_EQ(report.threshold, 1);
}

TEST_F(X11StoreTest, RepeatDelayAndRateReachXkbEachKeepingTheOther) {
    ASSERT_TRUE(m_settings->Offers(Setting::KeyboardRepeatDelay));
    ASSERT_TRUE(m_settings->SetKeyboardRepeatDelay(2).Ok());
    ASSERT_TRUE(m_settings->SetKeyboardRepeatRate(31).Ok());
    XsetReport report = ReadXset(m_server.Display());
    EXPECT_EQ(report.repeatDelay, 750);
    EXPECT_EQ(report.repeatRate, 30);  // 1000 / 33 ms

    ASSERT_TRUE(m_settings->SetKeyboardRepeatDelay(0).Ok());
    report = ReadXset(m_server.Display());
    EXPECT_EQ(report.repeatDelay, 250);
    EXPECT_EQ(report.repeatRate, 30);
}

TEST_F(X11StoreTest, WheelAndDoubleClickAreNotOfferedAndWriteNothing) {
    const XsetReport before = ReadXset(m_server.Display());
    EXPECT_EQ(m_settings->SetWheelLines(3).code, ApplyCode::NotOffered);
    EXPECT_EQ(m_settings->SetDoubleClickTime(500).code, ApplyCode::NotOffered);
    EXPECT_FALSE(m_settings->Offers(Setting::WheelLines));
    EXPECT_FALSE(m_settings->Offers(Setting::DoubleClickTime));
    const XsetReport after = ReadXset(m_server.Display());
    EXPECT_EQ(after.acceleration, before.acceleration);
    EXPECT_EQ(after.repeatDelay, before.repeatDelay);
}

TEST(X11Store, AGoneServerFailsWithAReasonAndReconnectsNever) {
    std::string why;
    EXPECT_EQ(X11DesktopSettings::Open(":4093", &why), nullptr);
    EXPECT_NE(why.find(":4093"), std::string::npos) << why;
}

TEST(X11Store, AServerThatGoesAwayTurnsWritesIntoFailures) {
    if (!store_test::HasTool("Xvfb")) {
        GTEST_SKIP() << "Xvfb is not installed (scripts/setup.sh)";
    }
    auto server = std::make_unique<PrivateXServer>();
    ASSERT_FALSE(server->Display().empty());
    std::string why;
    auto settings = X11DesktopSettings::Open(server->Display(), &why);
    ASSERT_NE(settings, nullptr) << why;
    server.reset();
    const ApplyResult result = settings->SetPointerSpeed(12);
    EXPECT_EQ(result.code, ApplyCode::Failed);
    EXPECT_FALSE(result.context.empty());
}

}  // namespace
}  // namespace platform::settings
