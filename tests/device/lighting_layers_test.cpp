#include <gtest/gtest.h>

#include <vector>

#include "device/lighting_engine.h"
#include "device/lighting_tables.h"

namespace device {
namespace {

constexpr LedColor kUnderneath{1, 2, 3, 4};
constexpr LedColor kOwn{10, 20, 30, 255};

LayerEntry Entry(int32_t mode, uint8_t speed = 0, uint8_t multi = 0, uint8_t present = 1) {
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
    void Pass(int passes = 1) {
        for (int i = 0; i < passes; ++i) {
            for (LedColor& led : engine.Frame()) {
                led = kUnderneath;
            }
            engine.ApplyLayers();
        }
    }
    LedColor Led(int i) const { return engine.GetLedColor(i); }

    uint32_t now = 0;
    LightingEngine engine{[this] { return now; }};
};

TEST_F(LightingLayersTest, PresenceGatesBreathingAndSpectrumButNotStaticOrOff) {
    Layers(6, {Entry(kLayerBreathing, 0, 0, 0), Entry(kLayerStatic, 0, 0, 0),
               Entry(kLayerSpectrum, 0, 0, 0), Entry(kLayerOff, 0, 0, 0), Entry(256)});
    Pass();
    EXPECT_EQ(Led(0), kUnderneath);
    EXPECT_EQ(Led(1), kOwn);
    EXPECT_EQ(Led(2), kUnderneath);
    EXPECT_EQ(Led(3), LedColor{});
    EXPECT_EQ(Led(4), kUnderneath);  // an unknown mode, even one whose low byte is 0
    EXPECT_EQ(Led(5), kUnderneath);  // no entry
}

TEST_F(LightingLayersTest, BreathingClimbsTheCurveBySpeedPlusFour) {
    Layers(6, {Entry(kLayerBreathing, 0), Entry(kLayerBreathing, 4)});
    Pass(2);
    EXPECT_EQ(Led(0), (LedColor{10, 20, 30, 8 * 255 >> 8}));
    EXPECT_EQ(Led(1), (LedColor{10, 20, 30, 22 * 255 >> 8}));
}

TEST_F(LightingLayersTest, MultiColourBreathingMovesOneHuePerBreathAndStopsAtTheLastHue) {
    Layers(6, {Entry(kLayerBreathing, 4, 1)});
    const int passesPerBreath = 128 / 8;
    Pass(passesPerBreath + 1);
    EXPECT_EQ(Led(0), Lit(kColorWheel[1], 8 * 255 >> 8));
    Pass(189 * passesPerBreath);
    EXPECT_EQ(Led(0), Lit(kColorWheel[190], 8 * 255 >> 8));
    Pass(passesPerBreath);
    EXPECT_EQ(Led(0), Lit(kColorWheel[191], 8 * 255 >> 8));
    Pass(3 * passesPerBreath);  // no wrap to the first hue
    EXPECT_EQ(Led(0), Lit(kColorWheel[191], 8 * 255 >> 8));
}

TEST_F(LightingLayersTest, SpectrumAtSpeedFourChangesColourEverySevenPasses) {
    Layers(6, {Entry(kLayerSpectrum, 4)});
    for (int pass = 1; pass <= 14; ++pass) {
        Pass();
        ASSERT_EQ(Led(0), Lit(kColorWheel[pass / 7], 255)) << "pass " << pass;
    }
    Pass(5);
    engine.ResetLayers();
    Pass(6);
    EXPECT_EQ(Led(0), Lit(kColorWheel[0], 255));
}

TEST_F(LightingLayersTest, BlinkTogglesOnItsOwnPeriodAndStepsItsHue) {
    Layers(6, {Entry(kLayerBlink, 4, 1), Entry(kLayerBlink, 0)});
    Pass();
    EXPECT_EQ(Led(0), LedColor{});
    now = 1400;
    Pass();
    EXPECT_EQ(Led(0), Lit(kColorWheel[14], 255));
    EXPECT_EQ(Led(1), LedColor{});
    now = 5600;
    Pass();
    EXPECT_EQ(Led(0), LedColor{});
    EXPECT_EQ(Led(1), kOwn);
}

TEST_F(LightingLayersTest, AListLongerThanTheDeviceDrawsOnlyItsLeds) {
    Layers(15, std::vector<LayerEntry>(200, Entry(kLayerStatic)));
    Pass();
    EXPECT_EQ(engine.Frame().size(), 15u);
    EXPECT_EQ(Led(14), kOwn);

    Layers(200, std::vector<LayerEntry>(200, Entry(kLayerStatic)));
    Pass();
    EXPECT_EQ(Led(127), kOwn);
    EXPECT_EQ(Led(128), kUnderneath);  // past the layer state
}

}  // namespace
}  // namespace device
