// The common effect of a synchronised group, step by step against colours
// worked out by hand from the lighting tables, and the group's thread: it
// sleeps while there is no group and paints the group's pages when there is.

#include "shell/light_sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "device/usb_device.h"
#include "sim/sim_bus.h"

namespace {

using app::SyncEffect;
using app::SyncParams;
using app::SyncType;
using device::LedColor;

SyncParams Params(SyncType type, uint8_t brightness = 4, uint8_t multi = 0, uint8_t direction = 1,
                  uint8_t speed = 4) {
    return {type, brightness, speed, direction, multi, 10, 20, 30};
}

// Runs `steps` steps and returns the last colour.
LedColor After(SyncEffect& effect, const SyncParams& p, int steps, uint32_t now = 0) {
    LedColor last;
    for (int i = 0; i < steps; ++i) {
        last = effect.Step(p, now);
    }
    return last;
}

// --- the common effect ---------------------------------------------------------------------

TEST(SyncEffect, SingleColourBreathKeepsTheColourAndFollowsTheCurve) {
    SyncEffect effect;
    const SyncParams p = Params(SyncType::Breath);
    // Level 4 is 195; the curve is 1 after one step, 114 at 40, 255 at 64.
    EXPECT_EQ(After(effect, p, 1), (LedColor{10, 20, 30, 0}));
    EXPECT_EQ(After(effect, p, 39), (LedColor{10, 20, 30, 195 * 114 / 256}));
    EXPECT_EQ(After(effect, p, 24), (LedColor{10, 20, 30, 194}));
    EXPECT_EQ(After(effect, p, 64), (LedColor{10, 20, 30, 0}));  // back at the curve's start
    EXPECT_EQ(effect.Ramp(), 0);
}

TEST(SyncEffect, BreathBackwardsStartsAtTheCurvesEnd) {
    SyncEffect effect;
    const SyncParams p = Params(SyncType::Breath, 5, 0, 0);
    EXPECT_EQ(After(effect, p, 1).alpha, 0);  // ramp 127
    EXPECT_EQ(effect.Ramp(), 127);
    EXPECT_EQ(After(effect, p, 1).alpha, 255 * 1 / 256);     // ramp 126 reads 1
    EXPECT_EQ(After(effect, p, 62).alpha, 255 * 255 / 256);  // ramp 64
}

TEST(SyncEffect, MultiColourBreathTakesTheNextHueAtTheBottomOfEachBreath) {
    SyncEffect effect;
    const SyncParams p = Params(SyncType::Breath, 4, 1);
    // Wheel 16 is (255, 81, 0), wheel 32 is (248, 255, 0).
    const LedColor first = After(effect, p, 1);
    EXPECT_EQ((std::array<uint8_t, 3>{first.r, first.g, first.b}),
              (std::array<uint8_t, 3>{255, 81, 0}));
    const LedColor middle = After(effect, p, 63);
    EXPECT_EQ((std::array<uint8_t, 3>{middle.r, middle.g, middle.b}),
              (std::array<uint8_t, 3>{255, 81, 0}));
    const LedColor next = After(effect, p, 64);
    EXPECT_EQ((std::array<uint8_t, 3>{next.r, next.g, next.b}),
              (std::array<uint8_t, 3>{248, 255, 0}));
}

TEST(SyncEffect, SpectrumWalksTheWheelAndWrapsAtItsEnd) {
    SyncEffect effect;
    const SyncParams p = Params(SyncType::Spectrum, 2);
    EXPECT_EQ(After(effect, p, 1), (LedColor{255, 3, 0, 110}));
    EXPECT_EQ(After(effect, p, 191), (LedColor{255, 1, 0, 110}));  // index 192 is 0 again
    EXPECT_EQ(effect.ColorIndex(), 0);
}

TEST(SyncEffect, BlinkTogglesAfterItsHalfPeriodAndStepsTheHue) {
    SyncEffect effect;
    SyncParams p = Params(SyncType::Blink, 4, 1, 1, 4);  // 7 × 200 ms
    EXPECT_EQ(effect.Step(p, 1000), (LedColor{}));
    EXPECT_EQ(effect.Step(p, 1399), (LedColor{}));
    EXPECT_EQ(effect.Step(p, 1400), (LedColor{255, 65, 0, 195}));  // wheel 14
    EXPECT_EQ(effect.Step(p, 2799), (LedColor{255, 65, 0, 195}));
    EXPECT_EQ(effect.Step(p, 2800), (LedColor{}));
    p.multiColor = 0;
    p.speed = 0;  // 28 × 200 ms
    EXPECT_EQ(effect.Step(p, 8399), (LedColor{}));
    EXPECT_EQ(effect.Step(p, 8400), (LedColor{10, 20, 30, 195}));
}

TEST(SyncEffect, StaticAndOff) {
    SyncEffect effect;
    EXPECT_EQ(effect.Step(Params(SyncType::Static, 1), 0), (LedColor{10, 20, 30, 80}));
    // A level past the table reads its last entry.
    EXPECT_EQ(effect.Step(Params(SyncType::Static, 9), 0), (LedColor{10, 20, 30, 255}));
    EXPECT_EQ(effect.Step(Params(SyncType::Off, 4, 1), 0), (LedColor{}));
}

TEST(SyncEffect, FastestSpeedStepsEverySevenCountedTicksAndTheSlowestEveryTwentyEight) {
    EXPECT_EQ(SyncEffect::StepIntervalMs(4), 7u * SyncEffect::kMsPerTick);
    EXPECT_EQ(SyncEffect::StepIntervalMs(0), 28u * SyncEffect::kMsPerTick);
    EXPECT_EQ(SyncEffect::StepIntervalMs(200), SyncEffect::StepIntervalMs(4));
}

TEST(SyncEffect, EachKindShowsAnEffectInItsOwnMode) {
    EXPECT_EQ(app::SyncTypeOfMode(1, 5), SyncType::Breath);
    EXPECT_EQ(app::SyncTypeOfMode(3, 2), SyncType::Breath);
    EXPECT_EQ(app::SyncTypeOfMode(1, 27), SyncType::Off);
    EXPECT_EQ(app::SyncTypeOfMode(2, 1), SyncType::Spectrum);
    EXPECT_FALSE(app::SyncTypeOfMode(1, 24).has_value());
    EXPECT_FALSE(app::SyncTypeOfMode(7, 5).has_value());
    EXPECT_EQ(app::SyncModeOf(1, SyncType::Blink), 22);
    EXPECT_EQ(app::SyncModeOf(7, SyncType::Blink), 4);
}

// --- the group's thread ---------------------------------------------------------------------

class LightSyncThreadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        bus = sim::MakeBus("mousepad");
        ASSERT_NE(bus, nullptr);
        page = std::make_unique<CVeldmarkUSBDevice>(*bus);
        page->SetLedCount(15);
        auto pad = bus->Find(sim::DeviceKind::Mousepad);
        ASSERT_TRUE(page->Channel().OpenInterface(pad->CommandPath(), 3));
        sync.SetPages({page.get()});
    }
    void TearDown() override {
        worker.Stop();
        page.reset();
    }

    std::unique_ptr<sim::SimBus> bus;
    std::unique_ptr<CVeldmarkUSBDevice> page;
    std::atomic<int> clockReads{0};
    app::LightSync sync{[this] {
        ++clockReads;
        return device::SteadyMilliseconds();
    }};
    ui::Worker worker{"light sync"};
};

