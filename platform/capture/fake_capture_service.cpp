#include "platform/capture/fake_capture_service.h"

#include "platform/capture/linux_key_codes.h"

namespace platform::capture {

CaptureResult FakeCaptureService::Start(const CaptureRequest& request, CaptureSink& sink) {
    m_sink = nullptr;
    if (!m_failure.empty()) {
        return {false, m_failure};
    }
    ++m_starts;
    m_request = request;
    m_sink = &sink;
    return {true, ""};
}

void FakeCaptureService::Stop() {
    if (m_sink != nullptr) {
        ++m_stops;
    }
    m_sink = nullptr;
}

bool FakeCaptureService::Key(uint16_t linuxCode, bool down) {
    const std::optional<KeyboardRecord> record = RecordOfLinuxKey(linuxCode, down);
    if (!record) {
        return false;
    }
    KeyRecord(down ? kKeyDown : kKeyUp, *record);
    return true;
}

void FakeCaptureService::KeyRecord(uint32_t message, const KeyboardRecord& record) {
    if (m_sink == nullptr || !m_request.keyboard) {
        m_desktop.push_back({message, record});
        return;
    }
    // As with the real services, only the lock keys can go on while a
    // capture holds the keyboard.
    if (m_sink->OnKeyboard(message, record) && IsLockKey(record.vkCode)) {
        m_desktop.push_back({message, record});
    }
}

void FakeCaptureService::Mouse(uint32_t message, int x, int y, uint16_t xButton) {
    if (m_sink == nullptr || !m_request.mouse) {
        return;
    }
    MouseRecord record;
    record.x = x;
    record.y = y;
    record.mouseData = static_cast<uint32_t>(xButton) << 16;
    ++m_mouseDeliveries;
    m_sink->OnMouse(message, record);
}

void FakeCaptureService::End(EndReason reason) {
    CaptureSink* sink = m_sink;
    if (sink == nullptr) {
        return;
    }
    m_sink = nullptr;
    sink->OnCaptureEnded(reason);
}

}  // namespace platform::capture
