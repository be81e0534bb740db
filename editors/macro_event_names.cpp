#include "editors/macro_event_names.h"

#include <array>
#include <cstdio>

#include "profile/json_fields.h"
#include "profile/key_tables.h"
#include "profile/macro_records.h"

namespace macro {
namespace {

constexpr std::array<MouseButtonName, 5> kMouseButtons = {{
    {"left", 0x01, "mouse_key_left"},
    {"right", 0x02, "mouse_key_right"},
    {"middle", 0x04, "mouse_key_middle"},
    {"forward", 0x10, "mouse_key_forward"},
    {"back", 0x08, "mouse_key_back"},
}};

uint8_t TypeOf(const Json::Value& event) {
    return profile::json::Low8(profile::json::Member(event, "Type"));
}

uint8_t ButtonOf(const Json::Value& event) {
    return profile::json::Low8(profile::json::Member(event, "Button"));
}

std::string Numbers(uint8_t type, uint8_t button) {
    char text[32];
    std::snprintf(text, sizeof text, "%u:0x%02X", type, button);
    return text;
}

}  // namespace

std::optional<MouseButtonName> MouseButtonByItem(std::string_view item) {
    for (const MouseButtonName& row : kMouseButtons) {
        if (row.item == item) {
            return row;
        }
    }
    return std::nullopt;
}

std::optional<MouseButtonName> MouseButtonByBit(uint8_t button) {
    for (const MouseButtonName& row : kMouseButtons) {
        if (row.button == button) {
            return row;
        }
    }
    return std::nullopt;
}

EventName NameOfEvent(const Json::Value& event) {
    const uint8_t type = TypeOf(event);
    const uint8_t button = ButtonOf(event);
    const bool down = IsDown(event);
    EventName name;
    switch (type) {
        case kTypeMouseButton:
            if (const auto row = MouseButtonByBit(button)) {
                name.key = row->key;
                return name;
            }
            break;
        case kTypeModifier: {
            // The modifier rows 0-7 carry the bit in parameter 1.
            const auto modifiers = keys::KeyboardRows().first(keys::kModifierRows);
            const int row = keys::FindRow(modifiers, keys::kKindKeyboard, button, 0);
            if (button != 0 && row >= 0) {
                name.key = modifiers[static_cast<size_t>(row)].name;
                return name;
            }
            break;
        }
        case kTypeKey: {
            const int row = keys::FindRow(keys::KeyboardRows(), keys::kKindKeyboard, 0, button);
            if (button != 0 && row >= 0) {
                name.key = keys::KeyboardRows()[static_cast<size_t>(row)].name;
                return name;
            }
            break;
        }
        case kTypeMoveX:
            name.key = down ? "mouse_move_to_left_text" : "mouse_move_to_right_text";
            name.suffix = std::to_string(button);
            return name;
        case kTypeMoveY:
            name.key = down ? "mouse_move_to_up_text" : "mouse_move_to_down_text";
            name.suffix = std::to_string(button);
            return name;
        default:
            break;
    }
    name.plain = Numbers(type, button);
    return name;
}

std::string_view ActionStyle(const Json::Value& event) {
    return IsDown(event) ? "macro_label_down_style" : "macro_label_up_style";
}

std::string_view NameStyle(const Json::Value& event) {
    switch (TypeOf(event)) {
        case kTypeModifier:
        case kTypeKey:
            return "macro_label_keyboard_style";
        case kTypeMouseButton:
        case kTypeMoveX:
        case kTypeMoveY:
            return "macro_label_mouse_style";
        default:
            return "macro_label_text_style";
    }
}

}  // namespace macro
