#pragma once
// The headset page's voice-effect editor (class "MagicControl", layout
// "XML/CustomControlXML/MagicControl.xml"): "magic_enable_option" turns the
// voice effect on, "magic_option_1" ... "_4" (inside "magic_option_layout")
// choose the effect.
//
// Setters change the controls without raising notifications; a control the
// layout lacks makes a setter do nothing and a getter answer 0.
//
// Threads: UI thread only.

#include <string>

#include "platform/ui/container.h"

class CMagicControlUI : public ui::VerticalLayout {
  public:
    static constexpr std::string_view kClassName = "MagicControl";
    static constexpr int kEffects = 4;

    std::string_view GetClass() const override { return kClassName; }

    void EnableEffects(bool enable);
    void SetEffectOn(bool on);
    bool GetEffectOn() const;
    // Selects effect option n (1-4) and deselects the others; any other n
    // selects none. The editor remembers the choice (0 for none).
    void SelectEffect(int n);
    int GetSelectedEffect() const { return m_effect; }
    // Every control on or off, with the reason shown while off.
    void EnableAudio(bool enable, const std::string& reason);

  private:
    int m_effect = 0;
    bool m_audio = true;
};
