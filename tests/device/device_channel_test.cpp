// The command channel against the simulated keyboard, byte for byte.

#include "device/device_channel.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "device/catalogue.h"
#include "platform/trace/trace.h"
#include "sim/keyboard_firmware.h"
#include "sim/sim_bus.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Pattern(size_t size, uint8_t seed) {
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>(seed + i * 7);
    }
    return bytes;
}

Bytes Prefix(const Bytes& bytes, size_t size) {
    return Bytes(bytes.begin(),
                 bytes.begin() + static_cast<std::ptrdiff_t>(std::min(size, bytes.size())));
}

// Header and checksum of a request as the device expects them.
Bytes Request(uint8_t code, uint8_t length, uint16_t address, const Bytes& data) {
    Bytes report(64, 0);
    report[0] = 0x04;
    report[3] = code;
    report[4] = length;
    report[5] = static_cast<uint8_t>(address & 0xFF);
    report[6] = static_cast<uint8_t>(address >> 8);
    std::copy(data.begin(), data.end(), report.begin() + 8);
    const unsigned sum = std::accumulate(report.begin() + 3, report.end(), 0u);
    report[1] = static_cast<uint8_t>(sum & 0xFF);
    report[2] = static_cast<uint8_t>(sum >> 8);
    return report;
}

// Collects the trace lines while alive.
class TraceCapture {
  public:
    TraceCapture() {
        platform::trace::SetSink([this](std::string_view line) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_lines.emplace_back(line);
        });
    }
    ~TraceCapture() { platform::trace::SetSink({}); }
    int Count(std::string_view prefix) const {
        std::lock_guard<std::mutex> lock(m_mutex);
        int n = 0;
        for (const std::string& line : m_lines) {
            n += line.starts_with(prefix) ? 1 : 0;
        }
        return n;
    }

  private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
};

class DeviceChannelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        keyboard = bus.Add(sim::DeviceKind::Keyboard);
        ASSERT_TRUE(channel.OpenInterface(keyboard->CommandPath(), device::kKindKeyboard));
        keyboard->firmware().ClearLog();
    }

    std::vector<Bytes> Requests() const {
        std::vector<Bytes> requests;
        for (const sim::LoggedReport& report : keyboard->firmware().RequestLog()) {
            requests.push_back(report.bytes);
        }
        return requests;
    }

    uint32_t Violations() const { return keyboard->firmware().Violations().Total(); }

    sim::SimBus bus;
    std::shared_ptr<sim::SimDevice> keyboard;
    CDeviceChannel channel{bus};
};

TEST_F(DeviceChannelTest, BracketRequestsCarryOnlyTheirCodeAndChecksum) {
    ASSERT_EQ(channel.BeginWrite(), 1);
    ASSERT_EQ(channel.EndWrite(), 1);
    const std::vector<Bytes> requests = Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], Request(0x01, 0, 0, {}));
    EXPECT_EQ(Bytes(requests[0].begin(), requests[0].begin() + 4), (Bytes{0x04, 0x01, 0x00, 0x01}));
    EXPECT_EQ(Bytes(requests[1].begin(), requests[1].begin() + 4), (Bytes{0x04, 0x02, 0x00, 0x02}));
    EXPECT_EQ(keyboard->firmware().CommitCount(), 1u);
}

TEST_F(DeviceChannelTest, FiftySixBytesTravelInOneRequest) {
    const Bytes data = Pattern(56, 3);
    ASSERT_EQ(channel.BeginWrite(), 1);
    ASSERT_EQ(channel.WriteParameters(data, 0), 1);
    ASSERT_EQ(channel.EndWrite(), 1);
    const std::vector<Bytes> requests = Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[1], Request(0x06, 56, 0, data));
    EXPECT_EQ(Violations(), 0u);
}

