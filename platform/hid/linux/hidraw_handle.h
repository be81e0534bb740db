#pragma once
// One opened collection of a hidraw node. Writes and ioctls go through the
// handle's own file descriptor, opened with the access the caller asked for;
// input reports come from the node's shared reader, already routed to this
// collection. Cancel() is an eventfd that every wait includes.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/hid/hid_backend.h"
#include "platform/hid/linux/hidraw_node.h"

namespace platform::hid::linux_hid {

struct HidrawHandleSetup {
    int fd = -1;                       // owned; -1 for a presence-only handle
    std::shared_ptr<HidrawNode> node;  // null unless opened for reading
    Identity identity;                 // of this collection, with vendor, product, version
    std::vector<uint8_t> descriptor;   // of the whole interface
    int collectionIndex = 0;
    std::string devnode;  // for error texts
};

class HidrawHandle final : public HidHandle {
  public:
    explicit HidrawHandle(HidrawHandleSetup setup);
    ~HidrawHandle() override;

    Identity Attributes() const override { return m_setup.identity; }
    const std::vector<uint8_t>& ReportDescriptor() const override { return m_setup.descriptor; }
    int CollectionIndex() const override { return m_setup.collectionIndex; }

    IoStatus Read(uint8_t* buffer, size_t length, int timeoutMs, size_t& got) override;
    IoStatus Write(const uint8_t* buffer, size_t length, int timeoutMs, size_t& written) override;
    bool SetOutputReport(const uint8_t* buffer, size_t length) override;
    void Cancel() override;
    Error LastError() const override;

    // Input reports longer than the caller's buffer, each cut to fit (and
    // traced).
    uint64_t TruncatedReports() const { return m_truncated.load(); }

  private:
    // Waits until fd is ready for events or the cancel signal fires; consumes
    // the cancel signal when it ends the wait.
    IoStatus Wait(int fd, short events, int timeoutMs);
    void SetError(int code, const std::string& what);

    HidrawHandleSetup m_setup;
    std::shared_ptr<ReportQueue> m_queue;
    int m_cancel = -1;
    std::atomic<uint64_t> m_truncated{0};
    mutable std::mutex m_errorLock;
    Error m_error;
};

}  // namespace platform::hid::linux_hid
