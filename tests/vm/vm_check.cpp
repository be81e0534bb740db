// The checks that run inside the test machine against devices the kernel
// presents through uhid (see uhid_devices.cpp): the hidraw backend's
// enumeration and identities, the discovery loop's slots, command exchanges
// and chunked transfers over real hidraw nodes, key events and sync requests
// routed to the event collection, the headset's output report, and unplug and
// replug seen through hot-plug events.
//
// Usage: vm_check <control-fifo> <reply-fifo>
// Prints one "PASS name" or "FAIL name: why" line per check and a closing
// "N passed, M failed" line; exits 1 when any check failed.

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "device/catalogue.h"
#include "device/device_channel.h"
#include "device/discovery.h"
#include "device/hid_device.h"
#include "device/slot_list.h"
#include "platform/hid/linux/linux_backend.h"
#include "sim/descriptors.h"
#include "sim/firmware.h"
#include "sim/sim_bus.h"

namespace {

using namespace std::chrono_literals;

int g_passed = 0;
int g_failed = 0;

void Check(const std::string& name, bool ok, const std::string& why = "") {
    if (ok) {
        ++g_passed;
        std::printf("PASS %s\n", name.c_str());
    } else {
        ++g_failed;
        std::printf("FAIL %s: %s\n", name.c_str(), why.c_str());
    }
    std::fflush(stdout);
}

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

// Talks to the uhid device program over its two FIFOs.
class DeviceControl {
  public:
    DeviceControl(const char* control, const char* reply)
        : m_out(::open(control, O_WRONLY | O_CLOEXEC)), m_in(::open(reply, O_RDONLY | O_CLOEXEC)) {}

    std::string Send(const std::string& line) {
        const std::string text = line + "\n";
        if (::write(m_out, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
            return "error write";
        }
        std::string answer;
        char c = 0;
        while (::read(m_in, &c, 1) == 1 && c != '\n') {
            answer += c;
        }
        return answer;
    }

  private:
    int m_out;
    int m_in;
};

class Recorder : public device::IDiscoveryListener {
  public:
    void OnSlotArrived(size_t slot) override { Add("+" + std::to_string(slot)); }
    void OnSlotRemoved(size_t slot) override { Add("-" + std::to_string(slot)); }
    void OnFirstPass() override { Add("first"); }

    bool Has(const std::string& event) {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_events.count(event) != 0;
    }
    void Clear() {
        std::lock_guard<std::mutex> guard(m_lock);
        m_events.clear();
    }

