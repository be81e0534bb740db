#pragma once
// Reading an interface's identity back from its path. Every backend builds
// paths that carry "vid_", "pid_", "&mi_" and "&col" tokens, each followed by a
// hexadecimal number, so that discovery can compare a path with the catalogue
// before opening it.

#include <cstdint>
#include <string_view>

#include "device/catalogue.h"

namespace device {

// The hexadecimal number right after the first case-insensitive occurrence of
// token in path; 0 when the token is absent or no hex digit follows it. A
// number too large for 32 bits saturates at 0xFFFFFFFF.
uint32_t ParsePathNumber(std::string_view path, std::string_view token);

// Vendor, product, interface and collection number of a path (each 0 when its
// token is absent, and cut to 16 bits); every other field stays 0.
InterfaceRecord ParsePathIdentity(std::string_view path);

}  // namespace device
