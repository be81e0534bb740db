#include "shell/routes_keys.h"

#include <array>
#include <charconv>
#include <sstream>
#include <string>

#include "device/catalogue.h"
#include "device/usb_device.h"
#include "editors/key_set_control.h"
#include "platform/ui/button.h"
#include "profile/json_file.h"
#include "profile/key_records.h"
#include "shell/main_wnd.h"
#include "shell/message_box.h"
#include "shell/routes_keyboard.h"

namespace {

using ui::notify::kClick;
using ui::notify::kItemSelect;
using ui::notify::kKillFocus;
using ui::notify::kSelectChanged;

constexpr int kLightingMode = 1;
constexpr int kKeySettingsMode = 2;
constexpr int kMessageDpi = 96;
constexpr KeyAssignment kLeftClick{0, 0x10, 0x01, 0x00, 0};

bool IsMouse(int kind) {
    return kind == device::kKindMouse || kind == device::kKindSlowMouse;
}

bool HasKeyEditor(const CVeldmarkUSBDevice& page) {
    return page.GetKind() == device::kKindKeyboard || IsMouse(page.GetKind());
}

CKeySetControlUI* KeyEditorOf(CVeldmarkUSBDevice* page) {
    return page != nullptr && HasKeyEditor(*page)
               ? dynamic_cast<CKeySetControlUI*>(page->GetKeyEditor())
               : nullptr;
}

void ShowMessageKey(CMainWnd& wnd, const char* key) {
    shell::ShowMessage(wnd.Context(), &wnd, "", key, kMessageDpi, true, 0);
}

// The current assignments of the profile file as stored, by key index; the
// file is only read.
std::vector<KeyAssignment> StoredAssignments(const Json::Value& document) {
    static const Json::Value kNone;
    std::vector<KeyAssignment> keys;
    const Json::Value& devices = document.isObject() ? document["Device"] : kNone;
    const Json::Value& device = devices.isArray() && !devices.empty() ? devices[0] : kNone;
    const Json::Value& list = device.isObject() ? device["KeyList"] : kNone;
    if (!list.isArray()) {
        return keys;
    }
    for (Json::ArrayIndex i = 0; i < list.size(); ++i) {
        const Json::Value& element = list[i];
        const Json::Value value =
            element.isObject() ? element.get("Assignment", Json::Value()) : Json::Value();
        const int64_t packed = value.isIntegral() ? value.asInt64() : 0;
        keys.push_back(UnpackKeyAssignment(packed, static_cast<uint16_t>(i)));
    }
    return keys;
}

// A mouse keeps at least one key that clicks left: the last such key cannot
// be opened for editing.
bool IsLastLeftClick(const std::vector<KeyAssignment>& keys, int index) {
    if (index < 0 || static_cast<size_t>(index) >= keys.size() ||
        !(keys[static_cast<size_t>(index)] == kLeftClick)) {
        return false;
    }
    for (size_t i = 0; i < keys.size(); ++i) {
        if (static_cast<int>(i) != index && keys[i] == kLeftClick) {
            return false;
        }
    }
    return true;
}

// The editor's own notifications that end in an apply.
constexpr std::array<const char*, 9> kAppliedLists = {
    "keyset_mousekey_combo", "keyset_mouseswing_combo", "keyset_mousewheel_combo",
    "keyset_mousedpi_combo", "keyset_media_combo",      "keyset_system_combo",
    "keyset_macro_combo",    "keyset_gunkey_combo",     "keyset_combokey_combo"};
constexpr std::array<const char*, 9> kAppliedEdits = {
    "keyset_mouseswing_num_edit",     "keyset_mouseswing_delay_edit",
    "keyset_mouseswing_speed_edit",   "keyset_mousewheel_num_edit",
    "keyset_mousewheel_delay_edit",   "keyset_mousewheel_speed_edit",
    "keyset_mousefire_interval_edit", "keyset_mousefire_num_edit",
    "keyset_macro_cycle_edit"};

}  // namespace

