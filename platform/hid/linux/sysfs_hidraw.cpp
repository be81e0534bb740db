#include "platform/hid/linux/sysfs_hidraw.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

#include "platform/hid/linux/collection_path.h"

namespace platform::hid::linux_hid {
namespace fs = std::filesystem;
namespace {

// A report descriptor is at most 4096 bytes (HID_MAX_DESCRIPTOR_SIZE); a
// larger file is not a descriptor and is not read.
constexpr size_t kMaxDescriptor = 4096;

// Reads at most limit + 1 bytes, so that a file larger than the limit is
// known as such without being read whole. `tooLarge` (optional) tells that
// case apart from a file that could not be opened.
bool ReadFile(const fs::path& path, std::string& out, size_t limit = 65536,
              bool* tooLarge = nullptr) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    out.resize(limit + 1);
    in.read(out.data(), static_cast<std::streamsize>(out.size()));
    out.resize(static_cast<size_t>(in.gcount()));
    if (out.size() > limit) {
        out.clear();
        if (tooLarge != nullptr) {
            *tooLarge = true;
        }
        return false;
    }
    return true;
}

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

std::optional<uint16_t> ReadHexAttribute(const fs::path& path) {
    std::string text;
    if (!ReadFile(path, text, 64)) {
        return std::nullopt;
    }
    text = Trimmed(text);
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 16);
    if (text.empty() || *end != '\0' || value > 0xFFFF) {
        return std::nullopt;
    }
    return static_cast<uint16_t>(value);
}

// Without a USB device above (uhid, Bluetooth, I2C) the hid device's own
// version shows only in the input devices the kernel made for it.
uint16_t InputDeviceVersion(const fs::path& hidDir) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(hidDir / "input", ec)) {
        if (const auto version = ReadHexAttribute(entry.path() / "id/version")) {
            return *version;
        }
    }
    return 0;
}

unsigned NodeNumber(const std::string& node) {
    return static_cast<unsigned>(std::strtoul(node.c_str() + 6, nullptr, 10));
}

}  // namespace

std::string UeventValue(const std::string& uevent, const std::string& key) {
    std::istringstream lines(uevent);
    std::string line;
    const std::string prefix = key + "=";
    while (std::getline(lines, line)) {
        if (line.compare(0, prefix.size(), prefix) == 0) {
            return Trimmed(line.substr(prefix.size()));
        }
    }
    return {};
}

SysfsHidraw::SysfsHidraw(std::string root, std::string devDir)
    : m_root(std::move(root)), m_devDir(std::move(devDir)) {}

std::vector<std::string> SysfsHidraw::ListNodes() const {
    std::vector<std::string> nodes;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(fs::path(m_root) / "sys/class/hidraw", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("hidraw", 0) == 0 && name.size() > 6) {
            nodes.push_back(name);
        }
    }
    std::sort(nodes.begin(), nodes.end(), [](const std::string& a, const std::string& b) {
        return NodeNumber(a) < NodeNumber(b);
    });
    return nodes;
}

bool SysfsHidraw::Describe(const std::string& node, HidrawNodeInfo& out,
                           bool withDescriptor) const {
    if (node.find('/') != std::string::npos || node.rfind("hidraw", 0) != 0) {
        return false;
    }
    std::error_code ec;
    const fs::path sysRoot = fs::canonical(fs::path(m_root) / "sys", ec);
    if (ec) {
        return false;
    }
    const fs::path hidDir = fs::canonical(sysRoot / "class/hidraw" / node / "device", ec);
    std::string uevent;
    if (ec || !ReadFile(hidDir / "uevent", uevent)) {
        return false;
    }
    out = HidrawNodeInfo{};
    out.node = node;
    out.devnode = m_devDir + "/" + node;
    if (!ParseHidId(UeventValue(uevent, "HID_ID"), out.bus, out.vendorId, out.productId)) {
        return false;
    }
    out.name = UeventValue(uevent, "HID_NAME");
    std::string descriptor;
    bool tooLarge = false;
    if (withDescriptor &&
        ReadFile(hidDir / "report_descriptor", descriptor, kMaxDescriptor, &tooLarge)) {
        out.descriptor.assign(descriptor.begin(), descriptor.end());
    } else if (withDescriptor) {
        out.descriptorProblem = tooLarge ? "report_descriptor is larger than " +
                                               std::to_string(kMaxDescriptor) + " bytes"
                                         : "report_descriptor cannot be read";
    }
    // The USB interface and device sit above the hid device; the walk stays
    // below the tree's sys directory so that a recorded tree is never left.
    const std::string top = sysRoot.string() + "/";
    for (fs::path dir = hidDir.parent_path(); dir.string().rfind(top, 0) == 0;
         dir = dir.parent_path()) {
        if (!out.interfaceNumber) {
            out.interfaceNumber = ReadHexAttribute(dir / "bInterfaceNumber");
        }
        if (const auto version = ReadHexAttribute(dir / "bcdDevice")) {
            out.version = *version;
            break;
        }
    }
    if (!out.interfaceNumber) {
        out.interfaceNumber = InterfaceFromPhys(UeventValue(uevent, "HID_PHYS"));
    }
    if (out.version == 0) {
        out.version = InputDeviceVersion(hidDir);
    }
    return true;
}

}  // namespace platform::hid::linux_hid
