#pragma once
// What a device page expects of the controls it drives, as small interfaces
// the control classes implement. The page finds its controls by name in the
// control tree and talks to them through these, so the device objects do not
// depend on the libraries that define the controls (lighting editor, light
// buttons, profile list, power status).
//
// Threads: every call comes from the UI thread.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "profile/key_records.h"
#include "profile/light_records.h"

// A light control of a page ("DeviceKeyButton" with user data "light_" n).
class LedControlView {
  public:
    virtual ~LedControlView() = default;
    // color is red | blue << 8 | green << 16; alpha is the brightness it is shown with.
    virtual void ShowLed(uint32_t color, uint8_t alpha, bool lit) = 0;
};

// The page's macro editor ("MacroControlItem"), on keyboard and mouse pages.
class MacroEditorView {
  public:
    virtual ~MacroEditorView() = default;
    // Reads the macro list again (another program may have changed it),
    // keeping the selected macro and its unsaved rows when it is still there.
    virtual void ReloadMacros() = 0;
    // The macro names in list order: the order key assignments number them.
    virtual std::vector<std::string> GetMacroNames() const = 0;
};

// A key button of a page's picture ("DeviceKeyButton" named "key_" n): it
// carries the name of the key and the text of what the key does now.
class KeyButtonView {
  public:
    virtual ~KeyButtonView() = default;
    virtual void ShowKeyTexts(const std::string& name, const std::string& assignment) = 0;
    virtual const std::string& GetKeyName() const = 0;
    virtual const std::string& GetAssignmentText() const = 0;
    // Non-zero marks a key that does something other than its own key.
    virtual void SetKeySetFlag(int /*flag*/) {}
    // Marks the key whose function is being edited.
    virtual void SetKeySelected(bool /*selected*/) {}
};

// The page's key assignment editor ("KeySetControlItem"): shows one key's
// record and builds the record the user chose. The page finds it by name and
// hands it the key to edit; the main window's routes apply what it builds.
class KeySetView {
  public:
    virtual ~KeySetView() = default;
    // Keeps the entry's current record as the pending one and its default,
    // and shows the pending record.
    virtual void SetKeyEntry(const KeyEntry& entry) = 0;
    virtual void ShowDefault() = 0;
    virtual void ShowPending() = 0;
    // Reads the editor into a record, keeps it as the pending one and returns it.
    virtual KeyAssignment BuildRecord() = 0;
    // The macro list's items, in the macro store's order.
    virtual void SetMacroNames(const std::vector<std::string>& names) = 0;
    // Keyboards (kind 1) are not offered the sensitivity-step and gun-key pages.
    virtual void SetDeviceKind(int kind) = 0;
};

// The page's lighting editor ("LightControlItem").
class LightEditorView {
  public:
    virtual ~LightEditorView() = default;
    virtual void SetDeviceKind(int kind) = 0;
    // Mode names are language keys; visible[i] says whether mode i is offered.
    virtual void InitModes(const std::vector<std::string>& names, const std::vector<bool>& visible,
                           int brightnessMax, int speedMax) = 0;
    virtual void ShowLightInfo(const LightInfoRecord& record) = 0;
};

// The page's profile list ("DeviceProfileItem").
class ProfileSelectionView {
  public:
    virtual ~ProfileSelectionView() = default;
    // Identifier of the selected profile, "" when none is selected yet.
    virtual std::string GetSelectedId() const = 0;
};

// The control that shows a device's power state.
class PowerStatusView {
  public:
    virtual ~PowerStatusView() = default;
    // Non-zero shows the status area, zero hides it.
    virtual void SetExtra(int value) = 0;
    // A status record as read from the device (zero-padded when shorter).
    virtual void ShowStatus(std::span<const uint8_t> record) = 0;
};

// The custom colour groups of a keyboard's lighting editor.
class CustomGroupView {
  public:
    virtual ~CustomGroupView() = default;
    virtual void SelectCustomGroup(int group) = 0;
    // The selected group, -1 when none is selected.
    virtual int GetCustomGroup() const = 0;
};
