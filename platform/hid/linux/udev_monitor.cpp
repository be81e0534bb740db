#include "platform/hid/linux/udev_monitor.h"

#include <libudev.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace platform::hid::linux_hid {

UdevMonitor::UdevMonitor() {
    m_udev = udev_new();
    if (m_udev == nullptr) {
        return;
    }
    // Without udevd nobody relays events on the "udev" channel; listen to the
    // kernel's own announcements instead.
    m_source = ::access("/run/udev/control", F_OK) == 0 ? "udev" : "kernel";
    m_monitor = udev_monitor_new_from_netlink(m_udev, m_source);
    if (m_monitor == nullptr ||
        udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(m_monitor) < 0) {
        if (m_monitor != nullptr) {
            udev_monitor_unref(m_monitor);
            m_monitor = nullptr;
        }
        m_source = "none";
        return;
    }
    m_fd = udev_monitor_get_fd(m_monitor);
}

UdevMonitor::~UdevMonitor() {
    if (m_monitor != nullptr) {
        udev_monitor_unref(m_monitor);
    }
    if (m_udev != nullptr) {
        udev_unref(m_udev);
    }
}

uint64_t UdevMonitor::Poll() {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_monitor == nullptr) {
        return ++m_events;
    }
    // Bounded so that a flood of events cannot hold the caller; what is left
    // is read on the next call.
    for (int i = 0; i < 1024; ++i) {
        pollfd p{m_fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, 0);
        if (ready == 0) {
            return m_events;
        }
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0 || (p.revents & POLLIN) == 0) {
            // The socket is unusable; count a change so that the caller looks again.
            return ++m_events;
        }
        udev_device* device = udev_monitor_receive_device(m_monitor);
        // A null device is an event the filter dropped or one that was lost
        // (receive buffer overrun): either way the set may have changed.
        ++m_events;
        if (device != nullptr) {
            udev_device_unref(device);
        }
    }
    return m_events;
}

}  // namespace platform::hid::linux_hid
