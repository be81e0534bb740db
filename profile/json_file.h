#pragma once
// Reading and writing the program's JSON documents (profiles, profile lists,
// stores, patterns, settings).
//
// Documents are written in jsoncpp's styled form (indented, one member per
// line) followed by "\n", through the user file helper (profile/user_file.h:
// caps, atomic replacement, folder locks), so a failed write leaves the
// previous file in place. Text is UTF-8 in both directions.
//
// CJsonFile holds no state; any thread may use its own or a shared instance.

#include <json/json.h>

#include <chrono>
#include <cstddef>
#include <string>

#include "profile/user_file.h"

// How a Load went; lets callers that are about to replace a file keep a
// damaged one aside first.
enum class JsonLoadStatus {
    Ok,          // parsed
    Missing,     // no such file
    Empty,       // the file has no bytes
    Damaged,     // the file has bytes that are not a JSON document
    Unreadable,  // it exists but cannot be read: never write over it
    TooLarge,    // larger than the cap: left as it is
};

// A document read with its cap: `file` tells how the read went (Damaged when
// the bytes, or an empty file, are not JSON), `value` is the parsed document
// (null unless file.status is Ok).
struct JsonRead {
    profile::UserFileRead file;
    Json::Value value;

    bool Ok() const { return file.Ok(); }
};

class CJsonFile {
  public:
    // The whole file as bytes (at most kDocumentCap); empty text when it
    // cannot be read whole.
    std::string ReadText(const std::string& path) const;

    // Reads and parses the file at `path` if it is no larger than `cap`.
    JsonRead Read(const std::string& path, std::size_t cap = profile::kDocumentCap) const;

    // The parsed document (comments collected); null when the file is
    // missing, empty, not JSON, unreadable or over kDocumentCap. `status`
    // (optional) tells which; `text` (optional) receives the bytes that were
    // parsed.
    Json::Value Load(const std::string& path, JsonLoadStatus* status = nullptr,
                     std::string* text = nullptr) const;

    // Parses text the way Load does; null when it is not JSON.
    static Json::Value Parse(const std::string& text, bool* ok = nullptr);

    // 0 when `value` replaced the file's content, 1 when it could not be
    // written (the old file is then unchanged).
    int Write(const std::string& path, const Json::Value& value) const;
    // The same, also giving the bytes written (empty text on failure).
    int Write(const std::string& path, const Json::Value& value, std::string* written) const;
    // The same with the reason and the new file's stamp.
    profile::WriteResult WriteFile(const std::string& path, const Json::Value& value,
                                   std::string* written = nullptr) const;

    // The styled text Write puts into a file.
    static std::string StyledText(const Json::Value& value);

    // The local time as "%d_%02d_%02d_%02d_%02d_%02d_%03d" (year, month, day,
    // hour, minute, second, millisecond). Two calls within one millisecond
    // give the same text; callers that need unique names check for clashes.
    static std::string MakeTimeStampId();
    static std::string MakeTimeStampId(std::chrono::system_clock::time_point when);
};
