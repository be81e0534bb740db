#pragma once
// MouseSettingsRecord: the first 71 bytes of one of the mouse's 128-byte
// settings areas, as the host builds it from a profile. The host writes the
// first 66 bytes and reads 71 back.
//
//   [0] active profile (the host writes what it is given, always 0)
//   [1] lighting mode 0-8 (9 and above, the custom effects, are sent as 0)
//   [2] brightness  [3] speed 0-4 (the mouse stores 4 - speed; see ToDevice)
//   [4] direction ("Fx")  [5] multi-colour  [6..8] red, green, blue
//   [11] report-rate index  [12] active sensitivity stage
//   [14 + 9i .. 22 + 9i] stage i < 5: enabled, xy, dpiX (u16), dpiY (u16),
//        red, green, blue (sensitivities in DPI steps); zeros for missing stages
//   [59] constant  [60..61] screen width  [62..63] screen height (u16)
//   [64] "CorrectMinSq", [65] "CorrectPixThresh" of the first selected
//        correction preset (0 without one)
//   [66..70] only read back
// Multi-byte numbers are little-endian.
//
// Pure data; any thread.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "profile/light_records.h"
#include "profile/mouse_records.h"

namespace mouse {

inline constexpr size_t kSettingsReadBytes = 71;
inline constexpr size_t kSettingsWriteBytes = 66;
inline constexpr size_t kSettingsAreaBytes = 128;
inline constexpr size_t kSentStages = 5;
inline constexpr uint8_t kBuiltInModes = 9;

using SettingsRecord = std::array<uint8_t, kSettingsReadBytes>;

struct SettingsInput {
    uint8_t byte0 = 0;
    uint8_t byte59 = 1;
    uint16_t screenWidth = 0;
    uint16_t screenHeight = 0;
    LightInfoRecord light;
    uint8_t reportRate = 0;
    uint8_t activeStage = 0;
    std::vector<DpiStage> stages;
    std::vector<CorrectEntry> corrections;
};

// The record in profile order (byte 3 is the speed as the profile holds it).
SettingsRecord BuildSettingsRecord(const SettingsInput& in);

// The bytes the mouse takes: byte 3 turned into the mouse's own speed order.
SettingsRecord ToDevice(const SettingsRecord& record);

// The speed a mouse byte 3 stands for: 4 - byte, and 4 for a byte outside
// 0-4 (no speed has a frame threshold beyond 4).
uint8_t SpeedFromDevice(uint8_t byte3);

}  // namespace mouse
