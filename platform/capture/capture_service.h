#pragma once
// Keyboard and mouse capture for macro recording and key capture.
//
// While a capture is on, every key press and release (and, when asked for,
// every mouse-button press and release) reaches the sink as a record laid
// out like the low-level records of a global input hook, in arrival order,
// and keyboard input is withheld from other applications; only the lock keys
// (Caps Lock, Num Lock, Scroll Lock) keep working for the whole desktop.
//
// Key records name the key by its set-1 make code and the extended flag
// (bit 0 of `flags`), whatever the platform's own key code; the translation
// table is linux_key_codes.h. Mouse records carry the cursor position in
// screen pixels and, for the side buttons, the button number in the high 16
// bits of `mouseData` (1 back, 2 forward).
//
// A capture never outlives what makes it safe: the service ends it by itself
// when the capturing window is hidden, minimised or loses the active state,
// and tells the sink why. Ending it from the caller (Stop) tells nothing.
//
// Threads: the UI thread only. The sink is called on the UI thread, one event
// at a time; a sink may call Stop from inside a callback.

#include <cstdint>
#include <string>

namespace platform::capture {

// Keyboard messages.
inline constexpr uint32_t kKeyDown = 0x100;
inline constexpr uint32_t kKeyUp = 0x101;
inline constexpr uint32_t kSysKeyDown = 0x104;
inline constexpr uint32_t kSysKeyUp = 0x105;
// Mouse messages.
inline constexpr uint32_t kLeftDown = 0x201;
inline constexpr uint32_t kLeftUp = 0x202;
inline constexpr uint32_t kRightDown = 0x204;
inline constexpr uint32_t kRightUp = 0x205;
inline constexpr uint32_t kMiddleDown = 0x207;
inline constexpr uint32_t kMiddleUp = 0x208;
inline constexpr uint32_t kXDown = 0x20B;
inline constexpr uint32_t kXUp = 0x20C;
// Side buttons, in the high 16 bits of MouseRecord::mouseData.
inline constexpr uint16_t kXButtonBack = 1;
inline constexpr uint16_t kXButtonForward = 2;

// Key record flags.
inline constexpr uint32_t kFlagExtended = 0x01;
inline constexpr uint32_t kFlagUp = 0x80;

// Virtual-key codes of the lock keys, which keep working during a capture.
inline constexpr uint32_t kVkCapsLock = 0x14;
inline constexpr uint32_t kVkNumLock = 0x90;
inline constexpr uint32_t kVkScrollLock = 0x91;
inline constexpr uint32_t kVkNone = 0xFF;

struct KeyboardRecord {
    uint32_t vkCode = 0;    // virtual-key code, kVkNone when the key has none
    uint32_t scanCode = 0;  // set-1 make code
    uint32_t flags = 0;     // kFlagExtended, kFlagUp
    uint32_t time = 0;      // milliseconds, the platform's event time
    uintptr_t extraInfo = 0;

    bool IsExtended() const { return (flags & kFlagExtended) != 0; }
};

struct MouseRecord {
    int32_t x = 0;  // cursor position in screen pixels
    int32_t y = 0;
    uintptr_t window = 0;
    uint32_t hitTestCode = 0;
    uintptr_t extraInfo = 0;
    uint32_t mouseData = 0;  // high 16 bits: side button number

    uint16_t XButton() const { return static_cast<uint16_t>(mouseData >> 16); }
};

// True for the keys that go on to the desktop during a capture.
bool IsLockKey(uint32_t vkCode);

// Why a capture ended without the caller's Stop.
enum class EndReason {
    Hidden,       // the capturing window was hidden or closed
    Minimized,    // it was minimised
    Deactivated,  // it lost the active state
    Lost,         // the platform took the capture away
    Idle,         // nothing was captured for too long (CDeviceHook's limit)
};
const char* EndReasonText(EndReason reason);

class CaptureSink {
  public:
    virtual ~CaptureSink() = default;
    // A key went down or up (message kKeyDown … kSysKeyUp). Returns true when
    // the key should also take effect on the desktop; the service honours it
    // for the lock keys, whose state the desktop keeps anyway.
    virtual bool OnKeyboard(uint32_t message, const KeyboardRecord& record) = 0;
    // A mouse button went down or up (message kLeftDown … kXUp).
    virtual void OnMouse(uint32_t message, const MouseRecord& record) = 0;
    // The service ended the capture by itself.
    virtual void OnCaptureEnded(EndReason reason) = 0;
};

struct CaptureRequest {
    bool keyboard = true;
    bool mouse = false;
};

struct CaptureResult {
    bool ok = false;
    std::string error;  // why the capture could not start
};

struct ScreenPoint {
    int x = 0;
    int y = 0;
};

class CaptureService {
  public:
    virtual ~CaptureService() = default;
    // Starts capturing for `sink`, ending a capture that is on first (its
    // sink hears nothing more). On failure nothing is captured.
    virtual CaptureResult Start(const CaptureRequest& request, CaptureSink& sink) = 0;
    // Ends the capture; nothing is delivered afterwards. Harmless when off.
    virtual void Stop() = 0;
    virtual bool IsActive() const = 0;
    // Where the capturing window's top-left pixel lies on the screen, so that
    // mouse records can be compared with controls of the window.
    virtual ScreenPoint WindowOrigin() const = 0;
};

// The service of a program without any capture: every start fails.
class NoCaptureService final : public CaptureService {
  public:
    explicit NoCaptureService(std::string reason) : m_reason(std::move(reason)) {}
    CaptureResult Start(const CaptureRequest&, CaptureSink&) override { return {false, m_reason}; }
    void Stop() override {}
    bool IsActive() const override { return false; }
    ScreenPoint WindowOrigin() const override { return {}; }

  private:
    std::string m_reason;
};

}  // namespace platform::capture
