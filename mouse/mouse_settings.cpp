#include "mouse/mouse_settings.h"

#include <algorithm>
#include <limits>

#include "mouse/decimal_text.h"
#include "platform/settings/settings_units.h"
#include "platform/trace/trace.h"
#include "platform/ui/button.h"
#include "platform/ui/edit.h"
#include "platform/ui/range_controls.h"
#include "platform/ui/ui_context.h"
#include "platform/ui/window.h"

namespace mouse {
namespace {

using platform::settings::ApplyCode;
using platform::settings::ApplyResult;
using platform::settings::Setting;
namespace units = platform::settings::units;

// The profile's three system words: which word and half holds what.
constexpr int kWordDoubleClickSpeed = 0;  // low: double-click, high: pointer speed
constexpr int kWordPrecisionPage = 1;     // low: precision, high: page-wise scrolling
constexpr int kWordLinesRate = 2;         // low: wheel lines, high: report rate

int Half(uint32_t word, bool high) {
    return static_cast<int>(high ? word >> 16 : word & 0xFFFF);
}

const char* NoteName(Setting setting) {
    switch (setting) {
        case Setting::PointerSpeed:
            return "pointer_speed_note";
        case Setting::PointerAcceleration:
            return "pointer_precision_note";
        case Setting::WheelLines:
            return "scroll_lines_note";
        case Setting::DoubleClickTime:
            return "double_click_note";
        default:
            return nullptr;
    }
}

std::string Indexed(const char* prefix, int n) {
    return prefix + std::to_string(n);
}

}  // namespace

StageScale StageScale::FromDeviceInfo(const uint8_t* info) {
    StageScale scale;
    if (info != nullptr) {
        scale.step = info[11];
        scale.count = info[12] | info[13] << 8;
        scale.minimum = info[14] | info[15] << 8;
    }
    return scale;
}

MouseSettings::MouseSettings(ui::Container& page, CMouseProfiledata& document)
    : m_page(page), m_document(document) {}

template <typename T>
T* MouseSettings::Find(T*& cache, const char* name) {
    if (cache == nullptr) {
        cache = m_page.FindSubControl<T>(name);
    }
    return cache;
}

MouseSettings::StageControls& MouseSettings::Stage(int n) {
    StageControls& stage = m_stages[static_cast<size_t>(n)];
    if (stage.layout == nullptr) {
        stage.layout = m_page.FindSubControl(Indexed("DPI_layout_", n));
    }
    if (stage.check == nullptr) {
        stage.check = m_page.FindSubControl<ui::Option>(Indexed("DPI_enable_check_", n));
    }
    if (stage.slider == nullptr) {
        stage.slider = m_page.FindSubControl<ui::Slider>(Indexed("DPI_slider_", n));
    }
    if (stage.edit == nullptr) {
        stage.edit = m_page.FindSubControl<ui::Edit>(Indexed("DPI_edit_", n));
    }
    return stage;
}

ui::Slider* MouseSettings::SliderNamed(const std::string& name) {
    return m_page.FindSubControl<ui::Slider>(name);
}

ui::Edit* MouseSettings::EditNamed(const std::string& name) {
    return m_page.FindSubControl<ui::Edit>(name);
}

// --- page operations ---------------------------------------------------------------------

void MouseSettings::SetStageRanges() {
    for (int n = 0; n < kStageCount; ++n) {
        StageControls& stage = Stage(n);
        if (stage.slider != nullptr) {
            stage.slider->SetRange(0, m_scale.count);
        }
        if (stage.edit != nullptr) {
            stage.edit->SetValueRange(0, m_scale.count * m_scale.step);
        }
    }
}

void MouseSettings::SetStageEnabled(int n, bool enabled) {
    if (n < 0 || n >= kStageCount) {
        return;
    }
    StageControls& stage = Stage(n);
    if (stage.layout != nullptr) {
        stage.layout->SetEnabled(enabled);
    }
    if (stage.check != nullptr) {
        stage.check->SetSelected(enabled, ui::Notify::No);
    }
    if (!enabled) {
        ui::Option* only = nullptr;
        int checked = 0;
        for (int i = 0; i < kStageCount; ++i) {
            if (ui::Option* check = Stage(i).check; check != nullptr && check->IsSelected()) {
                only = check;
                ++checked;
            }
        }
        if (checked == 1) {
            only->SetEnabled(false);  // the last stage in use cannot be switched off
        }
    } else {
        for (int i = 0; i < kStageCount; ++i) {
            if (ui::Option* check = Stage(i).check; check != nullptr && !check->IsEnabled()) {
                check->SetEnabled(true);
            }
        }
    }
}

bool MouseSettings::IsStageChecked(int n) {
    if (n < 0 || n >= kStageCount) {
        return false;
    }
    ui::Option* check = Stage(n).check;
    return check != nullptr && check->IsSelected();
}

int MouseSettings::GetStageSlider(int n) {
    if (n < 0 || n >= kStageCount) {
        return 0;
    }
    ui::Slider* slider = Stage(n).slider;
    return slider != nullptr ? slider->GetValue() : 0;
}

int MouseSettings::GetStageText(int n) {
    if (n < 0 || n >= kStageCount) {
        return 0;
    }
    ui::Edit* edit = Stage(n).edit;
    if (edit == nullptr) {
        return 0;
    }
    return std::max(LeadingDecimal(edit->GetText()), m_scale.minimum);
}

void MouseSettings::ShowStageValue(int n, int steps) {
    if (n < 0 || n >= kStageCount) {
        return;
    }
    StageControls& stage = Stage(n);
    if (stage.slider != nullptr) {
        stage.slider->SetValue(steps, ui::Notify::No);
        const bool active = n == m_document.GetActiveStage();
        const char* thumb = active ? kActiveThumb : kNormalThumb;
        stage.slider->SetImage(ui::ImageState::Fore, active ? kActiveFore : kNormalFore);
        stage.slider->SetImage(ui::ImageState::Thumb, thumb);
        stage.slider->SetImage(ui::ImageState::ThumbHot, thumb);
        stage.slider->SetImage(ui::ImageState::ThumbPushed, thumb);
    }
    if (stage.edit != nullptr) {
        // Without the device's DPI step the sensitivity is unknown: say nothing
        // rather than a wrong number.
        stage.edit->SetText(m_scale.step > 0 ? std::to_string(steps * m_scale.step) : "");
    }
}

void MouseSettings::SelectReportRate(int n) {
    if (n < 0 || n >= kReportRateCount) {
        n = 0;
    }
    for (int i = 0; i < kReportRateCount; ++i) {
        if (m_rates[i] == nullptr) {
            m_rates[i] = m_page.FindSubControl<ui::Option>(Indexed("polling_rate_option_", i));
        }
        if (m_rates[i] != nullptr) {
            m_rates[i]->SetSelected(i == n, ui::Notify::No);
        }
    }
}

void MouseSettings::SetPointerSpeed(int v) {
    if (ui::Slider* slider = Find(m_speed, "pointer_speed_slider")) {
        slider->SetValue(v, ui::Notify::No);
    }
}

int MouseSettings::GetPointerSpeed() {
    ui::Slider* slider = Find(m_speed, "pointer_speed_slider");
    return slider != nullptr ? slider->GetValue() : 0;
}

void MouseSettings::SetPointerPrecision(bool on) {
    if (ui::Option* check = Find(m_precision, "pointer_precision_check")) {
        check->SetSelected(on, ui::Notify::No);
    }
}

bool MouseSettings::GetPointerPrecision() {
    ui::Option* check = Find(m_precision, "pointer_precision_check");
    return check != nullptr && check->IsSelected();
}

void MouseSettings::SetScroll(bool pageWise, int lines) {
    if (ui::Option* check = Find(m_scrollPage, "scrolls_page_check")) {
        check->SetSelected(pageWise, ui::Notify::No);
    }
    if (ui::Slider* slider = Find(m_scrollLines, "scroll_speed_slider")) {
        slider->SetValue(lines, ui::Notify::No);
    }
}

int MouseSettings::GetScrollLines() {
    ui::Slider* slider = Find(m_scrollLines, "scroll_speed_slider");
    return slider != nullptr ? slider->GetValue() : 0;
}

bool MouseSettings::GetScrollPageWise() {
    ui::Option* check = Find(m_scrollPage, "scrolls_page_check");
    return check != nullptr && check->IsSelected();
}

int MouseSettings::SetDoubleClick(int v) {
    if (ui::Slider* slider = Find(m_doubleClick, "double_click_slider")) {
        slider->SetValue(v, ui::Notify::No);
    }
    return units::DoubleClickMsFromSlider(v, GetDoubleClickMax());
}

int MouseSettings::GetDoubleClick() {
    ui::Slider* slider = Find(m_doubleClick, "double_click_slider");
    return slider != nullptr ? slider->GetValue() : 0;
}

int MouseSettings::GetDoubleClickMax() {
    ui::Slider* slider = Find(m_doubleClick, "double_click_slider");
    return slider != nullptr ? slider->GetMaxValue() : 0;
}

void MouseSettings::ShowSubPage(int n) {
    auto* pages = m_page.FindSubControl<ui::TabLayout>("mouse_device_seting_layout");
    if (pages == nullptr) {
        return;
    }
    if (n < 0 || n >= static_cast<int>(pages->GetCount())) {
        n = 0;
    }
    pages->SelectItem(n);
    auto* options = m_page.FindSubControl<ui::Container>("mouse_option_layout");
    if (options == nullptr) {
        return;
    }
    const std::string wanted = Indexed("mouse_device_seting_option_", n);
    for (size_t i = 0; i < options->GetCount(); ++i) {
        auto* option = dynamic_cast<ui::Option*>(options->GetItemAt(i));
        if (option == nullptr) {
            continue;
        }
        const std::string& name = option->GetName();
        const bool match = name.size() == wanted.size() &&
                           std::equal(name.begin(), name.end(), wanted.begin(), [](char a, char b) {
                               return std::tolower(static_cast<unsigned char>(a)) ==
                                      std::tolower(static_cast<unsigned char>(b));
                           });
        option->SetSelected(match, ui::Notify::No);
    }
}

void MouseSettings::ShowProfile() {
    const std::vector<DpiStage> stages = m_document.GetDpiStages();
    const int shown = std::min<int>(kStageCount, static_cast<int>(stages.size()));
    // Each stage shows its stored flag (the page is the flag's only writer,
    // so this is what the user last chose); the last-stage rule then applies
    // to what is shown.
    for (int i = 0; i < shown; ++i) {
        SetStageEnabled(i, true);
    }
    for (int i = 0; i < shown; ++i) {
        if (stages[static_cast<size_t>(i)].enabled == 0) {
            SetStageEnabled(i, false);
        }
        ShowStageValue(i, stages[static_cast<size_t>(i)].dpiX);
    }
    const CMouseProfiledata::SystemWords words = m_document.ReadSystemStages();
    SetPointerSpeed(Half(words[kWordDoubleClickSpeed], true));
    SetPointerPrecision(Half(words[kWordPrecisionPage], false) != 0);
    SetDoubleClick(Half(words[kWordDoubleClickSpeed], false));
    SetScroll(Half(words[kWordPrecisionPage], true) != 0, Half(words[kWordLinesRate], false));
    SelectReportRate(Half(words[kWordLinesRate], true));
}

void MouseSettings::ShowDeviceTip(int mode) {
    if (ui::Control* tip = m_page.FindSubControl("device_tishi_info")) {
        tip->SetVisible(mode == 1 || mode == 2 || mode == 4);
    }
}

void MouseSettings::TakeStagesFromDocument() {
    m_document.ReloadDpiStages();
}

// --- control events ----------------------------------------------------------------------

DpiStage* MouseSettings::GrownStage(std::vector<DpiStage>& stages, int n) {
    if (n < 0 || n >= kStageCount) {
        return nullptr;
    }
    if (static_cast<int>(stages.size()) <= n) {
        stages.resize(static_cast<size_t>(n) + 1);
    }
    return &stages[static_cast<size_t>(n)];
}

Change MouseSettings::StoreStage(int n, void (*change)(DpiStage&, int), int value) {
    std::vector<DpiStage> stages = m_document.GetDpiStages();
    DpiStage* stage = GrownStage(stages, n);
    if (stage == nullptr) {
        platform::trace::Format("stage %d is beyond the five the mouse has; not stored", n);
        return Change::None;
    }
    change(*stage, value);
    m_document.WriteDpiStages(stages);
    return Change::StoredAndUpload;
}

Change MouseSettings::OnStageSlider(int n) {
    if (n < 0 || n >= kStageCount) {
        return Change::None;
    }
    const int v = GetStageSlider(n);
    ShowStageValue(n, v);
    return StoreStage(
        n, [](DpiStage& s, int value) { s.dpiX = static_cast<uint16_t>(value); },
        std::clamp(v, 0, static_cast<int>(std::numeric_limits<uint16_t>::max())));
}

void MouseSettings::OnStageSliderMove(int n) {
    if (n >= 0 && n < kStageCount) {
        ShowStageValue(n, GetStageSlider(n));
    }
}

Change MouseSettings::OnStageEdit(int n) {
    if (n < 0 || n >= kStageCount) {
        return Change::None;
    }
    if (m_scale.step <= 0) {
        // The device never told its DPI step: the typed value cannot be
        // turned into steps, so the stage keeps its value.
        ShowStageValue(n, GetStageSlider(n));
        return Change::None;
    }
    int v = GetStageText(n) / m_scale.step;
    if (m_scale.count > 0) {
        v = std::min(v, m_scale.count);
    }
    v = std::clamp(v, 0, static_cast<int>(std::numeric_limits<uint16_t>::max()));
    ShowStageValue(n, v);
    return StoreStage(
        n, [](DpiStage& s, int value) { s.dpiX = static_cast<uint16_t>(value); }, v);
}

Change MouseSettings::OnStageCheck(int n) {
    if (n < 0 || n >= kStageCount) {
        return Change::None;
    }
    const bool on = IsStageChecked(n);
    SetStageEnabled(n, on);
    return StoreStage(
        n, [](DpiStage& s, int value) { s.enabled = static_cast<uint8_t>(value); }, on ? 1 : 0);
}

void MouseSettings::WriteWords(int word, bool high, int value) {
    CMouseProfiledata::SystemWords words = m_document.ReadSystemStages();
    const auto half = static_cast<uint32_t>(static_cast<uint16_t>(value));
    uint32_t& w = words[static_cast<size_t>(word)];
    w = high ? (w & 0xFFFFu) | half << 16 : (w & 0xFFFF0000u) | half;
    m_document.WriteSystemStages(words);
}

Change MouseSettings::OnReportRate(int n) {
    if (n < 0 || n >= kReportRateCount) {
        // An option the mouse does not have: nothing the device could take.
        return Change::None;
    }
    SelectReportRate(n);
    WriteWords(kWordLinesRate, true, n);
    return Change::StoredAndUpload;
}

Change MouseSettings::OnPointerSpeed() {
    const int v = GetPointerSpeed();
    WriteWords(kWordDoubleClickSpeed, true, v);
    Apply(Setting::PointerSpeed, units::PointerSpeedFromSlider(v));
    return Change::Stored;
}

Change MouseSettings::OnPointerPrecision() {
    const bool on = GetPointerPrecision();
    WriteWords(kWordPrecisionPage, false, on ? 1 : 0);
    Apply(Setting::PointerAcceleration, on ? 1 : 0);
    return Change::Stored;
}

Change MouseSettings::OnScrollLines() {
    const int v = GetScrollLines();
    SetScroll(false, v);
    WriteWords(kWordLinesRate, false, v);
    WriteWords(kWordPrecisionPage, true, 0);
    Apply(Setting::WheelLines, units::WheelLinesFromSlider(v, false));
    return Change::Stored;
}

Change MouseSettings::OnScrollPage() {
    const int v = GetScrollLines();
    const bool pageWise = GetScrollPageWise();
    SetScroll(pageWise, v);
    WriteWords(kWordLinesRate, false, v);
    WriteWords(kWordPrecisionPage, true, pageWise ? 1 : 0);
    Apply(Setting::WheelLines, units::WheelLinesFromSlider(v, pageWise));
    return Change::Stored;
}

Change MouseSettings::OnDoubleClick() {
    const int v = GetDoubleClick();
    WriteWords(kWordDoubleClickSpeed, false, v);
    Apply(Setting::DoubleClickTime, units::DoubleClickMsFromSlider(v, GetDoubleClickMax()));
    return Change::Stored;
}

void MouseSettings::OnMirrorEdit(int n) {
    ui::Edit* edit = EditNamed(Indexed("orvix_DPI_edit_", n));
    if (edit == nullptr) {
        return;
    }
    const int t = std::clamp(LeadingDecimal(edit->GetText()), kMirrorMinimum, kMirrorMaximum);
    edit->SetText(std::to_string(t));
    if (ui::Slider* slider = SliderNamed(Indexed("orvix_DPI_slider_", n))) {
        slider->SetValue(t, ui::Notify::No);
    }
}

void MouseSettings::OnMirrorSlider(int n) {
    ui::Slider* slider = SliderNamed(Indexed("orvix_DPI_slider_", n));
    ui::Edit* edit = EditNamed(Indexed("orvix_DPI_edit_", n));
    if (slider != nullptr && edit != nullptr) {
        edit->SetText(std::to_string(slider->GetValue()));
    }
}

// --- desktop settings --------------------------------------------------------------------

void MouseSettings::Apply(Setting setting, int value) {
    if (m_applier == nullptr) {
        return;
    }
    ui::Window* window = m_page.GetWindow();
    if (window == nullptr) {
        ShowDesktopResult(setting, m_applier->Apply(setting, value));
        return;
    }
    // The helper reports on the UI thread, and only while the page exists.
    ui::Dispatcher* dispatcher = &window->Context().dispatcher;
    const ui::ControlHandle page = m_page.Handle();
    m_applier->ApplyAsync(setting, value,
                          [this, dispatcher, page](Setting s, int, const ApplyResult& result) {
                              dispatcher->Post([this, page, s, result] {
                                  if (page.IsAlive()) {
                                      ShowDesktopResult(s, result);
                                  }
                              });
                          });
}

void MouseSettings::ShowDesktopResult(Setting setting, const ApplyResult& result) {
    const size_t slot = static_cast<size_t>(setting);
    const char* noteName = NoteName(setting);
    ui::Control* note = noteName != nullptr ? m_page.FindSubControl(noteName) : nullptr;
    switch (result.code) {
        case ApplyCode::Applied:
            if (note != nullptr && !m_toldMissing[slot]) {
                note->SetVisible(false);  // an earlier refusal no longer holds
            }
            return;
        case ApplyCode::NotOffered:
            if (m_toldMissing[slot]) {
                return;  // said once; the value stays in the profile
            }
            m_toldMissing[slot] = true;
            platform::trace::Format("desktop has no %s: %s",
                                    std::string(platform::settings::SettingName(setting)).c_str(),
                                    result.context.c_str());
            if (note != nullptr) {
                note->SetTextKey("desktop_setting_not_offered_text");
                note->SetVisible(true);
            }
            return;
        case ApplyCode::Failed:
            platform::trace::Format("desktop refused the %s: %s",
                                    std::string(platform::settings::SettingName(setting)).c_str(),
                                    result.context.c_str());
            if (note != nullptr) {
                const ui::Window* window = m_page.GetWindow();
                const std::string* lead =
                    window != nullptr
                        ? window->Context().language.Find("desktop_setting_failed_text")
                        : nullptr;
                note->SetText(
                    (lead != nullptr ? *lead : std::string("desktop_setting_failed_text")) + " " +
                    result.context);
                note->SetVisible(true);
            }
            return;
    }
}

}  // namespace mouse
