#include "profile/user_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <set>

#include "platform/trace/trace.h"

namespace profile {
namespace {

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Joined(const std::string& folder, const std::string& name) {
    if (folder.empty()) {
        return name;
    }
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::int64_t Nanoseconds(const timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

FileStamp StampFrom(const struct stat& info) {
    FileStamp stamp;
    stamp.exists = true;
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.size = static_cast<std::int64_t>(info.st_size);
    stamp.modifiedNs = Nanoseconds(info.st_mtim);
    stamp.changedNs = Nanoseconds(info.st_ctim);
    return stamp;
}

// A name no other writer uses: hidden, beside the target, unique per process
// and per call. IsOurTemporaryName recognises exactly this form.
std::string TemporaryNameFor(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    return Joined(FolderOf(path), "." + BaseNameOf(path) + ".tmp-" + std::to_string(::getpid()) +
                                      "-" + std::to_string(counter.fetch_add(1)));
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (written == 0) {
            errno = EIO;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

int OpenTemporary(const std::string& path, std::string& temporary) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = TemporaryNameFor(path);
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

// Writes `bytes` into a fresh temporary beside `path`, flushed and closed.
// Returns errno, 0 on success; `temporary` names the file either way.
int WriteTemporary(const std::string& path, std::string_view bytes, std::string& temporary,
                   const struct stat* keepModeOf) {
    const int fd = OpenTemporary(path, temporary);
    if (fd < 0) {
        temporary.clear();
        return errno != 0 ? errno : EEXIST;
    }
    if (keepModeOf != nullptr) {
        // The owner can always read and write back what they own.
        ::fchmod(fd, (keepModeOf->st_mode & 07777) | S_IRUSR | S_IWUSR);
    }
    int failure = 0;
    if (!WriteAll(fd, bytes) || ::fsync(fd) != 0) {
        failure = errno;
    }
    if (::close(fd) != 0 && failure == 0) {
        failure = errno;
    }
    if (failure != 0) {
        ::unlink(temporary.c_str());
    }
    return failure;
}

WriteResult Failed(const std::string& path, int error) {
    WriteResult result;
    result.path = path;
    result.error = error != 0 ? error : EIO;
    return result;
}

WriteResult Succeeded(const std::string& path) {
    WriteResult result;
    result.ok = true;
    result.path = path;
    result.stamp = StampOf(path);
    return result;
}

// Folders whose lock this thread holds, so that a nested FolderLock for the
// same folder neither deadlocks on its own flock nor releases it early.
thread_local std::set<std::string> t_heldFolders;

std::string LockKey(const std::string& folder) {
    std::string key = folder;
    while (key.size() > 1 && key.back() == '/') {
        key.pop_back();
    }
    return key;
}

int RemoveStaleTemporaries(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return 0;
    }
    const std::time_t now = std::time(nullptr);
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (!IsOurTemporaryName(entry->d_name)) {
            continue;
        }
        struct stat info {};
        if (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(info.st_mode) || now - info.st_mtime < kStaleTemporarySeconds) {
            continue;
        }
        if (::unlinkat(::dirfd(dir), entry->d_name, 0) == 0) {
            ++removed;
        }
    }
    ::closedir(dir);
    if (removed > 0) {
        platform::trace::Format("removed %d stale temporary files in %s", removed, folder.c_str());
    }
    return removed;
}

bool AllDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

size_t Utf8SequenceLength(std::string_view text, size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    size_t length = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
    } else {
        return 0;
    }
    if (at + length > text.size()) {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) {
            return 0;
        }
    }
    const auto second = static_cast<unsigned char>(text[at + 1]);
    // Overlong forms, surrogates and values past U+10FFFF.
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F)) {
        return 0;
    }
    return length;
}

}  // namespace

FileStamp StampOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return {};
    }
    return StampFrom(info);
}

std::string UserFileRead::Reason() const {
    switch (status) {
        case FileStatus::Ok:
            return {};
        case FileStatus::Missing:
            return path + " does not exist";
        case FileStatus::Unreadable:
            return "cannot read " + path + ": " + std::strerror(error);
        case FileStatus::TooLarge:
            return path + " is too large (" + std::to_string(size) + " bytes; at most " +
                   std::to_string(cap) + ")";
        case FileStatus::Damaged:
            return path + " is damaged" + (damage.empty() ? std::string() : ": " + damage);
    }
    return {};
}

