#include "profile/key_text.h"

#include <array>

#include "profile/key_tables.h"

namespace keys {
namespace {

constexpr std::array<std::string_view, 9> kShortcutNames = {
    "custem_cut",  "custem_copy", "custem_paste", "custem_undo", "custem_select_all",
    "custem_find", "custem_new",  "custem_save",  "custem_open"};

std::optional<std::string> RowName(std::span<const KeyCodeRow> rows, int row,
                                   const Translate& translate) {
    if (row < 0) {
        return std::nullopt;
    }
    return translate(rows[static_cast<size_t>(row)].name);
}

int FindByParam1(std::span<const KeyCodeRow> rows, uint8_t param1) {
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].param1 == param1) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::optional<std::string> KeyboardText(const KeyAssignment& r, const Translate& translate) {
    const auto rows = KeyboardRows();
    if (const int exact = FindRow(rows, r.param1, r.param2); exact >= 0) {
        return translate(rows[static_cast<size_t>(exact)].name);
    }
    if (r.param1 == 0 && r.param2 == 0) {
        return translate("close_text");
    }
    std::string joined;
    for (const KeyCodeRow& row : rows) {
        const bool modifier = r.param1 != 0 && row.param1 == r.param1;
        const bool key = r.param2 != 0 && row.param2 == r.param2;
        if (row.kind == r.kind && (modifier || key)) {
            joined += (joined.empty() ? "" : "+") + translate(row.name);
        }
    }
    if (joined.empty()) {
        return std::nullopt;
    }
    return joined;
}

std::optional<std::string> DeviceKeyText(const KeyAssignment& r, const Translate& translate) {
    if (r.param1 == 0x02) {
        return translate("mouse_key_smart_key");
    }
    if (r.param1 == 0x00) {
        return translate("close_text");
    }
    const auto rows = KeyboardRows();
    return RowName(rows, FindRow(rows, kKindDevice, r.param1, r.param2), translate);
}

}  // namespace

std::optional<std::string> AssignmentText(const KeyAssignment& r,
                                          std::span<const std::string> macroNames,
                                          const Translate& translate) {
    switch (r.kind) {
        case kKindDefault:
        case kKindKeyboard:
            return KeyboardText(r, translate);
        case kKindMouseButton:
            return RowName(MouseButtonRows(), FindByParam1(MouseButtonRows(), r.param1), translate);
        case kKindSwing:
            return translate((r.param2 & 0x80) == 0 ? kNameSwingLeft : kNameSwingRight);
        case kKindWheel:
            return translate((r.param2 & 0x80) == 0 ? kNameWheelUp : kNameWheelDown);
        case kKindSensitivity:
            return RowName(SensitivityRows(), FindByParam1(SensitivityRows(), r.param1), translate);
        case kKindFire:
            return translate(kNameFire);
        case kKindDpiShift:
            return translate("mouse_key_DPI_shift");
        case kKindShortcut:
            if (r.param1 == 0 && r.param2 < kShortcutNames.size()) {
                return translate(kShortcutNames[r.param2]);
            }
            return std::nullopt;
        case kKindShowWindow:
            if (r.param1 == 0 && r.param2 == 0) {
                return translate("show_window");
            }
            return std::nullopt;
        case kKindMedia:
            return RowName(MediaRows(), FindRow(MediaRows(), r.param1, r.param2), translate);
        case kKindSystem:
            return RowName(SystemRows(), FindRow(SystemRows(), r.param1, r.param2), translate);
        case kKindMacro:
        case kKindMacroRepeat:
            if (r.param1 < macroNames.size()) {
                return macroNames[r.param1];
            }
            return std::nullopt;
        case kKindGun:
            if (r.param1 < kGunKeys) {
                return translate(GunKeyNames()[r.param1]);
            }
            return std::nullopt;
        case kKindDevice:
            return DeviceKeyText(r, translate);
        case 0x15:
        case 0x21:
        case 0x50:
        case 0x60:
        case kKindCombination:
        case 0xC0:
            return std::nullopt;
        default:
            return std::string(kUntranslatedOff);
    }
}

}  // namespace keys
