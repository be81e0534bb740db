#include "mouse/mouse_buttons.h"

#include <charconv>

namespace mouse {
namespace {

constexpr std::array<LogicalButton, kLogicalButtons> kButtons = {{
    {"mouse_key_left", 0x10, 0x01, 0x00},
    {"mouse_key_right", 0x10, 0x02, 0x00},
    {"mouse_key_middle", 0x10, 0x04, 0x00},
    {"mouse_key_forward", 0x10, 0x10, 0x00},
    {"mouse_key_back", 0x10, 0x08, 0x00},
    {"mouse_key_DPI_add", 0x13, 0x01, 0x00},
    {"mouse_key_DPI_sub", 0x13, 0x02, 0x00},
    {"mouse_key_DPI_loop", 0x13, 0x03, 0x00},
    {"keyboard_key_GM", 0xA0, 0x1B, 0x00},
    {"mouse_key_M8_key", 0x16, 0x90, 0x01},
}};

constexpr std::array<std::string_view, kLogicalButtons> kWords = {
    "left", "right", "middle", "forward", "back", "dpi-up", "dpi-down", "dpi-cycle", "game", "m8"};

}  // namespace

std::span<const LogicalButton> LogicalButtons() {
    return kButtons;
}

std::span<const std::string_view> LogicalButtonWords() {
    return kWords;
}

int FindLogicalButton(std::string_view word) {
    for (size_t i = 0; i < kWords.size(); ++i) {
        if (kWords[i] == word) {
            return static_cast<int>(i);
        }
    }
    int number = -1;
    const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), number);
    if (ec == std::errc() && end == word.data() + word.size() && number >= 0 &&
        number < kLogicalButtons) {
        return number;
    }
    return -1;
}

std::vector<uint8_t> BuildButtonMap(std::span<const uint8_t> table, size_t positions) {
    std::vector<uint8_t> map(positions, kNotMapped);
    for (int b = 0; b < kLogicalButtons; ++b) {
        const LogicalButton& button = kButtons[static_cast<size_t>(b)];
        for (size_t p = 0; p < positions && 3 * p + 2 < table.size(); ++p) {
            if (table[3 * p] == button.kind && table[3 * p + 1] == button.param1 &&
                table[3 * p + 2] == button.param2) {
                if (static_cast<size_t>(b) >= map.size()) {
                    map.resize(static_cast<size_t>(b) + 1, kNotMapped);
                }
                map[static_cast<size_t>(b)] = static_cast<uint8_t>(p);
                break;
            }
        }
    }
    return map;
}

}  // namespace mouse
