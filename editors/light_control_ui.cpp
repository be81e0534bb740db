#include "editors/light_control_ui.h"

#include <algorithm>
#include <array>
#include <optional>

#include "platform/ui/button.h"
#include "platform/ui/custom_control.h"
#include "platform/ui/edit.h"
#include "platform/ui/list.h"
#include "platform/ui/range_controls.h"

namespace {

constexpr int kModeItemHeight = 30;

// The six control groups the availability tables switch, in table order.
constexpr std::array<const char*, 6> kGroups = {
    "deng_7color_check",   // colour cycle
    "deng_color_layout",   // colour
    "colorpallet_layout",  // palette
    "deng_light_layout",   // brightness
    "deng_speed_layout",   // speed
    "deng_fx_layout",      // direction
};

// One row of an availability table. Each cell of `cells` sets one group:
// 'E' enabled and shown, 'D' disabled and shown, 'H' disabled and hidden,
// 'h' enabled but hidden. The mouse, mousepad and headset tables only enable
// and disable (their 'E' and 'D' leave the visibility alone).
struct AvailabilityRow {
    std::vector<int> modes;
    const char* cells;
    bool sameMode;
};

constexpr uint8_t kKeyboardZone = 17;
constexpr uint8_t kKeyboardCustomColours = 20;

const std::vector<AvailabilityRow>& KeyboardTable() {
    static const std::vector<AvailabilityRow> rows = {
        {{1, 2, 3, 23, 28}, "EEEEEE", false},
        {{4}, "HHHEEH", true},
        {{5, 9, 22}, "EEEEED", true},
        {{6}, "EEEEDD", true},
        {{7, 8, 10, 13, 14, 15, 21, 24}, "EEEEED", false},
        {{11}, "HHHEEH", false},
        {{12}, "hHHEEE", false},
        {{16}, "EEEEHD", false},
        {{kKeyboardZone}, "HHHEHH", false},
        {{18}, "HHHEEE", false},
        {{kKeyboardCustomColours}, "DEEEDD", false},
        {{25, 26}, "DDDEED", false},
        {{27}, "DDDDDD", true},
    };
    return rows;
}

const std::vector<AvailabilityRow>& MouseTable() {
    static const std::vector<AvailabilityRow> rows = {
        {{0}, "EEEEEE", false},    {{1}, "DDDEED", true}, {{2}, "EEEEEE", true},
        {{3}, "DEEEDD", true},     {{4}, "EEEEED", true}, {{5}, "EEEEEE", false},
        {{6, 7}, "DDDEED", false}, {{8}, "DDDDDD", true},
    };
    return rows;
}

const std::vector<AvailabilityRow>& PadAndHeadsetTable() {
    static const std::vector<AvailabilityRow> rows = {
        {{0}, "EEEEEE", false},    {{1}, "DDDEED", true}, {{2}, "EEEEED", true},
        {{3}, "DEEEDD", true},     {{4}, "EEEEED", true}, {{5}, "DDDDDD", false},
        {{6, 7}, "DDDDDD", false}, {{8}, "DDDDDD", true},
    };
    return rows;
}

const AvailabilityRow* FindRow(const std::vector<AvailabilityRow>& table, int mode) {
    for (const AvailabilityRow& row : table) {
        if (std::find(row.modes.begin(), row.modes.end(), mode) != row.modes.end()) {
            return &row;
        }
    }
    return nullptr;
}

void Enable(ui::Control* control, bool enabled) {
    if (control != nullptr) {
        control->SetEnabled(enabled);
    }
}

void Show(ui::Control* control, bool visible) {
    if (control != nullptr) {
        control->SetVisible(visible);
    }
}

uint32_t ColorOf(uint8_t red, uint8_t green, uint8_t blue) {
    return CLightControlUI::kOpaque | static_cast<uint32_t>(red) << 16 |
           static_cast<uint32_t>(green) << 8 | blue;
}

}  // namespace

// --- children ---------------------------------------------------------------------------

ui::Control* CLightControlUI::Child(std::string_view name) {
    const std::string key(name);
    if (auto it = m_children.find(key); it != m_children.end()) {
        return it->second;
    }
    // Only found controls are kept: a missing one costs a search per use and
    // nothing else.
    ui::Control* found = FindSubControl(name);
    if (found != nullptr) {
        m_children.emplace(key, found);
    }
    return found;
}

void CLightControlUI::SetEditText(std::string_view name, const std::string& text) {
    if (ui::Control* edit = Child(name)) {
        edit->SetText(text);
    }
}

