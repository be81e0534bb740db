#pragma once
// The desktop's pointer and keyboard settings, written on the user's behalf.
//
// Values are given in the program's own units (the ones the pages keep in
// the profiles); each adapter converts them to its store's units through the
// one table in settings_units.h:
//
//   setting                 value
//   PointerSpeed            1 … 20, 10 the desktop's normal speed
//   PointerAcceleration     0 constant speed, 1 accelerated ("enhanced precision")
//   WheelLines              1 … 254 lines per wheel notch, 255 one page per notch
//   DoubleClickTime         milliseconds
//   KeyboardRepeatDelay     0 … 3: (n + 1) × 250 ms before a held key repeats
//   KeyboardRepeatRate      0 … 31: about 2.5 … 30 repeats a second
//
// A desktop that has no equivalent of a setting says so with Offers() and
// answers NotOffered: the caller keeps the value (in the profile) and tells
// the user once. A store that refuses a value answers Failed with the reason;
// nothing is dropped without an answer.
//
// Threads: every operation may be called from any thread; an adapter
// serialises its own calls. A call may block for a round trip to the store
// (an X server, the settings daemon), so the UI thread hands the slow ones to
// a SettingsApplier.

#include <memory>
#include <string>
#include <string_view>

namespace platform::settings {

enum class Setting {
    PointerSpeed,
    PointerAcceleration,
    WheelLines,
    DoubleClickTime,
    KeyboardRepeatDelay,
    KeyboardRepeatRate,
};
inline constexpr int kSettingCount = 6;

// A short English name for traces and messages ("pointer speed").
std::string_view SettingName(Setting setting);

enum class ApplyCode {
    Applied,     // the store took the value
    NotOffered,  // this desktop has no such setting; nothing was written
    Failed,      // the store refused or could not be reached; see the context
};

struct ApplyResult {
    ApplyCode code = ApplyCode::Applied;
    std::string context;  // why, for NotOffered and Failed ("X server: BadValue")

    bool Ok() const { return code == ApplyCode::Applied; }
    static ApplyResult Applied() { return {}; }
    static ApplyResult NotOffered(std::string why) {
        return {ApplyCode::NotOffered, std::move(why)};
    }
    static ApplyResult Failed(std::string why) { return {ApplyCode::Failed, std::move(why)}; }
};

class DesktopSettings {
  public:
    virtual ~DesktopSettings() = default;

    // Which store this is, for messages ("GNOME settings", "X server").
    virtual std::string_view StoreName() const = 0;
    virtual bool Offers(Setting setting) const = 0;

    virtual ApplyResult SetPointerSpeed(int speed) = 0;
    virtual ApplyResult SetPointerAcceleration(bool accelerated) = 0;
    virtual ApplyResult SetWheelLines(int lines) = 0;
    virtual ApplyResult SetDoubleClickTime(int milliseconds) = 0;
    virtual ApplyResult SetKeyboardRepeatDelay(int index) = 0;
    virtual ApplyResult SetKeyboardRepeatRate(int rate) = 0;

    // One entry for every setting: calls the matching setter (a bool setting
    // takes value != 0).
    ApplyResult Apply(Setting setting, int value);
};

// A desktop without any settings store (no display, no schemas): every
// setting is not offered, with the reason given at construction.
class NoDesktopSettings final : public DesktopSettings {
  public:
    explicit NoDesktopSettings(std::string why) : m_why(std::move(why)) {}
    std::string_view StoreName() const override { return "no settings store"; }
    bool Offers(Setting) const override { return false; }
    ApplyResult SetPointerSpeed(int) override { return NotOffered(); }
    ApplyResult SetPointerAcceleration(bool) override { return NotOffered(); }
    ApplyResult SetWheelLines(int) override { return NotOffered(); }
    ApplyResult SetDoubleClickTime(int) override { return NotOffered(); }
    ApplyResult SetKeyboardRepeatDelay(int) override { return NotOffered(); }
    ApplyResult SetKeyboardRepeatRate(int) override { return NotOffered(); }

  private:
    ApplyResult NotOffered() const { return ApplyResult::NotOffered(m_why); }
    std::string m_why;
};

}  // namespace platform::settings
