#include <gtest/gtest.h>

#include <vector>

#include "device/lighting_engine.h"
#include "device/lighting_tables.h"

namespace device {
namespace {

EffectStep MakeStep(uint8_t mode, int32_t time, uint8_t speed = 4, uint8_t direction = 0,
                    uint8_t multi = 0) {
    return {.mode = mode,
            .brightness = 5,
            .speed = speed,
            .direction = direction,
            .multi = multi,
            .red = 40,
            .green = 50,
            .blue = 60,
            .time = time};
}

LedColor Lit(const Rgb& c, uint8_t alpha) {
    return {c.r, c.g, c.b, alpha};
}

class EffectPlayerTest : public ::testing::Test {
  protected:
    void SetUp() override { engine.SetLedCount(6); }
    void Play(int passes = 1) {
        for (int i = 0; i < passes; ++i) {
            engine.PlayEffectStep();
        }
    }
    LedColor Led(int i) const { return engine.GetLedColor(i); }

    uint32_t now = 1000;
    LightingEngine engine{[this] { return now; }};
};

TEST_F(EffectPlayerTest, NoStepsTurnsEveryLedOffOnEachPass) {
    for (int pass = 0; pass < 3; ++pass) {
        engine.SetLedColor(2, {9, 9, 9, 9});
        Play();
        EXPECT_EQ(Led(2), LedColor{});
    }
    EXPECT_EQ(engine.GetStepCount(), 0u);
}

TEST_F(EffectPlayerTest, StepsAdvanceOnceTheirDurationHasPassedAndWrap) {
    engine.ReplaceEffectSteps({MakeStep(kStepStatic, 0), MakeStep(kStepStatic, 100)});
    Play(2);
    EXPECT_EQ(engine.GetStepIndex(), 0u);  // the tick has not moved yet
    now += 1;
    Play();
    EXPECT_EQ(engine.GetStepIndex(), 1u);
    now += 100;
    Play();
    EXPECT_EQ(engine.GetStepIndex(), 1u);
    now += 1;
    Play();
    EXPECT_EQ(engine.GetStepIndex(), 0u);
    EXPECT_EQ(Led(0), (LedColor{40, 50, 60, 255}));
}

TEST_F(EffectPlayerTest, ReplacedStepsStartAtTheFirstWithItsFullDuration) {
    engine.ReplaceEffectSteps({MakeStep(kStepStatic, 10), MakeStep(kStepStatic, 5000)});
    Play();
    now += 11;
    Play();
    ASSERT_EQ(engine.GetStepIndex(), 1u);
    now += 300;
    engine.ReplaceEffectSteps({MakeStep(kStepStatic, 100), MakeStep(kStepNothing, 100)});
    EXPECT_EQ(engine.GetStepIndex(), 0u);
    Play();
    now += 100;
    Play();
    EXPECT_EQ(engine.GetStepIndex(), 0u);
    now += 1;
    Play();
    EXPECT_EQ(engine.GetStepIndex(), 1u);
}

TEST_F(EffectPlayerTest, SpectrumStepUsesTheShortThresholds) {
    engine.ReplaceEffectSteps({MakeStep(kStepSpectrum, 100000, 4)});
    Play();
    EXPECT_EQ(Led(0), Lit(kColorWheel[0], 255));
    Play(1 + 2 * 10);
    EXPECT_EQ(Led(5), Lit(kColorWheel[11], 255));
}

TEST_F(EffectPlayerTest, BreathingStepShowsTheFirstHueWhenMultiColour) {
    engine.ReplaceEffectSteps({MakeStep(kStepBreathing, 100000, 4, 0, 1)});
    Play(7 * 50);
    EXPECT_EQ(Led(3), Lit(kColorWheel[0], kBreathCurve[50] * 255 >> 8));
}

TEST_F(EffectPlayerTest, WaveStepSpreadsHuesOrCurveInItsDirection) {
    engine.ReplaceEffectSteps({MakeStep(kStepWave, 100000, 4, 0, 1)});
    Play();
    EXPECT_EQ(Led(0), Lit(kColorWheel[1], 255));
    EXPECT_EQ(Led(2), Lit(kColorWheel[25], 255));

    engine.ReplaceEffectSteps({MakeStep(kStepWave, 100000, 4, 1, 1)});
    Play();
    EXPECT_EQ(Led(1), Lit(kColorWheel[11], 255));

    engine.ReplaceEffectSteps({MakeStep(kStepWave, 100000, 4, 0, 0)});
    Play();
    EXPECT_EQ(Led(1), (LedColor{40, 50, 60, 119 * 255 >> 8}));
}

TEST_F(EffectPlayerTest, BlinkStepFollowsTheDeviceSpeedNotItsOwn) {
    engine.SetLightingParams({.speed = 4});
    engine.ReplaceEffectSteps({MakeStep(kStepBlink, 100000, 0)});
    now = 1399;
    Play();
    EXPECT_EQ(Led(0), LedColor{});
    now = 1400;
    Play();
    EXPECT_EQ(Led(0), (LedColor{40, 50, 60, 255}));
}

TEST_F(EffectPlayerTest, APhaseLeftByAWaveRestartsWhenABreathingStepFollows) {
    engine.ReplaceEffectSteps({MakeStep(kStepWave, 100000, 4, 0, 1)});
    Play(7 * 150);
    engine.ReplaceEffectSteps({MakeStep(kStepBreathing, 100000, 4), MakeStep(kStepBlink, 1)});
    Play();
    EXPECT_EQ(Led(0), (LedColor{40, 50, 60, 0}));
}

}  // namespace
}  // namespace device
