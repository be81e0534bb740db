#pragma once
// The mouse (vendor and product 0, as the catalogue lists it): interface 0 boot
// mouse, interface 1 with the event (col03) and vendor (col04) collections.
//
// Key table of 16 positions; the ten logical buttons' factory codes sit at
// positions that differ from the logical order (see MousePositionOfButton).
// Device information: 16 key positions, DPI step 50, 320 steps, minimum 200.
//
// Memory: parameters of four 128-byte areas (address 0 the active profile;
// area p: lighting mode 2 + p, brightness 4, speed 2 stored as 4 − 2, report
// rate 3, active stage 1, five stages of 16/32/48/64/128 DPI steps, byte 59 1,
// screen 1920 × 1080, read-only tuning bytes 66-68); key table 512 bytes;
// 9216 bytes of macro memory; streamed frames of 18 bytes (6 LEDs).
//
// SimMouse can also be a mouse behind a slow radio link (the catalogue's
// slow kind): then it sleeps between transactions and answers a command only
// while awake. A Probe wakes it when it is in reach (reply byte 8 = 0xFF) and
// it falls asleep again after each EndWrite; a command that finds it asleep
// is refused (status 0xFF) and counted as NotAwake. Out of reach, a Probe is
// answered with byte 8 = 0 and the mouse stays asleep.

#include <array>
#include <cstdint>

#include "sim/firmware.h"

namespace sim {

inline constexpr int kMouseButtons = 10;
inline constexpr int kMousePositions = 16;
inline constexpr int kMouseLeds = 6;
inline constexpr uint8_t kMouseDpiStep = 50;
inline constexpr uint16_t kMouseDpiSteps = 320;
inline constexpr uint16_t kMouseMinimumDpi = 200;
inline constexpr size_t kMouseAreaSize = 128;

FirmwareLayout MouseLayout();

class SimMouse : public Firmware {
  public:
    SimMouse();
    explicit SimMouse(FirmwareLayout layout);

    // Behind a slow link: a Probe must wake the mouse before it takes commands.
    void SetNeedsProbe(bool needs);
    // Out of reach of the receiver: probes fail.
    void SetOutOfReach(bool out);
    // Goes out of reach after answering `probes` more probes (-1: never).
    void SetProbesInReach(int probes);
    bool IsAwake() const;

  protected:
    bool AnswerCommandLocked(uint8_t command, uint8_t& status, uint8_t* replyData) override;

  private:
    bool m_needsProbe = false;
    bool m_outOfReach = false;
    bool m_awake = false;
    int m_probesInReach = -1;
};

// Factory code of logical button 0..9 (left, right, middle, forward, back,
// DPI +, DPI −, DPI cycle, game mode, M8).
std::array<uint8_t, 3> MouseFactoryCode(int button);
int MousePositionOfButton(int button);

}  // namespace sim
