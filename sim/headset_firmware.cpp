#include "sim/headset_firmware.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "sim/descriptors.h"

namespace sim {

namespace {

constexpr size_t kParameterBytes = 256;
constexpr uint8_t kTargets[2] = {0x22, 0x44};

int TargetIndex(uint8_t target) {
    for (int i = 0; i < 2; ++i) {
        if (kTargets[i] == target) {
            return i;
        }
    }
    return -1;
}

}  // namespace

FirmwareLayout HeadsetLayout() {
    FirmwareLayout l;
    l.kind = DeviceKind::Headset;
    l.vendorId = 0x0D8C;
    l.productId = 0x01DA;
    l.version = 0x0100;
    l.interfaces = {{3, HeadsetDescriptor(), {}}};
    l.commandInterface = 3;
    l.eventInterface = -1;

    l.deviceInfo[0] = 0x07;
    l.deviceInfo[1] = 0x00;
    l.deviceInfo[2] = 0x01;
    l.deviceInfo[3] = 1;
    l.deviceInfo[4] = kHeadsetLeds;

    // Lighting record at address 0: static mode, full brightness, speed 2,
    // single colour.
    l.parameters.assign(kParameterBytes, 0);
    const uint8_t record[9] = {0, 3, 5, 4 - 2, 1, 0, 0x00, 0x80, 0xFF};
    std::copy(std::begin(record), std::end(record), l.parameters.begin());
    l.status.assign(6, 0);
    return l;
}

SimHeadset::SimHeadset() : Firmware(HeadsetLayout()) {}

bool SimHeadset::HandleExtraOutput(int, const uint8_t* data, size_t length,
                                   std::vector<InputReport>&) {
    if (length < kHeadsetLedReportSize || data[0] != kHeadsetLedReportId) {
        return false;
    }
    std::vector<uint8_t> report(data, data + kHeadsetLedReportSize);
    if (m_ledReports.size() >= kMaxLog) {
        m_ledReports.pop_front();
    }
    m_ledReports.push_back(report);
    ++m_ledReportCount;
    // A frame is complete with its last report (target 0x44, plane 2 of LEDs 7-12).
    if (m_lastOrder.size() >= kReportsPerFrame) {
        m_lastOrder.pop_front();
    }
    m_lastOrder.push_back(static_cast<uint16_t>(data[1] << 8 | data[2]));
    if (data[1] == kTargets[1] && data[2] == 0xAF) {
        ++m_frameCount;
    }

    const int target = TargetIndex(data[1]);
    const uint8_t sub = data[2];
    if (target < 0 || sub < 0xAA || sub > 0xAF) {
        NoteViolationLocked(Violation::BadValue);
        return true;
    }
    const bool low = sub <= 0xAC;  // LEDs 0-6 or 7-12
    const size_t plane = static_cast<size_t>((sub - 0xAA) % 3);
    const size_t first = low ? 0 : 7;
    const size_t count = low ? 7 : 6;
    for (size_t i = 0; i < count; ++i) {
        uint8_t value = data[4 + i];
        if (value > kHeadsetMaxLedValue) {
            NoteViolationLocked(Violation::BadValue);
            value = kHeadsetMaxLedValue;
        }
        m_planes[static_cast<size_t>(target)][first + i][plane] = value;
    }
    return true;
}

SimHeadset::Planes SimHeadset::LedPlanes(int target) const {
    std::lock_guard lock(m_mutex);
    return m_planes[static_cast<size_t>(std::clamp(target, 0, 1))];
}

std::vector<std::vector<uint8_t>> SimHeadset::LedReports() const {
    std::lock_guard lock(m_mutex);
    return std::vector<std::vector<uint8_t>>(m_ledReports.begin(), m_ledReports.end());
}

std::vector<std::string> SimHeadset::FrameLines() const {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> lines{"frames: " + std::to_string(m_frameCount),
                                   "reports: " + std::to_string(m_ledReportCount)};
    std::string order = "order:";
    char head[32];
    for (uint16_t code : m_lastOrder) {
        std::snprintf(head, sizeof(head), " %02x%02x", code >> 8, code & 0xFF);
        order += head;
    }
    lines.push_back(order);
    for (size_t target = 0; target < 2; ++target) {
        for (size_t plane = 0; plane < 3; ++plane) {
            std::snprintf(head, sizeof(head), "target 0x%02x plane %zu:", kTargets[target], plane);
            std::string line = head;
            for (size_t led = 0; led < kHeadsetLeds; ++led) {
                line += " " + std::to_string(m_planes[target][led][plane]);
            }
            lines.push_back(std::move(line));
        }
    }
    return lines;
}

uint64_t SimHeadset::LedReportCount() const {
    std::lock_guard lock(m_mutex);
    return m_ledReportCount;
}

}  // namespace sim
