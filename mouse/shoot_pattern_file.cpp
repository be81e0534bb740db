#include "mouse/shoot_pattern_file.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <filesystem>
#include <string_view>

#include "platform/trace/trace.h"
#include "profile/json_file.h"
#include "profile/user_file.h"

namespace mouse {
namespace {

// The member `key` of an object, or null.
const Json::Value* MemberOf(const Json::Value& object, std::string_view key) {
    return object.find(key.data(), key.data() + key.size());
}

bool IsDown(const Json::Value& event) {
    if (!event.isObject()) {
        return false;
    }
    const Json::Value* action = MemberOf(event, "Action");
    if (action == nullptr || !action->isString()) {
        return false;
    }
    std::string text = action->asString();
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text == "down";
}

// An integer member of an event; 0 when absent or not an integer.
int IntOf(const Json::Value& event, const char* key) {
    if (!event.isObject()) {
        return 0;
    }
    const Json::Value* value = MemberOf(event, key);
    if (value == nullptr) {
        return 0;
    }
    if (value->isInt()) {
        return value->asInt();
    }
    if (value->isUInt()) {
        return static_cast<int>(std::min<Json::UInt>(value->asUInt(), INT_MAX));
    }
    return 0;
}

Json::Value Event(const char* action, int button, int delay, int type) {
    Json::Value event(Json::objectValue);
    event["Action"] = action;
    event["Button"] = button;
    event["Delay"] = delay;
    event["Type"] = type;
    return event;
}

// Element `index` of "Events", or null when there is none.
const Json::Value& EventAt(const Json::Value& document, int index) {
    static const Json::Value kNull;
    if (!document.isObject() || index < 0) {
        return kNull;
    }
    const Json::Value* events = MemberOf(document, "Events");
    if (events == nullptr || !events->isArray() ||
        static_cast<Json::ArrayIndex>(index) >= events->size()) {
        return kNull;
    }
    return (*events)[static_cast<Json::ArrayIndex>(index)];
}

}  // namespace

Bullet ReadBullet(const Json::Value& document, int bullet) {
    const Json::Value& x = EventAt(document, kEventsPerBullet * bullet + 2);
    const Json::Value& y = EventAt(document, kEventsPerBullet * bullet + 3);
    return {IsDown(x), IsDown(y), IntOf(x, "Button"), IntOf(y, "Button"), IntOf(y, "Delay")};
}

void WriteBullet(Json::Value& document, int bullet, const Bullet& value) {
    if (!document.isObject()) {
        document = Json::Value(Json::objectValue);
    }
    Json::Value& events = document["Events"];
    if (!events.isArray()) {
        events = Json::Value(Json::arrayValue);
    }
    const auto first = static_cast<Json::ArrayIndex>(kEventsPerBullet * std::max(bullet, 0));
    events[first] = Event("down", 1, 10, 1);
    events[first + 1] = Event("up", 1, 0, 1);
    events[first + 2] = Event(value.left ? "down" : "up", value.x, 5, 4);
    events[first + 3] = Event(value.up ? "down" : "up", value.y, value.delay, 5);
}

bool IsPatternDocument(const Json::Value& document) {
    if (!document.isObject()) {
        return false;
    }
    const Json::Value* events = MemberOf(document, "Events");
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
