#include "device/lighting_frame.h"

namespace device {
namespace {

uint8_t Scaled(uint8_t channel, uint8_t alpha) {
    return static_cast<uint8_t>((channel * alpha) >> 8);
}

}  // namespace

void FillStreamBuffer(std::span<const LedColor> frame, std::vector<uint8_t>& buffer) {
    buffer.resize(frame.size() * 3);
    for (size_t i = 0; i < frame.size(); ++i) {
        if (i == kStreamSkippedLed) {
            continue;
        }
        const LedColor& led = frame[i];
        buffer[3 * i] = Scaled(led.r, led.alpha);
        buffer[3 * i + 1] = Scaled(led.g, led.alpha);
        buffer[3 * i + 2] = Scaled(led.b, led.alpha);
    }
}

uint32_t LightControlColor(const LedColor& led) {
    return static_cast<uint32_t>(led.r) | static_cast<uint32_t>(led.b) << 8 |
           static_cast<uint32_t>(led.g) << 16;
}

void SharedFrame::Reset(size_t n) {
    std::lock_guard lock(m_mutex);
    m_frame.assign(n, LedColor{});
    ++m_serial;
}

void SharedFrame::Publish(std::span<const LedColor> frame) {
    std::lock_guard lock(m_mutex);
    m_frame.assign(frame.begin(), frame.end());
    ++m_serial;
}

uint64_t SharedFrame::Snapshot(std::vector<LedColor>& out) const {
    std::lock_guard lock(m_mutex);
    out.assign(m_frame.begin(), m_frame.end());
    return m_serial;
}

uint64_t SharedFrame::Serial() const {
    std::lock_guard lock(m_mutex);
    return m_serial;
}

}  // namespace device
