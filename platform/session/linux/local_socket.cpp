// The server side of the instance endpoint: one thread polls the listening
// socket, a wake descriptor and every connection.

#include "platform/session/local_socket.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/session/linux/socket_util.h"
#include "platform/trace/trace.h"

namespace platform::session {

// What the server thread and the responders share: replies waiting to be
// sent and the descriptor that wakes the server for them.
struct Responder::Shared {
    std::mutex mutex;
    std::vector<std::pair<uint64_t, std::string>> replies;
    int wakeFd = -1;  // -1 once the server has stopped
};

void Responder::operator()(std::string reply) const {
    if (!m_shared) {
        return;
    }
    std::lock_guard lock(m_shared->mutex);
    if (m_shared->wakeFd < 0) {
        return;
    }
    m_shared->replies.emplace_back(m_connection, std::move(reply));
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(m_shared->wakeFd, &one, sizeof(one));
}

namespace {

using Clock = std::chrono::steady_clock;

struct Connection {
    int fd = -1;
    uint64_t id = 0;
    std::string in;
    std::string out;
    size_t written = 0;
    Clock::time_point deadline;
    Clock::time_point since;  // when it was accepted (eviction picks the oldest)
    int requests = 0;
    bool pending = false;  // a request waits for its reply
    bool ended = false;    // the client will send nothing more
};

}  // namespace

// The connections of the server thread.
struct LocalServer::Loop {
    LocalServer& server;
    std::vector<Connection> connections;
    uint64_t nextId = 1;

    const ServerLimits& Limits() const { return server.m_limits; }

    void Close(size_t i) {
        close(connections[i].fd);
        connections.erase(connections.begin() + static_cast<std::ptrdiff_t>(i));
    }

    void CloseAll() {
        for (Connection& c : connections) {
            close(c.fd);
        }
        connections.clear();
    }

    // Makes room for one more connection: the oldest one without a running
    // request goes. False when every connection has a request running.
    bool MakeRoom() {
        if (static_cast<int>(connections.size()) < Limits().maxConnections) {
            return true;
        }
        size_t oldest = connections.size();
        for (size_t i = 0; i < connections.size(); ++i) {
            const Connection& c = connections[i];
            if (!c.pending && c.out.empty() &&
                (oldest == connections.size() || c.since < connections[oldest].since)) {
                oldest = i;
            }
        }
        if (oldest == connections.size()) {
            return false;
        }
        Close(oldest);
        return true;
    }

    void Accept() {
        for (;;) {
            const int fd = accept4(server.m_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd < 0) {
                return;  // EAGAIN: nothing more waiting (or an error the next round sees)
            }
            const std::optional<uid_t> peer = PeerUid(fd);
            if (!peer || *peer != geteuid()) {
                platform::trace::Format("instance endpoint: refused a client of uid %d",
                                        peer ? static_cast<int>(*peer) : -1);
                close(fd);
                continue;
            }
            if (!MakeRoom()) {
                close(fd);
                continue;
            }
            Connection c;
            c.fd = fd;
            c.id = nextId++;
            c.since = Clock::now();
            c.deadline = c.since + std::chrono::milliseconds(Limits().requestTimeoutMs);
            connections.push_back(std::move(c));
        }
    }

    // Hands the next whole request line to the handler. False when the
    // connection must close (an over-long line, or too many requests).
    bool TakeRequest(Connection& c) {
        const size_t end = c.in.find('\n');
        if (end == std::string::npos) {
            return c.in.size() <= Limits().maxLine;
        }
        if (end > Limits().maxLine || c.requests >= Limits().maxRequests) {
            return false;
        }
        std::string line = c.in.substr(0, end);
        c.in.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        ++c.requests;
        c.pending = true;
        c.deadline = Clock::now() + std::chrono::milliseconds(Limits().replyTimeoutMs);
        server.m_handler(line, Responder(server.m_shared, c.id));
        return true;
    }

