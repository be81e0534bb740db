#pragma once
// veldmarkctl sim: the simulated devices of the running application (started
// with VELDMARK_HID=sim), through its instance endpoint:
//   sim plug|unplug|select KIND
//   sim memory KIND params|keys|leds|macros|colors [GROUP]   hex dump, 16 bytes a line
//   sim frames KIND                  "frames: N", then the last frame, "r g b" per LED
//                                    (headset: each target's planes)
//   sim log KIND                     commands received by code, writes outside a
//                                    BeginWrite … EndWrite bracket, violations
//   sim key KIND POSITION down|up    a key event on the event interface
//   sim sync KIND                    a settings-changed request (0x401)
//   sim status KIND BYTES            the status record (mousepad: its charger), hex bytes
//   sim fault KIND noreply|late|echo|ff|fe|unplug-mid|clear [COUNT]
// Exit status 0 done, 1 refused or the application does not run, 2 bad arguments.

#include <ostream>
#include <string>
#include <vector>

int RunSimCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