namespace app {

void ChooseKeyToEdit(CMainWnd& wnd, CVeldmarkUSBDevice& page, int index) {
    const Json::Value document = CJsonFile().Load(page.GetProfilePath());
    if (document.isNull()) {
        return;
    }
    if (IsMouse(page.GetKind()) && IsLastLeftClick(StoredAssignments(document), index)) {
        ShowMessageKey(wnd, "message_text_6");
        return;
    }
    page.SelectKey(index);
}

void ApplyKeyEdit(CMainWnd& wnd) {
    CVeldmarkUSBDevice* page = wnd.CurrentPage();
    CKeySetControlUI* editor = KeyEditorOf(page);
    if (editor == nullptr) {
        return;
    }
    KeyAssignment record = editor->BuildRecord();
    const int selected = page->GetSelectedKey();
    const std::vector<KeyEntry>& keys = page->GetKeyList();
    if (selected < 0 || static_cast<size_t>(selected) >= keys.size()) {
        return;
    }
    record.keyIndex = static_cast<uint16_t>(selected);
    page->SetSelectedKeyEntry({record, keys[static_cast<size_t>(selected)].defaults});
    page->RefreshKeyDisplay();
    page->SaveProfile();
    (void)page->UploadProfileKeys(0);
    wnd.SetEditCommitted(false, false);
}

bool ReportMacroUpload(CMainWnd& wnd, int result) {
    if (result == -1) {
        ShowMessageKey(wnd, "message_text_7");
        return true;
    }
    if (result == 0) {
        return true;
    }
    std::string text = "message_text_16";
    if (ui::Control* resolver = wnd.FindControl("str_test")) {
        resolver->SetTextKey(text);
        text = resolver->GetText();
    }
    if (const size_t at = text.find("%d"); at != std::string::npos) {
        text.replace(at, 2, std::to_string(result));
    }
    shell::ShowMessage(wnd.Context(), &wnd, "", text, kMessageDpi, false, 0);
    return false;
}

void HandleKeyRequest(CMainWnd& wnd, KeyRequest& request) {
    std::istringstream words(request.request);
    std::string first, verb, kindName, extra;
    size_t index = 0;
    int64_t packed = -1;
    words >> first >> verb >> kindName >> index >> packed >> extra;
    const auto& pages = kindName == "keyboard" ? wnd.KeyboardPages()
                        : kindName == "mouse"  ? wnd.MousePages()
                                               : std::vector<CVeldmarkUSBDevice*>{};
    if (first != "key" || verb != "set" || pages.empty() || !words.eof() || !extra.empty() ||
        packed < 0 || packed > 0xFFFFFF) {
        request.reply = "error: unknown request";
        return;
    }
    for (CVeldmarkUSBDevice* page : pages) {
        std::vector<KeyEntry> keys = page->GetKeyList();
        if (index >= keys.size()) {
            request.reply = "error: the profile has " + std::to_string(keys.size()) + " keys";
            return;
        }
        keys[index].current = UnpackKeyAssignment(packed, static_cast<uint16_t>(index));
        page->SetKeyList(keys);
        if (page->Document().Save() != 0) {
            request.reply = "error: the profile could not be written";
            return;
        }
        page->RefreshKeyDisplay();
        if (page->GetSelectedKey() == static_cast<int>(index)) {
            page->SelectKey(static_cast<int>(index));  // the editor shows the new record
        }
        (void)page->UploadProfileKeys(0);
    }
    request.reply = "ok";
}

}  // namespace app

void CMainWnd::SetEditCommitted(bool lockLists, bool committed) {
    CVeldmarkUSBDevice* page = CurrentPage();
    if (lockLists) {
        if (ui::Control* entries = FindControl("device_select_layout")) {
            entries->SetEnabled(committed);
        }
        if (page != nullptr && page->GetProfileControl() != nullptr) {
            page->GetProfileControl()->SetEnabled(committed);
        }
    }
    if (CKeySetControlUI* editor = KeyEditorOf(page)) {
        for (const char* name : {"key_butt_keysave", "key_butt_keycancel", "key_butt_prosave"}) {
            if (ui::Control* button = editor->FindSubControl(name)) {
                button->SetEnabled(!committed);
            }
        }
    }
    m_editCommitted = committed;
}

