#include "profile/profile_list.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <set>

#include "platform/trace/trace.h"
#include "profile/json_fields.h"
#include "profile/user_file.h"

namespace profile {
namespace {

constexpr int kHeadsetKind = 7;
constexpr const char* kRenameClashMessage = "message_text_5";

char FoldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

ProfileOutcome Outcome(ProfileResult result, std::string detail = {}) {
    ProfileOutcome outcome;
    outcome.result = result;
    outcome.detail = std::move(detail);
    return outcome;
}

ProfileOutcome WriteFailure(const WriteResult& write) {
    return Outcome(ProfileResult::WriteFailed, write.Reason());
}

ProfileOutcome ReadFailure(const UserFileRead& read) {
    return Outcome(ProfileResult::ReadFailed, read.Reason());
}

Json::Value ListElement(const ProfileEntry& entry) {
    Json::Value element(Json::objectValue);
    element["profilename"] = entry.name;
    element["profileUUID"] = entry.uuid;
    element["profileislink"] = 0;
    element["profilelinkmame"] = "";
    return element;
}

void NameDocument(Json::Value& document, const std::string& name, const std::string& uuid) {
    if (!document.isObject()) {
        document = Json::Value(Json::objectValue);
    }
    document["profilename"] = name;
    document["profileUUID"] = uuid;
}

}  // namespace

bool SameProfileName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return FoldAscii(x) == FoldAscii(y);
           });
}

void ProfileList::SetPaths(const std::string& profileFolder, const std::string& defaultDocument) {
    m_folder = profileFolder;
    if (!m_folder.empty() && m_folder.back() != '/') {
        m_folder.push_back('/');
    }
    m_defaultDocument = defaultDocument;
}

std::vector<ProfileEntry> ProfileList::EntriesOf(const Json::Value& document,
                                                 std::vector<std::string>* refused) {
    std::vector<ProfileEntry> entries;
    std::set<std::string> seen;
    const Json::Value& list = json::Member(document, "profilelist");
    for (Json::ArrayIndex i = 0; i < json::Size(list); ++i) {
        const Json::Value& uuid = json::Member(list[i], "profileUUID");
        const std::string raw = uuid.isString() ? uuid.asString() : std::string();
        // The UUID names the document: only the form this program makes is
        // taken, byte for byte, so it can neither leave the folder nor be
        // "repaired" into the name of another file.
        if (!IsTimeStampId(raw) || !seen.insert(raw).second) {
            if (refused != nullptr) {
                refused->push_back(EscapeForDisplay(raw));
            }
            continue;
        }
        entries.push_back(ProfileEntry{json::Text(json::Member(list[i], "profilename")), raw});
    }
    return entries;
}

ProfileList::ReadResult ProfileList::ReadList() {
    JsonRead read = m_jsonFile.Read(ListPath());
    if (!read.file.MayReplace()) {
        m_failure = ReadFailure(read.file);
        return ReadResult::Failed;
    }
    std::vector<std::string> refused;
    std::vector<ProfileEntry> entries = EntriesOf(read.value, &refused);
    m_keepListAside = false;
    if (!refused.empty()) {
        std::string text = ListPath() + ": refused " + std::to_string(refused.size()) +
                           (refused.size() == 1 ? " entry" : " entries") +
                           " whose identifier is not a plain time stamp or repeats another:";
        for (const std::string& id : refused) {
            text += " \"" + id + "\"";
        }
        platform::trace::Write(text);
        m_notices.push_back(std::move(text));
        m_keepListAside = true;
    }
    if (entries.empty()) {
        const bool damaged = read.file.status == FileStatus::Damaged && !read.file.bytes.empty();
        if (damaged && m_readOnly) {
            m_notices.push_back(ListPath() + " is damaged (" + read.file.damage + ")");
        } else if (damaged || m_keepListAside) {
            const std::string kept = KeepCopyAside(ListPath());
            m_notices.push_back(ListPath() + (damaged ? " was damaged" : " had no usable entry") +
                                "; kept as " + kept);
        }
        m_keepListAside = false;
        return ReadResult::Unusable;
    }
    m_listDocument = std::move(read.value);
    m_entries = std::move(entries);
    const int stored = json::Int32(json::Member(m_listDocument, "profileselect"));
    m_selected = stored >= 0 && stored < static_cast<int>(m_entries.size()) ? stored : 0;
    return ReadResult::Read;
}

