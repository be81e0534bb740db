#include "sim/sim_device.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>

#include "sim/sim_bus.h"

namespace sim {

namespace {

using platform::hid::Error;
using platform::hid::IoStatus;
using platform::hid::ReportType;
using Clock = std::chrono::steady_clock;

// Reports a handle keeps before the oldest is dropped, as an OS input buffer does.
constexpr size_t kInputBufferReports = 64;

std::string MakePath(uint16_t vid, uint16_t pid, int interfaceNumber, int collectionNumber,
                     uint64_t sequence) {
    char col[16] = "";
    if (collectionNumber > 0) {
        std::snprintf(col, sizeof col, "&col%02x", collectionNumber);
    }
    char path[192];
    std::snprintf(path, sizeof path,
                  "sim:\\\\?\\hid#vid_%04x&pid_%04x&mi_%02x%s#8&%08llx&0&%04x"
                  "#{4d1e55b2-f16f-11cf-88cb-001111000030}",
                  vid, pid, interfaceNumber, col, static_cast<unsigned long long>(sequence),
                  collectionNumber);
    return path;
}

// Replaces the command code of a reply and keeps its checksum right.
void SetEcho(std::vector<uint8_t>& reply, uint8_t code) {
    reply[3] = code;
    const uint16_t sum = CommandChecksum(reply.data());
    reply[1] = static_cast<uint8_t>(sum & 0xFF);
    reply[2] = static_cast<uint8_t>(sum >> 8);
}

uint8_t OtherCode(const Fault& fault, uint8_t command) {
    if (fault.echo != 0) {
        return fault.echo;
    }
    return command == cmd::kProbe ? cmd::kBeginWrite : cmd::kProbe;
}

}  // namespace

struct SimDevice::HandleState {
    Collection collection;
    platform::hid::OpenMode mode;
    uint64_t epoch = 0;
    struct Pending {
        Clock::time_point at;
        std::vector<uint8_t> bytes;
    };
    std::deque<Pending> input;
    bool cancelSignal = false;
    bool closed = false;
    bool descriptorUnreadable = false;  // fixed when the handle is opened
    Error lastError;
    // Wakes a read blocked on this handle only: a report for another
    // collection must not wake a reader with nothing to read.
    std::condition_variable wake;
};

// The HidHandle the bus hands out: a thin front over the device.
class SimHandle : public platform::hid::HidHandle {
  public:
    SimHandle(std::shared_ptr<SimDevice> device, std::shared_ptr<SimDevice::HandleState> state)
        : m_device(std::move(device)), m_state(std::move(state)) {}
    ~SimHandle() override { m_device->CloseHandle(m_state); }

    platform::hid::Identity Attributes() const override { return m_state->collection.identity; }
    const std::vector<uint8_t>& ReportDescriptor() const override {
        static const std::vector<uint8_t> kUnreadable;
        if (m_state->descriptorUnreadable) {
            return kUnreadable;
        }
        return m_device->firmware().Interface(m_state->collection.interfaceNumber)->descriptor;
    }
    int CollectionIndex() const override { return m_state->collection.index; }

    IoStatus Read(uint8_t* buffer, size_t length, int timeoutMs, size_t& got) override {
        return m_device->Read(*m_state, buffer, length, timeoutMs, got);
    }
    IoStatus Write(const uint8_t* buffer, size_t length, int, size_t& written) override {
        return m_device->Write(*m_state, buffer, length, written);
    }
    bool SetOutputReport(const uint8_t* buffer, size_t length) override {
        size_t written = 0;
        return m_device->Write(*m_state, buffer, length, written) == IoStatus::Ok &&
               written == length;
    }
    void Cancel() override { m_device->Cancel(*m_state); }
    Error LastError() const override {
        std::lock_guard lock(m_device->m_mutex);
        return m_state->lastError;
    }

