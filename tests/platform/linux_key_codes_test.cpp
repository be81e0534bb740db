// The Linux key code table against the program's capture table: every key a
// capture can report must arrive with the set-1 code, extended flag and
// virtual-key code the key tables know it by. The path from a key to its
// Linux code here is the kernel's own, through the key's HID usage.

#include "platform/capture/linux_key_codes.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "profile/key_tables.h"

namespace {

using namespace platform::capture;

// HID Keyboard/Keypad usage → Linux key code, as the kernel's HID input
// driver maps them (the usages the capture table uses).
const std::map<uint8_t, uint16_t>& UsageToLinux() {
    static const std::map<uint8_t, uint16_t> map = [] {
        std::map<uint8_t, uint16_t> m;
        const uint16_t letters[] = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                                    49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};
        for (uint8_t i = 0; i < 26; ++i) {
            m[static_cast<uint8_t>(0x04 + i)] = letters[i];
        }
        for (uint8_t i = 0; i < 10; ++i) {
            m[static_cast<uint8_t>(0x1E + i)] = static_cast<uint16_t>(2 + i);  // 1 … 9, 0
        }
        const std::pair<uint8_t, uint16_t> others[] = {
            {0x28, 28},
            {0x29, 1},
            {0x2A, 14},
            {0x2B, 15},
            {0x2C, 57},
            {0x2D, 12},
            {0x2E, 13},
            {0x2F, 26},
            {0x30, 27},
            {0x31, 43},
            {0x33, 39},
            {0x34, 40},
            {0x35, 41},
            {0x36, 51},
            {0x37, 52},
            {0x38, 53},
            {0x39, 58},
            {0x44, 87},
            {0x45, 88},
            {0x46, 99},
            {0x47, 70},
            {0x48, 119},
            {0x49, 110},
            {0x4A, 102},
            {0x4B, 104},
            {0x4C, 111},
            {0x4D, 107},
            {0x4E, 109},
            {0x4F, 106},
            {0x50, 105},
            {0x51, 108},
            {0x52, 103},
            {0x53, 69},
            {0x54, 98},
            {0x55, 55},
            {0x56, 74},
            {0x57, 78},
            {0x58, 96},
            {0x59, 79},
            {0x5A, 80},
            {0x5B, 81},
            {0x5C, 75},
            {0x5D, 76},
            {0x5E, 77},
            {0x5F, 71},
            {0x60, 72},
            {0x61, 73},
            {0x62, 82},
            {0x63, 83},
            {0x64, 86},
            {0x65, 127},
            {0x85, 121},
            {0x87, 89},
            {0x88, 93},
            {0x89, 124},
            {0x8A, 92},
            {0x8B, 94},
            {0x90, 122},
            {0x91, 123},
            // the modifiers
            {0xE0, 29},
            {0xE1, 42},
            {0xE2, 56},
            {0xE3, 125},
            {0xE4, 97},
            {0xE5, 54},
            {0xE6, 100},
            {0xE7, 126},
        };
        for (uint8_t i = 0; i < 10; ++i) {
            m[static_cast<uint8_t>(0x3A + i)] = static_cast<uint16_t>(59 + i);  // F1 … F10
        }
        for (const auto& [usage, code] : others) {
            m[usage] = code;
        }
        return m;
    }();
    return map;
}

// The HID usage of capture row `row`: its parameter 2, or for the modifier
// rows 0xE0 + the bit number of its modifier bit.
uint8_t UsageOfRow(size_t row) {
    const keys::KeyCodeRow& key = keys::KeyboardRows()[row];
    if (key.param2 != 0) {
        return key.param2;
    }
    uint8_t bit = 0;
    while ((key.param1 >> bit) != 1) {
        ++bit;
    }
    return static_cast<uint8_t>(0xE0 + bit);
}

TEST(LinuxKeyCodes, EveryCaptureRowArrivesWithItsScanCodeExtendedFlagAndVirtualKey) {
    ASSERT_EQ(keys::CaptureRows().size(), 113u);
    for (size_t row = 0; row < keys::CaptureRows().size(); ++row) {
        const keys::CaptureRow& expected = keys::CaptureRows()[row];
        const std::string name(keys::KeyboardRows()[row].name);
        const auto usage = UsageToLinux().find(UsageOfRow(row));
        ASSERT_NE(usage, UsageToLinux().end()) << name;
        const auto down = RecordOfLinuxKey(usage->second, true);
        ASSERT_TRUE(down.has_value()) << name << " (Linux code " << usage->second << ")";
        EXPECT_EQ(down->scanCode, expected.scanCode) << name;
        EXPECT_EQ(down->IsExtended(), expected.extended) << name;
        // The table's own markers (keypad Enter) and keys without a code
        // aside, the virtual-key codes agree.
        if (expected.virtualKey < 0x100 && expected.virtualKey != kVkNone) {
            EXPECT_EQ(down->vkCode, expected.virtualKey) << name;
        }
        // The captured key finds its own row again.
        EXPECT_EQ(keys::FindCaptureRow(static_cast<uint8_t>(down->scanCode), down->IsExtended()),
                  static_cast<int>(row))
            << name;
    }
}

TEST(LinuxKeyCodes, RowsAreSortedUniqueAndNoTwoKeysShareACode) {
    std::set<std::pair<uint8_t, bool>> codes;
    uint16_t previous = 0;
    for (const LinuxKeyRow& row : LinuxKeyRows()) {
        EXPECT_GT(row.linuxCode, previous);
        previous = row.linuxCode;
        EXPECT_TRUE(codes.insert({row.scanCode, row.extended}).second)
            << "Linux code " << row.linuxCode << " repeats a set-1 code";
        EXPECT_EQ(FindLinuxKey(row.linuxCode), &row);
    }
}

TEST(LinuxKeyCodes, ReleasesAreMarkedAndUnknownKeysHaveNoRecord) {
    const auto up = RecordOfLinuxKey(97, false, 1234);  // right Ctrl
    ASSERT_TRUE(up.has_value());
    EXPECT_EQ(up->flags, kFlagExtended | kFlagUp);
    EXPECT_EQ(up->time, 1234u);
    EXPECT_FALSE(RecordOfLinuxKey(0, true).has_value());
    EXPECT_FALSE(RecordOfLinuxKey(84, true).has_value());   // no key has code 84
    EXPECT_FALSE(RecordOfLinuxKey(240, true).has_value());  // past the table
    EXPECT_EQ(FindLinuxKey(0xFFFF), nullptr);
}

}  // namespace
