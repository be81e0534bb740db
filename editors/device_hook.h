#pragma once
// CDeviceHook: the main window's keyboard and mouse capture, for macro
// recording and for the key editor's key capture. One per main window.
//
// While installed, every key the capture service reports is sent to the
// window as the registered keyboard message of the capture mode (first
// parameter: the keyboard message, second: a pointer to the KeyboardRecord,
// valid during the call), and every mouse button as the mode's mouse
// message (a pointer to the MouseRecord); the window handles each one before
// the next is delivered. Keys are withheld from the rest of the desktop,
// except the lock keys. A key released during the capture that was pressed
// before it started is withheld without being sent.
//
// A capture never locks the user out: besides Uninstall it ends when the
// service ends it (the window was hidden, minimised or lost the active
// state), when the window is hidden, and when nothing was captured for
// kIdleLimitMs; the end handler hears of each. The idle limit is timer kIdleTimer of the window's
// root control.
//
// UI thread only.

#include <bitset>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/capture/capture_service.h"
#include "platform/ui/tree_observer.h"
#include "platform/ui/ui_types.h"

namespace ui {
class Window;
struct Notification;
}  // namespace ui

// The registered messages of the capture. Each name has one number for the
// life of the process.
namespace hook_msg {

inline constexpr std::string_view kKeySingleKey = "WM_HOOK_KEY_SINGLEKEY_MSG";
inline constexpr std::string_view kKeyHitKey = "WM_HOOK_KEY_HITKEY_MSG";
inline constexpr std::string_view kKeyMacro = "WM_HOOK_KEY_KBMACRO_MSG";
inline constexpr std::string_view kKeyMacroBefore = "WM_HOOK_KEY_KBMACROPREVIOUS_MSG";
inline constexpr std::string_view kKeyMacroAfter = "WM_HOOK_KEY_KBMACROLATER_MSG";
inline constexpr std::string_view kKeyMacroReplace = "WM_HOOK_KEY_KBMACROSINGLE_MSG";
inline constexpr std::string_view kMouseMacro = "WM_HOOK_KEY_MSMACRO_MSG";
inline constexpr std::string_view kMouseMacroBefore = "WM_HOOK_KEY_MSMACROPREVIOUS_MSG";
inline constexpr std::string_view kMouseMacroAfter = "WM_HOOK_KEY_MSMACROLATER_MSG";
inline constexpr std::string_view kMouseMacroReplace = "WM_HOOK_KEY_MSMACROSINGLE_MSG";

// The number of a registered message name, 0 for a name the capture does not use.
uint32_t Register(std::string_view name);
// The name of a registered number, "" for any other number.
std::string_view NameOf(uint32_t message);
// The message of each mode for keys and for mouse buttons; 0 when the mode
// has none.
uint32_t KeyboardMessageOf(int mode);
uint32_t MouseMessageOf(int mode);
// The capture mode a keyboard or mouse message belongs to, 0 for another number.
int ModeOf(uint32_t message);
bool IsMouseMessage(uint32_t message);

}  // namespace hook_msg

class CDeviceHook : private platform::capture::CaptureSink, private ui::TreeObserver {
  public:
    // Capture modes.
    static constexpr int kModeSingleKey = 1;
    static constexpr int kModeHitKey = 2;
    static constexpr int kModeMacro = 4;
    static constexpr int kModeMacroBefore = 8;
    static constexpr int kModeMacroAfter = 16;
    static constexpr int kModeMacroReplace = 32;
    static constexpr int kModeMouseSingleKey = 256;
    static constexpr int kModeMouseHitKey = 512;
    static constexpr int kModeMouseMacro = 1024;

    static constexpr int kIdleTimer = 4102;
    static constexpr int kIdleLimitMs = 5 * 60 * 1000;

    using EndHandler = std::function<void(platform::capture::EndReason)>;

    explicit CDeviceHook(platform::capture::CaptureService& service);
    ~CDeviceHook() override;
    CDeviceHook(const CDeviceHook&) = delete;
    CDeviceHook& operator=(const CDeviceHook&) = delete;

    // Ends a capture that is on, then captures for `window` in `mode`: the
    // keyboard when `keyboard`, and with `library` the mouse buttons of the
    // modes that have mouse messages. Returns 1, or 0 when the capture could
    // not start (nothing is captured then; LastError says why).
    int Install(int mode, ui::Window* window, bool keyboard, bool library);
    // Ends the capture; the end handler is not called.
    void Uninstall();
    bool IsInstalled() const { return m_installed; }
    // The mode of the capture that is on, 0 when off.
    int GetMode() const { return m_installed ? m_mode : 0; }
    const std::string& LastError() const { return m_error; }

    void SetEndHandler(EndHandler handler) { m_endHandler = std::move(handler); }
    // Where the window's top-left pixel lies on the screen.
    ui::Point WindowOrigin() const;

  private:
    // platform::capture::CaptureSink
    bool OnKeyboard(uint32_t message, const platform::capture::KeyboardRecord& record) override;
    void OnMouse(uint32_t message, const platform::capture::MouseRecord& record) override;
    void OnCaptureEnded(platform::capture::EndReason reason) override;
    // ui::TreeObserver: the window being hidden ends the capture.
    void OnPropertyChanged(ui::Control&, ui::Property) override {}
    void OnChildInserted(ui::Container&, ui::Control&, size_t) override {}
    void OnChildRemoving(ui::Container&, ui::Control&, size_t) override {}
    void OnWindowChanged(ui::Window& window, ui::WindowProperty property) override;

    void ArmIdleTimer();
    // Forgets the window: no idle timer, no observing.
    void Detach();
    void OnRootNotify(const ui::Notification& n);
    // The capture ended without Uninstall.
    void EndBy(platform::capture::EndReason reason, bool serviceStopped);

    platform::capture::CaptureService& m_service;
    ui::Window* m_window = nullptr;
    int m_rootListener = 0;
    int m_mode = 0;
    bool m_installed = false;
    std::string m_error;
    EndHandler m_endHandler;
    // The keys pressed during this capture and not yet released, by set-1
    // code (bit 8: extended).
    std::bitset<512> m_pressed;
};