UserFileRead ReadUserFile(const std::string& path, std::size_t cap) {
    UserFileRead read;
    read.path = path;
    read.cap = cap;
    // Non-blocking so that a named pipe or a device node in the file's place
    // cannot hold the caller in open(); only regular files are read.
    int fd = -1;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        read.error = errno;
        read.status = errno == ENOENT ? FileStatus::Missing : FileStatus::Unreadable;
        if (read.status == FileStatus::Missing && errno == ENOENT && FileExists(path)) {
            // A dangling symbolic link is there but names nothing.
            read.status = FileStatus::Unreadable;
        }
        return read;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        read.error = errno;
        read.status = FileStatus::Unreadable;
    } else if (!S_ISREG(info.st_mode)) {
        read.error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        read.status = FileStatus::Unreadable;
    } else if (static_cast<std::uint64_t>(info.st_size) > cap) {
        read.size = static_cast<std::uint64_t>(info.st_size);
        read.stamp = StampFrom(info);
        read.status = FileStatus::TooLarge;
    } else {
        read.stamp = StampFrom(info);
        // Read until the end; a file that grows while we read past the cap is
        // too large, one that shrinks is simply shorter.
        std::string& bytes = read.bytes;
        bytes.resize(static_cast<size_t>(info.st_size) + 1);
        size_t done = 0;
        read.status = FileStatus::Ok;
        for (;;) {
            if (done == bytes.size()) {
                if (bytes.size() > cap) {
                    read.status = FileStatus::TooLarge;
                    break;
                }
                bytes.resize(std::min(bytes.size() * 2 + 4096, cap + 1));
            }
            const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
                continue;
            }
            if (n < 0) {
                read.error = errno;
                read.status = FileStatus::Unreadable;
                break;
            }
            if (n == 0) {
                break;
            }
            done += static_cast<size_t>(n);
        }
        read.size = done;
        if (read.status != FileStatus::Ok) {
            bytes.clear();
        } else {
            bytes.resize(done);
        }
    }
    ::close(fd);
    return read;
}

std::string WriteResult::Reason() const {
    return ok ? std::string() : "cannot write " + path + ": " + std::strerror(error);
}

WriteResult WriteUserFile(const std::string& path, std::string_view bytes) {
    struct stat old {};
    const bool replacing = ::stat(path.c_str(), &old) == 0;
    std::string temporary;
    int failure = WriteTemporary(path, bytes, temporary, replacing ? &old : nullptr);
    if (failure == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) {
        failure = errno;
        ::unlink(temporary.c_str());
    }
    // The folder is not synced: that would only make the rename itself
    // survive a power cut, which costs a second disk flush per save; without
    // it a power cut leaves the old complete file, never a partial one.
    return failure == 0 ? Succeeded(path) : Failed(path, failure);
}

WriteResult CreateUserFile(const std::string& path, std::string_view bytes) {
    if (FileExists(path)) {
        return Failed(path, EEXIST);
    }
    std::string temporary;
    int failure = WriteTemporary(path, bytes, temporary, nullptr);
    if (failure != 0) {
        return Failed(path, failure);
    }
    // link() fails when the name exists, and the file it makes visible is
    // already complete: exclusive and atomic at once.
    if (::link(temporary.c_str(), path.c_str()) == 0) {
        ::unlink(temporary.c_str());
        return Succeeded(path);
    }
    failure = errno;
    ::unlink(temporary.c_str());
    if (failure != EPERM && failure != ENOTSUP && failure != EOPNOTSUPP) {
        return Failed(path, failure);
    }
    // A file system without hard links: exclusive open, then the bytes.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        return Failed(path, errno);
    }
    failure = WriteAll(fd, bytes) && ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    if (failure != 0) {
        ::unlink(path.c_str());
        return Failed(path, failure);
    }
    return Succeeded(path);
}

std::string CreateWithNewId(const std::string& folder, const std::string& suffix,
                            const std::function<std::string(const std::string& id)>& make,
                            const std::function<bool(const std::string& id)>& taken,
                            WriteResult* result) {
    auto when = std::chrono::system_clock::now();
    WriteResult last = Failed(Joined(folder, suffix), EEXIST);
    for (int attempt = 0; attempt < 100000; ++attempt, when += std::chrono::milliseconds(1)) {
        const std::string id = MakeTimeStampId(when);
        if (taken && taken(id)) {
            continue;
        }
        last = CreateUserFile(Joined(folder, id + suffix), make(id));
        if (last.ok || last.error != EEXIST) {
            break;
        }
    }
    if (result != nullptr) {
        *result = last;
    }
    if (!last.ok) {
        return {};
    }
    return BaseNameOf(last.path).substr(0, BaseNameOf(last.path).size() - suffix.size());
}

