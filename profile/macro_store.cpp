#include "profile/macro_store.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <unordered_map>

#include "platform/trace/trace.h"
#include "profile/json_fields.h"
#include "profile/profile_list.h"
#include "profile/user_file.h"

namespace profile {
namespace {

constexpr size_t kMaxIdLength = 64;

MacroOutcome Outcome(MacroResult result, std::string detail = {}, std::string messageKey = {}) {
    MacroOutcome outcome;
    outcome.result = result;
    outcome.detail = std::move(detail);
    outcome.messageKey = std::move(messageKey);
    return outcome;
}

std::string Reason(int error) {
    return error == 0 ? std::string("unknown error") : std::string(std::strerror(error));
}

// Refusals of a file that must not be written over: its path and why.
MacroOutcome CannotRead(const UserFileRead& read) {
    return Outcome(MacroResult::Refused, read.Reason() + " (left as it is)",
                   MacroStore::kUnreadableMessage);
}

bool HasControlCharacter(const std::string& text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            return true;
        }
    }
    return false;
}

// An event file's document: an object whose "Events", when present, is an array.
bool IsEventDocument(const Json::Value& document) {
    if (!document.isObject()) {
        return false;
    }
    const Json::Value& events = json::Member(document, "Events");
    return events.isNull() || events.isArray();
}

// The first 4000 elements of `events`; object events get their delay as text.
Json::Value LimitedEvents(const Json::Value& events, bool delayAsText) {
    Json::Value limited(Json::arrayValue);
    const Json::ArrayIndex count = json::Size(events);
    const Json::ArrayIndex kept = count < static_cast<Json::ArrayIndex>(macro::kMaxEvents)
                                      ? count
                                      : static_cast<Json::ArrayIndex>(macro::kMaxEvents);
    for (Json::ArrayIndex i = 0; i < kept; ++i) {
        Json::Value event = events[i];
        if (delayAsText && event.isObject() && !event["Delay"].isString()) {
            event["Delay"] = std::to_string(macro::ParseDelay(event["Delay"]));
        }
        limited.append(std::move(event));
    }
    return limited;
}

Json::Value EventDocument(const MacroInfo& info, const Json::Value& events) {
    Json::Value document(Json::objectValue);
    document["MacroName"] = info.name;
    document["Guid"] = info.guid;
    document["Events"] = LimitedEvents(events, true);
    document["Version"] = macro::kFileVersion;
    return document;
}

}  // namespace

bool IsPlainMacroId(const std::string& id) {
    if (id.empty() || id.size() > kMaxIdLength || id[0] == '-') {
        return false;
    }
    for (const char c : id) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '_' || c == '-';
        if (!plain) {
            return false;
        }
    }
    return true;
}

// --- list -------------------------------------------------------------------------------

void MacroStore::SetFolder(const std::string& folder, const std::string& listName) {
    m_folder = folder;
    if (!m_folder.empty() && m_folder.back() != '/') {
        m_folder.push_back('/');
    }
    m_listName = listName;
}

MacroStore::ListRead MacroStore::ReadList() const {
    ListRead read;
    JsonRead file = m_jsonFile.Read(ListPath(), kDocumentCap);
    read.state = file.file.status;
    read.reason = file.file.Reason();
    read.document = Json::Value(Json::objectValue);
    if (read.state != FileStatus::Ok) {
        return read;
    }
    Json::Value document = std::move(file.value);
    const Json::Value& list = json::Member(document, "MacroInfo");
    if (!document.isObject() || !(list.isNull() || list.isArray())) {
        read.state = FileStatus::Damaged;
        read.reason = ListPath() + " is not a macro list";
        return read;
    }
    std::vector<std::string> seen;
    for (Json::ArrayIndex i = 0; i < json::Size(list); ++i) {
        MacroInfo info{json::Text(json::Member(list[i], "MacroName")),
                       json::Text(json::Member(list[i], "Guid"))};
        // The Guid names a file: only a plain identifier, and only once.
        bool usable = IsPlainMacroId(info.guid);
        for (const std::string& earlier : seen) {
            usable = usable && earlier != info.guid;
        }
        if (usable) {
            seen.push_back(info.guid);
        } else {
            platform::trace::Write("macro list: entry " + std::to_string(i) +
                                   " has no usable Guid");
            info.guid.clear();
        }
        read.macros.push_back(std::move(info));
    }
    read.document = std::move(document);
    return read;
}