std::string CLightControlUI::GetEditText(std::string_view name) {
    ui::Control* edit = Child(name);
    return edit != nullptr ? edit->GetTextValue().text : std::string();
}

void CLightControlUI::SelectOrClear(ui::Combo* combo, int index) {
    if (combo == nullptr) {
        return;
    }
    // A value the list does not have shows no entry rather than the one it
    // showed before.
    if (!combo->SelectItem(index, ui::Notify::No)) {
        combo->SelectItem(-1, ui::Notify::No);
    }
}

// --- modes and records ------------------------------------------------------------------

void CLightControlUI::InitModes(const std::vector<std::string>& names,
                                const std::vector<bool>& visible, int brightnessMax, int speedMax) {
    auto* modes = ChildAs<ui::Combo>("light_combo_modeSelect");
    if (modes == nullptr) {
        return;
    }
    modes->RemoveAll();
    for (size_t i = 0; i < names.size(); ++i) {
        ui::ListLabelElement* item = modes->AddTextItem(names[i], names[i], kModeItemHeight, true);
        item->SetVisible(i < visible.size() && visible[i]);
    }
    if (auto* brightness = ChildAs<ui::Slider>("deng_light_slider")) {
        brightness->SetMaxValue(brightnessMax);
        if (auto* speed = ChildAs<ui::Slider>("deng_speed_slider")) {
            speed->SetMaxValue(speedMax);
        }
    }
}

void CLightControlUI::ShowLightInfo(const LightInfoRecord& record) {
    SetMode(record.mode);
    SetBrightness(record.brightness);
    SetSpeed(record.speed);
    ShowColorComponents(ColorOf(record.red, record.green, record.blue));
    SetColor(ColorOf(record.red, record.green, record.blue));
    SetColorCycle(record.multiColor != 0);
    SetDirection(record.direction);
    SetZzccMode(record.zzccMode);
    ApplyAvailability(record.mode);
}

void CLightControlUI::ShowColorComponents(uint32_t color) {
    SetRedText(std::to_string((color >> 16) & 0xFF));
    SetGreenText(std::to_string((color >> 8) & 0xFF));
    SetBlueText(std::to_string(color & 0xFF));
}

// --- availability -------------------------------------------------------------------------

void CLightControlUI::SetSameModeSupport(bool supported) {
    m_sameModeSupport = supported;
    ApplyAvailability(GetMode());
}

void CLightControlUI::ShowSameMode(bool show) {
    Show(Child("deng_same_mode"), show && m_sameModeSupport);
}

void CLightControlUI::ApplyAvailability(int mode) {
    const bool keyboard = m_kind == 1;
    const std::vector<AvailabilityRow>* table = keyboard                     ? &KeyboardTable()
                                                : m_kind == 2                ? &MouseTable()
                                                : m_kind == 3 || m_kind == 7 ? &PadAndHeadsetTable()
                                                                             : nullptr;
    if (table == nullptr) {
        return;
    }
    ShowSameMode(false);
    Enable(Child("deng_fx_layout"), true);
    if (keyboard) {
        Show(Child("lightcustom_layout"), false);
        Show(Child("light_combo_ZZCCmodeSelectLayout"), false);
    }
    ui::Control* effect = Child("lighteffect_layout");
    Enable(effect, true);

    const AvailabilityRow* row = FindRow(*table, mode);
    // Modes without a row disable every group and, on keyboards too, leave
    // every group's visibility as it was.
    const bool setsVisibility = keyboard && row != nullptr;
    const char* cells = row != nullptr ? row->cells : "DDDDDD";
    for (size_t i = 0; i < kGroups.size(); ++i) {
        ui::Control* group = Child(kGroups[i]);
        const char cell = cells[i];
        Enable(group, cell == 'E' || cell == 'h');
        if (setsVisibility) {
            Show(group, cell == 'E' || cell == 'D');
        }
    }
    if (setsVisibility && mode != kKeyboardZone) {
        Show(effect, true);
    }
    if (keyboard && mode == kKeyboardZone) {
        ui::Control* zone = Child("light_combo_ZZCCmodeSelectLayout");
        Enable(zone, true);
        Show(zone, true);
    }
    if (keyboard && mode == kKeyboardCustomColours) {
        Show(Child("lightcustom_layout"), true);
    }
    if (row != nullptr && row->sameMode) {
        ShowSameMode(true);
    }
}

// --- setters and getters ------------------------------------------------------------------

