#include "shell/routes_lighting.h"

#include <functional>

#include "device/catalogue.h"
#include "device/usb_device.h"
#include "editors/light_control_ui.h"
#include "platform/ui/button.h"
#include "shell/main_wnd.h"

namespace {

using ui::notify::kClick;
using ui::notify::kColorChanged;
using ui::notify::kItemSelect;
using ui::notify::kKillFocus;
using ui::notify::kSelectChanged;
using ui::notify::kValueChanged;

uint8_t Red(uint32_t color) {
    return static_cast<uint8_t>(color >> 16);
}
uint8_t Green(uint32_t color) {
    return static_cast<uint8_t>(color >> 8);
}
uint8_t Blue(uint32_t color) {
    return static_cast<uint8_t>(color);
}
uint32_t ColorOf(const LightInfoRecord& r) {
    return CLightControlUI::kOpaque | static_cast<uint32_t>(r.red) << 16 |
           static_cast<uint32_t>(r.green) << 8 | r.blue;
}

// What one lighting edit works on.
struct Edit {
    CMainWnd& window;
    CVeldmarkUSBDevice& page;
    CLightControlUI& editor;
};

enum class Group { Leaves, Stays };

using Change = std::function<void(Edit&, LightInfoRecord&)>;
using After = std::function<void(Edit&, const LightInfoRecord&)>;

// The common shape of every lighting edit: read the record, change it, store,
// save, apply, let the editor catch up, send.
void RunEdit(CMainWnd& window, Group group, const Change& change, const After& after = {}) {
    CVeldmarkUSBDevice* page = window.CurrentPage();
    auto* editor =
        page != nullptr ? dynamic_cast<CLightControlUI*>(page->GetLightEditor()) : nullptr;
    if (editor == nullptr) {
        return;
    }
    Edit edit{window, *page, *editor};
    if (group == Group::Leaves) {
        window.LeaveGroup(*page);
    }
    LightInfoRecord record = page->GetLightInfo();
    change(edit, record);
    page->SetLightInfo(record);
    page->SaveProfile();
    page->ApplyLighting();
    if (after) {
        after(edit, record);
    }
    const ui::Size screen = window.ScreenSize();
    page->UploadSettings(0, 0, 1, screen.width, screen.height);
}

CLightControlUI* CurrentEditor(CMainWnd& window) {
    CVeldmarkUSBDevice* page = window.CurrentPage();
    return page != nullptr ? dynamic_cast<CLightControlUI*>(page->GetLightEditor()) : nullptr;
}

bool IsKeyboardPage(CMainWnd& window) {
    CVeldmarkUSBDevice* page = window.CurrentPage();
    return page != nullptr && page->GetKind() == device::kKindKeyboard;
}

// The option that raised a "selectchanged" is now selected. Options of a
// group also report being unselected; only the chosen one is an edit.
bool NowSelected(const app::RouteCall& call) {
    auto* option = dynamic_cast<ui::Option*>(call.n.sender);
    return option != nullptr && option->IsSelected();
}

void AddModeRoutes(app::EventRoutes& routes, CMainWnd& window) {
    routes.On(kItemSelect, "light_combo_modeSelect", [&window](const app::RouteCall&) {
        CLightControlUI* editor = CurrentEditor(window);
        // A list without a selection names no mode.
        if (editor == nullptr || editor->GetMode() < 0) {
            return;
        }
        editor->SetMode(editor->GetMode());
        RunEdit(window, Group::Leaves, [](Edit& e, LightInfoRecord& r) {
            r.mode = static_cast<uint8_t>(e.editor.GetMode());
        });
    });
    routes.On(kItemSelect, "light_combo_ZZCCmodeSelect", [&window](const app::RouteCall&) {
        CLightControlUI* editor = CurrentEditor(window);
        if (!IsKeyboardPage(window) || editor == nullptr || editor->GetZzccMode() < 0) {
            return;
        }
        editor->SetZzccMode(editor->GetZzccMode());
        RunEdit(window, Group::Stays, [](Edit& e, LightInfoRecord& r) {
            r.zzccMode = static_cast<uint8_t>(e.editor.GetZzccMode());
        });
    });
    routes.On(kItemSelect, "light_combo_custommodeSelect", [&window](const app::RouteCall&) {
        CLightControlUI* editor = CurrentEditor(window);
        if (!IsKeyboardPage(window) || editor == nullptr) {
            return;
        }
        CVeldmarkUSBDevice* page = window.CurrentPage();
        page->SetCustomGroup(editor->GetCustomGroup());
        page->SaveProfile();
        page->LoadCustomColors();
    });
}

void AddValueRoutes(app::EventRoutes& routes, CMainWnd& window) {
    routes.On(kValueChanged, "deng_light_slider", [&window](const app::RouteCall&) {
        if (CLightControlUI* editor = CurrentEditor(window)) {
            editor->SetBrightness(editor->GetBrightness());
        }
        RunEdit(window, Group::Leaves, [](Edit& e, LightInfoRecord& r) {
            r.brightness = static_cast<uint8_t>(e.editor.GetBrightness());
        });
    });
    routes.On(kValueChanged, "deng_speed_slider", [&window](const app::RouteCall&) {
        if (CLightControlUI* editor = CurrentEditor(window)) {
            editor->SetSpeed(editor->GetSpeed());
        }
        RunEdit(window, Group::Leaves, [](Edit& e, LightInfoRecord& r) {
            r.speed = static_cast<uint8_t>(e.editor.GetSpeed());
        });
    });
}

void AddOptionRoutes(app::EventRoutes& routes, CMainWnd& window) {
    for (const int direction : {1, 0}) {
        const char* name = direction != 0 ? "deng_FXL_check" : "deng_FXR_check";
        routes.On(kSelectChanged, name, [&window, direction](const app::RouteCall& call) {
            CLightControlUI* editor = CurrentEditor(window);
            if (editor == nullptr || !NowSelected(call)) {
                return;
            }
            editor->SetDirection(direction);
            RunEdit(window, Group::Leaves, [direction](Edit&, LightInfoRecord& r) {
                r.direction = static_cast<uint8_t>(direction);
            });
        });
    }
    routes.On(kSelectChanged, "deng_7color_check", [&window](const app::RouteCall&) {
        CLightControlUI* editor = CurrentEditor(window);
        if (editor == nullptr) {
            return;
        }
        editor->SetColorCycle(editor->GetColorCycle());
        RunEdit(window, Group::Leaves, [](Edit& e, LightInfoRecord& r) {
            r.multiColor = e.editor.GetColorCycle() ? 1 : 0;
        });
    });
}

// An explicit colour always ends the colour cycle.
void TakeColor(LightInfoRecord& r, uint32_t color) {
    r.red = Red(color);
    r.green = Green(color);
    r.blue = Blue(color);
    r.multiColor = 0;
}

void AddColorRoutes(app::EventRoutes& routes, CMainWnd& window) {
    routes.On(kColorChanged, "deng_Color_Pallet", [&window](const app::RouteCall&) {
        RunEdit(
            window, Group::Leaves,
            [](Edit& e, LightInfoRecord& r) { TakeColor(r, e.editor.GetColor()); },
            [](Edit& e, const LightInfoRecord& r) {
                e.editor.ShowColorComponents(ColorOf(r));
                e.editor.SetColorCycle(false);
                e.editor.SetColor(ColorOf(r));
            });
    });
    for (const char* name : {"deng_edit_R", "deng_edit_G", "deng_edit_B"}) {
        routes.On(kKillFocus, name, [&window](const app::RouteCall& call) {
            CLightControlUI* editor = CurrentEditor(window);
            if (editor == nullptr) {
                return;
            }
            const int value = editor->TakeColorEdit(call.n.SenderName());
            if (value < 0) {
                return;
            }
            const char channel = call.n.SenderName().back();
            const LightInfoRecord now = window.CurrentPage()->GetLightInfo();
            const uint8_t shown = channel == 'R' ? now.red : channel == 'G' ? now.green : now.blue;
            // Leaving an edit without changing it is no edit: the device keeps
            // its group and is not written again.
            if (shown == value && now.multiColor == 0) {
                return;
            }
            RunEdit(
                window, Group::Leaves,
                [value, channel](Edit&, LightInfoRecord& r) {
                    uint8_t& component = channel == 'R' ? r.red : channel == 'G' ? r.green : r.blue;
                    component = static_cast<uint8_t>(value);
                    r.multiColor = 0;
                },
                [](Edit& e, const LightInfoRecord& r) {
                    e.editor.SetColorCycle(false);
                    e.editor.SetColor(ColorOf(r));
                });
        });
    }
    routes.OnIndexed(kClick, "color_option_", [&window](const app::RouteCall& call) {
        const int n = call.index;
        RunEdit(
            window, Group::Stays,
            [n](Edit& e, LightInfoRecord& r) { TakeColor(r, e.editor.GetOptionColor(n)); },
            [](Edit& e, const LightInfoRecord& r) {
                e.editor.ShowColorComponents(ColorOf(r));
                e.editor.SetColorCycle(false);
                e.editor.SetColor(ColorOf(r));
            });
    });
}

}  // namespace

void AddLightingRoutes(app::EventRoutes& routes, CMainWnd& window) {
    AddModeRoutes(routes, window);
    AddValueRoutes(routes, window);
    AddOptionRoutes(routes, window);
    AddColorRoutes(routes, window);
    routes.On(kClick, "deng_same_mode", [&window](const app::RouteCall&) { window.SyncToAll(); });
}
