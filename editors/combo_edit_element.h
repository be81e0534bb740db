#pragma once
// CComboEditContainerElementUI (class "ComboEditContainerElement"): a list
// item holding two labels and an edit, as the macro editor's event rows use
// it: "text1" (the action), "text2" (the event's name) and "delay_edit" (its
// delay). Layouts may place it in any list.
//
// Its content comes from the skin's item layout (kItemLayout) when that
// layout loads and names the three children; otherwise the element builds them itself, so a row
// always has them. The item's own images ("normalimage", "hotimage", "selectedimage") are ignored:
// the row is drawn by its children.
//
// Input, while enabled: Enter activates the item and raises "return"; a
// press selects it (with Ctrl it toggles its selection in a multi-select
// list); the release raises "itemclick"; a double click activates it; a
// context click raises "menu" when the item has a context menu; entering and
// leaving set and clear its hot state. With mouse input turned off
// (attribute mouse="false") pointer input goes to the owning list instead.
//
// UI thread only.

#include <string_view>

#include "platform/ui/list.h"

namespace ui {
class Edit;
class Label;
struct UiContext;
}  // namespace ui

class CComboEditContainerElementUI : public ui::ListContainerElement {
  public:
    static constexpr std::string_view kClassName = "ComboEditContainerElement";
    static constexpr const char* kItemLayout = "XML\\CustomControlXML\\ComboEditElementItem.xml";
    static constexpr int kReturnKey = 0x01000004;  // the host's code of Return
    static constexpr int kEnterKey = 0x01000005;   // and of the keypad's Enter

    CComboEditContainerElementUI();
    std::string_view GetClass() const override { return kClassName; }

    // Builds the content from the item layout of `context`'s skin, or the
    // built-in one without a context or when the layout does not serve.
    // Runs once; later calls do nothing.
    void BuildContent(ui::UiContext* context);

    ui::Label* ActionLabel() const { return m_text1; }
    ui::Label* NameLabel() const { return m_text2; }
    ui::Edit* DelayEdit() const { return m_delay; }

    bool IsHot() const { return m_hot; }
    bool IsMouseEnabled() const { return m_mouseEnabled; }
    void SetMouseEnabled(bool enabled) { m_mouseEnabled = enabled; }

    bool HandleInput(const ui::InputEvent& event) override;
    const ui::AttributeTable& Attributes() const override;

  protected:
    void OnAttached(ui::Window& window) override;

  private:
    bool BuildFromLayout(ui::UiContext& context);
    void BuildBuiltIn();

    ui::Label* m_text1 = nullptr;
    ui::Label* m_text2 = nullptr;
    ui::Edit* m_delay = nullptr;
    bool m_built = false;
    bool m_hot = false;
    bool m_mouseEnabled = true;
};
