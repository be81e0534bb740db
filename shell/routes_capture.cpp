#include "shell/routes_capture.h"

#include <array>
#include <string>

#include "device/catalogue.h"
#include "device/usb_device.h"
#include "editors/device_hook.h"
#include "editors/key_set_control.h"
#include "editors/macro_control.h"
#include "platform/trace/trace.h"
#include "platform/ui/button.h"
#include "shell/app_messages.h"
#include "shell/main_wnd.h"
#include "shell/message_box.h"
#include "shell/routes_keys.h"
#include "shell/routes_macros.h"

namespace {

using Timing = MacroRecorder::Timing;
namespace capture = platform::capture;

constexpr const char* kKeyField = "keyset_keyboard_text_edit";
constexpr int kMessageDpi = 96;

bool HasEditors(const CVeldmarkUSBDevice* page) {
    if (page == nullptr) {
        return false;
    }
    const int kind = page->GetKind();
    return kind == device::kKindKeyboard || kind == device::kKindMouse ||
           kind == device::kKindSlowMouse;
}

// The page whose macro editor records, or null.
CVeldmarkUSBDevice* RecordingPage(CMainWnd& window) {
    for (const auto* pages : {&window.KeyboardPages(), &window.MousePages()}) {
        for (CVeldmarkUSBDevice* page : *pages) {
            const CMacroControlUI* editor = MacroEditorOf(page);
            if (editor != nullptr && editor->Recorder().IsRecording()) {
                return page;
            }
        }
    }
    return nullptr;
}

bool IsMacroMode(int mode) {
    return mode == CDeviceHook::kModeMacro || mode == CDeviceHook::kModeMacroBefore ||
           mode == CDeviceHook::kModeMacroAfter || mode == CDeviceHook::kModeMacroReplace;
}

// The timing of the record button and the "record time" items: the fixed
// delay when "macro_check_time" is ticked, else the real time.
Timing CheckedTiming(const CMacroControlUI& editor) {
    const auto* fixed = editor.FindSubControl<ui::Option>("macro_check_time");
    return fixed != nullptr && fixed->IsSelected() ? Timing::Constant : Timing::Real;
}

void ShowCaptureFailure(CMainWnd& window, const std::string& reason) {
    std::string text = window.Context().language.Resolve("message_capture_failed");
    if (!reason.empty()) {
        text += "\n" + reason;
    }
    shell::ShowMessage(window.Context(), &window, "", text, kMessageDpi, false, 0);
}

void RouteKey(CMainWnd& window, CVeldmarkUSBDevice& page, int mode, uint32_t message,
              const capture::KeyboardRecord& record) {
    const auto scan = static_cast<uint8_t>(record.scanCode);
    if (mode == CDeviceHook::kModeSingleKey) {
        auto* editor = dynamic_cast<CKeySetControlUI*>(page.GetKeyEditor());
        if (editor != nullptr && editor->CaptureKey(scan, record.IsExtended())) {
            app::ApplyKeyEdit(window);
        }
        return;
    }
    if (CMacroControlUI* editor = MacroEditorOf(&page)) {
        editor->Recorder().OnKey(mode, message, scan, record.IsExtended());
    }
}

void RouteMouse(CMainWnd& window, CVeldmarkUSBDevice& page, int mode, uint32_t message,
                const capture::MouseRecord& record) {
    CMacroControlUI* editor = MacroEditorOf(&page);
    if (editor == nullptr) {
        return;
    }
    const ui::Point origin = window.Hook().WindowOrigin();
    editor->Recorder().OnMouse(mode, message, record.XButton(),
                               ui::Point{record.x - origin.x, record.y - origin.y});
}

struct MenuRecording {
    std::string_view item;
    bool checkedTiming;  // the timing follows "macro_check_time"
    Timing timing;
    int mode;
};

constexpr std::array<MenuRecording, 7> kMenuRecordings = {{
    {"redio_previous_record_time", true, Timing::Real, CDeviceHook::kModeMacroBefore},
    {"redio_previous_constant_time", false, Timing::Constant, CDeviceHook::kModeMacroBefore},
    {"redio_previous_ignore_time", false, Timing::Ignore, CDeviceHook::kModeMacroBefore},
    {"redio_later_record_time", true, Timing::Real, CDeviceHook::kModeMacroAfter},
    {"redio_later_constant_time", false, Timing::Constant, CDeviceHook::kModeMacroAfter},
    {"redio_later_ignore_time", false, Timing::Ignore, CDeviceHook::kModeMacroAfter},
    {"macro_action_edit", false, Timing::Ignore, CDeviceHook::kModeMacroReplace},
}};

}  // namespace

