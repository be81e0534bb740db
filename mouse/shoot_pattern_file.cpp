#include "mouse/shoot_pattern_file.h"

#include <filesystem>

#include "platform/trace/trace.h"
#include "profile/json_file.h"
#include "profile/user_file.h"

namespace mouse {

bool IsPatternDocument(const Json::Value& document) {
    if (!document.isObject()) {
        return false;
    }
    const Json::Value* events = document.find("Events", "Events" + 6);
    return events == nullptr || events->isArray();
}

PatternRead ReadPattern(const std::string& path) {
    JsonRead read = CJsonFile().Read(path);
    switch (read.file.status) {
        case profile::FileStatus::Missing:
            return {};
        case profile::FileStatus::Unreadable:
        case profile::FileStatus::TooLarge:
            return {PatternStatus::Unreadable, Json::Value(), read.file.Reason()};
        case profile::FileStatus::Damaged:
            return {PatternStatus::Damaged, Json::Value(), read.file.Reason()};
        case profile::FileStatus::Ok:
            break;
    }
    if (!IsPatternDocument(read.value)) {
        return {PatternStatus::Damaged, Json::Value(), path + " is not a recoil pattern"};
    }
    return {PatternStatus::Ok, std::move(read.value), {}};
}

bool UpdatePattern(const std::string& path, const std::function<bool(Json::Value&)>& change,
                   std::string* reason) {
    auto fail = [reason](std::string why) {
        if (reason != nullptr) {
            *reason = std::move(why);
        }
        return false;
    };
    const profile::FolderLock lock(std::filesystem::path(path).parent_path().string());
    if (!lock.Held()) {
        return fail(lock.Reason());
    }
    const PatternRead read = ReadPattern(path);
    if (read.status == PatternStatus::Unreadable) {
        return fail(read.reason);
    }
    Json::Value document =
        read.status == PatternStatus::Ok ? read.document : Json::Value(Json::objectValue);
    if (!change(document)) {
        return fail({});
    }
    if (read.status == PatternStatus::Damaged) {
        const std::string kept = profile::KeepDamagedFile(path);
        if (kept.empty()) {
            return fail("cannot keep the damaged " + path + " aside");
        }
        platform::trace::Write(read.reason + "; kept as " + kept);
    }
    const profile::WriteResult written = CJsonFile().WriteFile(path, document);
    if (!written) {
        return fail(written.Reason());
    }
    return true;
}

}  // namespace mouse
