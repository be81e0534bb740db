#pragma once
// veldmarkctl's macro commands, on the same files and with the same rules as
// the macro editor of a device page:
//   macro list <device>                  the macros: index, name, events
//   macro show <device> <n|name>         one macro's events, one a line
//   macro import <device> <file>         adds the macro file as "Macro_n"
//   macro export <device> <n|name> <file> writes a macro's file unchanged
// <device> is keyboard or mouse; a macro is named by its index (from 0) or
// its name. While the program runs, an import is made by the program itself
// (its macro editor then shows it at once); when the program runs but does
// not answer, nothing is changed. `args` may start with the word "macro".
// Returns the exit code: 0 done, 1 refused or failed (the reason on `err`),
// 2 bad arguments.

#include <iosfwd>
#include <string>
#include <vector>

int RunMacroCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
