#pragma once
// veldmarkctl's key commands, on the profile the device's page has selected:
//   key list <device> [--lang en|cn]        every key: index, name, function
//   key set <device> <key> <function>       gives a key a function
// <device> is keyboard or mouse. A mouse key is named by its button (left,
// right, middle, forward, back, dpi-up, dpi-down, dpi-cycle, game, m8) or its
// index; a keyboard key by its index. The texts are those of the page's key
// list. While the program runs, a change is made by the program itself (its
// page shows it and sends it to the device at once); when the program runs
// but does not take it, nothing is changed. `args` may start with "key".
// Exit code: 0 done, 1 refused or failed (the reason on `err`), 2 bad arguments.
//
// Functions (words are case-insensitive):
//   default                         the key's own function
//   off                             no function
//   mouse:left|right|middle|forward|back
//   swing:left|right:<count>[:<delay>:<speed>]
//   wheel:up|down:<count>[:<delay>:<speed>]
//   dpi:up|down|cycle
//   fire:<interval>:<count>
//   keyboard:[<modifier>+…]<key>    modifiers ctrl shift alt win (left keys),
//                                   rctrl rshift ralt rwin; keys as the key
//                                   list names them (C, F1, Esc, Num 7 …)
//   media:<name>                    play, stop, prev, next, mute, vol+, vol-,
//                                   mypc, calc, mail, player, home, refresh,
//                                   stop-page, back, forward, favorites, search
//   system:power|sleep|wake
//   macro:<n|name>[:once|hold|toggle|release|repeat:<count>]
//   gun:1|2|3|4
//   combo:open|new|undo|save|copy|cut|paste|find|select-all|zoom-out|zoom-in

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "profile/key_records.h"

int RunKeyCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The record `text` names for a key whose default record is `defaults`;
// nothing (with the reason in `problem`) when it names none.
std::optional<KeyAssignment> ParseKeyFunction(const std::string& text,
                                              const KeyAssignment& defaults,
                                              const std::vector<std::string>& macroNames,
                                              std::string& problem);
