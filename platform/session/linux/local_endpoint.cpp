// Where the instance endpoint lives, and the client side of it.

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "platform/session/linux/socket_util.h"
#include "platform/session/local_socket.h"

namespace platform::session {
namespace {

// A folder only we may enter: ours, a real folder (not a link), and closed
// to group and others.
bool PrivateFolder(const std::string& path, std::string* why) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) {
        *why = path + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        *why = path + " is not a folder";
        return false;
    }
    if (st.st_uid != geteuid()) {
        *why = path + " belongs to uid " + std::to_string(st.st_uid) + ", not to uid " +
               std::to_string(geteuid());
        return false;
    }
    if ((st.st_mode & 077) != 0) {
        *why = path + " may be entered by other users (mode " +
               std::to_string((st.st_mode >> 6) & 7) + std::to_string((st.st_mode >> 3) & 7) +
               std::to_string(st.st_mode & 7) + ")";
        return false;
    }
    return true;
}

std::optional<std::string> EndpointFolder(bool create, std::string* error) {
    std::string why;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        runtime != nullptr && runtime[0] == '/' && PrivateFolder(runtime, &why)) {
        return std::string(runtime);
    }
    const char* tmp = std::getenv("TMPDIR");
    const std::string base = tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp";
    const std::string own = base + "/veldmark-" + std::to_string(geteuid());
    if (create && mkdir(own.c_str(), 0700) != 0 && errno != EEXIST) {
        if (error)
            *error = own + ": " + std::strerror(errno);
        return std::nullopt;
    }
    struct stat st {};
    if (!create && lstat(own.c_str(), &st) != 0 && errno == ENOENT) {
        return own;  // nobody made it, so nobody listens there: connecting says so
    }
    if (!PrivateFolder(own, &why)) {
        if (error)
            *error = "no private folder for the instance endpoint: " + why;
        return std::nullopt;
    }
    return own;
}

}  // namespace

std::optional<std::string> EndpointPath(const std::string& name, bool create, std::string* error) {
    if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..") {
        if (error)
            *error = "unusable instance name \"" + name + "\"";
        return std::nullopt;
    }
    const std::optional<std::string> folder = EndpointFolder(create, error);
    if (!folder) {
        return std::nullopt;
    }
    std::string path = *folder + "/veldmark-" + name + ".sock";
    if (path.size() >= sizeof(sockaddr_un{}.sun_path)) {
        if (error)
            *error = "the endpoint path is too long: " + path;
        return std::nullopt;
    }
    return path;
}

std::string JoinRequestWords(const std::vector<std::string>& words) {
    std::string line;
    for (size_t i = 0; i < words.size(); ++i) {
        if (i > 0) {
            line.push_back('\t');
        }
        for (char c : words[i]) {
            line += c == '\\' ? "\\\\" : c == '\t' ? "\\t" : c == '\n' ? "\\n" : std::string(1, c);
        }
    }
    return line;
}

std::vector<std::string> SplitRequestWords(const std::string& line) {
    std::vector<std::string> words;
    if (line.find('\t') == std::string::npos) {
        std::string word;
        for (char c : line + " ") {
            if (c == ' ') {
                if (!word.empty()) {
                    words.push_back(std::move(word));
                }
                word.clear();
            } else {
                word.push_back(c);
            }
        }
        return words;
    }
    words.emplace_back();
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\t') {
            words.emplace_back();
        } else if (c == '\\' && i + 1 < line.size()) {
            const char next = line[++i];
            words.back().push_back(next == 't' ? '\t' : next == 'n' ? '\n' : next);
        } else {
            words.back().push_back(c);
        }
    }
    return words;
}

std::optional<std::string> SendLocalRequest(const std::string& name, const std::string& request,
                                            int timeoutMs, std::string* error) {
    const std::optional<std::string> path = EndpointPath(name, false, error);
    if (!path) {
        return std::nullopt;
    }
    return SendRequestTo(*path, request, timeoutMs, error);
}

std::optional<std::string> SendRequestTo(const std::string& path, const std::string& request,
                                         int timeoutMs, std::string* error) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        if (error)
            *error = ErrnoText("socket");
        return std::nullopt;
    }
    // A blocking connect on a full backlog waits; the send time-out bounds it.
    const int connectMs = std::max(1, std::min(timeoutMs, kConnectTimeoutMs));
    timeval limit{connectMs / 1000, (connectMs % 1000) * 1000};
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof(limit));
    sockaddr_un address{};
    const socklen_t length = MakeAddress(path, address);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        if (error)
            *error = errno == EAGAIN || errno == EINPROGRESS
                         ? "connect " + path + ": timed out"
                         : ErrnoText(("connect " + path).c_str());
        close(fd);
        return std::nullopt;
    }
    const std::optional<uid_t> owner = PeerUid(fd);
    if (!owner || *owner != geteuid()) {
        if (error)
            *error = path + " is served by " +
                     (owner ? "uid " + std::to_string(*owner) : std::string("an unknown user")) +
                     ", not by this user";
        close(fd);
        return std::nullopt;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    std::string line = request;
    for (char& c : line) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    line.push_back('\n');
    std::string reply;
    const std::string late =
        "no reply from the running program within " + std::to_string(timeoutMs) + " ms";
    const std::string closed = "the running program closed the connection without answering";
    errno = 0;
    if (!WriteAll(fd, line, deadline)) {
        if (error) {
            *error = errno == EPIPE || errno == ECONNRESET ? closed
                     : errno == 0 || errno == EAGAIN       ? late
                                                           : ErrnoText("sending the request");
        }
        close(fd);
        return std::nullopt;
    }
    const ReadResult read = ReadFramed(fd, reply, kMaxReplyBytes, deadline);
    const int readErrno = errno;
    close(fd);
    if (read != ReadResult::Ok) {
        if (error) {
            switch (read) {
                case ReadResult::Closed:
                    *error = closed;
                    break;
                case ReadResult::Malformed:
                    *error = "the running program's reply was not understood";
                    break;
                case ReadResult::Failed:
                    errno = readErrno;
                    *error = ErrnoText("reading the reply");
                    break;
                default:
                    *error = late;
                    break;
            }
        }
        return std::nullopt;
    }
    return reply;
}

}  // namespace platform::session
