// Presents simulated devices to the kernel through /dev/uhid, so that the
// kernel's hid core, hid-generic and hidraw see them as real USB HID
// interfaces: one uhid device per HID interface, with the firmware's report
// descriptors, and every output report answered by the same firmware emulator
// the virtual bus uses.
//
// uhid has no USB parent, so the interface number travels in the physical
// path's "/inputN" suffix, where the hidraw backend looks for it.
//
// Usage: vm_uhid_devices <control-fifo> <reply-fifo> <kind>...
// Kinds: keyboard, mouse, mousepad, headset, and otherN for a device that is
// not in the catalogue.
// Control lines (one reply line each, "ok ..." or "error ..."):
//   plug <kind> | unplug <kind> | press <kind> <position> | release <kind> <position>
//   sync <kind> | stats <kind> | last <kind> | led <kind> | quit
//   short <kind> <n>   the next n command replies are cut to 32 bytes

#include <fcntl.h>
#include <linux/uhid.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "sim/descriptors.h"
#include "sim/firmware.h"
#include "sim/headset_firmware.h"
#include "sim/sim_bus.h"

namespace {

constexpr uint32_t kBusUsb = 0x03;

struct UhidInterface {
    int number = 0;
    int fd = -1;
};

struct PresentedDevice {
    std::string name;
    std::unique_ptr<sim::Firmware> firmware;
    std::vector<UhidInterface> interfaces;
    bool plugged = false;
    int shortReplies = 0;  // command replies still to be cut short
};

constexpr size_t kShortReplyBytes = 32;

bool WriteEvent(int fd, const uhid_event& event) {
    return ::write(fd, &event, sizeof event) == static_cast<ssize_t>(sizeof event);
}

int CreateInterface(const PresentedDevice& device, const sim::InterfaceSpec& spec) {
    const int fd = ::open("/dev/uhid", O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        std::perror("open /dev/uhid");
        return -1;
    }
    uhid_event event{};
    event.type = UHID_CREATE2;
    auto& create = event.u.create2;
    std::snprintf(reinterpret_cast<char*>(create.name), sizeof create.name, "Veldmark test %s",
                  device.name.c_str());
    std::snprintf(reinterpret_cast<char*>(create.phys), sizeof create.phys,
                  "veldmark-vm-%s/input%d", device.name.c_str(), spec.number);
    std::snprintf(reinterpret_cast<char*>(create.uniq), sizeof create.uniq, "VM%04X",
                  device.firmware->ProductId());
    create.rd_size = static_cast<uint16_t>(spec.descriptor.size());
    create.bus = kBusUsb;
    create.vendor = device.firmware->VendorId();
    create.product = device.firmware->ProductId();
    create.version = device.firmware->Version();
    std::memcpy(create.rd_data, spec.descriptor.data(), spec.descriptor.size());
    if (!WriteEvent(fd, event)) {
        std::perror("UHID_CREATE2");
        ::close(fd);
        return -1;
    }
    return fd;
}

bool Plug(PresentedDevice& device) {
    if (device.plugged) {
        return true;
    }
    for (const auto& spec : device.firmware->Interfaces()) {
        const int fd = CreateInterface(device, spec);
        if (fd < 0) {
            return false;
        }
        device.interfaces.push_back({spec.number, fd});
    }
    device.plugged = true;
    return true;
}

void Unplug(PresentedDevice& device) {
    for (auto& iface : device.interfaces) {
        uhid_event event{};
        event.type = UHID_DESTROY;
        WriteEvent(iface.fd, event);
        ::close(iface.fd);
    }
    device.interfaces.clear();
    device.plugged = false;
}

void SendInput(PresentedDevice& device, const sim::InputReport& report) {
    for (const auto& iface : device.interfaces) {
        if (iface.number != report.interfaceNumber) {
            continue;
        }
        uhid_event event{};
        event.type = UHID_INPUT2;
        event.u.input2.size = static_cast<uint16_t>(report.bytes.size());
        std::memcpy(event.u.input2.data, report.bytes.data(), report.bytes.size());
        WriteEvent(iface.fd, event);
    }
}

// Output reports reach the device either as interrupt transfers (UHID_OUTPUT)
// or through the control pipe (UHID_SET_REPORT, which the kernel waits for).
void ServeInterface(PresentedDevice& device, const UhidInterface& iface) {
    uhid_event event{};
    if (::read(iface.fd, &event, sizeof event) <= 0) {
        return;
    }
    std::vector<sim::InputReport> replies;
    if (event.type == UHID_OUTPUT) {
        device.firmware->HandleOutput(iface.number, event.u.output.data, event.u.output.size,
                                      replies);
    } else if (event.type == UHID_SET_REPORT) {
        const auto request = event.u.set_report;
        uint16_t err = EIO;
        if (request.rtype == UHID_OUTPUT_REPORT &&
            device.firmware->HandleOutput(iface.number, request.data, request.size, replies) ==
                sim::Firmware::Accept::Taken) {
            err = 0;
        }
        uhid_event answer{};
        answer.type = UHID_SET_REPORT_REPLY;
        answer.u.set_report_reply.id = request.id;
        answer.u.set_report_reply.err = err;
        WriteEvent(iface.fd, answer);
    } else if (event.type == UHID_GET_REPORT) {
        uhid_event answer{};
        answer.type = UHID_GET_REPORT_REPLY;
        answer.u.get_report_reply.id = event.u.get_report.id;
        answer.u.get_report_reply.err = EIO;
        WriteEvent(iface.fd, answer);
    }
    for (auto& reply : replies) {
        if (device.shortReplies > 0 &&
            reply.interfaceNumber == device.firmware->CommandInterface() && !reply.bytes.empty() &&
            reply.bytes[0] == sim::kCommandReportId) {
            --device.shortReplies;
            reply.bytes.resize(kShortReplyBytes);
        }
        SendInput(device, reply);
    }
}

// A keyboard-and-mouse receiver of some other maker ("other1", "other2", ...):
// present on a typical desk, but in no row of the catalogue.
std::unique_ptr<sim::Firmware> UnsupportedDevice(const std::string& name) {
    sim::FirmwareLayout layout;
    layout.vendorId = 0x1234;
    layout.productId = static_cast<uint16_t>(0x5600 + std::atoi(name.c_str() + 5));
    layout.version = 0x0200;
    layout.interfaces = {{0, sim::BootKeyboardDescriptor(), {}},
                         {1, sim::BootMouseDescriptor(), {}}};
    layout.commandInterface = -1;
    return std::make_unique<sim::Firmware>(std::move(layout));
}

std::string Hex(const std::vector<uint8_t>& bytes) {
    std::string out;
    char two[4];
    for (uint8_t b : bytes) {
        std::snprintf(two, sizeof two, "%02x", b);
        out += two;
    }
    return out;
}

class Daemon {
  public:
    bool Add(const std::string& name) {
        std::vector<sim::DeviceKind> kinds;
        std::unique_ptr<sim::Firmware> firmware;
        if (name.starts_with("other")) {
            firmware = UnsupportedDevice(name);
        } else if (sim::ParseKinds(name, kinds) && kinds.size() == 1) {
            firmware = sim::MakeFirmware(kinds[0]);
        } else {
            return false;
        }
        auto& device = m_devices[name];
        device.name = name;
        device.firmware = std::move(firmware);
        return Plug(device);
    }

