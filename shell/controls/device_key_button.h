#pragma once
// "DeviceKeyButton": one key (or light) on a device picture.
//
// Over the button's own state images it draws, in this order: the LED colour
// it was last given (ShowLed) while lit, the light image while its light flag
// is on (fully opaque when selected, slightly faded otherwise), the key-set
// image while the key carries a function other than its own, and a frame
// while the selection panel has it selected. A double click inside it raises
// "dbclick".
//
// As a key of a page it carries the key's name and the text of what the key
// does now; the tool-tip shows both.
//
// Scripts read the LED as the page shows it ("color" "#rrggbb", "alpha"
// 0-255, "lit") and the key-set flag ("keyset").
//
// Layout attributes: "lightimage", "keysetimage"; "gmnametextcolor" is
// accepted for older layouts and has no effect.
//
// UI thread only.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/usb_device_views.h"
#include "platform/ui/button.h"
#include "platform/ui/script_access.h"

class CDeviceKeyButtonUI : public ui::Button,
                           public LedControlView,
                           public KeyButtonView,
                           public ui::ScriptableControl {
  public:
    static constexpr std::string_view kClassName = "DeviceKeyButton";
    static constexpr uint8_t kLightFadeSelected = 255;
    static constexpr uint8_t kLightFade = 200;

    std::string_view GetClass() const override { return kClassName; }

    bool IsLightOn() const { return m_light; }
    void SetLightOn(bool on);
    // 0 = the key does what it is labelled; non-zero shows the key-set image.
    int GetKeySetFlag() const { return m_keySet; }
    void SetKeySetFlag(int flag) override;
    bool IsKeySelected() const { return m_selected; }
    void SetKeySelected(bool selected) override;

    // The LED as the page shows it: colour red | blue << 8 | green << 16.
    void ShowLed(uint32_t color, uint8_t alpha, bool lit) override;
    uint32_t GetLedColor() const { return m_ledColor; }
    uint8_t GetLedAlpha() const { return m_ledAlpha; }
    bool IsLedLit() const { return m_ledLit; }
    // The LED colour as 0xAARRGGBB, with the alpha the LED was shown with.
    ui::Color LedArgb() const;

    // KeyButtonView
    void ShowKeyTexts(const std::string& name, const std::string& assignment) override;
    const std::string& GetKeyName() const override { return m_keyName; }
    const std::string& GetAssignmentText() const override { return m_assignment; }

    const std::string& GetLightImage() const { return m_lightImage; }
    const std::string& GetKeySetImage() const { return m_keySetImage; }

    bool IsCustomPainted() const override { return true; }
    void Paint(ui::Painter& painter) override;
    bool HandleInput(const ui::InputEvent& event) override;

    const ui::AttributeTable& Attributes() const override;

    // ui::ScriptableControl
    std::vector<std::string> ScriptPropertyNames() const override;
    std::optional<std::vector<std::string>> ScriptProperty(std::string_view name) const override;

  private:
    void PaintLed(ui::Painter& painter, const ui::Rect& r) const;

    bool m_light = false;
    int m_keySet = 0;
    bool m_selected = false;
    uint32_t m_ledColor = 0;
    uint8_t m_ledAlpha = 0;
    bool m_ledLit = false;
    std::string m_keyName;
    std::string m_assignment;
    std::string m_lightImage;
    std::string m_keySetImage;
};
