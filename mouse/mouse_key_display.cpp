// The mouse page's key display: each key's function on its key button and in
// the key list beside the picture, and the lighting summary on the logo.
#include "mouse/mouse_buttons.h"
#include "mouse/mouse_device.h"
#include "platform/ui/label.h"
#include "platform/ui/list.h"

namespace {

std::unique_ptr<ui::Label> RowLabel(int width, uint32_t colour) {
    auto label = std::make_unique<ui::Label>();
    label->SetFixedWidth(width);
    label->SetColor(ui::ColorRole::Text, ui::Color{colour});
    return label;
}

}  // namespace

void CVeldmarkMouseDevice::RefreshKeyDisplay() {
    auto* list = FindSubControl<ui::ListBase>("device_setkeyinfo_list");
    if (list != nullptr) {
        list->SelectItem(-1, ui::Notify::No);
        list->RemoveAll();
    }
    const std::vector<KeyEntry>& keys = GetKeyList();
    const auto buttons = mouse::LogicalButtons();
    for (size_t i = 0; i < keys.size(); ++i) {
        const std::optional<std::string> text = KeyFunctionText(keys[i].current);
        ui::Control* button = KeyButton(static_cast<int>(i));
        if (!text || button == nullptr || i >= buttons.size()) {
            continue;
        }
        const std::string name = Translate(buttons[i].name);
        if (auto* view = dynamic_cast<KeyButtonView*>(button)) {
            view->ShowKeyTexts(name, *text);
        }
        ShowKeyRow(list, i, name, *text);
    }
    ShowLogoSummary();
}

// Rows are made up to row `index` (hidden and empty until a key fills them).
void CVeldmarkMouseDevice::ShowKeyRow(ui::Control* listControl, size_t index,
                                      const std::string& name, const std::string& text) {
    auto* list = dynamic_cast<ui::ListBase*>(listControl);
    if (list == nullptr) {
        return;
    }
    while (static_cast<size_t>(list->GetItemCount()) <= index) {
        auto row = std::make_unique<ui::ListContainerElement>();
        row->SetFixedHeight(kKeyRowHeight);
        row->SetVisible(false);
        row->Add(RowLabel(kKeyNameWidth, kKeyNameColor));
        auto textLabel = RowLabel(kKeyTextWidth, kKeyTextColor);
        textLabel->SetAttribute("endellipsis", "true");
        row->Add(std::move(textLabel));
        list->Add(std::move(row));
    }
    ui::ListElement* row = list->GetItem(static_cast<int>(index));
    row->GetItemAt(0)->SetText(name);
    row->GetItemAt(1)->SetText(text);
    row->SetVisible(IsVisible());
}

void CVeldmarkMouseDevice::ShowLogoSummary() {
    if (m_logo == nullptr) {
        return;
    }
    std::string summary = Translate("Light_Set") + "\n" + Translate("Overall_Light_Set");
    const size_t mode = m_lightInfo.mode;
    if (mode < mouse::kBuiltInModes) {
        if (mode < m_modeNames.size()) {
            summary += Translate(m_modeNames[mode]);
        }
    } else if (mode - mouse::kBuiltInModes < m_effectNames.size()) {
        summary += m_effectNames[mode - mouse::kBuiltInModes];
    }
    if (auto* view = dynamic_cast<KeyButtonView*>(m_logo)) {
        view->ShowKeyTexts("Logo", summary);
    }
}
