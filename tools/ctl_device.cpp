#include "tools/ctl_device.h"

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <ostream>
#include <thread>

#include "device/catalogue.h"
#include "device/device_channel.h"
#include "device/discovery.h"
#include "device/hid_identity.h"
#include "tools/backend_choice.h"
#include "tools/ctl_udev.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

std::string Hex4(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%04x", value);
    return text;
}

// A listener for one synchronous pass: records nothing, prints nothing.
class QuietListener : public device::IDiscoveryListener {
  public:
    void OnSlotArrived(size_t) override {}
    void OnSlotRemoved(size_t) override {}
    void OnFirstPass() override {}
};

// Fills slots with one discovery pass, as the program does at start-up.
void DiscoverOnce(platform::hid::HidBackend& backend, device::CSlotList& slots) {
    QuietListener listener;
    device::CDeviceDiscovery discovery(backend, slots, listener);
    discovery.RunPass();
}

std::string DescribeSlot(const device::InterfaceRecord& slot, size_t index) {
    return "slot " + std::to_string(index) + " (" + device::KindName(slot.kind) + ", " +
           device::RoleName(slot.role) + " interface)";
}

std::string DescribePlace(const device::CSlotList& slots, const std::string& path,
                          const device::InterfaceRecord& identity) {
    const std::vector<device::InterfaceRecord> all = slots.Snapshot();
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i].connected != 0 && all[i].path == path) {
            return DescribeSlot(all[i], i);
        }
    }
    const int row = device::FindInterfaceRow(identity, device::RowMatch::Collection);
    if (row >= 0) {
        return "catalogue row " + std::to_string(row) + ", but no free slot";
    }
    return "not in the catalogue";
}

bool ParseKindName(const std::string& name, std::vector<uint16_t>& kinds) {
    if (name == "keyboard") {
        kinds = {device::kKindKeyboard};
    } else if (name == "mouse") {
        kinds = {device::kKindMouse, device::kKindSlowMouse};
    } else if (name == "mousepad") {
        kinds = {device::kKindMousePad};
    } else if (name == "headset") {
        kinds = {device::kKindHeadset};
    } else {
        return false;
    }
    return true;
}

int FindCommandSlot(const device::CSlotList& slots, const std::vector<uint16_t>& kinds) {
    const std::vector<device::InterfaceRecord> all = slots.Snapshot();
    for (size_t i = 0; i < all.size(); ++i) {
        for (const uint16_t kind : kinds) {
            if (all[i].connected != 0 && all[i].kind == kind &&
                all[i].role == device::kRoleCommand) {
                return static_cast<int>(i);
            }
        }
    }
    return -1;
}

const char* ResultText(int result) {
    switch (result) {
        case channel_result::kNoReply:
            return "no reply (or the channel is not open)";
        case channel_result::kWriteFailed:
            return "the request could not be written";
        case channel_result::kStatusFF:
            return "the device answered status 0xFF";
        case channel_result::kStatusFE:
            return "the device answered status 0xFE";
        default:
            return "unexpected result";
    }
}

void PrintHexRecord(std::ostream& out, const uint8_t* bytes, size_t size) {
    for (size_t row = 0; row < size; row += 16) {
        char line[80];
        int used = std::snprintf(line, sizeof line, "  %02zx:", row);
        for (size_t i = row; i < size && i < row + 16; ++i) {
            used += std::snprintf(line + used, sizeof line - static_cast<size_t>(used), " %02x",
                                  bytes[i]);
        }
        out << line << '\n';
    }
}

void PrintDecodedInfo(std::ostream& out, const uint8_t* info, uint16_t kind) {
    out << "  key positions (byte 5): " << int{info[5]} << '\n';
    out << "  macro memory (byte 6): " << int{info[6]} << " x 128 = " << info[6] * 128
        << " bytes\n";
    if (kind == device::kKindMouse || kind == device::kKindSlowMouse) {
        out << "  sensitivity units per step (byte 11): " << int{info[11]} << '\n';
        out << "  sensitivity steps (bytes 12-13): " << (info[12] | info[13] << 8) << '\n';
        out << "  minimum sensitivity (bytes 14-15): " << (info[14] | info[15] << 8) << '\n';
    }
}

