#pragma once
// The mouse's ten logical buttons and where its key table carries them.
//
// A mouse reports, in its factory state, one known code per physical button
// (for example 0x10 0x01 0x00 for the left button). At connection the key
// table read from the mouse is searched for those codes, and the map gives,
// per logical button, the key position that carries it, or kNotMapped. A key
// list entry i is uploaded to the position of logical button i.
//
// Pure data; any thread.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace mouse {

inline constexpr int kLogicalButtons = 10;
inline constexpr uint8_t kNotMapped = 126;

struct LogicalButton {
    std::string_view name;  // language key of the button's name
    uint8_t kind;
    uint8_t param1;
    uint8_t param2;
};

// Left, right, middle, forward, back, DPI up, DPI down, DPI cycle, game
// mode, M8, in this order.
std::span<const LogicalButton> LogicalButtons();

// Index of the logical button called `word` ("left", "forward", "dpi-up" …,
// or its number), or -1.
int FindLogicalButton(std::string_view word);
// The short words FindLogicalButton takes, in button order.
std::span<const std::string_view> LogicalButtonWords();

// The map for a key table of `positions` three-byte entries: one entry per
// position (kNotMapped), then entry b of each logical button whose code the
// table holds set to the lowest position holding it (the map grows to hold
// entry b when the table has fewer positions). `table` holds at least
// 3 x positions bytes.
std::vector<uint8_t> BuildButtonMap(std::span<const uint8_t> table, size_t positions);

}  // namespace mouse