TEST_F(DeviceChannelTest, FiftySevenBytesSplitAndKeepThePreviousChunkBehindTheLastByte) {
    const Bytes data = Pattern(57, 9);
    ASSERT_EQ(channel.BeginWrite(), 1);
    ASSERT_EQ(channel.WriteParameters(data, 0), 1);
    ASSERT_EQ(channel.EndWrite(), 1);
    const std::vector<Bytes> requests = Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[1], Request(0x06, 56, 0, Bytes(data.begin(), data.begin() + 56)));
    // The request buffer is zeroed once per command: bytes 9..63 of the short
    // last chunk still hold the first chunk's bytes 1..55.
    Bytes second(data.begin(), data.begin() + 56);
    second[0] = data[56];
    EXPECT_EQ(requests[2], Request(0x06, 1, 56, second));
    const Bytes stored = keyboard->firmware().Parameters();
    EXPECT_EQ(Bytes(stored.begin(), stored.begin() + 57), data);
    EXPECT_EQ(Violations(), 0u);
}

TEST_F(DeviceChannelTest, ChunkedReadsReturnMemoryAcrossChunkBoundaries) {
    const Bytes data = Pattern(120, 1);
    keyboard->firmware().PokeParameters(4, data);
    Bytes read(120);
    ASSERT_EQ(channel.ReadParameters(read, 4), 1);
    EXPECT_EQ(read, data);
    const std::vector<Bytes> requests = Requests();
    ASSERT_EQ(requests.size(), 3u);  // 56 + 56 + 8
    EXPECT_EQ(requests[2][4], 8);
    EXPECT_EQ(requests[2][5], 4 + 112);
}

TEST_F(DeviceChannelTest, DeviceInfoAlwaysReportsNineKilobytesOfMacroMemory) {
    keyboard->firmware().PokeDeviceInfo(6, 0x10);
    std::array<uint8_t, 36> info{};
    info.fill(0xEE);
    ASSERT_EQ(channel.ReadDeviceInfo(info), 1);
    const auto device = keyboard->firmware().DeviceInfo();
    EXPECT_EQ(info[6], 0x48);
    EXPECT_EQ(info[5], device[5]);
    EXPECT_TRUE(std::equal(info.begin() + 7, info.begin() + 34, device.begin() + 7));
    EXPECT_EQ(info[34], 0xEE) << "only 34 bytes are written";
    EXPECT_EQ(Requests().at(0), Request(0x03, 34, 0, {}));
}

TEST_F(DeviceChannelTest, KeyTableBlockOtherThanZeroIsRefusedWithoutSending) {
    const Bytes table(CDeviceChannel::kMaxBlockSize, 0);
    EXPECT_EQ(channel.WriteKeyTable(table, 1), -201);
    EXPECT_EQ(channel.WriteKeyTable(table, -1), -201);
    EXPECT_EQ(keyboard->firmware().RequestCount(), 0u);
}

TEST_F(DeviceChannelTest, BlockSizeAboveFiveHundredTwelveIsRefused) {
    EXPECT_FALSE(channel.SetBlockSize(513));
    EXPECT_EQ(channel.BlockSize(), 512);
    EXPECT_TRUE(channel.SetBlockSize(sim::kKeyboardPositions * 3));
    Bytes table(channel.BlockSize());
    ASSERT_EQ(channel.ReadKeyTable(table), 1);
    EXPECT_EQ(table, Prefix(keyboard->firmware().KeyTable(), table.size()));
    EXPECT_EQ(Requests().size(), 8u);  // 432 bytes = 7 × 56 + 40
    Bytes ledMap(channel.BlockSize() / 3);
    ASSERT_EQ(channel.ReadLedMap(ledMap), 1);
    EXPECT_EQ(ledMap, Prefix(keyboard->firmware().LedMap(), ledMap.size()));
}

TEST_F(DeviceChannelTest, DeviceStatusBytesBecomeResultCodes) {
    keyboard->InjectFault({.type = sim::FaultType::Status, .count = 1, .status = 0xFF});
    EXPECT_EQ(channel.BeginWrite(), -102);
    keyboard->InjectFault({.type = sim::FaultType::Status, .count = 1, .status = 0xFE});
    Bytes read(100);
    EXPECT_EQ(channel.ReadParameters(read, 0), -103);
    EXPECT_EQ(Requests().size(), 2u) << "a failed chunk ends the command";
    keyboard->InjectFault({.type = sim::FaultType::Status, .count = 1, .status = 0xFF});
    EXPECT_FALSE(channel.Probe());
}

