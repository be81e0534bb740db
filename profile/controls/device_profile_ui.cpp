#include "profile/controls/device_profile_ui.h"

#include <array>

#include "device/usb_device.h"
#include "platform/ui/button.h"
#include "platform/ui/edit.h"
#include "platform/ui/list.h"
#include "platform/ui/window.h"
#include "profile/user_file.h"

namespace {

constexpr int kTabCount = 7;

// Puts `value` where the text asks for a number ("%d"), or after the text
// when it has no place for it. Texts come from language files, so they are
// never used as a format.
std::string WithNumber(const std::string& text, int value) {
    const size_t at = text.find("%d");
    if (at == std::string::npos) {
        return text + " " + std::to_string(value);
    }
    return text.substr(0, at) + std::to_string(value) + text.substr(at + 2);
}

}  // namespace

void CDeviceProfileUI::SetPaths(const std::string& profileFolder,
                                const std::string& defaultDocument) {
    m_list.SetPaths(profileFolder, defaultDocument);
}

void CDeviceProfileUI::SetDeviceKind(int kind) {
    m_kind = kind;
    m_list.SetDeviceKind(kind);
}

ui::Combo* CDeviceProfileUI::ComboBox() {
    if (m_combo == nullptr) {
        m_combo = FindSubControl<ui::Combo>("device_profile_combo");
    }
    return m_combo;
}

ui::Edit* CDeviceProfileUI::NameEdit() {
    if (m_nameEdit == nullptr) {
        m_nameEdit = FindSubControl<ui::Edit>("device_profile_name_edit");
    }
    return m_nameEdit;
}

// --- list operations ------------------------------------------------------------------

void CDeviceProfileUI::InitProfiles() {
    const profile::ProfileOutcome outcome = Tell(m_list.InitProfiles());
    m_unreadable = !outcome.Ok();
    FillCombo();
    if (m_unreadable) {
        ShowUnreadable(outcome.detail);
    } else {
        if (ui::Edit* edit = NameEdit()) {
            edit->SetEnabled(true);
        }
        if (ui::Combo* combo = ComboBox()) {
            combo->SetTooltip("");
        }
        SelectProfile(m_list.GetSelectedIndex());
    }
    HideTabsForKind();
}

// The page stays usable but shows that its profiles could not be read: the
// drop-down holds that one line (the reason in its tooltip), and every
// profile button only tries to read the list again.
void CDeviceProfileUI::ShowUnreadable(const std::string& reason) {
    const std::string shown = profile::EscapeForDisplay(reason);
    if (ui::Combo* combo = ComboBox()) {
        combo->AddTextItem(kUnreadableText, "", kItemHeight);
        combo->SelectItem(0, ui::Notify::No);
        combo->SetTooltip(shown);
    }
    if (ui::Edit* edit = NameEdit()) {
        edit->SetText(std::string(kUnreadableText) + ": " + shown);
        edit->SetEnabled(false);
    }
}

profile::ProfileOutcome CDeviceProfileUI::Tell(profile::ProfileOutcome outcome) {
    for (const std::string& notice : outcome.notices) {
        ShowText(notice);
    }
    if (outcome.result == profile::ProfileResult::ReadFailed ||
        outcome.result == profile::ProfileResult::WriteFailed ||
        outcome.result == profile::ProfileResult::InvalidInput) {
        ShowText(outcome.detail);
    }
    return outcome;
}

void CDeviceProfileUI::ShowText(const std::string& text) {
    const std::string shown = profile::EscapeForDisplay(text);
    if (m_messageSink) {
        m_messageSink(shown);
        return;
    }
    if (ui::Window* window = GetWindow()) {
        ui::TellUser(*window, shown);
    }
}

void CDeviceProfileUI::FillCombo() {
    ui::Combo* combo = ComboBox();
    if (combo == nullptr) {
        return;
    }
    combo->RemoveAll();
    if (m_unreadable) {
        return;
    }
    for (const profile::ProfileEntry& entry : m_list.GetEntries()) {
        combo->AddTextItem(profile::EscapeForDisplay(entry.name), entry.name, kItemHeight);
    }
}

