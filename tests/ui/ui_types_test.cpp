#include "platform/ui/ui_types.h"

#include <gtest/gtest.h>

namespace {

using namespace ui;

TEST(UiTypes, ParsesColoursInEverySpellingASkinUses) {
    EXPECT_EQ(ParseColor("#FF0099FF"), Color{0xFF0099FF});
    EXPECT_EQ(ParseColor("#444444"), Color{0xFF444444});  // six digits: opaque
    EXPECT_EQ(ParseColor("0x460099FF"), Color{0x460099FF});
    EXPECT_EQ(ParseColor("  #00000000 "), Color{0});
    EXPECT_EQ(ParseColor("4278190080"), Color{0xFF000000});
    EXPECT_EQ(ParseColor("#FFF"), std::nullopt);
    EXPECT_EQ(ParseColor("#GG0099FF"), std::nullopt);
    EXPECT_EQ(ParseColor("#1FF0099FF"), std::nullopt);
    EXPECT_EQ(ParseColor("-1"), std::nullopt);
    EXPECT_EQ(ParseColor(""), std::nullopt);
    EXPECT_EQ(FormatColor(Color{0x0A0B0C0D}), "#0A0B0C0D");
    Color c = Color::FromArgb(0x46, 0x00, 0x99, 0xFF);
    EXPECT_EQ(c.argb, 0x460099FFu);
    EXPECT_EQ(c.Green(), 0x99);
}

TEST(UiTypes, ParsesNumbersRectsAndSizesStrictly) {
    EXPECT_EQ(ParseInt("42"), 42);
    EXPECT_EQ(ParseInt("-7"), -7);
    EXPECT_EQ(ParseInt("0x1F"), 31);
    EXPECT_EQ(ParseInt("0xFFFFFFFF"), -1);  // a 32-bit pattern
    EXPECT_EQ(ParseInt("12px"), std::nullopt);
    EXPECT_EQ(ParseInt("+3"), std::nullopt);
    EXPECT_EQ(ParseInt("99999999999"), std::nullopt);
    EXPECT_EQ(ParseInt(""), std::nullopt);
    EXPECT_EQ(ParseRect("1,2,3,4"), (Rect{1, 2, 3, 4}));
    EXPECT_EQ(ParseRect("1, 2, 3, 4"), (Rect{1, 2, 3, 4}));
    EXPECT_EQ(ParseRect("1,2,3"), std::nullopt);
    EXPECT_EQ(ParseRect("1,2,3,4,5"), std::nullopt);
    EXPECT_EQ(ParseRect("1,,3,4"), std::nullopt);
    EXPECT_EQ(ParseSize("800,572"), (Size{800, 572}));
    EXPECT_EQ(ParseSize("800"), std::nullopt);
    EXPECT_EQ(ParseBool("TRUE"), true);
    EXPECT_EQ(ParseBool("0"), false);
    EXPECT_EQ(ParseBool("yes"), std::nullopt);
}

TEST(UiTypes, SplitsIndexedNamesAtTheLastUnderscore) {
    auto dpi = SplitIndexedName("DPI_slider_3");
    ASSERT_TRUE(dpi);
    EXPECT_EQ(dpi->prefix, "DPI_slider_");
    EXPECT_EQ(dpi->number, 3);
    auto light = SplitIndexedName("light_0_12");
    ASSERT_TRUE(light);
    EXPECT_EQ(light->prefix, "light_0_");
    EXPECT_EQ(light->number, 12);
    EXPECT_FALSE(SplitIndexedName("closebtn"));
    EXPECT_FALSE(SplitIndexedName("key_"));
    EXPECT_FALSE(SplitIndexedName("key_1a"));
    EXPECT_FALSE(SplitIndexedName("key_-1"));
    EXPECT_FALSE(SplitIndexedName("key_12345678901"));  // would overflow
}

TEST(UiTypes, RectsIntersectOnlyWhenTheyShareArea) {
    Rect key{10, 10, 50, 50};
    EXPECT_TRUE(key.Intersects({49, 49, 60, 60}));
    EXPECT_FALSE(key.Intersects({50, 10, 60, 50}));  // touching edges share nothing
    EXPECT_TRUE(key.Contains({10, 10}));
    EXPECT_FALSE(key.Contains({50, 50}));
    EXPECT_TRUE((Rect{5, 5, 5, 9}).IsEmpty());
    EXPECT_TRUE(EqualsNoCase("Key_Butt_KeySave", "key_butt_keysave"));
    EXPECT_FALSE(EqualsNoCase("key", "keys"));
}

}  // namespace
