#include "editors/key_set_control.h"

#include <charconv>

#include "platform/ui/button.h"
#include "platform/ui/edit.h"
#include "platform/ui/list.h"
#include "profile/key_tables.h"

namespace {

constexpr uint8_t kDirectionBit = 0x80;
constexpr uint8_t kCountMask = 0x7F;
constexpr uint8_t kNibble = 0x0F;
constexpr int kKeyboardKind = 1;

// Decimal text as the edits hold it; anything that is not a number reads 0.
int ParseNumber(const ui::Edit* edit) {
    if (edit == nullptr) {
        return 0;
    }
    const std::string text = edit->GetText();
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end != text.data() ? value : 0;
}

void ShowNumber(ui::Edit* edit, int value) {
    if (edit != nullptr) {
        edit->SetText(std::to_string(value));
    }
}

void Select(ui::Combo* list, int index) {
    if (list == nullptr) {
        return;
    }
    if (index < 0 || index >= list->GetItemCount()) {
        index = -1;
    }
    list->SelectItem(index, ui::Notify::No);
}

int Selection(const ui::Combo* list) {
    return list != nullptr ? list->GetCurSel() : -1;
}

// Delay in the high nibble, speed in the low one.
uint8_t PackTiming(const ui::Edit* delay, const ui::Edit* speed) {
    return static_cast<uint8_t>((ParseNumber(delay) & kNibble) << 4 |
                                (ParseNumber(speed) & kNibble));
}

void ShowTiming(uint8_t packed, ui::Edit* delay, ui::Edit* speed) {
    ShowNumber(delay, packed >> 4);
    ShowNumber(speed, packed & kNibble);
}

int PageNumberOf(const ui::Control* item) {
    if (item == nullptr) {
        return keys::kPageNone;
    }
    const std::string& data = item->GetUserData();
    int page = keys::kPageNone;
    const auto [end, ec] = std::from_chars(data.data(), data.data() + data.size(), page);
    return ec == std::errc() && end == data.data() + data.size() ? page : keys::kPageNone;
}

}  // namespace

CKeySetControlUI::Controls& CKeySetControlUI::C() {
    Controls& c = m_controls;
    if (c.found) {
        return c;
    }
    auto find = [this](std::string_view name) { return FindSubControl(name); };
    auto combo = [this](std::string_view name) { return FindSubControl<ui::Combo>(name); };
    auto edit = [this](std::string_view name) { return FindSubControl<ui::Edit>(name); };
    c.layout = find("keyset_layout");
    c.function = combo("keyset_function_combo");
    c.pages = FindSubControl<ui::TabLayout>("function_switch_tablayout");
    c.mouseKey = combo("keyset_mousekey_combo");
    c.swing = combo("keyset_mouseswing_combo");
    c.swingCount = edit("keyset_mouseswing_num_edit");
    c.swingDelay = edit("keyset_mouseswing_delay_edit");
    c.swingSpeed = edit("keyset_mouseswing_speed_edit");
    c.wheel = combo("keyset_mousewheel_combo");
    c.wheelCount = edit("keyset_mousewheel_num_edit");
    c.wheelDelay = edit("keyset_mousewheel_delay_edit");
    c.wheelSpeed = edit("keyset_mousewheel_speed_edit");
    c.sensitivity = combo("keyset_mousedpi_combo");
    c.fireInterval = edit("keyset_mousefire_interval_edit");
    c.fireCount = edit("keyset_mousefire_num_edit");
    c.keyText = edit("keyset_keyboard_text_edit");
    for (int i = 0; i < kModifierOptions; ++i) {
        c.modifiers[i] = FindSubControl<ui::Option>("key_ComBox_check_" + std::to_string(i));
    }
    c.media = combo("keyset_media_combo");
    c.system = combo("keyset_system_combo");
    c.macro = combo("keyset_macro_combo");
    c.macroMode = combo("keyset_macro_over_combo");
    c.repeatLayout = find("keyset_macro_cycle_layout");
    c.repeatCount = edit("keyset_macro_cycle_edit");
    c.gun = combo("keyset_gunkey_combo");
    c.combination = combo("keyset_combokey_combo");
    // A tree without the editor's children yet is looked at again next time.
    c.found = c.function != nullptr;
    return c;
}

// --- records in and out ---------------------------------------------------------------

void CKeySetControlUI::SetKeyEntry(const KeyEntry& entry) {
    m_pending = entry.current;
    m_default = entry.defaults;
    ShowRecord(m_pending);
}

void CKeySetControlUI::ShowDefault() {
    ShowRecord(m_default);
}

