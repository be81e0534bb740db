#include "shell/controls/device_key_button.h"

#include <algorithm>
#include <cstdio>

#include "platform/ui/label.h"

namespace {

constexpr ui::Color kSelectFrame{0xFF0099FF};
constexpr int kSelectFrameWidth = 2;
// Inset of the LED colour inside the key, so the key's edge stays visible.
constexpr int kLedInset = 3;
constexpr int kGlowHeight = 4;
// Buttons this small are LED dots rather than keys.
constexpr int kSmallLed = 24;

}  // namespace

void CDeviceKeyButtonUI::SetLightOn(bool on) {
    if (m_light != on) {
        m_light = on;
        Invalidate();
    }
}

void CDeviceKeyButtonUI::SetKeySetFlag(int flag) {
    if (m_keySet != flag) {
        m_keySet = flag;
        Invalidate();
    }
}

void CDeviceKeyButtonUI::SetKeySelected(bool selected) {
    if (m_selected != selected) {
        m_selected = selected;
        Invalidate();
    }
}

void CDeviceKeyButtonUI::ShowKeyTexts(const std::string& name, const std::string& assignment) {
    m_keyName = name;
    m_assignment = assignment;
    SetTooltip(assignment.empty() ? name : name + "\n" + assignment);
}

void CDeviceKeyButtonUI::ShowLed(uint32_t color, uint8_t alpha, bool lit) {
    if (m_ledColor == color && m_ledAlpha == alpha && m_ledLit == lit) {
        return;  // frames repeat the same colours most of the time
    }
    m_ledColor = color;
    m_ledAlpha = alpha;
    m_ledLit = lit;
    Invalidate();
}

ui::Color CDeviceKeyButtonUI::LedArgb() const {
    const auto red = static_cast<uint8_t>(m_ledColor);
    const auto blue = static_cast<uint8_t>(m_ledColor >> 8);
    const auto green = static_cast<uint8_t>(m_ledColor >> 16);
    return ui::Color::FromArgb(m_ledAlpha, red, green, blue);
}

void CDeviceKeyButtonUI::PaintLed(ui::Painter& painter, const ui::Rect& r) const {
    const ui::Rect inner{r.left + kLedInset, r.top + kLedInset, r.right - kLedInset,
                         r.bottom - kLedInset};
    if (inner.IsEmpty()) {
        return;
    }
    if (std::min(r.Width(), r.Height()) <= kSmallLed) {
        // A lone LED on a device picture: the whole dot glows, kept round
        // even when the host stretched the button.
        const int side = std::min(inner.Width(), inner.Height());
        const int left = inner.left + (inner.Width() - side) / 2;
        const int top = inner.top + (inner.Height() - side) / 2;
        painter.FillEllipse(ui::Rect{left, top, left + side, top + side}, LedArgb());
        return;
    }
    // A key shows its LED as a frame and an under-glow strip, leaving the
    // label (drawn by the host beneath) readable in every colour.
    painter.DrawRect(inner, LedArgb(), 1);
    painter.FillRect(ui::Rect{inner.left, inner.bottom - kGlowHeight, inner.right, inner.bottom},
                     LedArgb());
}

void CDeviceKeyButtonUI::Paint(ui::Painter& painter) {
    const ui::Rect r = GetHostRect();
    if (r.IsEmpty()) {
        return;
    }
    if (m_ledLit && m_ledAlpha > 0) {
        PaintLed(painter, r);
    }
    if (m_light && !m_lightImage.empty()) {
        painter.DrawImage(m_lightImage, r, std::nullopt,
                          m_selected ? kLightFadeSelected : kLightFade);
    }
    if (m_keySet != 0 && !m_keySetImage.empty()) {
        painter.DrawImage(m_keySetImage, r, std::nullopt, 255);
    }
    if (m_selected) {
        painter.DrawRect(r, kSelectFrame, kSelectFrameWidth);
    }
}

bool CDeviceKeyButtonUI::HandleInput(const ui::InputEvent& event) {
    if (event.type == ui::InputEvent::Type::DoubleClick && IsEnabled() &&
        GetHostRect().Contains(event.pos)) {
        SendNotify(ui::notify::kDoubleClick);
        return true;
    }
    return false;
}

const ui::AttributeTable& CDeviceKeyButtonUI::Attributes() const {
    static const ui::AttributeTable table = [] {
        ui::AttributeTable t(&ui::Label::LabelAttributes());
        t.Add("lightimage", [](ui::Control& c, std::string_view v) {
            static_cast<CDeviceKeyButtonUI&>(c).m_lightImage = std::string(v);
            return true;
        });
        t.Add("keysetimage", [](ui::Control& c, std::string_view v) {
            static_cast<CDeviceKeyButtonUI&>(c).m_keySetImage = std::string(v);
            return true;
        });
        t.Add("gmnametextcolor", [](ui::Control&, std::string_view) { return true; });
        return t;
    }();
    return table;
}

std::vector<std::string> CDeviceKeyButtonUI::ScriptPropertyNames() const {
    return {"color", "alpha", "lit", "keyset"};
}

std::optional<std::vector<std::string>> CDeviceKeyButtonUI::ScriptProperty(
    std::string_view name) const {
    if (name == "color") {
        char rgb[8];
        std::snprintf(rgb, sizeof rgb, "#%02x%02x%02x", m_ledColor & 0xFF,
                      (m_ledColor >> 16) & 0xFF, (m_ledColor >> 8) & 0xFF);
        return std::vector<std::string>{rgb};
    }
    if (name == "alpha") {
        return std::vector<std::string>{std::to_string(m_ledAlpha)};
    }
    if (name == "lit") {
        return std::vector<std::string>{m_ledLit ? "true" : "false"};
    }
    if (name == "keyset") {
        return std::vector<std::string>{std::to_string(m_keySet)};
    }
    return std::nullopt;
}
