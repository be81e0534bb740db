#pragma once
// The debug trace: plain text lines for developers, never shown to users.
//
// Lines go to stderr only when the environment variable VELDMARK_TRACE is set
// (to anything) when the first line is written, or to a sink installed with
// SetSink. Every function may be called from any thread; each line is written
// whole, never interleaved with another thread's line.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace platform::trace {

// True when a written line goes anywhere; callers use it to skip building
// expensive texts (hexadecimal dumps) that nobody would read.
bool Enabled();

// Writes one line; a trailing newline is added when the text has none.
void Write(std::string_view line);

// printf-style convenience for short lines.
void Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// "04 01 00 01 00" style text of a byte buffer, two lower-case hex digits per byte.
std::string Hex(std::span<const uint8_t> bytes);

// Receives every line (without its newline) instead of stderr while installed;
// an empty function restores the environment's choice. Used by tools and
// tests that want to look at the trace.
using Sink = std::function<void(std::string_view line)>;
void SetSink(Sink sink);

}  // namespace platform::trace
