#include "shell/controls/select_panel.h"

#include <algorithm>

#include "shell/controls/device_key_button.h"

std::optional<ui::Rect> CSelectPanelUI::GetBand() const {
    if (!m_dragging) {
        return std::nullopt;
    }
    // +1 on the far edges: a band dragged from a point to the same point
    // still covers that pixel, and the edge under the cursor is included.
    return ui::Rect{std::min(m_anchor.x, m_current.x), std::min(m_anchor.y, m_current.y),
                    std::max(m_anchor.x, m_current.x) + 1, std::max(m_anchor.y, m_current.y) + 1};
}

std::vector<CDeviceKeyButtonUI*> CSelectPanelUI::KeyButtons() const {
    std::vector<CDeviceKeyButtonUI*> keys;
    for (ui::Control* c : FindSubControlsByClass(CDeviceKeyButtonUI::kClassName)) {
        if (auto* key = dynamic_cast<CDeviceKeyButtonUI*>(c)) {
            keys.push_back(key);
        }
    }
    return keys;
}

std::vector<CDeviceKeyButtonUI*> CSelectPanelUI::SelectInBand(const ui::Rect& band) {
    std::vector<CDeviceKeyButtonUI*> selected;
    for (CDeviceKeyButtonUI* key : KeyButtons()) {
        // A hidden key has no place on the picture and cannot be caught.
        const bool hit = key->IsVisibleInTree() && !key->GetHostRect().IsEmpty() &&
                         key->GetHostRect().Intersects(band);
        key->SetKeySelected(hit);
        if (hit) {
            selected.push_back(key);
        }
    }
    SendNotify(kSelectEnd);
    return selected;
}

void CSelectPanelUI::ClearSelection() {
    for (CDeviceKeyButtonUI* key : KeyButtons()) {
        key->SetKeySelected(false);
    }
}

void CSelectPanelUI::Paint(ui::Painter& painter) {
    const ui::Rect r = GetHostRect();
    if (auto back = GetColor(ui::ColorRole::Background)) {
        painter.FillRect(r, *back);
    }
    const std::string& image = GetImage(ui::ImageState::Background);
    if (!image.empty()) {
        painter.DrawImage(image, r, std::nullopt, 255);
    }
    if (auto band = GetBand()) {
        painter.FillRect(*band, kBandFill);
        painter.DrawRect(*band, kBandBorder, kBandBorderWidth);
    }
}

bool CSelectPanelUI::HandleInput(const ui::InputEvent& event) {
    using Type = ui::InputEvent::Type;
    switch (event.type) {
        case Type::ButtonDown:
            if ((event.button & ui::InputEvent::kLeft) == 0 || !IsEnabled()) {
                return false;
            }
            m_dragging = true;
            m_anchor = m_current = event.pos;
            Invalidate();
            return true;
        case Type::Move:
            if (!m_dragging) {
                return false;
            }
            m_current = event.pos;
            Invalidate();
            return true;
        case Type::ButtonUp: {
            if (!m_dragging) {
                return false;
            }
            m_current = event.pos;
            const ui::Rect band = *GetBand();
            m_dragging = false;
            Invalidate();
            SelectInBand(band);
            return true;
        }
        default:
            return false;
    }
}
