#pragma once
// The headset page's voice editor (class "Voice6533Control", layout
// "XML/CustomControlXML/Voice6533Control.xml"): the equaliser presets
// "6533_eq_option_1" ... "_13" (13 = custom), the band sliders
// "6533_eq_hz_slider_0" ... "_9", the custom-preset controls in
// "custom_eq_option_layout" ("custom_eq_name_combo", "custom_eq_name_edit",
// "hs_EQ_btn_save", "hs_EQ_btn_delete"), the microphone and monitoring
// options and sliders, and the status lines "hs_audio_status_text" and
// "hs_eq_status_text".
//
// The editor only shows and reads values; the headset object decides. Every
// setter changes a control without raising its notification. A control the
// layout lacks makes a setter do nothing and a getter answer -1 (sliders and
// the drop-down selection) or 0.
//
// Threads: UI thread only.

#include <string>

#include "platform/ui/container.h"

namespace ui {
class Combo;
class Option;
class Slider;
}  // namespace ui

class CVoice6533ControlUI : public ui::VerticalLayout {
  public:
    static constexpr std::string_view kClassName = "Voice6533Control";
    static constexpr int kPresetOptions = 13;
    static constexpr int kBands = 10;
    static constexpr int kItemHeight = 30;

    std::string_view GetClass() const override { return kClassName; }

    // Selects preset option n (1-13) after deselecting all; any other n
    // selects none. The editor remembers the choice (0 for none).
    void SelectPreset(int n);
    int GetSelectedPreset() const { return m_preset; }
    void SetBand(int band, int value);
    int GetBand(int band) const;
    void EnableCustomControls(bool enable);

    void SetMicOption(bool selected);
    void SetMonitorOption(bool selected);
    void SetMicLevel(int value);
    int GetMicLevel() const;
    void SetMonitorLevel(int value);
    int GetMonitorLevel() const;

    void SetNameField(const std::string& text);
    std::string GetNameField() const;
    void AddName(const std::string& name);
    int GetSelection() const;
    int GetNameCount() const;
    // Selects item i (-1: none) and clears the name field.
    void SelectName(int i);
    void RemoveName(int i);
    void RemoveAllNames();
    std::string GetName(int i) const;

    // The audio controls (presets, bands, custom presets, microphone,
    // monitoring) on or off; `reason` is shown while they are off.
    void EnableAudio(bool enable, const std::string& reason);
    // The equaliser's line: a language key, or "" for none.
    void SetEqualizerStatus(const std::string& key);

  private:
    ui::Option* OptionNamed(const std::string& name) const;
    ui::Slider* SliderNamed(const std::string& name) const;
    ui::Combo* Names() const;

    int m_preset = 0;
};
