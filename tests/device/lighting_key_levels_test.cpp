#include "device/lighting_key_levels.h"

#include <gtest/gtest.h>

#include <vector>

namespace device {
namespace {

std::vector<int> DecaySequence(KeyLevels& keys, int from, bool fineTail) {
    keys.SetLevel(3, static_cast<uint8_t>(from));
    std::vector<int> seen{from};
    while (keys.Level(3) != 0) {
        keys.DecayKeyLevel(3, fineTail);
        seen.push_back(keys.Level(3));
    }
    return seen;
}

TEST(KeyLevels, DecayFallsFastWhenBrightAndInFoursNearDark) {
    KeyLevels keys;
    EXPECT_EQ(DecaySequence(keys, 255, false),
              (std::vector<int>{255, 215, 175, 135, 95, 65, 35, 25, 17, 9, 5, 1, 0}));
    keys.DecayKeyLevel(3, false);
    EXPECT_EQ(keys.Level(3), 0);
}

TEST(KeyLevels, FineTailFadesTheLastSixteenStepsOneByOne) {
    KeyLevels keys;
    const std::vector<int> seen = DecaySequence(keys, 24, true);
    EXPECT_EQ(seen.size(), 2u + 16u);
    EXPECT_EQ(seen[1], 16);
    EXPECT_EQ(seen[2], 15);
    EXPECT_EQ(DecaySequence(keys, 31, true)[1], 23);
    EXPECT_EQ(DecaySequence(keys, 128, true)[1], 88);
    EXPECT_EQ(DecaySequence(keys, 64, true)[1], 34);
    EXPECT_EQ(DecaySequence(keys, 32, true)[1], 22);
}

TEST(KeyLevels, IndicesOutsideTheTablesAreIgnored) {
    KeyLevels keys;
    keys.SetLevel(126, 200);
    keys.SetLevel(-1, 200);
    keys.DecayKeyLevel(126, true);
    keys.SetRing(23, 1);
    EXPECT_EQ(keys.Level(126), 0);
    EXPECT_EQ(keys.Level(-1), 0);
    EXPECT_EQ(keys.Ring(23), 0);
    keys.SetLevel(125, 7);
    EXPECT_EQ(keys.Level(125), 7);
}

class RingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (int i = 0; i < KeyLevels::kRingSize; ++i) {
            keys.SetRing(i, static_cast<uint8_t>(i + 1));
        }
    }
    KeyLevels keys;
};

TEST_F(RingTest, RotatesEveryEntryOnePlaceEitherWay) {
    keys.RotateRing(true);
    EXPECT_EQ(keys.Ring(0), 23);
    EXPECT_EQ(keys.Ring(1), 1);
    EXPECT_EQ(keys.Ring(22), 22);
    keys.RotateRing(false);
    keys.RotateRing(false);
    EXPECT_EQ(keys.Ring(0), 2);
    EXPECT_EQ(keys.Ring(21), 23);
    EXPECT_EQ(keys.Ring(22), 1);
}

TEST_F(RingTest, PrefixRotationLeavesTheRestOfTheRing) {
    keys.RotateRingPrefix(8, true);
    EXPECT_EQ(keys.Ring(0), 8);
    EXPECT_EQ(keys.Ring(7), 7);
    EXPECT_EQ(keys.Ring(8), 9);
    keys.RotateRingPrefix(8, false);
    EXPECT_EQ(keys.Ring(0), 1);
    keys.RotateRingPrefix(40, true);  // counts as the whole ring
    EXPECT_EQ(keys.Ring(0), 23);
    keys.RotateRingPrefix(0, true);
    keys.RotateRingPrefix(-3, false);
    EXPECT_EQ(keys.Ring(0), 23);
}

TEST(KeyLevels, IgnitionVariantsLightTheKeysTheirRingEntriesName) {
    KeyLevels first;
    first.SetRing(8, 1);
    first.SetRing(9, 1);
    first.IgniteRing(RingIgnition::FirstNine, 126);
    EXPECT_EQ(first.Level(8), 255);
    EXPECT_EQ(first.Level(9), 0);

    KeyLevels shifted;
    shifted.SetRing(0, 1);
    shifted.SetRing(15, 1);
    shifted.SetRing(16, 1);
    shifted.IgniteRing(RingIgnition::PerLedShifted, 15);
    EXPECT_EQ(shifted.Level(0), 0);
    EXPECT_EQ(shifted.Level(15), 255);
    EXPECT_EQ(shifted.Level(16), 0);

    KeyLevels perLed;
    perLed.SetRing(22, 1);
    perLed.IgniteRing(RingIgnition::PerLed, 200);  // more LEDs than ring entries
    perLed.IgniteRing(RingIgnition::PerLedShifted, 200);
    EXPECT_EQ(perLed.Level(22), 255);
    EXPECT_EQ(perLed.Level(23), 0);
}

TEST(KeyLevels, ClearingDarkensLevelsAndRingButKeepsHues) {
    KeyLevels keys;
    keys.SetLevel(10, 99);
    keys.SetHue(10, 42);
    keys.SetRing(0, 1);
    keys.ClearKeyLevels();
    EXPECT_EQ(keys.Level(10), 0);
    EXPECT_EQ(keys.Ring(0), 0);
    EXPECT_EQ(keys.Hue(10), 42);
}

}  // namespace
}  // namespace device
