#pragma once
// A notification: what a control tells its window's receivers when something
// happened to it (a click, a selection, a committed slider value, a timer).
// Receivers run on the UI thread, one notification after the other, in the
// order the notifications were raised.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace ui {

class Control;

// Notification types raised by the built-in controls. Application controls
// may raise any other type text (for example "click_select_end").
namespace notify {
inline constexpr std::string_view kClick = "click";
inline constexpr std::string_view kSelectChanged = "selectchanged";
inline constexpr std::string_view kValueChanged = "valuechanged";
inline constexpr std::string_view kMoveValueChanged = "movevaluechanged";
inline constexpr std::string_view kItemSelect = "itemselect";
inline constexpr std::string_view kItemClick = "itemclick";
inline constexpr std::string_view kItemActivate = "itemactivate";
inline constexpr std::string_view kKillFocus = "killfocus";
inline constexpr std::string_view kSetFocus = "setfocus";
inline constexpr std::string_view kTextChanged = "textchanged";
inline constexpr std::string_view kReturn = "return";
inline constexpr std::string_view kTimer = "timer";
inline constexpr std::string_view kMenu = "menu";
inline constexpr std::string_view kWindowInit = "windowinit";
inline constexpr std::string_view kWindowSize = "windowsize";
inline constexpr std::string_view kHeaderClick = "headerclick";
inline constexpr std::string_view kColorChanged = "colorchanged";
inline constexpr std::string_view kMouseEnter = "msenter";
inline constexpr std::string_view kMouseLeave = "msleave";
inline constexpr std::string_view kDoubleClick = "dbclick";
}  // namespace notify

struct Notification {
    std::string type;
    Control* sender = nullptr;  // null only for window-level notifications without a root
    intptr_t wParam = 0;        // per type: itemselect = new index, timer = timer id, ...
    intptr_t lParam = 0;        // per type: itemselect = previous index, ...

    bool Is(std::string_view t) const { return type == t; }
    // The sender's name, or "" without a sender.
    const std::string& SenderName() const;
};

}  // namespace ui
