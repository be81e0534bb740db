#pragma once
// The code tables of key functions: for each function a key can carry, the
// record that encodes it and the language key that names it. Shared by the
// key assignment editor, the device objects (their key lists and uploads)
// and veldmarkctl.
//
// A row is 6 bytes in memory: a 16-bit code (the Windows virtual-key code in
// the keyboard table, the row number elsewhere), kind, parameter 1,
// parameter 2 and a zero byte; its name key comes from a parallel list. Rows
// are matched on their parameters (and on their kind where a lookup says so).
//
// The keyboard table has 141 rows: 0-7 the modifiers, 8-112 the keys that a
// keyboard capture can report (each also has a set-1 scan code and an
// extended flag in the capture table, same order), 113-140 media, system and
// device keys without a scan code. Virtual-key codes 0x101 (keypad Enter),
// 0x103, 0x104, 0x105 (power, sleep, wake) are the program's own markers;
// 0xFF means the key has no virtual-key code.
//
// Every table is constant; any thread may read them.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "profile/key_records.h"

namespace keys {

// Function kinds.
inline constexpr uint8_t kKindDefault = 0x00;
inline constexpr uint8_t kKindMouseButton = 0x10;
inline constexpr uint8_t kKindSwing = 0x11;
inline constexpr uint8_t kKindWheel = 0x12;
inline constexpr uint8_t kKindSensitivity = 0x13;
inline constexpr uint8_t kKindFire = 0x14;
inline constexpr uint8_t kKindDpiShift = 0x16;
inline constexpr uint8_t kKindKeyboard = 0x20;
inline constexpr uint8_t kKindShortcut = 0x22;
inline constexpr uint8_t kKindShowWindow = 0x23;
inline constexpr uint8_t kKindMedia = 0x30;
inline constexpr uint8_t kKindSystem = 0x40;
inline constexpr uint8_t kKindMacro = 0x70;
inline constexpr uint8_t kKindMacroRepeat = 0x71;
inline constexpr uint8_t kKindGun = 0x72;
inline constexpr uint8_t kKindDevice = 0xA0;
inline constexpr uint8_t kKindCombination = 0xB0;
inline constexpr uint8_t kKindProfileKey = 0xD0;

// Editor pages (the user data of the function-kind list's items).
inline constexpr int kPageNone = -1;
inline constexpr int kPageDefault = 0;
inline constexpr int kPageMouseButton = 1;
inline constexpr int kPageSwing = 2;
inline constexpr int kPageWheel = 3;
inline constexpr int kPageSensitivity = 4;
inline constexpr int kPageFire = 5;
inline constexpr int kPageKeyboard = 6;
inline constexpr int kPageMedia = 7;
inline constexpr int kPageSystem = 8;
inline constexpr int kPageMacro = 9;
inline constexpr int kPageGun = 10;
inline constexpr int kPageCombination = 11;
inline constexpr int kPageCount = 12;

// The editor page of a kind, kPageNone for the kinds only devices know.
int PageOfKind(uint8_t kind);

struct KeyCodeRow {
    uint16_t code = 0;
    uint8_t kind = 0;
    uint8_t param1 = 0;
    uint8_t param2 = 0;
    uint8_t zero = 0;
    std::string_view name;

    KeyAssignment Record() const { return {0, kind, param1, param2, 0}; }
};

// One key a keyboard capture reports: its row's virtual-key code, set-1 make
// code and extended flag.
struct CaptureRow {
    uint16_t virtualKey = 0;
    uint8_t scanCode = 0;
    bool extended = false;
};

inline constexpr size_t kKeyboardRows = 141;
inline constexpr size_t kCaptureRows = 113;
inline constexpr size_t kModifierRows = 8;
inline constexpr size_t kGunKeys = 4;

std::span<const KeyCodeRow> MouseButtonRows();    // 5 rows, kind 0x10
std::span<const KeyCodeRow> SensitivityRows();    // 3 rows, kind 0x13
std::span<const KeyCodeRow> MediaRows();          // 18 rows, kind 0x30
std::span<const KeyCodeRow> SystemRows();         // 3 rows, kind 0x40
std::span<const KeyCodeRow> CombinationRows();    // 11 rows, kind 0x20 with left Ctrl
std::span<const KeyCodeRow> KeyboardRows();       // 141 rows
std::span<const CaptureRow> CaptureRows();        // 113 rows, rows 0-112 of the keyboard table
std::span<const std::string_view> GunKeyNames();  // "gun_1_txt" … "gun_4_txt"

// Index of the first row whose parameters equal the record's, or -1.
int FindRow(std::span<const KeyCodeRow> rows, uint8_t param1, uint8_t param2);
// The same, also matching the kind.
int FindRow(std::span<const KeyCodeRow> rows, uint8_t kind, uint8_t param1, uint8_t param2);
// Index of the capture row of a captured key, or -1.
int FindCaptureRow(uint8_t scanCode, bool extended);

// The modifier option (0 none, 1 Ctrl, 2 Shift, 3 Alt, 4 Win) of modifier row
// m (0-7): left and right keys share an option.
int ModifierOptionOfRow(int row);

// The names of the parametric kinds.
inline constexpr std::string_view kNameSwingLeft = "mouse_key_left_Swing";
inline constexpr std::string_view kNameSwingRight = "mouse_key_right_Swing";
inline constexpr std::string_view kNameWheelUp = "mouse_key_up_Swing";
inline constexpr std::string_view kNameWheelDown = "mouse_key_down_Swing";
inline constexpr std::string_view kNameFire = "mouse_key_fire_key";

}  // namespace keys
