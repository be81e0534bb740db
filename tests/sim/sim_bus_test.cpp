#include "sim/sim_bus.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "sim/keyboard_firmware.h"

namespace sim {
namespace {

using Bytes = std::vector<uint8_t>;
using platform::hid::HidHandle;
using platform::hid::IoStatus;
using platform::hid::OpenMode;

// Reads the hexadecimal number after a token, as identity parsing does.
unsigned TokenValue(const std::string& path, const std::string& token) {
    std::string lower = path;
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    const size_t at = lower.find(token);
    unsigned value = 0;
    if (at != std::string::npos) {
        std::sscanf(lower.c_str() + at + token.size(), "%x", &value);
    }
    return value;
}

OpenMode ReadWrite() {
    OpenMode mode;
    mode.read = mode.write = mode.overlapped = true;
    return mode;
}

class SimBusTest : public ::testing::Test {
  protected:
    void SetUp() override {
        bus = MakeBus("keyboard,headset");
        ASSERT_TRUE(bus);
        keyboard = bus->Find(DeviceKind::Keyboard);
        command = bus->Open(keyboard->CommandPath(), ReadWrite());
        ASSERT_TRUE(command);
    }

    IoStatus Send(HidHandle& h, uint8_t code, uint16_t address = 0, const Bytes& data = {}) {
        const auto request = BuildRequest(code, address, data.data(), data.size());
        size_t written = 0;
        return h.Write(request.data(), request.size(), 1000, written);
    }

    // A read request: the length in byte 4 and no data.
    IoStatus SendRead(HidHandle& h, uint8_t code, uint16_t address, uint8_t length) {
        auto request = BuildRequest(code, address, nullptr, 0);
        request[4] = length;
        const uint16_t sum = CommandChecksum(request.data());
        request[1] = static_cast<uint8_t>(sum);
        request[2] = static_cast<uint8_t>(sum >> 8);
        size_t written = 0;
        return h.Write(request.data(), request.size(), 1000, written);
    }

    IoStatus Receive(HidHandle& h, Bytes& reply, int timeoutMs = 1000) {
        reply.assign(64, 0);
        size_t got = 0;
        const IoStatus status = h.Read(reply.data(), reply.size(), timeoutMs, got);
        reply.resize(got);
        return status;
    }

