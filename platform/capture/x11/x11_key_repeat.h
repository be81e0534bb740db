#pragma once
// Key repeat as a capture wants it from an X server: a held key sends its
// press again and again and one release when let go (XKB's "detectable auto
// repeat"), instead of a release and a press for each repeat, which cannot be
// told from the user letting go and pressing again.
//
// The setting belongs to one client connection (the program's own, here the
// one its toolkit opened); other clients are not affected. UI thread.

namespace platform::capture::x11 {

// Turns detectable repeat on or off for `connection` (an xcb_connection_t*).
// Returns the setting it had before, or nothing when the server has no XKB
// or the connection is broken (the setting is then unchanged).
struct RepeatState {
    bool known = false;
    bool detectable = false;
};
RepeatState SetDetectableRepeat(void* connection, bool on);

}  // namespace platform::capture::x11
