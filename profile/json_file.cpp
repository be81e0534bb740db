#include "profile/json_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <exception>

#include "platform/trace/trace.h"
#include "profile/user_file.h"

namespace {

// Whether some object below `value` has a member name with a NUL in it.
bool HasNulInMemberName(const Json::Value& value) {
    if (value.isObject()) {
        for (auto it = value.begin(); it != value.end(); ++it) {
            if (it.name().find('\0') != std::string::npos || HasNulInMemberName(*it)) {
                return true;
            }
        }
    } else if (value.isArray()) {
        for (const Json::Value& item : value) {
            if (HasNulInMemberName(item)) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

std::string CJsonFile::ReadText(const std::string& path) const {
    profile::UserFileRead read = profile::ReadUserFile(path, profile::kDocumentCap);
    platform::trace::Format("readjsonFile 错误吗：：%d", read.error);
    return read.Ok() ? std::move(read.bytes) : std::string();
}

JsonRead CJsonFile::Read(const std::string& path, std::size_t cap) const {
    JsonRead result;
    result.file = profile::ReadUserFile(path, cap);
    platform::trace::Format("readjsonFile 错误吗：：%d", result.file.error);
    if (!result.file.Ok()) {
        if (!result.file.MayReplace() || result.file.status == profile::FileStatus::Missing) {
            platform::trace::Write(result.file.Reason());
        }
        return result;
    }
    bool ok = false;
    result.value = Parse(result.file.bytes, &ok);
    if (!ok) {
        result.file.status = profile::FileStatus::Damaged;
        result.file.damage = result.file.bytes.empty() ? "the file is empty" : "not JSON";
    }
    return result;
}

Json::Value CJsonFile::Parse(const std::string& text, bool* ok) {
    Json::Value value;
    bool parsed = false;
    try {
        // Comments are read past but not kept: the styled writer puts a kept
        // comment before the next bracket on its line, which it then hides.
        Json::Reader reader;
        parsed = reader.parse(text.data(), text.data() + text.size(), value, false);
    } catch (const std::exception&) {
        // jsoncpp throws on documents nested deeper than it allows.
        parsed = false;
    }
    if (ok != nullptr) {
        *ok = parsed;
    }
    if (!parsed) {
        value = Json::Value();
    }
    return value;
}

Json::Value CJsonFile::Load(const std::string& path, JsonLoadStatus* status,
                            std::string* parsedText) const {
    JsonRead read = Read(path);
    JsonLoadStatus result = JsonLoadStatus::Ok;
    switch (read.file.status) {
        case profile::FileStatus::Ok:
            break;
        case profile::FileStatus::Missing:
            result = JsonLoadStatus::Missing;
            break;
        case profile::FileStatus::Damaged:
            result = read.file.bytes.empty() ? JsonLoadStatus::Empty : JsonLoadStatus::Damaged;
            break;
        case profile::FileStatus::Unreadable:
            result = JsonLoadStatus::Unreadable;
            break;
        case profile::FileStatus::TooLarge:
            result = JsonLoadStatus::TooLarge;
            break;
    }
    if (status != nullptr) {
        *status = result;
    }
    if (parsedText != nullptr) {
        *parsedText = std::move(read.file.bytes);
    }
    return std::move(read.value);
}

std::string CJsonFile::StyledText(const Json::Value& value) {
    if (HasNulInMemberName(value)) {
        // The styled writer cuts member names at a NUL, which would turn
        // "Events\0x" into a second "Events" written over the first; the
        // stream writer keeps the whole name (as \u0000).
        Json::StreamWriterBuilder builder;
        builder["indentation"] = "   ";
        return Json::writeString(builder, value) + "\n";
    }
    Json::StyledWriter writer;
    return writer.write(value) + "\n";
}

int CJsonFile::Write(const std::string& path, const Json::Value& value) const {
    return Write(path, value, nullptr);
}

int CJsonFile::Write(const std::string& path, const Json::Value& value,
                     std::string* written) const {
    return WriteFile(path, value, written).ok ? 0 : 1;
}

profile::WriteResult CJsonFile::WriteFile(const std::string& path, const Json::Value& value,
                                          std::string* written) const {
    std::string text = StyledText(value);
    profile::WriteResult result = profile::WriteUserFile(path, text);
    if (written != nullptr) {
        *written = result.ok ? std::move(text) : std::string();
    }
    platform::trace::Format("wirtejsonFile 错误吗：：%d", result.error);
    return result;
}

std::string CJsonFile::MakeTimeStampId() {
    return MakeTimeStampId(std::chrono::system_clock::now());
}

std::string CJsonFile::MakeTimeStampId(std::chrono::system_clock::time_point when) {
    return profile::MakeTimeStampId(when);
}
