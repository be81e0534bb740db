// The keyboard page's keys: the key whose function is being edited is framed,
// alone, and only while the key functions are open; keys keep their macros
// when the macro list cannot be read.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "profile/macro_records.h"
#include "profile/macro_store.h"
#include "tests/keyboard/keyboard_page_fixture.h"

namespace {

constexpr int kEscape = 0;
constexpr int kKeyA = 64;
constexpr int kLightingTab = 1;
constexpr int kKeyTab = 2;
constexpr uint8_t kCustomColours = 20;

class KeyboardKeysTest : public KeyboardPageTest {
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

TEST_F(KeyboardKeysTest, ChoosingAKeyFramesItAloneAndLeavingTheKeyTabTakesTheFrameAway) {
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

// A macro list that cannot be read says nothing about which macros are gone:
// the keys keep their macros (the next upload would send them otherwise).
TEST_F(KeyboardKeysTest, UnreadableMacroListTakesNoMacroFromAKey) {
    profile::MacroStore store;
    store.SetFolder(page->ProfileFolder());
    ASSERT_TRUE(store.Load().Ok());
    ASSERT_TRUE(store.Add().Ok());
    ASSERT_TRUE(store.Add().Ok());
    std::vector<KeyEntry> keys = page->GetKeyList();
    keys.at(kKeyA).current = {kKeyA, macro::kKindMacro, 1, 0, 0};
    page->SetKeyList(keys);
    page->ValidateMacroKeys();
    ASSERT_EQ(page->GetKeyList().at(kKeyA).current.param1, 1);

    std::filesystem::remove(store.ListPath());
    std::filesystem::create_directory(store.ListPath());
    page->ValidateMacroKeys();
    EXPECT_EQ(page->GetKeyList().at(kKeyA).current.kind, macro::kKindMacro);
    EXPECT_EQ(page->GetKeyList().at(kKeyA).current.param1, 1);

    // A list that is gone altogether means no macros are left.
    std::filesystem::remove(store.ListPath());
    page->ValidateMacroKeys();
    EXPECT_EQ(page->GetKeyList().at(kKeyA).current, page->GetKeyList().at(kKeyA).defaults);
}

}  // namespace