MacroOutcome MacroStore::Load() {
    ListRead read = ReadList();
    m_listState = read.state;
    m_listReason = read.reason;
    m_document = std::move(read.document);
    m_macros = std::move(read.macros);
    if (m_listState == FileStatus::Unreadable || m_listState == FileStatus::TooLarge) {
        return Outcome(MacroResult::Refused, m_listReason, kUnreadableMessage);
    }
    return Outcome(MacroResult::Done);
}

bool MacroStore::Refresh(MacroOutcome& outcome) {
    Load();
    if (m_listState == FileStatus::Unreadable || m_listState == FileStatus::TooLarge) {
        outcome =
            Outcome(MacroResult::Refused, m_listReason + " (left as it is)", kUnreadableMessage);
        return false;
    }
    return true;
}

MacroOutcome MacroStore::Locked(const std::function<MacroOutcome()>& change) {
    FolderLock lock(m_folder);
    if (!lock.Held()) {
        return Outcome(MacroResult::Refused, lock.Reason(), kUnreadableMessage);
    }
    return change();
}

bool MacroStore::SameMacro(int index, const MacroInfo& seen) const {
    return index >= 0 && index < Count() && m_macros[index].guid == seen.guid &&
           m_macros[index].name == seen.name;
}

MacroOutcome MacroStore::WriteList() {
    if (m_listState == FileStatus::Damaged) {
        const std::string kept = KeepDamagedFile(ListPath());
        if (!kept.empty()) {
            platform::trace::Write("macro list kept aside as " + kept);
        }
    }
    const WriteResult written = m_jsonFile.WriteFile(ListPath(), m_document);
    if (!written) {
        return Outcome(MacroResult::WriteFailed, written.Reason());
    }
    m_listState = FileStatus::Ok;
    return Outcome(MacroResult::Done);
}

MacroOutcome MacroStore::AppendMacro(const MacroInfo& info) {
    Json::Value element(Json::objectValue);
    element["MacroName"] = info.name;
    element["Guid"] = info.guid;
    Json::Value& list = json::ObjectMember(m_document, "MacroInfo");
    if (!list.isArray()) {
        list = Json::Value(Json::arrayValue);
    }
    list.append(element);
    m_macros.push_back(info);
    MacroOutcome outcome = WriteList();
    if (!outcome.Ok()) {
        Load();
    }
    return outcome;
}

int MacroStore::Find(const std::string& name) const {
    for (int i = 0; i < Count(); ++i) {
        if (SameProfileName(m_macros[i].name, name)) {
            return i;
        }
    }
    return -1;
}

std::string MacroStore::NextName() const {
    // At most 50 names exist, so one of 1..51 is free.
    for (int n = 1;; ++n) {
        std::string name = "Macro_" + std::to_string(n);
        if (Find(name) < 0) {
            return name;
        }
    }
}

std::string MacroStore::NewGuid() const {
    const std::string base = CJsonFile::MakeTimeStampId();
    std::string guid = base;
    for (int n = 2;; ++n) {
        bool taken = FileExists(m_folder + guid + kEventFileExtension);
        for (const MacroInfo& info : m_macros) {
            taken = taken || info.guid == guid;
        }
        if (!taken) {
            return guid;
        }
        guid = base + "_" + std::to_string(n);
    }
}

std::string MacroStore::EventFilePath(int index) const {
    if (index < 0 || index >= Count() || m_macros[index].guid.empty()) {
        return {};
    }
    return m_folder + m_macros[index].guid + kEventFileExtension;
}

// --- changes to the list ----------------------------------------------------------------

MacroOutcome MacroStore::Add() {
    return Locked([this] {
        MacroOutcome outcome;
        if (!Refresh(outcome)) {
            return outcome;
        }
        if (Count() >= macro::kMaxMacros) {
            return Outcome(MacroResult::Refused, "at most 50 macros", kLimitMessage);
        }
        const MacroInfo info{NextName(), NewGuid()};
        outcome = AppendMacro(info);
        return outcome.Ok() ? Outcome(MacroResult::Done, info.name) : outcome;
    });
}