bool ProfileList::Refresh() {
    return ReadList() != ReadResult::Failed;
}

bool ProfileList::WriteList() {
    if (m_keepListAside) {
        const std::string kept = KeepCopyAside(ListPath());
        if (!kept.empty()) {
            m_notices.push_back("the refused entries are kept in " + kept);
        }
        m_keepListAside = false;
    }
    Json::Value list(Json::arrayValue);
    for (const ProfileEntry& entry : m_entries) {
        list.append(ListElement(entry));
    }
    if (!m_listDocument.isObject()) {
        m_listDocument = Json::Value(Json::objectValue);
    }
    m_listDocument["profilelist"] = list;
    m_listDocument["profileselect"] = m_selected;
    const WriteResult written = m_jsonFile.WriteFile(ListPath(), m_listDocument);
    if (!written.ok) {
        m_failure = WriteFailure(written);
    }
    return written.ok;
}

ProfileOutcome ProfileList::Finish(ProfileOutcome outcome) {
    outcome.notices = std::move(m_notices);
    m_notices.clear();
    return outcome;
}

ProfileOutcome ProfileList::Failure() {
    return Finish(m_failure);
}

bool ProfileList::HasName(const std::string& name) const {
    return std::any_of(m_entries.begin(), m_entries.end(), [&](const ProfileEntry& entry) {
        return SameProfileName(entry.name, name);
    });
}

bool ProfileList::HasSelection() const {
    return m_selected >= 0 && m_selected < static_cast<int>(m_entries.size());
}

std::string ProfileList::GetSelectedId() const {
    return HasSelection() ? m_entries[static_cast<size_t>(m_selected)].uuid : std::string();
}

Json::Value ProfileList::DefaultDocumentNamed(const std::string& name,
                                              const std::string& uuid) const {
    Json::Value document = m_jsonFile.Load(m_defaultDocument);
    NameDocument(document, name, uuid);
    return document;
}

// The profile's document as a device would load it: the stored file, with
// the default device object when it has none. A file that exists but cannot
// be read is not silently replaced by the defaults.
bool ProfileList::CompleteDocument(const std::string& uuid, Json::Value& document) {
    JsonRead read = m_jsonFile.Read(DocumentPath(uuid));
    if (!read.file.MayReplace()) {
        m_failure = ReadFailure(read.file);
        return false;
    }
    document = std::move(read.value);
    if (!document.isObject()) {
        document = Json::Value(Json::objectValue);
    }
    if (json::Element(json::Member(document, "Device"), 0).isNull()) {
        const Json::Value defaults = m_jsonFile.Load(m_defaultDocument);
        json::ArrayElement(json::ObjectMember(document, "Device"), 0) =
            json::Element(json::Member(defaults, "Device"), 0);
    }
    return true;
}

bool ProfileList::DocumentForRewrite(const std::string& uuid, Json::Value& document) {
    const std::string path = DocumentPath(uuid);
    JsonRead read = m_jsonFile.Read(path);
    if (!read.file.MayReplace()) {
        m_failure = ReadFailure(read.file);
        return false;
    }
    const bool damaged = read.file.status == FileStatus::Damaged && !read.file.bytes.empty();
    const bool notObject = read.file.Ok() && !read.value.isObject();
    if (damaged || notObject) {
        const std::string kept = KeepCopyAside(path);
        m_notices.push_back(path + (damaged ? " was damaged" : " did not hold a profile") +
                            "; kept as " + kept);
        read.value = Json::Value(Json::objectValue);
    }
    document = std::move(read.value);
    return true;
}

