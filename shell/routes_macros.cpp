#include "shell/routes_macros.h"

#include <sstream>
#include <string_view>

#include "device/catalogue.h"
#include "device/usb_device.h"
#include "editors/macro_control.h"
#include "platform/trace/trace.h"
#include "platform/ui/menu.h"
#include "shell/main_wnd.h"
#include "shell/message_box.h"
#include "shell/routes_capture.h"

namespace {

constexpr const char* kActionMenuLayout = "XML\\Menus\\macro_action_menu.xml";
constexpr int kMessageDpi = 96;
constexpr const char* kWriteFailedMessage = "message_macro_write_failed";

bool HasMacroEditor(const CVeldmarkUSBDevice& page) {
    const int kind = page.GetKind();
    return kind == device::kKindKeyboard || kind == device::kKindMouse ||
           kind == device::kKindSlowMouse;
}

// A message of the language table; `number` replaces "%d" when given.
void Message(CMainWnd& window, const std::string& key, int number = 0, bool withNumber = false) {
    if (!withNumber) {
        shell::ShowMessage(window.Context(), &window, "", key, kMessageDpi, true, 0);
        return;
    }
    std::string text = window.Context().language.Resolve(key);
    const size_t at = text.find("%d");
    if (at != std::string::npos) {
        text.replace(at, 2, std::to_string(number));
    }
    shell::ShowMessage(window.Context(), &window, "", text, kMessageDpi, false, 0);
}

bool Confirm(CMainWnd& window, const std::string& key) {
    return shell::ShowMessage(window.Context(), &window, "", key, kMessageDpi, true, 1) == 1;
}

// Tells the user why an operation of the store did not happen; a change that
// was simply not needed says nothing.
void Report(CMainWnd& window, const profile::MacroOutcome& outcome) {
    using profile::MacroResult;
    if (outcome.Ok() || outcome.result == MacroResult::Unchanged) {
        return;
    }
    platform::trace::Write("macro: " + outcome.detail);
    const bool fileProblem = outcome.result == MacroResult::WriteFailed ||
                             outcome.messageKey == profile::MacroStore::kUnreadableMessage;
    if (!outcome.messageKey.empty() && !fileProblem) {
        Message(window, outcome.messageKey);
        return;
    }
    // Files that cannot be read or written: the reason, as the system gives it;
    // other refusals say why in the store's own words.
    std::string text = outcome.detail;
    if (fileProblem) {
        const char* key = outcome.result == MacroResult::WriteFailed
                              ? kWriteFailedMessage
                              : profile::MacroStore::kUnreadableMessage;
        text = window.Context().language.Resolve(key) + "\n" + outcome.detail;
    }
    shell::ShowMessage(window.Context(), &window, "", text, kMessageDpi, false, 0);
}

// The device takes the changed store; a refusal is shown as the keyboard
// page reports it (-1: no memory, n > 0: too large by n - 1 units of 4 bytes).
void Upload(CMainWnd& window, CVeldmarkUSBDevice& page) {
    const int result = page.UploadMacros();
    if (result == -1) {
        Message(window, "message_text_7");
    } else if (result > 0) {
        Message(window, "message_text_16", result, true);
    }
}

// The macro names changed: the key editor's list and the key display follow.
void NamesChanged(CVeldmarkUSBDevice& page) {
    page.RefreshEditorLists();
    page.RefreshKeyDisplay();
}

struct Target {
    CVeldmarkUSBDevice* page = nullptr;
    CMacroControlUI* editor = nullptr;
    explicit operator bool() const { return editor != nullptr; }
};

Target Current(CMainWnd& window) {
    Target target;
    target.page = window.CurrentPage();
    target.editor = MacroEditorOf(target.page);
    return target;
}

void DeleteMacro(CMainWnd& window, const Target& t) {
    const int index = t.editor->GetSelectedMacro();
    if (index < 0 || !Confirm(window, "message_text_4")) {
        return;
    }
    if (t.page->KeysPlayMacro(index) && !Confirm(window, "message_text_2")) {
        return;
    }
    const profile::MacroOutcome outcome = t.editor->DeleteMacro();
    Report(window, outcome);
    if (!outcome.Ok()) {
        return;  // the list is as it was: the keys keep their macros
    }
    Upload(window, *t.page);
    t.page->OnMacroRemoved(index);
    NamesChanged(*t.page);
}

void ImportMacro(CMainWnd& window, const Target& t) {
    ui::FileDialogSpec spec;
    spec.filters = {{CMacroControlUI::kFileFilter, CMacroControlUI::kFilePattern}};
    spec.defaultExtension = "mac";
    const auto path = window.Context().host.OpenFileDialog(&window, spec);
    if (!path) {
        return;
    }
    const profile::MacroOutcome outcome = t.editor->ImportMacro(*path);
    Report(window, outcome);
    if (outcome.Ok()) {
        NamesChanged(*t.page);
        Upload(window, *t.page);
    }
}

void ExportMacro(CMainWnd& window, const Target& t) {
    const int index = t.editor->GetSelectedMacro();
    if (index < 0) {
        return;
    }
    ui::FileDialogSpec spec;
    spec.filters = {{CMacroControlUI::kFileFilter, CMacroControlUI::kFilePattern}};
    spec.defaultExtension = "mac";
    spec.defaultName = t.editor->GetMacroNames()[static_cast<size_t>(index)] + ".mac";
    if (const auto path = window.Context().host.SaveFileDialog(&window, spec)) {
        Report(window, t.editor->ExportMacro(*path));
    }
}

void ShowActionMenu(CMainWnd& window, const Target& t) {
    ui::LayoutResult menu = window.Context().MakeLoader().LoadFile(kActionMenuLayout);
    auto* model = dynamic_cast<ui::Menu*>(menu.root.get());
    if (model == nullptr) {
        platform::trace::Write("macro menu: " + menu.error);
        return;
    }
    const std::string chosen =
        window.Context().host.ShowPopupMenu(window, *model, window.Context().host.CursorPos());
    if (chosen.empty() || app::StartRecordingItem(window, chosen)) {
        return;
    }
    if (t.editor->InsertMenuItem(chosen)) {
        Upload(window, *t.page);
    }
}

}  // namespace

