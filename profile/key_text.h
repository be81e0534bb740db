#pragma once
// The text that names what a key does, as the key list beside a device
// picture shows it: derived from the key's current record through the code
// tables, each name translated into the current language.
//
// Any thread; the translation function is the caller's.

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "profile/key_records.h"

namespace keys {

// Resolves a language key into the text of the current language.
using Translate = std::function<std::string(std::string_view key)>;

// The text of `record`, or nothing when the record names no function the
// tables know (the caller then leaves what it showed before). Macro names are
// shown as stored; every other name is translated.
//
// A keyboard record without an exact row is named by the rows that carry its
// modifier bits and its key, joined by "+" ("Ctrl+C"). Only parameters that
// are set take part in that match: a record with no modifier (or no key) must
// not list every row that has none.
std::optional<std::string> AssignmentText(const KeyAssignment& record,
                                          std::span<const std::string> macroNames,
                                          const Translate& translate);

// The fixed text of device-only kinds the tables do not name.
inline constexpr std::string_view kUntranslatedOff = "关闭";

}  // namespace keys
