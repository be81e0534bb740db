#pragma once
// Macro events: the event object of a macro's ".mac" file, its packed 4-byte
// form that keyboards and mice keep in their macro memory, and the rules that
// tie macros to key assignments.
//
// Event object (an element of a ".mac" file's "Events"):
//   "Action": "down" (press; cursor move left/up) or "up" (release; move
//             right/down)
//   "Button": 0-255, meaning per "Type"
//   "Type":   1 mouse button, 4 horizontal move, 5 vertical move,
//             9 modifier key, 10 keyboard key (0-127)
//   "Delay":  decimal milliseconds to wait after the event, as text
//             ("250"); an event only held by the editor may carry the
//             integer 0
//
// Nothing here trusts the shape of an event: files are the user's and may be
// edited by hand or imported, so every field of another type reads as 0.
// All functions are pure and may be called from any thread.

#include <json/json.h>

#include <cstdint>
#include <vector>

#include "profile/key_records.h"

// One event as the device plays it.
struct MacroEventRecord {
    uint8_t delayLow = 0;
    uint8_t delayHigh = 0;
    uint8_t type = 0;  // event type in bits 0-6, bit 7 set for "down"
    uint8_t button = 0;

    friend bool operator==(const MacroEventRecord&, const MacroEventRecord&) = default;
};
static_assert(sizeof(MacroEventRecord) == 4);

namespace macro {

inline constexpr int kMaxMacros = 50;
inline constexpr int kMaxEvents = 4000;  // per macro; further events are dropped
inline constexpr int kMaxDelay = 65535;
inline constexpr int kFileVersion = 64;

// Event types.
inline constexpr uint8_t kTypeMouseButton = 1;
inline constexpr uint8_t kTypeMoveX = 4;
inline constexpr uint8_t kTypeMoveY = 5;
inline constexpr uint8_t kTypeModifier = 9;
inline constexpr uint8_t kTypeKey = 10;

// Key assignment kinds that play a macro; parameter 1 is the macro's index.
inline constexpr uint8_t kKindMacro = 0x70;
inline constexpr uint8_t kKindMacroRepeat = 0x71;

// The delay of an event in milliseconds, 0-65535. Text is read from its
// leading decimal digits after optional blanks and a "+" (no digits, or a
// minus sign, read as 0); integers and reals as their value. Values above
// 65535 read as 65535, so the device plays what the editor shows.
uint16_t ParseDelay(const Json::Value& delay);

// True when "Action" is the text "down".
bool IsDown(const Json::Value& event);

// The packed form of an event object.
MacroEventRecord PackEvent(const Json::Value& event);

// An event object as the editor makes one; "Delay" is stored as text.
Json::Value MakeEvent(bool down, uint8_t type, uint8_t button, uint16_t delay);

// True when key assignment `key` plays macro `index`.
bool PlaysMacro(const KeyAssignment& key, int index);
// True when any key's current assignment plays macro `index`.
bool AnyKeyPlays(const std::vector<KeyEntry>& keys, int index);

// After macro `removed` left the list: keys that played it get their default
// assignment back, keys that played a later macro follow it down by one.
// Returns true when any key changed.
bool RenumberAfterRemoval(std::vector<KeyEntry>& keys, int removed);

// Keys that play a macro at or past `macroCount` get their default
// assignment back. Returns true when any key changed.
bool ResetMissingMacros(std::vector<KeyEntry>& keys, int macroCount);

}  // namespace macro
