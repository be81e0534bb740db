#pragma once
// Picture buttons of the application.
//
// "HandImgButton": draws its "handimage" inside the button; while hovered it
// shows a 20 x 20 delete icon 30 pixels from the right and 29 from the bottom
// (scaled by the DPI), hot while the pointer is over it. A click on the icon
// raises "click_handdelete" instead of "click". Entering and leaving raise
// "msenter" and "msleave".
//
// "HandImgSelectButton": shows a window onto a "handimage" larger than the
// button; dragging with the left button held moves the visible part, which
// the image string "file='<image>' source='l,t,r,b'" names. Raises "msenter"
// and "msleave"; "cursor" names the pointer shape shown over it.
//
// UI thread only.

#include <string>
#include <string_view>

#include "platform/ui/button.h"

class CHandImgButtonUI : public ui::Button {
  public:
    static constexpr std::string_view kClassName = "HandImgButton";
    static constexpr std::string_view kDeleteClick = "click_handdelete";
    static constexpr int kIconSize = 20;
    static constexpr int kIconRight = 30;
    static constexpr int kIconBottom = 29;

    std::string_view GetClass() const override { return kClassName; }

    // DPI the icon geometry is scaled by (96 = unscaled).
    void SetDpi(int dpi) { m_dpi = dpi > 0 ? dpi : 96; }
    // Where the delete icon sits, in window pixels.
    ui::Rect DeleteIconRect() const;
    bool IsHovered() const { return m_hovered; }
    bool IsIconHot() const { return m_iconHot; }

    bool IsCustomPainted() const override { return true; }
    void Paint(ui::Painter& painter) override;
    bool HandleInput(const ui::InputEvent& event) override;
    const ui::AttributeTable& Attributes() const override;

  private:
    int Scaled(int px) const { return px * m_dpi / 96; }

    std::string m_handImage;
    std::string m_deleteNormal;
    std::string m_deleteHot;
    int m_dpi = 96;
    bool m_hovered = false;
    bool m_iconHot = false;
    bool m_pressedOnIcon = false;
};

class CHandImgSelectButtonUI : public ui::Button {
  public:
    static constexpr std::string_view kClassName = "HandImgSelectButton";

    std::string_view GetClass() const override { return kClassName; }

    // The size of the whole hand image; the visible part never leaves it.
    void SetImageSize(ui::Size size);
    ui::Size GetImageSize() const { return m_imageSize; }
    // Top-left corner of the visible part inside the image.
    ui::Point GetOffset() const { return m_offset; }
    void SetOffset(ui::Point offset);
    // "file='<image>' source='l,t,r,b'" for the visible part.
    std::string VisibleImage() const;
    const std::string& GetCursor() const { return m_cursor; }

    bool IsCustomPainted() const override { return true; }
    void Paint(ui::Painter& painter) override;
    bool HandleInput(const ui::InputEvent& event) override;
    const ui::AttributeTable& Attributes() const override;

  private:
    std::string m_handImage;
    std::string m_cursor = "arrow";
    ui::Size m_imageSize;
    ui::Point m_offset;
    bool m_dragging = false;
    ui::Point m_dragFrom;
    ui::Point m_offsetFrom;
};
