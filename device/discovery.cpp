#include "device/discovery.h"

#include <pthread.h>

#include "device/hid_identity.h"
#include "platform/trace/trace.h"

namespace device {

CDeviceDiscovery::CDeviceDiscovery(platform::hid::HidBackend& backend, CSlotList& slots,
                                   IDiscoveryListener& listener)
    : m_backend(backend), m_slots(slots), m_listener(listener), m_probe(backend) {}

CDeviceDiscovery::~CDeviceDiscovery() {
    Stop();
}

bool CDeviceDiscovery::Start() {
    std::lock_guard<std::mutex> lock(m_wakeMutex);
    if (m_running.load()) {
        return false;
    }
    if (m_thread.joinable()) {
        m_thread.join();  // a previous run that has ended
    }
    m_stop.store(false);
    m_ended = false;
    m_running.store(true);
    m_thread = std::thread(&CDeviceDiscovery::ThreadMain, this);
    return true;
}

void CDeviceDiscovery::RequestStop() {
    {
        std::lock_guard<std::mutex> lock(m_wakeMutex);
        m_stop.store(true);
    }
    m_wake.notify_all();
}

bool CDeviceDiscovery::WaitStopped(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(m_wakeMutex);
    return m_wake.wait_for(lock, timeout, [this] { return m_ended; });
}

void CDeviceDiscovery::Stop() {
    RequestStop();
    if (std::this_thread::get_id() == m_thread.get_id()) {
        return;  // called from a notification: the loop ends after it returns
    }
    {
        std::unique_lock<std::mutex> lock(m_wakeMutex);
        m_wake.wait(lock, [this] { return m_ended; });
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void CDeviceDiscovery::ThreadMain() {
    pthread_setname_np(pthread_self(), "vm-discovery");
    while (!StopRequested()) {
        RunPass();
        std::unique_lock<std::mutex> lock(m_wakeMutex);
        m_wake.wait_for(lock, kPassInterval, [this] { return m_stop.load(); });
    }
    platform::trace::Write("抓取设备线程设定退出");
    std::lock_guard<std::mutex> lock(m_wakeMutex);
    m_ended = true;
    m_running.store(false);
    m_wake.notify_all();
}

void CDeviceDiscovery::RunPass() {
    m_counters.passes.fetch_add(1);
    if (m_slots.HasFreeSlot() && ShouldEnumerate()) {
        EnumerateAndProbe();
    }
    if (!m_firstPassDone) {
        // Also after a failed enumeration: the window must come up either way.
        m_firstPassDone = true;
        m_listener.OnFirstPass();
    }
    CheckRemovals();
}

bool CDeviceDiscovery::ShouldEnumerate() {
    const uint64_t generation = m_backend.Generation();
    const bool changed = !m_haveGeneration || generation != m_lastGeneration;
    if (!changed && !m_retry) {
        return false;
    }
    m_lastGeneration = generation;
    m_haveGeneration = true;
    m_retry = false;
    return true;
}

void CDeviceDiscovery::EnumerateAndProbe() {
    m_counters.enumerations.fetch_add(1);
    if (!m_probe.Enumerate()) {
        // Keep the loop alive: the next pass tries again.
        m_counters.enumerationFailures.fetch_add(1);
        m_retry = true;
        platform::trace::Write("枚举HID设备失败");
        return;
    }
    while (!StopRequested()) {
        std::optional<std::string> path = m_probe.NextPath();
        if (!path) {
            break;
        }
        ProbePath(*path);
    }
    m_probe.FreeList();
}

void CDeviceDiscovery::ProbePath(const std::string& path) {
    InterfaceRecord identity = ParsePathIdentity(path);
    // An interface already in a slot is never announced a second time, even
    // when another row has the same identity.
    if (!m_slots.WantsInterface(identity) || m_slots.HoldsPath(path)) {
        return;
    }
    m_counters.probes.fetch_add(1);
    if (!m_probe.Open(path, true, false, true, false)) {
        m_retry = true;  // unreadable now; try again next pass
        return;
    }
    identity.vendorId = m_probe.Attributes().vendorId;
    identity.productId = m_probe.Attributes().productId;
    identity.usagePage = m_probe.Caps().usagePage;
    identity.usage = m_probe.Caps().usage;
    m_probe.Close();

    const int row = FindInterfaceRow(m_slots.Rows(), identity, RowMatch::Collection);
    if (row < 0) {
        return;
    }
    identity.kind = m_slots.Rows()[static_cast<size_t>(row)].kind;
    identity.role = m_slots.Rows()[static_cast<size_t>(row)].role;
    const int slot = m_slots.Claim(identity, path);
    if (slot >= 0) {
        m_listener.OnSlotArrived(static_cast<size_t>(slot));
    }
}

void CDeviceDiscovery::CheckRemovals() {
    const platform::hid::OpenMode presenceOnly;
    for (const auto& [index, path] : m_slots.Connected()) {
        if (m_backend.Open(path, presenceOnly) != nullptr) {
            continue;
        }
        if (m_slots.Release(index, path)) {
            m_retry = true;  // another present interface may fill the freed slot
            m_listener.OnSlotRemoved(index);
        }
    }
}

}  // namespace device
