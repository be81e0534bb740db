#pragma once
// Counts hidraw hot-plug events. The count is read without blocking and
// without a thread of its own: every call drains what the kernel (or udevd)
// queued since the previous call, so a discovery loop that calls it once per
// pass learns whether anything was added or removed meanwhile.
//
// Events come from udevd when it runs, so that a node is announced only once
// its permissions are in place, and straight from the kernel otherwise (an
// initramfs or a container without udevd).

#include <cstdint>
#include <mutex>

struct udev;
struct udev_monitor;

namespace platform::hid::linux_hid {

class UdevMonitor {
  public:
    UdevMonitor();
    ~UdevMonitor();
    UdevMonitor(const UdevMonitor&) = delete;
    UdevMonitor& operator=(const UdevMonitor&) = delete;

    // False when no monitor could be set up; the caller must then assume that
    // anything may have changed at any time.
    bool IsActive() const { return m_monitor != nullptr; }
    // Number of hidraw events (and lost-event conditions) seen so far.
    uint64_t Poll();
    const char* Source() const { return m_source; }

  private:
    std::mutex m_lock;
    struct udev* m_udev = nullptr;
    struct udev_monitor* m_monitor = nullptr;
    int m_fd = -1;
    uint64_t m_events = 0;
    const char* m_source = "none";
};

}  // namespace platform::hid::linux_hid
