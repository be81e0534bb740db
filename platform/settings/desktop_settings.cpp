#include "platform/settings/desktop_settings.h"

namespace platform::settings {

std::string_view SettingName(Setting setting) {
    switch (setting) {
        case Setting::PointerSpeed:
            return "pointer speed";
        case Setting::PointerAcceleration:
            return "pointer acceleration";
        case Setting::WheelLines:
            return "wheel scroll lines";
        case Setting::DoubleClickTime:
            return "double-click time";
        case Setting::KeyboardRepeatDelay:
            return "keyboard repeat delay";
        case Setting::KeyboardRepeatRate:
            return "keyboard repeat rate";
    }
    return "unknown setting";
}

ApplyResult DesktopSettings::Apply(Setting setting, int value) {
    switch (setting) {
        case Setting::PointerSpeed:
            return SetPointerSpeed(value);
        case Setting::PointerAcceleration:
            return SetPointerAcceleration(value != 0);
        case Setting::WheelLines:
            return SetWheelLines(value);
        case Setting::DoubleClickTime:
            return SetDoubleClickTime(value);
        case Setting::KeyboardRepeatDelay:
            return SetKeyboardRepeatDelay(value);
        case Setting::KeyboardRepeatRate:
            return SetKeyboardRepeatRate(value);
    }
    return ApplyResult::Failed("unknown setting");
}

}  // namespace platform::settings
