#pragma once
// Message numbers of the main window (ui::Window::HandleMessage). Workers
// and adapters reach the window with these through ui::WindowRef.

#include <cstdint>

#include "device/discovery.h"

namespace app_msg {

// Named messages shared with peers and the first-pass notice of discovery.
inline constexpr const char* kInstanceName = "ORVIX_DARVO_001";
inline constexpr const char* kPeerForwardName = "{4695579F-999A-41d4-9FAF-EFFCE93EBF15}";
inline constexpr const char* kLightStateName = "{4695579F-999A-41d4-9FAF-EFFCE93EBF16}";
inline constexpr const char* kLightRequestName = "{4695579F-999A-41d4-9FAF-EFFCE93EBF17}";
// The single-instance endpoint (VELDMARK_INSTANCE replaces it, for tests).
inline constexpr const char* kInstanceLockName = "DARVO_ORVIX";

// Numbers given to the named messages in this process.
inline constexpr uint32_t kInstance = 0xC000;  // bring the window to the front
inline constexpr uint32_t kPeerForward = 0xC001;
inline constexpr uint32_t kLightState = 0xC002;
inline constexpr uint32_t kLightRequest = 0xC003;  // wParam 1, lParam 0 or 1
// Selects the entry of a device kind (wParam); returns 1 when one was selected.
inline constexpr uint32_t kSelectKind = 0xC010;
// A veldmarkctl macro request; lParam points to a MacroRequest (shell/routes_macros.h).
inline constexpr uint32_t kMacroRequest = 0xC011;
// A veldmarkctl key request; lParam points to a KeyRequest (shell/routes_keys.h).
inline constexpr uint32_t kKeyRequest = 0xC012;
// veldmarkctl changed a light store: pages show their effect lists again.
inline constexpr uint32_t kLightStoreChanged = 0xC013;

// System events as the window receives them.
inline constexpr uint32_t kDestroy = 0x0002;
inline constexpr uint32_t kActivate = 0x0006;  // wParam 1 activated, 0 deactivated
inline constexpr uint32_t kDisplayChange = 0x007E;
inline constexpr uint32_t kTimer = 0x0113;  // wParam = timer id
inline constexpr uint32_t kPowerBroadcast = 0x0218;
inline constexpr uint32_t kMouseHover = 0x02A1;
inline constexpr uint32_t kMouseLeave = 0x02A3;
inline constexpr intptr_t kPowerSuspend = 4;
inline constexpr intptr_t kPowerResume = 18;

// Private messages.
inline constexpr uint32_t kTrayIcon = 1025;  // lParam: 514 left up, 517 right up
inline constexpr uint32_t kHookCapture = 1054;
inline constexpr uint32_t kMenuCommand = 1145;
inline constexpr uint32_t kShowProgress = 3072;
inline constexpr uint32_t kLanguageChanged = 3089;                   // wParam = language index
inline constexpr uint32_t kDeviceArrived = device::kMsgSlotArrived;  // wParam = slot index
inline constexpr uint32_t kDeviceRemoved = device::kMsgSlotRemoved;  // wParam = slot index
inline constexpr uint32_t kOpenSettings = 3093;
inline constexpr uint32_t kClearUpdateMark = 3094;
inline constexpr intptr_t kTrayLeftUp = 514;
inline constexpr intptr_t kTrayRightUp = 517;

}  // namespace app_msg
