#pragma once
// The firmware of one simulated device: its USB identity, the report
// descriptors of its HID interfaces, and the command protocol answered byte for
// byte from the device's own memory. No timing and no threads here: the virtual
// bus (sim_bus.h) and any other transport (a uhid test bed) feed it output
// reports and deliver the input reports it produces.
//
// Command protocol (vendor collection, report ID 0x04, 64-byte reports):
//   request  byte 0 report ID, bytes 1-2 checksum = sum of bytes 3..63 (16 bits,
//            little-endian), byte 3 command, byte 4 data length (<= 56), bytes 5-6
//            address (little-endian), byte 7 0, data from byte 8;
//   reply    byte 0 0x04, bytes 1-2 checksum of the reply, byte 3 the command,
//            byte 4 length, bytes 5-6 address, byte 7 status, data from byte 8.
// Status 0 is success. kStatusRejected (0xFF) answers a request the firmware
// cannot take (bad checksum, unknown command, data length above 56);
// kStatusOutOfRange (0xFE) answers an access beyond the addressed memory.
//
// Memory: device information (34 bytes), parameter memory, key table, LED map,
// colour groups, macro memory, a status record (ReadBytes) and a frame sink.
// Parameter, key-table, colour-table and macro writes (0x06, 0x09, 0x0B, 0x15)
// belong between BeginWrite and EndWrite; one outside is counted as a
// violation but still applied. The one exception is the parameter write at
// address 25 that directly follows NotifyHostExit: the host hands the lighting
// back with it before it opens the bracket. Streamed frames (0x12) need no
// bracket. NotifyHostExit is the one request sent without a checksum (bytes
// 1-2 zero); one that carries a checksum is a BadChecksum.
//
// Threads: every public operation locks the firmware, so a transport thread and
// test inspection may run at once.

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/hid/report_descriptor.h"
#include "sim/device_view.h"

