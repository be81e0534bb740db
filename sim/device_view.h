#pragma once
// What a simulated device shows of itself to someone inspecting it from
// outside (veldmarkctl sim memory|frames|log, tests): its memory areas, the
// frames it was streamed and the commands it received. Every firmware
// implements it; a kind that keeps an area of its own, or shows its frames
// differently (the headset's LED planes), overrides what it changes, and
// the inspection commands show it without knowing the kind.
//
// Threads: any; implementations copy under the firmware's lock.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

enum class MemoryArea {
    Params,  // parameter (settings) memory
    Keys,    // key table
    Leds,    // LED map
    Macros,  // macro memory
    Colors,  // one colour group
};

// "params", "keys", "leds", "macros", "colors".
std::optional<MemoryArea> ParseMemoryArea(std::string_view name);
const char* MemoryAreaName(MemoryArea area);

class FirmwareView {
  public:
    virtual ~FirmwareView() = default;
    // The bytes of an area (`group` picks the colour group); nullopt when the
    // device has no such area, or no such group.
    virtual std::optional<std::vector<uint8_t>> Memory(MemoryArea area, size_t group) const = 0;
    // "frames: N" (how many were received), then the last one as the device
    // holds it, one line per LED.
    virtual std::vector<std::string> FrameLines() const = 0;
    // The commands received, by code, and the writes that came outside a
    // BeginWrite … EndWrite bracket.
    virtual std::vector<std::string> LogLines() const = 0;
};

// 16 bytes a line: "0010: aa 55 …" (offset in four hex digits, bytes in
// lower-case hex).
std::vector<std::string> HexDump(std::span<const uint8_t> bytes);

// The protocol's name of a command code ("BeginWrite"), "unknown" otherwise.
const char* CommandName(uint8_t command);

}  // namespace sim
