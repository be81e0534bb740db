#include "platform/ui/list.h"

namespace ui {

// --- ListElement ---

ListBase* ListElement::GetOwner() const {
    return dynamic_cast<ListBase*>(GetParent());
}

int ListElement::GetIndex() const {
    ListBase* owner = GetOwner();
    return owner != nullptr ? owner->GetItemIndex(this) : -1;
}

void ListElement::SetSelectedState(bool selected) {
    if (selected != m_selected) {
        m_selected = selected;
        Changed(Property::Selected);
    }
}

void ListElement::UserPress(bool toggle) {
    ListBase* owner = GetOwner();
    if (!IsEnabled() || owner == nullptr) {
        return;
    }
    if (toggle && owner->IsMultiSelect()) {
        owner->ToggleItem(GetIndex());
    } else {
        owner->SelectItem(GetIndex());
    }
}

void ListElement::UserClick() {
    if (IsEnabled()) {
        SendNotify(notify::kItemClick);
    }
}

void ListElement::UserActivate() {
    if (!IsEnabled()) {
        return;
    }
    ControlHandle self = Handle();
    if (ListBase* owner = GetOwner()) {
        owner->SelectItem(GetIndex());
    }
    if (self.IsAlive()) {
        SendNotify(notify::kItemActivate);
    }
}

// --- ListBase ---

bool ListBase::Accepts(const Control& child) const {
    return dynamic_cast<const ListElement*>(&child) != nullptr;
}

ListElement* ListBase::GetItem(int index) const {
    if (index < 0) {
        return nullptr;
    }
    return static_cast<ListElement*>(GetItemAt(static_cast<size_t>(index)));
}

bool ListBase::SelectItem(int index, Notify notify) {
    if (index < -1 || index >= GetItemCount()) {
        return false;
    }
    if (index == m_curSel) {
        return true;
    }
    int previous = m_curSel;
    for (int i = 0; i < GetItemCount(); ++i) {
        GetItem(i)->SetSelectedState(i == index);
    }
    m_curSel = index;
    Changed(Property::SelectedIndex);
    if (notify == Notify::Yes) {
        SendNotify(notify::kItemSelect, index, previous);
    }
    return true;
}

bool ListBase::ToggleItem(int index, Notify notify) {
    if (!m_multiSelect) {
        return SelectItem(index, notify);
    }
    ListElement* item = GetItem(index);
    if (item == nullptr) {
        return false;
    }
    int previous = m_curSel;
    item->SetSelectedState(!item->IsSelected());
    if (item->IsSelected()) {
        m_curSel = index;
    } else if (m_curSel == index) {
        std::vector<int> rest = GetSelectedIndices();
        m_curSel = rest.empty() ? -1 : rest.back();
    }
    Changed(Property::SelectedIndex);
    if (notify == Notify::Yes) {
        SendNotify(notify::kItemSelect, m_curSel, previous);
    }
    return true;
}

std::vector<int> ListBase::GetSelectedIndices() const {
    std::vector<int> out;
    for (int i = 0; i < GetItemCount(); ++i) {
        if (GetItem(i)->IsSelected()) {
            out.push_back(i);
        }
    }
    return out;
}

void ListBase::SetMultiSelect(bool multi) {
    if (multi == m_multiSelect) {
        return;
    }
    m_multiSelect = multi;
    if (!multi) {
        for (int i = 0; i < GetItemCount(); ++i) {
            GetItem(i)->SetSelectedState(i == m_curSel);
        }
    }
    Changed(Property::Items);
}

void ListBase::SetItemHeight(int height) {
    height = height < 0 ? 0 : height;
    if (height != m_itemHeight) {
        m_itemHeight = height;
        Changed(Property::Items);
    }
}

ListLabelElement* ListBase::AddTextItem(std::string text, std::string userData, int height,
                                        bool textIsKey) {
    auto item = std::make_unique<ListLabelElement>();
    if (textIsKey) {
        item->SetTextKey(std::move(text));
    } else {
        item->SetText(std::move(text));
    }
    item->SetUserData(std::move(userData));
    if (height > 0) {
        item->SetFixedHeight(height);
    }
    return Add(std::move(item));
}

void ListBase::OnChildAdded(Control& child, size_t index) {
    if (child.GetFixedHeight() == 0 && m_itemHeight > 0) {
        child.SetFixedHeight(m_itemHeight);
    }
    auto& item = static_cast<ListElement&>(child);
    if (m_curSel >= static_cast<int>(index)) {
        ++m_curSel;  // the same item stays current
    }
    if (item.IsSelected()) {
        item.SetSelectedState(false);  // selection is the list's to give
    }
    if (m_curSel < 0 && m_requested == static_cast<int>(index)) {
        m_requested = -1;
        SelectItem(static_cast<int>(index), Notify::No);
    }
}

void ListBase::OnChildRemoving(Control& /*child*/, size_t index) {
    int i = static_cast<int>(index);
    if (i < m_curSel) {
        --m_curSel;
    } else if (i == m_curSel) {
        // The current item goes: nothing is selected (and nothing is raised).
        m_curSel = -1;
        Changed(Property::SelectedIndex);
    }
}

const AttributeTable& ListBase::Attributes() const {
    return ListBaseAttributes();
}

const AttributeTable& ListBase::ListBaseAttributes() {
    static const AttributeTable table = [] {
        AttributeTable t(&Container::ContainerAttributes());
        t.Add("itemheight", [](Control& c, std::string_view v) {
            auto i = ParseInt(v);
            if (i)
                static_cast<ListBase&>(c).SetItemHeight(*i);
            return i.has_value();
        });
        t.Add("multiselect", [](Control& c, std::string_view v) {
            auto b = ParseBool(v);
            if (b)
                static_cast<ListBase&>(c).SetMultiSelect(*b);
            return b.has_value();
        });
        t.Add("selectedid", [](Control& c, std::string_view v) {
            auto i = ParseInt(v);
            if (!i || *i < -1) {
                return false;
            }
            auto& list = static_cast<ListBase&>(c);
            // Layouts give the selection before the items: it applies when item i arrives.
            if (!list.SelectItem(*i, Notify::No)) {
                list.m_requested = *i;
            }
            return true;
        });
        return t;
    }();
    return table;
}

void List::UserHeaderClick(int column) {
    if (IsEnabled()) {
        SendNotify(notify::kHeaderClick, column);
    }
}

void Combo::SetDropBoxSize(Size size) {
    if (!(size == m_dropBox)) {
        m_dropBox = size;
        Changed(Property::Items);
    }
}

std::string Combo::GetSelectedText() const {
    ListElement* item = GetItem(GetCurSel());
    return item != nullptr ? item->GetText() : std::string();
}

const AttributeTable& Combo::Attributes() const {
    static const AttributeTable table = [] {
        AttributeTable t(&ListBase::ListBaseAttributes());
        t.Add("dropboxsize", [](Control& c, std::string_view v) {
            auto s = ParseSize(v);
            if (s)
                static_cast<Combo&>(c).SetDropBoxSize(*s);
            return s.has_value();
        });
        return t;
    }();
    return table;
}

}  // namespace ui
