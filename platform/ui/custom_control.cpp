#include "platform/ui/custom_control.h"

namespace ui {

void ColorPalette::SetSelectColor(Color color, Notify notify) {
    if (color == m_color) {
        return;
    }
    m_color = color;
    Changed(Property::Value);
    if (notify == Notify::Yes) {
        SendNotify(notify::kColorChanged, static_cast<intptr_t>(color.argb));
    }
}

void ColorPalette::UserPick(Color color) {
    if (!IsEnabled()) {
        return;
    }
    if (color == m_color) {
        // The user confirmed the same colour; logic still hears of the choice.
        SendNotify(notify::kColorChanged, static_cast<intptr_t>(color.argb));
        return;
    }
    SetSelectColor(color, Notify::Yes);
}

const AttributeTable& ColorPalette::Attributes() const {
    static const AttributeTable table = [] {
        AttributeTable t(&Control::ControlAttributes());
        t.Add("selectcolor", [](Control& c, std::string_view v) {
            auto color = ParseColor(v);
            if (color)
                static_cast<ColorPalette&>(c).SetSelectColor(*color, Notify::No);
            return color.has_value();
        });
        return t;
    }();
    return table;
}

void CustomControl::SetPaintHook(PaintHook hook) {
    m_paint = std::move(hook);
    Changed(Property::Custom);
    Invalidate();
}

void CustomControl::Paint(Painter& painter) {
    if (m_paint) {
        m_paint(*this, painter);
    }
}

bool CustomControl::HandleInput(const InputEvent& event) {
    if (m_input && m_input(*this, event)) {
        return true;
    }
    return Control::HandleInput(event);
}

}  // namespace ui
