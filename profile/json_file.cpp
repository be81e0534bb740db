#include "profile/json_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <exception>

#include "platform/trace/trace.h"
#include "profile/user_file.h"

std::string CJsonFile::ReadText(const std::string& path) const {
    errno = 0;
    std::string text;
    bool complete = false;
    // Non-blocking so that a named pipe or a device node in a profile's place
    // cannot hold the caller in open(); only regular files are read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat info {};
    if (fd >= 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        // Read up to the size the file had when opened; a file that grows
        // meanwhile is read to its end.
        text.resize(static_cast<size_t>(info.st_size));
        size_t done = 0;
        for (;;) {
            if (done == text.size()) {
                text.resize(done + 4096);
            }
            const ssize_t n = ::read(fd, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                complete = n == 0 && done >= static_cast<size_t>(info.st_size);
                break;
            }
            done += static_cast<size_t>(n);
        }
        text.resize(done);
    }
    if (fd >= 0) {
        ::close(fd);
    }
    platform::trace::Format("readjsonFile 错误吗：：%d", errno);
    return complete ? text : std::string();
}

Json::Value CJsonFile::Parse(const std::string& text, bool* ok) {
    Json::Value value;
    bool parsed = false;
    try {
        Json::Reader reader;
        parsed = reader.parse(text.data(), text.data() + text.size(), value, true);
    } catch (const std::exception&) {
        // jsoncpp throws on documents nested deeper than it allows.
        parsed = false;
    }
    if (ok != nullptr) {
        *ok = parsed;
    }
    if (!parsed) {
        value = Json::Value();
    }
    return value;
}

Json::Value CJsonFile::Load(const std::string& path, JsonLoadStatus* status,
                            std::string* parsedText) const {
    std::string text = ReadText(path);
    JsonLoadStatus result = JsonLoadStatus::Ok;
    Json::Value value;
    if (text.empty()) {
        platform::trace::Write(path);
        result = profile::FileExists(path) ? JsonLoadStatus::Empty : JsonLoadStatus::Missing;
    } else {
        bool ok = false;
        value = Parse(text, &ok);
        if (!ok) {
            result = JsonLoadStatus::Damaged;
        }
    }
    if (status != nullptr) {
        *status = result;
    }
    if (parsedText != nullptr) {
        *parsedText = std::move(text);
    }
    return value;
}

std::string CJsonFile::StyledText(const Json::Value& value) {
    Json::StyledWriter writer;
    return writer.write(value) + "\n";
}

int CJsonFile::Write(const std::string& path, const Json::Value& value) const {
    return Write(path, value, nullptr);
}

int CJsonFile::Write(const std::string& path, const Json::Value& value,
                     std::string* written) const {
    int error = 0;
    std::string text = StyledText(value);
    const bool ok = profile::WriteFileAtomically(path, text, &error);
    if (written != nullptr) {
        *written = ok ? std::move(text) : std::string();
    }
    platform::trace::Format("wirtejsonFile 错误吗：：%d", error);
    return ok ? 0 : 1;
}

std::string CJsonFile::MakeTimeStampId() {
    return MakeTimeStampId(std::chrono::system_clock::now());
}

std::string CJsonFile::MakeTimeStampId(std::chrono::system_clock::time_point when) {
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
