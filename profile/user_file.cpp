#include "profile/user_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

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

// A name no other writer uses: hidden, beside the target, unique per process
// and per call.
std::string TemporaryNameFor(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    const std::string folder = FolderOf(path);
    return folder + (folder == "/" ? "" : "/") + "." + BaseNameOf(path) + ".tmp-" +
           std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1));
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

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view bytes, int* error) {
    std::string temporary;
    const int fd = OpenTemporary(path, temporary);
    if (fd < 0) {
        if (error != nullptr) {
            *error = errno;
        }
        return false;
    }
    // An existing file keeps its permissions.
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0) {
        ::fchmod(fd, old.st_mode & 07777);
    }
    bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    int failure = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        failure = errno;
    }
    if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) {
        ok = false;
        failure = errno;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        if (error != nullptr) {
            *error = failure;
        }
        return false;
    }
    // The folder is not synced: that would only make the rename itself
    // survive a power cut, which costs a second disk flush per save; without
    // it a power cut leaves the old complete file, never a partial one.
    if (error != nullptr) {
        *error = 0;
    }
    return true;
}

std::string KeepDamagedFile(const std::string& path) {
    if (!FileExists(path)) {
        return {};
    }
    std::string target = path + ".bad";
    for (int n = 2; FileExists(target) && n < 1000; ++n) {
        target = path + "." + std::to_string(n) + ".bad";
    }
    if (::rename(path.c_str(), target.c_str()) != 0) {
        return {};
    }
    return target;
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

bool FileExists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

}  // namespace profile
