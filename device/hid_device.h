#pragma once
// CHidDevice: one opened HID top-level collection (an "interface"), with the
// path list of the last enumeration, the parsed interface description
// (attributes, capabilities, report buffers, data items) and report I/O with
// a timeout and a cancel signal.
//
// The record reaches the operating system through a platform::hid::HidBackend:
// the one given at construction, or else the process-wide backend chosen once
// by the composition root (SetProcessHidBackend).
//
// Threads: Enumerate, Open, Close and the description belong to the owner's
// thread. Read and Write may run on one other thread each while the owner
// works; Close and CancelPending from any thread wake a pending Read or Write,
// which then returns false. The handle stays alive until such a call returns.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/hid/hid_backend.h"
#include "platform/hid/report_descriptor.h"

// Chooses the backend of every record constructed without one. Set once at
// start-up, before any device object exists; null means none (every Open fails).
void SetProcessHidBackend(platform::hid::HidBackend* backend);
platform::hid::HidBackend* ProcessHidBackend();

using HidReportType = platform::hid::ReportType;
// The capabilities of a top-level collection (usage, usage page, report byte
// lengths, capability counts).
using HidCaps = platform::hid::Caps;

// Vendor ID, product ID and version number of the USB device.
struct HidAttributes {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t versionNumber = 0;
};

// One usage holder filled from received reports: a button item lists the
// usages of its capability that are "on", a value item holds one usage's value.
struct HidDataItem {
    bool isButtonData = false;
    uint16_t usagePage = 0;
    platform::hid::HidStatus status = platform::hid::HidStatus::Success;  // of the last unpack
    uint32_t reportId = 0;
    bool isDataSet = false;
    struct Button {
        uint32_t usageMin = 0;
        uint32_t usageMax = 0;
        uint32_t maxUsageLength = 0;
        // Usages reported "on"; a 0 follows the last one when fewer than the capacity.
        std::vector<uint16_t> usages;
    } button;
    struct Value {
        uint16_t usage = 0;
        uint32_t value = 0;
        int32_t scaledValue = 0;
    } value;
};

// Everything the description holds for one report type.
struct HidReportTypeInfo {
    std::vector<uint8_t> report;  // one report, zero-filled, report ID byte first
    std::vector<HidDataItem> items;
    std::vector<platform::hid::ButtonCaps> buttonCaps;
    std::vector<platform::hid::ValueCaps> valueCaps;
};

class CHidDevice {
  public:
    CHidDevice();
    explicit CHidDevice(platform::hid::HidBackend& backend);
    ~CHidDevice();
    CHidDevice(const CHidDevice&) = delete;
    CHidDevice& operator=(const CHidDevice&) = delete;

    // --- path list -------------------------------------------------------------
    // Replaces the path list with every present collection; false (and an empty
    // list) when enumeration failed.
    bool Enumerate();
    // The next path of the list, or none when the list is exhausted.
    std::optional<std::string> NextPath();
    void FreeList();
    size_t ListCount() const { return m_list.size(); }

    // --- open and close ---------------------------------------------------------
    // Closes whatever is open, then opens path with these flags and reads the
    // interface description; false (and closed) when either fails.
    bool Open(const std::string& path, bool read, bool write, bool overlapped, bool exclusive);
    // Wakes a pending Read or Write, frees the description and closes the handle.
    void Close();
    bool IsOpen() const;

    // --- report I/O ---------------------------------------------------------------
    // One report in or out; timeoutMs < 0 waits without limit. False on timeout,
    // cancel or failure; a timed-out call leaves nothing pending.
    bool Read(std::span<uint8_t> buffer, int timeoutMs, size_t& bytesRead);
    bool Write(std::span<const uint8_t> buffer, int timeoutMs, size_t& bytesWritten);
    // Sends one output report through the control pipe.
    bool SetOutputReport(std::span<const uint8_t> report);
    // Wakes a pending Read or Write (no effect when none is pending).
    void CancelPending();
    // Like CancelPending, but when nothing is pending the next Read or Write
    // fails at once; for owners about to close the record.
    void CancelAlways();

    // Fills the items whose report ID equals report[0] from that report; false
    // at the first value that cannot be read.
    bool UnpackReport(std::vector<HidDataItem>& items, HidReportType type,
                      std::span<const uint8_t> report) const;

    // --- description (valid while open) ----------------------------------------
    const std::string& Path() const { return m_path; }
    const HidCaps& Caps() const { return m_caps; }
    const HidAttributes& Attributes() const { return m_attributes; }
    const HidReportTypeInfo& Info(HidReportType type) const {
        return m_types[static_cast<size_t>(type)];
    }
    std::vector<HidDataItem>& Items(HidReportType type) {
        return m_types[static_cast<size_t>(type)].items;
    }
    uint32_t InterfaceNumber() const { return m_interfaceNumber; }
    uint32_t CollectionNumber() const { return m_collectionNumber; }
    bool OpenedForRead() const { return m_openedForRead; }
    bool OpenedForWrite() const { return m_openedForWrite; }
    bool OpenedOverlapped() const { return m_openedOverlapped; }
    bool OpenedExclusive() const { return m_openedExclusive; }

  private:
    platform::hid::HidBackend* Backend() const;
    std::shared_ptr<platform::hid::HidHandle> Handle() const;
    std::shared_ptr<const platform::hid::ReportDescriptor> Descriptor() const;
    bool ReadDescription(const platform::hid::HidHandle& handle);
    void FillReportType(HidReportType type);
    void FreeDescription();

    platform::hid::HidBackend* m_backend = nullptr;

    std::vector<std::string> m_list;
    size_t m_listCursor = 0;

    bool m_openedForRead = false;
    bool m_openedForWrite = false;
    bool m_openedOverlapped = false;
    bool m_openedExclusive = false;
    std::string m_path;

    // Swapped under m_handleMutex; Read and Write keep their own reference so
    // that a Close on another thread never frees a handle in use.
    mutable std::mutex m_handleMutex;
    std::shared_ptr<platform::hid::HidHandle> m_handle;
    std::atomic<bool> m_readPending{false};
    std::atomic<bool> m_writePending{false};

    // The parsed descriptor and this collection's index in it; swapped under
    // m_handleMutex like the handle.
    std::shared_ptr<const platform::hid::ReportDescriptor> m_descriptor;
    int m_collection = 0;
    HidCaps m_caps;
    HidAttributes m_attributes;
    HidReportTypeInfo m_types[3];
    uint32_t m_interfaceNumber = 0;
    uint32_t m_collectionNumber = 0;
};
