#pragma once
// Buttons and options.
//
// "Button": raises "click" when the user clicks it (UserClick).
// "Option": a selectable button. Options that share a group name within one
// window exclude each other: selecting one deselects the group's selected
// option, and "selectchanged" goes first to the deselected option, then to
// the selected one. An option may be bound to a tab layout (by name) and a
// tab index; selecting it selects that tab.
// "CheckBox": an option that toggles on every click (normally without group).

#include <string>
#include <string_view>

#include "platform/ui/label.h"

namespace ui {

class Button : public Label {
  public:
    static constexpr std::string_view kClassName = "Button";
    std::string_view GetClass() const override { return kClassName; }

    // User action: a click. Ignored while disabled.
    virtual void UserClick();
    // User action: a double click (the host reported the first click of the
    // pair already). Raises "dbclick". Ignored while disabled.
    void UserDoubleClick();
};

class Option : public Button {
  public:
    static constexpr std::string_view kClassName = "Option";
    std::string_view GetClass() const override { return kClassName; }

    bool IsSelected() const { return m_selected; }
    // Changes the state; with Notify::Yes every option whose state changed
    // receives "selectchanged" (the deselected group member first). Setting
    // the current state does nothing.
    void SetSelected(bool selected, Notify notify = Notify::Yes);

    const std::string& GetGroup() const { return m_group; }
    void SetGroup(std::string group);

    // Binding to a tab layout: selecting the option selects tab `index` of
    // the window's control named `tabLayoutName`.
    void BindTab(std::string tabLayoutName, int index);
    const std::string& GetBoundTabName() const { return m_bindTabName; }
    int GetBoundTabIndex() const { return m_bindTabIndex; }

    // A click raises "click", then selects a grouped option (a selected one
    // stays selected) or toggles an option without group.
    void UserClick() override;
    // Selects the bound tab when the option is selected (done by SetSelected
    // and when the window attaches its tree).
    void SyncBoundTab();

    const AttributeTable& Attributes() const override;
    static const AttributeTable& OptionAttributes();

  protected:
    void OnAttached(Window& window) override;
    void OnDetaching(Window& window) override;

  private:
    bool m_selected = false;
    std::string m_group;
    std::string m_bindTabName;
    int m_bindTabIndex = -1;
};

class CheckBox : public Option {
  public:
    static constexpr std::string_view kClassName = "CheckBox";
    std::string_view GetClass() const override { return kClassName; }
};

}  // namespace ui
