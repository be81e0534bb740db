#pragma once
// "CircleProgress": a progress value drawn as a ring. The background colour
// fills the whole disc, a pie of the foreground colour sweeps clockwise from
// twelve o'clock in proportion to the value, and a white disc inset by
// kRingWidth pixels hollows it out.
//
// UI thread only, like every control.

#include <string_view>

#include "platform/ui/range_controls.h"

class CCircleProgressUI : public ui::Progress {
  public:
    static constexpr std::string_view kClassName = "CircleProgress";
    static constexpr int kRingWidth = 10;

    std::string_view GetClass() const override { return kClassName; }

    // The sweep of the foreground pie in degrees: 0 at the minimum, 360 at the
    // maximum, and 0 for an empty range (a range with max == min has no
    // progress to show rather than a division by zero).
    double SweepDegrees() const;

    bool IsCustomPainted() const override { return true; }
    void Paint(ui::Painter& painter) override;
};