// Creates the new profile's document exclusively under a fresh identifier,
// then writes the list; a list that cannot be written takes the orphaned
// document back.
ProfileOutcome ProfileList::AppendProfile(const std::string& name, Json::Value document,
                                          bool select) {
    WriteResult created;
    const std::string uuid = CreateWithNewId(
        m_folder, ".Json",
        [&](const std::string& id) {
            NameDocument(document, name, id);
            return CJsonFile::StyledText(document);
        },
        [&](const std::string& id) {
            return std::any_of(m_entries.begin(), m_entries.end(),
                               [&](const ProfileEntry& entry) { return entry.uuid == id; });
        },
        &created);
    if (uuid.empty()) {
        return Finish(WriteFailure(created));
    }
    const int previous = m_selected;
    m_entries.push_back(ProfileEntry{name, uuid});
    if (select) {
        m_selected = static_cast<int>(m_entries.size()) - 1;
    }
    if (!WriteList()) {
        m_entries.pop_back();
        m_selected = previous;
        ::unlink(DocumentPath(uuid).c_str());
        return Failure();
    }
    return Finish(Outcome(ProfileResult::Done, name));
}

ProfileOutcome ProfileList::ReadOnly() {
    m_readOnly = true;
    const ReadResult read = ReadList();
    m_readOnly = false;
    m_keepListAside = false;
    if (read == ReadResult::Failed) {
        return Failure();
    }
    if (read == ReadResult::Unusable) {
        m_entries.clear();
        m_selected = -1;
    }
    // Nothing is written: a missing or unusable list shows as no profiles.
    if (!FileExists(ListPath())) {
        m_entries.clear();
        m_selected = -1;
    }
    return Finish(Outcome(ProfileResult::Done));
}

ProfileOutcome ProfileList::InitProfiles() {
    const FolderLock lock(m_folder);
    if (!lock.Held()) {
        return Finish(Outcome(ProfileResult::WriteFailed, lock.Reason()));
    }
    const ReadResult read = ReadList();
    if (read == ReadResult::Failed) {
        return Failure();
    }
    if (read == ReadResult::Unusable) {
        m_entries.clear();
        m_selected = 0;
        m_listDocument = Json::Value(Json::objectValue);
        std::vector<std::string> notices = std::move(m_notices);
        ProfileOutcome created =
            AppendProfile("Profile 1", DefaultDocumentNamed("Profile 1", ""), true);
        notices.insert(notices.end(), created.notices.begin(), created.notices.end());
        created.notices = std::move(notices);
        if (!created.Ok()) {
            m_entries.clear();
            m_selected = -1;
        }
        return created;
    }
    // The list as it is on disk needs no rewrite unless entries were refused.
    if (m_keepListAside && !WriteList()) {
        return Failure();
    }
    return Finish(Outcome(ProfileResult::Done, m_entries[static_cast<size_t>(m_selected)].name));
}

ProfileOutcome ProfileList::SelectProfile(int index) {
    const FolderLock lock(m_folder);
    if (!lock.Held()) {
        return Finish(Outcome(ProfileResult::WriteFailed, lock.Reason()));
    }
    if (!Refresh()) {
        return Failure();
    }
    if (index < 0 || index >= static_cast<int>(m_entries.size())) {
        return Finish(Outcome(ProfileResult::Refused, "no profile " + std::to_string(index)));
    }
    const int previous = m_selected;
    m_selected = index;
    if (!WriteList()) {
        m_selected = previous;
        return Failure();
    }
    return Finish(Outcome(ProfileResult::Done, m_entries[static_cast<size_t>(index)].name));
}

ProfileOutcome ProfileList::AddProfile() {
    const FolderLock lock(m_folder);
    if (!lock.Held()) {
        return Finish(Outcome(ProfileResult::WriteFailed, lock.Reason()));
    }
    if (!Refresh()) {
        return Failure();
    }
    if (static_cast<int>(m_entries.size()) >= kMaxProfiles) {
        return Finish(
            Outcome(ProfileResult::Refused,
                    "a device keeps at most " + std::to_string(kMaxProfiles) + " profiles"));
    }
    std::string name;
    for (int n = 1;; ++n) {
        name = "Profile " + std::to_string(n);
        if (!HasName(name)) {
            break;
        }
    }
    return AppendProfile(name, DefaultDocumentNamed(name, ""), true);
}

