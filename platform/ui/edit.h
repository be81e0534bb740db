#pragma once
// Editable text: "Edit" (one line) and "RichEdit" (multi-line).
//
// The host reports typing with UserSetText ("textchanged" when the text
// changed) and Enter with UserReturn ("return"). Focus changes raise
// "setfocus"/"killfocus" through the window. Programmatic SetText raises
// nothing. A number-only edit keeps only decimal digits of what the user
// typed; a maximum length cuts the user's text (in UTF-8 characters).

#include <optional>
#include <string>
#include <string_view>

#include "platform/ui/label.h"

namespace ui {

class Edit : public Label {
  public:
    static constexpr std::string_view kClassName = "Edit";
    std::string_view GetClass() const override { return kClassName; }

    bool IsReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly);
    // Maximum length in characters; 0 = no limit.
    int GetMaxChars() const { return m_maxChars; }
    void SetMaxChars(int maxChars);
    bool IsNumberOnly() const { return m_numberOnly; }
    void SetNumberOnly(bool numberOnly);
    bool IsPassword() const { return m_password; }
    void SetPassword(bool password);
    // Optional numeric range a host may enforce while typing (number-only
    // edits); the model applies it in UserSetText.
    std::optional<int> GetMinValue() const { return m_minValue; }
    std::optional<int> GetMaxValue() const { return m_maxValue; }
    void SetValueRange(std::optional<int> minValue, std::optional<int> maxValue);

    // The placeholder shown while the edit is empty; plain or a language key.
    std::string GetHint() const;
    const TextValue& GetHintValue() const { return m_hint; }
    void SetHint(std::string text);
    void SetHintKey(std::string key);

    // User actions from the host. UserSetText applies number-only, the value
    // range and the length limit, stores the result and raises "textchanged"
    // when it differs; it returns the stored text so that a host can correct
    // its widget. Ignored (returns the current text) while read-only or disabled.
    std::string UserSetText(std::string_view typed);
    void UserReturn();

    const AttributeTable& Attributes() const override;
    static const AttributeTable& EditAttributes();

  private:
    bool m_readOnly = false;
    int m_maxChars = 0;
    bool m_numberOnly = false;
    bool m_password = false;
    std::optional<int> m_minValue;
    std::optional<int> m_maxValue;
    TextValue m_hint;
};

class RichEdit : public Edit {
  public:
    static constexpr std::string_view kClassName = "RichEdit";
    RichEdit() { SetMultiLine(true); }
    std::string_view GetClass() const override { return kClassName; }
};

}  // namespace ui
