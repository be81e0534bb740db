#pragma once
// Item-level parsing of a report descriptor: the global, local and collection
// state and the bit position of every report. Internal to platform/hid; callers
// use ReportDescriptor::Parse.

#include <cstddef>
#include <cstdint>

#include "platform/hid/report_descriptor.h"

namespace platform::hid {

// Fills `out` from the descriptor bytes, or returns false with the failing
// item's offset and reason in `error`.
bool ParseDescriptor(const uint8_t* data, size_t size, ReportDescriptor& out, ParseError& error);

// The low `bits` bits of value as a two's-complement number.
int32_t SignExtend(uint32_t value, uint32_t bits);

}  // namespace platform::hid
