#include "platform/hid/linux/collection_path.h"

#include <cctype>
#include <cstdio>

namespace platform::hid::linux_hid {
namespace {

std::string Lower(const std::string& text) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

// Reads hexadecimal digits from text at pos; false when there are none or the
// value does not fit in 32 bits.
bool ReadHex(const std::string& text, size_t pos, uint32_t& value) {
    value = 0;
    size_t digits = 0;
    for (; pos < text.size() && std::isxdigit(static_cast<unsigned char>(text[pos])); ++pos) {
        if (++digits > 8) {
            return false;
        }
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[pos])));
        value = value * 16 + static_cast<uint32_t>(c <= '9' ? c - '0' : c - 'a' + 10);
    }
    return digits > 0;
}

}  // namespace

std::string MakeCollectionPath(const std::string& devnode, const CollectionPathParts& parts) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "&vid_%04x&pid_%04x", parts.vendorId, parts.productId);
    std::string path = devnode + buffer;
    if (parts.interfaceNumber) {
        std::snprintf(buffer, sizeof buffer, "&mi_%02x", *parts.interfaceNumber);
        path += buffer;
    }
    if (parts.collectionNumber != 0) {
        std::snprintf(buffer, sizeof buffer, "&col%02x", parts.collectionNumber);
        path += buffer;
    }
    return path;
}

std::string NodeOfPath(const std::string& path) {
    if (path.empty() || path[0] != '/') {
        return {};
    }
    return path.substr(0, path.find('&'));
}

std::optional<uint32_t> TokenValue(const std::string& path, const std::string& token) {
    const std::string lower = Lower(path);
    const size_t at = lower.find(Lower(token));
    uint32_t value = 0;
    if (at == std::string::npos || !ReadHex(lower, at + token.size(), value)) {
        return std::nullopt;
    }
    return value;
}

uint16_t CollectionNumberOfPath(const std::string& path) {
    const auto value = TokenValue(path, "&col");
    return value && *value <= 0xFFFF ? static_cast<uint16_t>(*value) : 0;
}

bool ParseHidId(const std::string& text, uint16_t& bus, uint16_t& vendor, uint16_t& product) {
    uint32_t fields[3] = {};
    size_t pos = 0;
    for (int i = 0; i < 3; ++i) {
        if (!ReadHex(text, pos, fields[i]) || fields[i] > 0xFFFF) {
            return false;
        }
        pos = text.find(':', pos);
        if (i < 2 && pos == std::string::npos) {
            return false;
        }
        ++pos;
    }
    bus = static_cast<uint16_t>(fields[0]);
    vendor = static_cast<uint16_t>(fields[1]);
    product = static_cast<uint16_t>(fields[2]);
    return true;
}

std::optional<uint16_t> InterfaceFromPhys(const std::string& phys) {
    const size_t at = phys.rfind("/input");
    if (at == std::string::npos) {
        return std::nullopt;
    }
    const size_t first = at + 6;
    if (first >= phys.size()) {
        return std::nullopt;
    }
    uint32_t value = 0;
    for (size_t i = first; i < phys.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(phys[i])) || value > 0xFFF) {
            return std::nullopt;
        }
        value = value * 10 + static_cast<uint32_t>(phys[i] - '0');
    }
    return static_cast<uint16_t>(value);
}

}  // namespace platform::hid::linux_hid
