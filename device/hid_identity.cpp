#include "device/hid_identity.h"

#include <cctype>

namespace device {
namespace {

char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

size_t FindNoCase(std::string_view text, std::string_view token) {
    if (token.empty() || token.size() > text.size()) {
        return std::string_view::npos;
    }
    for (size_t at = 0; at + token.size() <= text.size(); ++at) {
        size_t i = 0;
        while (i < token.size() && Lower(text[at + i]) == Lower(token[i])) {
            ++i;
        }
        if (i == token.size()) {
            return at;
        }
    }
    return std::string_view::npos;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = Lower(c);
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

}  // namespace

uint32_t ParsePathNumber(std::string_view path, std::string_view token) {
    const size_t at = FindNoCase(path, token);
    if (at == std::string_view::npos) {
        return 0;
    }
    uint64_t value = 0;
    for (size_t i = at + token.size(); i < path.size(); ++i) {
        const int digit = HexDigit(path[i]);
        if (digit < 0) {
            break;
        }
        value = value * 16 + static_cast<uint64_t>(digit);
        if (value > 0xFFFFFFFFull) {
            return 0xFFFFFFFFu;
        }
    }
    return static_cast<uint32_t>(value);
}

InterfaceRecord ParsePathIdentity(std::string_view path) {
    InterfaceRecord identity;
    identity.vendorId = static_cast<uint16_t>(ParsePathNumber(path, "vid_"));
    identity.productId = static_cast<uint16_t>(ParsePathNumber(path, "pid_"));
    identity.interfaceNumber = static_cast<uint16_t>(ParsePathNumber(path, "&mi_"));
    identity.collectionNumber = static_cast<uint16_t>(ParsePathNumber(path, "&col"));
    return identity;
}

}  // namespace device