    std::unique_ptr<SimBus> bus;
    std::shared_ptr<SimDevice> keyboard;
    std::unique_ptr<HidHandle> command;
};

TEST(SimBusEnumeration, ListsEveryCollectionWithPathsThatCarryTheIdentity) {
    auto bus = MakeBus("");
    std::vector<platform::hid::CollectionEntry> entries;
    ASSERT_TRUE(bus->Enumerate(entries));
    ASSERT_EQ(entries.size(), 15u);  // 5 + 5 + 4 + 1
    int vendor = 0;
    for (const auto& e : entries) {
        EXPECT_EQ(TokenValue(e.path, "vid_"), e.identity.vendorId) << e.path;
        EXPECT_EQ(TokenValue(e.path, "pid_"), e.identity.productId) << e.path;
        EXPECT_EQ(TokenValue(e.path, "&mi_"), e.identity.interfaceNumber) << e.path;
        EXPECT_EQ(TokenValue(e.path, "&col"), e.identity.collectionNumber) << e.path;
        if (e.identity.usagePage == 0xFF1C) {
            EXPECT_EQ(e.identity.usage, 0x92);
            EXPECT_EQ(e.identity.interfaceNumber, 1);
            EXPECT_EQ(e.identity.collectionNumber, 4);
            ++vendor;
        }
    }
    EXPECT_EQ(vendor, 3);
    const auto headset = bus->Find(DeviceKind::Headset);
    const auto he = headset->Entries();
    ASSERT_EQ(he.size(), 1u);
    EXPECT_EQ(he[0].path.find("&col"), std::string::npos);
    EXPECT_EQ(he[0].identity.interfaceNumber, 3);
    EXPECT_EQ(he[0].identity.usagePage, 0x0C);
    const auto mouse = bus->Find(DeviceKind::Mouse);
    EXPECT_EQ(TokenValue(mouse->EventPath(), "&col"), 3u);
    EXPECT_EQ(TokenValue(mouse->CommandPath(), "vid_"), 0u);
}

TEST(SimBusEnumeration, KindListsChooseTheDevices) {
    std::vector<DeviceKind> kinds;
    ASSERT_TRUE(ParseKinds("sim:mousepad, keyboard", kinds));
    EXPECT_EQ(kinds, (std::vector<DeviceKind>{DeviceKind::Mousepad, DeviceKind::Keyboard}));
    ASSERT_TRUE(ParseKinds("sim", kinds));
    EXPECT_EQ(kinds.size(), 4u);
    std::string bad;
    EXPECT_FALSE(ParseKinds("keyboard,trackball", kinds, &bad));
    EXPECT_EQ(bad, "trackball");
    EXPECT_EQ(MakeBus("trackball"), nullptr);
    EXPECT_EQ(MakeBus("headset")->Devices().size(), 1u);
    EXPECT_TRUE(MakeBus("sim:none")->Devices().empty());
}

TEST(SimBusEnumeration, FailsOnRequestAndRecovers) {
    auto bus = MakeBus("mouse");
    std::vector<platform::hid::CollectionEntry> entries(1);
    bus->SetEnumerationFails(true);
    EXPECT_FALSE(bus->Enumerate(entries));
    EXPECT_TRUE(entries.empty());
    bus->SetEnumerationFails(false);
    EXPECT_TRUE(bus->Enumerate(entries));
    EXPECT_EQ(entries.size(), 5u);
}

TEST_F(SimBusTest, HandlesReportTheCollectionAndItsDescriptor) {
    const auto identity = command->Attributes();
    EXPECT_EQ(identity.vendorId, 0x0C45);
    EXPECT_EQ(identity.version, 0x0105);
    EXPECT_EQ(command->CollectionIndex(), 3);
    const auto parsed = platform::hid::ReportDescriptor::Parse(command->ReportDescriptor());
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->Collections()[3].usage, 0x92);

