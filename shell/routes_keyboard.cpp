#include "shell/routes_keyboard.h"

#include "keyboard/keyboard_device.h"
#include "platform/settings/settings_applier.h"
#include "platform/trace/trace.h"
#include "platform/ui/button.h"
#include "platform/ui/dispatcher.h"
#include "platform/ui/ui_context.h"
#include "shell/main_wnd.h"

namespace {

using platform::settings::ApplyCode;
using platform::settings::ApplyResult;
using platform::settings::Setting;

constexpr const char* kNoteName = "keyboard_repeat_note";

CVeldmarkKeyboardDevice* CurrentKeyboard(CMainWnd& window) {
    return dynamic_cast<CVeldmarkKeyboardDevice*>(window.CurrentPage());
}

// Grouped options also report being deselected; only the one chosen counts.
bool SenderSelected(const app::RouteCall& call) {
    const auto* option = dynamic_cast<const ui::Option*>(call.n.sender);
    return option != nullptr && option->IsSelected();
}

void UploadSettings(CMainWnd& window, CVeldmarkKeyboardDevice& page) {
    const ui::Size screen = window.Context().host.ScreenSize();
    (void)page.UploadSettings(0, 0, 1, screen.width, screen.height);
}

// What the desktop made of a repeat setting: a refusal or a missing setting
// is said under the repeat controls; the value stays in the profile.
void ShowRepeatResult(CVeldmarkKeyboardDevice& page, Setting setting, const ApplyResult& result) {
    ui::Control* note = page.FindSubControl(kNoteName);
    if (result.code != ApplyCode::Applied) {
        platform::trace::Format("desktop did not take the %s: %s",
                                std::string(platform::settings::SettingName(setting)).c_str(),
                                result.context.c_str());
    }
    if (note == nullptr) {
        return;
    }
    switch (result.code) {
        case ApplyCode::Applied:
            note->SetVisible(false);
            break;
        case ApplyCode::NotOffered:
            note->SetTextKey("desktop_setting_not_offered_text");
            note->SetVisible(true);
            break;
        case ApplyCode::Failed: {
            const std::string* lead =
                page.GetWindow() != nullptr
                    ? page.GetWindow()->Context().language.Find("desktop_setting_failed_text")
                    : nullptr;
            note->SetText((lead != nullptr ? *lead : std::string()) + " " + result.context);
            note->SetVisible(true);
            break;
        }
    }
}

// The desktop takes the value on a helper thread; its answer comes back to
// the UI thread, and only while the page exists.
void ApplyToDesktop(CMainWnd& window, CVeldmarkKeyboardDevice& page, Setting setting, int value) {
    ui::Dispatcher* dispatcher = &window.Context().dispatcher;
    const ui::ControlHandle handle = page.Handle();
    window.DesktopApplier().ApplyAsync(
        setting, value, [dispatcher, handle](Setting s, int, const ApplyResult& result) {
            dispatcher->Post([handle, s, result] {
                if (auto* keyboard = dynamic_cast<CVeldmarkKeyboardDevice*>(handle.Get())) {
                    ShowRepeatResult(*keyboard, s, result);
                }
            });
        });
}

}  // namespace

namespace app {

void PaintKeyboardKey(CVeldmarkUSBDevice& page, int index) {
    if (auto* keyboard = dynamic_cast<CVeldmarkKeyboardDevice*>(&page)) {
        keyboard->PaintCustomKey(index);
    }
}

}  // namespace app

void AddKeyboardRoutes(app::EventRoutes& routes, CMainWnd& window) {
    using namespace ui::notify;

    routes.On(kClick, "reset_repeat_btn", [&window](const app::RouteCall&) {
        if (CVeldmarkKeyboardDevice* page = CurrentKeyboard(window)) {
            page->ClearRepeatInput();
        }
    });
    routes.OnIndexed(kSelectChanged, "repeat_delay_check_", [&window](const app::RouteCall& call) {
        CVeldmarkKeyboardDevice* page = CurrentKeyboard(window);
        if (page != nullptr && SenderSelected(call)) {
            const int delay = page->OnRepeatDelaySelected(call.index);
            page->SaveProfile();
            ApplyToDesktop(window, *page, Setting::KeyboardRepeatDelay, delay);
        }
    });
    routes.On(kValueChanged, "repeat_rate_slider", [&window](const app::RouteCall&) {
        if (CVeldmarkKeyboardDevice* page = CurrentKeyboard(window)) {
            const int rate = page->OnRepeatRateChanged();
            page->SaveProfile();
            ApplyToDesktop(window, *page, Setting::KeyboardRepeatRate, rate);
        }
    });

    // The three flags live in the keyboard's settings record.
    const auto flag = [&](std::string_view name, bool (CVeldmarkKeyboardDevice::*change)()) {
        routes.On(kSelectChanged, name, [&window, change](const app::RouteCall&) {
            if (CVeldmarkKeyboardDevice* page = CurrentKeyboard(window)) {
                if ((page->*change)()) {
                    page->SaveProfile();
                    UploadSettings(window, *page);
                }
            }
        });
    };
    flag("winlockflag_option", &CVeldmarkKeyboardDevice::OnWinLockChanged);
    flag("wflag_option", &CVeldmarkKeyboardDevice::OnWFlagChanged);
    flag("6flag_option", &CVeldmarkKeyboardDevice::On6FlagChanged);

    routes.On(kClick, "custom_bright_color_btn", [&window](const app::RouteCall&) {
        if (CVeldmarkKeyboardDevice* page = CurrentKeyboard(window)) {
            page->FillCustomColors(true);
        }
    });
    routes.On(kClick, "custom_off_color_btn", [&window](const app::RouteCall&) {
        if (CVeldmarkKeyboardDevice* page = CurrentKeyboard(window)) {
            page->FillCustomColors(false);
        }
    });
}
