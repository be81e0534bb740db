#pragma once
// The desktop settings in GNOME's settings store (GSettings): the
// "org.gnome.desktop.peripherals.mouse" speed, accel-profile and double-click
// keys and the "org.gnome.desktop.peripherals.keyboard" delay and
// repeat-interval keys. The store has no wheel-lines setting.
//
// Open() looks the schemas and keys up first (GSettings aborts the process
// on a schema that is not installed) and refuses the in-memory fallback
// store, which would keep the values only inside this process. Every write
// is flushed to the store before the call returns.

#include <memory>
#include <mutex>
#include <string>

#include "platform/settings/desktop_settings.h"

namespace platform::settings {

class GSettingsDesktopSettings final : public DesktopSettings {
  public:
    // Null with the reason when the schemas or a usable store are missing.
    static std::unique_ptr<GSettingsDesktopSettings> Open(std::string* why);

    std::string_view StoreName() const override { return "GNOME settings"; }
    bool Offers(Setting setting) const override;
    ApplyResult SetPointerSpeed(int speed) override;
    ApplyResult SetPointerAcceleration(bool accelerated) override;
    ApplyResult SetWheelLines(int lines) override;
    ApplyResult SetDoubleClickTime(int milliseconds) override;
    ApplyResult SetKeyboardRepeatDelay(int index) override;
    ApplyResult SetKeyboardRepeatRate(int rate) override;

  private:
    GSettingsDesktopSettings() = default;

    bool m_hasDoubleClick = false;
    std::mutex m_mutex;
};

}  // namespace platform::settings
