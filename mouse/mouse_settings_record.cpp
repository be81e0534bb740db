#include "mouse/mouse_settings_record.h"

#include <algorithm>

namespace mouse {
namespace {

constexpr size_t kStageBase = 14;
constexpr size_t kStageBytes = 9;
constexpr uint8_t kMaxSpeed = 4;

void PutU16(SettingsRecord& r, size_t at, uint16_t value) {
    r[at] = static_cast<uint8_t>(value & 0xFF);
    r[at + 1] = static_cast<uint8_t>(value >> 8);
}

}  // namespace

SettingsRecord BuildSettingsRecord(const SettingsInput& in) {
    SettingsRecord r{};
    const LightInfoRecord& light = in.light;
    r[0] = in.byte0;
    r[1] = light.mode < kBuiltInModes ? light.mode : 0;
    r[2] = light.brightness;
    r[3] = light.speed;
    r[4] = light.direction;
    r[5] = light.multiColor;
    r[6] = light.red;
    r[7] = light.green;
    r[8] = light.blue;
    r[11] = in.reportRate;
    r[12] = in.activeStage;
    const size_t stages = std::min(in.stages.size(), kSentStages);
    for (size_t i = 0; i < stages; ++i) {
        const DpiStage& s = in.stages[i];
        const size_t at = kStageBase + kStageBytes * i;
        r[at] = s.enabled;
        r[at + 1] = s.xy;
        PutU16(r, at + 2, s.dpiX);
        PutU16(r, at + 4, s.dpiY);
        r[at + 6] = s.red;
        r[at + 7] = s.green;
        r[at + 8] = s.blue;
    }
    r[59] = in.byte59;
    PutU16(r, 60, in.screenWidth);
    PutU16(r, 62, in.screenHeight);
    const auto selected = std::find_if(in.corrections.begin(), in.corrections.end(),
                                       [](const CorrectEntry& e) { return e.select != 0; });
    if (selected != in.corrections.end()) {
        r[64] = selected->minSq;
        r[65] = selected->pixThresh;
    }
    return r;
}

SettingsRecord ToDevice(const SettingsRecord& record) {
    SettingsRecord device = record;
    device[3] = static_cast<uint8_t>(kMaxSpeed - record[3]);
    return device;
}

uint8_t SpeedFromDevice(uint8_t byte3) {
    return byte3 <= kMaxSpeed ? static_cast<uint8_t>(kMaxSpeed - byte3) : kMaxSpeed;
}

}  // namespace mouse
