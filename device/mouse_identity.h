#pragma once
// The identity of the user's mouse, from a small data file, for the mouse
// rows of the catalogue (which name vendor and product 0, so that no mouse is
// recognised without it).
//
// File (text; "#" starts a comment; one setting a line):
//   vendor 0x1234        USB vendor ID, hexadecimal (1-FFFF)
//   product 0x5678       USB product ID, hexadecimal (1-FFFF)
//   link wired|slow      optional: "slow" for a mouse behind a receiver whose
//                        command channel is slow (no frame streaming, a probe
//                        before each command); "wired" when absent
// Anything else (a missing or repeated setting, an unknown word, a value out
// of range, a file over 4 KiB) refuses the whole file.
//
// Two places are read, the first that holds a usable file wins: the user's
// configuration folder, then the data prefix of the installation. Without a
// file the catalogue stays as shipped.
//
// Any thread; reading does no more than read the files.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace device {

inline constexpr const char* kMouseIdentityFile = "mouse-ids.conf";
inline constexpr size_t kMouseIdentityMaxBytes = 4096;

struct MouseIdentity {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t kind = 2;   // kKindMouse or kKindSlowMouse
    std::string source;  // the file it came from
};

// Parses a file's text; false with the reason (and its line) in `problem`.
bool ParseMouseIdentity(std::string_view text, MouseIdentity& out, std::string& problem);

struct MouseIdentityRead {
    bool found = false;  // a usable file was read into `identity`
    MouseIdentity identity;
    std::vector<std::string> refused;  // "path: reason" of each file refused
};

// Reads the first usable file of `paths`, in order (missing files are skipped).
MouseIdentityRead ReadMouseIdentity(const std::vector<std::string>& paths);

// One line for the user: where the mouse's identity comes from.
std::string DescribeMouseIdentity(const MouseIdentityRead& read);

}  // namespace device