    // A handle opened while the description is unreadable keeps that state;
    // the open itself and the handles before and after are unaffected.
    keyboard->SetDescriptorUnreadable(true);
    auto broken = bus->Open(keyboard->CommandPath(), ReadWrite());
    keyboard->SetDescriptorUnreadable(false);
    auto later = bus->Open(keyboard->CommandPath(), ReadWrite());
    ASSERT_TRUE(broken && later);
    EXPECT_TRUE(broken->ReportDescriptor().empty());
    EXPECT_EQ(later->ReportDescriptor(), command->ReportDescriptor());
    EXPECT_FALSE(command->ReportDescriptor().empty());
}

TEST_F(SimBusTest, RepliesReachOnlyTheCommandCollection) {
    auto events = bus->Open(keyboard->EventPath(), ReadWrite());
    ASSERT_EQ(Send(*command, cmd::kProbe), IoStatus::Ok);
    Bytes reply;
    ASSERT_EQ(Receive(*command, reply), IoStatus::Ok);
    EXPECT_EQ(reply[3], cmd::kProbe);
    EXPECT_EQ(reply[8], 0xFF);
    EXPECT_EQ(Receive(*events, reply, 0), IoStatus::Timeout);
    // The event collection takes no output report.
    EXPECT_EQ(Send(*events, cmd::kProbe), IoStatus::Failed);
    EXPECT_EQ(events->LastError().code, EINVAL);
    EXPECT_EQ(keyboard->firmware().Violations()[Violation::WrongReport], 1u);
}

TEST_F(SimBusTest, ABlockedEventReadWakesOnAKeyPress) {
    auto events = bus->Open(keyboard->EventPath(), ReadWrite());
    Bytes report;
    IoStatus status = IoStatus::Failed;
    std::thread reader([&] { status = Receive(*events, report, -1); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(keyboard->PressKey(7));
    reader.join();
    EXPECT_EQ(status, IoStatus::Ok);
    EXPECT_EQ(report, (Bytes{0x03, 0x07, 0x05}));
    ASSERT_TRUE(keyboard->RequestSync());
    ASSERT_TRUE(keyboard->ReleaseKey(7));
    ASSERT_EQ(Receive(*events, report), IoStatus::Ok);
    EXPECT_EQ(report, (Bytes{0x03, 0x01, 0x04}));
    ASSERT_EQ(Receive(*events, report), IoStatus::Ok);
    EXPECT_EQ(report, (Bytes{0x03, 0x07, 0x06}));
    EXPECT_FALSE(bus->Find(DeviceKind::Headset)->RequestSync());
    // A profile switched on the device shows in parameter memory and asks for a sync.
    ASSERT_TRUE(keyboard->SwitchProfile(2));
    ASSERT_EQ(Receive(*events, report), IoStatus::Ok);
    EXPECT_EQ(report, (Bytes{0x03, 0x01, 0x04}));
    ASSERT_EQ(SendRead(*command, cmd::kReadParameters, 0, 1), IoStatus::Ok);
    Bytes reply;
    ASSERT_EQ(Receive(*command, reply), IoStatus::Ok);
    EXPECT_EQ(reply[8], 2);
}

TEST_F(SimBusTest, UnplugFailsPendingReadsAndReplugGivesNewPaths) {
    const std::string oldPath = keyboard->CommandPath();
    const uint64_t generation = bus->Generation();
    IoStatus status = IoStatus::Ok;
    std::thread reader([&] {
        Bytes reply;
        status = Receive(*command, reply, -1);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(bus->Unplug(keyboard));
    reader.join();
    EXPECT_EQ(status, IoStatus::Failed);
    EXPECT_EQ(command->LastError().code, ENODEV);
    EXPECT_NE(bus->Generation(), generation);
    EXPECT_EQ(Send(*command, cmd::kProbe), IoStatus::Failed);
    platform::hid::Error error;
    EXPECT_EQ(bus->Open(oldPath, ReadWrite(), &error), nullptr);
    EXPECT_EQ(error.code, ENOENT);
    EXPECT_FALSE(keyboard->PressKey(1));

    const uint64_t unplugged = bus->Generation();
    ASSERT_TRUE(bus->Plug(keyboard));
    EXPECT_NE(bus->Generation(), unplugged);
    EXPECT_NE(keyboard->CommandPath(), oldPath);
    EXPECT_EQ(Send(*command, cmd::kProbe), IoStatus::Failed);  // the old handle stays dead
    auto fresh = bus->Open(keyboard->CommandPath(), ReadWrite());
    ASSERT_TRUE(fresh);
    EXPECT_EQ(Send(*fresh, cmd::kProbe), IoStatus::Ok);
}

TEST_F(SimBusTest, CancelIsAnAutoResetSignal) {
    command->Cancel();
    Bytes reply;
    EXPECT_EQ(Receive(*command, reply, 1000), IoStatus::Cancelled);
    EXPECT_EQ(Receive(*command, reply, 10), IoStatus::Timeout);
    IoStatus status = IoStatus::Ok;
    std::thread reader([&] { status = Receive(*command, reply, -1); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    command->Cancel();
    reader.join();
    EXPECT_EQ(status, IoStatus::Cancelled);
    command->Cancel();
    EXPECT_EQ(Send(*command, cmd::kProbe), IoStatus::Cancelled);
    EXPECT_EQ(Send(*command, cmd::kProbe), IoStatus::Ok);
}

TEST_F(SimBusTest, OpenModesAreEnforced) {
    OpenMode none;
    auto presence = bus->Open(keyboard->CommandPath(), none);
    ASSERT_TRUE(presence);
    Bytes reply;
    EXPECT_EQ(Receive(*presence, reply, 0), IoStatus::Failed);
    EXPECT_EQ(Send(*presence, cmd::kProbe), IoStatus::Failed);
    OpenMode exclusive = ReadWrite();
    exclusive.exclusive = true;
    platform::hid::Error error;
    EXPECT_EQ(bus->Open(keyboard->CommandPath(), exclusive, &error), nullptr);  // a writer exists
    EXPECT_EQ(error.code, EBUSY);
    command.reset();
    auto sole = bus->Open(keyboard->CommandPath(), exclusive);
    ASSERT_TRUE(sole);
    EXPECT_EQ(bus->Open(keyboard->CommandPath(), ReadWrite()), nullptr);
    OpenMode reader;
    reader.read = true;
    EXPECT_NE(bus->Open(keyboard->CommandPath(), reader), nullptr);
    keyboard->SetOpenFails(true);
    EXPECT_EQ(bus->Open(keyboard->EventPath(), reader, &error), nullptr);
    EXPECT_EQ(error.code, EIO);
}

TEST_F(SimBusTest, NoReplyAndStatusFaultsLeaveMemoryAlone) {
    keyboard->InjectFault({FaultType::NoReply, 1});
    ASSERT_EQ(Send(*command, cmd::kBeginWrite), IoStatus::Ok);
    Bytes reply;
    EXPECT_EQ(Receive(*command, reply, 20), IoStatus::Timeout);
    EXPECT_FALSE(keyboard->firmware().InWriteBracket());
    keyboard->InjectFault({FaultType::Status, 2, kStatusOutOfRange});
    ASSERT_EQ(Send(*command, cmd::kWriteParameters, 1, {0x77}), IoStatus::Ok);
    ASSERT_EQ(Receive(*command, reply), IoStatus::Ok);
    EXPECT_EQ(reply[3], cmd::kWriteParameters);
    EXPECT_EQ(reply[7], 0xFE);
    ASSERT_EQ(Send(*command, cmd::kProbe), IoStatus::Ok);
    ASSERT_EQ(Receive(*command, reply), IoStatus::Ok);
    EXPECT_EQ(reply[7], 0xFE);
    EXPECT_NE(keyboard->firmware().Parameters()[1], 0x77);
    ASSERT_EQ(Send(*command, cmd::kProbe), IoStatus::Ok);
    ASSERT_EQ(Receive(*command, reply), IoStatus::Ok);
    EXPECT_EQ(reply[7], kStatusOk);
    EXPECT_EQ(keyboard->firmware().RequestCount(), 4u);
    EXPECT_EQ(keyboard->firmware().Violations().Total(), 0u);
}

TEST_F(SimBusTest, EchoFaultsPutAnotherCommandsCodeInByteThree) {
    keyboard->InjectFault({FaultType::StrayReply, 1});
    ASSERT_EQ(Send(*command, cmd::kReadDeviceInfo), IoStatus::Ok);
    Bytes reply;
    ASSERT_EQ(Receive(*command, reply), IoStatus::Ok);
    EXPECT_EQ(reply[3], cmd::kProbe);
    EXPECT_EQ(reply[1] | reply[2] << 8, CommandChecksum(reply.data()));
    ASSERT_EQ(Receive(*command, reply), IoStatus::Ok);
    EXPECT_EQ(reply[3], cmd::kReadDeviceInfo);

    Fault wrong{FaultType::WrongEcho, 1};
    wrong.echo = cmd::kEndWrite;
    keyboard->InjectFault(wrong);
    ASSERT_EQ(Send(*command, cmd::kProbe), IoStatus::Ok);
    ASSERT_EQ(Receive(*command, reply), IoStatus::Ok);
    EXPECT_EQ(reply[3], cmd::kEndWrite);
    EXPECT_EQ(reply[8], 0xFF);  // the answer itself is right
    EXPECT_EQ(Receive(*command, reply, 10), IoStatus::Timeout);

    // A rejection takes the echo faults too.
    keyboard->InjectFault({FaultType::Status, 1, kStatusRejected});
    keyboard->InjectFault(wrong);
    ASSERT_EQ(Send(*command, cmd::kBeginWrite), IoStatus::Ok);
    ASSERT_EQ(Receive(*command, reply), IoStatus::Ok);
    EXPECT_EQ(reply[3], cmd::kEndWrite);
    EXPECT_EQ(reply[7], kStatusRejected);
    EXPECT_EQ(Receive(*command, reply, 10), IoStatus::Timeout);
    EXPECT_FALSE(keyboard->firmware().InWriteBracket()) << "a rejected request is not acted on";
}

TEST_F(SimBusTest, ALateReplyComesAfterTheTimeoutAndBeforeTheNextReply) {
    Fault late{FaultType::LateReply, 1};
    late.delayMs = 250;  // far beyond the first read's timeout, even on a loaded machine
    keyboard->InjectFault(late);
    ASSERT_EQ(Send(*command, cmd::kReadDeviceInfo), IoStatus::Ok);
    Bytes reply;
    EXPECT_EQ(Receive(*command, reply, 10), IoStatus::Timeout);
    ASSERT_EQ(Send(*command, cmd::kProbe), IoStatus::Ok);
    ASSERT_EQ(Receive(*command, reply, 1000), IoStatus::Ok);
    EXPECT_EQ(reply[3], cmd::kReadDeviceInfo);
    ASSERT_EQ(Receive(*command, reply, 1000), IoStatus::Ok);
    EXPECT_EQ(reply[3], cmd::kProbe);
}

TEST_F(SimBusTest, UnplugInTheMiddleOfAChunkedTransfer) {
    keyboard->InjectFault({FaultType::UnplugAfter, 2});
    ASSERT_EQ(Send(*command, cmd::kBeginWrite), IoStatus::Ok);
    const Bytes chunk(56, 0x5A);
    ASSERT_EQ(Send(*command, cmd::kWriteMacroImage, 0, chunk), IoStatus::Ok);
    EXPECT_EQ(Send(*command, cmd::kWriteMacroImage, 56, chunk), IoStatus::Failed);
    EXPECT_FALSE(keyboard->IsPlugged());
    Bytes reply;
    EXPECT_EQ(Receive(*command, reply, 0), IoStatus::Failed);  // queued replies are gone
    const Bytes macro = keyboard->firmware().MacroMemory();
    EXPECT_EQ(macro[55], 0x5A);
    EXPECT_EQ(macro[56], 0x00);
    EXPECT_TRUE(keyboard->firmware().InWriteBracket());
}

TEST_F(SimBusTest, RepliesFollowTheConfiguredLatency) {
    keyboard->SetReplyLatency(std::chrono::milliseconds(250));
    ASSERT_EQ(Send(*command, cmd::kProbe), IoStatus::Ok);
    Bytes reply;
    EXPECT_EQ(Receive(*command, reply, 0), IoStatus::Timeout);
    EXPECT_EQ(Receive(*command, reply, 1000), IoStatus::Ok);
}

// The host's threads at once: commands from the UI thread and frames from the
// lighting thread share one handle under an I/O lock, the input thread reads
// the event collection, and a second device comes and goes meanwhile.
TEST(SimBusConcurrency, ThreadsShareTheBusWithoutLosingReplies) {
    auto bus = MakeBus("keyboard,mousepad");
    auto keyboard = bus->Find(DeviceKind::Keyboard);
    auto pad = bus->Find(DeviceKind::Mousepad);
    auto command = bus->Open(keyboard->CommandPath(), ReadWrite());
    auto events = bus->Open(keyboard->EventPath(), ReadWrite());
    std::mutex ioLock;
    std::atomic<int> mismatches{0};
    auto exchange = [&](uint8_t code, uint16_t address, const Bytes& data) {
        std::lock_guard lock(ioLock);
        const auto request = BuildRequest(code, address, data.data(), data.size());
        size_t n = 0;
        Bytes reply(64);
        if (command->Write(request.data(), 64, 1000, n) != IoStatus::Ok ||
            command->Read(reply.data(), 64, 1000, n) != IoStatus::Ok || reply[3] != code) {
            ++mismatches;
        }
    };
    constexpr int kRounds = 200;
    std::thread ui([&] {
        for (int i = 0; i < kRounds; ++i) {
            exchange(cmd::kBeginWrite, 0, {});
            exchange(cmd::kWriteParameters, 1, {static_cast<uint8_t>(i)});
            exchange(cmd::kEndWrite, 0, {});
        }
    });
    std::thread lighting([&] {
        for (int i = 0; i < kRounds; ++i) {
            exchange(cmd::kStreamFrame, 0, Bytes(56, static_cast<uint8_t>(i)));
        }
    });
    std::atomic<int> received{0};
    std::thread input([&] {
        Bytes report(3);
        size_t n = 0;
        while (events->Read(report.data(), 3, -1, n) == IoStatus::Ok) {
            ++received;
        }
    });
    std::thread hotplug([&] {
        std::vector<platform::hid::CollectionEntry> entries;
        for (int i = 0; i < 50; ++i) {
            bus->Unplug(pad);
            bus->Enumerate(entries);
            bus->Plug(pad);
        }
    });
    for (int i = 0; i < 100; ++i) {
        keyboard->PressKey(static_cast<uint8_t>(i));
    }
    ui.join();
    lighting.join();
    hotplug.join();
    while (received.load() < 64) {  // the input buffer may drop the oldest
        std::this_thread::yield();
    }
    events->Cancel();
    input.join();
    EXPECT_EQ(mismatches.load(), 0);
    EXPECT_EQ(keyboard->firmware().Violations().Total(), 0u)
        << keyboard->firmware().Violations().Describe();
    EXPECT_EQ(keyboard->firmware().CommitCount(), static_cast<uint32_t>(kRounds));
    EXPECT_EQ(keyboard->firmware().Parameters()[1], kRounds - 1);
    EXPECT_TRUE(pad->IsPlugged());
}

// Unplugging under blocked readers and busy writers: every call returns, none
// hangs, and a reopened handle works on the new plug.
TEST(SimBusConcurrency, UnplugUnderBusyThreadsReleasesEveryCall) {
    auto bus = MakeBus("keyboard");
    auto keyboard = bus->Find(DeviceKind::Keyboard);
    std::atomic<bool> stop{false};
    std::atomic<int> calls{0};
    auto worker = [&](bool events) {
        while (!stop) {
            auto handle =
                bus->Open(events ? keyboard->EventPath() : keyboard->CommandPath(), ReadWrite());
            if (!handle) {
                std::this_thread::yield();
                continue;
            }
            Bytes buffer(64);
            size_t n = 0;
            for (;;) {
                const auto request = BuildRequest(cmd::kProbe, 0, nullptr, 0);
                if (!events && handle->Write(request.data(), 64, 100, n) != IoStatus::Ok) {
                    break;
                }
                const IoStatus status = handle->Read(buffer.data(), 64, events ? -1 : 100, n);
                ++calls;
                if (status == IoStatus::Failed || stop) {
                    break;
                }
            }
        }
    };
    std::thread commands(worker, false);
    std::thread events(worker, true);
    for (int i = 0; i < 30; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        bus->Unplug(keyboard);
        bus->Plug(keyboard);
        keyboard->PressKey(static_cast<uint8_t>(i));
    }
    stop = true;
    bus->Unplug(keyboard);  // wakes the event reader for good
    commands.join();
    events.join();
    EXPECT_GT(calls.load(), 0);
    EXPECT_EQ(keyboard->OpenHandles(), 0);
    EXPECT_EQ(keyboard->firmware().Violations().Total(), 0u);
}

}  // namespace
}  // namespace sim