void AddKeyRoutes(app::EventRoutes& routes, CMainWnd& wnd) {
    auto on = [&routes, &wnd](
                  std::string_view type, std::string_view name,
                  std::function<void(CVeldmarkUSBDevice&, CKeySetControlUI&, const app::RouteCall&)>
                      action) {
        routes.On(type, name, [&wnd, action = std::move(action)](const app::RouteCall& call) {
            // Only the current page's editor is routed; another page's
            // controls (options of a shared group) may raise notifications too.
            CVeldmarkUSBDevice* page = wnd.CurrentPage();
            CKeySetControlUI* editor = KeyEditorOf(page);
            if (editor != nullptr && call.n.sender != nullptr &&
                call.n.sender->IsDescendantOf(*editor)) {
                action(*page, *editor, call);
            }
        });
    };
    auto apply = [&wnd](CVeldmarkUSBDevice&, CKeySetControlUI&, const app::RouteCall&) {
        app::ApplyKeyEdit(wnd);
    };

    routes.OnIndexed(kClick, "key_", [&wnd](const app::RouteCall& call) {
        CVeldmarkUSBDevice* page = wnd.CurrentPage();
        if (page != nullptr && page->GetFunctionMode() == kKeySettingsMode) {
            app::ChooseKeyToEdit(wnd, *page, call.index);
        } else if (page != nullptr && page->GetFunctionMode() == kLightingMode) {
            app::PaintKeyboardKey(*page, call.index);
        }
    });
    on(kClick, "key_butt_keysave", apply);
    on(kClick, "key_butt_keydefalut",
       [&wnd](CVeldmarkUSBDevice&, CKeySetControlUI& editor, const app::RouteCall&) {
           editor.ShowDefault();
           wnd.SetEditCommitted(false, false);
       });
    on(kClick, "key_butt_keycancel",
       [&wnd](CVeldmarkUSBDevice&, CKeySetControlUI& editor, const app::RouteCall&) {
           editor.ShowPending();
           wnd.SetEditCommitted(false, true);
       });
    on(kClick, "key_butt_prosave",
       [&wnd](CVeldmarkUSBDevice& page, CKeySetControlUI&, const app::RouteCall&) {
           if (!app::ReportMacroUpload(wnd, page.UploadMacros())) {
               return;
           }
           (void)page.UploadProfileKeys(0);
           page.SaveProfile();
           wnd.SetEditCommitted(false, true);
       });
    on(kItemSelect, "keyset_function_combo",
       [&wnd](CVeldmarkUSBDevice&, CKeySetControlUI& editor, const app::RouteCall&) {
           editor.OnFunctionSelected();
           app::ApplyKeyEdit(wnd);
       });
    on(kItemSelect, "keyset_macro_over_combo",
       [&wnd](CVeldmarkUSBDevice&, CKeySetControlUI& editor, const app::RouteCall&) {
           editor.OnMacroModeSelected();
           app::ApplyKeyEdit(wnd);
       });
    for (const char* list : kAppliedLists) {
        on(kItemSelect, list, apply);
    }
    for (const char* edit : kAppliedEdits) {
        on(kKillFocus, edit, apply);
    }
    routes.OnIndexed(kSelectChanged, "key_ComBox_check_", [&wnd](const app::RouteCall& call) {
        // Options of a group tell the one that lost the selection too; only
        // the chosen one counts.
        auto* option = dynamic_cast<ui::Option*>(call.n.sender);
        CKeySetControlUI* editor = KeyEditorOf(wnd.CurrentPage());
        if (editor == nullptr || option == nullptr || !option->IsSelected() ||
            !option->IsDescendantOf(*editor)) {
            return;
        }
        editor->SetModifier(call.index);
        app::ApplyKeyEdit(wnd);
    });
}