    // Reads what the client sent; false when the connection must close.
    bool Read(Connection& c) {
        char buffer[4096];
        for (;;) {
            const ssize_t n = read(c.fd, buffer, sizeof(buffer));
            if (n > 0) {
                c.in.append(buffer, static_cast<size_t>(n));
                if (c.in.size() > Limits().maxLine + 1 && c.in.find('\n') == std::string::npos) {
                    return false;
                }
                continue;
            }
            if (n == 0) {
                c.ended = true;
                break;
            }
            if (errno == EINTR) {
                continue;
            }
            if (errno == EAGAIN) {
                break;
            }
            return false;
        }
        if (!c.pending && c.out.empty() && !TakeRequest(c)) {
            return false;
        }
        // A client that stopped sending without a request running is done.
        return !(c.ended && !c.pending && c.out.empty());
    }

    // Sends what is left of a reply; false when the connection must close.
    bool Write(Connection& c) {
        while (c.written < c.out.size()) {
            const ssize_t n = send(c.fd, c.out.data() + c.written, c.out.size() - c.written,
                                   MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return errno == EAGAIN;
            }
            c.written += static_cast<size_t>(n);
        }
        c.out.clear();
        c.written = 0;
        if (c.requests >= Limits().maxRequests) {
            return false;
        }
        c.deadline = Clock::now() + std::chrono::milliseconds(Limits().requestTimeoutMs);
        if (!TakeRequest(c)) {
            return false;
        }
        return !(c.ended && !c.pending);
    }

    void TakeReplies() {
        uint64_t count = 0;
        [[maybe_unused]] ssize_t n = read(server.m_wakeFd, &count, sizeof(count));
        std::vector<std::pair<uint64_t, std::string>> replies;
        {
            std::lock_guard lock(server.m_shared->mutex);
            replies.swap(server.m_shared->replies);
        }
        for (auto& [id, reply] : replies) {
            auto it = std::find_if(connections.begin(), connections.end(),
                                   [id = id](const Connection& c) { return c.id == id; });
            if (it == connections.end() || !it->pending) {
                continue;  // the client left, or this request was answered already
            }
            it->pending = false;
            it->out = Frame(reply);
            it->written = 0;
            it->deadline = Clock::now() + std::chrono::milliseconds(Limits().writeTimeoutMs);
        }
    }

