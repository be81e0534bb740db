#pragma once
// Controls whose look or input is the model's own rather than a toolkit's.
//
// "ColorPalette": a colour picker; the user's choice (UserPick) raises
// "colorchanged".
// "Custom": a control painted by a hook that application code installs; a
// host calls Paint with its painter whenever it draws the control.
// Application classes may also derive from Control and override
// IsCustomPainted/Paint/HandleInput directly.

#include <functional>
#include <string_view>

#include "platform/ui/container.h"

namespace ui {

class ColorPalette : public Control {
  public:
    static constexpr std::string_view kClassName = "ColorPalette";
    std::string_view GetClass() const override { return kClassName; }

    Color GetSelectColor() const { return m_color; }
    void SetSelectColor(Color color, Notify notify = Notify::Yes);
    void UserPick(Color color);

    const AttributeTable& Attributes() const override;

  private:
    Color m_color{0xFF000000};
};

class CustomControl : public Container {
  public:
    static constexpr std::string_view kClassName = "Custom";
    std::string_view GetClass() const override { return kClassName; }

    using PaintHook = std::function<void(Control& self, Painter& painter)>;
    using InputHook = std::function<bool(Control& self, const InputEvent& event)>;
    void SetPaintHook(PaintHook hook);
    void SetInputHook(InputHook hook) { m_input = std::move(hook); }

    bool IsCustomPainted() const override { return static_cast<bool>(m_paint); }
    void Paint(Painter& painter) override;
    bool HandleInput(const InputEvent& event) override;

  private:
    PaintHook m_paint;
    InputHook m_input;
};

}  // namespace ui