MacroOutcome MacroStore::Remove(int index) {
    if (index < 0 || index >= Count()) {
        return Outcome(MacroResult::Unchanged, "no macro selected");
    }
    const MacroInfo seen = m_macros[index];
    return Locked([this, index, &seen] {
        MacroOutcome outcome;
        if (!Refresh(outcome)) {
            return outcome;
        }
        if (!SameMacro(index, seen)) {
            return Outcome(MacroResult::Refused,
                           "the macro list changed meanwhile; it was read again");
        }
        const std::string eventFile = EventFilePath(index);
        Json::Value kept(Json::arrayValue);
        const Json::Value& list = json::Member(m_document, "MacroInfo");
        for (Json::ArrayIndex i = 0; i < json::Size(list); ++i) {
            if (i != static_cast<Json::ArrayIndex>(index)) {
                kept.append(list[i]);
            }
        }
        m_document["MacroInfo"] = kept;
        m_macros.erase(m_macros.begin() + index);
        outcome = WriteList();
        if (!outcome.Ok()) {
            Load();
            return outcome;
        }
        // The list no longer names the file; one that cannot be removed is only
        // left over, never used again.
        if (!eventFile.empty() && ::unlink(eventFile.c_str()) != 0 && errno != ENOENT) {
            platform::trace::Write("cannot remove " + eventFile + ": " + Reason(errno));
        }
        return Outcome(MacroResult::Done, seen.name);
    });
}

MacroOutcome MacroStore::Rename(int index, const std::string& requested) {
    if (index < 0 || index >= Count() || requested.empty() ||
        requested.find(' ') != std::string::npos) {
        return Outcome(MacroResult::Unchanged, kEmptyNameMarker);
    }
    if (HasControlCharacter(requested)) {
        return Outcome(MacroResult::InvalidInput, "a name cannot hold control characters");
    }
    const std::string name = json::ValidUtf8(requested);
    const MacroInfo seen = m_macros[index];
    return Locked([this, index, &seen, &name] {
        MacroOutcome outcome;
        if (!Refresh(outcome)) {
            return outcome;
        }
        if (!SameMacro(index, seen)) {
            return Outcome(MacroResult::Refused,
                           "the macro list changed meanwhile; it was read again");
        }
        if (Find(name) >= 0) {
            return Outcome(MacroResult::NameClash, name, kNameClashMessage);
        }
        json::ObjectMember(json::ArrayElement(json::ObjectMember(m_document, "MacroInfo"),
                                              static_cast<Json::ArrayIndex>(index)),
                           "MacroName") = name;
        m_macros[index].name = name;
        outcome = WriteList();
        if (!outcome.Ok()) {
            Load();
            return outcome;
        }
        return Outcome(MacroResult::Done, name);
    });
}

MacroOutcome MacroStore::Import(const std::string& path) {
    const UserFileRead source = ReadUserFile(path, kMacroFileCap);
    if (!source.Ok()) {
        return Outcome(MacroResult::InvalidInput, source.Reason(), kImportInvalidMessage);
    }
    bool parsed = false;
    const Json::Value document = CJsonFile::Parse(source.bytes, &parsed);
    if (!parsed || !IsEventDocument(document)) {
        return Outcome(MacroResult::InvalidInput, path + " is not a macro file",
                       kImportInvalidMessage);
    }
    return Locked([this, &source] {
        MacroOutcome outcome;
        if (!Refresh(outcome)) {
            return outcome;
        }
        if (Count() >= macro::kMaxMacros) {
            return Outcome(MacroResult::Refused, "at most 50 macros", kLimitMessage);
        }
        // The copy gets a fresh identifier and is created only where no file
        // is: an import never replaces anything.
        WriteResult created;
        const std::string guid = CreateWithNewId(
            m_folder, kEventFileExtension, [&source](const std::string&) { return source.bytes; },
            [this](const std::string& id) {
                for (const MacroInfo& info : m_macros) {
                    if (info.guid == id) {
                        return true;
                    }
                }
                return false;
            },
            &created);
        if (guid.empty()) {
            return Outcome(MacroResult::WriteFailed, created.Reason());
        }
        const MacroInfo info{NextName(), guid};
        outcome = AppendMacro(info);
        if (!outcome.Ok()) {
            ::unlink((m_folder + guid + kEventFileExtension).c_str());
            return outcome;
        }
        return Outcome(MacroResult::Done, info.name);
    });
}

