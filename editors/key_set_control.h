#pragma once
// CKeySetControlUI ("KeySetControl"): the key assignment editor of the
// keyboard and mouse pages. It turns a key's three-byte record into the
// state of its page of controls and the user's choice back into a record.
//
// The function-kind list ("keyset_function_combo") chooses the page; each
// item's user data is the page number 0-11 (0 the key's own function, 1 mouse
// button, 2 cursor swing, 3 wheel, 4 sensitivity step, 5 fire, 6 keyboard key
// with a modifier, 7 media key, 8 system key, 9 macro, 10 gun key, 11
// combination). The tab layout "function_switch_tablayout" shows the page of
// that number. Every named child may be missing; a missing one is skipped.
//
// The editor keeps the pending record (what the key will be given when the
// edit is applied) and the key's default record. Showing a record never
// raises a notification, so the main window's routes apply only what the user
// did. Applying is the routes' business: BuildRecord, then the page stores
// the record for its selected key.
//
// UI thread only.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "device/usb_device_views.h"
#include "platform/ui/container.h"

namespace ui {
class Combo;
class Edit;
class Option;
class TabLayout;
}  // namespace ui

class CKeySetControlUI : public ui::VerticalLayout, public KeySetView {
  public:
    static constexpr std::string_view kClassName = "KeySetControl";
    static constexpr int kModifierOptions = 5;
    static constexpr int kMacroItemHeight = 30;
    static constexpr int kRepeatModeItem = 4;

    std::string_view GetClass() const override { return kClassName; }

    // KeySetView
    void SetKeyEntry(const KeyEntry& entry) override;
    void ShowDefault() override;
    void ShowPending() override;
    KeyAssignment BuildRecord() override;
    void SetMacroNames(const std::vector<std::string>& names) override;
    void SetDeviceKind(int kind) override;

    // Replaces the pending record without showing it.
    void SetPending(const KeyAssignment& record) { m_pending = record; }
    const KeyAssignment& GetPending() const { return m_pending; }
    const KeyAssignment& GetDefault() const { return m_default; }
    int GetDeviceKind() const { return m_deviceKind; }

    // Shows `record` on its page (page 0 when it equals the default record);
    // hides the editor when no offered page shows it.
    void ShowRecord(const KeyAssignment& record);
    // The page the function-kind list has selected, -1 with no selection.
    int SelectedPage() const;

    // Modifier options 0-4: exactly option i selected (-1: none).
    void SetModifier(int option);
    int GetModifier() const;

    // --- the user's actions, routed here by the main window ------------------
    // The function kind was chosen: its page is shown; entering the keyboard
    // page starts a new key (empty text, no modifier).
    void OnFunctionSelected();
    // The macro run mode was chosen: the repeat count is offered with the
    // repeat mode only.
    void OnMacroModeSelected();
    // A key reported by the keyboard capture (set-1 scan code and extended
    // flag). A modifier selects its option, any other key becomes the key of
    // the record; the result is the new pending record. False (nothing
    // changed) when the key is not in the capture table.
    bool CaptureKey(uint8_t scanCode, bool extended);

  private:
    struct Controls {
        bool found = false;
        ui::Control* layout = nullptr;
        ui::Combo* function = nullptr;
        ui::TabLayout* pages = nullptr;
        ui::Combo* mouseKey = nullptr;
        ui::Combo* swing = nullptr;
        ui::Edit* swingCount = nullptr;
        ui::Edit* swingDelay = nullptr;
        ui::Edit* swingSpeed = nullptr;
        ui::Combo* wheel = nullptr;
        ui::Edit* wheelCount = nullptr;
        ui::Edit* wheelDelay = nullptr;
        ui::Edit* wheelSpeed = nullptr;
        ui::Combo* sensitivity = nullptr;
        ui::Edit* fireInterval = nullptr;
        ui::Edit* fireCount = nullptr;
        ui::Edit* keyText = nullptr;
        ui::Option* modifiers[kModifierOptions] = {};
        ui::Combo* media = nullptr;
        ui::Combo* system = nullptr;
        ui::Combo* macro = nullptr;
        ui::Combo* macroMode = nullptr;
        ui::Control* repeatLayout = nullptr;
        ui::Edit* repeatCount = nullptr;
        ui::Combo* gun = nullptr;
        ui::Combo* combination = nullptr;
    };

    Controls& C();
    void ShowPage(int page);
    void ShowKeyboardRecord(KeyAssignment& shown, int& page);
    void ShowMacroRecord(const KeyAssignment& shown);
    int FunctionItemOfPage(int page) const;
    void ShowRepeat(bool visible);
    // The record of the selected row of a table list; false when the list
    // has no selection or its selection is not a row of the table.
    template <typename Rows>
    bool SelectedRow(ui::Combo* list, const Rows& rows, KeyAssignment& record) const;

    Controls m_controls;
    KeyAssignment m_pending;
    KeyAssignment m_default;
    int m_deviceKind = 0;
};
