#include "shell/controls/hand_img_button.h"

#include <algorithm>
#include <array>

#include "platform/ui/label.h"

namespace {

using Type = ui::InputEvent::Type;

constexpr std::array<std::string_view, 14> kCursors = {
    "arrow",    "ibeam",    "wait",   "cross",  "uparrow", "size", "icon",
    "sizenwse", "sizenesw", "sizewe", "sizens", "sizeall", "no",   "hand"};

bool IsKnownCursor(std::string_view name) {
    return std::any_of(kCursors.begin(), kCursors.end(),
                       [&](std::string_view c) { return ui::EqualsNoCase(c, name); });
}

}  // namespace

// --- CHandImgButtonUI ---------------------------------------------------------

ui::Rect CHandImgButtonUI::DeleteIconRect() const {
    const ui::Rect r = GetHostRect();
    const int left = r.right - Scaled(kIconRight);
    const int top = r.bottom - Scaled(kIconBottom);
    return ui::Rect{left, top, left + Scaled(kIconSize), top + Scaled(kIconSize)};
}

void CHandImgButtonUI::Paint(ui::Painter& painter) {
    const ui::Rect r = GetHostRect();
    if (!m_handImage.empty()) {
        painter.DrawImage(m_handImage, r, std::nullopt, 255);
    }
    if (!m_hovered) {
        return;
    }
    const std::string& icon = m_iconHot && !m_deleteHot.empty() ? m_deleteHot : m_deleteNormal;
    if (!icon.empty()) {
        painter.DrawImage(icon, DeleteIconRect(), std::nullopt, 255);
    }
}

bool CHandImgButtonUI::HandleInput(const ui::InputEvent& event) {
    const bool onIcon = DeleteIconRect().Contains(event.pos);
    switch (event.type) {
        case Type::Enter:
            m_hovered = true;
            m_iconHot = onIcon;
            Invalidate();
            SendNotify(ui::notify::kMouseEnter);
            return false;
        case Type::Leave:
            m_hovered = m_iconHot = m_pressedOnIcon = false;
            Invalidate();
            SendNotify(ui::notify::kMouseLeave);
            return false;
        case Type::Move:
            if (onIcon != m_iconHot) {
                m_iconHot = onIcon;
                Invalidate();
            }
            return false;
        case Type::ButtonDown:
            // The icon only exists while hovered; a press on it is ours alone.
            m_pressedOnIcon = m_hovered && onIcon && IsEnabled();
            return m_pressedOnIcon;
        case Type::ButtonUp: {
            const bool deleteClick = m_pressedOnIcon && onIcon;
            const bool wasOurs = m_pressedOnIcon;
            m_pressedOnIcon = false;
            if (deleteClick) {
                SendNotify(kDeleteClick);
            }
            return wasOurs;
        }
        default:
            return false;
    }
}

const ui::AttributeTable& CHandImgButtonUI::Attributes() const {
    static const ui::AttributeTable table = [] {
        ui::AttributeTable t(&ui::Label::LabelAttributes());
        t.Add("handimage", [](ui::Control& c, std::string_view v) {
            static_cast<CHandImgButtonUI&>(c).m_handImage = std::string(v);
            return true;
        });
        t.Add("deletenormalimage", [](ui::Control& c, std::string_view v) {
            static_cast<CHandImgButtonUI&>(c).m_deleteNormal = std::string(v);
            return true;
        });
        t.Add("deletehotimage", [](ui::Control& c, std::string_view v) {
            static_cast<CHandImgButtonUI&>(c).m_deleteHot = std::string(v);
            return true;
        });
        return t;
    }();
    return table;
}

// --- CHandImgSelectButtonUI ---------------------------------------------------

void CHandImgSelectButtonUI::SetImageSize(ui::Size size) {
    m_imageSize = size;
    SetOffset(m_offset);
}

void CHandImgSelectButtonUI::SetOffset(ui::Point offset) {
    const ui::Rect r = GetHostRect();
    // The visible part stays inside the image; an image smaller than the
    // button is shown from its corner.
    const int maxX = std::max(0, m_imageSize.width - r.Width());
    const int maxY = std::max(0, m_imageSize.height - r.Height());
    const ui::Point clamped{std::clamp(offset.x, 0, maxX), std::clamp(offset.y, 0, maxY)};
    if (!(clamped == m_offset)) {
        m_offset = clamped;
        Invalidate();
    }
}

std::string CHandImgSelectButtonUI::VisibleImage() const {
    const ui::Rect r = GetHostRect();
    const int right = m_offset.x + std::min(r.Width(), m_imageSize.width);
    const int bottom = m_offset.y + std::min(r.Height(), m_imageSize.height);
    return "file='" + m_handImage + "' source='" + std::to_string(m_offset.x) + "," +
           std::to_string(m_offset.y) + "," + std::to_string(right) + "," + std::to_string(bottom) +
           "'";
}

void CHandImgSelectButtonUI::Paint(ui::Painter& painter) {
    if (m_handImage.empty()) {
        return;
    }
    const ui::Rect r = GetHostRect();
    const ui::Rect source{m_offset.x, m_offset.y, m_offset.x + r.Width(), m_offset.y + r.Height()};
    painter.DrawImage(m_handImage, r, source, 255);
}

bool CHandImgSelectButtonUI::HandleInput(const ui::InputEvent& event) {
    switch (event.type) {
        case Type::Enter:
            SendNotify(ui::notify::kMouseEnter);
            return false;
        case Type::Leave:
            m_dragging = false;
            SendNotify(ui::notify::kMouseLeave);
            return false;
        case Type::ButtonDown:
            m_dragging = (event.button & ui::InputEvent::kLeft) != 0 && IsEnabled();
            m_dragFrom = event.pos;
            m_offsetFrom = m_offset;
            return false;
        case Type::Move:
            if (m_dragging && (event.button & ui::InputEvent::kLeft) != 0) {
                // The picture follows the pointer, so the window moves the other way.
                SetOffset(ui::Point{m_offsetFrom.x - (event.pos.x - m_dragFrom.x),
                                    m_offsetFrom.y - (event.pos.y - m_dragFrom.y)});
                return true;
            }
            return false;
        case Type::ButtonUp:
            m_dragging = false;
            return false;
        default:
            return false;
    }
}

const ui::AttributeTable& CHandImgSelectButtonUI::Attributes() const {
    static const ui::AttributeTable table = [] {
        ui::AttributeTable t(&ui::Label::LabelAttributes());
        t.Add("handimage", [](ui::Control& c, std::string_view v) {
            static_cast<CHandImgSelectButtonUI&>(c).m_handImage = std::string(v);
            return true;
        });
        t.Add("handimagesize", [](ui::Control& c, std::string_view v) {
            auto size = ui::ParseSize(v);
            if (size) {
                static_cast<CHandImgSelectButtonUI&>(c).SetImageSize(*size);
            }
            return size.has_value();
        });
        t.Add("cursor", [](ui::Control& c, std::string_view v) {
            if (!IsKnownCursor(v)) {
                return false;
            }
            static_cast<CHandImgSelectButtonUI&>(c).m_cursor = ui::ToLowerAscii(v);
            return true;
        });
        return t;
    }();
    return table;
}
