#pragma once
// Reading and writing one recoil pattern file ("ShootData_" g ".Shoot"), with
// the rules every file a user owns follows: missing, damaged and unreadable
// are told apart, an unreadable file is never written over, a damaged one is
// kept aside as ".bad" before it is replaced, and a write replaces the file
// atomically.

#include <json/json.h>

#include <string>

namespace mouse {

enum class PatternStatus {
    Ok,          // a pattern document
    Missing,     // no such file
    Damaged,     // bytes that are not a pattern document (empty, not JSON, wrong shape)
    Unreadable,  // exists but cannot be read, or is far too large: never replace it
};

struct PatternRead {
    PatternStatus status = PatternStatus::Missing;
    Json::Value document;  // Ok: the document; otherwise null
    std::string reason;    // Damaged, Unreadable: "<path>: <why>"
};

// A pattern document: an object whose "Events", when present, is an array.
bool IsPatternDocument(const Json::Value& document);

PatternRead ReadPattern(const std::string& path);

// Replaces the file with `document` in the styled form. A damaged file found
// by `read` is kept as ".bad" first; an unreadable one is refused. False with
// the reason when nothing was written.
bool ReplacePattern(const std::string& path, const PatternRead& read, const Json::Value& document,
                    std::string* reason);

}  // namespace mouse
