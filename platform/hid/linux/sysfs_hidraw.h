#pragma once
// Reading what sysfs tells about a hidraw node: the hid device it belongs to,
// the report descriptor of that device, and the identity of the USB device and
// interface above it. Everything is read below a root directory, "/" on a real
// system and a recorded copy of a sysfs tree in tests.
//
// Layout read (paths relative to the root):
//   sys/class/hidraw/<node>/device         -> the hid device directory
//   <hid device>/uevent                    HID_ID=0003:00000C45:00007666, HID_PHYS=...
//   <hid device>/report_descriptor         the raw descriptor
//   <ancestor>/bInterfaceNumber            the USB interface (hex, "01")
//   <ancestor>/bcdDevice                   the USB device's version (hex, "0105")
//   <hid device>/input/input*/id/version   the version when no USB device is above

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform::hid::linux_hid {

struct HidrawNodeInfo {
    std::string node;     // "hidraw3"
    std::string devnode;  // "/dev/hidraw3"
    uint16_t bus = 0;     // 3 USB, 5 Bluetooth, ... from HID_ID
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t version = 0;                     // bcdDevice, else the input device's version, else 0
    std::optional<uint16_t> interfaceNumber;  // USB interface, else the phys "/inputN" suffix
    std::string name;                         // HID_NAME
    std::vector<uint8_t> descriptor;          // empty when it could not be read
    std::string descriptorProblem;            // why the descriptor is empty
};

class SysfsHidraw {
  public:
    // root: "/" for the running system; devDir: where the nodes live ("/dev").
    explicit SysfsHidraw(std::string root = "/", std::string devDir = "/dev");

    // Names of every hidraw node of the tree, in numeric order ("hidraw0", "hidraw2", ...).
    std::vector<std::string> ListNodes() const;

    // Describes one node. False when the node or its hid device is missing or
    // its HID_ID cannot be parsed; a missing descriptor alone is not a failure.
    // withDescriptor false skips reading the descriptor (a presence check).
    bool Describe(const std::string& node, HidrawNodeInfo& out, bool withDescriptor = true) const;

    const std::string& DevDir() const { return m_devDir; }

  private:
    std::string m_root;
    std::string m_devDir;
};

// The value of KEY in the text of a uevent file ("KEY=value" lines), empty when absent.
std::string UeventValue(const std::string& uevent, const std::string& key);

}  // namespace platform::hid::linux_hid
