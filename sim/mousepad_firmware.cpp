#include "sim/mousepad_firmware.h"

#include "sim/descriptors.h"

namespace sim {

namespace {
constexpr size_t kParameterBytes = 256;
}

FirmwareLayout MousepadLayout() {
    FirmwareLayout l;
    l.kind = DeviceKind::Mousepad;
    l.vendorId = 0x0C45;
    l.productId = 0x6627;
    l.version = 0x0101;
    l.interfaces = {{1, VendorInterfaceDescriptor(), {}}};
    l.commandInterface = 1;
    l.eventInterface = 1;
    l.eventReportId = kConsumerReportId;

    l.deviceInfo[0] = 0x03;
    l.deviceInfo[1] = 0x01;
    l.deviceInfo[2] = 0x01;
    l.deviceInfo[3] = 1;  // one profile
    l.deviceInfo[4] = kMousepadLeds;

    // Settings record at address 0: lighting mode (wave), brightness, 4 − speed,
    // direction, multi-colour, colour, then twelve bytes of the pad's own.
    l.parameters.assign(kParameterBytes, 0);
    const uint8_t record[21] = {0,    0,    5,    4 - 2, 1,    1,    0x00, 0xC0, 0xFF, 0x01, 0x00,
                                0x10, 0x20, 0x00, 0x00,  0x00, 0x00, 0x00, 0x00, 0x00, 0x5A};
    std::copy(std::begin(record), std::end(record), l.parameters.begin());

    l.frameBytes = 3 * kMousepadLeds;
    l.status = {100, 0, 0, 0, 0, 0};  // full, idle, no phone
    return l;
}

void SetChargerStatus(Firmware& pad, uint8_t batteryPercent, uint8_t chargingState,
                      uint8_t phoneType) {
    pad.PokeStatus(0, {batteryPercent, chargingState, 0, 0, 0, phoneType});
}

}  // namespace sim
