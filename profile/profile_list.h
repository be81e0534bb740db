#pragma once
// The profile list of one device: the named profiles in "ProfileList.ini"
// (a JSON document despite its name) in the device's profile folder, one of
// them selected, each with its document UUID + ".Json" beside the list.
//
// This is the model under the profile drop-down of a device page and under
// `veldmarkctl profile`: it shows nothing. Each operation takes the folder's
// lock (profile/user_file.h), re-reads the list file (another copy of the
// program or the command-line tool may have changed it), applies its change,
// writes the files and reports the outcome, including the language key of
// the message the window must show, if any, and notices (damaged files kept
// as ".bad", refused entries) the user must hear of.
//
// A list or document that exists but cannot be read (permissions, I/O
// error, not a regular file) or is over its cap is never written over: the
// operation is refused with ReadFailed and a reason naming the file.
//
// List file: {"profilelist": [{"profilename", "profileUUID",
// "profileislink": 0, "profilelinkmame": ""}, …], "profileselect": index}.
// Entries whose UUID is not of the time-stamp form in plain ASCII, or
// repeats an earlier one, are refused when the list is read; the file is kept
// as ".bad" before the list is next rewritten without them. Names are UTF-8;
// names compare without regard to ASCII letter case.
//
// Used from one thread at a time.

#include <string>
#include <utility>
#include <vector>

#include "profile/json_file.h"
#include "profile/user_file.h"

namespace profile {

enum class ProfileResult {
    Done,          // the change is on disk
    Unchanged,     // nothing to do (empty name, no path)
    Refused,       // a limit or a missing selection forbids it
    NameClash,     // another profile has that name
    InvalidInput,  // an import file that is not a profile
    WriteFailed,   // a file could not be written; see `detail`
    ReadFailed,    // a file exists but cannot be read or is too large; left as it is
};

struct ProfileOutcome {
    ProfileResult result = ProfileResult::Unchanged;
    std::string messageKey;  // language key the window shows, empty for none
    std::string detail;      // a name or a reason, for logs and the command line
    // Things the user must hear of even when the operation went through
    // (a damaged file kept as ".bad", entries of the list refused).
    std::vector<std::string> notices;

    bool Ok() const { return result == ProfileResult::Done; }
};

struct ProfileEntry {
    std::string name;
    std::string uuid;
};

class ProfileList {
  public:
    static constexpr int kMaxProfiles = 50;  // AddProfile refuses beyond; copy and import do not

    // Device kinds: 1 keyboard, 2 mouse, 3 mousepad, 7 headset.
    void SetPaths(const std::string& profileFolder, const std::string& defaultDocument);
    void SetDeviceKind(int kind) { m_kind = kind; }

    // Reads the list; creates "Profile 1" from the default document when the
    // list is missing, damaged (kept aside as ".bad") or empty; selects the
    // stored selection. Refused (ReadFailed) when the list cannot be read.
    ProfileOutcome InitProfiles();
    // Reads the list for showing it, writing nothing: Done (entries and
    // selection filled, possibly none when there is no list yet) or
    // ReadFailed.
    ProfileOutcome ReadOnly();
    ProfileOutcome SelectProfile(int index);
    // Appends "Profile n" (smallest free n) from the default document and
    // selects it; refused with 50 profiles.
    ProfileOutcome AddProfile();
    // Appends a copy of the selected profile named "<name> Copy" (" Copy"
    // repeated while the name is taken).
    ProfileOutcome CopyProfile();
    // Removes the selected profile and its document; needs two profiles.
    // The previous profile (or the new first one) becomes selected.
    ProfileOutcome DeleteProfile();
    // Renames the selected profile; a name any profile has (in any letter
    // case) is refused with "message_text_5". Bytes that are not UTF-8 are
    // replaced by U+FFFD.
    ProfileOutcome RenameProfile(const std::string& requested);
    // Rewrites the selected profile's document from the default document,
    // keeping name and UUID; a headset keeps its custom equaliser presets.
    // Refused, with the profile untouched, when the default document cannot
    // be read.
    ProfileOutcome RestoreDefaults();
    // Appends the profile document at `path` (it needs "profilename" and
    // "profileUUID" at its root) under its name, with "(n)" appended while
    // the name is taken, and a new UUID.
    ProfileOutcome ImportProfile(const std::string& path);
    // Writes the selected profile's document to `path`.
    ProfileOutcome ExportProfile(const std::string& path);

    // The usable entries of a parsed list document; `refused` (optional)
    // receives the identifiers of the others, shown escaped.
    static std::vector<ProfileEntry> EntriesOf(const Json::Value& document,
                                               std::vector<std::string>* refused = nullptr);

    int GetSelectedIndex() const { return m_selected; }
    std::string GetSelectedId() const;
    const std::vector<ProfileEntry>& GetEntries() const { return m_entries; }
    std::string ListPath() const { return m_folder + "ProfileList.ini"; }
    std::string DocumentPath(const std::string& uuid) const { return m_folder + uuid + ".Json"; }

  private:
    enum class ReadResult { Read, Unusable, Failed };
    ReadResult ReadList();
    // Re-reads the list (under the folder lock the operation holds); when the
    // file is gone or damaged the in-memory list stands in for it (and is
    // written back by the operation). False, with `m_failure` set, when the
    // operation must stop.
    bool Refresh();
    bool WriteList();
    bool HasName(const std::string& name) const;
    bool HasSelection() const;
    Json::Value DefaultDocumentNamed(const std::string& name, const std::string& uuid) const;
    // The profile's document as a device would load it; false (with
    // `m_failure`) when the stored file exists but cannot be used.
    bool CompleteDocument(const std::string& uuid, Json::Value& document);
    // The stored document for rewriting: false when it must not be written
    // over; a damaged one is kept as ".bad" first.
    bool DocumentForRewrite(const std::string& uuid, Json::Value& document);
    ProfileOutcome AppendProfile(const std::string& name, Json::Value document, bool select);
    ProfileOutcome Finish(ProfileOutcome outcome);
    ProfileOutcome Failure();

    CJsonFile m_jsonFile;
    std::string m_folder;
    std::string m_defaultDocument;
    int m_kind = 0;
    Json::Value m_listDocument{Json::objectValue};
    std::vector<ProfileEntry> m_entries;
    int m_selected = -1;
    // The list file held entries that were refused: it is kept as ".bad"
    // before the next rewrite drops them.
    bool m_keepListAside = false;
    bool m_readOnly = false;  // reading for display: nothing is kept aside
    ProfileOutcome m_failure;
    std::vector<std::string> m_notices;
};

// Case-insensitive (ASCII letters) equality of two names.
bool SameProfileName(const std::string& a, const std::string& b);

// The seven function tabs of a device page, numbered 1-7; empty text for
// other numbers.
std::string ProfileTabName(int number);
// Which tabs a device kind hides (false) or shows (true); tabs not listed
// keep the visibility the layout gave them.
std::vector<std::pair<std::string, bool>> ProfileTabVisibility(int kind);

}  // namespace profile
