#pragma once
// The one translation from Linux input event key codes (<linux/input-event-codes.h>,
// what evdev, X servers (keycode − 8) and Wayland compositors report) to the set-1 make
// code, extended flag and virtual-key code that capture records carry.
//
// Keys without a row (wheel tilts, most media keys, unusual keys) are not
// reported by a capture. Pure; any thread.

#include <cstdint>
#include <optional>
#include <span>

#include "platform/capture/capture_service.h"

namespace platform::capture {

struct LinuxKeyRow {
    uint16_t linuxCode = 0;
    uint8_t scanCode = 0;
    bool extended = false;
    uint8_t vkCode = kVkNone;  // kVkNone: the key has no virtual-key code
};

std::span<const LinuxKeyRow> LinuxKeyRows();
const LinuxKeyRow* FindLinuxKey(uint16_t linuxCode);

// The record of a key event of Linux key `linuxCode`, or nullopt when the
// key has no row. `time` is the platform's event time in milliseconds.
std::optional<KeyboardRecord> RecordOfLinuxKey(uint16_t linuxCode, bool down, uint32_t time = 0);

// X servers number keys as the Linux code plus 8.
inline constexpr uint16_t kXKeycodeOffset = 8;

}  // namespace platform::capture