MacroOutcome MacroStore::Export(int index, const std::string& path) {
    if (index < 0 || index >= Count()) {
        return Outcome(MacroResult::Unchanged, "no macro selected");
    }
    const std::string source = EventFilePath(index);
    std::string bytes;
    if (!source.empty()) {
        UserFileRead read = ReadUserFile(source, kMacroFileCap);
        if (!read.MayReplace()) {
            return CannotRead(read);
        }
        bytes = std::move(read.bytes);
    }
    if (bytes.empty()) {
        // Never saved: an event file without events.
        bytes = CJsonFile::StyledText(EventDocument(m_macros[index], Json::Value()));
    }
    const WriteResult written = WriteUserFile(path, bytes);
    if (!written) {
        return Outcome(MacroResult::WriteFailed, written.Reason());
    }
    return Outcome(MacroResult::Done, path);
}

// --- events -----------------------------------------------------------------------------

Json::Value MacroStore::LoadEvents(int index, FileStatus* state) const {
    const std::string path = EventFilePath(index);
    FileStatus status = FileStatus::Missing;
    Json::Value events(Json::arrayValue);
    if (!path.empty()) {
        const JsonRead read = m_jsonFile.Read(path, kMacroFileCap);
        status = read.file.status;
        if (status == FileStatus::Ok && IsEventDocument(read.value)) {
            events = LimitedEvents(json::Member(read.value, "Events"), false);
        } else if (status == FileStatus::Ok) {
            status = FileStatus::Damaged;
        }
    }
    if (state != nullptr) {
        *state = status;
    }
    return events;
}

namespace {

struct PackedFile {
    FileStamp stamp;
    std::vector<MacroEventRecord> events;
};

// Per thread, so that no lock is needed: the UI thread uploads, and a tool
// or a test thread keeps its own.
std::unordered_map<std::string, PackedFile>& PackedCache() {
    thread_local std::unordered_map<std::string, PackedFile> cache;
    return cache;
}

constexpr size_t kMaxPackedFiles = 4 * macro::kMaxMacros;

}  // namespace

void MacroStore::ForgetPackedEvents() {
    PackedCache().clear();
}

std::vector<MacroEventRecord> MacroStore::PackedEvents(int index) const {
    const std::string path = EventFilePath(index);
    if (path.empty()) {
        return {};
    }
    auto& cache = PackedCache();
    const FileStamp now = StampOf(path);
    if (const auto kept = cache.find(path); kept != cache.end()) {
        if (now.exists && kept->second.stamp == now) {
            return kept->second.events;
        }
        cache.erase(kept);
    }
    const JsonRead read = m_jsonFile.Read(path, kMacroFileCap);
    std::vector<MacroEventRecord> packed;
    if (!read.Ok() || !IsEventDocument(read.value)) {
        return packed;
    }
    const Json::Value events = LimitedEvents(json::Member(read.value, "Events"), false);
    packed.reserve(events.size());
    for (const Json::Value& event : events) {
        packed.push_back(macro::PackEvent(event));
    }
    if (cache.size() >= kMaxPackedFiles) {
        cache.clear();
    }
    cache[path] = PackedFile{read.file.stamp, packed};
    return packed;
}

MacroOutcome MacroStore::SaveEvents(int index, const Json::Value& events) {
    const std::string path = EventFilePath(index);
    if (path.empty()) {
        return Outcome(MacroResult::Unchanged, "the macro has no event file");
    }
    const MacroInfo info = m_macros[index];
    return Locked([this, &path, &info, &events] {
        const JsonRead current = m_jsonFile.Read(path, kMacroFileCap);
        if (!current.file.MayReplace()) {
            return CannotRead(current.file);
        }
        if (current.file.status == FileStatus::Damaged ||
            (current.Ok() && !IsEventDocument(current.value))) {
            KeepDamagedFile(path);
        }
        const WriteResult written =
            WriteUserFile(path, CJsonFile::StyledText(EventDocument(info, events)));
        if (!written) {
            return Outcome(MacroResult::WriteFailed, written.Reason());
        }
        return Outcome(MacroResult::Done, info.name);
    });
}

}  // namespace profile