TEST_F(DeviceChannelTest, MissingReplyGivesZeroAfterTheTimeout) {
    keyboard->InjectFault({.type = sim::FaultType::NoReply, .count = 1});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(channel.BeginWrite(), 0);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(CDeviceChannel::kTimeoutMs));
    EXPECT_LT(waited, std::chrono::milliseconds(2 * CDeviceChannel::kTimeoutMs))
        << "a missing reply is waited for once, not twice";
}

// A reply of the wrong size is no answer: a short one would read status 0
// (success) from zeros or from the previous reply's bytes.
TEST_F(DeviceChannelTest, ShortOrLongRepliesAreFailedExchangesNeverSuccess) {
    Bytes stale(56);
    ASSERT_EQ(channel.ReadParameters(stale, 0), 1);
    for (const int size : {8, 63}) {
        keyboard->InjectFault({.type = sim::FaultType::ShortReply, .count = 1, .bytes = size});
        keyboard->InjectFault({.type = sim::FaultType::Status, .count = 1, .status = 0xFF});
        Bytes read(56, 0x11);
        EXPECT_EQ(channel.ReadParameters(read, 0), 0) << size;
        EXPECT_EQ(read, Bytes(56, 0x11)) << "nothing of a short reply is taken";
    }
    for (const int size : {65, 128, 200}) {
        keyboard->InjectFault({.type = sim::FaultType::LongReply, .count = 1, .bytes = size});
        EXPECT_EQ(channel.BeginWrite(), 0) << size;
    }
    std::array<uint8_t, 64> reply{};
    size_t got = 0;
    keyboard->InjectFault({.type = sim::FaultType::ShortReply, .count = 1});
    EXPECT_EQ(channel.ExchangeOnce(std::array<uint8_t, 4>{0x04, 0, 0, 0x01}, reply, got), 0);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(channel.BeginWrite(), 1) << "the next full reply is taken again";
}

TEST_F(DeviceChannelTest, PartialWriteIsAFailedWrite) {
    keyboard->InjectFault({.type = sim::FaultType::PartialWrite, .count = 1, .bytes = 40});
    EXPECT_EQ(channel.BeginWrite(), -1);
    Bytes data(57, 7);
    keyboard->InjectFault({.type = sim::FaultType::PartialWrite, .count = 1});
    EXPECT_EQ(channel.WriteParameters(data, 0), -1);
    EXPECT_EQ(Requests().size(), 2u) << "the failed chunk ends the command";
    EXPECT_EQ(channel.EndWrite(), 1);
}

TEST_F(DeviceChannelTest, StrayReplyIsReadPastOnce) {
    keyboard->InjectFault({.type = sim::FaultType::StrayReply, .count = 1});
    std::array<uint8_t, 34> info{};
    ASSERT_EQ(channel.ReadDeviceInfo(info), 1);
    EXPECT_EQ(info[5], keyboard->firmware().DeviceInfo()[5]);
    EXPECT_EQ(channel.BeginWrite(), 1) << "no reply is left behind for the next command";
    EXPECT_EQ(channel.EndWrite(), 1);
}

