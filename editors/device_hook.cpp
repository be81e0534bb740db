#include "editors/device_hook.h"

#include <array>

#include "platform/trace/trace.h"
#include "platform/ui/notification.h"
#include "platform/ui/window.h"

namespace hook_msg {
namespace {

struct Registered {
    std::string_view name;
    int mode;  // 0: registered, but nothing sends it
    bool mouse;
};

// Numbers past those of the window's other named messages.
constexpr uint32_t kFirstNumber = 0xC100;

constexpr std::array<Registered, 19> kMessages = {{
    {kKeySingleKey, CDeviceHook::kModeSingleKey, false},
    {kKeyHitKey, CDeviceHook::kModeHitKey, false},
    {kKeyMacro, CDeviceHook::kModeMacro, false},
    {kKeyMacroBefore, CDeviceHook::kModeMacroBefore, false},
    {kKeyMacroAfter, CDeviceHook::kModeMacroAfter, false},
    {kKeyMacroReplace, CDeviceHook::kModeMacroReplace, false},
    {"WM_HOOK_MOU_SINGLEKEY_MSG", CDeviceHook::kModeMouseSingleKey, false},
    {"WM_HOOK_MOU_HITKEY_MSG", CDeviceHook::kModeMouseHitKey, false},
    {"WM_HOOK_MOU_KBMACRO_MSG", CDeviceHook::kModeMouseMacro, false},
    {kMouseMacro, CDeviceHook::kModeMacro, true},
    {kMouseMacroBefore, CDeviceHook::kModeMacroBefore, true},
    {kMouseMacroAfter, CDeviceHook::kModeMacroAfter, true},
    {kMouseMacroReplace, CDeviceHook::kModeMacroReplace, true},
    {"WM_HOOK_MOU_MSMACRO_MSG", 0, true},
    {"UWM_MOUSELBUTTONDOWN_USER_MSG", 0, true},
    {"UWM_MOUSELBUTTONUP_USER_MSG", 0, true},
    {"UWM_MOUSERBUTTONDOWN_USER_MSG", 0, true},
    {"UWM_MOUSERBUTTONUP_USER_MSG", 0, true},
    {"UWM_MOUSEMOVE_USER_MSG", 0, true},
}};

const Registered* Find(uint32_t message) {
    if (message < kFirstNumber || message >= kFirstNumber + kMessages.size()) {
        return nullptr;
    }
    return &kMessages[message - kFirstNumber];
}

uint32_t MessageOf(int mode, bool mouse) {
    if (mode == 0) {
        return 0;
    }
    for (size_t i = 0; i < kMessages.size(); ++i) {
        if (kMessages[i].mode == mode && kMessages[i].mouse == mouse) {
            return kFirstNumber + static_cast<uint32_t>(i);
        }
    }
    return 0;
}

}  // namespace

uint32_t Register(std::string_view name) {
    for (size_t i = 0; i < kMessages.size(); ++i) {
        if (kMessages[i].name == name) {
            return kFirstNumber + static_cast<uint32_t>(i);
        }
    }
    return 0;
}

std::string_view NameOf(uint32_t message) {
    const Registered* entry = Find(message);
    return entry != nullptr ? entry->name : std::string_view();
}

uint32_t KeyboardMessageOf(int mode) {
    return MessageOf(mode, false);
}

uint32_t MouseMessageOf(int mode) {
    // The mouse side only reports what a recorder takes: the four macro modes.
    if (mode == CDeviceHook::kModeSingleKey || mode == CDeviceHook::kModeHitKey) {
        return 0;
    }
    return MessageOf(mode, true);
}

int ModeOf(uint32_t message) {
    const Registered* entry = Find(message);
    return entry != nullptr ? entry->mode : 0;
}

bool IsMouseMessage(uint32_t message) {
    const Registered* entry = Find(message);
    return entry != nullptr && entry->mouse;
}

}  // namespace hook_msg

namespace capture = platform::capture;

CDeviceHook::CDeviceHook(capture::CaptureService& service) : m_service(service) {}

CDeviceHook::~CDeviceHook() {
    Uninstall();
}

