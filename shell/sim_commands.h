#pragma once
// The `sim` requests of the instance endpoint that act on the simulated bus
// itself: plugging devices, looking into their memory, frames and command
// log, and what a device does by itself (a key, a settings request, a status
// change, a fault). Every device kind is reached through its firmware's
// FirmwareView, so a firmware that gains memory shows it here unchanged.
//
//   plug|unplug KIND
//   memory KIND params|keys|leds|macros|colors [GROUP]   hex dump, 16 bytes a line
//   frames KIND                     "frames: N", then the last frame, "r g b" a line
//   log KIND                        commands by code, writes outside a bracket, violations
//   key KIND POSITION down|up       a key event on the event interface
//   sync KIND                       a settings-changed request (usage 0x401)
//   status KIND BYTE...             the status record (ReadBytes memory), hex bytes
//   fault KIND noreply|late|echo|ff|fe|unplug-mid|clear [COUNT]
//
// Replies as the instance endpoint gives them: "ok" with lines, or "error: "
// and one line. Threads: any (the bus is safe from every thread).

#include <string>
#include <vector>

namespace sim {
class SimBus;
}

namespace app {

// The late reply comes this long after the channel has stopped waiting.
inline constexpr int kLateReplyMs = 1500;

// `words` are the words after "sim" ("select" is the window's, not handled here).
std::string RunSimRequest(sim::SimBus& bus, const std::vector<std::string>& words);

}  // namespace app
