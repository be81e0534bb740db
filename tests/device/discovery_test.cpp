// The discovery loop and its slot list on the simulated bus.

#include "device/discovery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "device/catalogue.h"
#include "platform/trace/trace.h"
#include "sim/keyboard_firmware.h"
#include "sim/sim_bus.h"

namespace {

using Clock = std::chrono::steady_clock;

// Passes everything to the bus and remembers which paths were opened for reading.
class RecordingBackend : public platform::hid::HidBackend {
  public:
    explicit RecordingBackend(sim::SimBus& bus) : m_bus(bus) {}
    bool Enumerate(std::vector<platform::hid::CollectionEntry>& out) override {
        return m_bus.Enumerate(out);
    }
    std::unique_ptr<platform::hid::HidHandle> Open(const std::string& path,
                                                   const platform::hid::OpenMode& mode,
                                                   platform::hid::Error* error) override {
        if (mode.read || mode.write) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_probed.push_back(path);
            EXPECT_FALSE(mode.write) << "probing never asks for write access";
            EXPECT_FALSE(mode.exclusive);
        }
        return m_bus.Open(path, mode, error);
    }
    uint64_t Generation() override { return m_bus.Generation(); }
    std::string Name() const override { return "recording"; }
    std::vector<std::string> Probed() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_probed;
    }

  private:
    sim::SimBus& m_bus;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_probed;
};

// Notifications in order, as "+slot" and "-slot", with the slot as seen inside
// the notification.
class Recorder : public device::IDiscoveryListener {
  public:
    explicit Recorder(const device::CSlotList& slots) : m_slots(slots) {}
    void OnSlotArrived(size_t slot) override {
        const auto record = m_slots.Get(slot);
        EXPECT_TRUE(record && record->connected == 1 && !record->path.empty());
        Add("+" + std::to_string(slot));
    }
    void OnSlotRemoved(size_t slot) override {
        const auto record = m_slots.Get(slot);
        EXPECT_TRUE(record && record->connected == 0 && record->path.empty());
        Add("-" + std::to_string(slot));
    }
    void OnFirstPass() override { firstPasses.fetch_add(1); }
    std::vector<std::string> Take() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return std::exchange(m_events, {});
    }
    std::atomic<int> firstPasses{0};

  private:
    void Add(std::string event) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_events.push_back(std::move(event));
    }
    const device::CSlotList& m_slots;
    std::mutex m_mutex;
    std::vector<std::string> m_events;
};

using Events = std::vector<std::string>;

class DiscoveryTest : public ::testing::Test {
  protected:
    std::string SlotPath(size_t slot) const { return slots.Get(slot)->path; }

    sim::SimBus bus;
    RecordingBackend backend{bus};
    device::CSlotList slots;
    Recorder recorder{slots};
    device::CDeviceDiscovery discovery{backend, slots, recorder};
};

TEST_F(DiscoveryTest, KeyboardFillsItsCommandAndEventSlots) {
    auto keyboard = bus.Add(sim::DeviceKind::Keyboard);
    discovery.RunPass();
    EXPECT_EQ(recorder.Take(), (Events{"+1", "+0"}));
    EXPECT_EQ(SlotPath(0), keyboard->CommandPath());
    EXPECT_EQ(SlotPath(1), keyboard->EventPath());
    EXPECT_EQ(recorder.firstPasses.load(), 1);
    // Only the two catalogue collections are opened; the boot interface never.
    EXPECT_EQ(backend.Probed().size(), 2u);
}

TEST_F(DiscoveryTest, HeadsetWithoutCollectionPartFillsSlotSix) {
    auto headset = bus.Add(sim::DeviceKind::Headset);
    discovery.RunPass();
    EXPECT_EQ(recorder.Take(), (Events{"+6"}));
    EXPECT_EQ(SlotPath(6), headset->CommandPath());
    EXPECT_EQ(slots.Get(6)->kind, device::kKindHeadset);
}

TEST_F(DiscoveryTest, InterfaceOutsideTheCatalogueIsNeverProbed) {
    sim::FirmwareLayout layout = sim::KeyboardLayout();
    sim::InterfaceSpec extra = layout.interfaces.back();
    extra.number = 2;
    layout.interfaces.push_back(extra);
    auto keyboard = bus.Add(std::make_unique<sim::Firmware>(std::move(layout)));
    discovery.RunPass();
    EXPECT_EQ(recorder.Take(), (Events{"+1", "+0"}));
    for (const std::string& path : backend.Probed()) {
        EXPECT_EQ(path.find("mi_02"), std::string::npos) << path;
    }
}