void CLightControlUI::SetMode(int mode) {
    SelectOrClear(ChildAs<ui::Combo>("light_combo_modeSelect"), mode);
    ApplyAvailability(mode);
}

int CLightControlUI::GetMode() {
    auto* modes = ChildAs<ui::Combo>("light_combo_modeSelect");
    return modes != nullptr ? modes->GetCurSel() : -1;
}

void CLightControlUI::SetBrightness(int value) {
    if (auto* slider = ChildAs<ui::Slider>("deng_light_slider")) {
        slider->SetValue(value, ui::Notify::No);
    }
}

int CLightControlUI::GetBrightness() {
    auto* slider = ChildAs<ui::Slider>("deng_light_slider");
    return slider != nullptr ? slider->GetValue() : 0;
}

void CLightControlUI::SetSpeed(int value) {
    if (auto* slider = ChildAs<ui::Slider>("deng_speed_slider")) {
        slider->SetValue(value, ui::Notify::No);
    }
}

int CLightControlUI::GetSpeed() {
    auto* slider = ChildAs<ui::Slider>("deng_speed_slider");
    return slider != nullptr ? slider->GetValue() : 0;
}

void CLightControlUI::SetColor(uint32_t color) {
    if (auto* palette = ChildAs<ui::ColorPalette>("deng_Color_Pallet")) {
        palette->SetSelectColor(ui::Color{color}, ui::Notify::No);
    }
    if (ui::Control* button = Child("deng_colordp_btn")) {
        button->SetColor(ui::ColorRole::Background, ui::Color{color});
    }
}

uint32_t CLightControlUI::GetColor() {
    auto* palette = ChildAs<ui::ColorPalette>("deng_Color_Pallet");
    return palette != nullptr ? palette->GetSelectColor().argb : kOpaque;
}

void CLightControlUI::SetColorCycle(bool on) {
    if (auto* check = ChildAs<ui::Option>("deng_7color_check")) {
        check->SetSelected(on, ui::Notify::No);
    }
}

bool CLightControlUI::GetColorCycle() {
    auto* check = ChildAs<ui::Option>("deng_7color_check");
    return check != nullptr && check->IsSelected();
}

void CLightControlUI::SetDirection(int direction) {
    if (auto* left = ChildAs<ui::Option>("deng_FXL_check")) {
        left->SetSelected(direction != 0, ui::Notify::No);
    }
    if (auto* right = ChildAs<ui::Option>("deng_FXR_check")) {
        right->SetSelected(direction == 0, ui::Notify::No);
    }
}

void CLightControlUI::SetZzccMode(int index) {
    SelectOrClear(ChildAs<ui::Combo>("light_combo_ZZCCmodeSelect"), index);
}

int CLightControlUI::GetZzccMode() {
    auto* combo = ChildAs<ui::Combo>("light_combo_ZZCCmodeSelect");
    return combo != nullptr ? combo->GetCurSel() : -1;
}

void CLightControlUI::SelectCustomGroup(int index) {
    SelectOrClear(ChildAs<ui::Combo>("light_combo_custommodeSelect"), index);
}

int CLightControlUI::GetCustomGroup() const {
    const auto* combo = FindSubControl<ui::Combo>("light_combo_custommodeSelect");
    return combo != nullptr ? combo->GetCurSel() : -1;
}

uint32_t CLightControlUI::GetOptionColor(int n) {
    if (n < 0) {
        return 0;
    }
    ui::Control* option = Child("color_option_" + std::to_string(n));
    if (option == nullptr) {
        return 0;
    }
    const std::optional<ui::Color> color = option->GetColor(ui::ColorRole::Background);
    return color ? color->argb : 0;
}

// --- the colour-edit rule ------------------------------------------------------------------

int CLightControlUI::ColorComponentOf(std::string_view text) {
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        // Saturates instead of overflowing on a long run of digits.
        value = std::min(value * 10 + (c - '0'), 256);
    }
    return std::min(value, 255);
}

int CLightControlUI::TakeColorEdit(std::string_view editName) {
    if (editName != "deng_edit_R" && editName != "deng_edit_G" && editName != "deng_edit_B") {
        return -1;
    }
    ui::Control* edit = Child(editName);
    if (edit == nullptr) {
        return -1;
    }
    const std::string typed = edit->GetTextValue().text;
    const int value = ColorComponentOf(typed);
    const std::string shown = std::to_string(value);
    if (typed != shown || edit->GetTextValue().isKey) {
        edit->SetText(shown);
    }
    return value;
}
