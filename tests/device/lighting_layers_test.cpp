#include <gtest/gtest.h>

#include <vector>

#include "device/lighting_engine.h"
#include "device/lighting_tables.h"

namespace device {
namespace {

constexpr LedColor kUnderneath{1, 2, 3, 4};

LayerEntry Entry(uint8_t mode, uint8_t speed = 0, uint8_t multi = 0, uint8_t present = 1) {
    return {.mode = mode,
            .brightness = 5,
            .speed = speed,
            .multi = multi,
            .red = 10,
            .green = 20,
            .blue = 30,
            .present = present};
}

LedColor Lit(const Rgb& c, uint8_t alpha) {
    return {c.r, c.g, c.b, alpha};
}

class LightingLayersTest : public ::testing::Test {
  protected:
    void Layers(int leds, std::vector<LayerEntry> entries) {
        engine.SetLedCount(leds);
        engine.ReplaceLayers(std::move(entries));
    }
    // One lighting-thread pass over a frame that the mode left at kUnderneath.
    void Pass() {
        for (LedColor& led : engine.Frame()) {
            led = kUnderneath;
        }
        engine.ApplyLayers();
    }
    LedColor Led(int i) const { return engine.GetLedColor(i); }

    uint32_t now = 0;
    LightingEngine engine{[this] { return now; }};
};

TEST_F(LightingLayersTest, PresenceGatesBreathingButNotStatic) {
    Layers(6, {Entry(kLayerBreathing, 0, 0, 0), Entry(kLayerStatic, 0, 0, 0)});
    Pass();
    EXPECT_EQ(Led(0), kUnderneath);
    EXPECT_EQ(Led(1), (LedColor{10, 20, 30, 255}));
}

TEST_F(LightingLayersTest, BreathingClimbsTheCurveBySpeedPlusFour) {
    Layers(6, {Entry(kLayerBreathing, 0), Entry(kLayerBreathing, 4)});
    Pass();
    EXPECT_EQ(Led(0), (LedColor{10, 20, 30, 4 * 255 >> 8}));
    EXPECT_EQ(Led(1), (LedColor{10, 20, 30, 8 * 255 >> 8}));
    Pass();
    EXPECT_EQ(Led(0), (LedColor{10, 20, 30, 8 * 255 >> 8}));
    EXPECT_EQ(Led(1), (LedColor{10, 20, 30, 22 * 255 >> 8}));
}

TEST_F(LightingLayersTest, MultiColourBreathingMovesOneHuePerBreathAndKeepsCycling) {
    Layers(6, {Entry(kLayerBreathing, 4, 1)});
    const int passesPerBreath = 128 / 8;
    for (int i = 0; i < passesPerBreath; ++i) {
        Pass();
    }
    EXPECT_EQ(Led(0), Lit(kColorWheel[0], 0));
    Pass();
    EXPECT_EQ(Led(0), Lit(kColorWheel[1], 8 * 255 >> 8));
    for (int i = 0; i < 192 * passesPerBreath; ++i) {
        Pass();
    }
    EXPECT_EQ(Led(0), Lit(kColorWheel[1], 8 * 255 >> 8));  // round the wheel and on
}

TEST_F(LightingLayersTest, SpectrumAtSpeedFourChangesColourEverySevenPasses) {
    Layers(6, {Entry(kLayerSpectrum, 4), Entry(kLayerSpectrum, 4, 0, 0)});
    for (int pass = 1; pass <= 14; ++pass) {
        Pass();
        const int hue = pass / 7;
        ASSERT_EQ(Led(0), Lit(kColorWheel[hue], 255)) << "pass " << pass;
    }
    EXPECT_EQ(Led(1), kUnderneath);  // not present: not drawn
}

TEST_F(LightingLayersTest, ResetRestartsTheLayerCounters) {
    Layers(6, {Entry(kLayerSpectrum, 4)});
    for (int pass = 0; pass < 5; ++pass) {
        Pass();
    }
    engine.ResetLayers();
    for (int pass = 0; pass < 6; ++pass) {
        Pass();
    }
    EXPECT_EQ(Led(0), Lit(kColorWheel[0], 255));
    Pass();
    EXPECT_EQ(Led(0), Lit(kColorWheel[1], 255));
}

TEST_F(LightingLayersTest, BlinkTogglesOnItsOwnPeriodAndStepsItsHue) {
    Layers(6, {Entry(kLayerBlink, 4, 1), Entry(kLayerBlink, 0)});
    Pass();
    EXPECT_EQ(Led(0), LedColor{});
    EXPECT_EQ(Led(1), LedColor{});
    now = 1400;
    Pass();
    EXPECT_EQ(Led(0), Lit(kColorWheel[14], 255));
    EXPECT_EQ(Led(1), LedColor{});
    now = 5600;
    Pass();
    EXPECT_EQ(Led(0), LedColor{});
    EXPECT_EQ(Led(1), (LedColor{10, 20, 30, 255}));
    now = 7000;
    Pass();
    EXPECT_EQ(Led(0), Lit(kColorWheel[42], 255));
}

TEST_F(LightingLayersTest, OffDarkensAndUnknownModesLeaveTheFrame) {
    Layers(6, {Entry(kLayerOff), Entry(9), Entry(kLayerOff, 0, 0, 0)});
    Pass();
    EXPECT_EQ(Led(0), LedColor{});
    EXPECT_EQ(Led(1), kUnderneath);
    EXPECT_EQ(Led(2), LedColor{});
    EXPECT_EQ(Led(3), kUnderneath);  // no entry
}

TEST_F(LightingLayersTest, AListLongerThanTheDeviceDrawsOnlyItsLeds) {
    engine.SetLedCount(15);
    engine.ReplaceLayers(std::vector<LayerEntry>(200, Entry(kLayerStatic)));
    Pass();
    EXPECT_EQ(engine.Frame().size(), 15u);
    EXPECT_EQ(Led(14), (LedColor{10, 20, 30, 255}));

    engine.SetLedCount(200);
    engine.ReplaceLayers(std::vector<LayerEntry>(200, Entry(kLayerBlink, 4)));
    now = 1400;
    Pass();
    EXPECT_EQ(Led(127), (LedColor{10, 20, 30, 255}));
    EXPECT_EQ(Led(128), kUnderneath);  // past the layer state
}

TEST_F(LightingLayersTest, ChangingTheLedCountClearsTheList) {
    Layers(6, {Entry(kLayerStatic)});
    engine.SetLedCount(6);
    Pass();
    EXPECT_EQ(Led(0), kUnderneath);
}

}  // namespace
}  // namespace device
