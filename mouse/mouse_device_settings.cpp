// The mouse page's settings side of CVeldmarkMouseDevice: the sensitivity
// scale from the device, the recoil editor, the report-rate option, the
// macro keys checked against the macro list, and the page's tip.
#include "mouse/mouse_device.h"
#include "mouse/shoot_control_ui.h"
#include "profile/macro_records.h"
#include "profile/profile_paths.h"

void CVeldmarkMouseDevice::ApplyStageScale() {
    m_settings->SetScale(mouse::StageScale::FromDeviceInfo(DeviceInfo()));
    m_settings->SetStageRanges();
}

void CVeldmarkMouseDevice::InitSettingsPage() {
    if (auto* recoil = FindSubControl<CShootControlUI>("ShootControlItem")) {
        recoil->InitForPage(ProfileFolder(), profile::DefaultDataFolder());
    }
    m_settings->ShowSubPage(0);
}

bool CVeldmarkMouseDevice::SelectReportRateOption(int n) {
    return m_settings->OnReportRate(n) != mouse::Change::None;
}

void CVeldmarkMouseDevice::ValidateMacroKeys() {
    RefreshEditorLists();  // reloads the macro list
    if (!MacroListRead()) {
        return;  // an unreadable list says nothing about which macros are gone
    }
    std::vector<KeyEntry> keys = MouseDocument().GetKeyList();
    if (macro::ResetMissingMacros(keys, static_cast<int>(GetMacroNames().size()))) {
        MouseDocument().WriteKeyAssignments(keys);
        RefreshKeyDisplay();
    }
}

void CVeldmarkMouseDevice::SetFunctionMode(int mode) {
    CVeldmarkUSBDevice::SetFunctionMode(mode);
    m_settings->ShowDeviceTip(mode);
    // Outside the key settings no key is being edited.
    if (mode != kKeySettingsMode) {
        MarkSelectedKey(-1);
    }
}
