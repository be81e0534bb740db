#pragma once
// Pop-up menus. A menu layout is a "Menu" root with "MenuElement" children;
// an element with element children of its own is a submenu, and an element
// with the attribute separator="true" is a separator. The host shows a menu
// with HostOperations::ShowPopupMenu, which returns the name of the element
// the user chose.

#include <string_view>
#include <vector>

#include "platform/ui/list.h"

namespace ui {

class MenuElement : public ListElement {
  public:
    static constexpr std::string_view kClassName = "MenuElement";
    std::string_view GetClass() const override { return kClassName; }

    bool IsChecked() const { return m_checked; }
    void SetChecked(bool checked);
    bool IsSeparator() const { return m_separator; }
    void SetSeparator(bool separator);
    // Submenu elements (direct children that are MenuElements).
    std::vector<MenuElement*> SubItems() const;

    bool Accepts(const Control& child) const override;
    const AttributeTable& Attributes() const override;

  private:
    bool m_checked = false;
    bool m_separator = false;
};

class Menu : public ListBase {
  public:
    static constexpr std::string_view kClassName = "Menu";
    std::string_view GetClass() const override { return kClassName; }

    std::vector<MenuElement*> Items() const;
    // Finds an element by name at any depth.
    MenuElement* FindItem(std::string_view name) const;
};

}  // namespace ui