TEST_F(DiscoveryTest, SecondDeviceOfTheSameIdentityWaitsForTheFirstToGo) {
    auto first = bus.Add(sim::DeviceKind::Keyboard);
    auto second = bus.Add(sim::DeviceKind::Keyboard);
    discovery.RunPass();
    EXPECT_EQ(recorder.Take(), (Events{"+1", "+0"}));
    EXPECT_EQ(SlotPath(0), first->CommandPath());
    discovery.RunPass();
    EXPECT_TRUE(recorder.Take().empty());

    bus.Unplug(first);
    discovery.RunPass();
    EXPECT_EQ(recorder.Take(), (Events{"-0", "-1"}));
    discovery.RunPass();
    EXPECT_EQ(recorder.Take(), (Events{"+1", "+0"}));
    EXPECT_EQ(SlotPath(0), second->CommandPath());
}

TEST_F(DiscoveryTest, RemovalIsReportedOnceAndReplugIsFoundAgain) {
    auto pad = bus.Add(sim::DeviceKind::Mousepad);
    discovery.RunPass();
    EXPECT_EQ(recorder.Take(), (Events{"+5", "+4"}));
    const std::string oldPath = SlotPath(4);
    bus.Unplug(pad);
    discovery.RunPass();
    discovery.RunPass();
    EXPECT_EQ(recorder.Take(), (Events{"-4", "-5"}));
    bus.Plug(pad);
    discovery.RunPass();
    EXPECT_EQ(recorder.Take(), (Events{"+5", "+4"}));
    EXPECT_NE(SlotPath(4), oldPath);
    EXPECT_EQ(recorder.firstPasses.load(), 1);
}

TEST_F(DiscoveryTest, InterfaceThatCannotBeOpenedIsTriedAgainNextPass) {
    auto pad = bus.Add(sim::DeviceKind::Mousepad);
    pad->SetOpenFails(true);
    discovery.RunPass();
    EXPECT_TRUE(recorder.Take().empty());
    pad->SetOpenFails(false);
    discovery.RunPass();
    EXPECT_EQ(recorder.Take(), (Events{"+5", "+4"}));
}

TEST_F(DiscoveryTest, InterfaceWhoseDescriptionCannotBeReadIsClosedAndTriedAgain) {
    auto pad = bus.Add(sim::DeviceKind::Mousepad);
    pad->SetDescriptorUnreadable(true);
    discovery.RunPass();
    EXPECT_TRUE(recorder.Take().empty());
    EXPECT_EQ(pad->OpenHandles(), 0) << "the probe closes what it opened";
    EXPECT_FALSE(slots.Get(4)->connected);
    pad->SetDescriptorUnreadable(false);
    discovery.RunPass();
    EXPECT_EQ(recorder.Take(), (Events{"+5", "+4"}));
    EXPECT_EQ(pad->OpenHandles(), 0);
}

TEST_F(DiscoveryTest, FailedEnumerationKeepsTheLoopGoing) {
    auto headset = bus.Add(sim::DeviceKind::Headset);
    bus.SetEnumerationFails(true);
    discovery.RunPass();
    EXPECT_TRUE(recorder.Take().empty());
    EXPECT_EQ(recorder.firstPasses.load(), 1) << "the window comes up even so";
    EXPECT_EQ(discovery.Stats().enumerationFailures.load(), 1u);
    bus.SetEnumerationFails(false);
    discovery.RunPass();
    EXPECT_EQ(recorder.Take(), (Events{"+6"}));
}

TEST(DiscoverySlots, DuplicateRowsTakeTwoInterfacesButNeverOneInterfaceTwice) {
    std::vector<device::InterfaceRecord> rows(2, device::InterfaceCatalogue()[6]);
    sim::SimBus bus;
    device::CSlotList slots(rows);
    Recorder recorder(slots);
    device::CDeviceDiscovery discovery(bus, slots, recorder);
    auto first = bus.Add(sim::DeviceKind::Headset);
    discovery.RunPass();
    discovery.RunPass();
    EXPECT_EQ(recorder.Take(), (Events{"+0"}));
    auto second = bus.Add(sim::DeviceKind::Headset);
    discovery.RunPass();
    EXPECT_EQ(recorder.Take(), (Events{"+1"}));
    EXPECT_EQ(slots.Get(1)->path, second->CommandPath());
}

