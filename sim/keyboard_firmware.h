#pragma once
// The keyboard (0x0C45:0x7666): interface 0 boot keyboard, interface 1 with the
// event collection (col03) and the vendor command collection (col04).
//
// Its key table has 144 positions in matrix order, which is not the key-button
// order the host's page uses: key button b's factory code sits at position
// (7 × b + 7) mod 144, so Escape (button 0, code 20 00 29) is at position 7;
// unused positions hold 00 00 00 and carry LED 0xFF in the LED map.
//
// Memory: parameters 256 bytes (address 0 the active profile, four settings
// records of 26 bytes at a stride of 25, so record p's byte 25 is record p+1's
// byte 0; factory lighting mode 1 + p, brightness 5, speed 2 stored as 4 − 2,
// colours red/green/blue/white, report rate 3, colour group p); key table and
// LED map 512 bytes each; 8 colour groups of 512 bytes; 9216 bytes of macro
// memory; streamed frames of 378 bytes (126 LEDs).

#include <array>
#include <cstdint>

#include "sim/firmware.h"

namespace sim {

inline constexpr int kKeyboardButtons = 126;
inline constexpr int kKeyboardPositions = 144;
inline constexpr int kKeyboardLeds = 126;
inline constexpr size_t kKeyboardColorGroups = 8;
inline constexpr size_t kMacroMemoryBytes = 0x48 * 128;  // 9216
inline constexpr size_t kKeyboardRecordStride = 25;
inline constexpr size_t kKeyboardRecordSize = 26;

FirmwareLayout KeyboardLayout();

// Factory code (kind, parameter 1, parameter 2) of key button 0..125.
std::array<uint8_t, 3> KeyboardFactoryCode(int button);
// Key position holding key button `button`'s factory code.
int KeyboardPositionOfButton(int button);
// LED index of key button `button` (what the LED map holds at its position).
int KeyboardLedOfButton(int button);

}  // namespace sim
