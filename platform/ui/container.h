#pragma once
// Containers: controls that own an ordered list of children. The plain
// container stacks children on top of each other; the vertical and horizontal
// layouts place them in sequence; the tab layout shows one child at a time;
// any container may scroll (attributes "vscrollbar"/"hscrollbar"), and
// "ScrollContainer" is a vertical layout that scrolls by default.
//
// Threads: UI thread only (see control.h).

#include <memory>
#include <string_view>
#include <vector>

#include "platform/ui/control.h"

namespace ui {

class Container : public Control {
  public:
    static constexpr std::string_view kClassName = "Container";
    std::string_view GetClass() const override { return kClassName; }
    Container* AsContainer() override { return this; }
    ~Container() override;

    // --- Children ---
    size_t GetCount() const { return m_children.size(); }
    Control* GetItemAt(size_t index) const;
    // Index of a direct child, or -1.
    int GetItemIndex(const Control* child) const;
    // Appends / inserts a child (index past the end appends). Returns the
    // child, or null when this container refuses that kind of child (a list
    // takes only list elements, a control that already has a parent, or
    // one of this container's ancestors) or `child` is null. A refused child
    // stays with the caller: the pointer passed in still owns it.
    Control* Add(std::unique_ptr<Control>&& child);
    Control* AddAt(std::unique_ptr<Control>&& child, size_t index);
    template <typename T>
    T* Add(std::unique_ptr<T>&& child) {
        std::unique_ptr<Control> base(child.release());
        Control* added = Add(std::move(base));
        if (added == nullptr) {
            child.reset(static_cast<T*>(base.release()));
        }
        return static_cast<T*>(added);
    }
    // Detaches a direct child and hands it back (null when not a child).
    std::unique_ptr<Control> Take(Control* child);
    // Destroys a direct child; false when it is not one.
    bool Remove(Control* child);
    void RemoveAll();
    // Whether this container accepts `child`; lists override it.
    virtual bool Accepts(const Control& child) const;

    // --- Look-up inside this subtree (this container excluded) ---
    // By name: uses the window's name index when attached (first control of
    // that name that was attached inside this subtree), a walk otherwise.
    Control* FindSubControl(std::string_view name) const;
    template <typename T>
    T* FindSubControl(std::string_view name) const {
        return dynamic_cast<T*>(FindSubControl(name));
    }
    // Every control of exactly class `className` in this subtree, in tree order.
    std::vector<Control*> FindSubControlsByClass(std::string_view className) const;
    // First direct child of class `className`, or null.
    Control* FindChildByClass(std::string_view className) const;

    // --- Layout hints ---
    const Padding& GetInset() const { return m_inset; }
    void SetInset(const Padding& inset);
    int GetChildPadding() const { return m_childPadding; }
    void SetChildPadding(int padding);

    // --- Scrolling ---
    bool HasVerticalScroll() const { return m_vscroll; }
    bool HasHorizontalScroll() const { return m_hscroll; }
    void SetScrollBars(bool vertical, bool horizontal);
    Point GetScrollPos() const { return m_scrollPos; }
    // Sets the scroll position (the host clamps it to the content and reports
    // the clamped value back with SetScrollPos).
    void SetScrollPos(Point pos);
    // Asks the host to scroll so that child `index` is fully visible; the
    // request stays readable until the next one.
    void EnsureVisible(size_t index);
    int GetEnsureVisibleIndex() const { return m_ensureVisible; }

    const AttributeTable& Attributes() const override;
    static const AttributeTable& ContainerAttributes();

  protected:
    // Hooks for subclasses, called after a child joined / before it leaves.
    virtual void OnChildAdded(Control& /*child*/, size_t /*index*/) {}
    virtual void OnChildRemoving(Control& /*child*/, size_t /*index*/) {}
    const std::vector<std::unique_ptr<Control>>& Children() const { return m_children; }

  private:
    std::vector<std::unique_ptr<Control>> m_children;
    Padding m_inset;
    int m_childPadding = 0;
    bool m_vscroll = false;
    bool m_hscroll = false;
    Point m_scrollPos;
    int m_ensureVisible = -1;
};

class VerticalLayout : public Container {
  public:
    static constexpr std::string_view kClassName = "VerticalLayout";
    std::string_view GetClass() const override { return kClassName; }
};

class HorizontalLayout : public Container {
  public:
    static constexpr std::string_view kClassName = "HorizontalLayout";
    std::string_view GetClass() const override { return kClassName; }
};

class ScrollContainer : public VerticalLayout {
  public:
    static constexpr std::string_view kClassName = "ScrollContainer";
    ScrollContainer() { SetScrollBars(true, false); }
    std::string_view GetClass() const override { return kClassName; }
};

// Shows the child at the selected index only. Selecting changes no child's
// own visibility flag; hosts show the selected child and hide the others.
class TabLayout : public Container {
  public:
    static constexpr std::string_view kClassName = "TabLayout";
    std::string_view GetClass() const override { return kClassName; }

    int GetCurSel() const { return m_selected; }
    // Selects child `index`; false (and no change) when out of range.
    bool SelectItem(int index);
    bool SelectItem(const Control* child);

    const AttributeTable& Attributes() const override;

  protected:
    void OnChildAdded(Control& child, size_t index) override;
    void OnChildRemoving(Control& child, size_t index) override;

  private:
    int m_selected = -1;
    int m_requested = -1;  // "selectedid" given before the children exist
};

}  // namespace ui
