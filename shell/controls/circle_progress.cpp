#include "shell/controls/circle_progress.h"

#include <algorithm>

namespace {

constexpr ui::Color kWhite{0xFFFFFFFF};
constexpr ui::Color kDefaultBack{0xFF3A3F4A};
constexpr ui::Color kDefaultFore{0xFF0099FF};

// The largest square centred in `r`, so the ring stays round in any rectangle.
ui::Rect CentredSquare(const ui::Rect& r) {
    const int side = std::min(r.Width(), r.Height());
    const int left = r.left + (r.Width() - side) / 2;
    const int top = r.top + (r.Height() - side) / 2;
    return ui::Rect{left, top, left + side, top + side};
}

}  // namespace

double CCircleProgressUI::SweepDegrees() const {
    const int span = m_max - m_min;
    if (span <= 0) {
        return 0.0;
    }
    // The value is relative to the minimum, so a range of 50..150 at 100 is half.
    const double fraction = static_cast<double>(m_value - m_min) / span;
    return std::clamp(fraction, 0.0, 1.0) * 360.0;
}

void CCircleProgressUI::Paint(ui::Painter& painter) {
    const ui::Rect disc = CentredSquare(GetHostRect());
    if (disc.IsEmpty()) {
        return;
    }
    painter.FillEllipse(disc, GetColor(ui::ColorRole::Background).value_or(kDefaultBack));
    const double sweep = SweepDegrees();
    if (sweep > 0.0) {
        // Clockwise from twelve o'clock; the painter counts counter-clockwise.
        painter.FillPie(disc, GetColor(ui::ColorRole::Fore).value_or(kDefaultFore), 90.0, -sweep);
    }
    const ui::Rect inner{disc.left + kRingWidth, disc.top + kRingWidth, disc.right - kRingWidth,
                         disc.bottom - kRingWidth};
    if (!inner.IsEmpty()) {
        painter.FillEllipse(inner, GetColor(ui::ColorRole::SelectedBackground).value_or(kWhite));
    }
    const std::string text = GetText();
    if (!text.empty()) {
        painter.DrawText(text, disc, GetColor(ui::ColorRole::Text).value_or(ui::Color{0xFF000000}),
                         GetFont(), ui::TextAlign::Center);
    }
}
