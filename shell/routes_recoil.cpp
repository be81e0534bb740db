#include "shell/routes_recoil.h"

#include "device/catalogue.h"
#include "device/usb_device.h"
#include "mouse/shoot_control_ui.h"
#include "platform/ui/button.h"
#include "shell/main_wnd.h"

namespace {

// The current page's recoil editor; null unless a mouse page is current.
CShootControlUI* RecoilEditor(CMainWnd& window) {
    CVeldmarkUSBDevice* page = window.CurrentPage();
    if (page == nullptr ||
        (page->GetKind() != device::kKindMouse && page->GetKind() != device::kKindSlowMouse)) {
        return nullptr;
    }
    return page->FindSubControl<CShootControlUI>("ShootControlItem");
}

// Grouped options also report being deselected; only the one chosen counts.
bool SenderSelected(const app::RouteCall& call) {
    const auto* option = dynamic_cast<const ui::Option*>(call.n.sender);
    return option != nullptr && option->IsSelected();
}

}  // namespace

void AddRecoilRoutes(app::EventRoutes& routes, CMainWnd& window) {
    using namespace ui::notify;
    auto on = [&](std::string_view type, std::string_view name, auto action) {
        routes.On(type, name, [&window, action](const app::RouteCall& call) {
            if (CShootControlUI* editor = RecoilEditor(window)) {
                action(*editor, call);
            }
        });
    };
    auto onIndexed = [&](std::string_view type, std::string_view prefix, auto action) {
        routes.OnIndexed(type, prefix, [&window, action](const app::RouteCall& call) {
            if (CShootControlUI* editor = RecoilEditor(window)) {
                action(*editor, call);
            }
        });
    };

    onIndexed(kSelectChanged, "shoot_gun_op_", [](CShootControlUI& e, const app::RouteCall& c) {
        if (SenderSelected(c)) {
            e.SelectGun(c.index);
            e.LoadBullet();
        }
    });
    onIndexed(kSelectChanged, "bullet_op_", [](CShootControlUI& e, const app::RouteCall& c) {
        if (SenderSelected(c)) {
            e.SelectBullet(c.index);
        }
    });
    on(kClick, "bullet_selected_prev",
       [](CShootControlUI& e, const app::RouteCall&) { e.SelectBullet(e.GetBullet() - 1); });
    on(kClick, "bullet_selected_next",
       [](CShootControlUI& e, const app::RouteCall&) { e.SelectBullet(e.GetBullet() + 1); });
    on(kSelectChanged, "bullet_x_check",
       [](CShootControlUI& e, const app::RouteCall&) { e.ShowXDirection(); });
    on(kSelectChanged, "bullet_y_check",
       [](CShootControlUI& e, const app::RouteCall&) { e.ShowYDirection(); });
    for (const char* field : {"bullet_x_eidt", "bullet_y_eidt", "bullet_delay_eidt"}) {
        on(kKillFocus, field, [](CShootControlUI& e, const app::RouteCall&) { e.SaveBullet(); });
    }
    on(kClick, "shootdate_reset_btn",
       [](CShootControlUI& e, const app::RouteCall&) { e.ResetPattern(); });
}
