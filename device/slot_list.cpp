#include "device/slot_list.h"

namespace device {

CSlotList::CSlotList()
    : CSlotList(
          std::vector<InterfaceRecord>(InterfaceCatalogue().begin(), InterfaceCatalogue().end())) {}

CSlotList::CSlotList(std::vector<InterfaceRecord> rows) : m_rows(std::move(rows)), m_slots(m_rows) {
    for (InterfaceRecord& slot : m_slots) {
        slot.connected = 0;
        slot.path.clear();
    }
}

bool CSlotList::IsFree(const InterfaceRecord& slot) {
    return slot.connected == 0 && slot.path.empty();
}

size_t CSlotList::Size() const {
    return m_slots.size();
}

std::optional<InterfaceRecord> CSlotList::Get(size_t index) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (index >= m_slots.size()) {
        return std::nullopt;
    }
    return m_slots[index];
}

std::vector<InterfaceRecord> CSlotList::Snapshot() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_slots;
}

bool CSlotList::HasFreeSlot() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const InterfaceRecord& slot : m_slots) {
        if (slot.connected == 0) {
            return true;
        }
    }
    return false;
}

bool CSlotList::WantsInterface(const InterfaceRecord& identity) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const InterfaceRecord& slot : m_slots) {
        if (IsFree(slot) && slot.SameInterface(identity)) {
            return true;
        }
    }
    return false;
}

bool CSlotList::HoldsPath(const std::string& path) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const InterfaceRecord& slot : m_slots) {
        if (slot.connected != 0 && slot.path == path) {
            return true;
        }
    }
    return false;
}

int CSlotList::Claim(const InterfaceRecord& identity, const std::string& path) {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (size_t i = 0; i < m_slots.size(); ++i) {
        InterfaceRecord& slot = m_slots[i];
        if (IsFree(slot) && slot.SameCollection(identity)) {
            slot.connected = 1;
            slot.path = path;
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::vector<std::pair<size_t, std::string>> CSlotList::Connected() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::pair<size_t, std::string>> connected;
    for (size_t i = 0; i < m_slots.size(); ++i) {
        if (m_slots[i].connected != 0) {
            connected.emplace_back(i, m_slots[i].path);
        }
    }
    return connected;
}

bool CSlotList::Release(size_t index, const std::string& path) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (index >= m_slots.size() || m_slots[index].connected == 0 || m_slots[index].path != path) {
        return false;
    }
    m_slots[index].connected = 0;
    m_slots[index].path.clear();
    return true;
}

}  // namespace device
