#pragma once
// CLightControlUI: a device page's lighting editor (class "LightControl",
// built from "XML/CustomControlXML/LightControl.xml", named
// "LightControlItem" in the page). It shows a lighting record in its
// controls, offers only the controls the record's mode uses on the page's
// kind of device, and gives the main window's lighting routes the values the
// user chose. It holds no record of its own: the record lives in the device
// page and its profile document.
//
// Named children, each looked up on first use and kept; any of them may be
// missing from the layout, and every operation skips a missing one:
//   "light_combo_modeSelect" (modes, then custom effects), "deng_light_slider",
//   "deng_speed_slider", "deng_edit_R", "deng_edit_G", "deng_edit_B",
//   "deng_Color_Pallet", "deng_colordp_btn" (shows the colour), "deng_7color_check",
//   "deng_FXL_check", "deng_FXR_check", "light_combo_ZZCCmodeSelect",
//   "light_combo_custommodeSelect", "deng_same_mode", "color_option_" n (preset
//   colours: the option's background colour), and the areas the availability
//   tables switch: "lighteffect_layout", "deng_color_layout",
//   "colorpallet_layout", "deng_light_layout", "deng_speed_layout",
//   "deng_fx_layout", "lightcustom_layout", "light_combo_ZZCCmodeSelectLayout".
//
// A colour is 0xFF000000 | red << 16 | green << 8 | blue. The setters never
// raise notifications: showing a record must not look like a user's edit.
//
// Threads: UI thread only.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "device/usb_device_views.h"
#include "platform/ui/container.h"

namespace ui {
class Combo;
class Edit;
}  // namespace ui

class CLightControlUI : public ui::VerticalLayout, public LightEditorView, public CustomGroupView {
  public:
    static constexpr std::string_view kClassName = "LightControl";
    static constexpr uint32_t kOpaque = 0xFF000000;

    std::string_view GetClass() const override { return kClassName; }

    // Device kind (1 keyboard, 2 mouse, 3 mousepad, 7 headset) picks the
    // availability table.
    void SetDeviceKind(int kind) override { m_kind = kind; }
    int GetDeviceKind() const { return m_kind; }

    // Fills the mode list: one 30-pixel item per name, shown translated (the
    // names are language keys), visible where `visible` says so; then the
    // sliders' maxima. Nothing without the mode list.
    void InitModes(const std::vector<std::string>& names, const std::vector<bool>& visible,
                   int brightnessMax, int speedMax) override;
    // Shows every byte of the record in its control and applies the
    // availability of the record's mode.
    void ShowLightInfo(const LightInfoRecord& record) override;

    // Whether "deng_same_mode" may be offered (more than one device listed);
    // applies the availability of the selected mode again.
    void SetSameModeSupport(bool supported);
    bool GetSameModeSupport() const { return m_sameModeSupport; }
    // Enables, disables, shows and hides the control groups for (kind, mode).
    void ApplyAvailability(int mode);
    // "deng_same_mode" is visible when `show` and the support flag are both set.
    void ShowSameMode(bool show);

    // Setters and getters, one pair per control. Getters of missing controls
    // give -1 (lists), 0 (sliders, option colours), "" (edits) or kOpaque
    // (palette).
    void SetMode(int mode);  // also applies the mode's availability
    int GetMode();
    void SetBrightness(int value);
    int GetBrightness();
    void SetSpeed(int value);
    int GetSpeed();
    void SetRedText(const std::string& text) { SetEditText("deng_edit_R", text); }
    void SetGreenText(const std::string& text) { SetEditText("deng_edit_G", text); }
    void SetBlueText(const std::string& text) { SetEditText("deng_edit_B", text); }
    std::string GetRedText() { return GetEditText("deng_edit_R"); }
    std::string GetGreenText() { return GetEditText("deng_edit_G"); }
    std::string GetBlueText() { return GetEditText("deng_edit_B"); }
    // The palette's selected colour, then the colour button's background.
    void SetColor(uint32_t color);
    uint32_t GetColor();
    void SetColorCycle(bool on);
    bool GetColorCycle();
    // Non-zero selects "deng_FXL_check", zero "deng_FXR_check".
    void SetDirection(int direction);
    void SetZzccMode(int index);
    int GetZzccMode();
    // The keyboard's custom colour group (-1: none selected).
    void SelectCustomGroup(int index) override;
    int GetCustomGroup() const override;
    // Background colour of "color_option_" n, 0 when there is no such option.
    uint32_t GetOptionColor(int n);
    // The three colour edits show the components of `color` in decimal.
    void ShowColorComponents(uint32_t color);

    // The value typed into one of the colour edits ("deng_edit_R", "_G",
    // "_B"): its leading decimal digits, none giving 0 and anything above
    // 255 giving 255. The edit is rewritten with that value whenever it
    // showed anything else ("300" → "255", "" → "0", "-5" → "0"). -1 for
    // another name or a missing edit.
    int TakeColorEdit(std::string_view editName);
    // The colour-edit rule on a text.
    static int ColorComponentOf(std::string_view text);

  private:
    ui::Control* Child(std::string_view name);
    template <typename T>
    T* ChildAs(std::string_view name) {
        return dynamic_cast<T*>(Child(name));
    }
    void SetEditText(std::string_view name, const std::string& text);
    std::string GetEditText(std::string_view name);
    void SelectOrClear(ui::Combo* combo, int index);

    int m_kind = 0;
    bool m_sameModeSupport = false;
    std::unordered_map<std::string, ui::Control*> m_children;
};
