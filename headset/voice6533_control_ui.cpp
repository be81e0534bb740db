#include "headset/voice6533_control_ui.h"

#include "platform/ui/button.h"
#include "platform/ui/edit.h"
#include "platform/ui/list.h"
#include "platform/ui/range_controls.h"

namespace {

using ui::Notify;

std::string PresetName(int n) {
    return "6533_eq_option_" + std::to_string(n);
}

std::string BandName(int band) {
    return "6533_eq_hz_slider_" + std::to_string(band);
}

// The controls that reach the headset's audio, off together when it cannot be reached.
constexpr const char* kAudioControls[] = {"custom_eq_option_layout", "6533_MicIn_option",
                                          "6533_MicIn_slider", "6533_MicMoniter_option",
                                          "6533_MicMoniter_slider"};

}  // namespace

ui::Option* CVoice6533ControlUI::OptionNamed(const std::string& name) const {
    return FindSubControl<ui::Option>(name);
}

ui::Slider* CVoice6533ControlUI::SliderNamed(const std::string& name) const {
    return FindSubControl<ui::Slider>(name);
}

ui::Combo* CVoice6533ControlUI::Names() const {
    return FindSubControl<ui::Combo>("custom_eq_name_combo");
}

// --- presets and bands -------------------------------------------------------------------

void CVoice6533ControlUI::SelectPreset(int n) {
    for (int i = 1; i <= kPresetOptions; ++i) {
        if (ui::Option* option = OptionNamed(PresetName(i))) {
            option->SetSelected(false, Notify::No);
        }
    }
    m_preset = n >= 1 && n <= kPresetOptions ? n : 0;
    if (ui::Option* option = m_preset != 0 ? OptionNamed(PresetName(m_preset)) : nullptr) {
        option->SetSelected(true, Notify::No);
    }
}

void CVoice6533ControlUI::SetBand(int band, int value) {
    if (ui::Slider* slider = SliderNamed(BandName(band))) {
        slider->SetValue(value, Notify::No);
    }
}

int CVoice6533ControlUI::GetBand(int band) const {
    const ui::Slider* slider = SliderNamed(BandName(band));
    return slider != nullptr ? slider->GetValue() : -1;
}

void CVoice6533ControlUI::EnableCustomControls(bool enable) {
    if (ui::Control* layout = FindSubControl("custom_eq_option_layout")) {
        layout->SetEnabled(enable);
    }
}

// --- microphone and monitoring ----------------------------------------------------------------

void CVoice6533ControlUI::SetMicOption(bool selected) {
    if (ui::Option* option = OptionNamed("6533_MicIn_option")) {
        option->SetSelected(selected, Notify::No);
    }
}

void CVoice6533ControlUI::SetMonitorOption(bool selected) {
    if (ui::Option* option = OptionNamed("6533_MicMoniter_option")) {
        option->SetSelected(selected, Notify::No);
    }
}

void CVoice6533ControlUI::SetMicLevel(int value) {
    if (ui::Slider* slider = SliderNamed("6533_MicIn_slider")) {
        slider->SetValue(value, Notify::No);
    }
}

int CVoice6533ControlUI::GetMicLevel() const {
    const ui::Slider* slider = SliderNamed("6533_MicIn_slider");
    return slider != nullptr ? slider->GetValue() : -1;
}

void CVoice6533ControlUI::SetMonitorLevel(int value) {
    if (ui::Slider* slider = SliderNamed("6533_MicMoniter_slider")) {
        slider->SetValue(value, Notify::No);
    }
}

int CVoice6533ControlUI::GetMonitorLevel() const {
    const ui::Slider* slider = SliderNamed("6533_MicMoniter_slider");
    return slider != nullptr ? slider->GetValue() : -1;
}

// --- custom presets ------------------------------------------------------------------------------

void CVoice6533ControlUI::SetNameField(const std::string& text) {
    if (ui::Control* edit = FindSubControl("custom_eq_name_edit")) {
        edit->SetText(text);
    }
}

std::string CVoice6533ControlUI::GetNameField() const {
    const ui::Control* edit = FindSubControl("custom_eq_name_edit");
    return edit != nullptr ? edit->GetText() : std::string();
}

void CVoice6533ControlUI::AddName(const std::string& name) {
    if (ui::Combo* combo = Names()) {
        if (ui::ListLabelElement* item = combo->AddTextItem(name, {}, kItemHeight)) {
            item->SetTooltip(name);
        }
    }
}

int CVoice6533ControlUI::GetSelection() const {
    const ui::Combo* combo = Names();
    return combo != nullptr ? combo->GetCurSel() : -1;
}

int CVoice6533ControlUI::GetNameCount() const {
    const ui::Combo* combo = Names();
    return combo != nullptr ? combo->GetItemCount() : 0;
}

void CVoice6533ControlUI::SelectName(int i) {
    if (ui::Combo* combo = Names()) {
        combo->SelectItem(i, Notify::No);
    }
    SetNameField({});
}

void CVoice6533ControlUI::RemoveName(int i) {
    ui::Combo* combo = Names();
    if (combo == nullptr || i < 0 || i >= combo->GetItemCount()) {
        return;
    }
    // The selection goes first, so the list never points past its items.
    if (combo->GetCurSel() >= i) {
        combo->SelectItem(-1, Notify::No);
    }
    combo->Remove(combo->GetItemAt(static_cast<size_t>(i)));
}

void CVoice6533ControlUI::RemoveAllNames() {
    if (ui::Combo* combo = Names()) {
        combo->SelectItem(-1, Notify::No);
        combo->RemoveAll();
    }
}

std::string CVoice6533ControlUI::GetName(int i) const {
    const ui::Combo* combo = Names();
    const ui::ListElement* item = combo != nullptr ? combo->GetItem(i) : nullptr;
    return item != nullptr ? item->GetText() : std::string();
}

// --- availability
// -----------------------------------------------------------------------------------

void CVoice6533ControlUI::EnableAudio(bool enable, const std::string& reason) {
    for (int i = 1; i <= kPresetOptions; ++i) {
        if (ui::Option* option = OptionNamed(PresetName(i))) {
            option->SetEnabled(enable);
        }
    }
    for (int band = 0; band < kBands; ++band) {
        if (ui::Slider* slider = SliderNamed(BandName(band))) {
            slider->SetEnabled(enable);
        }
    }
    for (const char* name : kAudioControls) {
        if (ui::Control* control = FindSubControl(name)) {
            control->SetEnabled(enable);
        }
    }
    if (ui::Control* status = FindSubControl("hs_audio_status_text")) {
        status->SetText(enable ? std::string() : reason);
        status->SetVisible(!enable);
    }
}

void CVoice6533ControlUI::SetEqualizerStatus(const std::string& key) {
    if (ui::Control* status = FindSubControl("hs_eq_status_text")) {
        if (key.empty()) {
            status->SetText({});
        } else {
            status->SetTextKey(key);
        }
        status->SetVisible(!key.empty());
    }
}
