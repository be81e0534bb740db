#include "device/lighting_tables.h"

#include <gtest/gtest.h>

namespace device {
namespace {

TEST(LightingTables, ColourWheelSegmentsStartAndEndOnTheirRamps) {
    const std::pair<int, Rgb> expected[] = {
        {0, {255, 1, 0}},   {31, {255, 255, 0}},  {32, {248, 255, 0}},  {63, {0, 255, 0}},
        {64, {0, 255, 1}},  {95, {0, 255, 255}},  {96, {0, 248, 255}},  {127, {0, 0, 255}},
        {128, {1, 0, 255}}, {159, {255, 0, 255}}, {160, {255, 0, 248}}, {191, {255, 0, 0}},
        {13, {255, 57, 0}}, {51, {47, 255, 0}},   {140, {50, 0, 255}},  {180, {255, 0, 41}},
    };
    for (const auto& [index, colour] : expected) {
        EXPECT_EQ(kColorWheel[index], colour) << "entry " << index;
    }
}

TEST(LightingTables, ColourWheelRepeatsItsFirstSixtyFourEntriesAtTheEnd) {
    for (int i = 192; i < 256; ++i) {
        EXPECT_EQ(kColorWheel[i], kColorWheel[i - 192]) << "entry " << i;
    }
}

TEST(LightingTables, BreathCurveRisesThenFallsSymmetrically) {
    EXPECT_EQ(kBreathCurve[0], 0);
    EXPECT_EQ(kBreathCurve[11], 12);
    EXPECT_EQ(kBreathCurve[45], 140);
    EXPECT_EQ(kBreathCurve[56], 206);
    EXPECT_EQ(kBreathCurve[57], 213);
    EXPECT_EQ(kBreathCurve[63], 255);
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(kBreathCurve[i], kBreathCurve[127 - i]) << "entry " << i;
        if (i > 0) {
            EXPECT_GT(kBreathCurve[i], kBreathCurve[i - 1]) << "entry " << i;
        }
    }
}

TEST(LightingTables, WaveCurveIsTheUpperBreathRiseAndItsMirror) {
    EXPECT_EQ(kWaveCurve[0], 22);
    EXPECT_EQ(kWaveCurve[9], 49);
    EXPECT_EQ(kWaveCurve[47], 255);
    EXPECT_EQ(kWaveCurve[48], 255);
    EXPECT_EQ(kWaveCurve[95], 22);
    for (int i = 0; i < 48; ++i) {
        EXPECT_EQ(kWaveCurve[i], kBreathCurve[16 + i]);
        EXPECT_EQ(kWaveCurve[95 - i], kWaveCurve[i]);
    }
}

TEST(LightingTables, SmallTablesHoldTheirLevels) {
    EXPECT_EQ(kBrightnessLevels, (std::array<uint8_t, 6>{0, 80, 110, 135, 195, 255}));
    EXPECT_EQ(kFixedColors[0], (Rgb{0, 255, 180}));
    EXPECT_EQ(kFixedColors[1], (Rgb{0, 255, 0}));
    EXPECT_EQ(kFixedColors[2], (Rgb{255, 255, 255}));
    EXPECT_EQ(kFixedColors[3], (Rgb{255, 0, 0}));
    EXPECT_EQ(kSpeedTicks, (std::array<uint8_t, 5>{28, 23, 18, 13, 7}));
    EXPECT_EQ(kBlinkTiming, (std::array<uint8_t, 5>{28, 23, 18, 13, 7}));
    EXPECT_EQ(kShortSpectrumTicks, (std::array<uint8_t, 5>{6, 5, 4, 3, 2}));
}

TEST(LightingTables, LookUpsPastTheTableReadTheLastEntry) {
    EXPECT_EQ(BrightnessLevel(3), 135);
    EXPECT_EQ(BrightnessLevel(6), 255);
    EXPECT_EQ(BrightnessLevel(255), 255);
    EXPECT_EQ(SpeedTicks(9), 7);
    EXPECT_EQ(ShortSpectrumTicks(200), 2);
    EXPECT_EQ(BlinkHalfPeriodMs(0), 5600u);
    EXPECT_EQ(BlinkHalfPeriodMs(2), 3600u);
    EXPECT_EQ(BlinkHalfPeriodMs(4), 1400u);
    EXPECT_EQ(BlinkHalfPeriodMs(77), 1400u);
}

TEST(LightingTables, ColumnLayoutRowsMatchTheKeyboard) {
    using Column = std::array<uint8_t, kLayoutRows>;
    EXPECT_EQ(kColumnLayout[0], (Column{126, 120, 121, 122, 123, 124}));
    EXPECT_EQ(kColumnLayout[2], (Column{0, 22, 43, 64, 85, 106}));
    EXPECT_EQ(kColumnLayout[11], (Column{8, 31, 52, 73, 94, 125}));
    EXPECT_EQ(kColumnLayout[12], (Column{9, 32, 53, 74, 126, 110}));
    EXPECT_EQ(kColumnLayout[15], (Column{12, 126, 126, 126, 126, 112}));
    EXPECT_EQ(kColumnLayout[19], (Column{126, 38, 59, 76, 97, 116}));
    EXPECT_EQ(kColumnLayout[22], (Column{126, 41, 126, 119, 118, 126}));
}

TEST(LightingTables, RingLayoutRowsMatchTheKeyboard) {
    using Row = std::array<uint8_t, kRingWidth>;
    constexpr uint8_t X = kRingNone;
    EXPECT_EQ(kRingLayout[0], (Row{49, X, X, X, X, X, X, X, X, X, X, X}));
    EXPECT_EQ(kRingLayout[3], (Row{5, 26, 46, 67, 88, 109, 92, 72, 52, 31, 7, X}));
    EXPECT_EQ(kRingLayout[7], (Row{1, 22, X, X, X, X, X, X, X, X, 11, X}));
    EXPECT_EQ(kRingLayout[8], (Row{0, 21, 42, 63, 84, 105, X, X, X, X, 12, X}));
    EXPECT_EQ(kRingLayout[9], (Row{X, X, X, X, X, X, X, X, 113, 56, 35, 13}));
    EXPECT_EQ(kRingLayout[10], (Row{X, X, X, X, X, X, 114, 96, 57, 36, 14, X}));
    EXPECT_EQ(kRingLayout[11], (Row{115, 58, 37, X, 15, X, X, X, X, X, X, X}));
}

}  // namespace
}  // namespace device
