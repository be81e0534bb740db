#pragma once
// Type-safe access to parsed JSON documents.
//
// Profile documents, lists and stores come from files a user can edit or
// import, so nothing here trusts the shape of a value: a member of something
// that is not an object, an element of something that is not an array and a
// number of something that is not a number all read as null or 0 instead of
// throwing. The writers turn a value of the wrong type into the container they
// need, so that writing into a damaged section never throws either.

#include <json/json.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace profile::json {

// The member `key` of an object; null for anything else or when absent.
const Json::Value& Member(const Json::Value& value, const char* key);

// Element `index` of an array; null for anything else or when out of range.
const Json::Value& Element(const Json::Value& value, Json::ArrayIndex index);

// Number of elements of an array, 0 for anything else.
Json::ArrayIndex Size(const Json::Value& value);

// The integer a value stands for, in 64 bits: integers as they are, reals
// truncated (0 when not finite or beyond 64 bits), true as 1, everything else
// (null, false, text, containers) as 0.
int64_t Integer(const Json::Value& value);

// Low 8 and low 16 bits of Integer, and its truth (non-zero) as 0 or 1.
uint8_t Low8(const Json::Value& value);
uint16_t Low16(const Json::Value& value);
uint8_t Truth(const Json::Value& value);

// Integer clamped into the 32-bit signed range.
int32_t Int32(const Json::Value& value);

// The text of a string value as valid UTF-8; empty for anything else.
std::string Text(const Json::Value& value);

// `text` with every byte that does not start a valid UTF-8 sequence (and
// every overlong form, surrogate or code point above U+10FFFF) replaced by
// U+FFFD, the way the JSON writer would store it.
std::string ValidUtf8(std::string_view text);

// `value` made an object (a value of another type is replaced) and its member
// `key` returned for writing.
Json::Value& ObjectMember(Json::Value& value, const char* key);

// `value` made an array (a value of another type is replaced), grown to hold
// `index`, and element `index` returned for writing.
Json::Value& ArrayElement(Json::Value& value, Json::ArrayIndex index);

}  // namespace profile::json
