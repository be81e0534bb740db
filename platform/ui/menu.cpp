#include "platform/ui/menu.h"

namespace ui {

void MenuElement::SetChecked(bool checked) {
    if (checked != m_checked) {
        m_checked = checked;
        Changed(Property::Selected);
    }
}

void MenuElement::SetSeparator(bool separator) {
    if (separator != m_separator) {
        m_separator = separator;
        Changed(Property::Custom);
    }
}

std::vector<MenuElement*> MenuElement::SubItems() const {
    std::vector<MenuElement*> out;
    for (size_t i = 0; i < GetCount(); ++i) {
        out.push_back(static_cast<MenuElement*>(GetItemAt(i)));
    }
    return out;
}

bool MenuElement::Accepts(const Control& child) const {
    return dynamic_cast<const MenuElement*>(&child) != nullptr;
}

const AttributeTable& MenuElement::Attributes() const {
    static const AttributeTable table = [] {
        AttributeTable t(&Container::ContainerAttributes());
        t.Add("checked", [](Control& c, std::string_view v) {
            auto b = ParseBool(v);
            if (b)
                static_cast<MenuElement&>(c).SetChecked(*b);
            return b.has_value();
        });
        t.Add("separator", [](Control& c, std::string_view v) {
            auto b = ParseBool(v);
            if (b)
                static_cast<MenuElement&>(c).SetSeparator(*b);
            return b.has_value();
        });
        return t;
    }();
    return table;
}

std::vector<MenuElement*> Menu::Items() const {
    std::vector<MenuElement*> out;
    for (int i = 0; i < GetItemCount(); ++i) {
        if (auto* element = dynamic_cast<MenuElement*>(GetItem(i))) {
            out.push_back(element);
        }
    }
    return out;
}

namespace {
MenuElement* FindIn(const std::vector<MenuElement*>& items, std::string_view name) {
    for (MenuElement* item : items) {
        if (item->GetName() == name) {
            return item;
        }
        if (MenuElement* found = FindIn(item->SubItems(), name)) {
            return found;
        }
    }
    return nullptr;
}
}  // namespace

MenuElement* Menu::FindItem(std::string_view name) const {
    return FindIn(Items(), name);
}

}  // namespace ui