void CKeySetControlUI::ShowPending() {
    ShowRecord(m_pending);
}

void CKeySetControlUI::ShowRecord(const KeyAssignment& record) {
    Controls& c = C();
    KeyAssignment shown = record;
    int page = record == m_default ? keys::kPageDefault : keys::PageOfKind(record.kind);
    switch (page) {
        case keys::kPageMouseButton:
            Select(c.mouseKey, keys::FindRow(keys::MouseButtonRows(), shown.param1, shown.param2));
            break;
        case keys::kPageSensitivity:
            Select(c.sensitivity,
                   keys::FindRow(keys::SensitivityRows(), shown.param1, shown.param2));
            break;
        case keys::kPageMedia:
            Select(c.media, keys::FindRow(keys::MediaRows(), shown.param1, shown.param2));
            break;
        case keys::kPageSystem:
            Select(c.system, keys::FindRow(keys::SystemRows(), shown.param1, shown.param2));
            break;
        case keys::kPageSwing:
            ShowTiming(shown.param1, c.swingDelay, c.swingSpeed);
            ShowNumber(c.swingCount, shown.param2 & kCountMask);
            Select(c.swing, (shown.param2 & kDirectionBit) != 0 ? 1 : 0);
            break;
        case keys::kPageWheel: {
            const bool down = (shown.param2 & kDirectionBit) != 0;
            const int count = shown.param2 & kCountMask;
            ShowTiming(shown.param1, c.wheelDelay, c.wheelSpeed);
            ShowNumber(c.wheelCount, down ? 128 - count : count);
            Select(c.wheel, down ? 1 : 0);
            break;
        }
        case keys::kPageFire:
            ShowNumber(c.fireInterval, shown.param1);
            ShowNumber(c.fireCount, shown.param2);
            break;
        case keys::kPageKeyboard:
            ShowKeyboardRecord(shown, page);
            break;
        case keys::kPageMacro:
            ShowMacroRecord(shown);
            break;
        case keys::kPageGun:
            Select(c.gun, shown.param1);
            break;
        case keys::kPageCombination:
            Select(c.combination, -1);
            break;
        default:
            break;
    }
    ShowPage(page);
}

// Keyboard records: a key alone (or a modifier alone) is shown by its row; a
// modifier with a key by the modifier's option and the key's row, right-hand
// modifiers on the same option as the left ones.
void CKeySetControlUI::ShowKeyboardRecord(KeyAssignment& shown, int& page) {
    Controls& c = C();
    const auto rows = keys::KeyboardRows();
    auto showName = [&c](std::string_view name) {
        if (c.keyText != nullptr) {
            c.keyText->SetTextKey(std::string(name));
        }
    };
    auto clearName = [&c] {
        if (c.keyText != nullptr) {
            c.keyText->SetText("");
        }
    };
    if (shown.param1 == 0 || shown.param2 == 0) {
        const int row = keys::FindRow(rows, shown.param1, shown.param2);
        if (row >= 0) {
            // A modifier on its own keeps its option, so that building the
            // record again gives the modifier back instead of no key at all.
            SetModifier(row < static_cast<int>(keys::kModifierRows) ? keys::ModifierOptionOfRow(row)
                                                                    : 0);
            showName(rows[static_cast<size_t>(row)].name);
        } else {
            SetModifier(-1);
            clearName();
            m_pending.param1 = 0;
            m_pending.param2 = 0;
        }
        return;
    }
    if (shown.param1 > 128) {
        page = keys::kPageCombination;
        Select(c.combination, keys::FindRow(keys::CombinationRows(), shown.param1, shown.param2));
        return;
    }
    const int modifier =
        keys::FindRow(rows.first(keys::kModifierRows), keys::kKindKeyboard, shown.param1, 0);
    if (modifier >= 0) {
        SetModifier(keys::ModifierOptionOfRow(modifier));
    } else {
        shown.param1 = 0;
        SetModifier(0);
    }
    const auto keyRows = rows.subspan(keys::kModifierRows);
    const int key = keys::FindRow(keyRows, keys::kKindKeyboard, 0, shown.param2);
    if (key >= 0) {
        showName(keyRows[static_cast<size_t>(key)].name);
    } else {
        clearName();
    }
}

