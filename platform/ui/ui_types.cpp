#include "platform/ui/ui_types.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>

namespace ui {
namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

std::optional<int64_t> ParseInteger(std::string_view text, int base) {
    if (text.empty()) {
        return std::nullopt;
    }
    int64_t value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
    if (ec != std::errc() || ptr != end) {
        return std::nullopt;
    }
    return value;
}

// Splits "a,b,c,d" into exactly `count` integers.
template <size_t N>
std::optional<std::array<int, N>> ParseInts(std::string_view text) {
    std::array<int, N> out{};
    for (size_t i = 0; i < N; ++i) {
        size_t comma = text.find(',');
        if ((comma == std::string_view::npos) != (i + 1 == N)) {
            return std::nullopt;
        }
        auto value = ParseInt(text.substr(0, comma));
        if (!value) {
            return std::nullopt;
        }
        out[i] = *value;
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    }
    return out;
}

}  // namespace

std::optional<int> ParseInt(std::string_view text) {
    text = Trim(text);
    bool negative = !text.empty() && text.front() == '-';
    if (negative) {
        text.remove_prefix(1);
    }
    std::optional<int64_t> value;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        value = ParseInteger(text.substr(2), 16);
    } else if (!text.empty() && text.front() != '+' && text.front() != '-') {
        value = ParseInteger(text, 10);
    }
    if (!value || *value > 0xFFFFFFFFLL) {
        return std::nullopt;
    }
    int64_t v = negative ? -*value : *value;
    if (v > INT32_MAX) {
        v = static_cast<int32_t>(static_cast<uint32_t>(v));  // 0xFFFFFFFF-style bit patterns
    }
    if (v < INT32_MIN) {
        return std::nullopt;
    }
    return static_cast<int>(v);
}

std::optional<bool> ParseBool(std::string_view text) {
    text = Trim(text);
    if (text == "true" || text == "1" || EqualsNoCase(text, "true")) {
        return true;
    }
    if (text == "false" || text == "0" || EqualsNoCase(text, "false")) {
        return false;
    }
    return std::nullopt;
}

std::optional<Color> ParseColor(std::string_view text) {
    text = Trim(text);
    std::optional<int64_t> value;
    size_t digits = 0;
    if (!text.empty() && text.front() == '#') {
        digits = text.size() - 1;
        value = ParseInteger(text.substr(1), 16);
    } else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        digits = text.size() - 2;
        value = ParseInteger(text.substr(2), 16);
    } else {
        value = ParseInteger(text, 10);
        digits = 8;
    }
    if (!value || *value < 0 || *value > 0xFFFFFFFFLL || (digits != 6 && digits != 8)) {
        return std::nullopt;
    }
    uint32_t argb = static_cast<uint32_t>(*value);
    if (digits == 6) {
        argb |= 0xFF000000u;
    }
    return Color{argb};
}

std::optional<Rect> ParseRect(std::string_view text) {
    auto v = ParseInts<4>(text);
    if (!v) {
        return std::nullopt;
    }
    return Rect{(*v)[0], (*v)[1], (*v)[2], (*v)[3]};
}

std::optional<Size> ParseSize(std::string_view text) {
    auto v = ParseInts<2>(text);
    if (!v) {
        return std::nullopt;
    }
    return Size{(*v)[0], (*v)[1]};
}

std::string FormatColor(Color c) {
    char buf[12];
    std::snprintf(buf, sizeof buf, "#%08X", c.argb);
    return buf;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y) {
            return false;
        }
    }
    return true;
}

std::string ToLowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

std::optional<IndexedName> SplitIndexedName(std::string_view name) {
    size_t pos = name.rfind('_');
    if (pos == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view digits = name.substr(pos + 1);
    if (digits.empty() || digits.size() > 9) {
        return std::nullopt;
    }
    for (char c : digits) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
    }
    int number = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), number);
    return IndexedName{name.substr(0, pos + 1), number};
}

}  // namespace ui
