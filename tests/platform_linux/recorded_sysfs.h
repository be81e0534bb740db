#pragma once
// Lays out sysfs trees in a temporary folder the way the kernel shows them:
// the hid device below its USB interface and device (or below uhid's virtual
// device), its hidraw child, and the class link with relative symlinks.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct RecordedHid {
    std::string node;   // "hidraw3"
    std::string hidId;  // "0003:00000C45:00007666"
    std::string phys;   // HID_PHYS
    std::vector<uint8_t> descriptor;
    bool writeDescriptor = true;
    std::string inputVersion;  // id/version of an input device below the hid device, if set
};

class RecordedSysfs {
  public:
    RecordedSysfs();
    ~RecordedSysfs();

    // A hid device on USB: device "1-<port>" with bcdDevice, interface
    // "1-<port>:1.<number>" with bInterfaceNumber.
    void AddUsb(const RecordedHid& hid, int port, uint16_t interfaceNumber, uint16_t bcdDevice);
    // A hid device created through uhid (no USB parent).
    void AddVirtual(const RecordedHid& hid);
    // An empty device node file in the tree's dev folder.
    void AddDevNode(const std::string& node);

    std::string Root() const { return m_root.string(); }
    std::string DevDir() const { return (m_root / "dev").string(); }

  private:
    void AddHid(const std::filesystem::path& parent, const RecordedHid& hid, int sequence);

    std::filesystem::path m_root;
    int m_sequence = 1;
};

void WriteText(const std::filesystem::path& path, const std::string& text);
