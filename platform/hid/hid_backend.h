#pragma once
// What the device stack needs of the operating system's HID service, for one
// HID top-level collection at a time. No OS header is included here: the Linux
// adapter (platform/hid/linux) and the simulated bus (sim/) implement it.
//
// Report layout on every backend: a report buffer starts with its report ID
// byte (0 when the collection uses no report IDs), followed by the report's
// data, exactly as a numbered report travels on the wire. Report byte lengths
// include that first byte.
//
// Threads: a backend and its handles may be used from several threads; one
// handle serves one reader and one writer at a time, and Cancel() may be called
// from any thread.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform::hid {

// Identity of one top-level collection, as discovery compares it with the catalogue.
struct Identity {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t version = 0;           // bcdDevice
    uint16_t interfaceNumber = 0;   // USB interface number ("&mi_" in the path)
    uint16_t collectionNumber = 0;  // 1-based descriptor order, 0 when the interface has one
    uint16_t usagePage = 0;         // of the top-level collection
    uint16_t usage = 0;
};

// One present collection as enumeration reports it. The path carries the
// identity tokens "vid_", "pid_", "&mi_" (when the interface number is known)
// and "&col" (when the interface has several collections), so that the
// identity can be parsed back from the path alone.
struct CollectionEntry {
    std::string path;
    Identity identity;
};

struct OpenMode {
    bool read = false;
    bool write = false;
    bool overlapped = false;
    bool exclusive = false;  // share only reading with other openers
};
// Opening with neither read nor write checks that the collection is present;
// such a handle can do no I/O.

enum class IoStatus {
    Ok,
    Timeout,    // nothing arrived (or could be sent) within the timeout
    Cancelled,  // Cancel() woke the call
    Failed,     // the device is gone or the OS refused; see LastError()
};

// An adapter's error: an errno value (0 when none) and a text such as
// "open /dev/hidraw3: Permission denied".
struct Error {
    int code = 0;
    std::string context;
    explicit operator bool() const { return code != 0 || !context.empty(); }
};

class HidHandle {
  public:
    virtual ~HidHandle() = default;

    // Vendor, product and version of the USB device (HidD_GetAttributes).
    virtual Identity Attributes() const = 0;
    // The report descriptor of the whole interface, and the 0-based index of
    // this handle's top-level collection within it.
    virtual const std::vector<uint8_t>& ReportDescriptor() const = 0;
    virtual int CollectionIndex() const = 0;

    // Reads one input report of this collection into buffer (at most length
    // bytes). timeoutMs < 0 waits without limit. got is the number of bytes stored.
    virtual IoStatus Read(uint8_t* buffer, size_t length, int timeoutMs, size_t& got) = 0;
    // Writes one output report (interrupt transfer), buffer[0] being the report ID.
    virtual IoStatus Write(const uint8_t* buffer, size_t length, int timeoutMs,
                           size_t& written) = 0;
    // Sends one output report through the control pipe (HidD_SetOutputReport).
    virtual bool SetOutputReport(const uint8_t* buffer, size_t length) = 0;

    // Wakes a pending Read or Write, which then returns Cancelled. Like an
    // auto-reset event: when nothing is pending, the next Read or Write
    // consumes the signal and returns Cancelled at once.
    virtual void Cancel() = 0;

    virtual Error LastError() const = 0;
};

class HidBackend {
  public:
    virtual ~HidBackend() = default;

    // Lists every present HID top-level collection. False when enumeration
    // itself failed (out is then empty).
    virtual bool Enumerate(std::vector<CollectionEntry>& out) = 0;
    // Opens one collection by path; null on failure with the reason in error.
    virtual std::unique_ptr<HidHandle> Open(const std::string& path, const OpenMode& mode,
                                            Error* error = nullptr) = 0;
    // A number that changes whenever a collection may have appeared or gone;
    // discovery enumerates again only when it differs from the one it saw last.
    // A backend that cannot tell returns a new number on every call.
    virtual uint64_t Generation() { return ++m_calls; }
    // "linux" or "sim", for diagnostics.
    virtual std::string Name() const = 0;

  private:
    uint64_t m_calls = 0;
};

}  // namespace platform::hid
