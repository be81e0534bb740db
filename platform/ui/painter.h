#pragma once
// What a custom-painted control may draw, and the raw input a host forwards
// to it. A host implements Painter over its own drawing API; the headless
// host records the calls. Coordinates are the control's host rectangle
// (Control::GetHostRect) in window pixels.

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/ui/ui_types.h"

namespace ui {

enum class TextAlign { Left, Center, Right };

class Painter {
  public:
    virtual ~Painter() = default;
    virtual void FillRect(const Rect& rect, Color color) = 0;
    virtual void DrawRect(const Rect& rect, Color color, int width) = 0;
    virtual void FillEllipse(const Rect& bounds, Color color) = 0;
    // A pie slice of the ellipse in `bounds`; angles in degrees, 0 = three
    // o'clock, counter-clockwise positive.
    virtual void FillPie(const Rect& bounds, Color color, double startDegrees,
                         double sweepDegrees) = 0;
    virtual void DrawLine(Point from, Point to, Color color, int width) = 0;
    // A skin image (skin-relative path) into `dest`; `source` picks a part of
    // the image; fade 255 = opaque, 0 = invisible.
    virtual void DrawImage(std::string_view image, const Rect& dest,
                           const std::optional<Rect>& source, uint8_t fade) = 0;
    virtual void DrawText(std::string_view text, const Rect& rect, Color color,
                          const FontSpec& font, TextAlign align) = 0;
};

// Raw pointer and key input that a host forwards to controls that handle it
// themselves (custom classes); built-in controls get their user actions
// through their User... operations instead.
struct InputEvent {
    enum class Type {
        ButtonDown,
        ButtonUp,
        DoubleClick,
        Move,
        Enter,
        Leave,
        ContextMenu,
        KeyDown,
        KeyUp,
        Wheel,
    };
    enum Button { kLeft = 1, kRight = 2, kMiddle = 4 };

    Type type = Type::Move;
    Point pos;       // window pixels
    int button = 0;  // Button for pointer events
    int key = 0;     // host key code for key events
    int wheelDelta = 0;
    bool ctrl = false;
    bool shift = false;
    bool alt = false;
};

}  // namespace ui
