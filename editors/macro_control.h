#pragma once
// CMacroControlUI (class "MacroControl"): the macro editor of a keyboard or
// mouse page. It shows the device's macros ("macro_name_list": item text =
// name, user data = Guid, items 30 pixels high) and the events of the
// selected one ("macro_action_list", one "macro_action" row per event), and
// runs the list and event operations over the device's macro store
// (profile::MacroStore, in the page's profile folder).
//
// Named children it uses: "macro_name_list", "macro_action_layout" (shown
// while a macro is selected), "macro_action_list", "macro_edit_macroname",
// "macro_fixed_time_edit", "mouse_x_left_edit", "mouse_x_right_edit",
// "mouse_y_up_edit", "mouse_y_down_edit"; optionally the style templates
// "macro_label_down_style", "macro_label_up_style",
// "macro_label_keyboard_style", "macro_label_mouse_style",
// "macro_label_text_style" (labels whose look the rows' labels copy).
//
// An event row (CComboEditContainerElementUI named "macro_action", 30 pixels
// high) holds the action label, the name label and the delay edit
// "macro_delay" (height 25, background 0x444444, at most 6 digits, 0-65535).
// The row's user data is the event object as styled JSON text; the delay
// edit is the authority for the delay when the macro is saved, also when the
// row is moved before a save.
//
// Confirmations, messages, file dialogs and what keys do after a deletion are
// the window's: the operations here return the store's outcome for it.
//
// UI thread only.

#include <json/json.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "device/usb_device_views.h"
#include "editors/macro_recorder.h"
#include "platform/ui/container.h"
#include "profile/macro_store.h"

namespace ui {
class Edit;
class List;
}  // namespace ui
class CComboEditContainerElementUI;

class CMacroControlUI : public ui::VerticalLayout, public MacroEditorView {
  public:
    static constexpr std::string_view kClassName = "MacroControl";
    static constexpr const char* kLayout = "XML\\CustomControlXML\\MacroControl.xml";
    static constexpr const char* kFileFilter = "Macro Files(*.mac)";
    static constexpr const char* kFilePattern = "*.mac;";
    static constexpr int kItemHeight = 30;
    static constexpr int kRowHeight = 30;
    static constexpr int kDelayEditHeight = 25;
    static constexpr uint32_t kDelayEditColor = 0xFF444444;

    enum class Direction { Left, Right, Up, Down };

    std::string_view GetClass() const override { return kClassName; }

    // --- the macro list ------------------------------------------------------
    // The device's profile folder; the list file defaults to "macro.config".
    void SetMacroFolder(const std::string& folder,
                        const std::string& listName = profile::MacroStore::kListName);
    // Reads the list into "macro_name_list" (nothing selected, events hidden).
    void LoadMacroList();
    // Reads the list again, keeping the selected macro and its rows when it
    // is still listed (another program may have changed the list).
    void ReloadMacros() override;
    std::vector<std::string> GetMacroNames() const override;
    int GetSelectedMacro() const;
    // Selects macro `index` (-1: none) and shows its events.
    void SelectMacro(int index);
    const profile::MacroStore& Store() const { return m_store; }

    // Appends "Macro_n" and selects it; refused at 50 (detail: the new name).
    profile::MacroOutcome AddMacro();
    // Removes the selected macro and its file, then selects the first macro.
    profile::MacroOutcome DeleteMacro();
    // Renames the selected macro to the text of "macro_edit_macroname" and
    // clears the edit.
    profile::MacroOutcome RenameMacro();
    profile::MacroOutcome ImportMacro(const std::string& path);
    profile::MacroOutcome ExportMacro(const std::string& path);

    // --- the selected macro's events -----------------------------------------
    // Shows the selected macro's events (discarding unsaved edits), or clears
    // the list when none is selected.
    void LoadMacro();
    // Writes the rows to the selected macro's event file.
    profile::MacroOutcome SaveMacro();

    void MoveEventUp();
    void MoveEventDown();
    void MoveEventToTop();
    void MoveEventToBottom();
    void DeleteEvent();
    void DeleteAllEvents();
    // Inserts a cursor move by the distance in the direction's edit after the
    // selected row (after row 0 without a selection, at the top of an empty
    // list), selects it and saves the macro.
    void InsertMove(Direction direction);
    // Inserts a press or release of a mouse button (0x01 left, 0x02 right,
    // 0x04 middle, 0x10 forward, 0x08 back) in the same way, without saving.
    void InsertButton(uint8_t button, bool down);
    // The event menu's insert items: "<button>_down", "<button>_up" and
    // "<button>_click" (down, then up) for left, right, middle, forward and
    // back; the macro is saved after. False for any other item.
    bool InsertMenuItem(std::string_view item);

    // --- rows, for the recorders -------------------------------------------------
    int GetEventCount() const;
    int GetSelectedEvent() const;
    void SelectEvent(int index);
    // The event of row `index` with the delay its edit shows.
    Json::Value GetEvent(int index) const;
    // Builds a row for `event` at `index` (past the end: appended); false at
    // 4000 rows. The row is selected when `select`.
    bool InsertEvent(int index, const Json::Value& event, bool select);
    // Sets the delay of row `index` in its event and its edit.
    void SetEventDelay(int index, uint16_t delay);

    // The constant delay of recording and inserting: reads
    // "macro_fixed_time_edit" (values above 65535 are held at 65535 and the
    // edit is rewritten), stores and returns it.
    uint16_t ReadConstantDelay();
    uint16_t GetConstantDelay() const { return m_constantDelay; }

    // Recording from the keyboard and mouse into the event list.
    MacroRecorder& Recorder() { return m_recorder; }
    const MacroRecorder& Recorder() const { return m_recorder; }

  private:
    ui::List* NameList() const;
    ui::List* ActionList() const;
    ui::Control* ActionLayout() const;
    ui::Edit* EditNamed(std::string_view name) const;
    CComboEditContainerElementUI* Row(int index) const;
    // Rebuilds "macro_name_list" from the store and selects `index`.
    void ShowNames(int index);
    void ShowActionLayout(bool visible);
    std::unique_ptr<CComboEditContainerElementUI> MakeRow(const Json::Value& event);
    void ApplyStyle(ui::Control& label, std::string_view style) const;
    void MoveSelectedTo(int target);
    // Where an insertion goes: after the selected row, after row 0 without
    // a selection, at the top of an empty list.
    int InsertPosition() const;
    uint8_t DistanceOf(Direction direction) const;

    profile::MacroStore m_store;
    uint16_t m_constantDelay = 0;
    MacroRecorder m_recorder{*this};
};
