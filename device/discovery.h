#pragma once
// CDeviceDiscovery: the background loop that finds the supported HID
// interfaces, fills the slot list and reports arrivals and removals.
//
// Every 100 ms, while some slot is free, it enumerates the present
// collections, probes those whose path identity a free slot wants (opened for
// reading only, shared, so nobody else's use is disturbed), and connects the
// first free slot whose six identity values equal the collection's. Then it
// checks every connected slot's path and frees the slots whose interface has
// gone.
//
// Notifications run on the discovery thread, synchronously: the loop waits for
// each to return, and no lock of the slot list is held meanwhile, so the
// listener may read the slots freely.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>

#include "device/hid_device.h"
#include "device/slot_list.h"

namespace device {

// Private window messages of the main window that the notifications stand for.
inline constexpr uint32_t kMsgSlotArrived = 0x0C12;  // wParam = slot index
inline constexpr uint32_t kMsgSlotRemoved = 0x0C13;  // wParam = slot index
// The instance message posted after the first complete pass (brings the window up).
inline constexpr const char* kFirstPassMessage = "ORVIX_DARVO_001";

class IDiscoveryListener {
  public:
    virtual ~IDiscoveryListener() = default;
    // The slot has just been connected; its path is in the slot list.
    virtual void OnSlotArrived(size_t slot) = 0;
    // The slot's interface has gone; the slot is already free again.
    virtual void OnSlotRemoved(size_t slot) = 0;
    // The first pass has ended; called once per loop object.
    virtual void OnFirstPass() = 0;
};

class CDeviceDiscovery {
  public:
    static constexpr std::chrono::milliseconds kPassInterval{100};

    // What the loop has done so far; read from any thread.
    struct Counters {
        std::atomic<uint64_t> passes{0};
        std::atomic<uint64_t> enumerations{0};
        std::atomic<uint64_t> enumerationFailures{0};
        std::atomic<uint64_t> probes{0};
    };

    CDeviceDiscovery(platform::hid::HidBackend& backend, CSlotList& slots,
                     IDiscoveryListener& listener);
    // Stops the thread (and waits for it) when it is still running.
    ~CDeviceDiscovery();
    CDeviceDiscovery(const CDeviceDiscovery&) = delete;
    CDeviceDiscovery& operator=(const CDeviceDiscovery&) = delete;

    // Starts the thread; false when it is already running.
    bool Start();
    // Asks the thread to end; it ends within the pass it is in.
    void RequestStop();
    // Waits up to timeout for the thread to end; true when it has ended (or
    // never ran). A thread that has not ended is left running, never killed.
    bool WaitStopped(std::chrono::milliseconds timeout);
    // RequestStop, then wait until the thread has ended.
    void Stop();
    bool IsRunning() const { return m_running.load(); }

    // One pass on the caller's thread, exactly as the thread runs it; only
    // while the thread is not running (tools and tests drive passes this way).
    void RunPass();

    const Counters& Stats() const { return m_counters; }

  private:
    void ThreadMain();
    bool ShouldEnumerate();
    void EnumerateAndProbe();
    void ProbePath(const std::string& path);
    void CheckRemovals();
    bool StopRequested() const { return m_stop.load(); }

    platform::hid::HidBackend& m_backend;
    CSlotList& m_slots;
    IDiscoveryListener& m_listener;
    CHidDevice m_probe;

    // Enumeration is skipped while the backend reports no change, unless the
    // last pass left something to try again (a failed probe or enumeration, a
    // freed slot that another present interface may now fill).
    uint64_t m_lastGeneration = 0;
    bool m_haveGeneration = false;
    bool m_retry = false;
    bool m_firstPassDone = false;

    std::thread m_thread;
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_stop{false};
    std::mutex m_wakeMutex;
    std::condition_variable m_wake;
    bool m_ended = true;  // guarded by m_wakeMutex
    Counters m_counters;
};

}  // namespace device