TEST_F(DeviceChannelTest, LateReplyIsSkippedAndASecondMismatchIsTakenAsTheAnswer) {
    // The first command gives up before its reply comes; that reply then sits
    // in front of the next command's own, which carries a wrong echo.
    keyboard->InjectFault({.type = sim::FaultType::LateReply, .count = 1, .delayMs = 1050});
    EXPECT_EQ(channel.BeginWrite(), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    keyboard->InjectFault({.type = sim::FaultType::WrongEcho, .count = 1});
    std::array<uint8_t, 34> info{};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(channel.ReadDeviceInfo(info), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_EQ(info[5], keyboard->firmware().DeviceInfo()[5]);
}

TEST_F(DeviceChannelTest, SecondMismatchedReplyIsTakenAndItsStatusStillDecides) {
    // A stray reply first, then the rejection itself under another command's code.
    const auto rejectBehindAStray = [this](uint8_t status) {
        keyboard->InjectFault({.type = sim::FaultType::Status, .count = 1, .status = status});
        keyboard->InjectFault({.type = sim::FaultType::StrayReply, .count = 1});
        keyboard->InjectFault({.type = sim::FaultType::WrongEcho, .count = 1});
    };
    rejectBehindAStray(0xFF);
    EXPECT_EQ(channel.BeginWrite(), -102);
    rejectBehindAStray(0xFE);
    Bytes read(100, 0xAB);
    EXPECT_EQ(channel.ReadParameters(read, 0), -103);
    EXPECT_EQ(read, Bytes(100, 0xAB)) << "a rejected chunk copies nothing";
    EXPECT_EQ(Requests().size(), 2u) << "the rejected first chunk ends the read";
    EXPECT_EQ(channel.BeginWrite(), 1) << "both replies were consumed";
    EXPECT_EQ(channel.EndWrite(), 1);
}

TEST_F(DeviceChannelTest, EmptyTransfersSendNothingAndSucceed) {
    EXPECT_EQ(channel.WriteParameters({}, 0), 1);
    EXPECT_EQ(channel.WriteMacroImage({}), 1);
    EXPECT_EQ(channel.ReadParameters({}, 0), 1);
    EXPECT_EQ(channel.StreamFrame({}), 1);
    EXPECT_TRUE(channel.SetBlockSize(0));
    EXPECT_EQ(channel.WriteKeyTable({}, 0), 1);
    EXPECT_EQ(keyboard->firmware().RequestCount(), 0u);
}

// Addresses travel as 16 bits: a transfer past the top would wrap round onto
// the start of the device's memory.
TEST_F(DeviceChannelTest, TransfersThatWouldRunPastTheAddressSpaceAreRefusedUnsent) {
    const Bytes group0 = keyboard->firmware().ColorGroup(0);
    EXPECT_EQ(channel.WriteColorTable(Pattern(378, 8), 128, 512), 0);
    EXPECT_EQ(channel.WriteColorTable(Pattern(3, 8), 0x800000, 512), 0);
    EXPECT_EQ(channel.WriteParameters(Pattern(57, 1), 0xFFF0), 0);
    Bytes read(20);
    EXPECT_EQ(channel.ReadParameters(read, 0xFFF0), 0);
    EXPECT_EQ(channel.ReadBytes(read, 0xFFF0), 0);
    EXPECT_EQ(keyboard->firmware().RequestCount(), 0u);
    EXPECT_EQ(keyboard->firmware().ColorGroup(0), group0);

    // The very top is still asked for (this device has no memory there).
    Bytes last(16);
    EXPECT_EQ(channel.ReadParameters(last, 0xFFF0), -103);
    EXPECT_EQ(Requests().at(0), Request(0x05, 16, 0xFFF0, {}));
}

TEST_F(DeviceChannelTest, ExchangeZeroPadsShortRequestsAndCutsLongOnesAtSixtyFourBytes) {
    Bytes reply(64);
    size_t got = 0;
    ASSERT_EQ(channel.Exchange(Bytes{0x04, 0x01, 0x00, 0x01}, reply, got), 1);
    EXPECT_EQ(got, 64u);
    EXPECT_EQ(reply[3], 0x01);
    Bytes longer = Request(0x02, 0, 0, {});
    longer.resize(80, 0x5A);
    ASSERT_EQ(channel.Exchange(longer, reply, got), 1);
    const std::vector<Bytes> requests = Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], Request(0x01, 0, 0, {}));
    EXPECT_EQ(requests[1], Request(0x02, 0, 0, {}));
    EXPECT_EQ(Violations(), 0u) << keyboard->firmware().Violations().Describe();
}

