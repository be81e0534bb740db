#include "platform/session/local_socket.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace platform::session {
namespace {

socklen_t MakeAddress(const std::string& name, sockaddr_un& address) {
    std::memset(&address, 0, sizeof(address));
    address.sun_family = AF_UNIX;
    // Abstract namespace: a leading zero byte, then the name; one per user.
    const std::string full = name + "." + std::to_string(getuid());
    const size_t length = std::min(full.size(), sizeof(address.sun_path) - 1);
    std::memcpy(address.sun_path + 1, full.data(), length);
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
}

std::string ErrorText(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

// Waits until `fd` is ready for `events` or the deadline passes.
bool WaitReady(int fd, short events, std::chrono::steady_clock::time_point deadline) {
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

// Reads up to a newline (not included); false on time-out, error or an over-long line.
bool ReadLine(int fd, std::string& line, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    line.clear();
    char c = 0;
    while (line.size() <= LocalServer::kMaxLine) {
        if (!WaitReady(fd, POLLIN, deadline)) {
            return false;
        }
        const ssize_t n = read(fd, &c, 1);
        if (n == 0) {
            return !line.empty();  // the peer closed after an unterminated line
        }
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) {
                continue;
            }
            return false;
        }
        if (c == '\n') {
            return true;
        }
        line.push_back(c);
    }
    return false;
}

bool WriteAll(int fd, const std::string& text, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
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

std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    return text + "\n";
}

}  // namespace

LocalServer::~LocalServer() {
    Stop();
}

ListenResult LocalServer::Listen(const std::string& name, std::string* error) {
    if (m_fd >= 0) {
        return ListenResult::Listening;
    }
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        if (error)
            *error = ErrorText("socket");
        return ListenResult::Failed;
    }
    sockaddr_un address;
    const socklen_t length = MakeAddress(name, address);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        const bool taken = errno == EADDRINUSE;
        if (error)
            *error = ErrorText("bind");
        close(fd);
        return taken ? ListenResult::AlreadyTaken : ListenResult::Failed;
    }
    if (listen(fd, 8) != 0) {
        if (error)
            *error = ErrorText("listen");
        close(fd);
        return ListenResult::Failed;
    }
    m_fd = fd;
    return ListenResult::Listening;
}

bool LocalServer::Start(Handler handler, ui::Dispatcher* ui) {
    if (m_fd < 0 || m_worker || !handler) {
        return false;
    }
    m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd < 0) {
        return false;
    }
    m_handler = std::move(handler);
    m_worker = std::make_unique<ui::Worker>("instance server", ui);
    const int wakeFd = m_wakeFd;
    m_worker->Signal().AddWakeCallback([wakeFd] {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = write(wakeFd, &one, sizeof(one));
    });
    return m_worker->Start([this](ui::StopSignal& stop) { Serve(stop); });
}

void LocalServer::Stop() {
    if (m_worker && m_worker->Stop() == ui::StopResult::TimedOut) {
        // The thread may still use both descriptors: they stay open (the
        // worker's destructor waits for the thread).
        return;
    }
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
    }
    if (m_wakeFd >= 0) {
        close(m_wakeFd);
        m_wakeFd = -1;
    }
}

void LocalServer::Serve(ui::StopSignal& stop) {
    while (!stop.IsRequested()) {
        pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
        const int n = poll(fds, 2, -1);
        if (n < 0 && errno != EINTR) {
            return;
        }
        if (stop.IsRequested()) {
            return;
        }
        if (n > 0 && (fds[0].revents & POLLIN) != 0) {
            const int client = accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (client >= 0) {
                ServeClient(client);
                close(client);
            }
        }
    }
}

void LocalServer::ServeClient(int client) {
    std::string request;
    if (!ReadLine(client, request, kClientTimeoutMs)) {
        return;
    }
    WriteAll(client, OneLine(m_handler(request)), kClientTimeoutMs);
}

std::optional<std::string> SendLocalRequest(const std::string& name, const std::string& request,
                                            int timeoutMs, std::string* error) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        if (error)
            *error = ErrorText("socket");
        return std::nullopt;
    }
    sockaddr_un address;
    const socklen_t length = MakeAddress(name, address);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        if (error)
            *error = ErrorText("connect");
        close(fd);
        return std::nullopt;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    std::string reply;
    const bool ok = WriteAll(fd, OneLine(request), timeoutMs) && ReadLine(fd, reply, timeoutMs);
    close(fd);
    if (!ok) {
        if (error)
            *error = "no reply from the running program";
        return std::nullopt;
    }
    return reply;
}

}  // namespace platform::session