CMacroControlUI* MacroEditorOf(CVeldmarkUSBDevice* page) {
    if (page == nullptr || !HasMacroEditor(*page)) {
        return nullptr;
    }
    return page->FindSubControl<CMacroControlUI>("MacroControlItem");
}

void SaveMacroAndUpload(CMainWnd& window, CVeldmarkUSBDevice& page, CMacroControlUI& editor) {
    const profile::MacroOutcome outcome = editor.SaveMacro();
    Report(window, outcome);
    if (outcome.Ok()) {
        Upload(window, page);
    }
}

void BindMacroEditor(CVeldmarkUSBDevice& page) {
    if (CMacroControlUI* editor = MacroEditorOf(&page)) {
        editor->SetMacroFolder(page.ProfileFolder());
        editor->LoadMacroList();
    }
}

namespace {

const std::vector<CVeldmarkUSBDevice*>& PagesOf(CMainWnd& window, int kind) {
    return kind == device::kKindKeyboard ? window.KeyboardPages() : window.MousePages();
}

}  // namespace

std::string ReloadMacros(CMainWnd& window, int kind) {
    int reloaded = 0;
    for (CVeldmarkUSBDevice* page : PagesOf(window, kind)) {
        if (CMacroControlUI* editor = MacroEditorOf(page)) {
            editor->ReloadMacros();
            NamesChanged(*page);
            // A request must not wait for a message box: the result goes to the trace.
            const int uploaded = page->UploadMacros();
            if (uploaded != 0) {
                platform::trace::Format("macros after a reload: upload result %d", uploaded);
            }
            ++reloaded;
        }
    }
    return reloaded > 0 ? "ok reloaded" : "ok no page shows these macros";
}

void HandleMacroRequest(CMainWnd& window, MacroRequest& request) {
    std::istringstream words(request.request);
    std::string first, verb, kindName;
    words >> first >> verb >> kindName;
    std::string path;
    std::getline(words >> std::ws, path);
    const int kind = kindName == "keyboard" ? device::kKindKeyboard
                     : kindName == "mouse"  ? device::kKindMouse
                                            : 0;
    if (first != "macro" || kind == 0) {
        request.reply = "error: unknown request";
        return;
    }
    if (verb == "reload" && path.empty()) {
        request.reply = ReloadMacros(window, kind);
        return;
    }
    if (verb != "import" || path.empty() || path[0] != '/') {
        request.reply = "error: unknown request";
        return;
    }
    for (CVeldmarkUSBDevice* page : PagesOf(window, kind)) {
        CMacroControlUI* editor = MacroEditorOf(page);
        if (editor == nullptr) {
            continue;
        }
        const profile::MacroOutcome outcome = editor->ImportMacro(path);
        if (!outcome.Ok()) {
            request.reply = "error: " + outcome.detail;
            return;
        }
        request.reply = "ok imported as " + outcome.detail;
        // Every page of the family reads the same folder.
        ReloadMacros(window, kind);
        return;
    }
    request.reply = "error: no " + kindName + " page";
}

