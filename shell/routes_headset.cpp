#include "shell/routes_headset.h"

#include "headset/hs6533_device.h"
#include "platform/ui/button.h"
#include "shell/main_wnd.h"
#include "shell/message_box.h"

namespace {

using ui::notify::kClick;
using ui::notify::kItemSelect;
using ui::notify::kSelectChanged;
using ui::notify::kValueChanged;

CVeldmarkHS6533Device* CurrentHeadset(CMainWnd& window) {
    return dynamic_cast<CVeldmarkHS6533Device*>(window.CurrentPage());
}

// An option group raises "selectchanged" for the option that lost the
// selection as well; only the newly selected one is a choice.
bool Chosen(const app::RouteCall& call) {
    const auto* option = dynamic_cast<const ui::Option*>(call.n.sender);
    return option == nullptr || option->IsSelected();
}

}  // namespace

void AddHeadsetRoutes(app::EventRoutes& routes, CMainWnd& window) {
    auto on = [&routes, &window](std::string_view type, std::string_view name,
                                 void (CVeldmarkHS6533Device::*operation)()) {
        routes.On(type, name, [&window, operation](const app::RouteCall&) {
            if (CVeldmarkHS6533Device* headset = CurrentHeadset(window)) {
                (headset->*operation)();
            }
        });
    };
    auto indexed = [&routes, &window](std::string_view type, std::string_view prefix,
                                      void (CVeldmarkHS6533Device::*operation)(int)) {
        routes.OnIndexed(type, prefix, [&window, operation](const app::RouteCall& call) {
            CVeldmarkHS6533Device* headset = CurrentHeadset(window);
            if (headset != nullptr && Chosen(call)) {
                (headset->*operation)(call.index);
            }
        });
    };

    indexed(kSelectChanged, "6533_eq_option_", &CVeldmarkHS6533Device::SelectEqPreset);
    indexed(kValueChanged, "6533_eq_hz_slider_", &CVeldmarkHS6533Device::ChangeEqBand);
    indexed(kSelectChanged, "magic_option_", &CVeldmarkHS6533Device::SelectVoiceEffect);
    on(kItemSelect, "custom_eq_name_combo", &CVeldmarkHS6533Device::ApplyCustomEq);
    on(kClick, "hs_EQ_btn_delete", &CVeldmarkHS6533Device::DeleteCustomEq);
    on(kSelectChanged, "6533_MicIn_option", &CVeldmarkHS6533Device::ToggleMicMute);
    on(kValueChanged, "6533_MicIn_slider", &CVeldmarkHS6533Device::SetMicLevel);
    on(kSelectChanged, "6533_MicMoniter_option", &CVeldmarkHS6533Device::ToggleMonitorMute);
    on(kValueChanged, "6533_MicMoniter_slider", &CVeldmarkHS6533Device::SetMonitorLevel);
    on(kSelectChanged, "magic_enable_option", &CVeldmarkHS6533Device::SetVoiceEffectOn);
    routes.On(kClick, "hs_EQ_btn_save", [&window](const app::RouteCall&) {
        CVeldmarkHS6533Device* headset = CurrentHeadset(window);
        if (headset != nullptr && headset->SaveCustomEq() == 0) {
            shell::ShowMessage(window.Context(), &window, "", "message_text_5", 96, true, 0);
        }
    });
}