void PrintInterface(std::ostream& out, CHidDevice& hid) {
    const HidAttributes& attributes = hid.Attributes();
    const HidCaps& caps = hid.Caps();
    out << "  vendor " << Hex4(attributes.vendorId) << " product " << Hex4(attributes.productId)
        << " version " << Hex4(attributes.versionNumber) << ", usage page " << Hex4(caps.usagePage)
        << " usage " << Hex4(caps.usage) << '\n';
    out << "  reports: input " << caps.inputReportByteLength << ", output "
        << caps.outputReportByteLength << ", feature " << caps.featureReportByteLength
        << " bytes\n";
}

bool ParseSeconds(const std::vector<std::string>& args, int& seconds, std::string& problem) {
    seconds = -1;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string value;
        if (args[i] == "--seconds" && i + 1 < args.size()) {
            value = args[++i];
        } else if (args[i].starts_with("--seconds=")) {
            value = args[i].substr(10);
        } else {
            problem = "unexpected argument \"" + args[i] + "\"";
            return false;
        }
        char* end = nullptr;
        const long n = std::strtol(value.c_str(), &end, 10);
        if (value.empty() || *end != '\0' || n < 0 || n > 86400) {
            problem = "--seconds needs a whole number from 0 to 86400, not \"" + value + "\"";
            return false;
        }
        seconds = static_cast<int>(n);
    }
    return true;
}

// Prints the discovery loop's notifications as they come, from its thread.
class PrintingListener : public device::IDiscoveryListener {
  public:
    PrintingListener(std::ostream& out, const device::CSlotList& slots)
        : m_out(out), m_slots(slots), m_start(std::chrono::steady_clock::now()) {}

    void OnSlotArrived(size_t slot) override {
        const auto record = m_slots.Get(slot);
        Print("arrived " + DescribeSlot(*record, slot) + " " + record->path);
    }
    void OnSlotRemoved(size_t slot) override {
        const auto record = m_slots.Get(slot);
        Print("removed " + DescribeSlot(*record, slot));
    }
    void OnFirstPass() override { Print("first pass complete"); }

  private:
    void Print(const std::string& text) {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - m_start)
                            .count();
        std::lock_guard<std::mutex> lock(m_mutex);
        m_out << "[" << ms << " ms] " << text << std::endl;
    }

    std::ostream& m_out;
    const device::CSlotList& m_slots;
    const std::chrono::steady_clock::time_point m_start;
    std::mutex m_mutex;
};

std::atomic<bool> g_interrupted{false};

extern "C" void OnInterrupt(int) {
    g_interrupted.store(true);
}

template <typename Body>
int WithBackend(std::ostream& err, Body body) {
    HidBackendChoice choice = ChooseHidBackendFromEnvironment();
    if (!choice.backend) {
        err << "veldmarkctl: " << choice.error << '\n';
        return kExitFailed;
    }
    return body(*choice.backend);
}

}  // namespace

int ListCollections(platform::hid::HidBackend& backend, std::ostream& out, std::ostream& err) {
    std::vector<platform::hid::CollectionEntry> entries;
    if (!backend.Enumerate(entries)) {
        err << "veldmarkctl: listing the HID collections failed (" << backend.Name()
            << " backend)\n";
        return kExitFailed;
    }
    device::CSlotList slots;
    DiscoverOnce(backend, slots);
    const device::MouseIdentityRead& mouse = CurrentMouseIdentity();
    out << device::DescribeMouseIdentity(mouse) << '\n';
    for (const std::string& refused : mouse.refused) {
        err << "veldmarkctl: not used: " << refused << '\n';
    }
    out << entries.size() << " HID collection(s) on the " << backend.Name() << " backend\n";
    for (const platform::hid::CollectionEntry& entry : entries) {
        device::InterfaceRecord identity = device::ParsePathIdentity(entry.path);
        identity.vendorId = entry.identity.vendorId;
        identity.productId = entry.identity.productId;
        identity.usagePage = entry.identity.usagePage;
        identity.usage = entry.identity.usage;
        out << entry.path << '\n'
            << "  vid " << Hex4(identity.vendorId) << " pid " << Hex4(identity.productId)
            << " interface " << identity.interfaceNumber << " collection "
            << identity.collectionNumber << " usage " << Hex4(identity.usagePage) << ":"
            << Hex4(identity.usage) << " -> " << DescribePlace(slots, entry.path, identity) << '\n';
    }
    ExplainInaccessibleDevices(backend, err);
    return kExitOk;
}