TEST_F(LightSyncThreadTest, SleepsWithoutAGroupAndPaintsAsSoonAsOneIsFormed) {
    sync.SetParams(Params(SyncType::Static, 5));
    ASSERT_TRUE(worker.Start([this](ui::StopSignal& stop) { sync.Run(stop); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    // No polling: at most the reading taken when it started.
    EXPECT_LE(clockReads.load(), 1);
    EXPECT_EQ(page->GetSyncColor(), (LedColor{}));

    page->Channel().streamPaused.store(true);
    sync.Wake();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (page->GetSyncColor() == LedColor{} && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(page->GetSyncColor(), (LedColor{10, 20, 30, 255}));

    // At the fastest speed it wakes once per step (14 ms), not every millisecond.
    const int before = clockReads.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(280));
    EXPECT_LT(clockReads.load() - before, 60);

    page->Channel().streamPaused.store(false);
    EXPECT_EQ(worker.Stop(), ui::StopResult::Stopped);
}

TEST_F(LightSyncThreadTest, StopsAtOnceWhileIdle) {
    ASSERT_TRUE(worker.Start([this](ui::StopSignal& stop) { sync.Run(stop); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(worker.Stop(), ui::StopResult::Stopped);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
}

TEST_F(LightSyncThreadTest, PaintsOnlyThePagesOfTheGroup) {
    CVeldmarkUSBDevice other(*bus);
    other.SetLedCount(6);
    sync.SetPages({page.get(), &other});
    page->Channel().streamPaused.store(true);
    sync.SetParams(Params(SyncType::Static, 3));
    EXPECT_EQ(sync.StepAndPaint(0), (LedColor{10, 20, 30, 135}));
    EXPECT_EQ(page->GetSyncColor(), (LedColor{10, 20, 30, 135}));
    EXPECT_EQ(other.GetSyncColor(), (LedColor{}));
    // A paused page whose device is gone does not keep a group alive.
    page->Channel().CloseInterface();
    EXPECT_FALSE(sync.Active());
}

}  // namespace