void AddMacroRoutes(app::EventRoutes& routes, CMainWnd& window) {
    using ui::notify::kClick;
    // Runs `action` with the current page's macro editor, when there is one.
    auto on = [&routes, &window](std::string_view type, std::string_view name,
                                 std::function<void(const Target&)> action,
                                 app::NameMatch match = app::NameMatch::IgnoreCase) {
        routes.On(
            type, name,
            [&window, action = std::move(action)](const app::RouteCall&) {
                if (const Target t = Current(window)) {
                    action(t);
                }
            },
            match);
    };
    // A change of the store is uploaded when it happened.
    auto changes = [&window](profile::MacroOutcome (CMacroControlUI::*operation)()) {
        return [&window, operation](const Target& t) {
            const profile::MacroOutcome outcome = (t.editor->*operation)();
            Report(window, outcome);
            if (outcome.Ok()) {
                Upload(window, *t.page);
            }
        };
    };

    on(kClick, "macro_btn_name_add", [&window](const Target& t) {
        const profile::MacroOutcome outcome = t.editor->AddMacro();
        Report(window, outcome);
        if (outcome.Ok()) {
            NamesChanged(*t.page);
            Upload(window, *t.page);
        }
    });
    on(kClick, "macro_btn_name_sub", [&window](const Target& t) { DeleteMacro(window, t); });
    on(kClick, "macro_btn_name_edit", [&window](const Target& t) {
        const profile::MacroOutcome outcome = t.editor->RenameMacro();
        Report(window, outcome);
        if (outcome.Ok()) {
            NamesChanged(*t.page);
        }
    });
    on(kClick, "macro_btn_save", changes(&CMacroControlUI::SaveMacro));
    on(kClick, "macro_btn_cancel", [](const Target& t) { t.editor->LoadMacro(); });
    on(kClick, "macro_btn_import", [&window](const Target& t) { ImportMacro(window, t); });
    on(kClick, "macro_btn_export", [&window](const Target& t) { ExportMacro(window, t); });
    on(kClick, "macro_btn_up", [](const Target& t) { t.editor->MoveEventUp(); });
    on(kClick, "macro_btn_down", [](const Target& t) { t.editor->MoveEventDown(); });
    on(kClick, "macro_btn_uptop", [](const Target& t) { t.editor->MoveEventToTop(); });
    on(kClick, "macro_btn_downbottom", [](const Target& t) { t.editor->MoveEventToBottom(); });
    on(kClick, "macro_btn_delete", [](const Target& t) { t.editor->DeleteEvent(); });
    on(kClick, "macro_btn_deleteall", [](const Target& t) { t.editor->DeleteAllEvents(); });

    using Direction = CMacroControlUI::Direction;
    for (const auto& button : {std::pair{"macro_inset_moveleftkey_btn", Direction::Left},
                               std::pair{"macro_inset_moverightkey_btn", Direction::Right},
                               std::pair{"macro_inset_moveupkey_btn", Direction::Up},
                               std::pair{"macro_inset_movedownkey_btn", Direction::Down}}) {
        const Direction direction = button.second;
        on(
            kClick, button.first,
            [&window, direction](const Target& t) {
                t.editor->InsertMove(direction);
                Upload(window, *t.page);
            },
            app::NameMatch::Exact);
    }

    on(ui::notify::kItemSelect, "macro_name_list", [](const Target& t) { t.editor->LoadMacro(); });
    on(ui::notify::kKillFocus, "macro_delay", changes(&CMacroControlUI::SaveMacro));
    // The event menu: a double click or Enter on a row, or a context click on
    // the rows.
    for (const auto& [type, name] : {std::pair{ui::notify::kItemActivate, "macro_action"},
                                     std::pair{ui::notify::kMenu, "macro_action"},
                                     std::pair{ui::notify::kMenu, "macro_action_list"}}) {
        on(type, name, [&window](const Target& t) { ShowActionMenu(window, t); });
    }
}
