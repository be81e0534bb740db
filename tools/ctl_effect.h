#pragma once
// veldmarkctl's light effect commands, on the light store and step files of a
// device's profile folder:
//   effect list <device>                      the custom effects: position,
//                                             mode number, name, steps
//   effect import <device> <file.light> [name] adds a step file as the next
//                                             custom effect
// <device> is keyboard, mouse, mousepad or headset. An import is checked
// whole before anything is written (every step's fields in range, at most 256
// steps, 1-60000 ms each); a refusal names the line and the reason. While the
// program runs it is told, and the page's effect list shows the new effect.
// `args` may start with the word "effect". Returns the exit code: 0 done,
// 1 refused or failed (the reason on `err`), 2 bad arguments.

#include <iosfwd>
#include <string>
#include <vector>

int RunEffectCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