ProfileOutcome ProfileList::CopyProfile() {
    const FolderLock lock(m_folder);
    if (!lock.Held()) {
        return Finish(Outcome(ProfileResult::WriteFailed, lock.Reason()));
    }
    if (!Refresh()) {
        return Failure();
    }
    if (!HasSelection()) {
        return Finish(Outcome(ProfileResult::Refused, "no profile selected"));
    }
    const ProfileEntry source = m_entries[static_cast<size_t>(m_selected)];
    Json::Value document;
    if (!CompleteDocument(source.uuid, document)) {
        return Failure();
    }
    std::string name = source.name + " Copy";
    while (HasName(name)) {
        name += " Copy";
    }
    return AppendProfile(name, std::move(document), false);
}

ProfileOutcome ProfileList::DeleteProfile() {
    const FolderLock lock(m_folder);
    if (!lock.Held()) {
        return Finish(Outcome(ProfileResult::WriteFailed, lock.Reason()));
    }
    if (!Refresh()) {
        return Failure();
    }
    if (!HasSelection() || m_entries.size() < 2) {
        return Finish(Outcome(ProfileResult::Refused, "the last profile cannot be deleted"));
    }
    const auto removedIndex = static_cast<size_t>(m_selected);
    const std::vector<ProfileEntry> before = m_entries;
    const int previous = m_selected;
    const ProfileEntry removed = m_entries[removedIndex];
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(removedIndex));
    m_selected = m_selected == 0 ? 0 : m_selected - 1;
    if (!WriteList()) {
        m_entries = before;
        m_selected = previous;
        return Failure();
    }
    ::unlink(DocumentPath(removed.uuid).c_str());
    return Finish(Outcome(ProfileResult::Done, removed.name));
}

ProfileOutcome ProfileList::RenameProfile(const std::string& requested) {
    const std::string name = json::ValidUtf8(requested);
    if (name.empty()) {
        return Finish(Outcome(ProfileResult::Unchanged));
    }
    const FolderLock lock(m_folder);
    if (!lock.Held()) {
        return Finish(Outcome(ProfileResult::WriteFailed, lock.Reason()));
    }
    if (!Refresh()) {
        return Failure();
    }
    if (!HasSelection()) {
        return Finish(Outcome(ProfileResult::Refused, "no profile selected"));
    }
    const auto taken = std::find_if(m_entries.begin(), m_entries.end(), [&](const auto& entry) {
        return SameProfileName(entry.name, name);
    });
    if (taken != m_entries.end()) {
        ProfileOutcome clash =
            Outcome(ProfileResult::NameClash, "a profile is named " + taken->name);
        clash.messageKey = kRenameClashMessage;
        return Finish(clash);
    }
    ProfileEntry& entry = m_entries[static_cast<size_t>(m_selected)];
    // The document is checked first: one that cannot be read is left alone
    // and the list keeps the old name, so list and document stay in step.
    Json::Value document;
    if (!DocumentForRewrite(entry.uuid, document)) {
        return Failure();
    }
    const std::string oldName = entry.name;
    entry.name = name;
    if (!WriteList()) {
        entry.name = oldName;
        return Failure();
    }
    NameDocument(document, name, entry.uuid);
    const WriteResult written = m_jsonFile.WriteFile(DocumentPath(entry.uuid), document);
    if (!written.ok) {
        return Finish(WriteFailure(written));
    }
    return Finish(Outcome(ProfileResult::Done, name));
}

