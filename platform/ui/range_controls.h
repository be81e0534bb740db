#pragma once
// Value controls: "Progress" (shows a value in a range) and "Slider" (a
// progress the user drags).
//
// Values are clamped to [min, max]. A slider raises "movevaluechanged" for
// every step of a drag (UserDrag) and "valuechanged" once for the value the
// user settles on (UserCommit). SetValue with Notify::Yes raises
// "valuechanged" when the value changed.

#include <string_view>

#include "platform/ui/label.h"

namespace ui {

class Progress : public Label {
  public:
    static constexpr std::string_view kClassName = "Progress";
    std::string_view GetClass() const override { return kClassName; }

    int GetMinValue() const { return m_min; }
    int GetMaxValue() const { return m_max; }
    // Sets the range (a max below min becomes min) and clamps the value into it.
    void SetRange(int minValue, int maxValue);
    void SetMinValue(int minValue) { SetRange(minValue, m_max); }
    void SetMaxValue(int maxValue) { SetRange(m_min, maxValue); }
    int GetValue() const { return m_value; }
    void SetValue(int value, Notify notify = Notify::Yes);
    bool IsHorizontal() const { return m_horizontal; }
    void SetHorizontal(bool horizontal);

    const AttributeTable& Attributes() const override;
    static const AttributeTable& ProgressAttributes();

  protected:
    // Raises the notification for a changed value; progress bars raise none.
    virtual void OnValueSet(Notify /*notify*/) {}
    int Clamp(int value) const;

    int m_min = 0;
    int m_max = 100;
    int m_value = 0;
    bool m_horizontal = true;
};

class Slider : public Progress {
  public:
    static constexpr std::string_view kClassName = "Slider";
    std::string_view GetClass() const override { return kClassName; }

    int GetStep() const { return m_step; }
    void SetStep(int step);
    Size GetThumbSize() const { return m_thumb; }
    void SetThumbSize(Size size);

    // User actions from the host; ignored while disabled.
    void UserDrag(int value);    // value while the thumb moves
    void UserCommit(int value);  // value where the user let go / pressed a key

    const AttributeTable& Attributes() const override;

  protected:
    void OnValueSet(Notify notify) override;

  private:
    int m_step = 1;
    Size m_thumb{10, 10};
};

}  // namespace ui
