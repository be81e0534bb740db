#include "platform/ui/container.h"

#include <algorithm>

#include "platform/ui/window.h"

namespace ui {
namespace {

AttributeTable BuildContainerTable() {
    AttributeTable t(&Control::ControlAttributes());
    t.Add("inset", [](Control& c, std::string_view v) {
        auto r = ParseRect(v);
        if (r)
            static_cast<Container&>(c).SetInset(*r);
        return r.has_value();
    });
    t.Add("childpadding", [](Control& c, std::string_view v) {
        auto i = ParseInt(v);
        if (i)
            static_cast<Container&>(c).SetChildPadding(*i);
        return i.has_value();
    });
    t.Add("vscrollbar", [](Control& c, std::string_view v) {
        auto b = ParseBool(v);
        auto& box = static_cast<Container&>(c);
        if (b)
            box.SetScrollBars(*b, box.HasHorizontalScroll());
        return b.has_value();
    });
    t.Add("hscrollbar", [](Control& c, std::string_view v) {
        auto b = ParseBool(v);
        auto& box = static_cast<Container&>(c);
        if (b)
            box.SetScrollBars(box.HasVerticalScroll(), *b);
        return b.has_value();
    });
    return t;
}

void CollectByClass(const Container& box, std::string_view className, std::vector<Control*>& out) {
    for (size_t i = 0; i < box.GetCount(); ++i) {
        Control* child = box.GetItemAt(i);
        if (child->GetClass() == className) {
            out.push_back(child);
        }
        if (Container* sub = child->AsContainer()) {
            CollectByClass(*sub, className, out);
        }
    }
}

Control* WalkFind(const Container& box, std::string_view name) {
    for (size_t i = 0; i < box.GetCount(); ++i) {
        Control* child = box.GetItemAt(i);
        if (child->GetName() == name) {
            return child;
        }
        if (Container* sub = child->AsContainer()) {
            if (Control* found = WalkFind(*sub, name)) {
                return found;
            }
        }
    }
    return nullptr;
}

}  // namespace

Container::~Container() {
    // A window detaches a tree before it destroys it, so no index still
    // points into these children. Children go last-first.
    while (!m_children.empty()) {
        m_children.pop_back();
    }
}

Control* Container::GetItemAt(size_t index) const {
    return index < m_children.size() ? m_children[index].get() : nullptr;
}

int Container::GetItemIndex(const Control* child) const {
    for (size_t i = 0; i < m_children.size(); ++i) {
        if (m_children[i].get() == child) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

Control* Container::Add(std::unique_ptr<Control>&& child) {
    return AddAt(std::move(child), m_children.size());
}

Control* Container::AddAt(std::unique_ptr<Control>&& child, size_t index) {
    if (child == nullptr || child->GetParent() != nullptr || !Accepts(*child) ||
        IsDescendantOf(*child)) {
        return nullptr;
    }
    index = std::min(index, m_children.size());
    Control* raw = child.get();
    m_children.insert(m_children.begin() + static_cast<std::ptrdiff_t>(index), std::move(child));
    raw->m_parent = this;
    OnChildAdded(*raw, index);
    if (Window* window = GetWindow()) {
        window->AttachSubtree(*raw);
        window->OnChildInserted(*this, *raw, index);
    }
    return raw;
}

std::unique_ptr<Control> Container::Take(Control* child) {
    int index = GetItemIndex(child);
    if (index < 0) {
        return nullptr;
    }
    if (Window* window = GetWindow()) {
        window->OnChildRemoving(*this, *child, static_cast<size_t>(index));
        window->DetachSubtree(*child);
    }
    OnChildRemoving(*child, static_cast<size_t>(index));
    // The hook may have changed nothing about the order; find the child again to be safe.
    index = GetItemIndex(child);
    std::unique_ptr<Control> owned = std::move(m_children[static_cast<size_t>(index)]);
    m_children.erase(m_children.begin() + index);
    owned->m_parent = nullptr;
    return owned;
}

bool Container::Remove(Control* child) {
    std::unique_ptr<Control> owned = Take(child);
    return owned != nullptr;
}

void Container::RemoveAll() {
    while (!m_children.empty()) {
        Remove(m_children.back().get());
    }
}

bool Container::Accepts(const Control& /*child*/) const {
    return true;
}

Control* Container::FindSubControl(std::string_view name) const {
    if (name.empty()) {
        return nullptr;
    }
    Window* window = GetWindow();
    if (window == nullptr) {
        return WalkFind(*this, name);
    }
    for (Control* candidate : window->FindControls(name)) {
        if (candidate != this && candidate->IsDescendantOf(*this)) {
            return candidate;
        }
    }
    return nullptr;
}

std::vector<Control*> Container::FindSubControlsByClass(std::string_view className) const {
    std::vector<Control*> out;
    CollectByClass(*this, className, out);
    return out;
}

Control* Container::FindChildByClass(std::string_view className) const {
    for (const auto& child : m_children) {
        if (child->GetClass() == className) {
            return child.get();
        }
    }
    return nullptr;
}

void Container::SetInset(const Padding& inset) {
    if (!(inset == m_inset)) {
        m_inset = inset;
        Changed(Property::Geometry);
    }
}

void Container::SetChildPadding(int padding) {
    if (padding != m_childPadding) {
        m_childPadding = padding;
        Changed(Property::Geometry);
    }
}

void Container::SetScrollBars(bool vertical, bool horizontal) {
    if (vertical != m_vscroll || horizontal != m_hscroll) {
        m_vscroll = vertical;
        m_hscroll = horizontal;
        Changed(Property::Scroll);
    }
}

void Container::SetScrollPos(Point pos) {
    if (!(pos == m_scrollPos)) {
        m_scrollPos = pos;
        Changed(Property::Scroll);
    }
}

void Container::EnsureVisible(size_t index) {
    if (index >= m_children.size()) {
        return;
    }
    m_ensureVisible = static_cast<int>(index);
    Changed(Property::Scroll);
}

const AttributeTable& Container::Attributes() const {
    return ContainerAttributes();
}

const AttributeTable& Container::ContainerAttributes() {
    static const AttributeTable table = BuildContainerTable();
    return table;
}

// --- TabLayout ---

bool TabLayout::SelectItem(int index) {
    if (index < 0 || static_cast<size_t>(index) >= GetCount()) {
        return false;
    }
    if (index != m_selected) {
        m_selected = index;
        Changed(Property::SelectedIndex);
    }
    return true;
}

bool TabLayout::SelectItem(const Control* child) {
    return SelectItem(GetItemIndex(child));
}

void TabLayout::OnChildAdded(Control& /*child*/, size_t index) {
    int i = static_cast<int>(index);
    if (m_selected < 0 && (m_requested < 0 || m_requested == i)) {
        m_selected = i;  // the first tab (or the one the layout asked for) shows
        Changed(Property::SelectedIndex);
    } else if (m_selected >= i) {
        ++m_selected;  // keep the same child selected
    } else if (m_requested == i) {
        m_selected = i;
        Changed(Property::SelectedIndex);
    }
}

void TabLayout::OnChildRemoving(Control& /*child*/, size_t index) {
    int i = static_cast<int>(index);
    int remaining = static_cast<int>(GetCount()) - 1;
    if (i < m_selected) {
        --m_selected;
    } else if (i == m_selected) {
        m_selected = remaining == 0 ? -1 : std::min(m_selected, remaining - 1);
        Changed(Property::SelectedIndex);
    }
}

const AttributeTable& TabLayout::Attributes() const {
    static const AttributeTable table = [] {
        AttributeTable t(&Container::ContainerAttributes());
        t.Add("selectedid", [](Control& c, std::string_view v) {
            auto i = ParseInt(v);
            if (!i)
                return false;
            auto& tab = static_cast<TabLayout&>(c);
            tab.m_requested = *i;
            tab.SelectItem(*i);
            return true;
        });
        return t;
    }();
    return table;
}

}  // namespace ui
