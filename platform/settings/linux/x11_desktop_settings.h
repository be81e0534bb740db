#pragma once
// The desktop settings of an X server without a settings store: the core
// pointer control (acceleration factor and threshold) and the XKB repeat
// delay and interval. X has no wheel-lines or double-click setting (those
// belong to each toolkit), so both are not offered.
//
// The adapter keeps its own connection (XCB, so no process-wide Xlib error
// handler is involved); every request is checked, and a lost connection is
// opened again on the next call.

#include <memory>
#include <mutex>
#include <string>

#include "platform/settings/desktop_settings.h"

struct xcb_connection_t;

namespace platform::settings {

class X11DesktopSettings final : public DesktopSettings {
  public:
    // `display` as in $DISPLAY (empty: $DISPLAY). Null with the reason when
    // the server cannot be reached.
    static std::unique_ptr<X11DesktopSettings> Open(const std::string& display, std::string* why);
    ~X11DesktopSettings() override;

    std::string_view StoreName() const override { return "X server"; }
    bool Offers(Setting setting) const override;
    ApplyResult SetPointerSpeed(int speed) override;
    ApplyResult SetPointerAcceleration(bool accelerated) override;
    ApplyResult SetWheelLines(int lines) override;
    ApplyResult SetDoubleClickTime(int milliseconds) override;
    ApplyResult SetKeyboardRepeatDelay(int index) override;
    ApplyResult SetKeyboardRepeatRate(int rate) override;

  private:
    explicit X11DesktopSettings(std::string display) : m_display(std::move(display)) {}

    // Under m_mutex: a live connection with XKB set up, or the reason.
    bool Connect(std::string* why);
    void Disconnect();
    ApplyResult ChangePointer(bool speed, int value);
    // Changes the repeat delay (delayMs > 0) or interval (intervalMs > 0).
    ApplyResult ChangeRepeat(int delayMs, int intervalMs);

    std::string m_display;
    xcb_connection_t* m_connection = nullptr;
    bool m_hasXkb = false;
    std::mutex m_mutex;
};

}  // namespace platform::settings
