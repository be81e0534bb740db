#pragma once
// What the macro editor shows for an event: the name of its key, button or
// move, and which look its row takes.
//
// Keyboard keys (type 10) are named by the keyboard table's row with that
// HID usage, modifiers (type 9) by the modifier rows, mouse buttons (type 1)
// by the mouse button names, and cursor moves (types 4 and 5) by the move
// name of their direction followed by the distance. An event none of these
// name shows its type and button as numbers.
//
// Pure; any thread.

#include <json/json.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace macro {

struct EventName {
    std::string key;     // language key, empty when the name is plain text
    std::string suffix;  // shown after the translated key (" 40" for a move)
    std::string plain;   // the text when there is no key
};

EventName NameOfEvent(const Json::Value& event);

// The look of an event's rows: the style names of its action and its name.
std::string_view ActionStyle(const Json::Value& event);
std::string_view NameStyle(const Json::Value& event);

// The mouse buttons a macro can press, in the order of the event menu:
// "left" 0x01, "right" 0x02, "middle" 0x04, "forward" 0x10, "back" 0x08.
struct MouseButtonName {
    std::string_view item;  // the menu's word for it
    uint8_t button;
    std::string_view key;  // its name
};
std::optional<MouseButtonName> MouseButtonByItem(std::string_view item);
std::optional<MouseButtonName> MouseButtonByBit(uint8_t button);

}  // namespace macro