    int Timeout() const {
        if (connections.empty()) {
            return -1;
        }
        Clock::time_point first = connections.front().deadline;
        for (const Connection& c : connections) {
            first = std::min(first, c.deadline);
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(first - Clock::now()).count();
        return static_cast<int>(std::clamp<int64_t>(left + 1, 0, 60000));
    }

    void DropExpired() {
        const Clock::time_point now = Clock::now();
        for (size_t i = connections.size(); i-- > 0;) {
            if (connections[i].deadline <= now) {
                Close(i);
            }
        }
    }

    void Run(ui::StopSignal& stop) {
        std::vector<pollfd> fds;
        while (!stop.IsRequested()) {
            fds.assign({{server.m_fd, POLLIN, 0}, {server.m_wakeFd, POLLIN, 0}});
            for (const Connection& c : connections) {
                short events = 0;
                if (!c.out.empty()) {
                    events = POLLOUT;
                } else if (!c.pending && !c.ended) {
                    events = POLLIN;
                }
                fds.push_back({c.fd, events, 0});
            }
            const int n = poll(fds.data(), fds.size(), Timeout());
            if (n < 0 && errno != EINTR) {
                platform::trace::Write(ErrnoText("instance endpoint: poll"));
                break;
            }
            if (stop.IsRequested()) {
                break;
            }
            if (fds[1].revents & POLLIN) {
                TakeReplies();
            }
            // Connections as they were polled; accepted ones join after.
            for (size_t i = fds.size() - 2; i-- > 0;) {
                const short revents = fds[i + 2].revents;
                if (revents == 0 || i >= connections.size()) {
                    continue;
                }
                Connection& c = connections[i];
                bool keep = true;
                if (revents & POLLOUT) {
                    keep = Write(c);
                } else if (revents & (POLLIN | POLLHUP)) {
                    keep = Read(c);
                } else if (revents & (POLLERR | POLLNVAL)) {
                    keep = false;
                }
                if (!keep) {
                    Close(i);
                }
            }
            if (fds[0].revents & POLLIN) {
                Accept();
            }
            DropExpired();
        }
        // Replies given before the stop still go out, as far as the sockets
        // take them without waiting: a request that ends the program (a
        // click on its close button) is answered, not left hanging up.
        FlushReplies();
        CloseAll();
    }

    void FlushReplies() {
        TakeReplies();
        for (Connection& c : connections) {
            while (c.written < c.out.size()) {
                const ssize_t n = send(c.fd, c.out.data() + c.written, c.out.size() - c.written,
                                       MSG_NOSIGNAL | MSG_DONTWAIT);
                if (n < 0 && errno == EINTR) {
                    continue;
                }
                if (n <= 0) {
                    break;
                }
                c.written += static_cast<size_t>(n);
            }
        }
    }
};

LocalServer::~LocalServer() {
    Stop();
}

ListenResult LocalServer::Listen(const std::string& name, std::string* error) {
    if (m_fd >= 0) {
        return ListenResult::Listening;
    }
    const std::optional<std::string> path = EndpointPath(name, true, error);
    if (!path) {
        return ListenResult::Failed;
    }
    return ListenAt(*path, error);
}

ListenResult LocalServer::ListenAt(const std::string& path, std::string* error) {
    if (m_fd >= 0) {
        return ListenResult::Listening;
    }
    // The lock decides who owns the name; the kernel drops it with its owner.
    const std::string lockPath = path.substr(0, path.rfind(".sock")) + ".lock";
    const int lockFd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lockFd < 0) {
        if (error)
            *error = ErrnoText(("open " + lockPath).c_str());
        return ListenResult::Failed;
    }
    if (flock(lockFd, LOCK_EX | LOCK_NB) != 0) {
        const bool taken = errno == EWOULDBLOCK;
        if (error)
            *error = taken ? lockPath + " is held by a running copy"
                           : ErrnoText(("lock " + lockPath).c_str());
        close(lockFd);
        return taken ? ListenResult::AlreadyTaken : ListenResult::Failed;
    }
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_un address{};
    const socklen_t length = MakeAddress(path, address);
    // A socket file left by an owner that ended is ours to replace: we hold the lock.
    unlink(path.c_str());
    if (fd < 0 || bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0 ||
        listen(fd, SOMAXCONN) != 0) {
        if (error)
            *error = ErrnoText(("listen at " + path).c_str());
        if (fd >= 0) {
            close(fd);
        }
        close(lockFd);
        return ListenResult::Failed;
    }
    m_fd = fd;
    m_lockFd = lockFd;
    m_path = path;
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
    m_shared = std::make_shared<Responder::Shared>();
    m_shared->wakeFd = m_wakeFd;
    m_worker = std::make_unique<ui::Worker>("vm-instance", ui);
    auto shared = m_shared;
    m_worker->Signal().AddWakeCallback([shared] {
        std::lock_guard lock(shared->mutex);
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = write(shared->wakeFd, &one, sizeof(one));
    });
    return m_worker->Start([this](ui::StopSignal& stop) { Serve(stop); });
}

void LocalServer::Serve(ui::StopSignal& stop) {
    Loop loop{*this, {}, 1};
    loop.Run(stop);
}

void LocalServer::Stop() {
    if (m_worker && m_worker->Stop() == ui::StopResult::TimedOut) {
        // The thread may still use the descriptors: they stay open (the
        // worker's destructor waits for the thread).
        return;
    }
    m_worker.reset();
    Release();
}

void LocalServer::Release() {
    if (m_shared) {
        std::lock_guard lock(m_shared->mutex);
        m_shared->wakeFd = -1;
        m_shared->replies.clear();
    }
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
        unlink(m_path.c_str());
    }
    if (m_wakeFd >= 0) {
        close(m_wakeFd);
        m_wakeFd = -1;
    }
    if (m_lockFd >= 0) {
        close(m_lockFd);
        m_lockFd = -1;
    }
}

}  // namespace platform::session