void CDeviceProfileUI::ShowSelection(int index) {
    ui::Combo* combo = ComboBox();
    if (combo != nullptr) {
        combo->SelectItem(index, ui::Notify::No);
    }
    const auto& entries = m_list.GetEntries();
    if (ui::Edit* edit = NameEdit();
        edit != nullptr && index >= 0 && index < static_cast<int>(entries.size())) {
        edit->SetText(profile::EscapeForDisplay(entries[index].name));
    }
}

// Every operation re-read the list, which another process may have
// changed: the drop-down is filled again from it.
void CDeviceProfileUI::SelectProfile(int index) {
    if (m_unreadable || index < 0 || index >= static_cast<int>(m_list.GetEntries().size())) {
        return;
    }
    const size_t before = m_list.GetEntries().size();
    Tell(m_list.SelectProfile(index));
    if (m_list.GetEntries().size() != before) {
        FillCombo();
    }
    ShowSelection(m_list.GetSelectedIndex());
}

profile::ProfileOutcome CDeviceProfileUI::AddProfile() {
    profile::ProfileOutcome outcome = Tell(m_list.AddProfile());
    if (outcome.Ok()) {
        FillCombo();
        SelectProfile(m_list.GetSelectedIndex());
    }
    return outcome;
}

profile::ProfileOutcome CDeviceProfileUI::DeleteProfile() {
    profile::ProfileOutcome outcome = Tell(m_list.DeleteProfile());
    if (outcome.Ok()) {
        FillCombo();
        SelectProfile(m_list.GetSelectedIndex());
    }
    return outcome;
}

profile::ProfileOutcome CDeviceProfileUI::CopyProfile() {
    profile::ProfileOutcome outcome = Tell(m_list.CopyProfile());
    if (outcome.Ok()) {
        FillCombo();
        ShowSelection(m_list.GetSelectedIndex());
    }
    return outcome;
}

profile::ProfileOutcome CDeviceProfileUI::RenameProfile(const std::string& name) {
    profile::ProfileOutcome outcome = Tell(m_list.RenameProfile(name));
    if (outcome.Ok()) {
        FillCombo();
        ShowSelection(m_list.GetSelectedIndex());
    }
    return outcome;
}

profile::ProfileOutcome CDeviceProfileUI::RestoreDefaults() {
    return Tell(m_list.RestoreDefaults());
}

profile::ProfileOutcome CDeviceProfileUI::ImportProfile(const std::string& path) {
    profile::ProfileOutcome outcome = Tell(m_list.ImportProfile(path));
    if (outcome.Ok()) {
        FillCombo();
        ShowSelection(m_list.GetSelectedIndex());
    }
    return outcome;
}

profile::ProfileOutcome CDeviceProfileUI::ExportProfile(const std::string& path) {
    return Tell(m_list.ExportProfile(path));
}

int CDeviceProfileUI::GetSelectedIndex() {
    ui::Combo* combo = ComboBox();
    return combo ? combo->GetCurSel() : -1;
}

std::string CDeviceProfileUI::GetSelectedId() const {
    return m_list.GetSelectedId();
}

// --- tabs ---------------------------------------------------------------------------------

void CDeviceProfileUI::SelectTab(int n) {
    for (int i = 1; i <= kTabCount; ++i) {
        if (auto* tab = FindSubControl<ui::Option>(profile::ProfileTabName(i))) {
            tab->SetSelected(i == n, ui::Notify::No);
        }
    }
}

void CDeviceProfileUI::HideTabsForKind() {
    for (const auto& [name, visible] : profile::ProfileTabVisibility(m_kind)) {
        if (ui::Control* tab = FindSubControl(name)) {
            tab->SetVisible(visible);
        }
    }
}

// --- triggers -------------------------------------------------------------------------------