  private:
    std::shared_ptr<SimDevice> m_device;
    std::shared_ptr<SimDevice::HandleState> m_state;
};

SimDevice::SimDevice(std::unique_ptr<Firmware> firmware) : m_firmware(std::move(firmware)) {}

SimDevice::~SimDevice() = default;

bool SimDevice::IsPlugged() const {
    std::lock_guard lock(m_mutex);
    return m_plugged;
}

std::vector<platform::hid::CollectionEntry> SimDevice::Entries() const {
    std::lock_guard lock(m_mutex);
    std::vector<platform::hid::CollectionEntry> out;
    if (m_plugged) {
        for (const Collection& c : m_collections) {
            out.push_back({c.path, c.identity});
        }
    }
    return out;
}

std::string SimDevice::PathOf(uint16_t usagePage, uint16_t usage) const {
    std::lock_guard lock(m_mutex);
    for (const Collection& c : m_collections) {
        if (m_plugged && c.identity.usagePage == usagePage && c.identity.usage == usage) {
            return c.path;
        }
    }
    return "";
}

std::string SimDevice::CommandPath() const {
    if (Kind() == DeviceKind::Headset) {
        return PathOf(0x0C, 0x01);
    }
    return PathOf(0xFF1C, 0x92);
}

std::string SimDevice::EventPath() const {
    if (m_firmware->EventInterface() < 0) {
        return "";
    }
    return PathOf(0x0C, 0x01);
}

void SimDevice::InjectFault(const Fault& fault) {
    std::lock_guard lock(m_mutex);
    m_faults.push_back(fault);
}

void SimDevice::ClearFaults() {
    std::lock_guard lock(m_mutex);
    m_faults.clear();
}

void SimDevice::SetReplyLatency(std::chrono::microseconds latency) {
    std::lock_guard lock(m_mutex);
    m_latency = latency;
}

void SimDevice::SetOpenFails(bool fails) {
    std::lock_guard lock(m_mutex);
    m_openFails = fails;
}

void SimDevice::SetDescriptorUnreadable(bool unreadable) {
    std::lock_guard lock(m_mutex);
    m_descriptorUnreadable = unreadable;
}

bool SimDevice::PressKey(uint8_t position) {
    return SendEvent(static_cast<uint16_t>(kUsageKeyPressBase + position));
}

bool SimDevice::ReleaseKey(uint8_t position) {
    return SendEvent(static_cast<uint16_t>(kUsageKeyReleaseBase + position));
}

bool SimDevice::RequestSync() {
    return SendEvent(kUsageSyncRequest);
}

bool SimDevice::SwitchProfile(uint8_t profile) {
    if (!IsPlugged()) {
        return false;
    }
    m_firmware->PokeParameters(0, {profile});
    return RequestSync();
}

bool SimDevice::SendEvent(uint16_t usage) {
    InputReport report;
    if (!m_firmware->EventReport(usage, report)) {
        return false;
    }
    std::lock_guard lock(m_mutex);
    if (!m_plugged) {
        return false;
    }
    QueueInput(report, Clock::now());
    return true;
}

int SimDevice::OpenHandles() const {
    std::lock_guard lock(m_mutex);
    int count = 0;
    for (const auto& weak : m_handles) {
        const auto handle = weak.lock();
        count += handle && !handle->closed ? 1 : 0;
    }
    return count;
}

void SimDevice::Plug(uint64_t sequence) {
    std::lock_guard lock(m_mutex);
    m_plugged = true;
    ++m_epoch;
    m_collections.clear();
    for (const InterfaceSpec& spec : m_firmware->Interfaces()) {
        const auto& collections = spec.parsed.Collections();
        for (size_t i = 0; i < collections.size(); ++i) {
            Collection c;
            c.interfaceNumber = spec.number;
            c.index = static_cast<int>(i);
            const int number = collections.size() > 1 ? static_cast<int>(i) + 1 : 0;
            c.identity = {m_firmware->VendorId(),        m_firmware->ProductId(),
                          m_firmware->Version(),         spec.number,
                          static_cast<uint16_t>(number), collections[i].usagePage,
                          collections[i].usage};
            c.path = MakePath(m_firmware->VendorId(), m_firmware->ProductId(), spec.number, number,
                              sequence);
            m_collections.push_back(c);
        }
    }
}

void SimDevice::Unplug() {
    std::lock_guard lock(m_mutex);
    UnplugLocked();
}

void SimDevice::UnplugLocked() {
    if (!m_plugged) {
        return;
    }
    m_plugged = false;
    ++m_epoch;
    for (const auto& weak : m_handles) {
        if (const auto handle = weak.lock()) {
            handle->input.clear();
            handle->wake.notify_all();
        }
    }
    if (m_bus != nullptr) {
        m_bus->Changed();
    }
}

bool SimDevice::Owns(const std::string& path, Collection& out) const {
    std::lock_guard lock(m_mutex);
    for (const Collection& c : m_collections) {
        if (m_plugged && c.path == path) {
            out = c;
            return true;
        }
    }
    return false;
}

std::unique_ptr<platform::hid::HidHandle> SimDevice::OpenCollection(
    const Collection& collection, const platform::hid::OpenMode& mode, Error& error) {
    std::lock_guard lock(m_mutex);
    if (!m_plugged ||
        std::none_of(m_collections.begin(), m_collections.end(),
                     [&](const Collection& c) { return c.path == collection.path; })) {
        error = {ENOENT, "open " + collection.path + ": No such device"};
        return nullptr;
    }
    if (m_openFails) {
        error = {EIO, "open " + collection.path + ": Input/output error"};
        return nullptr;
    }
    std::erase_if(m_handles, [](const auto& weak) { return weak.expired(); });
    for (const auto& weak : m_handles) {
        const auto other = weak.lock();
        if (!other || other->closed || other->collection.path != collection.path) {
            continue;
        }
        // Exclusive openers share reading only.
        if ((mode.exclusive && other->mode.write) || (other->mode.exclusive && mode.write)) {
            error = {EBUSY, "open " + collection.path + ": Device or resource busy"};
            return nullptr;
        }
    }
    auto state = std::make_shared<HandleState>();
    state->collection = collection;
    state->mode = mode;
    state->epoch = m_epoch;
    state->descriptorUnreadable = m_descriptorUnreadable;
    m_handles.push_back(state);
    return std::make_unique<SimHandle>(shared_from_this(), std::move(state));
}

void SimDevice::CloseHandle(const std::shared_ptr<HandleState>& handle) {
    std::lock_guard lock(m_mutex);
    handle->closed = true;
    handle->input.clear();
    std::erase_if(m_handles, [&](const auto& weak) {
        const auto h = weak.lock();
        return !h || h == handle;
    });
    handle->wake.notify_all();
}

IoStatus SimDevice::Read(HandleState& handle, uint8_t* buffer, size_t length, int timeoutMs,
                         size_t& got) {
    got = 0;
    std::unique_lock lock(m_mutex);
    if (!handle.mode.read || handle.closed) {
        handle.lastError = {EBADF, "read " + handle.collection.path + ": not opened for reading"};
        return IoStatus::Failed;
    }
    const bool forever = timeoutMs < 0;
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(std::max(0, timeoutMs));
    for (;;) {
        if (!m_plugged || handle.epoch != m_epoch || handle.closed) {
            handle.lastError = {ENODEV, "read " + handle.collection.path + ": No such device"};
            return IoStatus::Failed;
        }
        if (handle.cancelSignal) {
            handle.cancelSignal = false;
            return IoStatus::Cancelled;
        }
        const Clock::time_point now = Clock::now();
        if (!handle.input.empty() && handle.input.front().at <= now) {
            const std::vector<uint8_t>& bytes = handle.input.front().bytes;
            got = std::min(length, bytes.size());
            std::memcpy(buffer, bytes.data(), got);
            handle.input.pop_front();
            return IoStatus::Ok;
        }
        if (!forever && now >= deadline) {
            return IoStatus::Timeout;
        }
        Clock::time_point wake = forever ? Clock::time_point::max() : deadline;
        if (!handle.input.empty()) {
            wake = std::min(wake, handle.input.front().at);
        }
        if (wake == Clock::time_point::max()) {
            handle.wake.wait(lock);
        } else {
            handle.wake.wait_until(lock, wake);
        }
    }
}

IoStatus SimDevice::Write(HandleState& handle, const uint8_t* buffer, size_t length,
                          size_t& written) {
    written = 0;
    std::lock_guard lock(m_mutex);
    if (!handle.mode.write || handle.closed) {
        handle.lastError = {EBADF, "write " + handle.collection.path + ": not opened for writing"};
        return IoStatus::Failed;
    }
    if (!m_plugged || handle.epoch != m_epoch) {
        handle.lastError = {ENODEV, "write " + handle.collection.path + ": No such device"};
        return IoStatus::Failed;
    }
    if (handle.cancelSignal) {
        handle.cancelSignal = false;
        return IoStatus::Cancelled;
    }
    size_t taken = length;
    if (!DeliverOutput(handle, buffer, length, taken)) {
        return IoStatus::Failed;
    }
    written = taken;
    return IoStatus::Ok;
}

void SimDevice::Cancel(HandleState& handle) {
    std::lock_guard lock(m_mutex);
    handle.cancelSignal = true;
    handle.wake.notify_all();
}

bool SimDevice::TakeFault(FaultType type, Fault& fault) {
    for (auto it = m_faults.begin(); it != m_faults.end(); ++it) {
        if (it->type != type || it->count == 0) {
            continue;
        }
        fault = *it;
        if (it->count > 0 && --it->count == 0) {
            m_faults.erase(it);
        }
        return true;
    }
    return false;
}

bool SimDevice::DeliverOutput(HandleState& handle, const uint8_t* buffer, size_t length,
                              size_t& taken) {
    taken = length;
    const int iface = handle.collection.interfaceNumber;
    const InterfaceSpec* spec = m_firmware->Interface(iface);
    if (length == 0 || spec == nullptr ||
        spec->parsed.CollectionForReport(ReportType::Output, buffer[0]) !=
            handle.collection.index) {
        m_firmware->NoteViolation(Violation::WrongReport);
        handle.lastError = {EINVAL, "write " + handle.collection.path + ": Invalid argument"};
        return false;
    }
    const bool command = iface == m_firmware->CommandInterface() && buffer[0] == kCommandReportId &&
                         length >= kCommandReportSize;
    std::vector<InputReport> replies;
    Clock::time_point at = Clock::now() + m_latency;
    if (command) {
        for (auto it = m_faults.begin(); it != m_faults.end(); ++it) {
            if (it->type != FaultType::UnplugAfter) {
                continue;
            }
            if (it->count <= 0) {
                m_faults.erase(it);
                UnplugLocked();
                handle.lastError = {ENODEV, "write " + handle.collection.path + ": No such device"};
                return false;
            }
            --it->count;
            break;
        }
        Fault fault;
        if (TakeFault(FaultType::PartialWrite, fault)) {
            const size_t wanted = fault.bytes > 0 ? static_cast<size_t>(fault.bytes) : 32;
            taken = std::min(wanted, length - 1);
            m_firmware->LogOnly(iface, buffer, taken);
            return true;
        }
        if (TakeFault(FaultType::NoReply, fault)) {
            m_firmware->LogOnly(iface, buffer, length);
            return true;
        }
        if (TakeFault(FaultType::Status, fault)) {
            replies.emplace_back();
            m_firmware->RejectCommand(buffer, fault.status, replies.back());
        }
    }
    if (replies.empty() &&
        m_firmware->HandleOutput(iface, buffer, length, replies) == Firmware::Accept::Rejected) {
        handle.lastError = {EINVAL, "write " + handle.collection.path + ": Invalid argument"};
        return false;
    }
    // The echo and timing faults apply to a rejection as much as to an answer.
    Fault fault;
    if (command && !replies.empty()) {
        if (TakeFault(FaultType::StrayReply, fault)) {
            InputReport stray = replies.front();
            SetEcho(stray.bytes, OtherCode(fault, buffer[3]));
            QueueInput(stray, at);
        }
        if (TakeFault(FaultType::WrongEcho, fault)) {
            SetEcho(replies.front().bytes, OtherCode(fault, buffer[3]));
        }
        if (TakeFault(FaultType::LateReply, fault)) {
            at += std::chrono::milliseconds(fault.delayMs);
        }
        if (TakeFault(FaultType::ShortReply, fault)) {
            const size_t size = fault.bytes > 0 ? static_cast<size_t>(fault.bytes) : 32;
            replies.front().bytes.resize(std::min(size, replies.front().bytes.size()));
        }
        if (TakeFault(FaultType::LongReply, fault)) {
            const size_t size = fault.bytes > 0 ? static_cast<size_t>(fault.bytes) : 80;
            replies.front().bytes.resize(std::max(size, replies.front().bytes.size()), 0xA5);
        }
    }
    for (const InputReport& reply : replies) {
        QueueInput(reply, at);
    }
    return true;
}

void SimDevice::QueueInput(const InputReport& report, Clock::time_point at) {
    const InterfaceSpec* spec = m_firmware->Interface(report.interfaceNumber);
    if (spec == nullptr || report.bytes.empty()) {
        return;
    }
    const int index = spec->parsed.CollectionForReport(ReportType::Input, report.bytes[0]);
    for (const auto& weak : m_handles) {
        const auto handle = weak.lock();
        if (!handle || handle->closed || !handle->mode.read || handle->epoch != m_epoch ||
            handle->collection.interfaceNumber != report.interfaceNumber ||
            handle->collection.index != index) {
            continue;
        }
        auto& queue = handle->input;
        if (queue.size() >= kInputBufferReports) {
            queue.pop_front();
        }
        // Reports leave the device in order: nothing overtakes a late reply.
        const Clock::time_point when = queue.empty() ? at : std::max(at, queue.back().at);
        queue.push_back({when, report.bytes});
        handle->wake.notify_all();
    }
}

}  // namespace sim
