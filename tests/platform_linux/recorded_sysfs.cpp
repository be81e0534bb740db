#include "tests/platform_linux/recorded_sysfs.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace fs = std::filesystem;

void WriteText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

RecordedSysfs::RecordedSysfs() {
    std::string pattern = (fs::temp_directory_path() / "veldmark-sysfs-XXXXXX").string();
    m_root = ::mkdtemp(pattern.data());
    fs::create_directories(m_root / "sys/class/hidraw");
    fs::create_directories(m_root / "dev");
}

RecordedSysfs::~RecordedSysfs() {
    std::error_code ec;
    fs::remove_all(m_root, ec);
}

void RecordedSysfs::AddUsb(const RecordedHid& hid, int port, uint16_t interfaceNumber,
                           uint16_t bcdDevice) {
    char text[16];
    const fs::path usbDevice =
        m_root / "sys/devices/pci0000:00/0000:00:14.0/usb1" / ("1-" + std::to_string(port));
    std::snprintf(text, sizeof text, "%04x\n", bcdDevice);
    WriteText(usbDevice / "bcdDevice", text);
    const fs::path usbInterface =
        usbDevice / ("1-" + std::to_string(port) + ":1." + std::to_string(interfaceNumber));
    std::snprintf(text, sizeof text, "%02x\n", interfaceNumber);
    WriteText(usbInterface / "bInterfaceNumber", text);
    AddHid(usbInterface, hid, m_sequence++);
}

void RecordedSysfs::AddVirtual(const RecordedHid& hid) {
    AddHid(m_root / "sys/devices/virtual/misc/uhid", hid, m_sequence++);
}

void RecordedSysfs::AddDevNode(const std::string& node) {
    WriteText(m_root / "dev" / node, "");
}

void RecordedSysfs::AddHid(const fs::path& parent, const RecordedHid& hid, int sequence) {
    // The kernel names a hid device bus:vendor:product.sequence, four digits each.
    char name[64];
    if (hid.hidId.size() == 22) {
        std::snprintf(name, sizeof name, "%s:%s:%s.%04X", hid.hidId.substr(0, 4).c_str(),
                      hid.hidId.substr(9, 4).c_str(), hid.hidId.substr(18, 4).c_str(), sequence);
    } else {
        std::snprintf(name, sizeof name, "broken.%04X", sequence);
    }
    const fs::path hidDir = parent / name;
    WriteText(hidDir / "uevent", "DRIVER=hid-generic\nHID_ID=" + hid.hidId +
                                     "\nHID_NAME=Recorded device\nHID_PHYS=" + hid.phys +
                                     "\nHID_UNIQ=\nMODALIAS=hid:b0003g0001\n");
    if (hid.writeDescriptor) {
        WriteText(hidDir / "report_descriptor",
                  std::string(hid.descriptor.begin(), hid.descriptor.end()));
    }
    if (!hid.inputVersion.empty()) {
        WriteText(hidDir / "input/input7/id/version", hid.inputVersion + "\n");
    }
    const fs::path nodeDir = hidDir / "hidraw" / hid.node;
    WriteText(nodeDir / "uevent", "MAJOR=243\nMINOR=3\nDEVNAME=" + hid.node + "\n");
    fs::create_directory_symlink("../../../" + std::string(name), nodeDir / "device");
    fs::create_directory_symlink(fs::relative(nodeDir, m_root / "sys/class/hidraw"),
                                 m_root / "sys/class/hidraw" / hid.node);
}
