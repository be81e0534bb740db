#pragma once
// veldmarkctl's profile commands, on the same files and with the same rules
// as the device pages:
//   profile list <device>               the profiles, the selected one marked
//   profile add <device>                a new "Profile n" from the defaults
//   profile copy <device>               a copy of the selected profile
//   profile rename <device> <name>      renames the selected profile
//   profile delete <device>             deletes the selected profile
//   profile select <device> <n|name>    selects profile n (from 0) or by name
//   profile reset <device>              the selected profile back to defaults
//   profile export <device> <file>      writes the selected profile to a file
//   profile import <device> <file>      adds the profile stored in a file
// <device> is keyboard, mouse, mousepad or headset. `args` may start with the
// word "profile" or directly with the subcommand. Returns the exit code:
// 0 done, 1 refused or failed (the reason on `err`), 2 bad arguments.

#include <iosfwd>
#include <string>
#include <vector>

int RunProfileCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
