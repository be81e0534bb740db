#pragma once
// The headset (0x0D8C:0x01DA), interface 3 with a single consumer collection
// that carries the command report (ID 4) and the 17-byte LED report (ID 0xFF):
//   byte 0 0xFF, byte 1 target 0x22 or 0x44, byte 2 sub-command
//   (0xAA/0xAB/0xAC: LEDs 0-6 of plane 0/1/2 in bytes 4-10;
//    0xAD/0xAE/0xAF: LEDs 7-12 of plane 0/1/2 in bytes 4-9), byte 3 0.
// Values above 247 are not shown (counted as BadValue and clamped).

#include <array>
#include <cstdint>
#include <deque>
#include <vector>

#include "sim/firmware.h"

namespace sim {

inline constexpr int kHeadsetLeds = 13;
inline constexpr uint8_t kHeadsetMaxLedValue = 247;
inline constexpr size_t kReportsPerFrame = 12;

FirmwareLayout HeadsetLayout();

class SimHeadset : public Firmware {
  public:
    SimHeadset();

    using Planes = std::array<std::array<uint8_t, 3>, kHeadsetLeds>;  // [led][plane]
    // LED colours last set for target 0x22 (index 0) or 0x44 (index 1).
    Planes LedPlanes(int target) const;
    // Every LED report received, in order (the newest kMaxLog).
    std::vector<std::vector<uint8_t>> LedReports() const;
    uint64_t LedReportCount() const;
    // "frames: N" (complete frames: twelve reports ending with target 0x44's
    // plane 2 of LEDs 7-12), "reports: M", "order:" the target and
    // sub-command of the last twelve reports, then each target's three planes.
    std::vector<std::string> FrameLines() const override;

  protected:
    bool HandleExtraOutput(int interfaceNumber, const uint8_t* data, size_t length,
                           std::vector<InputReport>& replies) override;

  private:
    std::array<Planes, 2> m_planes{};
    std::deque<std::vector<uint8_t>> m_ledReports;
    uint64_t m_ledReportCount = 0;
    uint64_t m_frameCount = 0;
    std::deque<uint16_t> m_lastOrder;  // target << 8 | sub-command
};

}  // namespace sim
