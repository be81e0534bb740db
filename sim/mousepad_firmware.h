#pragma once
// The mousepad (0x0C45:0x6627) with its phone charger: interface 1 with the
// event (col03) and vendor (col04) collections. It has no key table and no
// macro memory; the host streams 15-LED frames (45 bytes) to it.
//
// Status record (ReadBytes at address 0, 6 bytes): battery percent, charging
// state (0 idle/charged, 1 charging, 2 discharging), 0, 0 (the host fills in
// the wireless flag), 0, phone type (1, 2, 3; other = none). Factory: 100 %,
// idle, no phone.
//
// Memory: parameters 256 bytes with the settings record at address 0 (mode 0,
// brightness 5, speed 2 stored as 4 − 2, multi-colour, bytes 9-20 the pad's own).

#include <cstdint>

#include "sim/firmware.h"

namespace sim {

inline constexpr int kMousepadLeds = 15;

FirmwareLayout MousepadLayout();

// Sets the charger's status record as the pad would report it.
void SetChargerStatus(Firmware& pad, uint8_t batteryPercent, uint8_t chargingState,
                      uint8_t phoneType);

}  // namespace sim
