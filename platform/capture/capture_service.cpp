#include "platform/capture/capture_service.h"

namespace platform::capture {

bool IsLockKey(uint32_t vkCode) {
    return vkCode == kVkCapsLock || vkCode == kVkNumLock || vkCode == kVkScrollLock;
}

const char* EndReasonText(EndReason reason) {
    switch (reason) {
        case EndReason::Hidden:
            return "the window was hidden";
        case EndReason::Minimized:
            return "the window was minimised";
        case EndReason::Deactivated:
            return "the window lost the active state";
        case EndReason::Lost:
            return "the desktop took the capture away";
        case EndReason::Idle:
            return "nothing was captured for five minutes";
    }
    return "the capture ended";
}

}  // namespace platform::capture
