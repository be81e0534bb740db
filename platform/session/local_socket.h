#pragma once
// A named local endpoint for one program instance: the first process that
// listens on a name owns it; other processes (a second copy of the program,
// veldmarkctl) send it one line of text and read one line back.
//
// On Linux the name is an abstract-namespace Unix stream socket
// ("\0<name>.<uid>"): it belongs to the user, needs no file, and the kernel
// frees it when the owning process ends, so a crash never leaves a stale lock.
//
// Threads: Listen, Start and Stop on the owner's (UI) thread. The handler runs
// on the server's own thread, one request at a time; it may hand the request
// to the UI thread with a synchronous send, since Stop keeps serving the
// dispatcher's sends while it waits (ui::Worker).

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/ui/worker.h"

namespace platform::session {

enum class ListenResult {
    Listening,     // this process owns the name now
    AlreadyTaken,  // another process owns it
    Failed,        // the socket could not be made (see the error text)
};

class LocalServer {
  public:
    // Turns one request line (without its newline) into one reply line.
    using Handler = std::function<std::string(const std::string& request)>;

    static constexpr size_t kMaxLine = 512;
    static constexpr int kClientTimeoutMs = 1000;

    LocalServer() = default;
    ~LocalServer();
    LocalServer(const LocalServer&) = delete;
    LocalServer& operator=(const LocalServer&) = delete;

    ListenResult Listen(const std::string& name, std::string* error = nullptr);
    bool IsListening() const { return m_fd >= 0; }
    // Starts answering requests; false when not listening or already started.
    // `ui` (optional) is the dispatcher whose sends Stop keeps serving.
    bool Start(Handler handler, ui::Dispatcher* ui = nullptr);
    // Stops the server thread (up to 1000 ms) and gives the name up.
    void Stop();

  private:
    void Serve(ui::StopSignal& stop);
    void ServeClient(int client);

    int m_fd = -1;
    int m_wakeFd = -1;
    Handler m_handler;
    std::unique_ptr<ui::Worker> m_worker;
};

// Sends `request` to the process owning `name` and returns its reply line;
// nullopt when nobody owns the name or no reply came within `timeoutMs`.
std::optional<std::string> SendLocalRequest(const std::string& name, const std::string& request,
                                            int timeoutMs, std::string* error = nullptr);

}  // namespace platform::session