TEST_F(DeviceChannelTest, ProbeNeedsAGoodStatusAndTheMarkerByte) {
    EXPECT_TRUE(channel.Probe());
    EXPECT_EQ(Requests().at(0), Request(0xAA, 0, 0, {}));
    keyboard->InjectFault({.type = sim::FaultType::NoReply, .count = 1});
    EXPECT_FALSE(channel.Probe());
}

TEST_F(DeviceChannelTest, NothingIsSentWhileClosedOrSuspended) {
    channel.suspended.store(true);
    EXPECT_EQ(channel.BeginWrite(), 0);
    channel.suspended.store(false);
    channel.CloseInterface();
    EXPECT_FALSE(channel.IsOpen());
    EXPECT_EQ(channel.BeginWrite(), 0);
    EXPECT_EQ(keyboard->firmware().RequestCount(), 0u);
    EXPECT_FALSE(channel.IsBusy()) << "an exchange that sends nothing must not stay busy";
}

TEST_F(DeviceChannelTest, UnplugInTheMiddleOfAMacroUploadStopsAtTheFailedChunk) {
    ASSERT_EQ(channel.BeginWrite(), 1);
    keyboard->InjectFault({.type = sim::FaultType::UnplugAfter, .count = 3});
    const Bytes image = Pattern(sim::kMacroMemoryBytes, 5);
    const int result = channel.WriteMacroImage(image);
    EXPECT_TRUE(result == -1 || result == 0) << result;
    EXPECT_LE(keyboard->firmware().RequestCount(), 1u + 4u);
    EXPECT_FALSE(keyboard->IsPlugged());
    EXPECT_EQ(channel.EndWrite(), -1);
}

TEST_F(DeviceChannelTest, HostExitNoticeCarriesNoChecksum) {
    EXPECT_EQ(channel.NotifyHostExit(), 1);
    const std::vector<Bytes> requests = Requests();
    ASSERT_EQ(requests.size(), 1u);
    Bytes expected(64, 0);
    expected[0] = 0x04;
    expected[3] = 0x13;
    EXPECT_EQ(requests[0], expected);
    EXPECT_EQ(keyboard->firmware().HostExitCount(), 1u);
}

TEST_F(DeviceChannelTest, TraceShowsEveryRequestAndReplyInHex) {
    TraceCapture trace;
    ASSERT_EQ(channel.BeginWrite(), 1);
    EXPECT_EQ(trace.Count("命令: 04 01 00 01 00 00 00 00 00"), 1);
    EXPECT_EQ(trace.Count("返回: 04"), 1);
}

TEST_F(DeviceChannelTest, FullUploadSequenceLeavesNoProtocolViolation) {
    ASSERT_TRUE(channel.SetBlockSize(sim::kKeyboardPositions * 3));
    const Bytes table = Pattern(channel.BlockSize(), 2);
    ASSERT_EQ(channel.BeginWrite(), 1);
    ASSERT_EQ(channel.WriteParameters(Pattern(57, 4), 0), 1);
    ASSERT_EQ(channel.WriteKeyTable(table, 0), 1);
    ASSERT_EQ(channel.WriteMacroImage(Pattern(sim::kMacroMemoryBytes, 6)), 1);
    ASSERT_EQ(channel.WriteColorTable(Pattern(378, 8), 1, 512), 1);
    ASSERT_EQ(channel.EndWrite(), 1);
    ASSERT_EQ(channel.StreamFrame(Pattern(3 * sim::kKeyboardLeds, 1)), 1);
    Bytes status(6);
    ASSERT_EQ(channel.ReadBytes(status, 0), 1);
    EXPECT_EQ(Prefix(keyboard->firmware().KeyTable(), table.size()), table);
    EXPECT_EQ(keyboard->firmware().MacroMemory(), Pattern(sim::kMacroMemoryBytes, 6));
    EXPECT_EQ(keyboard->firmware().LastFrame(), Pattern(3 * sim::kKeyboardLeds, 1));
    const Bytes group = keyboard->firmware().ColorGroup(1);
    EXPECT_EQ(Bytes(group.begin(), group.begin() + 378), Pattern(378, 8));
    EXPECT_EQ(Violations(), 0u) << keyboard->firmware().Violations().Describe();
}

