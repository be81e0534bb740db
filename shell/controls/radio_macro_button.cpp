#include "shell/controls/radio_macro_button.h"

#include <algorithm>
#include <string>

#include "platform/ui/label.h"

bool CRedioMacroButtonUI::StartRecording() {
    if (!SetTimer(kPulseTimer, kPulseIntervalMs, ui::TimerKind::Periodic)) {
        return false;
    }
    m_recording = true;
    m_fade = kFadeHigh;
    m_direction = -1;
    ShowFade();
    return true;
}

void CRedioMacroButtonUI::StopRecording() {
    KillTimer(kPulseTimer);
    m_recording = false;
    m_fade = kFadeHigh;
    SetImage(ui::ImageState::Fore, "");
}

void CRedioMacroButtonUI::OnTimer(int id) {
    if (id != kPulseTimer || !m_recording) {
        ui::Button::OnTimer(id);
        return;
    }
    m_fade += m_direction * kFadeStep;
    // Turn at the bounds; the bound itself is shown for one tick.
    if (m_fade <= kFadeLow) {
        m_fade = kFadeLow;
        m_direction = 1;
    } else if (m_fade >= kFadeHigh) {
        m_fade = kFadeHigh;
        m_direction = -1;
    }
    ShowFade();
}

void CRedioMacroButtonUI::OnDetaching(ui::Window& window) {
    // The timer dies with the window link; keep the state honest.
    m_recording = false;
    ui::Button::OnDetaching(window);
}

void CRedioMacroButtonUI::ShowFade() {
    if (m_image.empty()) {
        return;
    }
    SetImage(ui::ImageState::Fore,
             "res='" + m_image + "' fade='" + std::to_string(std::clamp(m_fade, 0, 255)) + "'");
}

const ui::AttributeTable& CRedioMacroButtonUI::Attributes() const {
    static const ui::AttributeTable table = [] {
        ui::AttributeTable t(&ui::Label::LabelAttributes());
        t.Add("redioimage", [](ui::Control& c, std::string_view v) {
            static_cast<CRedioMacroButtonUI&>(c).SetRedioImage(std::string(v));
            return true;
        });
        return t;
    }();
    return table;
}
