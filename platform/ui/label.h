#pragma once
// Text-showing controls without input: "Label" (one line) and "Text"
// (wrapping, multi-line). Buttons build on Label.

#include <string_view>

#include "platform/ui/control.h"

namespace ui {

class Label : public Control {
  public:
    static constexpr std::string_view kClassName = "Label";
    std::string_view GetClass() const override { return kClassName; }

    TextAlign GetAlign() const { return m_align; }
    void SetAlign(TextAlign align);
    bool IsMultiLine() const { return m_multiLine; }
    void SetMultiLine(bool multiLine);
    const Padding& GetTextPadding() const { return m_textPadding; }
    void SetTextPadding(const Padding& padding);

    const AttributeTable& Attributes() const override;
    static const AttributeTable& LabelAttributes();

  private:
    TextAlign m_align = TextAlign::Left;
    bool m_multiLine = false;
    Padding m_textPadding;
};

class Text : public Label {
  public:
    static constexpr std::string_view kClassName = "Text";
    Text() { SetMultiLine(true); }
    std::string_view GetClass() const override { return kClassName; }
};

}  // namespace ui
