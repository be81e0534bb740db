#include <gtest/gtest.h>

#include <vector>

#include "device/lighting_engine.h"
#include "device/lighting_tables.h"

namespace device {
namespace {

LedColor Lit(const Rgb& c, uint8_t alpha) {
    return {c.r, c.g, c.b, alpha};
}

class LightingEffectsTest : public ::testing::Test {
  protected:
    void Use(int leds, LightingParams params) {
        engine.SetLedCount(leds);
        engine.SetLightingParams(params);
    }
    void ExpectEveryLed(const LedColor& expected) {
        for (int i = 0; i < engine.GetLedCount(); ++i) {
            ASSERT_EQ(engine.GetLedColor(i), expected) << "LED " << i;
        }
    }

    uint32_t now = 0;
    LightingEngine engine{[this] { return now; }};
};

TEST(LightingStep, WrapsAtBothEndsOfItsRange) {
    EXPECT_EQ(LightingEngine::Step(0, 128, 0), 127);
    EXPECT_EQ(LightingEngine::Step(1, 128, 127), 0);
    EXPECT_EQ(LightingEngine::Step(1, 192, 5), 6);
    EXPECT_EQ(LightingEngine::Step(0, 192, 5), 4);
    EXPECT_EQ(LightingEngine::Step(0, 128, 150), 127);  // a phase left by a longer range
    EXPECT_EQ(LightingEngine::Step(1, 128, 150), 0);
    EXPECT_EQ(LightingEngine::Step(7, 96, 255), 0);  // any non-zero direction runs forwards
    EXPECT_EQ(LightingEngine::StepBy(0, 96, 3, 0), 93);
    EXPECT_EQ(LightingEngine::StepBy(1, 96, 3, 93), 0);
    EXPECT_EQ(LightingEngine::StepBy(1, 96, 3, 90), 93);
}

TEST_F(LightingEffectsTest, LedAccessOutsideTheFrameReadsDarkAndWritesNothing) {
    Use(6, {});
    engine.SetLedColor(5, {1, 2, 3, 4});
    engine.SetLedColor(6, {9, 9, 9, 9});
    engine.SetLedColor(-1, {9, 9, 9, 9});
    EXPECT_EQ(engine.GetLedColor(5), (LedColor{1, 2, 3, 4}));
    EXPECT_EQ(engine.GetLedColor(-1), LedColor{});
    EXPECT_EQ(engine.GetLedColor(6), LedColor{});
    EXPECT_EQ(engine.Frame().size(), 6u);
}

TEST_F(LightingEffectsTest, BreathScalesTheCurveByBrightnessAndCountsCyclesInColorIndex) {
    Use(15, {.brightness = 3, .direction = 1, .red = 10, .green = 20, .blue = 30});
    engine.SetPhase(40);
    engine.FrameBreath();
    ExpectEveryLed({10, 20, 30, 119 * 135 >> 8});

    for (int cycle = 1; cycle <= 13; ++cycle) {
        engine.SetPhase(127);
        engine.FrameBreath();
        EXPECT_EQ(engine.Phase(), 0);
        EXPECT_EQ(engine.ColorIndex(), cycle < 13 ? 16 * cycle : 0) << "cycle " << cycle;
    }
    engine.SetLightingParams({.brightness = 5});
    engine.FrameBreath();  // backwards from 0
    EXPECT_EQ(engine.Phase(), 127);
}

TEST_F(LightingEffectsTest, MultiColourBreathColoursKeyboardColumns) {
    Use(126, {.brightness = 5, .direction = 1, .multi = 1});
    engine.SetLedColor(16, {1, 2, 3, 4});  // in no column
    engine.SetPhase(40);
    engine.FrameBreath();
    EXPECT_EQ(engine.GetLedColor(0), Lit(kColorWheel[15], 118));
    EXPECT_EQ(engine.GetLedColor(120), Lit(kColorWheel[1], 118));
    EXPECT_EQ(engine.GetLedColor(118), Lit(kColorWheel[155], 118));
    EXPECT_EQ(engine.GetLedColor(125), Lit(kColorWheel[78], 118));
    EXPECT_EQ(engine.GetLedColor(16), (LedColor{1, 2, 3, 4}));
}

TEST_F(LightingEffectsTest, MultiColourFramesOnSmallDevicesSkipLayoutEntriesPastTheirLeds) {
    const LightingParams params{.brightness = 5, .direction = 1, .multi = 1};
    Use(6, params);
    engine.SetPhase(40);
    engine.FrameBreath();
    EXPECT_EQ(engine.GetLedColor(0), Lit(kColorWheel[15], 118));
    EXPECT_EQ(engine.GetLedColor(5), Lit(kColorWheel[57], 118));
    engine.FrameStatic();
    EXPECT_EQ(engine.GetLedColor(5), Lit(kColorWheel[96], 255));
    EXPECT_EQ(engine.Frame().size(), 6u);

    Use(15, params);
    engine.FrameStatic();
    EXPECT_EQ(engine.GetLedColor(0), Lit(kColorWheel[36], 255));
    EXPECT_EQ(engine.GetLedColor(6), Lit(kColorWheel[108], 255));
    EXPECT_EQ(engine.GetLedColor(13), Lit(kColorWheel[24], 255));
    EXPECT_EQ(engine.GetLedColor(14), Lit(kColorWheel[12], 255));
    engine.SetPhase(40);
    engine.FrameBreath();
    EXPECT_EQ(engine.GetLedColor(14), Lit(kColorWheel[120], 118));
}

TEST_F(LightingEffectsTest, StaticShowsTheRecordColourOrTheRingHues) {
    Use(126, {.brightness = 4, .red = 7, .green = 8, .blue = 9});
    engine.FrameStatic();
    ExpectEveryLed({7, 8, 9, 195});

    engine.SetLightingParams({.brightness = 4, .multi = 1});
    engine.SetLedColor(16, {1, 2, 3, 4});  // in no ring
    engine.FrameStatic();
    EXPECT_EQ(engine.GetLedColor(49), Lit(kColorWheel[132], 195));
    EXPECT_EQ(engine.GetLedColor(115), Lit(kColorWheel[0], 195));
    EXPECT_EQ(engine.GetLedColor(16), (LedColor{1, 2, 3, 4}));
}

TEST_F(LightingEffectsTest, SpectrumWalksTheWheelInTheRecordDirection) {
    Use(6, {.brightness = 1, .direction = 0});
    engine.FrameSpectrum();
    ExpectEveryLed(Lit(kColorWheel[191], 80));
    engine.SetLightingParams({.brightness = 1, .direction = 1});
    engine.FrameSpectrum();
    ExpectEveryLed(Lit(kColorWheel[0], 80));
}

TEST_F(LightingEffectsTest, BlinkTogglesAfterTheHalfPeriodOfItsSpeed) {
    Use(6, {.brightness = 2, .speed = 4, .red = 9, .green = 8, .blue = 7});
    now = 1399;
    engine.FrameBlink();
    ExpectEveryLed({});
    now = 1400;
    engine.FrameBlink();
    ExpectEveryLed({9, 8, 7, 110});
    EXPECT_EQ(engine.Phase(), 16);
    now = 2799;
    engine.FrameBlink();
    EXPECT_EQ(engine.BlinkOn(), 1);
    now = 2800;
    engine.FrameBlink();
    ExpectEveryLed({});

    LightingEngine slow([this] { return now; });
    slow.SetLedCount(6);
    slow.SetLightingParams({.brightness = 2, .speed = 0, .multi = 1});
    now = 5599;
    slow.FrameBlink();
    EXPECT_EQ(slow.BlinkOn(), 0);
    now = 5600;
    slow.FrameBlink();
    EXPECT_EQ(slow.GetLedColor(3), Lit(kColorWheel[16], 110));
}

TEST_F(LightingEffectsTest, BlinkCycleStepsThroughTheFixedColours) {
    Use(6, {.brightness = 5, .speed = 4});
    const LedColor on[] = {
        Lit(kFixedColors[1], 255), {}, Lit(kFixedColors[3], 255), {}, Lit(kFixedColors[1], 255)};
    for (int toggle = 0; toggle < 5; ++toggle) {
        now = 1400 * (toggle + 1);
        engine.FrameBlinkCycle();
        ExpectEveryLed(on[toggle]);
    }
}

TEST_F(LightingEffectsTest, BreathCycleDrawsAnOutOfRangeColorIndexAsTheFirstColour) {
    Use(6, {.brightness = 5, .direction = 1});
    engine.SetPhase(127);
    engine.FrameBreath();  // leaves colorIndex at 16
    engine.SetPhase(40);
    engine.FrameBreathCycle();
    ExpectEveryLed(Lit(kFixedColors[0], 118));
    engine.SetPhase(127);
    engine.FrameBreathCycle();
    EXPECT_EQ(engine.ColorIndex(), 0);
    engine.FrameOff();
    ExpectEveryLed({});
}

TEST_F(LightingEffectsTest, WaveSpacesItsCurveAlongTheStrip) {
    Use(15, {.brightness = 5, .direction = 1, .red = 200, .green = 100, .blue = 50});
    engine.FrameWave();
    EXPECT_EQ(engine.Phase(), 1);
    EXPECT_EQ(engine.GetLedColor(0), (LedColor{200, 100, 50, 27 * 255 >> 8}));
    EXPECT_EQ(engine.GetLedColor(7), (LedColor{200, 100, 50, 234 * 255 >> 8}));
    EXPECT_EQ(engine.GetLedColor(14), (LedColor{200, 100, 50, 33 * 255 >> 8}));

    engine.SetLightingParams({.brightness = 5, .direction = 0, .multi = 1});
    engine.SetPhase(0);
    engine.FrameWave();
    EXPECT_EQ(engine.GetLedColor(0), Lit(kColorWheel[0], 255));
    EXPECT_EQ(engine.GetLedColor(1), Lit(kColorWheel[7], 255));

    // A wider, faster single-colour wave, as a 13-LED strip lays it out.
    Use(13, {.brightness = 5, .direction = 0, .red = 1});
    engine.SetPhase(0);
    engine.FrameWave({.singleStride = 3, .singleOffset = 0, .singleSpacing = 10});
    EXPECT_EQ(engine.Phase(), 93);
    EXPECT_EQ(engine.GetLedColor(1), (LedColor{1, 0, 0, 42 * 255 >> 8}));
}

class RippleTest : public LightingEffectsTest {};

TEST_F(RippleTest, PairRippleIgnitesTheRingAndFadesThePairs) {
    Use(15, {.mode = 7, .brightness = 5, .direction = 1, .red = 255});
    engine.SetRingIgnition(RingIgnition::PerLedShifted);
    engine.Keys().SetRing(2, 1);
    engine.FramePairRipple();
    engine.FramePairRipple();
    EXPECT_EQ(engine.Keys().Level(2), 0);
    engine.FramePairRipple();
    EXPECT_EQ(engine.Keys().Level(2), 215);
    EXPECT_EQ(engine.Keys().Ring(1), 1);  // rotated back one place
    EXPECT_EQ(engine.Keys().Ring(2), 0);
    EXPECT_EQ(engine.GetLedColor(3), (LedColor{255, 0, 0, 214}));
    EXPECT_EQ(engine.GetLedColor(12), (LedColor{255, 0, 0, 214}));
    EXPECT_EQ(engine.GetLedColor(2).alpha, 0);
    engine.FramePairRipple();
    EXPECT_EQ(engine.GetLedColor(3).alpha, 174);
}

TEST_F(RippleTest, MultiColourPairsKeepTheirColourWhileTheEdgeIsLit) {
    Use(15, {.mode = 7, .brightness = 5, .direction = 1, .multi = 1});
    engine.SetLedColor(1, {1, 2, 3, 0});
    engine.Keys().SetLevel(0, 255);
    engine.FramePairRipple();
    EXPECT_EQ(engine.GetLedColor(1), (LedColor{1, 2, 3, 214}));
    EXPECT_EQ(engine.GetLedColor(14), (LedColor{1, 2, 3, 214}));
    EXPECT_EQ(engine.Phase(), static_cast<uint8_t>(1 + 7 * 12));

    Use(15, {.mode = 7, .brightness = 5, .direction = 1, .multi = 1});
    engine.SetPhase(0);
    engine.Keys().ClearKeyLevels();
    engine.Keys().SetLevel(1, 255);
    engine.FramePairRipple();
    EXPECT_EQ(engine.GetLedColor(13), Lit(kColorWheel[25], 214));
}

TEST_F(RippleTest, RippleOnASmallDeviceStaysWithinItsLeds) {
    Use(6, {.mode = 6, .brightness = 5, .direction = 1, .green = 255});
    engine.SetRingIgnition(RingIgnition::PerLed);
    for (int i = 0; i < 12; ++i) {
        engine.Keys().SetLevel(i, 255);
    }
    engine.Keys().SetRing(22, 1);
    engine.FrameRipple();
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(engine.GetLedColor(i), (LedColor{0, 255, 0, 214})) << "LED " << i;
    }
    EXPECT_EQ(engine.Keys().Level(6), 255);  // no LED, so no decay
    engine.FrameRipple();
    engine.FrameRipple();  // rotates ring[22] round to ring[0]
    EXPECT_EQ(engine.Keys().Ring(0), 1);
    engine.FrameRipple();
    engine.FrameRipple();  // every second frame ignites: key 0 from ring[0]
    EXPECT_EQ(engine.GetLedColor(0).alpha, 214);
    EXPECT_LT(engine.GetLedColor(1).alpha, 214);
}

}  // namespace
}  // namespace device
