#pragma once
// CDeviceChannel: the command channel to a device's vendor interface.
//
// Every command is one or more exchanges of a 64-byte request and a 64-byte
// reply:
//   request: [0] report ID 0x04, [1..2] checksum (sum of bytes 3..63, 16 bits
//            little-endian), [3] command code, [4] data length, [5..6] address
//            (little-endian), [7] 0, [8..63] up to 56 data bytes;
//   reply:   [3] echo of the command code, [7] status, data from byte 8.
// Transfers of more than 56 bytes are cut into chunks of 56 at consecutive
// addresses.
//
// Result codes of every operation:
//   1     success
//   0     channel not open or suspended, or the reply did not arrive or was
//         not exactly 64 bytes, or the transfer does not fit the buffer or the
//         16-bit address space (nothing sent)
//  -1     the request could not be written, or only in part
//  -102   the device answered status 0xFF
//  -103   the device answered status 0xFE
//  -201   a key-table block index other than 0
//
// Threads: the UI thread runs command sequences, a device object's lighting
// thread streams frames, and the owner opens and closes the channel; all of
// them may use one channel at the same time. Lock order: commandLock or
// streamLock first, then ioLock. A multi-chunk command takes its lock per
// chunk, so a BeginWrite ... EndWrite sequence is not atomic against other
// threads. Frame streaming yields to ordinary commands: a frame chunk whose
// turn comes while a matched exchange is running is dropped, not queued.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>

#include "device/hid_device.h"

// Command codes of the vendor protocol.
enum class DeviceCommand : uint8_t {
    BeginWrite = 0x01,
    EndWrite = 0x02,
    ReadDeviceInfo = 0x03,
    ReadParameters = 0x05,
    WriteParameters = 0x06,
    ReadKeyTable = 0x07,
    WriteKeyTable = 0x09,
    WriteColorTable = 0x0B,
    StreamFrame = 0x12,
    NotifyHostExit = 0x13,
    WriteMacroImage = 0x15,
    ReadBytes = 0x1A,
    ReadLedMap = 0x1B,
    Probe = 0xAA,
};

namespace channel_result {
inline constexpr int kOk = 1;
inline constexpr int kNoReply = 0;  // also: not open, suspended
inline constexpr int kWriteFailed = -1;
inline constexpr int kStatusFF = -102;
inline constexpr int kStatusFE = -103;
inline constexpr int kBadKeyTableIndex = -201;
}  // namespace channel_result

class CDeviceChannel {
  public:
    static constexpr size_t kReportSize = 64;
    static constexpr uint8_t kReportId = 0x04;
    static constexpr size_t kChunkSize = 56;
    static constexpr size_t kDeviceInfoSize = 34;
    static constexpr uint8_t kMacroUnitsForced = 0x48;  // 0x48 × 128 = 9216 bytes of macro memory
    static constexpr uint16_t kMaxBlockSize = 512;
    static constexpr int kTimeoutMs = 1000;
    static constexpr int kSlowTimeoutMs = 5000;
    // Size of the 16-bit address space of requests; a transfer that would run
    // past its end is refused with 0 before anything is sent.
    static constexpr uint64_t kAddressSpace = 0x10000;

    // The interface is reached through the process-wide backend, or the given one.
    CDeviceChannel();
    explicit CDeviceChannel(platform::hid::HidBackend& backend);
    CDeviceChannel(const CDeviceChannel&) = delete;
    CDeviceChannel& operator=(const CDeviceChannel&) = delete;

    // --- owner side -------------------------------------------------------
    // Opens path for reading and writing (shared, overlapped) under ioLock;
    // on success the channel is open and slow when kind is the slow mouse kind.
    bool OpenInterface(const std::string& path, uint16_t kind);
    // The interface has gone or is given up: marks the channel closed, wakes a
    // pending read or write, and closes the interface.
    void CloseInterface();

