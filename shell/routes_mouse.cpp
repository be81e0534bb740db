#include "shell/routes_mouse.h"

#include "device/report_rate_page.h"
#include "device/usb_device.h"
#include "mouse/mouse_settings.h"
#include "platform/ui/button.h"
#include "platform/ui/ui_context.h"
#include "shell/main_wnd.h"
#include "shell/message_box.h"

namespace {

using mouse::Change;

constexpr int kMessageDpi = 96;

// The current page and its mouse settings, or nothing when the current page
// is not a mouse's.
struct MousePage {
    CVeldmarkUSBDevice* page = nullptr;
    mouse::MouseSettings* settings = nullptr;
    explicit operator bool() const { return settings != nullptr; }
};

MousePage CurrentMouse(CMainWnd& window) {
    CVeldmarkUSBDevice* page = window.CurrentPage();
    auto* owner = dynamic_cast<mouse::MouseSettingsOwner*>(page);
    if (owner == nullptr) {
        return {};
    }
    mouse::MouseSettings& settings = owner->Settings();
    settings.SetDesktop(&window.DesktopApplier());
    return {page, &settings};
}

void UploadSettings(CMainWnd& window, CVeldmarkUSBDevice& page) {
    const ui::Size screen = window.Context().host.ScreenSize();
    page.UploadSettings(0, 0, 1, screen.width, screen.height);
}

// What every stored edit ends with: the profile saved, and the settings
// record sent when the mouse holds the setting.
void Finish(CMainWnd& window, CVeldmarkUSBDevice& page, Change change) {
    if (change == Change::None) {
        return;
    }
    page.SaveProfile();
    if (change == Change::StoredAndUpload) {
        UploadSettings(window, page);
    }
}

// Grouped options also report being deselected; only the one chosen counts.
bool SenderSelected(const app::RouteCall& call) {
    const auto* option = dynamic_cast<const ui::Option*>(call.n.sender);
    return option != nullptr && option->IsSelected();
}

}  // namespace

void AddMouseRoutes(app::EventRoutes& routes, CMainWnd& window) {
    using namespace ui::notify;
    using Settings = mouse::MouseSettings;
    auto indexed = [&](std::string_view type, std::string_view prefix,
                       Change (*action)(Settings&, int)) {
        routes.OnIndexed(type, prefix, [&window, action](const app::RouteCall& call) {
            if (MousePage mouse = CurrentMouse(window)) {
                Finish(window, *mouse.page, action(*mouse.settings, call.index));
            }
        });
    };
    auto named = [&](std::string_view type, std::string_view name, Change (*action)(Settings&)) {
        routes.On(type, name, [&window, action](const app::RouteCall&) {
            if (MousePage mouse = CurrentMouse(window)) {
                Finish(window, *mouse.page, action(*mouse.settings));
            }
        });
    };

    indexed(kSelectChanged, "DPI_enable_check_",
            [](Settings& s, int n) { return s.OnStageCheck(n); });
    indexed(kValueChanged, "DPI_slider_", [](Settings& s, int n) { return s.OnStageSlider(n); });
    indexed(kMoveValueChanged, "DPI_slider_", [](Settings& s, int n) {
        s.OnStageSliderMove(n);
        return Change::None;
    });
    indexed(kKillFocus, "DPI_edit_", [](Settings& s, int n) { return s.OnStageEdit(n); });
    indexed(kKillFocus, "orvix_DPI_edit_", [](Settings& s, int n) {
        s.OnMirrorEdit(n);
        return Change::None;
    });
    indexed(kMoveValueChanged, "orvix_DPI_slider_", [](Settings& s, int n) {
        s.OnMirrorSlider(n);
        return Change::None;
    });
    routes.OnIndexed(
        kSelectChanged, "mouse_device_seting_option_", [&window](const app::RouteCall& call) {
            if (MousePage mouse = CurrentMouse(window); mouse && SenderSelected(call)) {
                mouse.settings->ShowSubPage(call.index);
            }
        });
    named(kValueChanged, "pointer_speed_slider", [](Settings& s) { return s.OnPointerSpeed(); });
    named(kSelectChanged, "pointer_precision_check",
          [](Settings& s) { return s.OnPointerPrecision(); });
    named(kValueChanged, "scroll_speed_slider", [](Settings& s) { return s.OnScrollLines(); });
    named(kSelectChanged, "scrolls_page_check", [](Settings& s) { return s.OnScrollPage(); });
    named(kValueChanged, "double_click_slider", [](Settings& s) { return s.OnDoubleClick(); });

    // One route for every page's report-rate options.
    routes.OnIndexed(kSelectChanged, "polling_rate_option_", [&window](const app::RouteCall& call) {
        CVeldmarkUSBDevice* page = window.CurrentPage();
        auto* rates = dynamic_cast<ReportRatePage*>(page);
        if (rates != nullptr && SenderSelected(call) && rates->SelectReportRateOption(call.index)) {
            page->SaveProfile();
            UploadSettings(window, *page);
        }
    });

    // Restoring the defaults asks first, then writes the keys and the settings.
    routes.On(kClick, "default_btn", [&window](const app::RouteCall&) {
        CVeldmarkUSBDevice* page = window.CurrentPage();
        if (page == nullptr) {
            return;
        }
        if (shell::ShowMessage(window.Context(), &window, "", "message_text_22", kMessageDpi, true,
                               1) != 1) {
            return;
        }
        page->ResetProfile();
        page->UploadProfileKeys(0);
        UploadSettings(window, *page);
    });
}
