#include "device/lighting_tables.h"

#include <algorithm>
#include <cstddef>

namespace device {
namespace {

// The rising half of a breath; the curve, the wave and nothing else derive
// from it.
constexpr std::array<uint8_t, 64> kBreathRise = {
    0,   1,   2,   3,   4,   5,   6,   7,   8,   9,   10,  12,  14,  16,  18,  20,
    22,  24,  27,  30,  33,  36,  39,  42,  45,  49,  53,  57,  61,  65,  69,  73,
    77,  81,  85,  89,  94,  99,  104, 109, 114, 119, 124, 129, 134, 140, 146, 152,
    158, 164, 170, 176, 182, 188, 194, 200, 206, 213, 220, 227, 234, 241, 248, 255};

// The two ramps from which the colour wheel's six segments are built.
constexpr std::array<uint8_t, 32> kWheelRise = {
    1,  3,  5,  7,   10,  14,  18,  22,  26,  32,  38,  44,  50,  57,  65,  73,
    81, 89, 99, 109, 119, 129, 140, 152, 164, 176, 188, 200, 213, 227, 241, 255};
constexpr std::array<uint8_t, 32> kWheelFall = {
    248, 234, 220, 206, 194, 182, 170, 158, 146, 134, 124, 114, 104, 94, 85, 77,
    69,  61,  53,  47,  41,  35,  29,  24,  20,  16,  12,  8,   6,   4,  2,  0};

constexpr std::array<uint8_t, 128> MakeBreathCurve() {
    std::array<uint8_t, 128> curve{};
    for (size_t i = 0; i < 64; ++i) {
        curve[i] = kBreathRise[i];
        curve[127 - i] = kBreathRise[i];
    }
    return curve;
}

constexpr Rgb WheelSegment(size_t segment, size_t k) {
    const uint8_t up = kWheelRise[k];
    const uint8_t down = kWheelFall[k];
    switch (segment) {
        case 0:
            return {255, up, 0};
        case 1:
            return {down, 255, 0};
        case 2:
            return {0, 255, up};
        case 3:
            return {0, down, 255};
        case 4:
            return {up, 0, 255};
        default:
            return {255, 0, down};
    }
}

constexpr std::array<Rgb, 256> MakeColorWheel() {
    std::array<Rgb, 256> wheel{};
    for (size_t i = 0; i < 192; ++i) {
        wheel[i] = WheelSegment(i / 32, i % 32);
    }
    for (size_t i = 192; i < 256; ++i) {
        wheel[i] = wheel[i - 192];
    }
    return wheel;
}

constexpr std::array<uint8_t, 96> MakeWaveCurve() {
    std::array<uint8_t, 96> wave{};
    for (size_t i = 0; i < 48; ++i) {
        wave[i] = kBreathRise[16 + i];
        wave[95 - i] = kBreathRise[16 + i];
    }
    return wave;
}

template <size_t N>
uint8_t Bounded(const std::array<uint8_t, N>& table, uint8_t index) {
    return table[std::min<size_t>(index, N - 1)];
}

}  // namespace

const std::array<uint8_t, 6> kBrightnessLevels = {0, 80, 110, 135, 195, 255};

const std::array<uint8_t, 128> kBreathCurve = MakeBreathCurve();

const std::array<Rgb, 256> kColorWheel = MakeColorWheel();

const std::array<Rgb, 4> kFixedColors = {Rgb{0, 255, 180}, Rgb{0, 255, 0}, Rgb{255, 255, 255},
                                         Rgb{255, 0, 0}};

const std::array<uint8_t, 5> kSpeedTicks = {28, 23, 18, 13, 7};

const std::array<uint8_t, 5> kBlinkTiming = {28, 23, 18, 13, 7};

const std::array<uint8_t, 5> kShortSpectrumTicks = {6, 5, 4, 3, 2};

const std::array<uint8_t, 96> kWaveCurve = MakeWaveCurve();

// clang-format off
const std::array<std::array<uint8_t, kLayoutRows>, kLayoutColumns> kColumnLayout = {{
    {126, 120, 121, 122, 123, 124}, {126, 21, 42, 63, 84, 105},  {0, 22, 43, 64, 85, 106},
    {1, 23, 44, 65, 86, 126},       {2, 24, 45, 66, 87, 107},    {3, 25, 46, 67, 88, 126},
    {4, 26, 47, 68, 89, 108},       {126, 27, 48, 69, 90, 126},  {5, 28, 49, 70, 91, 126},
    {6, 29, 50, 71, 92, 109},       {7, 30, 51, 72, 93, 126},    {8, 31, 52, 73, 94, 125},
    {9, 32, 53, 74, 126, 110},      {10, 33, 54, 126, 126, 111}, {11, 34, 55, 75, 95, 126},
    {12, 126, 126, 126, 126, 112},  {13, 35, 56, 126, 126, 113}, {14, 36, 57, 126, 96, 114},
    {15, 37, 58, 126, 126, 115},    {126, 38, 59, 76, 97, 116},  {126, 39, 60, 77, 98, 126},
    {126, 40, 61, 78, 99, 117},     {126, 41, 126, 119, 118, 126},
}};

constexpr uint8_t X = kRingNone;
const std::array<std::array<uint8_t, kRingWidth>, kRingRows> kRingLayout = {{
    {49, X, X, X, X, X, X, X, X, X, X, X},
    {28, 48, 69, 70, 50, 29, X, X, X, X, X, X},
    {6, 27, 47, 68, 89, 90, 91, 71, 51, 30, X, X},
    {5, 26, 46, 67, 88, 109, 92, 72, 52, 31, 7, X},
    {4, 25, 45, 66, 87, 108, 110, 93, 73, 53, 32, 8},
    {3, 24, 44, 65, 86, 107, 111, 94, 74, 54, 33, 9},
    {2, 23, 43, 64, 85, 106, 112, 95, 75, 55, 34, 10},
    {1, 22, X, X, X, X, X, X, X, X, 11, X},
    {0, 21, 42, 63, 84, 105, X, X, X, X, 12, X},
    {X, X, X, X, X, X, X, X, 113, 56, 35, 13},
    {X, X, X, X, X, X, 114, 96, 57, 36, 14, X},
    {115, 58, 37, X, 15, X, X, X, X, X, X, X},
}};
// clang-format on

uint8_t BrightnessLevel(uint8_t index) {
    return Bounded(kBrightnessLevels, index);
}

uint8_t SpeedTicks(uint8_t speed) {
    return Bounded(kSpeedTicks, speed);
}

uint8_t ShortSpectrumTicks(uint8_t speed) {
    return Bounded(kShortSpectrumTicks, speed);
}

uint32_t BlinkHalfPeriodMs(uint8_t speed) {
    return Bounded(kBlinkTiming, speed) * 200u;
}

}  // namespace device
