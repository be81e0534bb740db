#include "device/device_channel.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <thread>

#include "device/catalogue.h"
#include "platform/trace/trace.h"

namespace {

using Report = std::array<uint8_t, CDeviceChannel::kReportSize>;

constexpr size_t kCodeByte = 3;
constexpr size_t kLengthByte = 4;
constexpr size_t kAddressByte = 5;
constexpr size_t kStatusByte = 7;
constexpr size_t kDataByte = 8;

void SetChecksum(Report& request) {
    uint32_t sum = 0;
    for (size_t i = kCodeByte; i < request.size(); ++i) {
        sum += request[i];
    }
    request[1] = static_cast<uint8_t>(sum & 0xFF);
    request[2] = static_cast<uint8_t>((sum >> 8) & 0xFF);
}

void SetHeader(Report& request, DeviceCommand code, size_t length, uint32_t address) {
    request[0] = CDeviceChannel::kReportId;
    request[kCodeByte] = static_cast<uint8_t>(code);
    request[kLengthByte] = static_cast<uint8_t>(length);
    request[kAddressByte] = static_cast<uint8_t>(address & 0xFF);
    request[kAddressByte + 1] = static_cast<uint8_t>((address >> 8) & 0xFF);
    request[kStatusByte] = 0;
}

int StatusResult(const Report& reply) {
    switch (reply[kStatusByte]) {
        case 0xFF:
            return channel_result::kStatusFF;
        case 0xFE:
            return channel_result::kStatusFE;
        default:
            return channel_result::kOk;
    }
}

void TraceReport(const char* heading, std::span<const uint8_t> bytes) {
    if (platform::trace::Enabled()) {
        platform::trace::Write(std::string(heading) + ": " + platform::trace::Hex(bytes));
    }
}

// Marks a matched exchange as running for frame streaming to see, for as
// long as the exchange lasts, whichever way it ends.
class BusyScope {
  public:
    explicit BusyScope(std::atomic<int>& busy) : m_busy(busy) { m_busy.fetch_add(1); }
    ~BusyScope() { m_busy.fetch_sub(1); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

  private:
    std::atomic<int>& m_busy;
};

}  // namespace

CDeviceChannel::CDeviceChannel() = default;

CDeviceChannel::CDeviceChannel(platform::hid::HidBackend& backend) : hid(backend) {}

bool CDeviceChannel::OpenInterface(const std::string& path, uint16_t kind) {
    std::lock_guard<std::mutex> lock(ioLock);
    if (!hid.Open(path, true, true, true, false)) {
        return false;
    }
    slow.store(kind == device::kKindSlowMouse);
    open.store(true);
    return true;
}

void CDeviceChannel::CloseInterface() {
    open.store(false);
    // Wake an exchange waiting on the departed device first; it holds ioLock
    // until its read returns. The handle goes right after, so a cancel that
    // finds nothing pending is harmless.
    hid.CancelAlways();
    std::lock_guard<std::mutex> lock(ioLock);
    hid.Close();
}

int CDeviceChannel::Exchange(std::span<const uint8_t> request, std::span<uint8_t> reply,
                             size_t& bytesRead) {
    BusyScope busyScope(busy);
    return ExchangeLocked(request, reply, bytesRead, TimeoutMs(), true);
}

int CDeviceChannel::ExchangeOnce(std::span<const uint8_t> request, std::span<uint8_t> reply,
                                 size_t& bytesRead) {
    return ExchangeLocked(request, reply, bytesRead, kTimeoutMs, false);
}

// One request and its reply. ioLock is held across both, so that a frame
// chunk and a command on another thread can never take each other's reply.
int CDeviceChannel::ExchangeLocked(std::span<const uint8_t> request, std::span<uint8_t> reply,
                                   size_t& bytesRead, int timeoutMs, bool matched) {
    bytesRead = 0;
    if (!open.load() || suspended.load()) {
        return channel_result::kNoReply;
    }
    Report out{};
    std::memcpy(out.data(), request.data(), std::min(request.size(), out.size()));

    std::lock_guard<std::mutex> lock(ioLock);
    if (matched) {
        TraceReport("命令", out);
    }
    size_t written = 0;
    // A report the device took only in part is a failed write, not a sent one.
    if (!hid.Write(out, timeoutMs, written) || written != out.size()) {
        if (written != 0 && written != out.size()) {
            platform::trace::Format("命令 cut short: %zu of %zu bytes written", written,
                                    out.size());
        }
        return channel_result::kWriteFailed;
    }
    if (!ReadReply(reply, timeoutMs, bytesRead, matched)) {
        return channel_result::kNoReply;
    }
    if (matched) {
        // A late reply to an earlier request is read past once; whatever the
        // second read brings is taken as the answer.
        if (reply.size() > kCodeByte && reply[kCodeByte] != out[kCodeByte]) {
            if (!ReadReply(reply, timeoutMs, bytesRead, matched)) {
                return channel_result::kNoReply;
            }
        }
    }
    return channel_result::kOk;
}

// One reply of exactly one report. A shorter one would leave zeros or the
// previous reply's bytes where the status and data belong, and a longer one
// is not a reply of this protocol: either is a failed read, never success.
bool CDeviceChannel::ReadReply(std::span<uint8_t> reply, int timeoutMs, size_t& bytesRead,
                               bool traced) {
    std::array<uint8_t, kReportSize * 2> in{};
    size_t got = 0;
    bytesRead = 0;
    if (!hid.Read(in, timeoutMs, got)) {
        return false;
    }
    if (traced) {
        TraceReport("返回", std::span<const uint8_t>(in).first(got));
    }
    if (got != kReportSize) {
        platform::trace::Format("返回 of %zu bytes refused: a reply is %zu bytes", got,
                                kReportSize);
        return false;
    }
    bytesRead = std::min(reply.size(), got);
    std::copy_n(in.begin(), bytesRead, reply.begin());
    return true;
}

int CDeviceChannel::Single(DeviceCommand code, std::span<uint8_t> reply) {
    Report request{};
    SetHeader(request, code, 0, 0);
    if (code != DeviceCommand::NotifyHostExit) {
        SetChecksum(request);
    }
    std::lock_guard<std::mutex> lock(commandLock);
    size_t got = 0;
    return Exchange(request, reply, got);
}

int CDeviceChannel::Chunked(DeviceCommand code, uint64_t baseAddress, std::span<const uint8_t> out,
                            std::span<uint8_t> in, std::mutex& lock) {
    const size_t total = out.empty() ? in.size() : out.size();
    // Addresses are 16 bits on the wire: a transfer running past the top
    // would wrap round and land on the start of the device's memory.
    if (total > 0 && baseAddress + total > kAddressSpace) {
        return channel_result::kNoReply;
    }
    // Zeroed once per command: the bytes after a short last chunk's data keep
    // the previous chunk's bytes, as the device's checksum expects.
    Report request{};
    for (size_t offset = 0; offset < total; offset += kChunkSize) {
        const size_t length = std::min(kChunkSize, total - offset);
        SetHeader(request, code, length, static_cast<uint32_t>(baseAddress + offset));
        if (!out.empty()) {
            std::memcpy(request.data() + kDataByte, out.data() + offset, length);
        }
        SetChecksum(request);
        Report reply{};
        int result = 0;
        {
            std::lock_guard<std::mutex> guard(lock);
            size_t got = 0;
            result = Exchange(request, reply, got);
        }
        if (result != channel_result::kOk) {
            return result;
        }
        if (const int status = StatusResult(reply); status != channel_result::kOk) {
            return status;
        }
        if (!in.empty()) {
            std::memcpy(in.data() + offset, reply.data() + kDataByte, length);
        }
    }
    return channel_result::kOk;
}

int CDeviceChannel::BeginWrite() {
    Report reply{};
    const int result = Single(DeviceCommand::BeginWrite, reply);
    return result == channel_result::kOk ? StatusResult(reply) : result;
}

int CDeviceChannel::EndWrite() {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    Report reply{};
    const int result = Single(DeviceCommand::EndWrite, reply);
    return result == channel_result::kOk ? StatusResult(reply) : result;
}

int CDeviceChannel::ReadDeviceInfo(std::span<uint8_t> info) {
    if (info.size() < kDeviceInfoSize) {
        return channel_result::kNoReply;
    }
    const int result =
        Chunked(DeviceCommand::ReadDeviceInfo, 0, {}, info.first(kDeviceInfoSize), commandLock);
    if (result == channel_result::kOk) {
        // Every firmware reports a smaller macro memory than it really has.
        info[6] = kMacroUnitsForced;
    }
    return result;
}

int CDeviceChannel::ReadParameters(std::span<uint8_t> buffer, uint16_t address) {
    return Chunked(DeviceCommand::ReadParameters, address, {}, buffer, commandLock);
}

int CDeviceChannel::WriteParameters(std::span<const uint8_t> buffer, uint16_t address) {
    return Chunked(DeviceCommand::WriteParameters, address, buffer, {}, commandLock);
}

int CDeviceChannel::ReadKeyTable(std::span<uint8_t> buffer) {
    const size_t size = blockSize.load();
    if (buffer.size() < size) {
        return channel_result::kNoReply;
    }
    return Chunked(DeviceCommand::ReadKeyTable, 0, {}, buffer.first(size), commandLock);
}

int CDeviceChannel::WriteKeyTable(std::span<const uint8_t> buffer, int index) {
    if (index != 0) {
        return channel_result::kBadKeyTableIndex;
    }
    const size_t size = blockSize.load();
    if (buffer.size() < size) {
        return channel_result::kNoReply;
    }
    return Chunked(DeviceCommand::WriteKeyTable, 0, buffer.first(size), {}, commandLock);
}

int CDeviceChannel::WriteColorTable(std::span<const uint8_t> buffer, uint32_t group,
                                    uint32_t groupSize) {
    return Chunked(DeviceCommand::WriteColorTable, uint64_t{group} * groupSize, buffer, {},
                   streamLock);
}

int CDeviceChannel::StreamFrame(std::span<const uint8_t> frame) {
    if (slow.load()) {
        return channel_result::kOk;
    }
    return StreamChunks(frame);
}

int CDeviceChannel::StreamChunks(std::span<const uint8_t> frame) {
    Report request{};
    for (size_t offset = 0; offset < frame.size(); offset += kChunkSize) {
        if (busy.load() != 0) {
            platform::trace::Write("放弃灯光数据");
            continue;
        }
        const size_t length = std::min(kChunkSize, frame.size() - offset);
        SetHeader(request, DeviceCommand::StreamFrame, length, static_cast<uint32_t>(offset));
        std::memcpy(request.data() + kDataByte, frame.data() + offset, length);
        SetChecksum(request);
        Report reply{};
        int result = 0;
        {
            std::lock_guard<std::mutex> lock(streamLock);
            size_t got = 0;
            result = ExchangeOnce(request, reply, got);
        }
        if (result != channel_result::kOk) {
            return result;
        }
        if (const int status = StatusResult(reply); status != channel_result::kOk) {
            return status;
        }
    }
    return channel_result::kOk;
}

int CDeviceChannel::NotifyHostExit() {
    Report reply{};
    const int result = Single(DeviceCommand::NotifyHostExit, reply);
    return result == channel_result::kOk ? StatusResult(reply) : result;
}

int CDeviceChannel::WriteMacroImage(std::span<const uint8_t> image) {
    return Chunked(DeviceCommand::WriteMacroImage, 0, image, {}, commandLock);
}

int CDeviceChannel::ReadBytes(std::span<uint8_t> buffer, uint16_t address) {
    if (buffer.size() > kChunkSize || address + buffer.size() > kAddressSpace) {
        return channel_result::kNoReply;
    }
    Report request{};
    SetHeader(request, DeviceCommand::ReadBytes, buffer.size(), address);
    SetChecksum(request);
    Report reply{};
    int result = 0;
    {
        std::lock_guard<std::mutex> lock(commandLock);
        size_t got = 0;
        result = Exchange(request, reply, got);
    }
    if (result != channel_result::kOk) {
        return result;
    }
    if (const int status = StatusResult(reply); status != channel_result::kOk) {
        return status;
    }
    std::memcpy(buffer.data(), reply.data() + kDataByte, buffer.size());
    return channel_result::kOk;
}

int CDeviceChannel::ReadLedMap(std::span<uint8_t> buffer) {
    const size_t size = blockSize.load() / 3;
    if (buffer.size() < size) {
        return channel_result::kNoReply;
    }
    return Chunked(DeviceCommand::ReadLedMap, 0, {}, buffer.first(size), commandLock);
}

bool CDeviceChannel::Probe() {
    Report reply{};
    if (Single(DeviceCommand::Probe, reply) != channel_result::kOk) {
        return false;
    }
    return StatusResult(reply) == channel_result::kOk && reply[kDataByte] == 0xFF;
}

bool CDeviceChannel::SetBlockSize(uint16_t n) {
    if (n > kMaxBlockSize) {
        return false;
    }
    blockSize.store(n);
    return true;
}