int ShowDeviceInfo(platform::hid::HidBackend& backend, const std::string& kindName,
                   std::ostream& out, std::ostream& err) {
    std::vector<uint16_t> kinds;
    if (!ParseKindName(kindName, kinds)) {
        err << "veldmarkctl info: unknown device \"" << kindName
            << "\" (use keyboard, mouse, mousepad or headset)\n";
        return kExitUsage;
    }
    device::CSlotList slots;
    DiscoverOnce(backend, slots);
    const int index = FindCommandSlot(slots, kinds);
    if (index < 0) {
        err << "veldmarkctl info: no " << kindName << " is connected\n";
        ExplainInaccessibleDevices(backend, err);
        return kExitFailed;
    }
    const device::InterfaceRecord slot = *slots.Get(static_cast<size_t>(index));
    CDeviceChannel channel(backend);
    if (!channel.OpenInterface(slot.path, slot.kind)) {
        err << "veldmarkctl info: cannot open " << slot.path << '\n';
        return kExitFailed;
    }
    std::array<uint8_t, CDeviceChannel::kDeviceInfoSize> info{};
    const int result = channel.ReadDeviceInfo(info);
    out << kindName << ": " << DescribeSlot(slot, static_cast<size_t>(index)) << '\n'
        << "  " << slot.path << '\n';
    PrintInterface(out, channel.Hid());
    channel.CloseInterface();
    if (result != channel_result::kOk) {
        err << "veldmarkctl info: reading the device information failed: " << ResultText(result)
            << " (result " << result << ")\n";
        return kExitFailed;
    }
    out << "device information (" << info.size() << " bytes):\n";
    PrintHexRecord(out, info.data(), info.size());
    PrintDecodedInfo(out, info.data(), slot.kind);
    return kExitOk;
}

int WatchDevices(platform::hid::HidBackend& backend, int seconds, const std::atomic<bool>& stop,
                 std::ostream& out, std::ostream&) {
    device::CSlotList slots;
    PrintingListener listener(out, slots);
    device::CDeviceDiscovery discovery(backend, slots, listener);
    discovery.Start();
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!stop.load() && (seconds < 0 || std::chrono::steady_clock::now() < end)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    discovery.Stop();
    return kExitOk;
}

int RunListCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (!args.empty()) {
        err << "veldmarkctl list: takes no arguments\n";
        return kExitUsage;
    }
    return WithBackend(err, [&](platform::hid::HidBackend& backend) {
        return ListCollections(backend, out, err);
    });
}

int RunInfoCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 1) {
        err << "usage: veldmarkctl info <keyboard|mouse|mousepad|headset>\n";
        return kExitUsage;
    }
    std::vector<uint16_t> kinds;
    if (!ParseKindName(args[0], kinds)) {
        err << "veldmarkctl info: unknown device \"" << args[0]
            << "\" (use keyboard, mouse, mousepad or headset)\n";
        return kExitUsage;
    }
    return WithBackend(err, [&](platform::hid::HidBackend& backend) {
        return ShowDeviceInfo(backend, args[0], out, err);
    });
}

int RunWatchCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    int seconds = -1;
    std::string problem;
    if (!ParseSeconds(args, seconds, problem)) {
        err << "veldmarkctl watch: " << problem << "\nusage: veldmarkctl watch [--seconds N]\n";
        return kExitUsage;
    }
    return WithBackend(err, [&](platform::hid::HidBackend& backend) {
        std::signal(SIGINT, OnInterrupt);
        std::signal(SIGTERM, OnInterrupt);
        return WatchDevices(backend, seconds, g_interrupted, out, err);
    });
}
