#pragma once
// FakeCaptureService: the capture double for tests. A test plays the user's
// keyboard and mouse (Key, Mouse), the desktop (End) and a platform that
// refuses (FailStarts); the service delivers what a capture would deliver and
// keeps what reached the rest of the desktop, so a test sees what a capture
// withheld.
//
// UI thread only, like the real services.

#include <string>
#include <vector>

#include "platform/capture/capture_service.h"

namespace platform::capture {

class FakeCaptureService final : public CaptureService {
  public:
    CaptureResult Start(const CaptureRequest& request, CaptureSink& sink) override;
    void Stop() override;
    bool IsActive() const override { return m_sink != nullptr; }
    ScreenPoint WindowOrigin() const override { return m_origin; }

    // --- the test's side ---------------------------------------------------
    void SetWindowOrigin(ScreenPoint origin) { m_origin = origin; }
    // Every later start fails with `reason`; an empty reason lets them work again.
    void FailStarts(std::string reason) { m_failure = std::move(reason); }

    // A key of Linux code `linuxCode` goes down or up. Returns false when the
    // key has no row in the translation table (nothing happens then).
    bool Key(uint16_t linuxCode, bool down);
    // A key event as a record (message kKeyDown … kSysKeyUp).
    void KeyRecord(uint32_t message, const KeyboardRecord& record);
    // A mouse button event at screen position (x, y); `xButton` for kXDown/kXUp.
    void Mouse(uint32_t message, int x, int y, uint16_t xButton = 0);
    // The desktop ends the capture (window hidden, minimised, …).
    void End(EndReason reason);

    // --- what happened -------------------------------------------------------
    int Starts() const { return m_starts; }
    int Stops() const { return m_stops; }
    const CaptureRequest& LastRequest() const { return m_request; }
    // Key events (message, record) that reached the rest of the desktop: all
    // of them while nothing captures, the lock keys the sink let through
    // while something does.
    struct DesktopKey {
        uint32_t message;
        KeyboardRecord record;
    };
    const std::vector<DesktopKey>& DesktopKeys() const { return m_desktop; }
    // Mouse events delivered to a sink.
    int MouseDeliveries() const { return m_mouseDeliveries; }

  private:
    CaptureSink* m_sink = nullptr;
    CaptureRequest m_request;
    ScreenPoint m_origin;
    std::string m_failure;
    std::vector<DesktopKey> m_desktop;
    int m_starts = 0;
    int m_stops = 0;
    int m_mouseDeliveries = 0;
};

}  // namespace platform::capture
