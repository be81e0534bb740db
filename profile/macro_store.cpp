#include "profile/macro_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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

// Creates `path` with `bytes` only when no file of that name exists: the
// bytes go to a temporary file first, which is then linked to the name (a
// link never replaces an existing file) and removed.
bool WriteNewFile(const std::string& path, const std::string& bytes, int& error) {
    const std::string temporary = path + ".new-" + std::to_string(::getpid());
    ::unlink(temporary.c_str());
    if (!WriteFileAtomically(temporary, bytes, &error)) {
        return false;
    }
    const bool linked = ::link(temporary.c_str(), path.c_str()) == 0;
    error = linked ? 0 : errno;
    ::unlink(temporary.c_str());
    return linked;
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

MacroFileState ReadBoundedFile(const std::string& path, size_t limit, std::string& text,
                               std::string* reason) {
    text.clear();
    auto fail = [&](MacroFileState state, std::string why) {
        if (reason != nullptr) {
            *reason = std::move(why);
        }
        return state;
    };
    // Non-blocking, so that a pipe in the file's place cannot hold the caller.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        const int error = errno;
        return error == ENOENT ? fail(MacroFileState::Missing, "no such file")
                               : fail(MacroFileState::Unreadable, Reason(error));
    }
    struct stat info {};
    MacroFileState state = MacroFileState::Ok;
    std::string why;
    if (::fstat(fd, &info) != 0) {
        state = MacroFileState::Unreadable;
        why = Reason(errno);
    } else if (!S_ISREG(info.st_mode)) {
        state = MacroFileState::Unreadable;
        why = "not a regular file";
    } else if (static_cast<uint64_t>(info.st_size) > limit) {
        state = MacroFileState::Unreadable;
        why = "larger than " + std::to_string(limit) + " bytes";
    } else {
        // One byte more than the limit tells a file that grew meanwhile.
        text.resize(limit + 1);
        size_t done = 0;
        while (done < text.size()) {
            const ssize_t n = ::read(fd, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                state = MacroFileState::Unreadable;
                why = Reason(errno);
                break;
            }
            if (n == 0) {
                break;
            }
            done += static_cast<size_t>(n);
        }
        text.resize(done);
        if (state == MacroFileState::Ok && done > limit) {
            state = MacroFileState::Unreadable;
            why = "larger than " + std::to_string(limit) + " bytes";
        } else if (state == MacroFileState::Ok && done == 0) {
            state = MacroFileState::Damaged;
            why = "empty file";
        }
    }
    ::close(fd);
    if (state != MacroFileState::Ok) {
        text.clear();
    }
    return fail(state, std::move(why));
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
    std::string text;
    read.state = ReadBoundedFile(ListPath(), kMaxListBytes, text, &read.reason);
    read.document = Json::Value(Json::objectValue);
    if (read.state != MacroFileState::Ok) {
        return read;
    }
    bool parsed = false;
    Json::Value document = CJsonFile::Parse(text, &parsed);
    const Json::Value& list = json::Member(document, "MacroInfo");
    if (!parsed || !document.isObject() || !(list.isNull() || list.isArray())) {
        read.state = MacroFileState::Damaged;
        read.reason = "not a macro list";
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
    if (m_listState == MacroFileState::Unreadable) {
        return Outcome(MacroResult::Refused, "cannot read " + ListPath() + ": " + m_listReason);
    }
    return Outcome(MacroResult::Done);
}

bool MacroStore::Refresh(MacroOutcome& outcome) {
    Load();
    if (m_listState == MacroFileState::Unreadable) {
        outcome = Outcome(MacroResult::Refused,
                          "cannot read " + ListPath() + ": " + m_listReason + " (left as it is)");
        return false;
    }
    return true;
}

bool MacroStore::SameMacro(int index, const MacroInfo& seen) const {
    return index >= 0 && index < Count() && m_macros[index].guid == seen.guid &&
           m_macros[index].name == seen.name;
}

MacroOutcome MacroStore::WriteList() {
    if (m_listState == MacroFileState::Damaged) {
        const std::string kept = KeepDamagedFile(ListPath());
        if (!kept.empty()) {
            platform::trace::Write("macro list kept aside as " + kept);
        }
    }
    int error = 0;
    if (!WriteFileAtomically(ListPath(), CJsonFile::StyledText(m_document), &error)) {
        return Outcome(MacroResult::WriteFailed,
                       "cannot write " + ListPath() + ": " + Reason(error));
    }
    m_listState = MacroFileState::Ok;
    return Outcome(MacroResult::Done);
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
    MacroOutcome outcome;
    if (!Refresh(outcome)) {
        return outcome;
    }
    if (Count() >= macro::kMaxMacros) {
        return Outcome(MacroResult::Refused, "at most 50 macros", kLimitMessage);
    }
    MacroInfo info{NextName(), NewGuid()};
    Json::Value element(Json::objectValue);
    element["MacroName"] = info.name;
    element["Guid"] = info.guid;
    Json::Value& list = json::ObjectMember(m_document, "MacroInfo");
    if (!list.isArray()) {
        list = Json::Value(Json::arrayValue);
    }
    list.append(element);
    m_macros.push_back(info);
    outcome = WriteList();
    if (!outcome.Ok()) {
        Load();
        return outcome;
    }
    return Outcome(MacroResult::Done, info.name);
}

MacroOutcome MacroStore::Remove(int index) {
    if (index < 0 || index >= Count()) {
        return Outcome(MacroResult::Unchanged, "no macro selected");
    }
    const MacroInfo seen = m_macros[index];
    MacroOutcome outcome;
    if (!Refresh(outcome)) {
        return outcome;
    }
    if (!SameMacro(index, seen)) {
        return Outcome(MacroResult::Refused, "the macro list changed meanwhile; it was read again");
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
    // The list no longer names the file; a file that cannot be removed is only
    // left over, never used again.
    if (!eventFile.empty() && ::unlink(eventFile.c_str()) != 0 && errno != ENOENT) {
        platform::trace::Write("cannot remove " + eventFile + ": " + Reason(errno));
    }
    return Outcome(MacroResult::Done, seen.name);
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
    MacroOutcome outcome;
    if (!Refresh(outcome)) {
        return outcome;
    }
    if (!SameMacro(index, seen)) {
        return Outcome(MacroResult::Refused, "the macro list changed meanwhile; it was read again");
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
}

MacroOutcome MacroStore::Import(const std::string& path) {
    MacroOutcome outcome;
    if (!Refresh(outcome)) {
        return outcome;
    }
    if (Count() >= macro::kMaxMacros) {
        return Outcome(MacroResult::Refused, "at most 50 macros", kLimitMessage);
    }
    std::string text;
    std::string reason;
    const MacroFileState state = ReadBoundedFile(path, kMaxEventFileBytes, text, &reason);
    bool parsed = false;
    const Json::Value document =
        state == MacroFileState::Ok ? CJsonFile::Parse(text, &parsed) : Json::Value();
    if (state != MacroFileState::Ok) {
        return Outcome(MacroResult::InvalidInput, "cannot read " + path + ": " + reason,
                       kImportInvalidMessage);
    }
    if (!parsed || !IsEventDocument(document)) {
        return Outcome(MacroResult::InvalidInput, path + " is not a macro file",
                       kImportInvalidMessage);
    }
    MacroInfo info{NextName(), NewGuid()};
    const std::string target = m_folder + info.guid + kEventFileExtension;
    int error = 0;
    if (!WriteNewFile(target, text, error)) {
        return Outcome(MacroResult::WriteFailed, "cannot write " + target + ": " + Reason(error));
    }
    Json::Value element(Json::objectValue);
    element["MacroName"] = info.name;
    element["Guid"] = info.guid;
    Json::Value& list = json::ObjectMember(m_document, "MacroInfo");
    if (!list.isArray()) {
        list = Json::Value(Json::arrayValue);
    }
    list.append(element);
    m_macros.push_back(info);
    outcome = WriteList();
    if (!outcome.Ok()) {
        ::unlink(target.c_str());
        Load();
        return outcome;
    }
    return Outcome(MacroResult::Done, info.name);
}

MacroOutcome MacroStore::Export(int index, const std::string& path) {
    if (index < 0 || index >= Count()) {
        return Outcome(MacroResult::Unchanged, "no macro selected");
    }
    std::string text;
    std::string reason;
    const std::string source = EventFilePath(index);
    const MacroFileState state = source.empty()
                                     ? MacroFileState::Missing
                                     : ReadBoundedFile(source, kMaxEventFileBytes, text, &reason);
    if (state == MacroFileState::Unreadable) {
        return Outcome(MacroResult::Refused, "cannot read " + source + ": " + reason);
    }
    if (state == MacroFileState::Missing) {
        text = CJsonFile::StyledText(EventDocument(m_macros[index], Json::Value()));
    }
    int error = 0;
    if (!WriteFileAtomically(path, text, &error)) {
        return Outcome(MacroResult::WriteFailed, "cannot write " + path + ": " + Reason(error));
    }
    return Outcome(MacroResult::Done, path);
}

// --- events -----------------------------------------------------------------------------

Json::Value MacroStore::LoadEvents(int index, MacroFileState* state) const {
    const std::string path = EventFilePath(index);
    std::string text;
    MacroFileState read = MacroFileState::Missing;
    Json::Value events(Json::arrayValue);
    if (!path.empty()) {
        read = ReadBoundedFile(path, kMaxEventFileBytes, text);
    }
    if (read == MacroFileState::Ok) {
        bool parsed = false;
        const Json::Value document = CJsonFile::Parse(text, &parsed);
        if (parsed && IsEventDocument(document)) {
            events = LimitedEvents(json::Member(document, "Events"), false);
        } else {
            read = MacroFileState::Damaged;
        }
    }
    if (state != nullptr) {
        *state = read;
    }
    return events;
}

std::vector<MacroEventRecord> MacroStore::PackedEvents(int index) const {
    const Json::Value events = LoadEvents(index);
    std::vector<MacroEventRecord> packed;
    packed.reserve(events.size());
    for (const Json::Value& event : events) {
        packed.push_back(macro::PackEvent(event));
    }
    return packed;
}

MacroOutcome MacroStore::SaveEvents(int index, const Json::Value& events) {
    const std::string path = EventFilePath(index);
    if (path.empty()) {
        return Outcome(MacroResult::Unchanged, "the macro has no event file");
    }
    std::string text;
    std::string reason;
    const MacroFileState state = ReadBoundedFile(path, kMaxEventFileBytes, text, &reason);
    if (state == MacroFileState::Unreadable) {
        return Outcome(MacroResult::Refused,
                       "cannot read " + path + ": " + reason + " (left as it is)");
    }
    if (state == MacroFileState::Ok) {
        bool parsed = false;
        if (!IsEventDocument(CJsonFile::Parse(text, &parsed)) || !parsed) {
            KeepDamagedFile(path);
        }
    } else if (state == MacroFileState::Damaged) {
        KeepDamagedFile(path);
    }
    int error = 0;
    const std::string written = CJsonFile::StyledText(EventDocument(m_macros[index], events));
    if (!WriteFileAtomically(path, written, &error)) {
        return Outcome(MacroResult::WriteFailed, "cannot write " + path + ": " + Reason(error));
    }
    return Outcome(MacroResult::Done, m_macros[index].name);
}

}  // namespace profile