    std::string Command(const std::string& line, bool& quit) {
        std::istringstream in(line);
        std::string verb, name;
        int position = -1;
        in >> verb >> name >> position;
        if (verb == "quit") {
            quit = true;
            return "ok";
        }
        const auto found = m_devices.find(name);
        if (found == m_devices.end()) {
            return "error unknown device " + name;
        }
        return Apply(verb, found->second, position);
    }

    void Serve(int controlFd, int replyFd) {
        std::string pending;
        for (bool quit = false; !quit;) {
            std::vector<pollfd> fds{{controlFd, POLLIN, 0}};
            std::vector<std::pair<PresentedDevice*, UhidInterface>> owners{{nullptr, {}}};
            for (auto& [name, device] : m_devices) {
                for (const auto& iface : device.interfaces) {
                    fds.push_back({iface.fd, POLLIN, 0});
                    owners.emplace_back(&device, iface);
                }
            }
            if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) {
                return;
            }
            for (size_t i = 1; i < fds.size(); ++i) {
                if (fds[i].revents & POLLIN) {
                    ServeInterface(*owners[i].first, owners[i].second);
                }
            }
            if (fds[0].revents & POLLIN) {
                char buffer[256];
                const ssize_t n = ::read(controlFd, buffer, sizeof buffer);
                pending.append(buffer, n > 0 ? static_cast<size_t>(n) : 0);
                for (size_t end; !quit && (end = pending.find('\n')) != std::string::npos;) {
                    const std::string reply = Command(pending.substr(0, end), quit) + "\n";
                    pending.erase(0, end + 1);
                    [[maybe_unused]] const ssize_t w = ::write(replyFd, reply.data(), reply.size());
                }
            }
        }
        for (auto& [name, device] : m_devices) {
            Unplug(device);
        }
    }

