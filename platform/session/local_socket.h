#pragma once
// A named local endpoint for one program instance: the first process that
// listens on a name owns it; other processes of the same user (a second copy
// of the program, veldmarkctl) send it requests and read the replies.
//
// Where it lives: a Unix socket file "veldmark-<name>.sock" in a folder only
// this user can enter: $XDG_RUNTIME_DIR when it is such a folder, else
// $TMPDIR (or /tmp) + /veldmark-<uid>, made with mode 0700 and checked to be ours (a folder of
// that name that belongs to someone else, or that others may enter, is
// refused, never used). Ownership of the name is decided by an flock on
// "veldmark-<name>.lock" beside it, which the kernel releases when the owner
// ends, so a crash never leaves a stale claim. Both sides also check the
// peer's uid (SO_PEERCRED): the server drops a client of another user at once
// and the client refuses a server of another user.
//
// Wire format: a request is one line of text ending in "\n" (newlines inside
// are sent as spaces); a reply is its length in decimal digits, "\n", and
// then exactly that many bytes (any bytes, several lines, or a PNG image).
// A connection may carry several requests, one after the other.
//
// Serving: one thread polls every connection without blocking, so a client
// that says nothing, writes slowly or never reads its reply holds up no other.
// A request is handed to the handler, which answers through its Responder at
// once or later, from any thread (the handler must not block: work for the
// UI thread is posted there and answered from there). Bounds: the line length,
// the requests per connection, the time to send a request and to take its
// reply, and the number of connections (at the limit the oldest connection
// that has no request running is dropped for the new one).
//
// Threads: Listen, Start and Stop on the owner's (UI) thread; the handler runs
// on the server's thread; a Responder may be called from any thread.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/worker.h"

namespace platform::session {

enum class ListenResult {
    Listening,     // this process owns the name now
    AlreadyTaken,  // another process owns it
    Failed,        // the endpoint could not be made (see the error text)
};

// The socket file of `name`; nullopt with the reason when no private folder
// can be had. `create` makes the fallback folder when it is missing.
std::optional<std::string> EndpointPath(const std::string& name, bool create,
                                        std::string* error = nullptr);

// Answers one request. Copies share the request: the first call sends the
// reply, later calls do nothing, and so does a call after the client left or
// the server stopped.
class Responder {
  public:
    struct Shared;
    Responder() = default;
    Responder(std::shared_ptr<Shared> shared, uint64_t connection)
        : m_shared(std::move(shared)), m_connection(connection) {}
    void operator()(std::string reply) const;

  private:
    std::shared_ptr<Shared> m_shared;
    uint64_t m_connection = 0;
};

struct ServerLimits {
    size_t maxLine = 8192;        // bytes of one request line
    int maxRequests = 64;         // requests on one connection
    int maxConnections = 64;      // connections served at once
    int requestTimeoutMs = 1000;  // from connecting (or the last reply) to a whole request
    int replyTimeoutMs = 120000;  // for the handler to answer
    int writeTimeoutMs = 5000;    // for the client to take a reply
};

class LocalServer {
  public:
    using Handler = std::function<void(const std::string& request, Responder reply)>;

    explicit LocalServer(ServerLimits limits = {}) : m_limits(limits) {}
    ~LocalServer();
    LocalServer(const LocalServer&) = delete;
    LocalServer& operator=(const LocalServer&) = delete;

    ListenResult Listen(const std::string& name, std::string* error = nullptr);
    // Listens at a socket path chosen by the caller (its folder must exist).
    ListenResult ListenAt(const std::string& path, std::string* error = nullptr);
    bool IsListening() const { return m_fd >= 0; }
    const std::string& Path() const { return m_path; }
    // Starts answering requests; false when not listening or already started.
    // `ui` (optional) is the dispatcher whose sends Stop keeps serving.
    bool Start(Handler handler, ui::Dispatcher* ui = nullptr);
    // Stops the server thread (up to 1000 ms), drops every connection and
    // gives the name up.
    void Stop();

  private:
    struct Loop;
    void Serve(ui::StopSignal& stop);
    void Release();

    ServerLimits m_limits;
    int m_fd = -1;
    int m_lockFd = -1;
    int m_wakeFd = -1;
    std::string m_path;
    Handler m_handler;
    std::shared_ptr<Responder::Shared> m_shared;
    std::unique_ptr<ui::Worker> m_worker;
};

inline constexpr int kConnectTimeoutMs = 1000;
inline constexpr size_t kMaxReplyBytes = 64u << 20;

// Sends `request` to the process owning `name` and returns its reply; nullopt
// with the reason when nobody owns the name, the owner is another user, or no
// whole reply came within `timeoutMs` (connecting gives up after
// kConnectTimeoutMs at most).
// A request of several words as one line: words separated by tabs, so that a
// word may hold spaces, with backslash, tab and newline written \\, \t, \n.
// A line without tabs splits at spaces ("sim plug keyboard").
std::string JoinRequestWords(const std::vector<std::string>& words);
std::vector<std::string> SplitRequestWords(const std::string& line);

std::optional<std::string> SendLocalRequest(const std::string& name, const std::string& request,
                                            int timeoutMs, std::string* error = nullptr);
std::optional<std::string> SendRequestTo(const std::string& path, const std::string& request,
                                         int timeoutMs, std::string* error = nullptr);

}  // namespace platform::session
