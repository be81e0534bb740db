#include "platform/settings/linux/x11_desktop_settings.h"

#include <xcb/xcb.h>
// The XKB header names a member "explicit", a C++ keyword.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

#include <cstdlib>

#include "platform/settings/settings_units.h"

namespace platform::settings {
namespace {

std::string ErrorText(const char* request, const xcb_generic_error_t* error) {
    return std::string("X server refused ") + request + " (error " +
           std::to_string(error->error_code) + ")";
}

// Sends nothing; waits for the answer to a checked request.
ApplyResult Check(xcb_connection_t* c, xcb_void_cookie_t cookie, const char* request) {
    xcb_generic_error_t* error = xcb_request_check(c, cookie);
    if (error != nullptr) {
        ApplyResult result = ApplyResult::Failed(ErrorText(request, error));
        std::free(error);
        return result;
    }
    if (xcb_connection_has_error(c) != 0) {
        return ApplyResult::Failed(std::string("X connection lost during ") + request);
    }
    return ApplyResult::Applied();
}

}  // namespace

std::unique_ptr<X11DesktopSettings> X11DesktopSettings::Open(const std::string& display,
                                                             std::string* why) {
    std::unique_ptr<X11DesktopSettings> settings(new X11DesktopSettings(display));
    std::lock_guard lock(settings->m_mutex);
    if (!settings->Connect(why)) {
        return nullptr;
    }
    return settings;
}

X11DesktopSettings::~X11DesktopSettings() {
    Disconnect();
}

bool X11DesktopSettings::Connect(std::string* why) {
    if (m_connection != nullptr && xcb_connection_has_error(m_connection) == 0) {
        return true;
    }
    Disconnect();
    const char* name = m_display.empty() ? nullptr : m_display.c_str();
    m_connection = xcb_connect(name, nullptr);
    if (xcb_connection_has_error(m_connection) != 0) {
        Disconnect();
        if (why != nullptr) {
            const char* shown = name != nullptr ? name : std::getenv("DISPLAY");
            *why =
                std::string("cannot connect to the X server ") + (shown ? shown : "(no DISPLAY)");
        }
        return false;
    }
    xcb_xkb_use_extension_reply_t* xkb = xcb_xkb_use_extension_reply(
        m_connection,
        xcb_xkb_use_extension(m_connection, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION), nullptr);
    m_hasXkb = xkb != nullptr && xkb->supported != 0;
    std::free(xkb);
    return true;
}

void X11DesktopSettings::Disconnect() {
    if (m_connection != nullptr) {
        xcb_disconnect(m_connection);
        m_connection = nullptr;
    }
}

bool X11DesktopSettings::Offers(Setting setting) const {
    switch (setting) {
        case Setting::WheelLines:
        case Setting::DoubleClickTime:
            return false;
        case Setting::KeyboardRepeatDelay:
        case Setting::KeyboardRepeatRate:
            return m_hasXkb;
        default:
            return true;
    }
}

ApplyResult X11DesktopSettings::ChangePointer(bool speed, int value) {
    std::lock_guard lock(m_mutex);
    std::string why;
    if (!Connect(&why)) {
        return ApplyResult::Failed(why);
    }
    if (speed) {
        const units::XPointerControl control = units::XAcceleration(value);
        return Check(m_connection,
                     xcb_change_pointer_control_checked(
                         m_connection, static_cast<int16_t>(control.numerator),
                         static_cast<int16_t>(control.denominator), 0, 1, 0),
                     "the pointer acceleration");
    }
    return Check(m_connection,
                 xcb_change_pointer_control_checked(
                     m_connection, 0, 0, static_cast<int16_t>(units::XThreshold(value != 0)), 0, 1),
                 "the pointer threshold");
}

ApplyResult X11DesktopSettings::ChangeRepeat(int delayMs, int intervalMs) {
    std::lock_guard lock(m_mutex);
    std::string why;
    if (!Connect(&why)) {
        return ApplyResult::Failed(why);
    }
    if (!m_hasXkb) {
        return ApplyResult::NotOffered("the X server has no keyboard extension (XKB)");
    }
    xcb_generic_error_t* error = nullptr;
    xcb_xkb_get_controls_reply_t* controls = xcb_xkb_get_controls_reply(
        m_connection, xcb_xkb_get_controls(m_connection, XCB_XKB_ID_USE_CORE_KBD), &error);
    if (controls == nullptr) {
        ApplyResult result = error != nullptr
                                 ? ApplyResult::Failed(ErrorText("the keyboard controls", error))
                                 : ApplyResult::Failed("X connection lost reading the keyboard");
        std::free(error);
        return result;
    }
    const uint16_t delay = delayMs > 0 ? static_cast<uint16_t>(delayMs) : controls->repeatDelay;
    const uint16_t interval =
        intervalMs > 0 ? static_cast<uint16_t>(intervalMs) : controls->repeatInterval;
    // Only the repeat-keys control changes; everything else is passed back as read.
    const xcb_void_cookie_t cookie = xcb_xkb_set_controls_checked(
        m_connection, XCB_XKB_ID_USE_CORE_KBD, 0, 0, 0, 0, 0, 0, 0, 0, controls->mouseKeysDfltBtn,
        controls->groupsWrap, controls->accessXOption, 0, 0, XCB_XKB_BOOL_CTRL_REPEAT_KEYS, delay,
        interval, controls->slowKeysDelay, controls->debounceDelay, controls->mouseKeysDelay,
        controls->mouseKeysInterval, controls->mouseKeysTimeToMax, controls->mouseKeysMaxSpeed,
        controls->mouseKeysCurve, controls->accessXTimeout, controls->accessXTimeoutMask,
        controls->accessXTimeoutValues, controls->accessXTimeoutOptionsMask,
        controls->accessXTimeoutOptionsValues, controls->perKeyRepeat);
    std::free(controls);
    return Check(m_connection, cookie, "the keyboard repeat");
}

ApplyResult X11DesktopSettings::SetPointerSpeed(int speed) {
    return ChangePointer(true, speed);
}

ApplyResult X11DesktopSettings::SetPointerAcceleration(bool accelerated) {
    return ChangePointer(false, accelerated ? 1 : 0);
}

ApplyResult X11DesktopSettings::SetWheelLines(int) {
    return ApplyResult::NotOffered("X has no setting for the lines a wheel notch scrolls");
}

ApplyResult X11DesktopSettings::SetDoubleClickTime(int) {
    return ApplyResult::NotOffered("X has no desktop-wide double-click time");
}

ApplyResult X11DesktopSettings::SetKeyboardRepeatDelay(int index) {
    return ChangeRepeat(units::RepeatDelayMs(index), 0);
}

ApplyResult X11DesktopSettings::SetKeyboardRepeatRate(int rate) {
    return ChangeRepeat(0, units::RepeatIntervalMs(rate));
}

}  // namespace platform::settings
