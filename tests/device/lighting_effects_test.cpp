#include <gtest/gtest.h>

#include "device/lighting_engine.h"
#include "device/lighting_tables.h"

namespace device {
namespace {

constexpr LedColor kUntouched{1, 2, 3, 4};

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
    LedColor Led(int i) const { return engine.GetLedColor(i); }

    uint32_t now = 0;
    LightingEngine engine{[this] { return now; }};
};

TEST(LightingStep, WrapsAtBothEndsOfItsRange) {
    EXPECT_EQ(LightingEngine::Step(0, 128, 0), 127);
    EXPECT_EQ(LightingEngine::Step(1, 128, 127), 0);
    EXPECT_EQ(LightingEngine::Step(0, 128, 150), 127);  // a phase left by a longer range
    EXPECT_EQ(LightingEngine::Step(1, 128, 150), 0);
    EXPECT_EQ(LightingEngine::StepBy(0, 96, 3, 0), 93);
    EXPECT_EQ(LightingEngine::StepBy(1, 96, 3, 93), 0);
}

TEST_F(LightingEffectsTest, LedAccessOutsideTheFrameReadsDarkAndWritesNothing) {
    Use(6, {});
    engine.SetLedColor(6, {9, 9, 9, 9});
    engine.SetLedColor(-1, {9, 9, 9, 9});
    EXPECT_EQ(Led(-1), LedColor{});
    EXPECT_EQ(Led(6), LedColor{});
    ExpectEveryLed({});
}

TEST_F(LightingEffectsTest, BreathScalesTheCurveByBrightnessAndCountsCyclesInColorIndex) {
    Use(15, {.brightness = 3, .direction = 1, .red = 10, .green = 20, .blue = 30});
    engine.SetPhase(40);
    engine.FrameBreath();
    ExpectEveryLed({10, 20, 30, 119 * 135 >> 8});
    for (int cycle = 1; cycle <= 13; ++cycle) {
        engine.SetPhase(127);
        engine.FrameBreath();
        EXPECT_EQ(engine.ColorIndex(), cycle < 13 ? 16 * cycle : 0) << "cycle " << cycle;
    }
}

TEST_F(LightingEffectsTest, MultiColourFramesFollowTheKeyboardLayouts) {
    Use(126, {.brightness = 5, .direction = 1, .multi = 1});
    engine.SetLedColor(16, kUntouched);  // in no column and no ring
    engine.SetPhase(40);
    engine.FrameBreath();
    EXPECT_EQ(Led(0), Lit(kColorWheel[15], 118));
    EXPECT_EQ(Led(120), Lit(kColorWheel[1], 118));
    EXPECT_EQ(Led(118), Lit(kColorWheel[155], 118));
    EXPECT_EQ(Led(16), kUntouched);
    engine.FrameStatic();
    EXPECT_EQ(Led(49), Lit(kColorWheel[132], 255));
    EXPECT_EQ(Led(115), Lit(kColorWheel[0], 255));
    EXPECT_EQ(Led(16), kUntouched);
}

TEST_F(LightingEffectsTest, MultiColourFramesOnSmallDevicesSkipLayoutEntriesPastTheirLeds) {
    const LightingParams params{.brightness = 5, .direction = 1, .multi = 1};
    Use(6, params);
    engine.SetPhase(40);
    engine.FrameBreath();
    EXPECT_EQ(Led(5), Lit(kColorWheel[57], 118));
    engine.FrameStatic();
    EXPECT_EQ(Led(5), Lit(kColorWheel[96], 255));

    Use(15, params);
    engine.FrameStatic();
    EXPECT_EQ(Led(0), Lit(kColorWheel[36], 255));
    EXPECT_EQ(Led(13), Lit(kColorWheel[24], 255));
    EXPECT_EQ(Led(14), Lit(kColorWheel[12], 255));
    engine.SetPhase(40);
    engine.FrameBreath();
    EXPECT_EQ(Led(14), Lit(kColorWheel[120], 118));
}

TEST_F(LightingEffectsTest, StaticAndSpectrumUseTheRecordBrightness) {
    Use(6, {.brightness = 4, .red = 7, .green = 8, .blue = 9});
    engine.FrameStatic();
    ExpectEveryLed({7, 8, 9, 195});
    engine.SetLightingParams({.brightness = 1, .direction = 0});
    engine.FrameSpectrum();  // backwards from 0
    ExpectEveryLed(Lit(kColorWheel[191], 80));
}

TEST_F(LightingEffectsTest, BlinkTogglesAfterTheHalfPeriodOfItsSpeed) {
    Use(6, {.brightness = 2, .speed = 4, .red = 9, .green = 8, .blue = 7});
    now = 1399;
    engine.FrameBlink();
    ExpectEveryLed({});
    now = 1400;
    engine.FrameBlink();
    ExpectEveryLed({9, 8, 7, 110});
    now = 2800;
    engine.FrameBlink();
    ExpectEveryLed({});

    Use(6, {.brightness = 2, .speed = 0, .multi = 1});
    now = 2800 + 5599;
    engine.FrameBlink();
    EXPECT_EQ(engine.BlinkOn(), 0);
    now = 2800 + 5600;
    engine.FrameBlink();
    ExpectEveryLed(Lit(kColorWheel[48], 110));  // phase 16 per toggle
}

TEST_F(LightingEffectsTest, ColourCyclesStepThroughTheFixedColours) {
    Use(6, {.brightness = 5, .speed = 4, .direction = 1});
    const LedColor on[] = {
        Lit(kFixedColors[1], 255), {}, Lit(kFixedColors[3], 255), {}, Lit(kFixedColors[1], 255)};
    for (int toggle = 0; toggle < 5; ++toggle) {
        now = 1400 * (toggle + 1);
        engine.FrameBlinkCycle();
        ExpectEveryLed(on[toggle]);
    }
    engine.SetPhase(127);
    engine.FrameBreath();  // leaves colorIndex at 16, past the fixed colours
    engine.SetPhase(40);
    engine.FrameBreathCycle();
    ExpectEveryLed(Lit(kFixedColors[0], 118));
    engine.FrameOff();
    ExpectEveryLed({});
}

TEST_F(LightingEffectsTest, WaveSpacesItsCurveAlongTheStrip) {
    Use(15, {.brightness = 5, .direction = 1, .red = 200, .green = 100, .blue = 50});
    engine.FrameWave();
    EXPECT_EQ(Led(0), (LedColor{200, 100, 50, 27 * 255 >> 8}));
    EXPECT_EQ(Led(7), (LedColor{200, 100, 50, 234 * 255 >> 8}));
    EXPECT_EQ(Led(14), (LedColor{200, 100, 50, 33 * 255 >> 8}));

    engine.SetLightingParams({.brightness = 5, .direction = 0, .multi = 1});
    engine.SetPhase(0);
    engine.FrameWave();
    EXPECT_EQ(Led(1), Lit(kColorWheel[7], 255));

    Use(13, {.brightness = 5, .direction = 0, .red = 1});  // wider and faster
    engine.SetPhase(0);
    engine.FrameWave({.singleStride = 3, .singleOffset = 0, .singleSpacing = 10});
    EXPECT_EQ(Led(1), (LedColor{1, 0, 0, 42 * 255 >> 8}));
}

TEST_F(LightingEffectsTest, PairRippleIgnitesTheRingAndFadesThePairs) {
    Use(15, {.mode = 7, .brightness = 5, .direction = 1, .red = 255});
    engine.SetRingIgnition(RingIgnition::PerLedShifted);
    engine.Keys().SetRing(2, 1);
    engine.FramePairRipple();
    engine.FramePairRipple();
    EXPECT_EQ(engine.Keys().Level(2), 0);
    engine.FramePairRipple();
    EXPECT_EQ(engine.Keys().Ring(1), 1);  // rotated back one place
    EXPECT_EQ(Led(3), (LedColor{255, 0, 0, 214}));
    EXPECT_EQ(Led(12), (LedColor{255, 0, 0, 214}));
    EXPECT_EQ(Led(2).alpha, 0);
    engine.FramePairRipple();
    EXPECT_EQ(Led(3).alpha, 174);
}

TEST_F(LightingEffectsTest, MultiColourPairsKeepTheirColourWhileTheEdgeIsLit) {
    Use(15, {.mode = 7, .brightness = 5, .direction = 1, .multi = 1});
    engine.SetLedColor(1, kUntouched);
    engine.Keys().SetLevel(0, 255);
    engine.FramePairRipple();
    EXPECT_EQ(Led(1), (LedColor{1, 2, 3, 214}));
    EXPECT_EQ(Led(14), (LedColor{1, 2, 3, 214}));
    EXPECT_EQ(engine.Phase(), 1 + 7 * 12);
}

TEST_F(LightingEffectsTest, RippleOnASmallDeviceStaysWithinItsLeds) {
    Use(6, {.mode = 6, .brightness = 5, .direction = 1, .green = 255});
    engine.SetRingIgnition(RingIgnition::PerLed);
    for (int i = 0; i < 12; ++i) {
        engine.Keys().SetLevel(i, 255);
    }
    engine.Keys().SetRing(22, 1);
    engine.FrameRipple();
    ExpectEveryLed({0, 255, 0, 214});
    EXPECT_EQ(engine.Keys().Level(6), 255);  // no LED, so no decay
    for (int frame = 2; frame <= 5; ++frame) {
        engine.FrameRipple();  // frame 3 rotates ring[22] round to 0, frame 5 ignites it
    }
    EXPECT_EQ(Led(0).alpha, 214);
    EXPECT_LT(Led(1).alpha, 214);
}

}  // namespace
}  // namespace device
