#pragma once
// Lists and drop-downs.
//
// Items are child controls derived from ListElement: "ListLabelElement" (an
// item with a text) or "ListContainerElement" (an item that holds controls of
// its own). Each item has its text, user data, height (fixed height),
// visibility and selected state, like any control.
//
// "List" (scrolling list) and "Combo" (drop-down) share ListBase: a current
// selection index (-1 = none) and "itemselect" (wParam = new index, lParam =
// previous index) when it changes through SelectItem(Notify::Yes) or the
// user. A list may allow several selected items (attribute "multiselect");
// its current selection is then the item last selected.
//
// Items raise "itemclick" (UserClick) and "itemactivate" (double click or
// Enter, UserActivate) with the item as sender; a list header click raises
// "headerclick" with the list as sender and wParam = column.

#include <string_view>
#include <vector>

#include "platform/ui/container.h"

namespace ui {

class ListBase;

class ListElement : public Container {
  public:
    static constexpr std::string_view kClassName = "ListElement";
    std::string_view GetClass() const override { return kClassName; }

    // The list or combo that holds this item (null when not in one).
    ListBase* GetOwner() const;
    // Position among the owner's items, or -1.
    int GetIndex() const;
    bool IsSelected() const { return m_selected; }

    // User actions from the host; ignored while disabled.
    // A press selects the item (with toggle=true, as with Ctrl held in a
    // multi-select list, it toggles it); the release raises "itemclick".
    void UserPress(bool toggle = false);
    void UserClick();
    void UserActivate();

  private:
    friend class ListBase;
    void SetSelectedState(bool selected);
    bool m_selected = false;
};

class ListLabelElement : public ListElement {
  public:
    static constexpr std::string_view kClassName = "ListLabelElement";
    std::string_view GetClass() const override { return kClassName; }
};

class ListContainerElement : public ListElement {
  public:
    static constexpr std::string_view kClassName = "ListContainerElement";
    std::string_view GetClass() const override { return kClassName; }
};

class ListBase : public VerticalLayout {
  public:
    // Takes only ListElement children.
    bool Accepts(const Control& child) const override;

    int GetItemCount() const { return static_cast<int>(GetCount()); }
    ListElement* GetItem(int index) const;
    int GetCurSel() const { return m_curSel; }
    // Selects item `index` (-1 clears the selection). In a single-select list
    // the previous item is deselected. Returns false for an index out of
    // range (nothing changes). Selecting the current item again changes
    // nothing and raises nothing.
    bool SelectItem(int index, Notify notify = Notify::Yes);
    // Multi-select lists: toggles one item; the current selection follows the
    // last item selected. Single-select lists treat it as SelectItem.
    bool ToggleItem(int index, Notify notify = Notify::Yes);
    // Indices of every selected item, ascending.
    std::vector<int> GetSelectedIndices() const;

    bool IsMultiSelect() const { return m_multiSelect; }
    void SetMultiSelect(bool multi);
    // Height given to items added without their own fixed height; 0 = none.
    int GetItemHeight() const { return m_itemHeight; }
    void SetItemHeight(int height);

    // Convenience: appends a ListLabelElement with this text (plain or key),
    // user data and height (0 = the list's item height). Returns the item.
    ListLabelElement* AddTextItem(std::string text, std::string userData = {}, int height = 0,
                                  bool textIsKey = false);

    const AttributeTable& Attributes() const override;
    static const AttributeTable& ListBaseAttributes();

  protected:
    void OnChildAdded(Control& child, size_t index) override;
    void OnChildRemoving(Control& child, size_t index) override;

  private:
    int m_curSel = -1;
    int m_requested = -1;  // "selectedid" given before the items exist
    bool m_multiSelect = false;
    int m_itemHeight = 0;
};

class List : public ListBase {
  public:
    static constexpr std::string_view kClassName = "List";
    List() { SetScrollBars(true, false); }
    std::string_view GetClass() const override { return kClassName; }
    void UserHeaderClick(int column);
};

// A drop-down: the closed box shows the selected item's text.
class Combo : public ListBase {
  public:
    static constexpr std::string_view kClassName = "Combo";
    std::string_view GetClass() const override { return kClassName; }

    // Drop-down size hint (attribute "dropboxsize"), 0 = as wide as the box.
    Size GetDropBoxSize() const { return m_dropBox; }
    void SetDropBoxSize(Size size);
    // The text of the selected item, or "" with none.
    std::string GetSelectedText() const;

    const AttributeTable& Attributes() const override;

  private:
    Size m_dropBox;
};

}  // namespace ui
