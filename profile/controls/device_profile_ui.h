#pragma once
// CDeviceProfileUI: the profile list control of a device page (class
// "DeviceProfile"): a drop-down of the device's profiles over the profile
// list model, an edit for the selected name, the panel of profile buttons and
// the page's function tabs.
//
// Named children: "device_profile_combo", "device_profile_name_edit",
// "profile_menu_layout", and the tabs "cursor_Op_tab", "macro_Op_tab",
// "system_Op_tab", "key_Op_tab", "deng_Op_tab", "6533_voice_Op_tab",
// "magic_Op_tab". The buttons "device_add_btn", "device_sub_btn",
// "device_copy_btn", "device_import_btn", "device_export_btn",
// "device_reset_btn", "device_profile_edit_save_btn" and
// "profile_fun_spread_btn" are handled by HandleTrigger.
//
// When a different profile becomes current (selection, add, delete, reset)
// the bound device page loads and commits it; a failed commit is reported
// with "message_text_7" (write failed) or "message_text_16" (other results).
//
// A refused operation (a file that cannot be read or written, a limit) and
// every notice of the list (a damaged file kept as ".bad", refused entries)
// reach the user through the message sink, naming the file and the reason.
// When the list cannot be read at all the drop-down and the name edit say
// so, nothing is written, and any profile button reads the list again before
// it does anything.
//
// Threads: UI thread only.

#include <functional>
#include <string>
#include <string_view>

#include "device/usb_device_views.h"
#include "platform/ui/container.h"
#include "platform/ui/notification.h"
#include "profile/profile_list.h"

class CVeldmarkUSBDevice;
namespace ui {
class Combo;
class Edit;
}  // namespace ui

class CDeviceProfileUI : public ui::HorizontalLayout, public ProfileSelectionView {
  public:
    static constexpr std::string_view kClassName = "DeviceProfile";
    static constexpr int kItemHeight = 30;
    static constexpr const char* kFileFilter = "Profile Files(*.json)";
    static constexpr const char* kUnreadableText = "Profiles could not be read";

    std::string_view GetClass() const override { return kClassName; }

    void SetPaths(const std::string& profileFolder, const std::string& defaultDocument);
    void SetDeviceKind(int kind);
    int GetDeviceKind() const { return m_kind; }
    // The page that loads and commits the current profile (may be null).
    void SetDevice(CVeldmarkUSBDevice* page) { m_page = page; }
    // Shows a plain text to the user (the application's message box); without
    // one the window host's message box is used.
    using MessageSink = std::function<void(const std::string& text)>;
    void SetMessageSink(MessageSink sink) { m_messageSink = std::move(sink); }
    // True while the list could not be read (the page shows why).
    bool IsUnreadable() const { return m_unreadable; }

    // Reads (or creates) the list, fills the drop-down, selects the stored
    // profile and hides the tabs the device kind does not use.
    void InitProfiles();
    void SelectProfile(int index);
    profile::ProfileOutcome AddProfile();
    profile::ProfileOutcome DeleteProfile();
    profile::ProfileOutcome CopyProfile();
    profile::ProfileOutcome RenameProfile(const std::string& name);
    profile::ProfileOutcome RestoreDefaults();
    profile::ProfileOutcome ImportProfile(const std::string& path);
    profile::ProfileOutcome ExportProfile(const std::string& path);

    int GetSelectedIndex();
    std::string GetSelectedId() const override;
    // Selects tab n (1-7: cursor, macro, system, key, deng, 6533_voice,
    // magic) and unselects the others; any other n unselects all.
    void SelectTab(int n);

    // Runs the operation a notification of a child asks for; false when the
    // notification is none of this control's.
    bool HandleTrigger(const ui::Notification& notification);

    const profile::ProfileList& List() const { return m_list; }

  private:
    ui::Combo* ComboBox();
    ui::Edit* NameEdit();
    void FillCombo();
    void ShowSelection(int index);
    void HideTabsForKind();
    // The bound page switches to the selected profile; failures are shown.
    void ReloadDevice();
    void ReportCommit(int result);
    void ShowMessage(const std::string& key, int value, bool withValue);
    void ImportWithDialog();
    void ExportWithDialog();
    // Tells the user what an operation refused or noticed; returns `outcome`.
    profile::ProfileOutcome Tell(profile::ProfileOutcome outcome);
    void ShowText(const std::string& text);
    void ShowUnreadable(const std::string& reason);

    profile::ProfileList m_list;
    int m_kind = 0;
    CVeldmarkUSBDevice* m_page = nullptr;
    ui::Combo* m_combo = nullptr;
    ui::Edit* m_nameEdit = nullptr;
    MessageSink m_messageSink;
    bool m_unreadable = false;
};
