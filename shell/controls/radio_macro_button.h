#pragma once
// "RedioMacroButton": the macro record button. While recording, timer 100
// ticks every 50 ms and makes the "redioimage" pulse: its fade starts at 255,
// falls by 20 per tick down to 80, rises by 20 back to 255, and so on. The
// pulsing image is the button's foreground image, "res='<image>' fade='<n>'".
//
// UI thread only; the pulse needs the button to be in a window.

#include <string>
#include <string_view>

#include "platform/ui/button.h"

class CRedioMacroButtonUI : public ui::Button {
  public:
    static constexpr std::string_view kClassName = "RedioMacroButton";
    static constexpr int kPulseTimer = 100;
    static constexpr int kPulseIntervalMs = 50;
    static constexpr int kFadeHigh = 255;
    static constexpr int kFadeLow = 80;
    static constexpr int kFadeStep = 20;

    std::string_view GetClass() const override { return kClassName; }

    // Starts the pulse at full opacity; false without a window (no timer).
    bool StartRecording();
    // Stops the pulse and removes the pulsing image.
    void StopRecording();
    bool IsRecording() const { return m_recording; }
    int GetFade() const { return m_fade; }

    const std::string& GetRedioImage() const { return m_image; }
    void SetRedioImage(std::string image) { m_image = std::move(image); }

    void OnTimer(int id) override;
    const ui::AttributeTable& Attributes() const override;

  protected:
    void OnDetaching(ui::Window& window) override;

  private:
    void ShowFade();

    std::string m_image;
    bool m_recording = false;
    int m_fade = kFadeHigh;
    int m_direction = -1;
};