namespace sim {

enum class DeviceKind { Keyboard, Mouse, Mousepad, Headset };
const char* KindName(DeviceKind kind);  // "keyboard", "mouse", "mousepad", "headset"

inline constexpr size_t kCommandReportSize = 64;
inline constexpr uint8_t kCommandReportId = 0x04;
inline constexpr size_t kMaxChunk = 56;
inline constexpr size_t kDeviceInfoSize = 34;
inline constexpr uint8_t kStatusOk = 0x00;
inline constexpr uint8_t kStatusRejected = 0xFF;
inline constexpr uint8_t kStatusOutOfRange = 0xFE;

// Command codes of the protocol.
namespace cmd {
inline constexpr uint8_t kBeginWrite = 0x01;
inline constexpr uint8_t kEndWrite = 0x02;
inline constexpr uint8_t kReadDeviceInfo = 0x03;
inline constexpr uint8_t kReadParameters = 0x05;
inline constexpr uint8_t kWriteParameters = 0x06;
inline constexpr uint8_t kReadKeyTable = 0x07;
inline constexpr uint8_t kWriteKeyTable = 0x09;
inline constexpr uint8_t kWriteColorTable = 0x0B;
inline constexpr uint8_t kStreamFrame = 0x12;
inline constexpr uint8_t kNotifyHostExit = 0x13;
inline constexpr uint8_t kWriteMacroImage = 0x15;
inline constexpr uint8_t kReadBytes = 0x1A;
inline constexpr uint8_t kReadLedMap = 0x1B;
inline constexpr uint8_t kProbe = 0xAA;
}  // namespace cmd

// Consumer usages the event collection reports.
inline constexpr uint16_t kUsageSyncRequest = 0x401;
inline constexpr uint16_t kUsageKeyPressBase = 0x500;
inline constexpr uint16_t kUsageKeyReleaseBase = 0x600;

// Builds a well-formed command request (report ID, checksum, header, data).
std::array<uint8_t, kCommandReportSize> BuildRequest(uint8_t command, uint16_t address,
                                                     const uint8_t* data, size_t length);
// Sum of bytes 3..63 of a 64-byte report.
uint16_t CommandChecksum(const uint8_t* report);

enum class Violation {
    BadChecksum,          // checksum does not match (NotifyHostExit must carry 0)
    WriteOutsideBracket,  // 0x06/0x09/0x0B/0x15 without a preceding BeginWrite
    UnbalancedBracket,    // BeginWrite inside a bracket, or EndWrite outside one
    UnknownCommand,
    WrongReport,  // output report ID or length this collection does not take
    BadLength,    // data length above 56, or ReadBytes above 56
    OutOfRange,   // address + length beyond the memory addressed
    BadValue,     // a value the device cannot show (headset LED value above 247)
    NotAwake,     // a command to a device that needed a Probe first
    kCount
};
const char* ViolationName(Violation v);

struct ViolationCounts {
    std::array<uint32_t, static_cast<size_t>(Violation::kCount)> counts{};
    uint32_t operator[](Violation v) const { return counts[static_cast<size_t>(v)]; }
    uint32_t Total() const;
    std::string Describe() const;  // "BadChecksum=1 OutOfRange=2", or "none"
};

// One output report as the device received it.
struct LoggedReport {
    std::chrono::steady_clock::time_point time;
    int interfaceNumber = 0;
    std::vector<uint8_t> bytes;  // report ID first
};

// One USB interface of the device: its number and report descriptor.
struct InterfaceSpec {
    uint16_t number = 0;
    std::vector<uint8_t> descriptor;
    platform::hid::ReportDescriptor parsed;
};

// An input report the device sends: on which interface, report ID first.
struct InputReport {
    int interfaceNumber = 0;
    std::vector<uint8_t> bytes;
};

// Sizes and factory contents of one device's memories.
struct FirmwareLayout {
    DeviceKind kind = DeviceKind::Keyboard;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t version = 0;  // bcdDevice
    std::vector<InterfaceSpec> interfaces;
    int commandInterface = 0;   // interface number of the vendor collection
    int eventInterface = -1;    // interface number of the event collection, −1 none
    uint8_t eventReportId = 0;  // input report of consumer usages (16-bit array)
    std::array<uint8_t, kDeviceInfoSize> deviceInfo{};
    std::vector<uint8_t> parameters;  // factory parameter memory
    std::vector<uint8_t> keyTable;    // factory key table (its size is the table's capacity)
    std::vector<uint8_t> ledMap;
    size_t colorGroups = 0;  // 512 bytes each
    size_t macroBytes = 0;
    size_t frameBytes = 0;        // 3 × LED count of a streamed frame, 0 = no frames
    std::vector<uint8_t> status;  // ReadBytes memory (the charger record on the mousepad)
};

// A write that came outside a BeginWrite … EndWrite bracket.
struct OutsideWrite {
    uint8_t command = 0;
    uint16_t address = 0;
    uint8_t length = 0;
    bool allowed = false;  // the exit hand-back's write at address 25
};

class Firmware : public FirmwareView {
  public:
    explicit Firmware(FirmwareLayout layout);
    virtual ~Firmware() = default;
    Firmware(const Firmware&) = delete;
    Firmware& operator=(const Firmware&) = delete;

    DeviceKind Kind() const { return m_layout.kind; }
    uint16_t VendorId() const { return m_layout.vendorId; }
    uint16_t ProductId() const { return m_layout.productId; }
    uint16_t Version() const { return m_layout.version; }
    const std::vector<InterfaceSpec>& Interfaces() const { return m_layout.interfaces; }
    const InterfaceSpec* Interface(int number) const;
    int CommandInterface() const { return m_layout.commandInterface; }
    int EventInterface() const { return m_layout.eventInterface; }

    enum class Accept { Taken, Rejected };
    // One output report from the host (report ID first) on an interface, sent
    // either as an interrupt transfer or through the control pipe. Appends the
    // input reports the device answers with. Rejected (and counted as
    // WrongReport) when the interface has no output report of that ID and
    // length; nothing is answered then.
    Accept HandleOutput(int interfaceNumber, const uint8_t* data, size_t length,
                        std::vector<InputReport>& replies);
    // Logs a command request and answers it with `status` without acting on it
    // (a device that refuses or is busy). Builds the reply into `reply`.
    void RejectCommand(const uint8_t* request, uint8_t status, InputReport& reply);
    // Logs a report the device received but never answered.
    void LogOnly(int interfaceNumber, const uint8_t* data, size_t length);
    // Counts a violation found by the transport.
    void NoteViolation(Violation v);

    // The event collection's input report for one consumer usage; false when
    // the device has no event collection.
    bool EventReport(uint16_t usage, InputReport& out) const;

