#include "sim/mouse_firmware.h"

#include "sim/descriptors.h"
#include "sim/keyboard_firmware.h"

namespace sim {

namespace {

constexpr uint8_t kFactoryCodes[kMouseButtons][3] = {
    {0x10, 0x01, 0x00},  // left
    {0x10, 0x02, 0x00},  // right
    {0x10, 0x04, 0x00},  // middle
    {0x10, 0x10, 0x00},  // forward
    {0x10, 0x08, 0x00},  // back
    {0x13, 0x01, 0x00},  // DPI +
    {0x13, 0x02, 0x00},  // DPI −
    {0x13, 0x03, 0x00},  // DPI cycle
    {0xA0, 0x1B, 0x00},  // game mode
    {0x16, 0x90, 0x01},  // M8
};

// Where the switch matrix puts each logical button.
constexpr int kPositions[kMouseButtons] = {7, 1, 2, 4, 3, 0, 6, 5, 9, 8};

constexpr uint8_t kProfileCount = 4;
constexpr size_t kKeyTableBytes = 512;

void WriteStage(uint8_t* stage, uint16_t steps, uint8_t r, uint8_t g, uint8_t b) {
    stage[0] = 1;  // enabled
    stage[1] = 0;  // same sensitivity on both axes
    stage[2] = static_cast<uint8_t>(steps & 0xFF);
    stage[3] = static_cast<uint8_t>(steps >> 8);
    stage[4] = stage[2];
    stage[5] = stage[3];
    stage[6] = r;
    stage[7] = g;
    stage[8] = b;
}

// One 128-byte settings area: lighting, report rate, active stage, five
// sensitivity stages (in DPI steps), screen size and correction bytes.
void WriteFactoryArea(uint8_t* a, uint8_t profile) {
    a[1] = static_cast<uint8_t>(2 + profile);  // lighting mode
    a[2] = 4;                                  // brightness
    a[3] = 4 - 2;                              // speed 2
    a[4] = 1;                                  // direction
    a[5] = 0;                                  // single colour
    a[6] = 0x00;
    a[7] = 0x80;
    a[8] = 0xFF;
    a[11] = 3;                                                    // report rate index
    a[12] = 1;                                                    // active stage
    static constexpr uint16_t kSteps[5] = {16, 32, 48, 64, 128};  // 800 … 6400 at 50 per step
    static constexpr uint8_t kColors[5][3] = {
        {0xFF, 0, 0}, {0, 0xFF, 0}, {0, 0, 0xFF}, {0xFF, 0xFF, 0}, {0xFF, 0, 0xFF}};
    for (int i = 0; i < 5; ++i) {
        WriteStage(a + 14 + 9 * i, kSteps[i], kColors[i][0], kColors[i][1], kColors[i][2]);
    }
    a[59] = 1;
    a[60] = 0x80;  // 1920
    a[61] = 0x07;
    a[62] = 0x38;  // 1080
    a[63] = 0x04;
    a[66] = 0x0A;  // sensor tuning bytes the host only reads
    a[67] = 0x02;
    a[68] = 0x40;
}

}  // namespace

SimMouse::SimMouse() : SimMouse(MouseLayout()) {}

SimMouse::SimMouse(FirmwareLayout layout) : Firmware(std::move(layout)) {}

void SimMouse::SetNeedsProbe(bool needs) {
    std::lock_guard lock(m_mutex);
    m_needsProbe = needs;
    m_awake = false;
}

void SimMouse::SetOutOfReach(bool out) {
    std::lock_guard lock(m_mutex);
    m_outOfReach = out;
    if (out) {
        m_awake = false;
    }
}

void SimMouse::SetProbesInReach(int probes) {
    std::lock_guard lock(m_mutex);
    m_probesInReach = probes;
}

bool SimMouse::IsAwake() const {
    std::lock_guard lock(m_mutex);
    return m_awake;
}

bool SimMouse::AnswerCommandLocked(uint8_t command, uint8_t& status, uint8_t* replyData) {
    if (!m_needsProbe) {
        return false;
    }
    if (command == cmd::kProbe) {
        if (m_probesInReach == 0) {
            m_outOfReach = true;
        } else if (m_probesInReach > 0) {
            --m_probesInReach;
        }
        if (m_outOfReach) {
            m_awake = false;
            status = kStatusOk;
            replyData[0] = 0x00;
            return true;
        }
        m_awake = true;
        return false;
    }
    if (!m_awake) {
        NoteViolationLocked(Violation::NotAwake);
        status = kStatusRejected;
        return true;
    }
    if (command == cmd::kEndWrite) {
        m_awake = false;  // the transaction is over; the link sleeps again
    }
    return false;
}

std::array<uint8_t, 3> MouseFactoryCode(int button) {
    const uint8_t* c = kFactoryCodes[button];
    return {c[0], c[1], c[2]};
}

int MousePositionOfButton(int button) {
    return kPositions[button];
}

FirmwareLayout MouseLayout() {
    FirmwareLayout l;
    l.kind = DeviceKind::Mouse;
    l.vendorId = 0x0000;
    l.productId = 0x0000;
    l.version = 0x0102;
    l.interfaces = {{0, BootMouseDescriptor(), {}}, {1, VendorInterfaceDescriptor(), {}}};
    l.commandInterface = 1;
    l.eventInterface = 1;
    l.eventReportId = kConsumerReportId;

    l.deviceInfo[0] = 0x02;
    l.deviceInfo[1] = 0x02;
    l.deviceInfo[2] = 0x01;
    l.deviceInfo[3] = kProfileCount;
    l.deviceInfo[4] = kMouseLeds;
    l.deviceInfo[5] = kMousePositions;
    l.deviceInfo[6] = static_cast<uint8_t>(kMacroMemoryBytes / 128);
    l.deviceInfo[11] = kMouseDpiStep;
    l.deviceInfo[12] = static_cast<uint8_t>(kMouseDpiSteps & 0xFF);
    l.deviceInfo[13] = static_cast<uint8_t>(kMouseDpiSteps >> 8);
    l.deviceInfo[14] = static_cast<uint8_t>(kMouseMinimumDpi & 0xFF);
    l.deviceInfo[15] = static_cast<uint8_t>(kMouseMinimumDpi >> 8);

    l.parameters.assign(kProfileCount * kMouseAreaSize, 0);
    for (uint8_t p = 0; p < kProfileCount; ++p) {
        WriteFactoryArea(l.parameters.data() + p * kMouseAreaSize, p);
    }
    l.parameters[0] = 0;  // active profile

    l.keyTable.assign(kKeyTableBytes, 0);
    for (int b = 0; b < kMouseButtons; ++b) {
        for (size_t i = 0; i < 3; ++i) {
            l.keyTable[3 * static_cast<size_t>(kPositions[b]) + i] = kFactoryCodes[b][i];
        }
    }
    l.ledMap.assign(kKeyTableBytes, 0xFF);  // the mouse's LEDs belong to no key
    l.macroBytes = kMacroMemoryBytes;
    l.frameBytes = 3 * kMouseLeds;
    l.status.assign(6, 0);
    return l;
}

}  // namespace sim
