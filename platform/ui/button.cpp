#include "platform/ui/button.h"

#include <vector>

#include "platform/ui/container.h"
#include "platform/ui/window.h"

namespace ui {

void Button::UserClick() {
    if (IsEnabled()) {
        SendNotify(notify::kClick);
    }
}

void Button::UserDoubleClick() {
    if (IsEnabled()) {
        SendNotify(notify::kDoubleClick);
    }
}

void Option::SetSelected(bool selected, Notify notify) {
    if (selected == m_selected) {
        return;
    }
    std::vector<ControlHandle> deselected;
    Window* window = GetWindow();
    if (selected && window != nullptr && !m_group.empty()) {
        for (Option* other : window->GetOptionGroup(m_group)) {
            if (other != this && other->m_selected) {
                other->m_selected = false;
                other->Changed(Property::Selected);
                deselected.push_back(other->Handle());
            }
        }
    }
    m_selected = selected;
    Changed(Property::Selected);
    ControlHandle self = Handle();
    SyncBoundTab();
    if (notify == Notify::No) {
        return;
    }
    // The deselected member hears first, then the newly selected one.
    for (const ControlHandle& handle : deselected) {
        if (Control* other = handle.Get()) {
            other->SendNotify(notify::kSelectChanged);
        }
    }
    if (self.IsAlive()) {
        SendNotify(notify::kSelectChanged);
    }
}

void Option::SetGroup(std::string group) {
    if (group == m_group) {
        return;
    }
    std::string old = std::exchange(m_group, std::move(group));
    if (Window* window = GetWindow()) {
        window->RegroupOption(*this, old);
    }
    Changed(Property::Group);
}

void Option::BindTab(std::string tabLayoutName, int index) {
    m_bindTabName = std::move(tabLayoutName);
    m_bindTabIndex = index;
    Changed(Property::Group);
    SyncBoundTab();
}

void Option::UserClick() {
    if (!IsEnabled()) {
        return;
    }
    ControlHandle self = Handle();
    SendNotify(notify::kClick);
    if (!self.IsAlive()) {
        return;
    }
    if (m_group.empty()) {
        SetSelected(!m_selected);
    } else if (!m_selected) {
        SetSelected(true);
    }
}

void Option::SyncBoundTab() {
    Window* window = GetWindow();
    if (!m_selected || window == nullptr || m_bindTabName.empty()) {
        return;
    }
    if (auto* tab = window->FindControl<TabLayout>(m_bindTabName)) {
        tab->SelectItem(m_bindTabIndex);
    }
}

void Option::OnAttached(Window& window) {
    window.RegisterOption(*this);
}

void Option::OnDetaching(Window& window) {
    window.UnregisterOption(*this);
}

const AttributeTable& Option::Attributes() const {
    return OptionAttributes();
}

const AttributeTable& Option::OptionAttributes() {
    static const AttributeTable table = [] {
        AttributeTable t(&Label::LabelAttributes());
        t.Add("group", [](Control& c, std::string_view v) {
            static_cast<Option&>(c).SetGroup(std::string(v));
            return true;
        });
        t.Add("selected", [](Control& c, std::string_view v) {
            auto b = ParseBool(v);
            if (b)
                static_cast<Option&>(c).SetSelected(*b, Notify::No);
            return b.has_value();
        });
        t.Add("bindtablayoutname", [](Control& c, std::string_view v) {
            auto& option = static_cast<Option&>(c);
            option.BindTab(std::string(v), option.GetBoundTabIndex());
            return true;
        });
        t.Add("bindtabindex", [](Control& c, std::string_view v) {
            auto i = ParseInt(v);
            auto& option = static_cast<Option&>(c);
            if (i)
                option.BindTab(option.GetBoundTabName(), *i);
            return i.has_value();
        });
        return t;
    }();
    return table;
}

}  // namespace ui
