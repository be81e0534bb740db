// The key code tables against the documented rows, the capture lookup, and
// the key list texts derived from records.
#include "profile/key_tables.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "profile/key_text.h"

namespace {

using keys::KeyboardRows;

const keys::KeyCodeRow& Row(size_t i) {
    return KeyboardRows()[i];
}

TEST(KeyTables, KeyboardRowsCarryTheUsagesOfTheirBlocks) {
    ASSERT_EQ(KeyboardRows().size(), 141u);
    for (size_t m = 0; m < 8; ++m) {
        EXPECT_EQ(Row(m).param1, 1u << m) << m;
        EXPECT_EQ(Row(m).param2, 0) << m;
    }
    // Letters, digits, F keys and the keypad digits run in usage order.
    for (size_t i = 0; i < 26; ++i) {
        EXPECT_EQ(Row(8 + i).param2, 0x04 + i);
        EXPECT_EQ(Row(8 + i).code, 'A' + i);
    }
    EXPECT_EQ(Row(42).name, "keyboard_key_9");
    EXPECT_EQ(Row(42).param2, 0x26);
    EXPECT_EQ(Row(43).param2, 0x27);
    for (size_t i = 0; i < 12; ++i) {
        EXPECT_EQ(Row(61 + i).param2, 0x3A + i);
    }
    EXPECT_EQ(Row(100).name, "keyboard_key_Num 9");
    EXPECT_EQ(Row(100).param2, 0x61);
    // Rows whose codes are not the standard ones.
    EXPECT_EQ(Row(91).code, 0x101);
    EXPECT_EQ(Row(104).code, 0xE2);
    EXPECT_EQ(Row(106).code, 0xFF);
    EXPECT_EQ(Row(112).param2, 0x90);
    // Media, system and device keys after the capturable ones.
    EXPECT_EQ(Row(113).kind, keys::kKindMedia);
    EXPECT_EQ(Row(129).name, "wed_stop");
    EXPECT_EQ(Row(131).code, 0x103);
    EXPECT_EQ(Row(138).kind, keys::kKindProfileKey);
    EXPECT_EQ(Row(138).param2, 5);
    EXPECT_EQ(Row(140).name, "keyboard_key_GM");
    EXPECT_EQ(Row(140).param1, 0x1B);
}

TEST(KeyTables, EveryCapturedKeyFindsItsOwnRow) {
    ASSERT_EQ(keys::CaptureRows().size(), 113u);
    std::set<std::pair<int, bool>> seen;
    for (size_t i = 0; i < keys::CaptureRows().size(); ++i) {
        const keys::CaptureRow& row = keys::CaptureRows()[i];
        EXPECT_TRUE(seen.emplace(row.scanCode, row.extended).second) << "row " << i;
        EXPECT_EQ(keys::FindCaptureRow(row.scanCode, row.extended), static_cast<int>(i));
        EXPECT_EQ(row.virtualKey, Row(i).code) << i;
    }
    // Keys that share a make code differ in the extended flag.
    EXPECT_EQ(Row(keys::FindCaptureRow(0x1C, false)).name, "keyboard_key_Enter");
    EXPECT_EQ(Row(keys::FindCaptureRow(0x1C, true)).name, "keyboard_key_Num Enter");
    EXPECT_EQ(Row(keys::FindCaptureRow(0x45, false)).name, "keyboard_key_Pause");
    EXPECT_EQ(Row(keys::FindCaptureRow(0x45, true)).name, "keyboard_key_Num Lock");
    EXPECT_EQ(keys::FindCaptureRow(0x1D, true), 4);  // right Ctrl
    EXPECT_EQ(keys::FindCaptureRow(0x7F, false), -1);
}

TEST(KeyTables, LeftAndRightModifiersShareTheirOption) {
    const std::vector<int> options = {1, 2, 3, 4, 1, 2, 3, 4};
    for (int row = 0; row < 8; ++row) {
        EXPECT_EQ(keys::ModifierOptionOfRow(row), options[static_cast<size_t>(row)]) << row;
    }
}

TEST(KeyTables, ListTablesHoldTheirCodesInListOrder) {
    ASSERT_EQ(keys::MouseButtonRows().size(), 5u);
    EXPECT_EQ(keys::MouseButtonRows()[1].param1, 0x04);  // middle before right
    EXPECT_EQ(keys::MouseButtonRows()[3].name, "mouse_key_forward");
    ASSERT_EQ(keys::MediaRows().size(), 18u);
    auto usage = [](const keys::KeyCodeRow& r) { return r.param1 | r.param2 << 8; };
    EXPECT_EQ(usage(keys::MediaRows()[0]), 0x0183);
    EXPECT_EQ(usage(keys::MediaRows()[8]), 0x0223);
    EXPECT_EQ(usage(keys::MediaRows()[14]), 0x0221);
    EXPECT_EQ(usage(keys::MediaRows()[17]), 0x018A);
    const std::vector<uint8_t> combos = {0x12, 0x11, 0x1D, 0x16, 0x06, 0x1B,
                                         0x19, 0x09, 0x04, 0x2D, 0x2E};
    ASSERT_EQ(keys::CombinationRows().size(), combos.size());
    for (size_t i = 0; i < combos.size(); ++i) {
        EXPECT_EQ(keys::CombinationRows()[i].param1, 0x01);
        EXPECT_EQ(keys::CombinationRows()[i].param2, combos[i]);
    }
    EXPECT_EQ(keys::SystemRows()[2].param1, 0x04);
    EXPECT_EQ(keys::PageOfKind(0x71), keys::kPageMacro);
    EXPECT_EQ(keys::PageOfKind(0xA0), keys::kPageNone);
}

// --- texts ----------------------------------------------------------------------------

std::string Bracket(std::string_view key) {
    return "[" + std::string(key) + "]";
}

std::optional<std::string> Text(uint8_t kind, uint8_t p1, uint8_t p2,
                                std::vector<std::string> macros = {}) {
    return keys::AssignmentText({0, kind, p1, p2, 0}, macros, Bracket);
}

TEST(AssignmentText, KeyboardRecordsJoinTheirModifierAndKey) {
    EXPECT_EQ(Text(0x20, 0x00, 0x00), "[close_text]");
    EXPECT_EQ(Text(0x20, 0x02, 0x04), "[keyboard_key_LShift]+[keyboard_key_A]");
    EXPECT_EQ(Text(0x20, 0x01, 0x06), "[keyboard_key_LCtrl]+[keyboard_key_C]");
    // Two modifier bits match no modifier row: only the key is named.
    EXPECT_EQ(Text(0x20, 0x03, 0x04), "[keyboard_key_A]");
    // An exact row wins, of any kind: a modifier alone, a media usage.
    EXPECT_EQ(Text(0x20, 0x10, 0x00), "[keyboard_key_RCtrl]");
    EXPECT_EQ(Text(0x00, 0xE9, 0x00), "[keyboard_key_Volume Up]");
}

TEST(AssignmentText, UnsetParametersDoNotMatchEveryRowWithoutThem) {
    // A key no row names, without a modifier: nothing, not the 105 rows
    // whose modifier is also unset.
    EXPECT_EQ(Text(0x20, 0x00, 0x99), std::nullopt);
    // A modifier no row names, without a key: nothing either.
    EXPECT_EQ(Text(0x20, 0x03, 0x00), std::nullopt);
    EXPECT_EQ(Text(0x00, 0x00, 0x00), "[close_text]");
}

TEST(AssignmentText, DeviceKindsNameTheirRowsOrNothing) {
    EXPECT_EQ(Text(0x10, 0x10, 0x00), "[mouse_key_forward]");
    EXPECT_EQ(Text(0x10, 0x20, 0x00), std::nullopt);
    EXPECT_EQ(Text(0x12, 0x27, 0xFD), "[mouse_key_down_Swing]");
    EXPECT_EQ(Text(0x11, 0x27, 0x05), "[mouse_key_left_Swing]");
    EXPECT_EQ(Text(0x16, 0x90, 0x01), "[mouse_key_DPI_shift]");
    EXPECT_EQ(Text(0x22, 0x00, 0x08), "[custem_open]");
    EXPECT_EQ(Text(0x22, 0x00, 0x09), std::nullopt);
    EXPECT_EQ(Text(0x23, 0x00, 0x00), "[show_window]");
    EXPECT_EQ(Text(0x23, 0x01, 0x00), std::nullopt);
    EXPECT_EQ(Text(0x30, 0x21, 0x02), "[web_search]");
    EXPECT_EQ(Text(0x40, 0x04, 0x00), "[system_wake_up]");
    EXPECT_EQ(Text(0x72, 0x03, 0x00), "[gun_4_txt]");
    EXPECT_EQ(Text(0x72, 0x04, 0x00), std::nullopt);
    EXPECT_EQ(Text(0xA0, 0x02, 0x55), "[mouse_key_smart_key]");
    EXPECT_EQ(Text(0xA0, 0x00, 0x55), "[close_text]");
    EXPECT_EQ(Text(0xA0, 0x1B, 0x00), "[keyboard_key_GM]");
    EXPECT_EQ(Text(0xA0, 0x05, 0x00), std::nullopt);
    EXPECT_EQ(Text(0xB0, 0x00, 0x00), std::nullopt);
    EXPECT_EQ(Text(0xD0, 0xA2, 0x01), "关闭");  // shown as is, not translated
}

TEST(AssignmentText, MacrosShowTheirStoredNameWhileTheyExist) {
    const std::vector<std::string> macros = {"Macro_1", "Reload"};
    EXPECT_EQ(Text(0x70, 0x01, 0x02, macros), "Reload");
    EXPECT_EQ(Text(0x71, 0x00, 0x0A, macros), "Macro_1");
    EXPECT_EQ(Text(0x70, 0x02, 0x00, macros), std::nullopt);
}

}  // namespace
