#include "platform/ui/edit.h"

#include <charconv>
#include <string>

#include "platform/ui/window.h"

namespace ui {
namespace {

// Cuts `text` after `maxChars` UTF-8 characters (continuation bytes do not count).
void CutToChars(std::string& text, int maxChars) {
    int count = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        bool starts = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
        if (starts && ++count > maxChars) {
            text.resize(i);
            return;
        }
    }
}

std::string DigitsOnly(std::string_view typed) {
    std::string out;
    for (char c : typed) {
        if (c >= '0' && c <= '9') {
            out.push_back(c);
        }
    }
    return out;
}

}  // namespace

void Edit::SetReadOnly(bool readOnly) {
    if (readOnly != m_readOnly) {
        m_readOnly = readOnly;
        Changed(Property::EditState);
    }
}

void Edit::SetMaxChars(int maxChars) {
    maxChars = maxChars < 0 ? 0 : maxChars;
    if (maxChars != m_maxChars) {
        m_maxChars = maxChars;
        Changed(Property::EditState);
    }
}

void Edit::SetNumberOnly(bool numberOnly) {
    if (numberOnly != m_numberOnly) {
        m_numberOnly = numberOnly;
        Changed(Property::EditState);
    }
}

void Edit::SetPassword(bool password) {
    if (password != m_password) {
        m_password = password;
        Changed(Property::EditState);
    }
}

void Edit::SetValueRange(std::optional<int> minValue, std::optional<int> maxValue) {
    if (minValue != m_minValue || maxValue != m_maxValue) {
        m_minValue = minValue;
        m_maxValue = maxValue;
        Changed(Property::EditState);
    }
}

std::string Edit::GetHint() const {
    if (m_hint.isKey && GetWindow() != nullptr) {
        return GetWindow()->Context().language.Resolve(m_hint.text);
    }
    return m_hint.text;
}

void Edit::SetHint(std::string text) {
    TextValue value{std::move(text), false};
    if (value != m_hint) {
        m_hint = std::move(value);
        Changed(Property::EditState);
    }
}

void Edit::SetHintKey(std::string key) {
    TextValue value{std::move(key), true};
    if (value != m_hint) {
        m_hint = std::move(value);
        Changed(Property::EditState);
    }
}

std::string Edit::UserSetText(std::string_view typed) {
    if (m_readOnly || !IsEnabled()) {
        return GetText();
    }
    std::string text = m_numberOnly ? DigitsOnly(typed) : std::string(typed);
    if (m_numberOnly && m_maxValue && !text.empty()) {
        // Only the upper bound applies while typing: a lower bound would turn
        // the first digit of a longer number into the minimum.
        long long value = 0;
        auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (ec == std::errc::result_out_of_range || value > *m_maxValue) {
            text = std::to_string(*m_maxValue);
        }
        (void)ptr;
    }
    if (m_maxChars > 0) {
        CutToChars(text, m_maxChars);
    }
    if (GetTextValue().isKey || text != GetTextValue().text) {
        SetText(text);
        SendNotify(notify::kTextChanged);
    }
    return text;
}

void Edit::UserReturn() {
    if (IsEnabled()) {
        SendNotify(notify::kReturn);
    }
}

const AttributeTable& Edit::Attributes() const {
    return EditAttributes();
}

const AttributeTable& Edit::EditAttributes() {
    static const AttributeTable table = [] {
        AttributeTable t(&Label::LabelAttributes());
        t.Add("readonly", [](Control& c, std::string_view v) {
            auto b = ParseBool(v);
            if (b)
                static_cast<Edit&>(c).SetReadOnly(*b);
            return b.has_value();
        });
        t.Add("numberonly", [](Control& c, std::string_view v) {
            auto b = ParseBool(v);
            if (b)
                static_cast<Edit&>(c).SetNumberOnly(*b);
            return b.has_value();
        });
        t.Add("password", [](Control& c, std::string_view v) {
            auto b = ParseBool(v);
            if (b)
                static_cast<Edit&>(c).SetPassword(*b);
            return b.has_value();
        });
        t.Add("maxchar", [](Control& c, std::string_view v) {
            auto i = ParseInt(v);
            if (i)
                static_cast<Edit&>(c).SetMaxChars(*i);
            return i.has_value();
        });
        t.Add("minvalue", [](Control& c, std::string_view v) {
            auto i = ParseInt(v);
            auto& e = static_cast<Edit&>(c);
            if (i)
                e.SetValueRange(*i, e.GetMaxValue());
            return i.has_value();
        });
        t.Add("maxvalue", [](Control& c, std::string_view v) {
            auto i = ParseInt(v);
            auto& e = static_cast<Edit&>(c);
            if (i)
                e.SetValueRange(e.GetMinValue(), *i);
            return i.has_value();
        });
        t.Add("hint", [](Control& c, std::string_view v) {
            static_cast<Edit&>(c).SetHint(std::string(v));
            return true;
        });
        t.Add("hintkey", [](Control& c, std::string_view v) {
            static_cast<Edit&>(c).SetHintKey(std::string(v));
            return true;
        });
        return t;
    }();
    return table;
}

}  // namespace ui
