#include "profile/json_fields.h"

#include <cmath>
#include <limits>

namespace profile::json {
namespace {

const Json::Value& Null() {
    static const Json::Value null;
    return null;
}

// Length of the valid UTF-8 sequence starting at `at`, 0 when it is not one.
size_t Utf8SequenceLength(std::string_view text, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) {
        return 1;
    }
    size_t length = 0;
    uint32_t code = 0;
    uint32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, code = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (at + length > text.size()) {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            return 0;
        }
        code = code << 6 | (byte(at + i) & 0x3F);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code < minimum || surrogate || code > 0x10FFFF ? 0 : length;
}

}  // namespace

const Json::Value& Member(const Json::Value& value, const char* key) {
    if (!value.isObject()) {
        return Null();
    }
    const Json::Value* found = value.find(key, key + std::char_traits<char>::length(key));
    return found != nullptr ? *found : Null();
}

const Json::Value& Element(const Json::Value& value, Json::ArrayIndex index) {
    if (!value.isArray() || index >= value.size()) {
        return Null();
    }
    return value[index];
}

Json::ArrayIndex Size(const Json::Value& value) {
    return value.isArray() ? value.size() : 0;
}

int64_t Integer(const Json::Value& value) {
    switch (value.type()) {
        case Json::intValue:
            return value.asInt64();
        case Json::uintValue:
            // Values above the signed range keep their low 64 bits.
            return static_cast<int64_t>(value.asUInt64());
        case Json::realValue: {
            const double real = value.asDouble();
            constexpr double kLimit = 9.2e18;
            if (!std::isfinite(real) || real >= kLimit || real <= -kLimit) {
                return 0;
            }
            return static_cast<int64_t>(real);
        }
        case Json::booleanValue:
            return value.asBool() ? 1 : 0;
        default:
            return 0;
    }
}

uint8_t Low8(const Json::Value& value) {
    return static_cast<uint8_t>(static_cast<uint64_t>(Integer(value)) & 0xFF);
}

uint16_t Low16(const Json::Value& value) {
    return static_cast<uint16_t>(static_cast<uint64_t>(Integer(value)) & 0xFFFF);
}

uint8_t Truth(const Json::Value& value) {
    return Integer(value) != 0 ? 1 : 0;
}

int32_t Int32(const Json::Value& value) {
    const int64_t number = Integer(value);
    if (number > std::numeric_limits<int32_t>::max()) {
        return std::numeric_limits<int32_t>::max();
    }
    if (number < std::numeric_limits<int32_t>::min()) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(number);
}

std::string Text(const Json::Value& value) {
    return value.isString() ? ValidUtf8(value.asString()) : std::string();
}

std::string ValidUtf8(std::string_view text) {
    static constexpr char kReplacement[] = "\xEF\xBF\xBD";
    std::string result;
    result.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const size_t length = Utf8SequenceLength(text, i);
        if (length == 0) {
            result += kReplacement;
            ++i;
        } else {
            result.append(text.substr(i, length));
            i += length;
        }
    }
    return result;
}

Json::Value& ObjectMember(Json::Value& value, const char* key) {
    if (!value.isObject()) {
        value = Json::Value(Json::objectValue);
    }
    return value[key];
}

Json::Value& ArrayElement(Json::Value& value, Json::ArrayIndex index) {
    if (!value.isArray()) {
        value = Json::Value(Json::arrayValue);
    }
    if (index >= value.size()) {
        value.resize(index + 1);
    }
    return value[index];
}

}  // namespace profile::json
