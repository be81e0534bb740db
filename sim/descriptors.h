#pragma once
// The report descriptors of the simulated devices' HID interfaces, byte for
// byte as the devices return them.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim {

// Interface 1 of the keyboard, the mouse and the mousepad: four top-level
// collections, each with its own report ID:
//   col01 keyboard (page 1, usage 6), report 1: modifiers + key bitmap in, LEDs out
//   col02 system control (page 1, usage 0x80), report 2
//   col03 consumer control (page 0x0C, usage 1), report 3: one 16-bit usage
//         (the event collection: sync requests and key events)
//   col04 vendor (page 0xFF1C, usage 0x92), report 4: 63 data bytes in and out
std::vector<uint8_t> VendorInterfaceDescriptor();

// Interface 0 of the keyboard: the boot keyboard, without report IDs.
std::vector<uint8_t> BootKeyboardDescriptor();

// Interface 0 of the mouse: five buttons, X/Y and wheel, without report IDs.
std::vector<uint8_t> BootMouseDescriptor();

// Interface 3 of the headset: one consumer collection (page 0x0C, usage 1)
// holding report 1 (volume and mute keys in), report 4 (the 64-byte command
// report, in and out) and report 0xFF (the 17-byte LED report, out).
std::vector<uint8_t> HeadsetDescriptor();

// Report IDs used above.
inline constexpr uint8_t kKeyboardReportId = 0x01;
inline constexpr uint8_t kSystemReportId = 0x02;
inline constexpr uint8_t kConsumerReportId = 0x03;
inline constexpr uint8_t kVendorReportId = 0x04;
inline constexpr uint8_t kHeadsetKeysReportId = 0x01;
inline constexpr uint8_t kHeadsetLedReportId = 0xFF;
inline constexpr size_t kHeadsetLedReportSize = 17;

}  // namespace sim
