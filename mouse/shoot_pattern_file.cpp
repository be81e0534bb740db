#include "mouse/shoot_pattern_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "profile/json_file.h"
#include "profile/user_file.h"

namespace mouse {
namespace {

// 120 events of about 110 styled bytes each: 1 MiB leaves room for hand edits.
constexpr off_t kPatternCap = off_t{1} << 20;

PatternRead Unreadable(const std::string& path, const std::string& why) {
    return {PatternStatus::Unreadable, Json::Value(), "cannot read " + path + ": " + why};
}

// Reads the whole regular file; false with errno-based text otherwise.
bool ReadWhole(const std::string& path, std::string& bytes, std::string& why) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0;
    if (!ok) {
        why = std::strerror(errno);
    } else if (!S_ISREG(info.st_mode)) {
        why = "not a regular file";
        ok = false;
    } else if (info.st_size > kPatternCap) {
        why = "larger than " + std::to_string(kPatternCap) + " bytes";
        ok = false;
    }
    char buffer[4096];
    while (ok) {
        const ssize_t n = ::read(fd, buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            why = std::strerror(errno);
            ok = false;
        } else if (n == 0) {
            break;
        } else {
            bytes.append(buffer, static_cast<size_t>(n));
            if (bytes.size() > static_cast<size_t>(kPatternCap)) {
                why = "grew past " + std::to_string(kPatternCap) + " bytes while read";
                ok = false;
            }
        }
    }
    ::close(fd);
    return ok;
}

}  // namespace

bool IsPatternDocument(const Json::Value& document) {
    if (!document.isObject()) {
        return false;
    }
    const Json::Value* events = document.find("Events", "Events" + 6);
    return events == nullptr || events->isArray();
}

PatternRead ReadPattern(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        if (errno == ENOENT) {
            return {};
        }
        return Unreadable(path, std::strerror(errno));
    }
    std::string bytes;
    std::string why;
    if (!ReadWhole(path, bytes, why)) {
        return Unreadable(path, why);
    }
    bool parsed = false;
    Json::Value document = CJsonFile::Parse(bytes, &parsed);
    if (!parsed || !IsPatternDocument(document)) {
        return {PatternStatus::Damaged, Json::Value(), path + " is not a recoil pattern"};
    }
    return {PatternStatus::Ok, std::move(document), {}};
}

bool ReplacePattern(const std::string& path, const PatternRead& read, const Json::Value& document,
                    std::string* reason) {
    if (read.status == PatternStatus::Unreadable) {
        if (reason != nullptr) {
            *reason = read.reason;
        }
        return false;
    }
    if (read.status == PatternStatus::Damaged && profile::KeepDamagedFile(path).empty()) {
        if (reason != nullptr) {
            *reason = "cannot keep the damaged " + path + " aside: " + std::strerror(errno);
        }
        return false;
    }
    int error = 0;
    if (!profile::WriteFileAtomically(path, CJsonFile::StyledText(document), &error)) {
        if (reason != nullptr) {
            *reason = "cannot write " + path + ": " + std::strerror(error);
        }
        return false;
    }
    return true;
}

}  // namespace mouse