int CDeviceHook::Install(int mode, ui::Window* window, bool keyboard, bool library) {
    Uninstall();
    m_error.clear();
    capture::CaptureRequest request;
    request.keyboard = keyboard;
    request.mouse = library && hook_msg::MouseMessageOf(mode) != 0;
    if (window == nullptr || (!request.keyboard && !request.mouse)) {
        m_error = window == nullptr ? "no window to deliver to" : "nothing to capture";
        return 0;
    }
    const capture::CaptureResult started = m_service.Start(request, *this);
    if (!started.ok) {
        m_error = started.error;
        platform::trace::Write("capture: " + m_error);
        return 0;
    }
    m_window = window;
    m_mode = mode;
    m_installed = true;
    m_pressed.reset();
    if (ui::Control* root = m_window->GetRoot()) {
        m_rootListener = root->AddListener([this](const ui::Notification& n) { OnRootNotify(n); });
    }
    m_window->AddObserver(this);
    ArmIdleTimer();
    platform::trace::Format("capture on, mode %d", mode);
    return 1;
}

void CDeviceHook::Uninstall() {
    if (!m_installed) {
        return;
    }
    m_installed = false;
    m_service.Stop();
    Detach();
    platform::trace::Format("capture off, mode %d", m_mode);
}

ui::Point CDeviceHook::WindowOrigin() const {
    const capture::ScreenPoint origin = m_service.WindowOrigin();
    return ui::Point{origin.x, origin.y};
}

bool CDeviceHook::OnKeyboard(uint32_t message, const capture::KeyboardRecord& record) {
    if (!m_installed) {
        return capture::IsLockKey(record.vkCode);
    }
    ArmIdleTimer();
    // A release whose press came before this capture (the Enter that chose
    // "replace with the next key" from a menu, the Tab that moved into the
    // key field) is not the user's input to it: it would record a lone
    // release or take a key nobody meant.
    const size_t key = (record.scanCode & 0xFFu) | (record.IsExtended() ? 0x100u : 0u);
    const bool down = message == capture::kKeyDown || message == capture::kSysKeyDown;
    const bool seen = down || m_pressed.test(key);
    m_pressed.set(key, down);
    const uint32_t registered = hook_msg::KeyboardMessageOf(m_mode);
    if (registered != 0 && seen) {
        m_window->HandleMessage(registered, static_cast<intptr_t>(message),
                                reinterpret_cast<intptr_t>(&record));
    }
    // The lock keys keep their meaning for the whole desktop; every other key
    // stays with the capture.
    return capture::IsLockKey(record.vkCode);
}

void CDeviceHook::OnMouse(uint32_t message, const capture::MouseRecord& record) {
    if (!m_installed) {
        return;
    }
    ArmIdleTimer();
    if (const uint32_t registered = hook_msg::MouseMessageOf(m_mode)) {
        m_window->HandleMessage(registered, static_cast<intptr_t>(message),
                                reinterpret_cast<intptr_t>(&record));
    }
}

void CDeviceHook::OnCaptureEnded(capture::EndReason reason) {
    EndBy(reason, true);
}

void CDeviceHook::OnWindowChanged(ui::Window& window, ui::WindowProperty property) {
    if (property == ui::WindowProperty::Visible && !window.IsVisible()) {
        EndBy(capture::EndReason::Hidden, false);
    }
}

void CDeviceHook::EndBy(capture::EndReason reason, bool serviceStopped) {
    if (!m_installed) {
        return;
    }
    m_installed = false;
    if (!serviceStopped) {
        m_service.Stop();
    }
    Detach();
    platform::trace::Format("capture ended: %s", capture::EndReasonText(reason));
    if (m_endHandler) {
        m_endHandler(reason);
    }
}

void CDeviceHook::ArmIdleTimer() {
    if (ui::Control* root = m_window != nullptr ? m_window->GetRoot() : nullptr) {
        root->SetTimer(kIdleTimer, kIdleLimitMs, ui::TimerKind::OneShot);
    }
}

void CDeviceHook::Detach() {
    if (m_window == nullptr) {
        return;
    }
    if (ui::Control* root = m_window->GetRoot()) {
        root->KillTimer(kIdleTimer);
        if (m_rootListener != 0) {
            root->RemoveListener(m_rootListener);
        }
    }
    m_rootListener = 0;
    m_window->RemoveObserver(this);
    m_window = nullptr;
}

void CDeviceHook::OnRootNotify(const ui::Notification& n) {
    // Five minutes without a key or a button: whoever started the capture is
    // not using it, and the keyboard goes back to the desktop.
    if (n.Is(ui::notify::kTimer) && n.wParam == kIdleTimer) {
        EndBy(capture::EndReason::Idle, false);
    }
}