  private:
    std::string Apply(const std::string& verb, PresentedDevice& device, int position) {
        if (verb == "plug") {
            return Plug(device) ? "ok" : "error plug failed";
        }
        if (verb == "unplug") {
            Unplug(device);
            return "ok";
        }
        if (verb == "short") {
            if (position < 0) {
                return "error short needs a count";
            }
            device.shortReplies = position;
            return "ok";
        }
        if (verb == "stats") {
            return "ok requests=" + std::to_string(device.firmware->RequestCount()) +
                   " violations=" + device.firmware->Violations().Describe();
        }
        if (verb == "last") {
            const auto log = device.firmware->RequestLog();
            return log.empty() ? "error nothing received" : "ok " + Hex(log.back().bytes);
        }
        if (verb == "led") {
            const auto* headset = dynamic_cast<const sim::SimHeadset*>(device.firmware.get());
            const std::vector<std::vector<uint8_t>> reports =
                headset != nullptr ? headset->LedReports() : std::vector<std::vector<uint8_t>>{};
            return reports.empty() ? "error no LED report" : "ok " + Hex(reports.back());
        }
        uint16_t usage = 0;
        if (verb == "sync") {
            usage = sim::kUsageSyncRequest;
        } else if ((verb == "press" || verb == "release") && position >= 0 && position < 256) {
            usage = static_cast<uint16_t>(
                (verb == "press" ? sim::kUsageKeyPressBase : sim::kUsageKeyReleaseBase) + position);
        } else {
            return "error bad command " + verb;
        }
        sim::InputReport report;
        if (!device.plugged || !device.firmware->EventReport(usage, report)) {
            return "error no event interface";
        }
        SendInput(device, report);
        return "ok";
    }

    std::map<std::string, PresentedDevice> m_devices;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <control-fifo> <reply-fifo> <kind>...\n", argv[0]);
        return 2;
    }
    // Opened read-write so that neither end ever sees end-of-file between clients.
    const int controlFd = ::open(argv[1], O_RDWR | O_CLOEXEC);
    const int replyFd = ::open(argv[2], O_RDWR | O_CLOEXEC);
    if (controlFd < 0 || replyFd < 0) {
        std::perror("open fifo");
        return 1;
    }
    Daemon daemon;
    for (int i = 3; i < argc; ++i) {
        if (!daemon.Add(argv[i])) {
            std::fprintf(stderr, "cannot present %s\n", argv[i]);
            return 1;
        }
    }
    std::printf("uhid devices ready\n");
    std::fflush(stdout);
    daemon.Serve(controlFd, replyFd);
    return 0;
}