bool CDeviceProfileUI::HandleTrigger(const ui::Notification& n) {
    const std::string& name = n.SenderName();
    if (m_unreadable && (n.Is(ui::notify::kClick) || n.Is(ui::notify::kItemSelect)) &&
        name != "profile_fun_spread_btn") {
        // Nothing is done on a list that could not be read; the user may
        // have mended the folder since, so it is read again first.
        InitProfiles();
        if (m_unreadable) {
            return true;
        }
    }
    if (n.Is(ui::notify::kItemSelect) && name == "device_profile_combo") {
        SelectProfile(GetSelectedIndex());
        ReloadDevice();
        return true;
    }
    if (!n.Is(ui::notify::kClick)) {
        return false;
    }
    if (name == "device_add_btn") {
        if (AddProfile().Ok()) {
            ReloadDevice();
        }
    } else if (name == "device_sub_btn") {
        if (DeleteProfile().Ok()) {
            ReloadDevice();
        }
    } else if (name == "device_copy_btn") {
        CopyProfile();
    } else if (name == "device_import_btn") {
        ImportWithDialog();
    } else if (name == "device_export_btn") {
        ExportWithDialog();
    } else if (name == "device_reset_btn") {
        if (RestoreDefaults().Ok()) {
            ReloadDevice();
        }
    } else if (name == "device_profile_edit_save_btn") {
        ui::Edit* edit = NameEdit();
        const profile::ProfileOutcome outcome = RenameProfile(edit ? edit->GetText() : "");
        if (outcome.result == profile::ProfileResult::NameClash) {
            ShowMessage("message_text_5", 0, false);
        }
    } else if (name == "profile_fun_spread_btn") {
        if (ui::Control* menu = FindSubControl("profile_menu_layout")) {
            menu->SetVisible(!menu->IsVisible());
        }
    } else {
        return false;
    }
    return true;
}

void CDeviceProfileUI::ImportWithDialog() {
    ui::Window* window = GetWindow();
    if (window == nullptr) {
        return;
    }
    ui::FileDialogSpec spec;
    spec.filters = {{kFileFilter, "*.json"}};
    spec.defaultExtension = "json";
    if (const auto path = window->Context().host.OpenFileDialog(window, spec)) {
        ImportProfile(*path);
    }
}

void CDeviceProfileUI::ExportWithDialog() {
    ui::Window* window = GetWindow();
    if (window == nullptr || m_list.GetSelectedIndex() < 0) {
        return;
    }
    ui::FileDialogSpec spec;
    spec.filters = {{kFileFilter, "*.json"}};
    spec.defaultExtension = "json";
    spec.defaultName = m_list.GetEntries()[m_list.GetSelectedIndex()].name + ".json";
    if (const auto path = window->Context().host.SaveFileDialog(window, spec)) {
        ExportProfile(*path);
    }
}

void CDeviceProfileUI::ReloadDevice() {
    if (m_page == nullptr) {
        return;
    }
    const int result = m_page->SwitchProfile(GetSelectedId());
    // A document that could not be read is left as it is; the user hears why.
    if (const std::string& failure = m_page->Document().GetLastFailure(); !failure.empty()) {
        ShowText(failure);
    }
    ReportCommit(result);
}

// 1 is success and 0 means the device is not attached (nothing to commit);
// every other result is a failure the user must hear of.
void CDeviceProfileUI::ReportCommit(int result) {
    if (result == channel_result::kOk || result == channel_result::kNoReply) {
        return;
    }
    if (result == channel_result::kWriteFailed) {
        ShowMessage("message_text_7", result, false);
    } else {
        ShowMessage("message_text_16", result, true);
    }
}

void CDeviceProfileUI::ShowMessage(const std::string& key, int value, bool withValue) {
    ui::Window* window = GetWindow();
    if (window == nullptr) {
        return;
    }
    // The same way as every other message: the application's message box.
    const std::string text = window->Context().language.Resolve(key);
    ShowText(withValue ? WithNumber(text, value) : text);
}
