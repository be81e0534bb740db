#pragma once
// The constant tables of the host-side lighting engine, shared by every
// device kind: brightness levels, the breath and wave curves, the colour
// wheel, the fixed colours, speed timings, and the keyboard's LED geometry
// (column and ring layouts), which the other kinds reuse for their
// multi-colour frames.
//
// Every table is read-only and may be read from any thread. Indexes that come
// from a profile (brightness, speed) go through the bounded look-ups below,
// never straight into a table.

#include <array>
#include <cstdint>

namespace device {

struct Rgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;

    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Brightness level by index 0-5.
extern const std::array<uint8_t, 6> kBrightnessLevels;

// One breath: 64 rising values, then the same values falling.
extern const std::array<uint8_t, 128> kBreathCurve;

// 192 hues in six segments of 32; entries 192-255 repeat entries 0-63 so that
// every 8-bit index is a valid read.
extern const std::array<Rgb, 256> kColorWheel;

// Colours of the colour-cycling effects, in cycle order.
extern const std::array<Rgb, 4> kFixedColors;

// Frame thresholds in lighting-thread ticks by speed 0-4.
extern const std::array<uint8_t, 5> kSpeedTicks;

// Blink half-period in units of 200 ms by speed 0-4.
extern const std::array<uint8_t, 5> kBlinkTiming;

// The faster thresholds of a spectrum step in a custom effect, by speed 0-4.
extern const std::array<uint8_t, 5> kShortSpectrumTicks;

// 96-entry wave: breath curve entries 16-63, then the same 48 values falling.
extern const std::array<uint8_t, 96> kWaveCurve;

// LED indices at or above this value in a layout name no LED.
inline constexpr uint8_t kNoLed = 126;
inline constexpr uint8_t kRingNone = 255;
inline constexpr int kLayoutColumns = 23;
inline constexpr int kLayoutRows = 6;
inline constexpr int kRingRows = 12;
inline constexpr int kRingWidth = 12;

// 23 columns of 6 LED indices, left to right, top row first (126 = no LED).
extern const std::array<std::array<uint8_t, kLayoutRows>, kLayoutColumns> kColumnLayout;

// 12 rings of up to 12 LED indices, innermost first (255 = none).
extern const std::array<std::array<uint8_t, kRingWidth>, kRingRows> kRingLayout;

// Bounded look-ups: an index past the table reads its last entry.
uint8_t BrightnessLevel(uint8_t index);
uint8_t SpeedTicks(uint8_t speed);
uint8_t ShortSpectrumTicks(uint8_t speed);
// The blink half-period for a speed, in milliseconds (5600 ... 1400).
uint32_t BlinkHalfPeriodMs(uint8_t speed);

}  // namespace device