    // Inspection (copies, taken under the lock).
    ViolationCounts Violations() const;
    std::vector<LoggedReport> RequestLog() const;  // the newest kMaxLog reports
    uint64_t RequestCount() const;                 // every report received
    void ClearLog();                               // log, counters and violations
    std::array<uint8_t, kDeviceInfoSize> DeviceInfo() const;
    std::vector<uint8_t> Parameters() const;
    std::vector<uint8_t> KeyTable() const;
    std::vector<uint8_t> LedMap() const;
    std::vector<uint8_t> ColorGroup(size_t group) const;  // 512 bytes, empty if none
    std::vector<uint8_t> MacroMemory() const;
    std::vector<uint8_t> LastFrame() const;  // empty until a frame is complete
    uint64_t FrameCount() const;
    uint32_t HostExitCount() const;
    uint32_t CommitCount() const;  // completed BeginWrite..EndWrite brackets
    bool InWriteBracket() const;
    // Requests received per command code (since the last ClearLog).
    uint64_t CommandCount(uint8_t command) const;
    // The newest kMaxOutsideWrites writes outside a bracket.
    std::vector<OutsideWrite> OutsideWrites() const;

    // FirmwareView
    std::optional<std::vector<uint8_t>> Memory(MemoryArea area, size_t group) const override;
    std::vector<std::string> FrameLines() const override;
    std::vector<std::string> LogLines() const override;

    // Changes made as the device itself would (a button press that switches
    // profile, a phone laid on the charger) or to set up a test.
    void PokeDeviceInfo(size_t offset, uint8_t value);
    void PokeParameters(size_t offset, const std::vector<uint8_t>& bytes);
    void PokeKeyTable(size_t offset, const std::vector<uint8_t>& bytes);
    void PokeLedMap(size_t offset, const std::vector<uint8_t>& bytes);
    void PokeStatus(size_t offset, const std::vector<uint8_t>& bytes);

    static constexpr size_t kMaxLog = 4096;
    static constexpr size_t kMaxOutsideWrites = 256;

  protected:
    // Kind-specific output reports other than the command report (the headset's
    // LED report). Called under the lock; returns false when not handled.
    virtual bool HandleExtraOutput(int interfaceNumber, const uint8_t* data, size_t length,
                                   std::vector<InputReport>& replies);
    // A kind's own answer to a well-formed command before the memory acts on
    // it (a device that is asleep, a probe it cannot answer). Called under the
    // lock; true when the kind answered (`status`, and `replyData` holding 56
    // bytes), false to let the command run as usual.
    virtual bool AnswerCommandLocked(uint8_t command, uint8_t& status, uint8_t* replyData);
    void NoteViolationLocked(Violation v);
    mutable std::mutex m_mutex;

  private:
    void LogLocked(int interfaceNumber, const uint8_t* data, size_t length);
    void HandleCommandLocked(const uint8_t* request, std::vector<InputReport>& replies);
    uint8_t ExecuteLocked(uint8_t command, uint16_t address, uint8_t length, const uint8_t* data,
                          uint8_t* replyData);
    uint8_t ReadArea(const std::vector<uint8_t>& area, uint16_t address, uint8_t length,
                     uint8_t* out);
    uint8_t WriteArea(std::vector<uint8_t>& area, uint16_t address, uint8_t length,
                      const uint8_t* data);
    uint8_t StreamChunkLocked(uint16_t address, uint8_t length, const uint8_t* data);
    bool CheckBracketLocked(uint8_t command, uint16_t address, uint8_t length);
    void BuildReply(const uint8_t* request, uint8_t status, const uint8_t* data,
                    InputReport& reply) const;

    FirmwareLayout m_layout;
    std::vector<uint8_t> m_parameters;
    std::vector<uint8_t> m_keyTable;
    std::vector<uint8_t> m_colors;
    std::vector<uint8_t> m_macro;
    std::vector<uint8_t> m_frame;
    std::vector<bool> m_frameFilled;
    std::vector<uint8_t> m_lastFrame;
    uint64_t m_frameCount = 0;
    bool m_inBracket = false;
    bool m_exitWriteDue = false;  // NotifyHostExit came; its write at 25 may follow
    std::array<uint64_t, 256> m_commandCounts{};
    std::vector<OutsideWrite> m_outsideWrites;
    uint32_t m_commits = 0;
    uint32_t m_hostExits = 0;
    ViolationCounts m_violations;
    std::vector<LoggedReport> m_log;  // ring of kMaxLog
    size_t m_logNext = 0;
    uint64_t m_received = 0;
};

}  // namespace sim
