#include "shell/routes_tabs.h"

#include <utility>

#include "device/usb_device.h"
#include "platform/ui/button.h"
#include "profile/controls/device_profile_ui.h"
#include "profile/profile_list.h"
#include "shell/main_wnd.h"

namespace {

constexpr std::pair<const char*, int> kTabs[] = {
    {"deng_Op_tab", 1},   {"key_Op_tab", 2},        {"macro_Op_tab", 3}, {"system_Op_tab", 4},
    {"cursor_Op_tab", 5}, {"6533_voice_Op_tab", 6}, {"magic_Op_tab", 7},
};

// The profile list numbers its tabs in its own order; the tab shown as
// selected is the one chosen, whatever its number there.
int ProfileListNumber(const std::string& tab) {
    for (int i = 1; i <= 7; ++i) {
        if (profile::ProfileTabName(i) == tab) {
            return i;
        }
    }
    return 0;
}

}  // namespace

void AddFunctionTabRoutes(app::EventRoutes& routes, CMainWnd& window) {
    for (const auto& [name, mode] : kTabs) {
        routes.On(
            ui::notify::kSelectChanged, name,
            [&window, tab = std::string(name), mode = mode](const app::RouteCall& call) {
                // Choosing one tab deselects another: only the chosen one acts.
                const auto* option = dynamic_cast<const ui::Option*>(call.n.sender);
                CVeldmarkUSBDevice* page = window.CurrentPage();
                if ((option != nullptr && !option->IsSelected()) || page == nullptr) {
                    return;
                }
                page->SetFunctionMode(mode);
                if (auto* profiles = dynamic_cast<CDeviceProfileUI*>(page->GetProfileControl())) {
                    profiles->SelectTab(ProfileListNumber(tab));
                }
            });
    }
}
