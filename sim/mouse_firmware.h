#pragma once
// The mouse (vendor and product 0, as the catalogue lists it): interface 0 boot
// mouse, interface 1 with the event (col03) and vendor (col04) collections.
//
// Key table of 16 positions; the ten logical buttons' factory codes sit at
// positions that differ from the logical order (see MousePositionOfButton).
// Device information: 16 key positions, DPI step 50, 320 steps, minimum 200.
//
// Memory: parameters of four 128-byte areas (address 0 the active profile;
// area p: lighting mode 2 + p, brightness 4, speed 2 stored as 4 − 2, report
// rate 3, active stage 1, five stages of 16/32/48/64/128 DPI steps, byte 59 1,
// screen 1920 × 1080, read-only tuning bytes 66-68); key table 512 bytes;
// 9216 bytes of macro memory; streamed frames of 18 bytes (6 LEDs).

#include <array>
#include <cstdint>

#include "sim/firmware.h"

namespace sim {

inline constexpr int kMouseButtons = 10;
inline constexpr int kMousePositions = 16;
inline constexpr int kMouseLeds = 6;
inline constexpr uint8_t kMouseDpiStep = 50;
inline constexpr uint16_t kMouseDpiSteps = 320;
inline constexpr uint16_t kMouseMinimumDpi = 200;
inline constexpr size_t kMouseAreaSize = 128;

FirmwareLayout MouseLayout();

// Factory code of logical button 0..9 (left, right, middle, forward, back,
// DPI +, DPI −, DPI cycle, game mode, M8).
std::array<uint8_t, 3> MouseFactoryCode(int button);
int MousePositionOfButton(int button);

}  // namespace sim
