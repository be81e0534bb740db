#include "platform/capture/x11/x11_key_repeat.h"

#include <xcb/xcb.h>
// The XKB header names a member "explicit", a C++ keyword.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

#include <cstdlib>

namespace platform::capture::x11 {

RepeatState SetDetectableRepeat(void* connection, bool on) {
    auto* c = static_cast<xcb_connection_t*>(connection);
    if (c == nullptr || xcb_connection_has_error(c) != 0) {
        return {};
    }
    xcb_xkb_use_extension_reply_t* xkb = xcb_xkb_use_extension_reply(
        c, xcb_xkb_use_extension(c, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION), nullptr);
    const bool hasXkb = xkb != nullptr && xkb->supported != 0;
    std::free(xkb);
    if (!hasXkb) {
        return {};
    }
    constexpr uint32_t kFlag = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
    // Read the flag first (a request that changes nothing), then set it.
    xcb_xkb_per_client_flags_reply_t* before = xcb_xkb_per_client_flags_reply(
        c, xcb_xkb_per_client_flags(c, XCB_XKB_ID_USE_CORE_KBD, 0, 0, 0, 0, 0), nullptr);
    if (before == nullptr) {
        return {};
    }
    const RepeatState state{true, (before->value & kFlag) != 0};
    std::free(before);
    xcb_xkb_per_client_flags_reply_t* after = xcb_xkb_per_client_flags_reply(
        c, xcb_xkb_per_client_flags(c, XCB_XKB_ID_USE_CORE_KBD, kFlag, on ? kFlag : 0, 0, 0, 0),
        nullptr);
    std::free(after);
    return state;
}

}  // namespace platform::capture::x11
