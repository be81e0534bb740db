#pragma once
// Small value types shared by the control tree, its hosts and the layout loader.
// Everything here is plain data; no toolkit header is included.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ui {

// Whether a setter raises the notification that a user's change would raise.
// Code that only mirrors stored state into a control passes Notify::No.
enum class Notify { Yes, No };

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    int width = 0;
    int height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// Left, top, right, bottom in pixels; right and bottom are exclusive.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Intersects(const Rect& o) const {
        return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
    }
    bool Contains(Point p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// Padding and insets use the same four numbers as Rect: left, top, right, bottom.
using Padding = Rect;

// A 32-bit colour 0xAARRGGBB. Alpha 0 is fully transparent, 255 opaque.
struct Color {
    uint32_t argb = 0;
    constexpr uint8_t Alpha() const { return static_cast<uint8_t>(argb >> 24); }
    constexpr uint8_t Red() const { return static_cast<uint8_t>(argb >> 16); }
    constexpr uint8_t Green() const { return static_cast<uint8_t>(argb >> 8); }
    constexpr uint8_t Blue() const { return static_cast<uint8_t>(argb); }
    static constexpr Color FromArgb(uint8_t a, uint8_t r, uint8_t g, uint8_t b) {
        return Color{static_cast<uint32_t>(a) << 24 | static_cast<uint32_t>(r) << 16 |
                     static_cast<uint32_t>(g) << 8 | b};
    }
    friend bool operator==(const Color&, const Color&) = default;
};

// A font either names an entry of the window's font table (id >= 0) or gives
// its own face and size (id < 0). A face left empty means the window's default.
struct FontSpec {
    int id = -1;
    std::string face;
    int size = 0;  // pixels; 0 = the default size
    bool bold = false;
    bool italic = false;
    bool underline = false;
    friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

// Attribute value parsers used by the layout loader and by controls that
// register their own attributes. Each returns nullopt on malformed text and
// never throws. Numbers are decimal, or hexadecimal with a "0x" prefix.
std::optional<int> ParseInt(std::string_view text);
std::optional<bool> ParseBool(std::string_view text);  // "true"/"false"/"1"/"0"
// "#AARRGGBB", "#RRGGBB" (opaque), "0xAARRGGBB" or a decimal 32-bit value.
std::optional<Color> ParseColor(std::string_view text);
std::optional<Rect> ParseRect(std::string_view text);  // "l,t,r,b"
std::optional<Size> ParseSize(std::string_view text);  // "w,h"
std::string FormatColor(Color c);                      // "#AARRGGBB"

// Case-insensitive ASCII comparison, as control and class names are matched
// where the skin may spell them either way.
bool EqualsNoCase(std::string_view a, std::string_view b);
std::string ToLowerAscii(std::string_view text);

// Splits a name such as "DPI_slider_3" at its last "_" into the prefix
// ("DPI_slider_", the "_" included) and the decimal number (3). Fails when the
// name has no "_" or nothing but decimal digits follows it.
struct IndexedName {
    std::string_view prefix;
    int number = 0;
};
std::optional<IndexedName> SplitIndexedName(std::string_view name);

}  // namespace ui