  private:
    void Add(const std::string& event) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_events.insert(event);
        std::printf("  discovery: %s\n", event.c_str());
    }
    std::mutex m_lock;
    std::set<std::string> m_events;
};

const platform::hid::CollectionEntry* FindEntry(
    const std::vector<platform::hid::CollectionEntry>& entries, uint16_t vid, uint16_t pid,
    uint16_t mi, uint16_t col) {
    for (const auto& e : entries) {
        if (e.identity.vendorId == vid && e.identity.productId == pid &&
            e.identity.interfaceNumber == mi && e.identity.collectionNumber == col) {
            return &e;
        }
    }
    return nullptr;
}

void CheckEnumeration(platform::hid::HidBackend& backend) {
    std::vector<platform::hid::CollectionEntry> entries;
    const bool ready = WaitFor(
        [&] {
            backend.Enumerate(entries);
            return FindEntry(entries, 0x0627, 0x0001, 0, 0) != nullptr &&
                   FindEntry(entries, 0x0D8C, 0x01DA, 3, 0) != nullptr &&
                   FindEntry(entries, 0x0C45, 0x6627, 1, 4) != nullptr &&
                   FindEntry(entries, 0x0C45, 0x7666, 1, 4) != nullptr;
        },
        10000ms);
    Check("enumeration finds the four devices", ready);
    for (const auto& e : entries) {
        std::printf("  %s page %04x usage %04x version %04x\n", e.path.c_str(),
                    e.identity.usagePage, e.identity.usage, e.identity.version);
    }
    struct Expected {
        uint16_t vid, pid, mi, col, page, usage, version;
        const char* suffix;
    };
    const Expected expected[] = {
        {0x0C45, 0x7666, 1, 1, 0x0001, 0x0006, 0x0105, "&vid_0c45&pid_7666&mi_01&col01"},
        {0x0C45, 0x7666, 1, 2, 0x0001, 0x0080, 0x0105, "&vid_0c45&pid_7666&mi_01&col02"},
        {0x0C45, 0x7666, 1, 3, 0x000C, 0x0001, 0x0105, "&vid_0c45&pid_7666&mi_01&col03"},
        {0x0C45, 0x7666, 1, 4, 0xFF1C, 0x0092, 0x0105, "&vid_0c45&pid_7666&mi_01&col04"},
        {0x0C45, 0x6627, 1, 3, 0x000C, 0x0001, 0x0101, "&vid_0c45&pid_6627&mi_01&col03"},
        {0x0C45, 0x6627, 1, 4, 0xFF1C, 0x0092, 0x0101, "&vid_0c45&pid_6627&mi_01&col04"},
        {0x0D8C, 0x01DA, 3, 0, 0x000C, 0x0001, 0x0100, "&vid_0d8c&pid_01da&mi_03"},
    };
    // The machine's own USB keyboard (QEMU's usb-kbd under xhci) has a real USB
    // interface and device above it.
    const auto* usb = FindEntry(entries, 0x0627, 0x0001, 0, 0);
    Check("a real USB keyboard's identity from its USB interface and device",
          usb != nullptr && usb->path.ends_with("&vid_0627&pid_0001&mi_00") &&
              usb->identity.usagePage == 0x0001 && usb->identity.usage == 0x0006 &&
              usb->identity.version != 0,
          usb != nullptr ? usb->path : "missing");
    for (const auto& x : expected) {
        const auto* e = FindEntry(entries, x.vid, x.pid, x.mi, x.col);
        const bool ok = e != nullptr && e->identity.usagePage == x.page &&
                        e->identity.version == x.version && e->identity.usage == x.usage &&
                        e->path.starts_with("/dev/hidraw") && e->path.ends_with(x.suffix);
        Check(std::string("identity and path ") + x.suffix, ok, e ? e->path : "missing");
    }
}

void CheckCommands(platform::hid::HidBackend& backend, const std::string& path) {
    CDeviceChannel channel(backend);
    Check("command channel opens", channel.OpenInterface(path, device::kKindKeyboard), path);
    const auto factory = sim::MakeFirmware(sim::DeviceKind::Keyboard);
    std::vector<uint8_t> info(34);
    const int infoResult = channel.ReadDeviceInfo(info);
    auto expectedInfo = factory->DeviceInfo();
    expectedInfo[6] = 0x48;
    Check("device information over hidraw",
          infoResult == 1 && std::equal(info.begin(), info.end(), expectedInfo.begin()),
          "result " + std::to_string(infoResult));

    std::vector<uint8_t> table(channel.BlockSize());
    const int tableResult = channel.ReadKeyTable(table);
    const auto expectedTable = factory->KeyTable();
    Check("key table read in ten chunks",
          tableResult == 1 && expectedTable.size() >= table.size() &&
              std::equal(table.begin(), table.end(), expectedTable.begin()),
          "result " + std::to_string(tableResult));

    std::vector<uint8_t> written(57);
    for (size_t i = 0; i < written.size(); ++i) {
        written[i] = static_cast<uint8_t>(i * 7 + 1);
    }
    std::vector<uint8_t> readBack(written.size());
    const int w = channel.BeginWrite();
    const int p = channel.WriteParameters(written, 0);
    const int e = channel.EndWrite();
    const int r = channel.ReadParameters(readBack, 0);
    Check("57-byte parameter write reads back",
          w == 1 && p == 1 && e == 1 && r == 1 && readBack == written,
          std::to_string(w) + " " + std::to_string(p) + " " + std::to_string(e) + " " +
              std::to_string(r));
    channel.CloseInterface();
}

// A reply the device cuts short travels through the kernel as it is and is a
// failed exchange, never a success read from zeros.
void CheckShortReply(platform::hid::HidBackend& backend, DeviceControl& control,
                     const std::string& path) {
    CDeviceChannel channel(backend);
    Check("command channel opens for the short reply", channel.OpenInterface(path, 1), path);
    Check("short reply armed", control.Send("short keyboard 1") == "ok");
    std::vector<uint8_t> bytes(8, 0x11);
    const int cut = channel.ReadParameters(bytes, 0);
    Check("a 32-byte reply fails the exchange", cut == 0 && bytes == std::vector<uint8_t>(8, 0x11),
          "result " + std::to_string(cut));
    const int next = channel.ReadParameters(bytes, 0);
    Check("the next whole reply succeeds", next == 1, "result " + std::to_string(next));
    channel.CloseInterface();
}

// Key events and sync requests arrive on the event collection only, while the
// command collection of the same node keeps its replies.
void CheckEvents(platform::hid::HidBackend& backend, DeviceControl& control,
                 const std::string& eventPath, const std::string& commandPath) {
    CHidDevice events(backend);
    Check("event collection opens for reading", events.Open(eventPath, true, false, true, false));
    CDeviceChannel channel(backend);
    const bool commandOpen = channel.OpenInterface(commandPath, device::kKindKeyboard);
    const auto factory = sim::MakeFirmware(sim::DeviceKind::Keyboard);
    struct Case {
        const char* command;
        uint16_t usage;
    };
    for (const Case c : {Case{"press keyboard 5", 0x505}, Case{"release keyboard 5", 0x605},
                         Case{"sync keyboard", 0x401}}) {
        sim::InputReport expected;
        factory->EventReport(c.usage, expected);
        const std::string answer = control.Send(c.command);
        std::vector<uint8_t> report(64);
        size_t got = 0;
        const bool read = events.Read(report, 1000, got);
        report.resize(got);
        Check(std::string("event report for \"") + c.command + "\"",
              answer == "ok" && read && report == expected.bytes, answer);
    }
    std::vector<uint8_t> info(34);
    Check("command replies stay on the command collection",
          commandOpen && channel.ReadDeviceInfo(info) == 1);
    std::vector<uint8_t> stray(64);
    size_t got = 0;
    Check("no command reply reaches the event collection", !events.Read(stray, 200, got),
          "read " + std::to_string(got) + " bytes");
    channel.CloseInterface();
    events.Close();
}

void CheckHeadsetOutput(platform::hid::HidBackend& backend, DeviceControl& control,
                        const std::string& path) {
    CHidDevice headset(backend);
    const bool open = headset.Open(path, true, true, true, false);
    // Target 0x22, LEDs 0-6 of the first plane, values within the device's range.
    std::vector<uint8_t> led(sim::kHeadsetLedReportSize, 0);
    led[0] = sim::kHeadsetLedReportId;
    led[1] = 0x22;
    led[2] = 0xAA;
    for (size_t i = 4; i < 11; ++i) {
        led[i] = static_cast<uint8_t>(i * 20);
    }
    const bool sent = open && headset.SetOutputReport(led);
    std::string hex = "ok ";
    char two[4];
    for (uint8_t b : led) {
        std::snprintf(two, sizeof two, "%02x", b);
        hex += two;
    }
    const std::string last = control.Send("led headset");
    Check("headset LED report through the control pipe", sent && last == hex, last);
    const std::string stats = control.Send("stats headset");
    Check("the headset saw no protocol violation", stats.ends_with("violations=none"), stats);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <control-fifo> <reply-fifo>\n", argv[0]);
        return 2;
    }
    DeviceControl control(argv[1], argv[2]);
    auto backend = platform::hid::MakeLinuxBackend();
    CheckEnumeration(*backend);

