#pragma once
// The one way the program reads and writes the files a user owns: profile
// documents, "ProfileList.ini", the macro list and ".mac" files, the light
// store and ".light" files, recoil "ShootData" files, equaliser presets and
// settings. Every writer of a per-user folder uses this file; nothing else
// opens those files for writing.
//
// The contract, in the order a writer meets it:
//
// 1. Lock the folder. `FolderLock lock(folder)` takes an advisory lock
//    (flock) on the file ".veldmark.lock" inside the folder and holds it until
//    the object goes. Every read-modify-write of a file of the folder (the
//    list, a document, the macro and light stores) runs under it, so the app
//    and veldmarkctl never lose each other's changes. The lock is
//    cross-process and also serialises threads of one process; a thread that
//    already holds the folder's lock may construct another FolderLock for it
//    (the inner one holds nothing and releases nothing). Taking the lock
//    first removes stale temporaries of our own naming (".<name>.tmp-<pid>-<n>")
//    older than a minute, left by writers that were killed half-way.
//    Pure readers (listing) take no lock and never write.
//
// 2. Read with a cap. `ReadUserFile(path, cap)` answers one of:
//      Ok          the bytes are in `bytes`;
//      Missing     no such file (the only case that may be replaced by
//                  defaults without further ado);
//      Unreadable  it exists but cannot be read (permissions, I/O error, too
//                  many open files, not a regular file): NEVER write over
//                  it; refuse the operation with Reason() (path + strerror);
//      TooLarge    larger than `cap`, decided from its size before a byte is
//                  read: refuse and leave the file as it is;
//      Damaged     set by the parser above (CJsonFile::Read) for bytes that
//                  are not a document of the expected shape: the file may be
//                  replaced, but only after KeepDamagedFile(path) kept it
//                  aside as ".bad".
//    MayReplace() is true for exactly Ok, Missing and Damaged.
//
// 3. Reload if another process changed the file. A reader keeps the
//    `stamp` of what it read (or the stamp WriteUserFile returns). Before
//    writing its in-memory copy back it compares that stamp with
//    StampOf(path) under the folder lock; when they differ, another writer
//    replaced the file since, and the writer reads it again and applies its
//    change to the fresh content instead of writing its stale copy. Every
//    write replaces the file by a new inode, so stamps differ even within one
//    clock tick.
//
// 4. Write atomically. `WriteUserFile(path, bytes)` writes a temporary file
//    in the same folder, flushes it and renames it over `path`: a crash or a
//    full disk leaves the old file or the new one, never a mix or an empty
//    file. A new file gets mode 0666 less the umask; a replaced file keeps its
//    mode, with read and write for its owner added (a file that had none is
//    not refused here: step 2 already refused it).
//
// 5. Create new documents exclusively. `CreateUserFile(path, bytes)` fails
//    with EEXIST instead of replacing a file someone else created at that
//    moment; `CreateWithNewId(folder, suffix, make, taken)` picks a
//    time-stamp identifier (MakeTimeStampId form), moving on by a millisecond
//    while the name is taken (on disk or by `taken`), and creates the file
//    with the bytes `make(id)` returns.
//
// Caps (decided from the largest file the program itself can write, with
// generous room for hand edits; checked before reading):
//   kDocumentCap  1 MiB  profile documents and imported/exported profiles
//                        (the largest, the keyboard's with its custom colour
//                        groups, is 85 KB with three groups: room for 45),
//                        "ProfileList.ini" (50 profiles: about 8 KB),
//                        "macro.config", the light store and ".light" effect
//                        files (256 steps: about 60 KB), "ShootData" files
//                        (120 events: 13 KB), equaliser presets, settings.
//   kMacroFileCap 4 MiB  a ".mac" event file (4000 events of about 130 bytes
//                        styled: 520 KB).
//
// Identifiers that become file names are checked with IsSafeFileId (plain
// file name component) or, where the program made them, IsTimeStampId (the
// exact MakeTimeStampId form, plain ASCII): an identifier read from a file
// that fails the check is refused, never rewritten into another one.
//
// Threads: every function may be called from any thread.

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace profile {

inline constexpr std::size_t kDocumentCap = std::size_t{1} << 20;
inline constexpr std::size_t kMacroFileCap = std::size_t{4} << 20;
// Temporaries older than this are a killed writer's leftovers.
inline constexpr int kStaleTemporarySeconds = 60;
inline constexpr const char* kLockFileName = ".veldmark.lock";

enum class FileStatus { Ok, Missing, Damaged, Unreadable, TooLarge };

// Identity and version of a file on disk; equal stamps mean nobody replaced
// the file in between.
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;

    bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(const std::string& path);

struct UserFileRead {
    FileStatus status = FileStatus::Missing;
    std::string path;
    std::string bytes;       // Ok and Damaged: the file's content
    int error = 0;           // Unreadable: errno of the failing step
    std::uint64_t size = 0;  // the size found (TooLarge: above cap)
    std::size_t cap = 0;     // the cap the file was read with
    FileStamp stamp;         // of the file read; exists == false when Missing
    std::string damage;      // Damaged: what the parser disliked (may be empty)

    bool Ok() const { return status == FileStatus::Ok; }
    bool MayReplace() const {
        return status == FileStatus::Ok || status == FileStatus::Missing ||
               status == FileStatus::Damaged;
    }
    // One line for the user: the path and why, e.g.
    // "cannot read /x/ProfileList.ini: Permission denied".
    std::string Reason() const;
};

UserFileRead ReadUserFile(const std::string& path, std::size_t cap);

struct WriteResult {
    bool ok = false;
    int error = 0;    // errno of the failing step
    FileStamp stamp;  // of the new file when ok
    std::string path;

    explicit operator bool() const { return ok; }
    // "cannot write <path>: <strerror>" (empty when ok).
    std::string Reason() const;
};

// Replaces (or creates) `path` with `bytes`, atomically (step 4 above). On
// failure the old file is untouched and no temporary is left behind.
WriteResult WriteUserFile(const std::string& path, std::string_view bytes);

// Creates `path` with `bytes` only when it does not exist yet (error EEXIST
// otherwise); the file appears complete or not at all.
WriteResult CreateUserFile(const std::string& path, std::string_view bytes);

// Creates folder + id + suffix for a fresh time-stamp id (step 5 above).
// Returns the id, empty text on failure (`result` tells why).
std::string CreateWithNewId(const std::string& folder, const std::string& suffix,
                            const std::function<std::string(const std::string& id)>& make,
                            const std::function<bool(const std::string& id)>& taken,
                            WriteResult* result = nullptr);

// The local time as "%d_%02d_%02d_%02d_%02d_%02d_%03d" (year, month, day,
// hour, minute, second, millisecond).
std::string MakeTimeStampId(std::chrono::system_clock::time_point when);

// Kept for writers of settings files: WriteUserFile returning only success.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, int* error = nullptr);

// Renames `path` to `path` + ".bad" (or ".2.bad", ".3.bad" … when that name
// is taken). Returns the new name, or empty text when nothing was moved.
std::string KeepDamagedFile(const std::string& path);

// Keeps a copy of `path` as `path` + ".bad" (".2.bad" …) while the file
// itself stays in place, for a file about to be rewritten without some of
// its content (refused entries, a root that is not an object). Returns the
// copy's name, empty text when nothing was kept.
std::string KeepCopyAside(const std::string& path);

// The cross-process lock of one folder (step 1 above). Blocks until held.
class FolderLock {
  public:
    explicit FolderLock(const std::string& folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // False when the lock file could not be opened (a read-only or
    // unreadable folder); the caller then refuses to write with Reason().
    bool Held() const { return m_held; }
    std::string Reason() const;
    // Stale temporaries this lock removed when it was taken.
    int RemovedTemporaries() const { return m_removed; }

  private:
    std::string m_folder;
    int m_fd = -1;
    int m_error = 0;
    bool m_held = false;
    bool m_nested = false;
    int m_removed = 0;
};

// True when `name` has the form of our temporaries (".<name>.tmp-<pid>-<n>").
bool IsOurTemporaryName(std::string_view name);

// True when `id` is a non-empty plain file name component: no path
// separators, not "." or "..", no control characters and at most 200 bytes.
bool IsSafeFileId(std::string_view id);

// True when `id` is exactly of the MakeTimeStampId form
// "<year>_<MM>_<DD>_<hh>_<mm>_<ss>_<mmm>" in plain ASCII digits.
bool IsTimeStampId(std::string_view id);

// True when the file exists (any type).
bool FileExists(const std::string& path);

// `text` with control characters and bytes that are not UTF-8 shown escaped
// ("\n", "\t", "\x1b", "\\"), for printing names a user typed or a file held.
std::string EscapeForDisplay(std::string_view text);

}  // namespace profile
