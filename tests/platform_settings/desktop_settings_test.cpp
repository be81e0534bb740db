#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/settings/recording_desktop_settings.h"
#include "platform/settings/settings_applier.h"
#include "platform/settings/settings_units.h"
#include "platform/settings/store_choice.h"

namespace platform::settings {
namespace {

using Call = RecordingDesktopSettings::Call;

TEST(SettingsUnits, PointerSpeedSliderIsDoubledPlusTwoAndLimitedToTwenty) {
    EXPECT_EQ(units::PointerSpeedFromSlider(0), 2);
    EXPECT_EQ(units::PointerSpeedFromSlider(9), 20);
    EXPECT_EQ(units::PointerSpeedFromSlider(10), 20);
    // Far past the range it stays the fastest speed instead of wrapping round.
    EXPECT_EQ(units::PointerSpeedFromSlider(127), 20);
    EXPECT_EQ(units::PointerSpeedFromSlider(100000), 20);
    EXPECT_EQ(units::PointerSpeedFromSlider(-5), 1);
}

TEST(SettingsUnits, WheelAndDoubleClickFollowTheirSliders) {
    EXPECT_EQ(units::WheelLinesFromSlider(2, false), 3);
    EXPECT_EQ(units::WheelLinesFromSlider(2, true), 255);
    EXPECT_EQ(units::WheelLinesFromSlider(400, false), 254);  // never the page-wise value
    EXPECT_EQ(units::DoubleClickMsFromSlider(0, 10), 1100);
    EXPECT_EQ(units::DoubleClickMsFromSlider(10, 10), 100);
    EXPECT_EQ(units::DoubleClickMsFromSlider(11, 10), 100);
    EXPECT_EQ(units::DoubleClickMsFromSlider(-3, 10), 1100);
}

TEST(SettingsUnits, GnomeSpeedMeetsTheStoreEndsAndItsDefault) {
    EXPECT_DOUBLE_EQ(units::GnomePointerSpeed(1), -1.0);
    EXPECT_DOUBLE_EQ(units::GnomePointerSpeed(10), 0.0);
    EXPECT_DOUBLE_EQ(units::GnomePointerSpeed(20), 1.0);
    EXPECT_DOUBLE_EQ(units::GnomePointerSpeed(0), -1.0);
    EXPECT_DOUBLE_EQ(units::GnomePointerSpeed(99), 1.0);
    for (int s = 1; s < 20; ++s) {
        EXPECT_LT(units::GnomePointerSpeed(s), units::GnomePointerSpeed(s + 1)) << s;
    }
}

TEST(SettingsUnits, XAccelerationIsAReducedFractionOfTheSpeed) {
    const units::XPointerControl normal = units::XAcceleration(10);
    EXPECT_EQ(normal.numerator, 2);
    EXPECT_EQ(normal.denominator, 1);
    const units::XPointerControl slow = units::XAcceleration(3);
    EXPECT_EQ(slow.numerator, 3);
    EXPECT_EQ(slow.denominator, 5);
    const units::XPointerControl fastest = units::XAcceleration(25);
    EXPECT_EQ(fastest.numerator, 4);
    EXPECT_EQ(fastest.denominator, 1);
}

TEST(SettingsUnits, KeyboardRepeatCoversTheDelayStepsAndRateEnds) {
    EXPECT_EQ(units::RepeatDelayMs(0), 250);
    EXPECT_EQ(units::RepeatDelayMs(2), 750);
    EXPECT_EQ(units::RepeatDelayMs(3), 1000);
    EXPECT_EQ(units::RepeatDelayMs(7), 1000);
    EXPECT_EQ(units::RepeatDelayMs(-1), 250);
    EXPECT_EQ(units::RepeatIntervalMs(0), 400);
    EXPECT_EQ(units::RepeatIntervalMs(31), 33);
    EXPECT_EQ(units::RepeatIntervalMs(40), 33);
    for (int r = 0; r < 31; ++r) {
        EXPECT_GE(units::RepeatIntervalMs(r), units::RepeatIntervalMs(r + 1)) << r;
    }
}

TEST(StoreChoice, GnomeFamilyTriesGSettingsFirstOtherDesktopsTheXServer) {
    using V = std::vector<StoreKind>;
    EXPECT_EQ(StoreOrder("", ""), (V{StoreKind::GSettings, StoreKind::X11}));
    EXPECT_EQ(StoreOrder("", "ubuntu:GNOME"), (V{StoreKind::GSettings, StoreKind::X11}));
    EXPECT_EQ(StoreOrder("", "Budgie:GNOME"), (V{StoreKind::GSettings, StoreKind::X11}));
    EXPECT_EQ(StoreOrder("", "KDE"), (V{StoreKind::X11, StoreKind::GSettings}));
    EXPECT_EQ(StoreOrder("", "XFCE"), (V{StoreKind::X11, StoreKind::GSettings}));
    // "GNOME-Flashback" is its own desktop name, not GNOME.
    EXPECT_EQ(StoreOrder("", "GNOME-Flashback"), (V{StoreKind::X11, StoreKind::GSettings}));
    EXPECT_EQ(StoreOrder("X11", "GNOME"), (V{StoreKind::X11}));
    EXPECT_EQ(StoreOrder("gsettings", "KDE"), (V{StoreKind::GSettings}));
    EXPECT_TRUE(StoreOrder("none", "GNOME").empty());
}

TEST(NoDesktopSettings, AnswersNotOfferedWithItsReasonForEverySetting) {
    NoDesktopSettings none("no display");
    for (int i = 0; i < kSettingCount; ++i) {
        const auto setting = static_cast<Setting>(i);
        EXPECT_FALSE(none.Offers(setting));
        const ApplyResult result = none.Apply(setting, 1);
        EXPECT_EQ(result.code, ApplyCode::NotOffered);
        EXPECT_EQ(result.context, "no display");
    }
}

TEST(SettingsApplier, LastValueAskedForWinsWhileTheStoreIsBusy) {
    RecordingDesktopSettings store;
    store.CloseGate();
    std::atomic<int> lastDone{-1};
    {
        SettingsApplier applier(store);
        auto done = [&](Setting, int value, const ApplyResult&) { lastDone = value; };
        applier.ApplyAsync(Setting::PointerSpeed, 4, done);
        // Wait until the helper is inside the store with the first value.
        for (int i = 0; i < 2000 && store.Waiting() == 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_EQ(store.Waiting(), 1);
        applier.ApplyAsync(Setting::PointerSpeed, 8, done);
        applier.ApplyAsync(Setting::PointerSpeed, 20, done);
        EXPECT_EQ(applier.Busy(), 1);  // one helper per setting, however many requests
        store.OpenGate();
        applier.JoinAll();
        EXPECT_EQ(applier.Busy(), 0);
    }
    // 8 was replaced while it waited; the store ends on 20.
    EXPECT_EQ(store.Calls(),
              (std::vector<Call>{{Setting::PointerSpeed, 4}, {Setting::PointerSpeed, 20}}));
    EXPECT_EQ(lastDone.load(), 20);
}

TEST(SettingsApplier, SettingsRunSideBySideAndTheDestructorJoinsThem) {
    RecordingDesktopSettings store;
    store.CloseGate();
    auto applier = std::make_unique<SettingsApplier>(store);
    applier->ApplyAsync(Setting::PointerSpeed, 12);
    applier->ApplyAsync(Setting::WheelLines, 3);
    for (int i = 0; i < 2000 && store.Waiting() < 2; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(store.Waiting(), 2);
    EXPECT_EQ(applier->Busy(), 2);
    std::thread opener([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        store.OpenGate();
    });
    applier.reset();  // waits for both helpers
    opener.join();
    EXPECT_EQ(store.Last(Setting::PointerSpeed), 12);
    EXPECT_EQ(store.Last(Setting::WheelLines), 3);
}

TEST(SettingsApplier, DirectApplyLandsAfterAnEarlierAsynchronousValue) {
    RecordingDesktopSettings store;
    store.CloseGate();
    SettingsApplier applier(store);
    applier.ApplyAsync(Setting::DoubleClickTime, 900);
    for (int i = 0; i < 2000 && store.Waiting() == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::thread opener([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        store.OpenGate();
    });
    EXPECT_TRUE(applier.Apply(Setting::DoubleClickTime, 300).Ok());
    opener.join();
    EXPECT_EQ(store.Last(Setting::DoubleClickTime), 300);
}

TEST(SettingsApplier, FailuresAndMissingSettingsReachTheCaller) {
    RecordingDesktopSettings store;
    store.SetOffered(Setting::WheelLines, false);
    store.SetFailure(Setting::PointerSpeed, "BadValue");
    SettingsApplier applier(store);
    std::vector<ApplyCode> codes;
    std::mutex mutex;
    auto done = [&](Setting, int, const ApplyResult& r) {
        std::lock_guard lock(mutex);
        codes.push_back(r.code);
    };
    applier.ApplyAsync(Setting::WheelLines, 3, done);
    applier.JoinAll();
    applier.ApplyAsync(Setting::PointerSpeed, 3, done);
    applier.JoinAll();
    EXPECT_EQ(codes, (std::vector<ApplyCode>{ApplyCode::NotOffered, ApplyCode::Failed}));
    EXPECT_EQ(applier.Apply(Setting::PointerSpeed, 5).context, "BadValue");
}

}  // namespace
}  // namespace platform::settings
