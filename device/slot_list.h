#pragma once
// CSlotList: the discovery loop's slots, one copy of each interface catalogue
// row (slot i is row i) with a connected flag and the path of the interface
// that fills it.
//
// The discovery thread writes the connected flag and path; the UI thread
// reads slots at any time, including from inside an arrival or removal
// notification. Every access goes through the list's own mutex, which is
// never held while a notification runs, so both sides always see whole slots.

#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "device/catalogue.h"

namespace device {

class CSlotList {
  public:
    // One slot per interface catalogue row, in catalogue order.
    CSlotList();
    // Slots copied from other rows (tests, and catalogues of other builds).
    explicit CSlotList(std::vector<InterfaceRecord> rows);

    size_t Size() const;
    // A copy of slot index, or none when out of range.
    std::optional<InterfaceRecord> Get(size_t index) const;
    std::vector<InterfaceRecord> Snapshot() const;
    bool HasFreeSlot() const;

    // --- used by the discovery loop ---------------------------------------------
    // The rows the slots were made from (never changes).
    const std::vector<InterfaceRecord>& Rows() const { return m_rows; }
    // True when some slot not yet connected has this vendor, product, interface
    // and collection number and an empty path.
    bool WantsInterface(const InterfaceRecord& identity) const;
    // True when a connected slot holds path.
    bool HoldsPath(const std::string& path) const;
    // Connects the first free slot with the same six identity values and
    // stores path; its index, or -1 when none is free.
    int Claim(const InterfaceRecord& identity, const std::string& path);
    // Indices and paths of the connected slots.
    std::vector<std::pair<size_t, std::string>> Connected() const;
    // Frees slot index if it still holds path; true when it did.
    bool Release(size_t index, const std::string& path);

  private:
    static bool IsFree(const InterfaceRecord& slot);

    mutable std::mutex m_mutex;
    const std::vector<InterfaceRecord> m_rows;
    std::vector<InterfaceRecord> m_slots;
};

}  // namespace device
