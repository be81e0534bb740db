#include "platform/ui/range_controls.h"

namespace ui {

int Progress::Clamp(int value) const {
    if (value < m_min) {
        return m_min;
    }
    return value > m_max ? m_max : value;
}

void Progress::SetRange(int minValue, int maxValue) {
    if (maxValue < minValue) {
        maxValue = minValue;
    }
    if (minValue != m_min || maxValue != m_max) {
        m_min = minValue;
        m_max = maxValue;
        Changed(Property::Range);
    }
    int clamped = Clamp(m_value);
    if (clamped != m_value) {
        m_value = clamped;
        Changed(Property::Value);
    }
}

void Progress::SetValue(int value, Notify notify) {
    value = Clamp(value);
    if (value == m_value) {
        return;
    }
    m_value = value;
    Changed(Property::Value);
    OnValueSet(notify);
}

void Progress::SetHorizontal(bool horizontal) {
    if (horizontal != m_horizontal) {
        m_horizontal = horizontal;
        Changed(Property::Range);
    }
}

const AttributeTable& Progress::Attributes() const {
    return ProgressAttributes();
}

const AttributeTable& Progress::ProgressAttributes() {
    static const AttributeTable table = [] {
        AttributeTable t(&Label::LabelAttributes());
        t.Add("min", [](Control& c, std::string_view v) {
            auto i = ParseInt(v);
            if (i)
                static_cast<Progress&>(c).SetMinValue(*i);
            return i.has_value();
        });
        t.Add("max", [](Control& c, std::string_view v) {
            auto i = ParseInt(v);
            if (i)
                static_cast<Progress&>(c).SetMaxValue(*i);
            return i.has_value();
        });
        t.Add("value", [](Control& c, std::string_view v) {
            auto i = ParseInt(v);
            if (i)
                static_cast<Progress&>(c).SetValue(*i, Notify::No);
            return i.has_value();
        });
        t.Add("hor", [](Control& c, std::string_view v) {
            auto b = ParseBool(v);
            if (b)
                static_cast<Progress&>(c).SetHorizontal(*b);
            return b.has_value();
        });
        return t;
    }();
    return table;
}

void Slider::SetStep(int step) {
    step = step < 1 ? 1 : step;
    if (step != m_step) {
        m_step = step;
        Changed(Property::Range);
    }
}

void Slider::SetThumbSize(Size size) {
    if (!(size == m_thumb)) {
        m_thumb = size;
        Changed(Property::Geometry);
    }
}

void Slider::UserDrag(int value) {
    if (!IsEnabled()) {
        return;
    }
    value = Clamp(value);
    if (value == m_value) {
        return;
    }
    m_value = value;
    Changed(Property::Value);
    SendNotify(notify::kMoveValueChanged);
}

void Slider::UserCommit(int value) {
    if (!IsEnabled()) {
        return;
    }
    value = Clamp(value);
    if (value != m_value) {
        m_value = value;
        Changed(Property::Value);
    }
    // The user settled on a value: say so even when a drag already showed it.
    SendNotify(notify::kValueChanged);
}

void Slider::OnValueSet(Notify notify) {
    if (notify == Notify::Yes) {
        SendNotify(notify::kValueChanged);
    }
}

const AttributeTable& Slider::Attributes() const {
    static const AttributeTable table = [] {
        AttributeTable t(&Progress::ProgressAttributes());
        t.Add("step", [](Control& c, std::string_view v) {
            auto i = ParseInt(v);
            if (i)
                static_cast<Slider&>(c).SetStep(*i);
            return i.has_value();
        });
        t.Add("thumbsize", [](Control& c, std::string_view v) {
            auto s = ParseSize(v);
            if (s)
                static_cast<Slider&>(c).SetThumbSize(*s);
            return s.has_value();
        });
        return t;
    }();
    return table;
}

}  // namespace ui
