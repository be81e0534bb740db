#pragma once
// Small helpers shared by the instance endpoint's server and client.

#include <sys/socket.h>
#include <sys/un.h>

#include <chrono>
#include <optional>
#include <string>

namespace platform::session {

using SteadyTime = std::chrono::steady_clock::time_point;

// "what: strerror(errno)".
std::string ErrnoText(const char* what);
socklen_t MakeAddress(const std::string& path, sockaddr_un& address);
// The uid of the process at the other end of a connected Unix socket.
std::optional<uid_t> PeerUid(int fd);
// Waits until `fd` is ready for `events` or the deadline passes.
bool WaitReady(int fd, short events, SteadyTime deadline);
// Writes all of `text` to a non-blocking socket before the deadline.
bool WriteAll(int fd, const std::string& text, SteadyTime deadline);
// How reading a framed reply ended.
enum class ReadResult {
    Ok,
    TimedOut,   // nothing complete before the deadline
    Closed,     // the other end closed the connection first
    Malformed,  // not a frame: a bad length, or one above the limit
    Failed,     // the read itself failed (errno says why)
};
// Reads one framed reply (decimal length, newline, bytes) of at most `limit` bytes.
ReadResult ReadFramed(int fd, std::string& out, size_t limit, SteadyTime deadline);
// The frame of a reply.
std::string Frame(const std::string& payload);

}  // namespace platform::session
