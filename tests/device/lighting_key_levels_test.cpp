#include "device/lighting_key_levels.h"

#include <gtest/gtest.h>

#include <vector>

namespace device {
namespace {

std::vector<int> DecayFrom(int from, bool fineTail) {
    KeyLevels keys;
    keys.SetLevel(3, static_cast<uint8_t>(from));
    std::vector<int> seen{from};
    while (keys.Level(3) != 0) {
        keys.DecayKeyLevel(3, fineTail);
        seen.push_back(keys.Level(3));
    }
    return seen;
}

TEST(KeyLevels, DecayFallsFastWhenBrightAndByTheTailRuleNearDark) {
    EXPECT_EQ(DecayFrom(255, false),
              (std::vector<int>{255, 215, 175, 135, 95, 65, 35, 25, 17, 9, 5, 1, 0}));
    const std::vector<int> fine = DecayFrom(24, true);
    EXPECT_EQ(fine.size(), 2u + 16u);  // 24, 16, then one by one
    EXPECT_EQ(fine[2], 15);
    EXPECT_EQ(DecayFrom(64, true)[1], 34);
    EXPECT_EQ(DecayFrom(32, true)[1], 22);
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
}

TEST(KeyLevels, RingRotatesWholeOrByPrefixEitherWay) {
    KeyLevels keys;
    for (int i = 0; i < KeyLevels::kRingSize; ++i) {
        keys.SetRing(i, static_cast<uint8_t>(i + 1));
    }
    keys.RotateRing(true);
    EXPECT_EQ(keys.Ring(0), 23);
    EXPECT_EQ(keys.Ring(1), 1);
    keys.RotateRing(false);
    keys.RotateRing(false);
    EXPECT_EQ(keys.Ring(0), 2);
    EXPECT_EQ(keys.Ring(22), 1);
    keys.RotateRing(true);
    keys.RotateRingPrefix(8, true);
    EXPECT_EQ(keys.Ring(0), 8);
    EXPECT_EQ(keys.Ring(7), 7);
    EXPECT_EQ(keys.Ring(8), 9);
    keys.RotateRingPrefix(8, false);
    keys.RotateRingPrefix(40, true);  // counts as the whole ring
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
    for (int i : {0, 15, 16}) {
        shifted.SetRing(i, 1);
    }
    shifted.IgniteRing(RingIgnition::PerLedShifted, 15);
    EXPECT_EQ(shifted.Level(0), 0);
    EXPECT_EQ(shifted.Level(15), 255);
    EXPECT_EQ(shifted.Level(16), 0);

    KeyLevels many;  // more LEDs than ring entries
    many.SetRing(22, 1);
    many.IgniteRing(RingIgnition::PerLedShifted, 200);
    EXPECT_EQ(many.Level(22), 255);
    EXPECT_EQ(many.Level(23), 0);
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
