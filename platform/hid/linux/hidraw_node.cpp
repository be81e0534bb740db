#include "platform/hid/linux/hidraw_node.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace platform::hid::linux_hid {
namespace {

// Larger than any report a HID device may send (HID_MAX_BUFFER_SIZE) plus the ID byte.
constexpr size_t kReadBuffer = 16384 + 1;

void DrainEventFd(int fd) {
    uint64_t count = 0;
    while (::read(fd, &count, sizeof count) == sizeof count) {
    }
}

void SignalEventFd(int fd) {
    const uint64_t one = 1;
    // An eventfd only refuses a write when its counter would overflow, which
    // leaves it readable: the signal is never lost.
    [[maybe_unused]] const ssize_t n = ::write(fd, &one, sizeof one);
}

}  // namespace

int ReportRouting::Route(const uint8_t* report, size_t length) const {
    if (!numbered) {
        return collectionCount >= 1 ? 0 : -1;
    }
    if (length == 0) {
        return -1;
    }
    return ownerOfId[report[0]];
}

ReportQueue::ReportQueue() : m_ready(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

ReportQueue::~ReportQueue() {
    if (m_ready >= 0) {
        ::close(m_ready);
    }
}

void ReportQueue::Push(std::vector<uint8_t> report) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_reports.size() == kCapacity) {
        m_reports.pop_front();
        ++m_dropped;
    }
    m_reports.push_back(std::move(report));
    SignalLocked();
}

void ReportQueue::Fail(int errorCode) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_failed = errorCode != 0 ? errorCode : ENODEV;
    SignalLocked();
}

bool ReportQueue::Pop(std::vector<uint8_t>& report) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_reports.empty()) {
        // A failed queue stays readable so that every later wait ends at once.
        if (m_failed == 0) {
            ClearLocked();
        }
        return false;
    }
    report = std::move(m_reports.front());
    m_reports.pop_front();
    if (m_reports.empty() && m_failed == 0) {
        ClearLocked();
    }
    return true;
}

int ReportQueue::FailedWith() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_failed;
}

size_t ReportQueue::Dropped() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_dropped;
}

void ReportQueue::SignalLocked() {
    SignalEventFd(m_ready);
}

void ReportQueue::ClearLocked() {
    DrainEventFd(m_ready);
}

HidrawNode::HidrawNode(int readFd, ReportRouting routing)
    : m_fd(readFd), m_stop(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)), m_routing(routing) {}

HidrawNode::~HidrawNode() {
    SignalEventFd(m_stop);
    if (m_reader.joinable()) {
        m_reader.join();
    }
    ::close(m_stop);
    ::close(m_fd);
}

std::shared_ptr<ReportQueue> HidrawNode::Subscribe(int collection) {
    auto queue = std::make_shared<ReportQueue>();
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_dead) {
        queue->Fail(m_deadError);
    }
    m_subscribers.emplace_back(collection, queue);
    return queue;
}

void HidrawNode::Unsubscribe(const std::shared_ptr<ReportQueue>& queue) {
    std::lock_guard<std::mutex> guard(m_lock);
    std::erase_if(m_subscribers, [&](const auto& entry) { return entry.second == queue; });
}

void HidrawNode::EnsureReading() {
    std::call_once(m_started, [this] { m_reader = std::thread(&HidrawNode::Run, this); });
}

bool HidrawNode::IsDead() const {
    if (m_dead) {
        return true;
    }
    // Before the reader runs, a hang-up is only visible by asking the node.
    pollfd p{m_fd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

void HidrawNode::Run() {
    std::vector<uint8_t> buffer(kReadBuffer);
    pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_stop, POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            FailAll(errno);
            return;
        }
        if (fds[1].revents != 0) {
            return;
        }
        const ssize_t n = ::read(m_fd, buffer.data(), buffer.size());
        if (n > 0) {
            Deliver(buffer.data(), static_cast<size_t>(n));
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            FailAll(n == 0 ? ENODEV : errno);
            return;
        } else if ((fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            FailAll(ENODEV);
            return;
        }
    }
}

void HidrawNode::Deliver(const uint8_t* report, size_t length) {
    const int owner = m_routing.Route(report, length);
    if (owner < 0) {
        return;
    }
    // Reports without an ID byte get a 0 in front: every report a handle
    // returns starts with its report ID.
    std::vector<uint8_t> copy;
    copy.reserve(length + 1);
    if (!m_routing.numbered) {
        copy.push_back(0);
    }
    copy.insert(copy.end(), report, report + length);
    std::lock_guard<std::mutex> guard(m_lock);
    for (const auto& [collection, queue] : m_subscribers) {
        if (collection == owner) {
            queue->Push(copy);
        }
    }
}

void HidrawNode::FailAll(int errorCode) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_deadError = errorCode;
    m_dead = true;
    for (const auto& entry : m_subscribers) {
        entry.second->Fail(errorCode);
    }
}

}  // namespace platform::hid::linux_hid
