// The GNOME settings adapter against the real store: each case runs this
// program again as a child inside a private session bus (dbus-run-session)
// with its own configuration folder, so the user's settings are never
// touched; the child writes through the adapter and reads the values back
// with the desktop's own `gsettings get`.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/settings/linux/gsettings_desktop_settings.h"
#include "store_test_support.h"

namespace platform::settings {
namespace {

using store_test::Run;
using store_test::Trimmed;

constexpr const char* kChildMark = "VELDMARK_GSETTINGS_CHILD";

bool InChild() {
    return std::getenv(kChildMark) != nullptr;
}

std::string Get(const char* schema, const char* key) {
    return Trimmed(Run(std::string("gsettings get ") + schema + " " + key).output);
}

// Runs the child cases named by `filter` with `backend` inside a private bus.
void RunChild(const std::string& backend, const std::string& filter,
              const std::string& extraEnv = "") {
    if (!store_test::HasTool("dbus-run-session") || !store_test::HasTool("gsettings")) {
        GTEST_SKIP() << "dbus-run-session or gsettings is not installed (scripts/setup.sh)";
    }
    store_test::TempFolder home;
    ASSERT_FALSE(home.Path().empty());
    std::filesystem::create_directories(home.Path() / "config");
    std::filesystem::create_directories(home.Path() / "run");
    std::filesystem::permissions(home.Path() / "run", std::filesystem::perms::owner_all);
    // The environment goes in front of dbus-run-session so that the bus and
    // the dconf service it starts see the private folders too.
    const std::string command =
        "env " + std::string(kChildMark) + "=1 GSETTINGS_BACKEND=" + backend +
        " XDG_CONFIG_HOME=" + (home.Path() / "config").string() +
        " XDG_RUNTIME_DIR=" + (home.Path() / "run").string() + " " + extraEnv +
        " dbus-run-session -- " + store_test::SelfPath() + " --gtest_filter=" + filter;
    const store_test::CommandResult result = Run(command);
    EXPECT_EQ(result.status, 0) << result.output;
    EXPECT_EQ(result.output.find("[  SKIPPED ]"), std::string::npos) << result.output;
}

TEST(GSettingsStore, KeyfileStoreHoldsWhatTheAdapterWrote) {
    RunChild("keyfile", "GSettingsChild.WritesEveryOfferedSetting");
}

TEST(GSettingsStore, DconfStoreOnAPrivateBusHoldsWhatTheAdapterWrote) {
    if (!std::filesystem::exists("/usr/libexec/dconf-service")) {
        GTEST_SKIP() << "dconf-service is not installed (scripts/setup.sh)";
    }
    RunChild("dconf", "GSettingsChild.WritesEveryOfferedSetting");
}

TEST(GSettingsStore, MissingSchemasAreRefusedWithoutAbortingTheProgram) {
    store_test::TempFolder empty;
    RunChild("keyfile", "GSettingsChild.RefusesWithoutSchemas",
             "GSETTINGS_SCHEMA_DIR=" + empty.Path().string() +
                 " XDG_DATA_DIRS=" + empty.Path().string());
}

// --- child cases (run only inside the private session) -------------------------------

TEST(GSettingsChild, WritesEveryOfferedSetting) {
    if (!InChild()) {
        GTEST_SKIP() << "runs inside GSettingsStore's private session";
    }
    std::string why;
    const auto settings = GSettingsDesktopSettings::Open(&why);
    ASSERT_NE(settings, nullptr) << why;
    const char* mouse = "org.gnome.desktop.peripherals.mouse";
    const char* keyboard = "org.gnome.desktop.peripherals.keyboard";

    ASSERT_TRUE(settings->SetPointerSpeed(20).Ok());
    EXPECT_EQ(Get(mouse, "speed"), "1.0");
    ASSERT_TRUE(settings->SetPointerSpeed(1).Ok());
    EXPECT_EQ(Get(mouse, "speed"), "-1.0");
    ASSERT_TRUE(settings->SetPointerSpeed(15).Ok());
    EXPECT_EQ(Get(mouse, "speed"), "0.5");

    ASSERT_TRUE(settings->SetPointerAcceleration(false).Ok());
    EXPECT_EQ(Get(mouse, "accel-profile"), "'flat'");
    ASSERT_TRUE(settings->SetPointerAcceleration(true).Ok());
    EXPECT_EQ(Get(mouse, "accel-profile"), "'adaptive'");

    ASSERT_TRUE(settings->Offers(Setting::DoubleClickTime));
    ASSERT_TRUE(settings->SetDoubleClickTime(1100).Ok());
    EXPECT_EQ(Get(mouse, "double-click"), "1100");

    ASSERT_TRUE(settings->SetKeyboardRepeatDelay(2).Ok());
    EXPECT_EQ(Get(keyboard, "delay"), "uint32 750");
    ASSERT_TRUE(settings->SetKeyboardRepeatRate(31).Ok());
    EXPECT_EQ(Get(keyboard, "repeat-interval"), "uint32 33");

    // GNOME keeps no wheel-lines setting: said, not pretended.
    EXPECT_FALSE(settings->Offers(Setting::WheelLines));
    EXPECT_EQ(settings->SetWheelLines(3).code, ApplyCode::NotOffered);
}

TEST(GSettingsChild, RefusesWithoutSchemas) {
    if (!InChild()) {
        GTEST_SKIP() << "runs inside GSettingsStore's private session";
    }
    std::string why;
    EXPECT_EQ(GSettingsDesktopSettings::Open(&why), nullptr);
    EXPECT_NE(why.find("schemas"), std::string::npos) << why;
}

}  // namespace
}  // namespace platform::settings
