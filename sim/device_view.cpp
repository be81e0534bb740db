#include "sim/device_view.h"

#include <cstdio>

namespace sim {

namespace {

constexpr std::pair<MemoryArea, const char*> kAreas[] = {
    {MemoryArea::Params, "params"}, {MemoryArea::Keys, "keys"},     {MemoryArea::Leds, "leds"},
    {MemoryArea::Macros, "macros"}, {MemoryArea::Colors, "colors"},
};

}  // namespace

std::optional<MemoryArea> ParseMemoryArea(std::string_view name) {
    for (const auto& [area, text] : kAreas) {
        if (name == text) {
            return area;
        }
    }
    return std::nullopt;
}

const char* MemoryAreaName(MemoryArea area) {
    for (const auto& [value, text] : kAreas) {
        if (value == area) {
            return text;
        }
    }
    return "?";
}

std::vector<std::string> HexDump(std::span<const uint8_t> bytes) {
    std::vector<std::string> lines;
    for (size_t offset = 0; offset < bytes.size(); offset += 16) {
        char head[32];
        std::snprintf(head, sizeof(head), "%04zx:", offset);
        std::string line = head;
        for (size_t i = offset; i < bytes.size() && i < offset + 16; ++i) {
            char byte[4];
            std::snprintf(byte, sizeof(byte), " %02x", bytes[i]);
            line += byte;
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

const char* CommandName(uint8_t command) {
    switch (command) {
        case 0x01:
            return "BeginWrite";
        case 0x02:
            return "EndWrite";
        case 0x03:
            return "ReadDeviceInfo";
        case 0x05:
            return "ReadParameters";
        case 0x06:
            return "WriteParameters";
        case 0x07:
            return "ReadKeyTable";
        case 0x09:
            return "WriteKeyTable";
        case 0x0B:
            return "WriteColorTable";
        case 0x12:
            return "StreamFrame";
        case 0x13:
            return "NotifyHostExit";
        case 0x15:
            return "WriteMacroImage";
        case 0x1A:
            return "ReadBytes";
        case 0x1B:
            return "ReadLedMap";
        case 0xAA:
            return "Probe";
        default:
            return "unknown";
    }
}

}  // namespace sim