namespace app {

void StartRecording(CMainWnd& window, Timing timing, int mode) {
    CVeldmarkUSBDevice* page = window.CurrentPage();
    CMacroControlUI* editor = MacroEditorOf(page);
    // Without a macro there is nothing to record into: the rows would be
    // thrown away when the recording stops.
    if (editor == nullptr || editor->GetSelectedMacro() < 0 || RecordingPage(window) != nullptr) {
        return;
    }
    if (window.Hook().Install(mode, &window, true, true) == 0) {
        // Nothing would be captured: say so instead of showing a recording
        // that records nothing.
        ShowCaptureFailure(window, window.Hook().LastError());
        return;
    }
    editor->Recorder().Start(timing, mode);
    window.SetEditCommitted(true, false);
}

void StopRecording(CMainWnd& window, bool upload) {
    if (IsMacroMode(window.Hook().GetMode())) {
        window.Hook().Uninstall();
    }
    CVeldmarkUSBDevice* page = RecordingPage(window);
    CMacroControlUI* editor = MacroEditorOf(page);
    if (editor == nullptr) {
        return;
    }
    editor->Recorder().Stop();
    window.SetEditCommitted(true, true);
    if (upload) {
        SaveMacroAndUpload(window, *page, *editor);
    } else {
        const profile::MacroOutcome saved = editor->SaveMacro();
        if (!saved.Ok() && saved.result != profile::MacroResult::Unchanged) {
            platform::trace::Write("macro: " + saved.detail);
        }
    }
    page->RefreshEditorLists();
}

bool StartRecordingItem(CMainWnd& window, std::string_view item) {
    for (const MenuRecording& entry : kMenuRecordings) {
        if (entry.item != item) {
            continue;
        }
        const CMacroControlUI* editor = MacroEditorOf(window.CurrentPage());
        if (editor != nullptr) {
            StartRecording(window, entry.checkedTiming ? CheckedTiming(*editor) : entry.timing,
                           entry.mode);
        }
        return true;
    }
    return false;
}

void SetKeyCapture(CMainWnd& window, bool on) {
    CDeviceHook& hook = window.Hook();
    if (RecordingPage(window) != nullptr) {
        return;  // the recording's capture stays as it is
    }
    if (!on) {
        if (hook.GetMode() == CDeviceHook::kModeSingleKey) {
            hook.Uninstall();
        }
        return;
    }
    if (hook.Install(CDeviceHook::kModeSingleKey, &window, true, true) == 0) {
        platform::trace::Write("key capture: " + hook.LastError());
    }
}

bool RouteCaptureMessage(CMainWnd& window, uint32_t message, intptr_t wParam, intptr_t lParam) {
    const std::string_view name = hook_msg::NameOf(message);
    if (name.empty()) {
        return false;
    }
    std::string traced(name);
    if (traced.size() > 4 && traced.ends_with("_MSG")) {
        traced.resize(traced.size() - 4);
    }
    platform::trace::Write(traced);
    CVeldmarkUSBDevice* page = window.CurrentPage();
    const int mode = hook_msg::ModeOf(message);
    if (!HasEditors(page) || lParam == 0 || mode == CDeviceHook::kModeHitKey) {
        return true;
    }
    const auto event = static_cast<uint32_t>(wParam);
    if (hook_msg::IsMouseMessage(message)) {
        if (IsMacroMode(mode)) {
            RouteMouse(window, *page, mode, event,
                       *reinterpret_cast<const capture::MouseRecord*>(lParam));
        }
    } else if (mode == CDeviceHook::kModeSingleKey || IsMacroMode(mode)) {
        RouteKey(window, *page, mode, event,
                 *reinterpret_cast<const capture::KeyboardRecord*>(lParam));
    }
    return true;
}

namespace {

// After the capture ended: a recording stops as with its stop button; the
// key field gives up the focus, so that a click into it captures again.
void Finish(CMainWnd& window, const char* why, bool upload) {
    platform::trace::Write(std::string("capture ends: ") + why);
    if (RecordingPage(window) != nullptr) {
        StopRecording(window, upload);
        return;
    }
    ui::Control* focus = window.GetFocus();
    if (focus != nullptr && focus->GetName() == kKeyField) {
        window.SetFocus(nullptr);
    }
}

}  // namespace

void EndCapture(CMainWnd& window, const char* why, bool upload) {
    CDeviceHook& hook = window.Hook();
    if (!hook.IsInstalled() && RecordingPage(window) == nullptr) {
        return;
    }
    hook.Uninstall();
    Finish(window, why, upload);
}

void CaptureEnded(CMainWnd& window, capture::EndReason reason) {
    Finish(window, capture::EndReasonText(reason), true);
}

}  // namespace app

void AddCaptureRoutes(app::EventRoutes& routes, CMainWnd& window) {
    using ui::notify::kClick;
    routes.On(kClick, "macro_btn_starredio", [&window](const app::RouteCall&) {
        if (const CMacroControlUI* editor = MacroEditorOf(window.CurrentPage())) {
            app::StartRecording(window, CheckedTiming(*editor), CDeviceHook::kModeMacro);
        }
    });
    routes.On(kClick, "macro_btn_stopredio",
              [&window](const app::RouteCall&) { app::StopRecording(window); });
    routes.On(ui::notify::kSetFocus, kKeyField, [&window](const app::RouteCall&) {
        window.HandleMessage(app_msg::kHookCapture, 1, 0);
    });
    routes.On(ui::notify::kKillFocus, kKeyField, [&window](const app::RouteCall&) {
        window.HandleMessage(app_msg::kHookCapture, 0, 0);
    });
}
