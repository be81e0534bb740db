#pragma once
// Reading and changing one recoil pattern file ("ShootData_" g ".Shoot")
// through the user file helper: missing, damaged and unreadable are told
// apart, an unreadable (or oversized) file is never written over, a damaged
// one is kept aside as ".bad" before it is replaced, and every change is a
// read-modify-write under the folder's lock with an atomic replacement.

#include <json/json.h>

#include <functional>
#include <string>

namespace mouse {

enum class PatternStatus {
    Ok,          // a pattern document
    Missing,     // no such file
    Damaged,     // bytes that are not a pattern document (empty, not JSON, wrong shape)
    Unreadable,  // exists but cannot be read, or is too large: never replace it
};

struct PatternRead {
    PatternStatus status = PatternStatus::Missing;
    Json::Value document;  // Ok: the document; otherwise null
    std::string reason;    // Damaged, Unreadable: the path and why
};

// A pattern document: an object whose "Events", when present, is an array.
bool IsPatternDocument(const Json::Value& document);

inline constexpr int kEventsPerBullet = 4;

// One bullet: a left click, then a horizontal move of x (to the left when
// `left`), then a vertical move of y (upwards when `up`) with the delay.
struct Bullet {
    bool left = false;
    bool up = false;
    int x = 0;
    int y = 0;
    int delay = 0;
    friend bool operator==(const Bullet&, const Bullet&) = default;
};

// Bullet b as a document holds it ("Events" 4b + 2 and 4b + 3); anything
// absent or of another type reads as 0 and right / down.
Bullet ReadBullet(const Json::Value& document, int bullet);
// Writes bullet b's four events into "Events" (made an array when it is
// not), growing it with nulls as needed.
void WriteBullet(Json::Value& document, int bullet, const Bullet& value);

// Reads without taking the folder's lock and without changing anything.
PatternRead ReadPattern(const std::string& path);

// Under the lock of the file's folder: reads the file, hands `change` the
// document (an empty object when the file is missing or damaged) and writes
// the result. False with the reason when nothing was written: the file is
// unreadable, the lock cannot be taken, `change` declined (it returns false)
// or the write failed.
bool UpdatePattern(const std::string& path, const std::function<bool(Json::Value&)>& change,
                   std::string* reason);

}  // namespace mouse