ProfileOutcome ProfileList::RestoreDefaults() {
    const FolderLock lock(m_folder);
    if (!lock.Held()) {
        return Finish(Outcome(ProfileResult::WriteFailed, lock.Reason()));
    }
    if (!Refresh()) {
        return Failure();
    }
    if (!HasSelection()) {
        return Finish(Outcome(ProfileResult::Refused, "no profile selected"));
    }
    const ProfileEntry& entry = m_entries[static_cast<size_t>(m_selected)];
    Json::Value current;
    if (!DocumentForRewrite(entry.uuid, current)) {
        return Failure();
    }
    Json::Value document = m_jsonFile.Load(m_defaultDocument);
    if (!document.isObject()) {
        // Without the defaults a reset would only wipe the user's settings.
        return Finish(Outcome(ProfileResult::Refused, "cannot read " + m_defaultDocument));
    }
    NameDocument(document, entry.name, entry.uuid);
    if (m_kind == kHeadsetKind) {
        // The user's own equaliser presets survive a reset.
        const Json::Value& device = json::Element(json::Member(current, "Device"), 0);
        for (const char* key : {"CustomEQNameInfo", "CustomEQHzValueInfo"}) {
            const Json::Value& kept = json::Member(device, key);
            if (!kept.isNull()) {
                json::ObjectMember(json::ArrayElement(json::ObjectMember(document, "Device"), 0),
                                   key) = kept;
            }
        }
    }
    const WriteResult written = m_jsonFile.WriteFile(DocumentPath(entry.uuid), document);
    if (!written.ok) {
        return Finish(WriteFailure(written));
    }
    return Finish(Outcome(ProfileResult::Done, entry.name));
}

ProfileOutcome ProfileList::ImportProfile(const std::string& path) {
    if (path.empty()) {
        return Finish(Outcome(ProfileResult::Unchanged));
    }
    JsonRead read = m_jsonFile.Read(path);
    if (read.file.status == FileStatus::Unreadable || read.file.status == FileStatus::TooLarge) {
        return Finish(ReadFailure(read.file));
    }
    const Json::Value& document = read.value;
    const std::string base = json::Text(json::Member(document, "profilename"));
    if (base.empty() || json::Member(document, "profileUUID").isNull()) {
        return Finish(Outcome(ProfileResult::InvalidInput,
                              path + " is not a profile (it needs \"profilename\" and "
                                     "\"profileUUID\")"));
    }
    const FolderLock lock(m_folder);
    if (!lock.Held()) {
        return Finish(Outcome(ProfileResult::WriteFailed, lock.Reason()));
    }
    if (!Refresh()) {
        return Failure();
    }
    std::string name = base;
    for (int n = 1; HasName(name); ++n) {
        name += "(" + std::to_string(n) + ")";
    }
    return AppendProfile(name, std::move(read.value), false);
}

ProfileOutcome ProfileList::ExportProfile(const std::string& path) {
    if (path.empty()) {
        return Finish(Outcome(ProfileResult::Unchanged));
    }
    // Only reads the folder: no lock.
    if (!Refresh()) {
        return Failure();
    }
    if (!HasSelection()) {
        return Finish(Outcome(ProfileResult::Refused, "no profile selected"));
    }
    const ProfileEntry& entry = m_entries[static_cast<size_t>(m_selected)];
    Json::Value document;
    if (!CompleteDocument(entry.uuid, document)) {
        return Failure();
    }
    NameDocument(document, entry.name, entry.uuid);
    const WriteResult written = m_jsonFile.WriteFile(path, document);
    if (!written.ok) {
        return Finish(WriteFailure(written));
    }
    return Finish(Outcome(ProfileResult::Done, entry.name));
}

std::string ProfileTabName(int number) {
    static constexpr const char* kTabs[] = {"cursor_Op_tab", "macro_Op_tab", "system_Op_tab",
                                            "key_Op_tab",    "deng_Op_tab",  "6533_voice_Op_tab",
                                            "magic_Op_tab"};
    return number >= 1 && number <= 7 ? kTabs[number - 1] : "";
}

std::vector<std::pair<std::string, bool>> ProfileTabVisibility(int kind) {
    switch (kind) {
        case 1:
            return {{"cursor_Op_tab", false}};
        case 3:
            return {{"cursor_Op_tab", false},
                    {"macro_Op_tab", false},
                    {"system_Op_tab", false},
                    {"key_Op_tab", false}};
        case kHeadsetKind:
            return {{"cursor_Op_tab", false}, {"macro_Op_tab", false},     {"system_Op_tab", false},
                    {"key_Op_tab", false},    {"6533_voice_Op_tab", true}, {"magic_Op_tab", true}};
        default:
            return {};
    }
}

}  // namespace profile
