#pragma once
// One simulated USB device on the virtual bus: its firmware, its plug state,
// the open handles of its collections with their input queues, and the faults
// a test asks it to show. Created by the bus (SimBus::Plug / MakeBus).
//
// Timing: a reply becomes readable at (time of the request + reply latency +
// any injected delay); nothing runs on a thread of its own, a blocked Read just
// waits for the first report whose time has come.
//
// Threads: every operation may be called from any thread; the host's handles
// and test code share it safely.

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/hid/hid_backend.h"
#include "sim/firmware.h"

namespace sim {

// A fault the device shows for its next `count` command requests (−1: until
// cleared). PartialWrite and NoReply replace the answer (in that order), then
// Status; StrayReply, WrongEcho, LateReply, ShortReply and LongReply change
// the answer (a Status answer too) and combine.
enum class FaultType {
    UnplugAfter,   // answers `count` more requests; the next one finds the device gone
    NoReply,       // the request is received but neither acted on nor answered
    Status,        // not acted on; answered with `status` (0xFF or 0xFE)
    StrayReply,    // an extra reply carrying another command's code comes first
    WrongEcho,     // the reply carries another command's code in byte 3
    LateReply,     // the reply comes `delayMs` later than usual
    ShortReply,    // the reply is cut to `bytes` bytes (default 32)
    LongReply,     // the reply is padded to `bytes` bytes (default 80)
    PartialWrite,  // only `bytes` of the request are taken (default 32): not acted
                   // on, not answered, and the write reports that count
};

struct Fault {
    FaultType type = FaultType::NoReply;
    int count = 1;
    uint8_t status = kStatusRejected;  // for Status
    int delayMs = 0;                   // for LateReply
    uint8_t echo = 0;  // for StrayReply/WrongEcho; 0 = a code other than the request's
    int bytes = 0;     // for ShortReply, LongReply, PartialWrite; 0 = the default
};

class SimDevice : public std::enable_shared_from_this<SimDevice> {
  public:
    explicit SimDevice(std::unique_ptr<Firmware> firmware);
    ~SimDevice();

    Firmware& firmware() { return *m_firmware; }
    const Firmware& firmware() const { return *m_firmware; }
    DeviceKind Kind() const { return m_firmware->Kind(); }

    bool IsPlugged() const;
    // Paths of the collections while plugged (empty when unplugged); a new
    // plug gives new paths.
    std::vector<platform::hid::CollectionEntry> Entries() const;
    // The path of the collection with this usage page and usage ("" if none).
    std::string PathOf(uint16_t usagePage, uint16_t usage) const;
    std::string CommandPath() const;  // vendor collection 0xFF1C/0x92 or the headset's
    std::string EventPath() const;    // consumer collection of the event interface, "" if none

    void InjectFault(const Fault& fault);
    void ClearFaults();
    void SetReplyLatency(std::chrono::microseconds latency);
    // Opening any collection of this device fails while set.
    void SetOpenFails(bool fails);
    // Collections opened while set hand out an empty report descriptor, as an
    // interface does whose description cannot be fetched; the open itself works.
    void SetDescriptorUnreadable(bool unreadable);

    // Event interface: input reports on the consumer collection. False when the
    // device is unplugged or has no event collection.
    bool PressKey(uint8_t position);    // usage 0x500 + position
    bool ReleaseKey(uint8_t position);  // usage 0x600 + position
    bool RequestSync();                 // usage 0x401
    bool SendEvent(uint16_t usage);
    // What a profile key on the device does: the active profile byte (parameter
    // address 0) becomes `profile` and the device asks the host to re-read its
    // settings (a sync request). False when the sync request cannot be sent.
    bool SwitchProfile(uint8_t profile);

    // Number of handles currently open on the device.
    int OpenHandles() const;

  private:
    friend class SimBus;
    friend class SimHandle;
    struct Queue;
    struct Collection {
        int interfaceNumber = 0;
        int index = 0;  // within the interface's descriptor
        platform::hid::Identity identity;
        std::string path;
    };
    struct HandleState;

    // Bus side.
    void Plug(uint64_t sequence);
    void Unplug();
    bool Owns(const std::string& path, Collection& out) const;
    std::unique_ptr<platform::hid::HidHandle> OpenCollection(const Collection& collection,
                                                             const platform::hid::OpenMode& mode,
                                                             platform::hid::Error& error);
    void CloseHandle(const std::shared_ptr<HandleState>& handle);

    // Handle side.
    platform::hid::IoStatus Read(HandleState& handle, uint8_t* buffer, size_t length, int timeoutMs,
                                 size_t& got);
    platform::hid::IoStatus Write(HandleState& handle, const uint8_t* buffer, size_t length,
                                  size_t& written);
    void Cancel(HandleState& handle);

    // False when the write failed; `taken` is how much of it the device took.
    bool DeliverOutput(HandleState& handle, const uint8_t* buffer, size_t length, size_t& taken);
    bool TakeFault(FaultType type, Fault& fault);
    void QueueInput(const InputReport& report, std::chrono::steady_clock::time_point at);
    void UnplugLocked();

    std::unique_ptr<Firmware> m_firmware;
    mutable std::mutex m_mutex;
    bool m_plugged = false;
    uint64_t m_epoch = 0;
    std::vector<Collection> m_collections;
    std::vector<std::weak_ptr<HandleState>> m_handles;
    std::vector<Fault> m_faults;
    std::chrono::microseconds m_latency{0};
    bool m_openFails = false;
    bool m_descriptorUnreadable = false;
    class SimBus* m_bus = nullptr;
};

}  // namespace sim
