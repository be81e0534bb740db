#include "device/mouse_identity.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "device/catalogue.h"

namespace device {
namespace {

std::string_view Trim(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    const size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool ParseId(std::string_view text, uint16_t& id) {
    if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
    }
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty() || value == 0 ||
        value > 0xFFFF) {
        return false;
    }
    id = static_cast<uint16_t>(value);
    return true;
}

std::string Hex4(uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", value);
    return text;
}

}  // namespace

bool ParseMouseIdentity(std::string_view text, MouseIdentity& out, std::string& problem) {
    MouseIdentity identity;
    bool vendor = false;
    bool product = false;
    bool link = false;
    int number = 0;
    while (!text.empty()) {
        ++number;
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        line = Trim(line.substr(0, line.find('#')));
        if (line.empty()) {
            continue;
        }
        const std::string where = "line " + std::to_string(number) + ": ";
        const size_t gap = line.find_first_of(" \t");
        const std::string_view word = line.substr(0, gap);
        const std::string_view value =
            gap == std::string_view::npos ? std::string_view() : Trim(line.substr(gap));
        if (word == "vendor" || word == "product") {
            bool& seen = word == "vendor" ? vendor : product;
            uint16_t& id = word == "vendor" ? identity.vendorId : identity.productId;
            if (seen || !ParseId(value, id)) {
                problem = where + std::string(seen ? "a second " : "") + std::string(word) +
                          (seen ? "" : " needs a hexadecimal ID from 1 to FFFF");
                return false;
            }
            seen = true;
        } else if (word == "link") {
            if (link || (value != "wired" && value != "slow")) {
                problem = where + (link ? "a second link" : "link is wired or slow");
                return false;
            }
            identity.kind = value == "slow" ? kKindSlowMouse : kKindMouse;
            link = true;
        } else {
            problem = where + "unknown setting \"" + std::string(word) + "\"";
            return false;
        }
    }
    if (!vendor || !product) {
        problem = !vendor ? "no vendor line" : "no product line";
        return false;
    }
    out = identity;
    return true;
}

MouseIdentityRead ReadMouseIdentity(const std::vector<std::string>& paths) {
    MouseIdentityRead read;
    for (const std::string& path : paths) {
        std::error_code error;
        if (!std::filesystem::exists(path, error)) {
            continue;
        }
        std::ifstream file(path, std::ios::binary);
        if (!file || !std::filesystem::is_regular_file(path, error)) {
            read.refused.push_back(path + ": cannot be read");
            continue;
        }
        std::string text(kMouseIdentityMaxBytes + 1, '\0');
        file.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<size_t>(file.gcount()));
        if (text.size() > kMouseIdentityMaxBytes) {
            read.refused.push_back(path + ": larger than 4 KiB");
            continue;
        }
        MouseIdentity identity;
        std::string problem;
        if (!ParseMouseIdentity(text, identity, problem)) {
            read.refused.push_back(path + ": " + problem);
            continue;
        }
        identity.source = path;
        read.identity = identity;
        read.found = true;
        break;
    }
    return read;
}

std::string DescribeMouseIdentity(const MouseIdentityRead& read) {
    if (!read.found) {
        return "mouse identity: none (no " + std::string(kMouseIdentityFile) +
               "; the mouse rows name vendor and product 0)";
    }
    const MouseIdentity& id = read.identity;
    return "mouse identity: vid " + Hex4(id.vendorId) + " pid " + Hex4(id.productId) + ", " +
           KindName(id.kind) + ", from " + id.source;
}

}  // namespace device
