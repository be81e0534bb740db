#pragma once
// "SelectPanel": rubber-band selection over a device picture.
//
// Pressing the left button on the panel (not on a key) starts a band; moving
// with the button held stretches it and repaints a translucent fill with a
// border; releasing marks every "DeviceKeyButton" inside the panel whose
// rectangle intersects the band as selected, unmarks the others, and raises
// "click_select_end" (also when the band touched no key, so the page can
// clear what depended on the old selection).
//
// UI thread only.

#include <optional>
#include <string_view>
#include <vector>

#include "platform/ui/container.h"

class CDeviceKeyButtonUI;

class CSelectPanelUI : public ui::VerticalLayout {
  public:
    static constexpr std::string_view kClassName = "SelectPanel";
    static constexpr std::string_view kSelectEnd = "click_select_end";
    static constexpr ui::Color kBandFill{0x460099FF};
    static constexpr ui::Color kBandBorder{0xFF0099FF};
    static constexpr int kBandBorderWidth = 2;

    std::string_view GetClass() const override { return kClassName; }

    // The band while the user drags, in window pixels (normalised so that
    // left <= right and top <= bottom); nullopt when no drag is running.
    std::optional<ui::Rect> GetBand() const;
    bool IsDragging() const { return m_dragging; }

    // Marks the key buttons that intersect `band`, unmarks the others, and
    // raises "click_select_end". Returns the keys now selected, in tree order.
    std::vector<CDeviceKeyButtonUI*> SelectInBand(const ui::Rect& band);
    // Every key button inside the panel, in tree order.
    std::vector<CDeviceKeyButtonUI*> KeyButtons() const;
    // Unmarks every key button (no notification).
    void ClearSelection();

    bool IsCustomPainted() const override { return true; }
    void Paint(ui::Painter& painter) override;
    bool HandleInput(const ui::InputEvent& event) override;

  private:
    bool m_dragging = false;
    ui::Point m_anchor;
    ui::Point m_current;
};