std::string MakeTimeStampId(std::chrono::system_clock::time_point when) {
    const auto since = when.time_since_epoch();
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(since).count() % 1000;
    const std::time_t seconds =
        std::chrono::system_clock::to_time_t(std::chrono::floor<std::chrono::seconds>(when));
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[64];
    std::snprintf(text, sizeof text, "%d_%02d_%02d_%02d_%02d_%02d_%03d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(millis < 0 ? millis + 1000 : millis));
    return text;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, int* error) {
    const WriteResult result = WriteUserFile(path, bytes);
    if (error != nullptr) {
        *error = result.ok ? 0 : result.error;
    }
    return result.ok;
}

std::string KeepDamagedFile(const std::string& path) {
    if (!FileExists(path)) {
        return {};
    }
    std::string target = path + ".bad";
    for (int n = 2; FileExists(target) && n < 1000; ++n) {
        target = path + "." + std::to_string(n) + ".bad";
    }
    if (FileExists(target) || ::rename(path.c_str(), target.c_str()) != 0) {
        return {};
    }
    platform::trace::Format("damaged file kept as %s", target.c_str());
    return target;
}

std::string KeepCopyAside(const std::string& path) {
    if (!FileExists(path)) {
        return {};
    }
    std::string target = path + ".bad";
    for (int n = 2; FileExists(target) && n < 1000; ++n) {
        target = path + "." + std::to_string(n) + ".bad";
    }
    if (::link(path.c_str(), target.c_str()) != 0) {
        // No hard links here: a copy of the bytes does as well.
        const UserFileRead read = ReadUserFile(path, kMacroFileCap);
        if (!read.Ok() || !CreateUserFile(target, read.bytes).ok) {
            return {};
        }
    }
    platform::trace::Format("file kept as %s", target.c_str());
    return target;
}

FolderLock::FolderLock(const std::string& folder) : m_folder(LockKey(folder)) {
    if (t_heldFolders.count(m_folder) != 0) {
        m_nested = true;
        m_held = true;
        return;
    }
    const std::string lockPath = Joined(m_folder, kLockFileName);
    do {
        m_fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    } while (m_fd < 0 && errno == EINTR);
    if (m_fd < 0) {
        m_error = errno;
        return;
    }
    int locked = -1;
    do {
        locked = ::flock(m_fd, LOCK_EX);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        m_error = errno;
        ::close(m_fd);
        m_fd = -1;
        return;
    }
    m_held = true;
    t_heldFolders.insert(m_folder);
    m_removed = RemoveStaleTemporaries(m_folder);
}

FolderLock::~FolderLock() {
    if (m_nested || !m_held) {
        return;
    }
    t_heldFolders.erase(m_folder);
    // Closing the descriptor releases the flock.
    ::close(m_fd);
}

std::string FolderLock::Reason() const {
    return m_held
               ? std::string()
               : "cannot lock " + Joined(m_folder, kLockFileName) + ": " + std::strerror(m_error);
}

bool IsOurTemporaryName(std::string_view name) {
    // ".<base>.tmp-<pid>-<n>"
    if (name.size() < 3 || name[0] != '.') {
        return false;
    }
    const size_t marker = name.rfind(".tmp-");
    if (marker == std::string_view::npos || marker < 2) {
        return false;
    }
    const std::string_view numbers = name.substr(marker + 5);
    const size_t dash = numbers.find('-');
    return dash != std::string_view::npos && AllDigits(numbers.substr(0, dash)) &&
           AllDigits(numbers.substr(dash + 1));
}

bool IsSafeFileId(std::string_view id) {
    if (id.empty() || id.size() > 200 || id == "." || id == "..") {
        return false;
    }
    for (const char c : id) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || byte < 0x20 || byte == 0x7F) {
            return false;
        }
    }
    return true;
}

bool IsTimeStampId(std::string_view id) {
    // year (1-5 digits), then six fields of 2, 2, 2, 2, 2 and 3 digits.
    static constexpr size_t kWidths[] = {2, 2, 2, 2, 2, 3};
    const size_t first = id.find('_');
    if (first == std::string_view::npos || first == 0 || first > 5 ||
        !AllDigits(id.substr(0, first))) {
        return false;
    }
    size_t at = first;
    for (const size_t width : kWidths) {
        if (at >= id.size() || id[at] != '_' || !AllDigits(id.substr(at + 1, width)) ||
            id.substr(at + 1, width).size() != width) {
            return false;
        }
        at += 1 + width;
    }
    return at == id.size();
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

std::string EscapeForDisplay(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x80) {
            const size_t length = Utf8SequenceLength(text, i);
            // U+0080-U+009F are control characters too.
            const bool c1 =
                length == 2 && byte == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0;
            if (length != 0 && !c1) {
                shown.append(text.substr(i, length));
                i += length;
                continue;
            }
            const size_t count = length != 0 ? length : 1;
            for (size_t k = 0; k < count; ++k) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned char>(text[i + k]));
                shown += hex;
            }
            i += count;
            continue;
        }
        switch (byte) {
            case '\n':
                shown += "\\n";
                break;
            case '\r':
                shown += "\\r";
                break;
            case '\t':
                shown += "\\t";
                break;
            case '\\':
                shown += "\\\\";
                break;
            default:
                if (byte < 0x20 || byte == 0x7F) {
                    char hex[8];
                    std::snprintf(hex, sizeof hex, "\\x%02x", byte);
                    shown += hex;
                } else {
                    shown.push_back(static_cast<char>(byte));
                }
        }
        ++i;
    }
    return shown;
}

}  // namespace profile