void CKeySetControlUI::ShowMacroRecord(const KeyAssignment& shown) {
    Controls& c = C();
    const int macros = c.macro != nullptr ? c.macro->GetItemCount() : 0;
    if (shown.param1 >= macros) {
        Select(c.macro, -1);
        Select(c.macroMode, -1);
        ShowRepeat(false);
        return;
    }
    Select(c.macro, shown.param1);
    if (shown.kind == keys::kKindMacroRepeat) {
        Select(c.macroMode, kRepeatModeItem);
        ShowRepeat(true);
        ShowNumber(c.repeatCount, shown.param2);
    } else {
        Select(c.macroMode, shown.param2 < kRepeatModeItem ? shown.param2 : -1);
        ShowRepeat(false);
    }
}

void CKeySetControlUI::ShowRepeat(bool visible) {
    if (ui::Control* layout = C().repeatLayout) {
        layout->SetVisible(visible);
    }
}

int CKeySetControlUI::FunctionItemOfPage(int page) const {
    const ui::Combo* list = m_controls.function;
    if (list == nullptr || page == keys::kPageNone) {
        return -1;
    }
    for (int i = 0; i < list->GetItemCount(); ++i) {
        const ui::ListElement* item = list->GetItem(i);
        if (item->IsVisible() && PageNumberOf(item) == page) {
            return i;
        }
    }
    return -1;
}

void CKeySetControlUI::ShowPage(int page) {
    Controls& c = C();
    const int item = FunctionItemOfPage(page);
    if (c.function != nullptr) {
        c.function->SelectItem(item, ui::Notify::No);
    }
    if (c.layout != nullptr) {
        c.layout->SetVisible(item >= 0);
    }
    if (item >= 0 && c.pages != nullptr) {
        c.pages->SelectItem(page);
    }
}

int CKeySetControlUI::SelectedPage() const {
    const ui::Combo* list = m_controls.function;
    return list != nullptr ? PageNumberOf(list->GetItem(list->GetCurSel())) : keys::kPageNone;
}

template <typename Rows>
bool CKeySetControlUI::SelectedRow(ui::Combo* list, const Rows& rows, KeyAssignment& record) const {
    const int index = Selection(list);
    if (index < 0 || static_cast<size_t>(index) >= rows.size()) {
        return false;
    }
    const keys::KeyCodeRow& row = rows[static_cast<size_t>(index)];
    record.kind = row.kind;
    record.param1 = row.param1;
    record.param2 = row.param2;
    return true;
}

// Pages whose list or field has nothing chosen keep the pending record: a
// record is only ever built from what the user can see.
KeyAssignment CKeySetControlUI::BuildRecord() {
    Controls& c = C();
    KeyAssignment record = m_pending;
    const int page =
        c.function != nullptr && c.function->GetCurSel() >= 0 ? SelectedPage() : keys::kPageNone;
    switch (page) {
        case keys::kPageNone:
            break;
        case keys::kPageMouseButton:
            SelectedRow(c.mouseKey, keys::MouseButtonRows(), record);
            break;
        case keys::kPageSensitivity:
            SelectedRow(c.sensitivity, keys::SensitivityRows(), record);
            break;
        case keys::kPageMedia:
            SelectedRow(c.media, keys::MediaRows(), record);
            break;
        case keys::kPageSystem:
            SelectedRow(c.system, keys::SystemRows(), record);
            break;
        case keys::kPageCombination:
            SelectedRow(c.combination, keys::CombinationRows(), record);
            break;
        case keys::kPageSwing: {
            record.kind = keys::kKindSwing;
            record.param1 = PackTiming(c.swingDelay, c.swingSpeed);
            const uint8_t count = static_cast<uint8_t>(ParseNumber(c.swingCount) & kCountMask);
            const int direction = Selection(c.swing);
            if (direction == 1) {
                record.param2 = count | kDirectionBit;
            } else if (direction == 0) {
                record.param2 = count;
            }
            break;
        }
        case keys::kPageWheel: {
            record.kind = keys::kKindWheel;
            record.param1 = PackTiming(c.wheelDelay, c.wheelSpeed);
            const uint8_t count = static_cast<uint8_t>(ParseNumber(c.wheelCount) & kCountMask);
            const int direction = Selection(c.wheel);
            if (direction == 1) {
                record.param2 = static_cast<uint8_t>((128 - count) | kDirectionBit);
            } else if (direction == 0) {
                record.param2 = count;
            }
            break;
        }
        case keys::kPageFire:
            record.kind = keys::kKindFire;
            record.param1 = static_cast<uint8_t>(ParseNumber(c.fireInterval));
            record.param2 = static_cast<uint8_t>(ParseNumber(c.fireCount));
            break;
        case keys::kPageKeyboard: {
            record.kind = keys::kKindKeyboard;
            const int option = GetModifier();
            record.param1 = option >= 1 ? static_cast<uint8_t>(1 << (option - 1)) : 0;
            const bool noKey = c.keyText == nullptr || c.keyText->GetText().empty();
            record.param2 = noKey ? 0 : m_pending.param2;
            break;
        }
        case keys::kPageMacro: {
            const int macro = Selection(c.macro);
            if (macro < 0) {
                break;
            }
            record.param1 = static_cast<uint8_t>(macro);
            const int mode = Selection(c.macroMode);
            if (mode == kRepeatModeItem) {
                record.kind = keys::kKindMacroRepeat;
                record.param2 = static_cast<uint8_t>(ParseNumber(c.repeatCount));
            } else {
                record.kind = keys::kKindMacro;
                record.param2 =
                    static_cast<uint8_t>(mode >= 0 && mode < kRepeatModeItem ? mode : 0);
            }
            break;
        }
        case keys::kPageGun: {
            const int gun = Selection(c.gun);
            if (gun >= 0 && static_cast<size_t>(gun) < keys::kGunKeys) {
                record.kind = keys::kKindGun;
                record.param1 = static_cast<uint8_t>(gun);
                record.param2 = 0;
            }
            break;
        }
        default:
            record.kind = m_default.kind;
            record.param1 = m_default.param1;
            record.param2 = m_default.param2;
            break;
    }
    m_pending = record;
    return record;
}

