// The keyboard page's key picture: the key whose function is being edited is
// framed, alone, and only while the key functions are open.
#include <gtest/gtest.h>

#include <vector>

#include "tests/keyboard/keyboard_page_fixture.h"

namespace {

constexpr int kEscape = 0;
constexpr int kKeyA = 64;
constexpr int kLightingTab = 1;
constexpr int kKeyTab = 2;
constexpr uint8_t kCustomColours = 20;

class KeyboardKeyPictureTest : public KeyboardPageTest {
  protected:
    TestKeyButton* Button(int i) const { return dynamic_cast<TestKeyButton*>(page->KeyButton(i)); }
    std::vector<int> Framed() const {
        std::vector<int> out;
        for (int i = 0; i < page->GetKeyCount(); ++i) {
            if (const TestKeyButton* button = Button(i); button != nullptr && button->selected) {
                out.push_back(i);
            }
        }
        return out;
    }
};

TEST_F(KeyboardKeyPictureTest, ChoosingAKeyFramesItAloneAndLeavingTheKeyTabTakesTheFrameAway) {
    ASSERT_NE(Button(kEscape), nullptr);
    ASSERT_NE(Button(kKeyA), nullptr);
    page->SetFunctionMode(kKeyTab);
    page->SelectKey(kEscape);
    EXPECT_EQ(Framed(), std::vector<int>{kEscape});
    page->SelectKey(kKeyA);
    EXPECT_EQ(Framed(), std::vector<int>{kKeyA});
    EXPECT_EQ(page->GetSelectedKey(), kKeyA);

    page->SetFunctionMode(kLightingTab);
    EXPECT_TRUE(Framed().empty());
    // Painting a key in the custom colours colours it and frames nothing.
    UseLighting(kCustomColours, 2, 10, 20, 30);
    editor->customGroup = 0;
    page->PaintCustomKey(kEscape);
    EXPECT_EQ(page->Preview().GetCustomColor(kEscape).red, 10);
    EXPECT_TRUE(Framed().empty());

    // Back on the key tab the next choice frames again.
    page->SetFunctionMode(kKeyTab);
    page->SelectKey(kEscape);
    EXPECT_EQ(Framed(), std::vector<int>{kEscape});
}

}  // namespace