TEST_F(DeviceChannelTest, ShortReadLongerThanOneChunkIsRefused) {
    Bytes tooLong(57);
    EXPECT_EQ(channel.ReadBytes(tooLong, 0), 0);
    EXPECT_EQ(keyboard->firmware().RequestCount(), 0u);
}

// --- slow channels --------------------------------------------------------------

TEST_F(DeviceChannelTest, SlowChannelStreamsNothingAndWaitsFiveSecondsForReplies) {
    channel.CloseInterface();
    ASSERT_TRUE(channel.OpenInterface(keyboard->CommandPath(), device::kKindSlowMouse));
    EXPECT_TRUE(channel.IsSlow());
    EXPECT_EQ(channel.StreamFrame(Pattern(45, 0)), 1);
    EXPECT_EQ(keyboard->firmware().RequestCount(), 0u);
    // A reply 1.2 s late is beyond an ordinary channel's wait but within a slow one's.
    keyboard->InjectFault({.type = sim::FaultType::LateReply, .count = 1, .delayMs = 1200});
    EXPECT_EQ(channel.BeginWrite(), 1);
    EXPECT_EQ(channel.EndWrite(), 1);
    // The unmatched exchange keeps its one-second wait whatever the channel.
    keyboard->InjectFault({.type = sim::FaultType::LateReply, .count = 1, .delayMs = 2000});
    Bytes reply(64);
    size_t got = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(channel.ExchangeOnce(Request(0x01, 0, 0, {}), reply, got), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1900));
}

// --- frame streaming against commands -------------------------------------------

TEST_F(DeviceChannelTest, FrameChunksAreDroppedWhileACommandIsRunning) {
    TraceCapture trace;
    keyboard->InjectFault({.type = sim::FaultType::LateReply, .count = 1, .delayMs = 300});
    std::thread command([this] { EXPECT_EQ(channel.BeginWrite(), 1); });
    while (!channel.IsBusy()) {
        std::this_thread::yield();
    }
    EXPECT_EQ(channel.StreamFrame(Pattern(3 * sim::kKeyboardLeds, 1)), 1);
    command.join();
    EXPECT_EQ(trace.Count("放弃灯光数据"), 7);  // 378 bytes = 7 chunks, all dropped
    EXPECT_EQ(keyboard->firmware().FrameCount(), 0u);
    EXPECT_EQ(Requests().size(), 1u);
    ASSERT_EQ(channel.EndWrite(), 1);
}

TEST_F(DeviceChannelTest, CommandsAndFrameStreamOnTwoThreadsNeverTakeEachOthersReply) {
    keyboard->SetReplyLatency(std::chrono::microseconds(200));
    std::atomic<bool> done{false};
    std::thread lighting([&] {
        const Bytes frame = Pattern(3 * sim::kKeyboardLeds, 3);
        while (!done.load()) {
            EXPECT_EQ(channel.StreamFrame(frame), 1);
        }
    });
    const Bytes data = Pattern(200, 11);
    for (int i = 0; i < 40; ++i) {
        Bytes read(data.size());
        ASSERT_EQ(channel.BeginWrite(), 1);
        ASSERT_EQ(channel.WriteParameters(data, 0), 1);
        ASSERT_EQ(channel.EndWrite(), 1);
        ASSERT_EQ(channel.ReadParameters(read, 0), 1);
        ASSERT_EQ(read, data);
    }
    done.store(true);
    lighting.join();
    EXPECT_EQ(Violations(), 0u) << keyboard->firmware().Violations().Describe();
}

TEST_F(DeviceChannelTest, ClosingWakesAnExchangeWaitingForAReply) {
    keyboard->InjectFault({.type = sim::FaultType::NoReply, .count = 1});
    std::thread command([this] { EXPECT_EQ(channel.BeginWrite(), 0); });
    while (!channel.IsBusy()) {
        std::this_thread::yield();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const auto start = std::chrono::steady_clock::now();
    channel.CloseInterface();
    command.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
}

}  // namespace