    // --- exchanges ----------------------------------------------------------
    // Matched exchange: request (cut or zero-padded to 64 bytes) out, reply in;
    // a reply echoing another command code is read past once. Result 1, 0 or -1.
    [[nodiscard]] int Exchange(std::span<const uint8_t> request, std::span<uint8_t> reply,
                               size_t& bytesRead);
    // Unmatched exchange for frame streaming: fixed 1000 ms timeouts, no echo
    // check, no second read, no trace.
    [[nodiscard]] int ExchangeOnce(std::span<const uint8_t> request, std::span<uint8_t> reply,
                                   size_t& bytesRead);

    // --- commands -------------------------------------------------------------
    [[nodiscard]] int BeginWrite();
    [[nodiscard]] int EndWrite();  // sleeps 10 ms first so the device has taken the last write
    // info must hold at least 34 bytes; byte 6 is always returned as 0x48.
    [[nodiscard]] int ReadDeviceInfo(std::span<uint8_t> info);
    [[nodiscard]] int ReadParameters(std::span<uint8_t> buffer, uint16_t address);
    [[nodiscard]] int WriteParameters(std::span<const uint8_t> buffer, uint16_t address);
    // Transfers blockSize bytes; the buffer must hold at least that many.
    [[nodiscard]] int ReadKeyTable(std::span<uint8_t> buffer);
    [[nodiscard]] int WriteKeyTable(std::span<const uint8_t> buffer, int index);
    [[nodiscard]] int WriteColorTable(std::span<const uint8_t> buffer, uint32_t group,
                                      uint32_t groupSize);
    // Host-driven lighting frame; sends nothing (and succeeds) on a slow channel.
    [[nodiscard]] int StreamFrame(std::span<const uint8_t> frame);
    // Tells the device that the host stops driving its lighting; sent without a checksum.
    [[nodiscard]] int NotifyHostExit();
    [[nodiscard]] int WriteMacroImage(std::span<const uint8_t> image);
    // One short read of at most 56 bytes.
    [[nodiscard]] int ReadBytes(std::span<uint8_t> buffer, uint16_t address);
    // Transfers blockSize / 3 bytes.
    [[nodiscard]] int ReadLedMap(std::span<uint8_t> buffer);
    // True when the device answers with a good status and reply byte 8 = 0xFF.
    [[nodiscard]] bool Probe();

    // --- state ----------------------------------------------------------------
    bool SetBlockSize(uint16_t n);  // false and no change above 512
    uint16_t BlockSize() const { return blockSize.load(); }
    bool IsOpen() const { return open.load(); }
    bool IsBusy() const { return busy.load() != 0; }
    bool IsSlow() const { return slow.load(); }

    CHidDevice& Hid() { return hid; }
    std::mutex& IoLock() { return ioLock; }

    // Public like the record it models: owners and tests set these directly.
    std::atomic<uint16_t> blockSize{kMaxBlockSize};
    // Number of matched exchanges in flight (0 or 1 per lock); non-zero = busy.
    std::atomic<int> busy{0};
    std::atomic<bool> suspended{false};
    std::atomic<bool> open{false};
    std::atomic<bool> streamPaused{false};
    std::atomic<bool> slow{false};
    const uint8_t chunkSize = kChunkSize;

  private:
    enum class Reading { No, Yes };
    struct Request;

    int Single(DeviceCommand code, std::span<uint8_t> reply);
    int Chunked(DeviceCommand code, uint64_t baseAddress, std::span<const uint8_t> out,
                std::span<uint8_t> in, std::mutex& lock);
    int StreamChunks(std::span<const uint8_t> frame);
    int ExchangeLocked(std::span<const uint8_t> request, std::span<uint8_t> reply,
                       size_t& bytesRead, int timeoutMs, bool matched);
    bool ReadReply(std::span<uint8_t> reply, int timeoutMs, size_t& bytesRead, bool traced);
    int TimeoutMs() const { return slow.load() ? kSlowTimeoutMs : kTimeoutMs; }

    CHidDevice hid;
    std::mutex ioLock;
    std::mutex commandLock;
    std::mutex streamLock;
};
