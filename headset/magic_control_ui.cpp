#include "headset/magic_control_ui.h"

#include "platform/ui/button.h"

namespace {

std::string EffectName(int n) {
    return "magic_option_" + std::to_string(n);
}

}  // namespace

void CMagicControlUI::EnableEffects(bool enable) {
    if (ui::Control* layout = FindSubControl("magic_option_layout")) {
        layout->SetEnabled(enable && m_audio);
    }
}

void CMagicControlUI::SetEffectOn(bool on) {
    if (auto* option = FindSubControl<ui::Option>("magic_enable_option")) {
        option->SetSelected(on, ui::Notify::No);
    }
}

bool CMagicControlUI::GetEffectOn() const {
    const auto* option = FindSubControl<ui::Option>("magic_enable_option");
    return option != nullptr && option->IsSelected();
}

void CMagicControlUI::SelectEffect(int n) {
    m_effect = n >= 1 && n <= kEffects ? n : 0;
    for (int i = 1; i <= kEffects; ++i) {
        if (auto* option = FindSubControl<ui::Option>(EffectName(i))) {
            option->SetSelected(i == m_effect, ui::Notify::No);
        }
    }
}

void CMagicControlUI::EnableAudio(bool enable, const std::string& reason) {
    m_audio = enable;
    if (ui::Control* option = FindSubControl("magic_enable_option")) {
        option->SetEnabled(enable);
    }
    if (!enable) {
        EnableEffects(false);
    }
    if (ui::Control* status = FindSubControl("hs_magic_status_text")) {
        status->SetText(enable ? std::string() : reason);
        status->SetVisible(!enable);
    }
}