TEST_F(DiscoveryTest, StopIsHonouredWithinOnePass) {
    bus.Add(sim::DeviceKind::Keyboard);
    ASSERT_TRUE(discovery.Start());
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (recorder.firstPasses.load() == 0 && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(recorder.firstPasses.load(), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));  // into the sleep between passes
    const auto start = Clock::now();
    discovery.RequestStop();
    EXPECT_TRUE(discovery.WaitStopped(device::CDeviceDiscovery::kPassInterval));
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(60)) << "the sleep wakes on stop";
    discovery.Stop();
    EXPECT_FALSE(discovery.IsRunning());
}

// Holds the discovery thread inside its arrival notification until released.
class BlockingListener : public device::IDiscoveryListener {
  public:
    void OnSlotArrived(size_t) override {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_inside = true;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_released; });
    }
    void OnSlotRemoved(size_t) override {}
    void OnFirstPass() override {}
    bool WaitInside() {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(3), [this] { return m_inside; });
    }
    void Release() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_released = true;
        m_changed.notify_all();
    }

  private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_inside = false;
    bool m_released = false;
};

TEST(DiscoveryThread, StopWaitsForABusyNotificationAndNeverKillsTheThread) {
    std::vector<std::string> lines;
    std::mutex linesMutex;
    platform::trace::SetSink([&](std::string_view line) {
        std::lock_guard<std::mutex> lock(linesMutex);
        lines.emplace_back(line);
    });
    sim::SimBus bus;
    device::CSlotList slots;
    BlockingListener listener;
    device::CDeviceDiscovery discovery(bus, slots, listener);
    bus.Add(sim::DeviceKind::Headset);
    ASSERT_TRUE(discovery.Start());
    ASSERT_TRUE(listener.WaitInside());
    discovery.RequestStop();
    EXPECT_FALSE(discovery.WaitStopped(std::chrono::milliseconds(50)));
    EXPECT_TRUE(discovery.IsRunning()) << "a thread that has not ended is left running";
    listener.Release();
    EXPECT_TRUE(discovery.WaitStopped(std::chrono::seconds(3)));
    EXPECT_FALSE(discovery.IsRunning());
    discovery.Stop();
    platform::trace::SetSink({});
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "抓取设备线程设定退出"), 1);
    EXPECT_TRUE(slots.Get(6)->connected) << "the pass that was stopped still completed its slot";
}

// A listener that gives up on discovery from inside a notification.
class StoppingListener : public device::IDiscoveryListener {
  public:
    device::CDeviceDiscovery* discovery = nullptr;
    std::atomic<int> arrivals{0};
    void OnSlotArrived(size_t) override {
        arrivals.fetch_add(1);
        discovery->Stop();
    }
    void OnSlotRemoved(size_t) override {}
    void OnFirstPass() override {}
};

TEST(DiscoveryThread, StopFromInsideANotificationEndsTheLoopWithoutDeadlock) {
    sim::SimBus bus;
    device::CSlotList slots;
    StoppingListener listener;
    device::CDeviceDiscovery discovery(bus, slots, listener);
    listener.discovery = &discovery;
    bus.Add(sim::DeviceKind::Keyboard);
    ASSERT_TRUE(discovery.Start());
    EXPECT_TRUE(discovery.WaitStopped(std::chrono::seconds(3)));
    EXPECT_EQ(listener.arrivals.load(), 1) << "the pass ends at the stop";
    discovery.Stop();
    EXPECT_FALSE(discovery.IsRunning());
}

TEST_F(DiscoveryTest, RunningLoopReportsHotPlugWithinAFewPasses) {
    ASSERT_TRUE(discovery.Start());
    auto headset = bus.Add(sim::DeviceKind::Headset);
    const auto waitFor = [&](const Events& expected) {
        Events seen;
        const auto deadline = Clock::now() + std::chrono::seconds(3);
        while (seen.size() < expected.size() && Clock::now() < deadline) {
            for (auto& event : recorder.Take()) {
                seen.push_back(event);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return seen == expected;
    };
    EXPECT_TRUE(waitFor({"+6"}));
    bus.Unplug(headset);
    EXPECT_TRUE(waitFor({"-6"}));
    discovery.Stop();
}

}  // namespace
