#include "platform/ui/label.h"

namespace ui {

void Label::SetAlign(TextAlign align) {
    if (align != m_align) {
        m_align = align;
        Changed(Property::Text);
    }
}

void Label::SetMultiLine(bool multiLine) {
    if (multiLine != m_multiLine) {
        m_multiLine = multiLine;
        Changed(Property::Text);
    }
}

void Label::SetTextPadding(const Padding& padding) {
    if (!(padding == m_textPadding)) {
        m_textPadding = padding;
        Changed(Property::Geometry);
    }
}

const AttributeTable& Label::Attributes() const {
    return LabelAttributes();
}

const AttributeTable& Label::LabelAttributes() {
    static const AttributeTable table = [] {
        AttributeTable t(&Control::ControlAttributes());
        t.Add("align", [](Control& c, std::string_view v) {
            auto& label = static_cast<Label&>(c);
            if (EqualsNoCase(v, "left")) {
                label.SetAlign(TextAlign::Left);
            } else if (EqualsNoCase(v, "center")) {
                label.SetAlign(TextAlign::Center);
            } else if (EqualsNoCase(v, "right")) {
                label.SetAlign(TextAlign::Right);
            } else {
                return false;
            }
            return true;
        });
        t.Add("multiline", [](Control& c, std::string_view v) {
            auto b = ParseBool(v);
            if (b)
                static_cast<Label&>(c).SetMultiLine(*b);
            return b.has_value();
        });
        t.Add("textpadding", [](Control& c, std::string_view v) {
            auto r = ParseRect(v);
            if (r)
                static_cast<Label&>(c).SetTextPadding(*r);
            return r.has_value();
        });
        return t;
    }();
    return table;
}

}  // namespace ui
