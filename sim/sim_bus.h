#pragma once
// The virtual HID bus: a platform::hid::HidBackend whose collections belong to
// simulated devices (sim_device.h) answering the command protocol as their
// firmware does. It is what the tests and the program's simulated mode
// (VELDMARK_HID=sim or sim:keyboard,mouse,mousepad,headset) run on.
//
// Paths look like Windows device paths and carry the identity tokens, e.g.
//   sim:\\?\hid#vid_0c45&pid_7666&mi_01&col04#8&00000003&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}
// and are unique per plugged instance: unplugging and plugging a device again
// gives new paths, and handles opened before the unplug stay dead.
//
// Threads: every operation may be called from any thread.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/hid/hid_backend.h"
#include "sim/firmware.h"
#include "sim/sim_device.h"

namespace sim {

class SimBus : public platform::hid::HidBackend {
  public:
    SimBus();
    ~SimBus() override;

    // Adds a device and plugs it in; returns it for the test to steer.
    std::shared_ptr<SimDevice> Add(std::unique_ptr<Firmware> firmware);
    std::shared_ptr<SimDevice> Add(DeviceKind kind);
    // Plugs in again a device that was unplugged (new paths); false if it is
    // plugged or not on this bus.
    bool Plug(const std::shared_ptr<SimDevice>& device);
    // Unplugs a device: its collections disappear from enumeration and every
    // pending or later call on its handles fails at once.
    bool Unplug(const std::shared_ptr<SimDevice>& device);
    // Removes a device from the bus altogether (unplugging it first).
    void Remove(const std::shared_ptr<SimDevice>& device);

    std::vector<std::shared_ptr<SimDevice>> Devices() const;
    // The first device of that kind, plugged or not; null if none.
    std::shared_ptr<SimDevice> Find(DeviceKind kind) const;

    // Enumerate() fails (returns false, empty list) while set.
    void SetEnumerationFails(bool fails);

    // HidBackend
    bool Enumerate(std::vector<platform::hid::CollectionEntry>& out) override;
    std::unique_ptr<platform::hid::HidHandle> Open(const std::string& path,
                                                   const platform::hid::OpenMode& mode,
                                                   platform::hid::Error* error = nullptr) override;
    uint64_t Generation() override;
    std::string Name() const override { return "sim"; }

  private:
    friend class SimDevice;
    void Changed();  // a collection appeared or went

    mutable std::mutex m_mutex;
    std::vector<std::shared_ptr<SimDevice>> m_devices;
    std::atomic<uint64_t> m_generation{1};  // atomic: devices bump it under their own lock
    uint64_t m_plugSequence = 0;
    bool m_enumerationFails = false;
};

// Parses a kinds list as in VELDMARK_HID: "keyboard,mouse,mousepad,headset",
// optionally prefixed by "sim:" or just "sim"; empty means all four and "none"
// an empty bus. False (and the offending name in `bad`) for an unknown name.
bool ParseKinds(const std::string& text, std::vector<DeviceKind>& kinds,
                std::string* bad = nullptr);

// A bus with the chosen devices plugged in (in the order given); null for an
// unknown kind name.
std::unique_ptr<SimBus> MakeBus(const std::string& kinds);

// The firmware of one device kind with its factory memory.
std::unique_ptr<Firmware> MakeFirmware(DeviceKind kind);

}  // namespace sim
