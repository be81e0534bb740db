#include "sim/firmware.h"

#include <gtest/gtest.h>

#include "sim/descriptors.h"
#include "sim/headset_firmware.h"
#include "sim/keyboard_firmware.h"
#include "sim/mouse_firmware.h"
#include "sim/mousepad_firmware.h"
#include "sim/sim_bus.h"

namespace sim {
namespace {

using Bytes = std::vector<uint8_t>;

// Sends one request on the command interface and returns the only reply.
Bytes Exchange(Firmware& fw, const std::array<uint8_t, kCommandReportSize>& request) {
    std::vector<InputReport> replies;
    EXPECT_EQ(fw.HandleOutput(fw.CommandInterface(), request.data(), request.size(), replies),
              Firmware::Accept::Taken);
    EXPECT_EQ(replies.size(), 1u);
    return replies.empty() ? Bytes{} : replies.front().bytes;
}

Bytes Send(Firmware& fw, uint8_t command, uint16_t address, const Bytes& data) {
    return Exchange(fw, BuildRequest(command, address, data.data(), data.size()));
}

// A read request: the length goes in byte 4 with no data.
Bytes Read(Firmware& fw, uint8_t command, uint16_t address, uint8_t length) {
    auto request = BuildRequest(command, address, nullptr, 0);
    request[4] = length;
    const uint16_t sum = CommandChecksum(request.data());
    request[1] = static_cast<uint8_t>(sum);
    request[2] = static_cast<uint8_t>(sum >> 8);
    return Exchange(fw, request);
}

Bytes Data(const Bytes& reply, size_t length) {
    return Bytes(reply.begin() + 8, reply.begin() + 8 + static_cast<std::ptrdiff_t>(length));
}

TEST(FirmwareProtocol, BracketRequestsCarryTheirCodeAsChecksumAndAreEchoed) {
    auto fw = MakeFirmware(DeviceKind::Keyboard);
    const auto begin = BuildRequest(cmd::kBeginWrite, 0, nullptr, 0);
    EXPECT_EQ(begin[1], 0x01);
    EXPECT_EQ(begin[2], 0x00);
    const Bytes reply = Exchange(*fw, begin);
    ASSERT_EQ(reply.size(), 64u);
    Bytes expected(64, 0);
    expected[0] = 0x04;
    expected[1] = 0x01;  // the reply's own checksum
    expected[3] = 0x01;
    EXPECT_EQ(reply, expected);
    const auto end = BuildRequest(cmd::kEndWrite, 0, nullptr, 0);
    EXPECT_EQ(end[1], 0x02);
    EXPECT_EQ(Exchange(*fw, end)[7], kStatusOk);
    EXPECT_EQ(fw->CommitCount(), 1u);
    EXPECT_EQ(fw->Violations().Total(), 0u) << fw->Violations().Describe();
    EXPECT_EQ(fw->RequestLog().size(), 2u);
    EXPECT_EQ(fw->RequestLog()[0].bytes, Bytes(begin.begin(), begin.end()));
}

TEST(FirmwareProtocol, RefusesBadChecksumsUnknownCommandsAndLongData) {
    auto fw = MakeFirmware(DeviceKind::Keyboard);
    auto bad = BuildRequest(cmd::kBeginWrite, 0, nullptr, 0);
    bad[1] = 0x00;
    EXPECT_EQ(Exchange(*fw, bad)[7], kStatusRejected);
    EXPECT_FALSE(fw->InWriteBracket());
    EXPECT_EQ(Send(*fw, 0x42, 0, {})[7], kStatusRejected);
    auto longer = BuildRequest(cmd::kReadParameters, 0, nullptr, 0);
    longer[4] = 57;
    longer[1] = 57 + cmd::kReadParameters;
    EXPECT_EQ(Exchange(*fw, longer)[7], kStatusRejected);
    const ViolationCounts v = fw->Violations();
    EXPECT_EQ(v[Violation::BadChecksum], 1u);
    EXPECT_EQ(v[Violation::UnknownCommand], 1u);
    EXPECT_EQ(v[Violation::BadLength], 1u);
}

TEST(FirmwareProtocol, HostExitIsTheOneRequestWithoutAChecksum) {
    auto fw = MakeFirmware(DeviceKind::Keyboard);
    auto exit = BuildRequest(cmd::kNotifyHostExit, 0, nullptr, 0);
    exit[1] = exit[2] = 0;
    EXPECT_EQ(Exchange(*fw, exit)[7], kStatusOk);
    EXPECT_EQ(fw->HostExitCount(), 1u);
    exit[1] = 0x99;
    EXPECT_EQ(Exchange(*fw, exit)[7], kStatusRejected);
    // Even the sum a checksummed request would carry is wrong here.
    EXPECT_EQ(Exchange(*fw, BuildRequest(cmd::kNotifyHostExit, 0, nullptr, 0))[7], kStatusRejected);
    EXPECT_EQ(fw->HostExitCount(), 1u);
    EXPECT_EQ(fw->Violations()[Violation::BadChecksum], 2u);
}

TEST(FirmwareProtocol, TheExitHandBackWritesAtTwentyFiveBeforeItsBracket) {
    auto fw = MakeFirmware(DeviceKind::Keyboard);
    const Bytes block = {0x00, 0x01, 0x04, 0x04, 0x00, 0x01, 0xFF, 0x00, 0x00};
    auto exit = BuildRequest(cmd::kNotifyHostExit, 0, nullptr, 0);
    exit[1] = exit[2] = 0;
    Exchange(*fw, exit);
    Send(*fw, cmd::kWriteParameters, 25, block);
    Send(*fw, cmd::kBeginWrite, 0, {});
    Send(*fw, cmd::kWriteParameters, 0, block);
    Send(*fw, cmd::kEndWrite, 0, {});
    EXPECT_EQ(fw->Violations().Total(), 0u) << fw->Violations().Describe();
    EXPECT_EQ(fw->Parameters()[26], 0x01);
    // Only the write that follows the notice is the hand-back's; another is a fault.
    Exchange(*fw, exit);
    Send(*fw, cmd::kReadParameters, 0, {});
    Send(*fw, cmd::kWriteParameters, 25, block);
    EXPECT_EQ(fw->Violations()[Violation::WriteOutsideBracket], 1u);
    const std::vector<OutsideWrite> outside = fw->OutsideWrites();
    ASSERT_EQ(outside.size(), 2u);
    EXPECT_TRUE(outside[0].allowed);
    EXPECT_FALSE(outside[1].allowed);
}

TEST(FirmwareProtocol, WritesOutsideTheBracketAreCountedButApplied) {
    auto fw = MakeFirmware(DeviceKind::Keyboard);
    EXPECT_EQ(Send(*fw, cmd::kWriteParameters, 25, {0x00, 0x01, 0x05})[7], kStatusOk);
    EXPECT_EQ(fw->Parameters()[26], 0x01);
    EXPECT_EQ(Send(*fw, cmd::kEndWrite, 0, {})[7], kStatusOk);
    Send(*fw, cmd::kBeginWrite, 0, {});
    Send(*fw, cmd::kBeginWrite, 0, {});
    Send(*fw, cmd::kEndWrite, 0, {});
    // A colour table needs the bracket like every other write; frames are streamed without.
    Send(*fw, cmd::kWriteColorTable, 0, {1, 2, 3});
    EXPECT_EQ(fw->ColorGroup(0)[2], 3);
    Send(*fw, cmd::kStreamFrame, 0, {1, 2, 3});
    const ViolationCounts v = fw->Violations();
    EXPECT_EQ(v[Violation::WriteOutsideBracket], 2u);
    EXPECT_EQ(v[Violation::UnbalancedBracket], 2u);  // EndWrite alone, BeginWrite twice
    EXPECT_EQ(v.Total(), 4u) << v.Describe();
}

TEST(FirmwareProtocol, TakesOnlyWholeReportsItsInterfaceDeclares) {
    auto fw = MakeFirmware(DeviceKind::Keyboard);
    std::vector<InputReport> replies;
    Bytes shortReport(63, 0);
    shortReport[0] = kCommandReportId;
    EXPECT_EQ(fw->HandleOutput(1, shortReport.data(), shortReport.size(), replies),
              Firmware::Accept::Rejected);
    Bytes otherId(64, 0);
    otherId[0] = 0x07;
    EXPECT_EQ(fw->HandleOutput(1, otherId.data(), otherId.size(), replies),
              Firmware::Accept::Rejected);
    const auto request = BuildRequest(cmd::kProbe, 0, nullptr, 0);
    EXPECT_EQ(fw->HandleOutput(0, request.data(), request.size(), replies),
              Firmware::Accept::Rejected);  // the boot interface has no report 4
    const Bytes capsLock = {kKeyboardReportId, 0x02};
    EXPECT_EQ(fw->HandleOutput(1, capsLock.data(), capsLock.size(), replies),
              Firmware::Accept::Taken);
    EXPECT_TRUE(replies.empty());
    EXPECT_EQ(fw->Violations()[Violation::WrongReport], 3u);
}

TEST(FirmwareProtocol, TheLogKeepsTheNewestRequestsInOrder) {
    auto fw = MakeFirmware(DeviceKind::Mousepad);
    const size_t total = Firmware::kMaxLog + 5;
    for (size_t i = 0; i < total; ++i) {
        Read(*fw, cmd::kReadParameters, static_cast<uint16_t>(i), 0);
    }
    const auto log = fw->RequestLog();
    ASSERT_EQ(log.size(), Firmware::kMaxLog);
    EXPECT_EQ(fw->RequestCount(), total);
    for (size_t i = 0; i < log.size(); ++i) {
        const size_t address = log[i].bytes[5] | log[i].bytes[6] << 8;
        ASSERT_EQ(address, (i + 5) & 0xFFFF) << i;
    }
    Send(*fw, 0x42, 0, {});
    fw->ClearLog();
    EXPECT_TRUE(fw->RequestLog().empty());
    EXPECT_EQ(fw->Violations().Total(), 0u);
    Read(*fw, cmd::kProbe, 0, 0);
    EXPECT_EQ(fw->RequestLog().size(), 1u);
}

TEST(FirmwareMemory, KeyboardInfoAndFactoryKeyTableAreOutOfButtonOrder) {
    auto fw = MakeFirmware(DeviceKind::Keyboard);
    const Bytes info = Data(Read(*fw, cmd::kReadDeviceInfo, 0, 34), 34);
    EXPECT_EQ(info[5], kKeyboardPositions);
    EXPECT_EQ(info[6], 0x48);
    // Escape (key button 0, 20 00 29) sits at position 7: bytes 21-23.
    const Bytes first = Data(Read(*fw, cmd::kReadKeyTable, 0, 56), 56);
    EXPECT_EQ(Bytes(first.begin() + 21, first.begin() + 24), (Bytes{0x20, 0x00, 0x29}));
    EXPECT_EQ(Bytes(first.begin(), first.begin() + 3), (Bytes{0x00, 0x00, 0x00}));
    // Every key button's code is found, at a position other than its index,
    // and the LED map gives that button's LED at the same position.
    const Bytes table = fw->KeyTable();
    const Bytes leds = fw->LedMap();
    for (int b = 0; b < kKeyboardButtons; ++b) {
        const size_t p = static_cast<size_t>(KeyboardPositionOfButton(b));
        EXPECT_NE(static_cast<int>(p), b);
        const auto code = KeyboardFactoryCode(b);
        EXPECT_EQ(Bytes(table.begin() + 3 * p, table.begin() + 3 * p + 3),
                  Bytes(code.begin(), code.end()));
        EXPECT_EQ(leds[p], KeyboardLedOfButton(b));
    }
    EXPECT_EQ(Data(Read(*fw, cmd::kReadLedMap, 7, 1), 1)[0], KeyboardLedOfButton(0));
}

TEST(FirmwareMemory, ParameterRecordsOverlapAtTheirStride) {
    auto fw = MakeFirmware(DeviceKind::Keyboard);
    const Bytes params = fw->Parameters();
    EXPECT_EQ(params[0], 0);       // active profile
    EXPECT_EQ(params[25 + 1], 2);  // profile 1's lighting mode
    EXPECT_EQ(params[25], 0);      // profile 0's colour group is profile 1's byte 0
    Send(*fw, cmd::kBeginWrite, 0, {});
    Bytes record(26, 0);
    record[25] = 3;
    Send(*fw, cmd::kWriteParameters, 0, record);
    Send(*fw, cmd::kEndWrite, 0, {});
    EXPECT_EQ(Data(Read(*fw, cmd::kReadParameters, 25, 2), 2), (Bytes{3, 2}));
}

TEST(FirmwareMemory, MouseInfoCarriesTheSensitivityRange) {
    auto fw = MakeFirmware(DeviceKind::Mouse);
    const Bytes info = Data(Read(*fw, cmd::kReadDeviceInfo, 0, 34), 34);
    EXPECT_EQ(info[5], kMousePositions);
    EXPECT_EQ(info[11], 50);
    EXPECT_EQ(info[12] | info[13] << 8, 320);
    EXPECT_EQ(info[14] | info[15] << 8, 200);
    // The left button's code is at position 7.
    EXPECT_EQ(Data(Read(*fw, cmd::kReadKeyTable, 21, 3), 3), (Bytes{0x10, 0x01, 0x00}));
    const Bytes area = Data(Read(*fw, cmd::kReadParameters, 0, 56), 56);
    EXPECT_EQ(area[12], 1);       // active stage
    EXPECT_EQ(area[14 + 2], 16);  // stage 0: 800 at 50 per step
}

TEST(FirmwareMemory, AccessBeyondAnAreaIsRefusedWhole) {
    auto fw = MakeFirmware(DeviceKind::Keyboard);
    Send(*fw, cmd::kBeginWrite, 0, {});
    const Bytes chunk(56, 0xAB);
    EXPECT_EQ(Send(*fw, cmd::kWriteMacroImage, 9216 - 56, chunk)[7], kStatusOk);
    EXPECT_EQ(Send(*fw, cmd::kWriteMacroImage, 9216 - 8, chunk)[7], kStatusOutOfRange);
    EXPECT_EQ(fw->MacroMemory().back(), 0xAB);
    EXPECT_EQ(fw->MacroMemory()[9216 - 57], 0x00);
    // The colour group 7 is the last; group 8 does not exist.
    EXPECT_EQ(Send(*fw, cmd::kWriteColorTable, 7 * 512, {9, 8, 7})[7], kStatusOk);
    EXPECT_EQ(fw->ColorGroup(7)[0], 9);
    EXPECT_EQ(Send(*fw, cmd::kWriteColorTable, 8 * 512, {1})[7], kStatusOutOfRange);
    const Bytes tail = Read(*fw, cmd::kReadDeviceInfo, 30, 8);
    EXPECT_EQ(tail[7], kStatusOutOfRange);
    Send(*fw, cmd::kEndWrite, 0, {});
    EXPECT_EQ(fw->Violations()[Violation::OutOfRange], 3u);
    // A pad has no key table at all.
    auto pad = MakeFirmware(DeviceKind::Mousepad);
    EXPECT_EQ(Read(*pad, cmd::kReadKeyTable, 0, 3)[7], kStatusOutOfRange);
}

TEST(FirmwareMemory, AddressesAtTheTopOfTheRangeTouchNothing) {
    for (DeviceKind kind :
         {DeviceKind::Keyboard, DeviceKind::Mouse, DeviceKind::Mousepad, DeviceKind::Headset}) {
        auto fw = MakeFirmware(kind);
        const Bytes params = fw->Parameters();
        const Bytes keys = fw->KeyTable();
        Send(*fw, cmd::kBeginWrite, 0, {});
        for (uint8_t code : {cmd::kReadDeviceInfo, cmd::kReadParameters, cmd::kReadKeyTable,
                             cmd::kReadBytes, cmd::kReadLedMap}) {
            const Bytes reply = Read(*fw, code, 0xFFF0, 56);
            EXPECT_EQ(reply[7], kStatusOutOfRange) << KindName(kind) << " " << int(code);
            EXPECT_EQ(Data(reply, 56), Bytes(56, 0)) << KindName(kind) << " " << int(code);
        }
        for (uint8_t code : {cmd::kWriteParameters, cmd::kWriteKeyTable, cmd::kWriteColorTable,
                             cmd::kStreamFrame, cmd::kWriteMacroImage}) {
            EXPECT_EQ(Send(*fw, code, 0xFFF0, Bytes(56, 0xEE))[7], kStatusOutOfRange)
                << KindName(kind) << " " << int(code);
        }
        Send(*fw, cmd::kEndWrite, 0, {});
        EXPECT_EQ(fw->Parameters(), params);
        EXPECT_EQ(fw->KeyTable(), keys);
        EXPECT_EQ(fw->FrameCount(), 0u);
        EXPECT_EQ(fw->Violations()[Violation::OutOfRange], 10u) << KindName(kind);
    }
}

TEST(FirmwareFrames, KeepsTheLastCompleteFrameOnly) {
    auto fw = MakeFirmware(DeviceKind::Keyboard);
    Bytes frame(3 * kKeyboardLeds);
    for (size_t i = 0; i < frame.size(); ++i) {
        frame[i] = static_cast<uint8_t>(i);
    }
    for (size_t offset = 0; offset < frame.size(); offset += 56) {
        const size_t n = std::min<size_t>(56, frame.size() - offset);
        Send(*fw, cmd::kStreamFrame, static_cast<uint16_t>(offset),
             Bytes(frame.begin() + static_cast<std::ptrdiff_t>(offset),
                   frame.begin() + static_cast<std::ptrdiff_t>(offset + n)));
    }
    EXPECT_EQ(fw->FrameCount(), 1u);
    EXPECT_EQ(fw->LastFrame(), frame);
    // A frame whose middle chunk was dropped never completes.
    Send(*fw, cmd::kStreamFrame, 0, Bytes(56, 1));
    Send(*fw, cmd::kStreamFrame, 112, Bytes(56, 1));
    for (size_t offset = 168; offset < frame.size(); offset += 56) {
        Send(*fw, cmd::kStreamFrame, static_cast<uint16_t>(offset),
             Bytes(std::min<size_t>(56, frame.size() - offset), 1));
    }
    EXPECT_EQ(fw->FrameCount(), 1u);
    EXPECT_EQ(fw->LastFrame(), frame);
    EXPECT_EQ(fw->Violations().Total(), 0u);
}

TEST(FirmwareMousepad, ReportsTheChargerAndTakesFortyFiveByteFrames) {
    auto pad = MakeFirmware(DeviceKind::Mousepad);
    SetChargerStatus(*pad, 64, 1, 2);
    EXPECT_EQ(Data(Read(*pad, cmd::kReadBytes, 0, 6), 6), (Bytes{64, 1, 0, 0, 0, 2}));
    Send(*pad, cmd::kStreamFrame, 0, Bytes(45, 0x11));
    EXPECT_EQ(pad->FrameCount(), 1u);
    EXPECT_EQ(Send(*pad, cmd::kStreamFrame, 0, Bytes(46, 0x11))[7], kStatusOutOfRange);
    auto probe = Send(*pad, cmd::kProbe, 0, {});
    EXPECT_EQ(probe[3], cmd::kProbe);
    EXPECT_EQ(probe[8], 0xFF);
}

TEST(FirmwareHeadset, LedReportsSetPlanesPerTargetAndValuesAbove247AreFaults) {
    SimHeadset headset;
    std::vector<InputReport> replies;
    Bytes report(kHeadsetLedReportSize, 0);
    report[0] = 0xFF;
    report[1] = 0x44;
    report[2] = 0xAE;  // LEDs 7-12 of plane 1
    for (size_t i = 0; i < 6; ++i) {
        report[4 + i] = static_cast<uint8_t>(10 * (i + 1));
    }
    report[9] = 0xFF;  // LED 12 too bright
    ASSERT_EQ(headset.HandleOutput(3, report.data(), report.size(), replies),
              Firmware::Accept::Taken);
    EXPECT_TRUE(replies.empty());
    const auto planes = headset.LedPlanes(1);
    EXPECT_EQ(planes[7][1], 10);
    EXPECT_EQ(planes[11][1], 50);
    EXPECT_EQ(planes[12][1], kHeadsetMaxLedValue);
    EXPECT_EQ(headset.LedPlanes(0)[7][1], 0);
    EXPECT_EQ(headset.Violations()[Violation::BadValue], 1u);
    EXPECT_EQ(headset.LedReports().back(), report);
    // The command report shares the collection.
    const auto probe = BuildRequest(cmd::kProbe, 0, nullptr, 0);
    ASSERT_EQ(headset.HandleOutput(3, probe.data(), probe.size(), replies),
              Firmware::Accept::Taken);
    EXPECT_EQ(replies.at(0).bytes[8], 0xFF);
}

TEST(FirmwareEvents, KeyEventsParseAsConsumerUsagesOfTheEventCollection) {
    auto fw = MakeFirmware(DeviceKind::Keyboard);
    InputReport press;
    ASSERT_TRUE(fw->EventReport(kUsageKeyPressBase + 7, press));
    EXPECT_EQ(press.bytes, (Bytes{kConsumerReportId, 0x07, 0x05}));
    const auto& parsed = fw->Interface(press.interfaceNumber)->parsed;
    std::vector<uint16_t> usages;
    ASSERT_EQ(parsed.GetUsages(platform::hid::ReportType::Input, 2, 0x0C, press.bytes.data(),
                               press.bytes.size(), usages),
              platform::hid::HidStatus::Success);
    EXPECT_EQ(usages, (std::vector<uint16_t>{0x507}));
    SimHeadset headset;
    EXPECT_FALSE(headset.EventReport(kUsageSyncRequest, press));
}

TEST(FirmwareInspection, ShowsMemoryFramesAndTheLogThroughOneView) {
    auto fw = MakeFirmware(DeviceKind::Mousepad);
    const FirmwareView& view = *fw;
    const std::vector<std::string> params = HexDump(*view.Memory(MemoryArea::Params, 0));
    ASSERT_EQ(params.size(), 16u);  // 256 bytes
    EXPECT_EQ(params[0], "0000: 00 00 05 02 01 01 00 c0 ff 01 00 10 20 00 00 00");
    EXPECT_EQ(params[1].substr(0, 6), "0010: ");
    // The pad has no key table, colour groups or macro memory.
    EXPECT_EQ(view.Memory(MemoryArea::Keys, 0), std::nullopt);
    EXPECT_EQ(view.Memory(MemoryArea::Colors, 0), std::nullopt);

    Send(*fw, cmd::kStreamFrame, 0, Bytes(45, 7));
    Send(*fw, cmd::kWriteParameters, 0, {1});
    const std::vector<std::string> frames = view.FrameLines();
    ASSERT_EQ(frames.size(), 16u);
    EXPECT_EQ(frames[0], "frames: 1");
    EXPECT_EQ(frames[15], "7 7 7");
    EXPECT_EQ(view.LogLines(),
              (std::vector<std::string>{
                  "0x06 WriteParameters: 1", "0x12 StreamFrame: 1", "outside a bracket: 1",
                  "0x06 WriteParameters address 0 length 1", "violations: WriteOutsideBracket=1"}));

    auto keyboard = MakeFirmware(DeviceKind::Keyboard);
    EXPECT_EQ(keyboard->Memory(MemoryArea::Colors, 7)->size(), 512u);
    EXPECT_EQ(keyboard->Memory(MemoryArea::Colors, 8), std::nullopt);
    EXPECT_EQ(HexDump(Bytes{1, 2, 3}), std::vector<std::string>{"0000: 01 02 03"});
}

TEST(FirmwareInspection, TheHeadsetShowsEachTargetsPlanes) {
    auto headset = MakeFirmware(DeviceKind::Headset);
    Bytes report(kHeadsetLedReportSize, 0);
    report[0] = kHeadsetLedReportId;
    report[1] = 0x44;
    report[2] = 0xAD;  // LEDs 7-12 of plane 0
    report[4] = 200;
    std::vector<InputReport> replies;
    headset->HandleOutput(3, report.data(), report.size(), replies);
    const std::vector<std::string> lines = headset->FrameLines();
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0], "frames: 0") << "a frame is complete with its twelfth report";
    EXPECT_EQ(lines[1], "reports: 1");
    EXPECT_EQ(lines[2], "order: 44ad");
    EXPECT_EQ(lines[6], "target 0x44 plane 0: 0 0 0 0 0 0 0 200 0 0 0 0 0");
}

}  // namespace
}  // namespace sim
