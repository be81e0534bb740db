#pragma once
// The keyboard's constant tables: the factory code of every key button, and
// the tables the lighting preview draws its effects from (curves, the orders
// in which LEDs are visited, the seven-row column layout, start phases and
// the scripted frames of the snake and show effects).
//
// LED indices in these tables are the preview's LED numbers, which are the
// page's key button numbers (light control n belongs to key button n).
// 126 means "no LED" in the 126-based tables, 255 in the 7-row layout and
// the show tables. Every table is read-only and may be read from any thread.

#include <array>
#include <cstdint>
#include <string_view>

namespace keyboard {

inline constexpr int kKeyButtons = 126;
inline constexpr int kPreviewLeds = 126;
inline constexpr uint8_t kNoLed = 126;
inline constexpr uint8_t kNoEntry = 255;
inline constexpr int kLayoutColumns = 23;
inline constexpr int kLayout7Rows = 7;
inline constexpr int kPulseLength = 192;
inline constexpr int kSnakeRows = 52;
inline constexpr int kShowRows = 20;
inline constexpr int kShowPairs = 16;

// kind, parameter 1, parameter 2
using KeyCode = std::array<uint8_t, 3>;

// The code that identifies key button n in a keyboard's factory key table.
// Rows 18-20, 62 and 104 carry no key code (20 00 00).
extern const std::array<KeyCode, kKeyButtons> kDefaultKeyTable;

// The language key of key button n's name (keyboard_key_…): the first
// keyboard key row with the button's factory code. Empty for a button out of
// range or one whose code names no key.
std::string_view KeyNameKey(int button);

// 24 rising then falling entries and a dark tail, 192 in all.
extern const std::array<uint8_t, kPulseLength> kPulseCurve;

// 105 LEDs in a path through the rows, then 126 for the rest.
extern const std::array<uint8_t, kPreviewLeds> kPathOrder;

// The sweep's LED order, 126 where a step lights nothing; entries 126 and
// 127 are LED 0.
extern const std::array<uint8_t, 128> kSweepOrder;

// A permutation of 0-103: which path entry a sparkle lands on.
extern const std::array<uint8_t, 104> kSparkleOrder;

// 23 columns of 7 rows of LED indices (255 = none); row 6 is the bottom row.
extern const std::array<std::array<uint8_t, kLayout7Rows>, kLayoutColumns> kColumnLayout7;

// Start phases of the table pulse, read at 6x + y for column x and row y.
extern const std::array<uint8_t, 139> kStartPhases;

// The snake's 52 frames, up to 12 LEDs each (126 = none).
extern const std::array<std::array<uint8_t, 12>, kSnakeRows> kSnakeFrames;

// The show's opening rows (255 = none) and the pairs it lights next.
extern const std::array<std::array<uint8_t, 6>, kShowRows> kShowRowTable;
extern const std::array<std::array<uint8_t, 2>, kShowPairs> kShowPairTable;

}  // namespace keyboard