    device::CSlotList slots;
    Recorder recorder;
    device::CDeviceDiscovery discovery(*backend, slots, recorder);
    discovery.Start();
    const bool arrived = WaitFor(
        [&] {
            return recorder.Has("first") && recorder.Has("+0") && recorder.Has("+1") &&
                   recorder.Has("+4") && recorder.Has("+5") && recorder.Has("+6");
        },
        3000ms);
    Check("discovery fills slots 0, 1, 4, 5 and 6", arrived);
    const std::string commandPath = slots.Get(0)->path;
    const std::string eventPath = slots.Get(1)->path;
    Check("slot 0 holds the keyboard's collection 4", commandPath.ends_with("&mi_01&col04"),
          commandPath);
    Check("slot 6 holds the headset without a collection part",
          slots.Get(6)->path.ends_with("&vid_0d8c&pid_01da&mi_03"), slots.Get(6)->path);

    const uint64_t enumerations = discovery.Stats().enumerations.load();
    const uint64_t generation = backend->Generation();
    std::this_thread::sleep_for(1000ms);
    Check("the hot-plug watch stays still while nothing changes",
          backend->Generation() == generation);
    const uint64_t idle = discovery.Stats().enumerations.load() - enumerations;
    Check("no enumeration while nothing is plugged or unplugged", idle == 0,
          std::to_string(idle) + " enumerations in 1 s");

    CheckCommands(*backend, commandPath);
    CheckShortReply(*backend, control, commandPath);
    CheckEvents(*backend, control, eventPath, commandPath);
    CheckHeadsetOutput(*backend, control, slots.Get(6)->path);
    const std::string stats = control.Send("stats keyboard");
    Check("the keyboard saw no protocol violation", stats.ends_with("violations=none"), stats);

    CDeviceChannel held(*backend);
    const bool heldOpen = held.OpenInterface(commandPath, device::kKindKeyboard);
    recorder.Clear();
    const uint64_t before = backend->Generation();
    Check("unplug", control.Send("unplug keyboard") == "ok");
    Check("the hot-plug watch saw the unplug",
          WaitFor([&] { return backend->Generation() != before; }, 1000ms));
    Check("unplug reported as removal of slots 0 and 1",
          WaitFor([&] { return recorder.Has("-0") && recorder.Has("-1"); }, 1000ms));
    std::vector<uint8_t> info(34);
    Check("a channel opened before the unplug fails", heldOpen && held.ReadDeviceInfo(info) != 1);
    held.CloseInterface();
    const uint64_t unplugged = backend->Generation();
    Check("replug", control.Send("plug keyboard") == "ok");
    Check("the hot-plug watch saw the replug",
          WaitFor([&] { return backend->Generation() != unplugged; }, 1000ms));
    Check("replug found again in slots 0 and 1",
          WaitFor([&] { return recorder.Has("+0") && recorder.Has("+1"); }, 3000ms));
    CDeviceChannel again(*backend);
    const bool reopened = again.OpenInterface(slots.Get(0)->path, device::kKindKeyboard);
    Check("the replugged keyboard answers", reopened && again.ReadDeviceInfo(info) == 1);
    again.CloseInterface();
    discovery.Stop();

    std::printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}
