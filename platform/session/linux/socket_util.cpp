#include "platform/session/linux/socket_util.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform::session {

std::string ErrnoText(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

socklen_t MakeAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof(address));
    address.sun_family = AF_UNIX;
    const size_t length = std::min(path.size(), sizeof(address.sun_path) - 1);
    std::memcpy(address.sun_path, path.data(), length);
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + length + 1);
}

std::optional<uid_t> PeerUid(int fd) {
    ucred credentials{};
    socklen_t size = sizeof(credentials);
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0 ||
        size != sizeof(credentials)) {
        return std::nullopt;
    }
    return credentials.uid;
}

bool WaitReady(int fd, short events, SteadyTime deadline) {
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd p{fd, events, 0};
        const int n = poll(&p, 1, static_cast<int>(left.count()));
        if (n > 0) {
            return true;
        }
        if (n < 0 && errno != EINTR) {
            return false;
        }
    }
}

bool WriteAll(int fd, const std::string& text, SteadyTime deadline) {
    size_t done = 0;
    while (done < text.size()) {
        if (!WaitReady(fd, POLLOUT, deadline)) {
            return false;
        }
        const ssize_t n = send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) {
                continue;
            }
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

ReadResult ReadFramed(int fd, std::string& out, size_t limit, SteadyTime deadline) {
    std::string header;
    size_t expected = 0;
    bool inBody = false;
    char buffer[65536];
    out.clear();
    while (!inBody || out.size() < expected) {
        if (!WaitReady(fd, POLLIN, deadline)) {
            return ReadResult::TimedOut;
        }
        // The header is read a byte at a time so that no body byte is taken with it.
        const size_t want = inBody ? std::min(sizeof(buffer), expected - out.size()) : 1;
        const ssize_t n = read(fd, buffer, want);
        if (n == 0) {
            return ReadResult::Closed;
        }
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) {
                continue;
            }
            return ReadResult::Failed;
        }
        if (inBody) {
            out.append(buffer, static_cast<size_t>(n));
            continue;
        }
        if (buffer[0] != '\n') {
            if (buffer[0] < '0' || buffer[0] > '9' || header.size() >= 12) {
                return ReadResult::Malformed;
            }
            header.push_back(buffer[0]);
            continue;
        }
        if (header.empty()) {
            return ReadResult::Malformed;
        }
        expected = std::stoull(header);
        if (expected > limit) {
            return ReadResult::Malformed;
        }
        inBody = true;
        out.reserve(expected);
    }
    return ReadResult::Ok;
}

std::string Frame(const std::string& payload) {
    return std::to_string(payload.size()) + "\n" + payload;
}

}  // namespace platform::session
