#include "profile/macro_records.h"

#include <cmath>
#include <string>

#include "profile/json_fields.h"

namespace macro {
namespace {

uint16_t Clamp(int64_t value) {
    if (value < 0) {
        return 0;
    }
    return value > kMaxDelay ? kMaxDelay : static_cast<uint16_t>(value);
}

uint16_t DelayFromText(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    if (i < text.size() && text[i] == '+') {
        ++i;
    }
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        // Stop growing once past the limit: a long run of digits must not overflow.
        if (value <= kMaxDelay) {
            value = value * 10 + (text[i] - '0');
        }
    }
    return Clamp(value);
}

bool IsMacroKind(const KeyAssignment& key) {
    return key.kind == kKindMacro || key.kind == kKindMacroRepeat;
}

}  // namespace

uint16_t ParseDelay(const Json::Value& delay) {
    if (delay.isString()) {
        return DelayFromText(delay.asString());
    }
    return Clamp(profile::json::Integer(delay));
}

bool IsDown(const Json::Value& event) {
    const Json::Value& action = profile::json::Member(event, "Action");
    return action.isString() && action.asString() == "down";
}

MacroEventRecord PackEvent(const Json::Value& event) {
    const uint16_t delay = ParseDelay(profile::json::Member(event, "Delay"));
    MacroEventRecord record;
    record.delayLow = static_cast<uint8_t>(delay & 0xFF);
    record.delayHigh = static_cast<uint8_t>(delay >> 8);
    record.type =
        static_cast<uint8_t>((profile::json::Low8(profile::json::Member(event, "Type")) & 0x7F) |
                             (IsDown(event) ? 0x80 : 0x00));
    record.button = profile::json::Low8(profile::json::Member(event, "Button"));
    return record;
}

Json::Value MakeEvent(bool down, uint8_t type, uint8_t button, uint16_t delay) {
    Json::Value event(Json::objectValue);
    event["Action"] = down ? "down" : "up";
    event["Button"] = button;
    event["Type"] = type;
    event["Delay"] = std::to_string(delay);
    return event;
}

bool PlaysMacro(const KeyAssignment& key, int index) {
    return IsMacroKind(key) && key.param1 == index;
}

bool AnyKeyPlays(const std::vector<KeyEntry>& keys, int index) {
    for (const KeyEntry& key : keys) {
        if (PlaysMacro(key.current, index)) {
            return true;
        }
    }
    return false;
}

bool RenumberAfterRemoval(std::vector<KeyEntry>& keys, int removed) {
    bool changed = false;
    for (KeyEntry& key : keys) {
        if (!IsMacroKind(key.current)) {
            continue;
        }
        if (key.current.param1 == removed) {
            const uint16_t index = key.current.keyIndex;
            key.current = key.defaults;
            key.current.keyIndex = index;
            changed = true;
        } else if (key.current.param1 > removed) {
            --key.current.param1;
            changed = true;
        }
    }
    return changed;
}

bool ResetMissingMacros(std::vector<KeyEntry>& keys, int macroCount) {
    bool changed = false;
    for (KeyEntry& key : keys) {
        if (IsMacroKind(key.current) && key.current.param1 >= macroCount &&
            !(key.current == key.defaults)) {
            const uint16_t index = key.current.keyIndex;
            key.current = key.defaults;
            key.current.keyIndex = index;
            changed = true;
        }
    }
    return changed;
}

}  // namespace macro
