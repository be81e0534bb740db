#pragma once
// One opened hidraw node shared by every handle of its collections. The kernel
// hands all input reports of an interface to one node; a reader thread reads
// them and routes each to the queues of the handles of the collection that
// owns the report's ID, so that a handle on the event collection never sees a
// command reply and the reverse. Every handle of a collection receives its own
// copy of each report, as every opener of a HID collection does.
//
// The reader starts with the first Read of any handle and ends when the node is
// destroyed (the last handle closes) or the device goes away; it never blocks
// without also waiting on its stop signal.

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace platform::hid::linux_hid {

// Which collection owns each input report ID of an interface.
struct ReportRouting {
    bool numbered = false;  // reports start with a report ID byte
    int collectionCount = 1;
    std::array<int16_t, 256> ownerOfId{};  // collection index, -1 when no collection owns it

    ReportRouting() { ownerOfId.fill(-1); }
    // The collection index a received report belongs to, -1 when none.
    int Route(const uint8_t* report, size_t length) const;
};

// The input reports waiting for one handle. Readiness is an eventfd, so that
// a reader can wait on it together with its cancel signal in one poll.
class ReportQueue {
  public:
    static constexpr size_t kCapacity = 64;  // oldest reports are dropped past this

    ReportQueue();
    ~ReportQueue();
    ReportQueue(const ReportQueue&) = delete;
    ReportQueue& operator=(const ReportQueue&) = delete;

    void Push(std::vector<uint8_t> report);
    // Marks the queue dead (the device went away); readers then fail with errorCode.
    void Fail(int errorCode);
    // Takes the oldest report; false when none is waiting.
    bool Pop(std::vector<uint8_t>& report);
    int FailedWith() const;
    int ReadyFd() const { return m_ready; }
    size_t Dropped() const;

  private:
    void SignalLocked();
    void ClearLocked();

    mutable std::mutex m_lock;
    std::deque<std::vector<uint8_t>> m_reports;
    size_t m_dropped = 0;
    int m_failed = 0;
    int m_ready = -1;
};

class HidrawNode {
  public:
    // Takes ownership of readFd (opened for reading, non-blocking).
    HidrawNode(int readFd, ReportRouting routing);
    ~HidrawNode();
    HidrawNode(const HidrawNode&) = delete;
    HidrawNode& operator=(const HidrawNode&) = delete;

    // A queue that receives the reports of one collection until Unsubscribe.
    std::shared_ptr<ReportQueue> Subscribe(int collection);
    void Unsubscribe(const std::shared_ptr<ReportQueue>& queue);
    // Starts the reader thread if it is not running yet.
    void EnsureReading();
    // True once the node reported hang-up or a read error (the device is gone).
    bool IsDead() const;
    const ReportRouting& Routing() const { return m_routing; }

  private:
    void Run();
    void Deliver(const uint8_t* report, size_t length);
    void FailAll(int errorCode);

    const int m_fd;
    const int m_stop;
    const ReportRouting m_routing;
    std::mutex m_lock;
    std::vector<std::pair<int, std::shared_ptr<ReportQueue>>> m_subscribers;
    std::atomic<bool> m_dead{false};
    std::atomic<int> m_deadError{0};
    std::once_flag m_started;
    std::thread m_reader;
};

}  // namespace platform::hid::linux_hid