// --- lists -------------------------------------------------------------------------------

// The list is rebuilt, not appended to: a page that reloads its macros must
// not offer each one twice.
void CKeySetControlUI::SetMacroNames(const std::vector<std::string>& names) {
    ui::Combo* list = C().macro;
    if (list == nullptr) {
        return;
    }
    list->SelectItem(-1, ui::Notify::No);
    list->RemoveAll();
    for (const std::string& name : names) {
        list->AddTextItem(name, name, kMacroItemHeight);
    }
    list->SelectItem(-1, ui::Notify::No);
}

void CKeySetControlUI::SetDeviceKind(int kind) {
    m_deviceKind = kind;
    ui::Combo* list = C().function;
    if (list == nullptr) {
        return;
    }
    for (int i = 0; i < list->GetItemCount(); ++i) {
        ui::ListElement* item = list->GetItem(i);
        const int page = PageNumberOf(item);
        const bool hidden =
            kind == kKeyboardKind && (page == keys::kPageSensitivity || page == keys::kPageGun);
        item->SetVisible(!hidden);
    }
}

// --- modifiers ---------------------------------------------------------------------------

void CKeySetControlUI::SetModifier(int option) {
    Controls& c = C();
    for (int i = 0; i < kModifierOptions; ++i) {
        if (c.modifiers[i] != nullptr && i != option) {
            c.modifiers[i]->SetSelected(false, ui::Notify::No);
        }
    }
    if (option >= 0 && option < kModifierOptions && c.modifiers[option] != nullptr) {
        c.modifiers[option]->SetSelected(true, ui::Notify::No);
    }
}

int CKeySetControlUI::GetModifier() const {
    for (int i = 0; i < kModifierOptions; ++i) {
        if (m_controls.modifiers[i] != nullptr && m_controls.modifiers[i]->IsSelected()) {
            return i;
        }
    }
    return -1;
}

// --- the user's actions ----------------------------------------------------------------------

void CKeySetControlUI::OnFunctionSelected() {
    Controls& c = C();
    const int page = SelectedPage();
    if (page == keys::kPageNone) {
        return;
    }
    if (c.pages != nullptr) {
        c.pages->SelectItem(page);
    }
    if (page == keys::kPageKeyboard) {
        if (c.keyText != nullptr) {
            c.keyText->SetText("");
        }
        SetModifier(-1);
    }
}

void CKeySetControlUI::OnMacroModeSelected() {
    ShowRepeat(Selection(C().macroMode) == kRepeatModeItem);
}

bool CKeySetControlUI::CaptureKey(uint8_t scanCode, bool extended) {
    Controls& c = C();
    const int row = keys::FindCaptureRow(scanCode, extended);
    if (row < 0) {
        return false;
    }
    if (row < static_cast<int>(keys::kModifierRows)) {
        SetModifier(keys::ModifierOptionOfRow(row));
    } else {
        if (GetModifier() < 0) {
            SetModifier(0);
        }
        const keys::KeyCodeRow& key = keys::KeyboardRows()[static_cast<size_t>(row)];
        if (c.keyText != nullptr) {
            c.keyText->SetTextKey(std::string(key.name));
        }
        m_pending.param2 = key.param2;
    }
    BuildRecord();
    return true;
}
