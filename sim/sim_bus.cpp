#include "sim/sim_bus.h"

#include <algorithm>
#include <cerrno>
#include <sstream>

#include "sim/headset_firmware.h"
#include "sim/keyboard_firmware.h"
#include "sim/mouse_firmware.h"
#include "sim/mousepad_firmware.h"

namespace sim {

SimBus::SimBus() = default;

SimBus::~SimBus() {
    std::lock_guard lock(m_mutex);
    for (const auto& device : m_devices) {
        std::lock_guard deviceLock(device->m_mutex);
        device->m_bus = nullptr;
    }
}

std::shared_ptr<SimDevice> SimBus::Add(std::unique_ptr<Firmware> firmware) {
    auto device = std::make_shared<SimDevice>(std::move(firmware));
    std::lock_guard lock(m_mutex);
    {
        std::lock_guard deviceLock(device->m_mutex);
        device->m_bus = this;
    }
    m_devices.push_back(device);
    device->Plug(++m_plugSequence);
    Changed();
    return device;
}

std::shared_ptr<SimDevice> SimBus::Add(DeviceKind kind) {
    return Add(MakeFirmware(kind));
}

bool SimBus::Plug(const std::shared_ptr<SimDevice>& device) {
    std::lock_guard lock(m_mutex);
    if (std::find(m_devices.begin(), m_devices.end(), device) == m_devices.end() ||
        device->IsPlugged()) {
        return false;
    }
    device->Plug(++m_plugSequence);
    Changed();
    return true;
}

bool SimBus::Unplug(const std::shared_ptr<SimDevice>& device) {
    {
        std::lock_guard lock(m_mutex);
        if (std::find(m_devices.begin(), m_devices.end(), device) == m_devices.end()) {
            return false;
        }
    }
    if (!device->IsPlugged()) {
        return false;
    }
    device->Unplug();
    return true;
}

void SimBus::Remove(const std::shared_ptr<SimDevice>& device) {
    device->Unplug();
    std::lock_guard lock(m_mutex);
    std::erase(m_devices, device);
    std::lock_guard deviceLock(device->m_mutex);
    device->m_bus = nullptr;
}

std::vector<std::shared_ptr<SimDevice>> SimBus::Devices() const {
    std::lock_guard lock(m_mutex);
    return m_devices;
}

std::shared_ptr<SimDevice> SimBus::Find(DeviceKind kind) const {
    std::lock_guard lock(m_mutex);
    for (const auto& device : m_devices) {
        if (device->Kind() == kind) {
            return device;
        }
    }
    return nullptr;
}

void SimBus::SetEnumerationFails(bool fails) {
    std::lock_guard lock(m_mutex);
    m_enumerationFails = fails;
}

bool SimBus::Enumerate(std::vector<platform::hid::CollectionEntry>& out) {
    out.clear();
    std::lock_guard lock(m_mutex);
    if (m_enumerationFails) {
        return false;
    }
    for (const auto& device : m_devices) {
        for (auto& entry : device->Entries()) {
            out.push_back(std::move(entry));
        }
    }
    return true;
}

std::unique_ptr<platform::hid::HidHandle> SimBus::Open(const std::string& path,
                                                       const platform::hid::OpenMode& mode,
                                                       platform::hid::Error* error) {
    platform::hid::Error failure{ENOENT, "open " + path + ": No such device"};
    for (const auto& device : Devices()) {
        SimDevice::Collection collection;
        if (!device->Owns(path, collection)) {
            continue;
        }
        auto handle = device->OpenCollection(collection, mode, failure);
        if (handle) {
            return handle;
        }
        break;
    }
    if (error != nullptr) {
        *error = failure;
    }
    return nullptr;
}

uint64_t SimBus::Generation() {
    return m_generation.load();
}

void SimBus::Changed() {
    m_generation.fetch_add(1);
}

bool ParseKinds(const std::string& text, std::vector<DeviceKind>& kinds, std::string* bad) {
    static constexpr DeviceKind kAll[] = {DeviceKind::Keyboard, DeviceKind::Mouse,
                                          DeviceKind::Mousepad, DeviceKind::Headset};
    std::string list = text;
    if (list == "sim") {
        list.clear();
    } else if (list.rfind("sim:", 0) == 0) {
        list = list.substr(4);
    }
    kinds.clear();
    if (list == "none") {
        return true;  // an empty bus: devices are plugged in later
    }
    std::istringstream in(list);
    std::string name;
    while (std::getline(in, name, ',')) {
        name.erase(0, name.find_first_not_of(" \t"));
        name.erase(name.find_last_not_of(" \t") + 1);
        if (name.empty()) {
            continue;
        }
        const auto it = std::find_if(std::begin(kAll), std::end(kAll),
                                     [&](DeviceKind k) { return name == KindName(k); });
        if (it == std::end(kAll)) {
            if (bad != nullptr) {
                *bad = name;
            }
            return false;
        }
        kinds.push_back(*it);
    }
    if (kinds.empty()) {
        kinds.assign(std::begin(kAll), std::end(kAll));
    }
    return true;
}

std::unique_ptr<SimBus> MakeBus(const std::string& kinds) {
    std::vector<DeviceKind> list;
    if (!ParseKinds(kinds, list)) {
        return nullptr;
    }
    auto bus = std::make_unique<SimBus>();
    for (DeviceKind kind : list) {
        bus->Add(kind);
    }
    return bus;
}

std::unique_ptr<Firmware> MakeFirmware(DeviceKind kind) {
    switch (kind) {
        case DeviceKind::Keyboard:
            return std::make_unique<Firmware>(KeyboardLayout());
        case DeviceKind::Mouse:
            return std::make_unique<SimMouse>();
        case DeviceKind::Mousepad:
            return std::make_unique<Firmware>(MousepadLayout());
        case DeviceKind::Headset:
            return std::make_unique<SimHeadset>();
    }
    return nullptr;
}

}  // namespace sim
