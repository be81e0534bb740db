#include "shell/sim_commands.h"

#include <algorithm>
#include <charconv>
#include <memory>

#include "sim/device_view.h"
#include "sim/mouse_firmware.h"
#include "sim/sim_bus.h"

namespace app {
namespace {

std::string Ok(const std::vector<std::string>& lines) {
    std::string out = "ok";
    for (const std::string& line : lines) {
        out += "\n" + line;
    }
    return out;
}

std::string Error(const std::string& text) {
    return "error: " + text;
}

std::optional<unsigned> Number(const std::string& text, int base, unsigned max) {
    unsigned value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || ec != std::errc() || ptr != end || value > max) {
        return std::nullopt;
    }
    return value;
}

// "64 01 00", "64,01,00" or separate words: hex bytes.
std::optional<std::vector<uint8_t>> HexBytes(const std::vector<std::string>& words) {
    std::vector<uint8_t> bytes;
    for (const std::string& word : words) {
        std::string token;
        for (size_t i = 0; i <= word.size(); ++i) {
            if (i == word.size() || word[i] == ',' || word[i] == ' ') {
                if (!token.empty()) {
                    const std::optional<unsigned> byte = Number(token, 16, 0xFF);
                    if (!byte) {
                        return std::nullopt;
                    }
                    bytes.push_back(static_cast<uint8_t>(*byte));
                    token.clear();
                }
            } else {
                token.push_back(word[i]);
            }
        }
    }
    return bytes.empty() ? std::nullopt : std::optional(bytes);
}

std::string Memory(const sim::SimDevice& device, const std::string& kind,
                   const std::vector<std::string>& w) {
    const std::optional<sim::MemoryArea> area = sim::ParseMemoryArea(w[2]);
    if (!area || w.size() > 4 || (w.size() == 4 && *area != sim::MemoryArea::Colors)) {
        return Error("usage: sim memory KIND params|keys|leds|macros|colors [GROUP]");
    }
    const std::optional<unsigned> group = w.size() == 4 ? Number(w[3], 10, 255) : 0u;
    if (!group) {
        return Error("the colour group is a number");
    }
    const std::optional<std::vector<uint8_t>> bytes = device.firmware().Memory(*area, *group);
    if (!bytes) {
        return Error("the " + kind + " has no " +
                     (*area == sim::MemoryArea::Colors
                          ? "colour group " + std::to_string(*group)
                          : std::string(sim::MemoryAreaName(*area)) + " memory"));
    }
    return Ok(sim::HexDump(*bytes));
}

std::string Fault(sim::SimDevice& device, const std::vector<std::string>& w) {
    const std::optional<unsigned> count = w.size() == 4 ? Number(w[3], 10, 100000) : 1u;
    if (w.size() > 4 || !count || *count == 0) {
        return Error("the fault count is a number from 1");
    }
    sim::Fault fault;
    fault.count = static_cast<int>(*count);
    const std::string& what = w[2];
    auto* mouse = dynamic_cast<sim::SimMouse*>(&device.firmware());
    if (what == "clear") {
        device.ClearFaults();
        if (mouse != nullptr) {
            mouse->SetOutOfReach(false);
        }
        return Ok({});
    }
    if (what == "far") {
        // A mouse behind a slow link moved out of its receiver's reach: probes fail.
        if (mouse == nullptr) {
            return Error("only a mouse can be out of reach");
        }
        mouse->SetOutOfReach(true);
        return Ok({});
    }
    if (what == "noreply") {
        fault.type = sim::FaultType::NoReply;
    } else if (what == "late") {
        fault.type = sim::FaultType::LateReply;
        fault.delayMs = kLateReplyMs;
    } else if (what == "echo") {
        fault.type = sim::FaultType::WrongEcho;
    } else if (what == "ff" || what == "fe") {
        fault.type = sim::FaultType::Status;
        fault.status = what == "ff" ? sim::kStatusRejected : sim::kStatusOutOfRange;
    } else if (what == "unplug-mid") {
        // The device answers COUNT more requests and is gone at the next one.
        fault.type = sim::FaultType::UnplugAfter;
    } else {
        return Error("unknown fault \"" + what +
                     "\" (noreply, late, echo, ff, fe, unplug-mid, far or clear)");
    }
    device.InjectFault(fault);
    return Ok({});
}

std::string OnDevice(sim::SimBus& bus, const std::shared_ptr<sim::SimDevice>& device,
                     const std::string& kind, const std::vector<std::string>& w) {
    const std::string& verb = w[0];
    if (verb == "plug" && w.size() == 2) {
        if (!device) {
            std::vector<sim::DeviceKind> kinds;
            sim::ParseKinds(kind, kinds);
            bus.Add(kinds.front());
            return "ok plugged " + kind;
        }
        return bus.Plug(device) ? "ok plugged " + kind : Error(kind + " is already plugged in");
    }
    if (verb == "unplug" && w.size() == 2) {
        return device && bus.Unplug(device) ? "ok unplugged " + kind
                                            : Error(kind + " is not plugged in");
    }
    if (!device) {
        return Error("no " + kind + " on the simulated bus (sim plug " + kind + ")");
    }
    if (verb == "memory" && w.size() >= 3) {
        return Memory(*device, kind, w);
    }
    if (verb == "frames" && w.size() == 2) {
        return Ok(device->firmware().FrameLines());
    }
    if (verb == "log" && w.size() == 2) {
        return Ok(device->firmware().LogLines());
    }
    if (verb == "key" && w.size() == 4) {
        const std::optional<unsigned> position = Number(w[2], 10, 255);
        if (!position || (w[3] != "down" && w[3] != "up")) {
            return Error("usage: sim key KIND POSITION(0-255) down|up");
        }
        const auto p = static_cast<uint8_t>(*position);
        const bool sent = w[3] == "down" ? device->PressKey(p) : device->ReleaseKey(p);
        return sent ? Ok({}) : Error("the " + kind + " is unplugged or has no event interface");
    }
    if (verb == "sync" && w.size() == 2) {
        return device->RequestSync()
                   ? Ok({})
                   : Error("the " + kind + " is unplugged or has no event interface");
    }
    if (verb == "status" && w.size() >= 3) {
        const std::optional<std::vector<uint8_t>> bytes =
            HexBytes(std::vector<std::string>(w.begin() + 2, w.end()));
        if (!bytes) {
            return Error("the status record is given as hex bytes (64 01 00 ...)");
        }
        device->firmware().PokeStatus(0, *bytes);
        return Ok({});
    }
    if (verb == "fault" && w.size() >= 3) {
        return Fault(*device, w);
    }
    return Error("usage: sim " + verb + " … (see veldmarkctl sim)");
}

}  // namespace

std::string RunSimRequest(sim::SimBus& bus, const std::vector<std::string>& words) {
    static const std::vector<std::string> kVerbs = {"plug", "unplug", "memory", "frames", "log",
                                                    "key",  "sync",   "status", "fault"};
    if (words.empty() || std::find(kVerbs.begin(), kVerbs.end(), words[0]) == kVerbs.end()) {
        return Error("unknown sim command \"" + (words.empty() ? std::string() : words[0]) +
                     "\" (plug, unplug, select, memory, frames, log, key, sync, status, fault)");
    }
    std::vector<sim::DeviceKind> kinds;
    const std::string kind = words.size() > 1 ? words[1] : std::string();
    if (kind.find(',') != std::string::npos || !sim::ParseKinds(kind, kinds) || kinds.size() != 1) {
        return Error("unknown device kind \"" + kind +
                     "\" (known: keyboard, mouse, mousepad, headset)");
    }
    return OnDevice(bus, bus.Find(kinds.front()), kind, words);
}

}  // namespace app
