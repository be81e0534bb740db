// The base device object on the simulated mousepad: page binding, the frame
// push and its back-off, function tabs, the event interface's thread.
#include "device/usb_device.h"

#include <gtest/gtest.h>

#include "device/lighting_frame.h"
#include "sim/mousepad_firmware.h"
#include "tests/device/usb_device_test_support.h"

namespace {

class PlainPage : public CVeldmarkUSBDevice {
  public:
    explicit PlainPage(platform::hid::HidBackend& backend) : CVeldmarkUSBDevice(backend) {}
    using CVeldmarkUSBDevice::ReplaceCustomColors;
};

// A power control that records what the page hands it.
class RecordingPower : public ui::Control, public PowerStatusView {
  public:
    void SetExtra(int value) override { extras.push_back(value); }
    void ShowStatus(std::span<const uint8_t>) override { ++statuses; }
    std::vector<int> extras;
    int statuses = 0;
};

class UsbDeviceTest : public PageTest {
  protected:
    void SetUp() override {
        PageTest::SetUp();
        pad = bus->Find(sim::DeviceKind::Mousepad);
        auto owned = std::make_unique<PlainPage>(*bus);
        page = owned.get();
        page->SetPageLayout("XML\\DeviceXml\\test.xml");
        page->SetKeyCount(3);
        page->SetLedCount(sim::kMousepadLeds);
        window->Attach(std::move(owned));
        option = static_cast<ui::Container*>(page)->Add(std::make_unique<ui::Control>());
        page->SetOptionControl(option);
    }
    TestLightButton* AddButton(ui::Container& panel, const std::string& name,
                               const std::string& userData) {
        auto button = std::make_unique<TestLightButton>();
        button->SetName(name);
        button->SetUserData(userData);
        return panel.Add(std::move(button));
    }
    ui::Container* AddPanel() { return page->Add(std::make_unique<TestSelectPanel>()); }
    bool OpenChannel() { return page->Channel().OpenInterface(pad->CommandPath(), 3); }

    std::shared_ptr<sim::SimDevice> pad;
    PlainPage* page = nullptr;
    ui::Control* option = nullptr;
};

TEST_F(UsbDeviceTest, BindsKeysByNameAndLightsByUserDataWithinTheCounts) {
    ui::Container* panel = AddPanel();
    TestLightButton* key2 = AddButton(*panel, "KEY_2", "");
    TestLightButton* light14 = AddButton(*panel, "a", "light_14");
    AddButton(*panel, "key_3", "light_15");  // both past the counts
    AddButton(*panel, "key", "light");       // no index at all
    AddButton(*panel, "key_x1", "light_-1");
    page->InitPage();

    EXPECT_EQ(page->KeyButton(2), key2);
    EXPECT_EQ(page->LightControl(14), light14);
    EXPECT_EQ(page->KeyButton(3), nullptr);
    for (int i = 0; i < 14; ++i) {
        EXPECT_EQ(page->LightControl(i), nullptr) << i;
    }
    EXPECT_EQ(light14->shownColor, 0xFFFFFFu);
    EXPECT_EQ(light14->shownAlpha, 255);
    EXPECT_TRUE(light14->shownLit);
    EXPECT_EQ(key2->shows, 0);
}

TEST_F(UsbDeviceTest, PageWithoutSelectPanelBindsNothingAndOnlyStreams) {
    ASSERT_TRUE(OpenChannel());
    page->InitPage();
    EXPECT_EQ(page->GetSelectPanel(), nullptr);
    EXPECT_EQ(page->LightControl(0), nullptr);
    page->SetLedColor(0, {200, 100, 50, 128});
    page->PushFrame();
    const std::vector<uint8_t> frame = pad->firmware().LastFrame();
    ASSERT_EQ(frame.size(), 45u);
    EXPECT_EQ(frame[0], 200 * 128 >> 8);
    EXPECT_EQ(frame[1], 100 * 128 >> 8);
    EXPECT_EQ(frame[2], 50 * 128 >> 8);
    EXPECT_EQ(pad->firmware().Violations().Total(), 0u);
}

TEST_F(UsbDeviceTest, LedColorOutsideTheFrameReadsDarkAndIgnoresWrites) {
    page->SetLedColor(-1, {1, 2, 3, 4});
    page->SetLedColor(sim::kMousepadLeds, {1, 2, 3, 4});
    EXPECT_EQ(page->GetLedColor(-1), device::LedColor{});
    EXPECT_EQ(page->GetLedColor(sim::kMousepadLeds), device::LedColor{});
    page->SetLedColor(14, {1, 2, 3, 4});
    EXPECT_EQ(page->GetLedColor(14), (device::LedColor{1, 2, 3, 4}));
}

// A stored mode is a whole number: one that only matches a layer mode in its
// low byte (257 = 0x101) must not lay a colour over the LED.
TEST_F(UsbDeviceTest, CustomColourModesAreNotCutToOneByte) {
    LightListEntry wide;
    wide.mode = 257;
    wide.red = 200;
    wide.brightness = 4;
    wide.present = 1;
    LightListEntry fixed = wide;
    fixed.mode = 1;
    page->ReplaceCustomColors({wide, fixed});
    for (device::LedColor& led : page->Engine().Frame()) {
        led = {1, 2, 3, 4};
    }
    page->Engine().ApplyLayers();
    EXPECT_EQ(page->Engine().Frame()[0], (device::LedColor{1, 2, 3, 4}));
    EXPECT_NE(page->Engine().Frame()[1], (device::LedColor{1, 2, 3, 4}));
}

TEST_F(UsbDeviceTest, InactiveLightingUpdatesNeitherPageNorDevice) {
    ui::Container* panel = AddPanel();
    TestLightButton* light0 = AddButton(*panel, "l0", "light_0");
    page->InitPage();
    ASSERT_TRUE(OpenChannel());
    const int shows = light0->shows;
    page->SetLightingActive(false);
    page->SetLedColor(0, {255, 0, 0, 255});
    page->PushFrame();
    EXPECT_EQ(light0->shows, shows);
    EXPECT_EQ(pad->firmware().FrameCount(), 0u);

    page->SetLightingActive(true);
    page->PushFrame();
    EXPECT_EQ(light0->shownColor, device::LightControlColor({255, 0, 0, 255}));
    EXPECT_EQ(pad->firmware().FrameCount(), 1u);
}

// The device gets every frame; the page's lights take one at most every
// kShowPeriodMs of the UI clock, the latest one, and the first push always.
TEST_F(UsbDeviceTest, LightsFollowAtDisplayPaceWhileTheDeviceGetsEveryFrame) {
    ui::Container* panel = AddPanel();
    TestLightButton* light0 = AddButton(*panel, "l0", "light_0");
    page->InitPage();
    ASSERT_TRUE(OpenChannel());
    const int period = CVeldmarkUSBDevice::kShowPeriodMs;
    const int initShows = light0->shows;

    std::vector<int> shownAt;  // ms since the first push
    for (int t = 0; t <= 2 * period + 10; t += 5) {
        const auto level = static_cast<uint8_t>(10 + t);
        page->SetLedColor(0, {level, 0, 0, 255});
        const int shows = light0->shows;
        page->PushFrame();
        ASSERT_EQ(pad->firmware().FrameCount(), static_cast<uint64_t>(t / 5 + 1)) << t;
        EXPECT_EQ(pad->firmware().LastFrame()[0], level * 255 >> 8) << t;
        if (light0->shows != shows) {
            shownAt.push_back(t);
            EXPECT_EQ(light0->shownColor, device::LightControlColor({level, 0, 0, 255})) << t;
        } else {
            EXPECT_NE(light0->shownColor, device::LightControlColor({level, 0, 0, 255})) << t;
        }
        host->AdvanceBy(5);
    }
    EXPECT_EQ(shownAt, (std::vector<int>{0, 35, 70}));
    EXPECT_EQ(light0->shows - initShows, 3);
    EXPECT_EQ(pad->firmware().Violations().Total(), 0u);
}

TEST_F(UsbDeviceTest, FailedStreamRestsTheDeviceForTwoHundredMillisecondsWithoutBlocking) {
    ASSERT_TRUE(OpenChannel());
    pad->InjectFault({sim::FaultType::Status, 1, sim::kStatusRejected});
    page->PushFrame();
    const uint64_t afterFailure = pad->firmware().RequestCount();
    host->AdvanceBy(195);
    page->PushFrame();
    EXPECT_EQ(pad->firmware().RequestCount(), afterFailure);
    host->AdvanceBy(5);
    page->PushFrame();
    EXPECT_GT(pad->firmware().RequestCount(), afterFailure);
    EXPECT_EQ(pad->firmware().FrameCount(), 1u);
}

TEST_F(UsbDeviceTest, FunctionModesSelectTheirTabs) {
    auto* functions = page->Add(std::make_unique<ui::TabLayout>());
    auto* keys = page->Add(std::make_unique<ui::TabLayout>());
    functions->SetName("device_function_switch");
    keys->SetName("device_key_function_switch");
    for (int i = 0; i < 3; ++i) {
        functions->Add(std::make_unique<ui::Control>());
        keys->Add(std::make_unique<ui::Control>());
    }
    const struct {
        int mode, function, key;
    } cases[] = {{3, 1, -1}, {7, 1, -1}, {5, 2, -1}, {2, 0, 1}, {6, 0, 1}, {4, 0, 2}, {1, 0, 0}};
    for (const auto& c : cases) {
        keys->SelectItem(2);
        page->SetFunctionMode(c.mode);
        EXPECT_EQ(page->GetFunctionMode(), c.mode);
        EXPECT_EQ(functions->GetCurSel(), c.function) << c.mode;
        EXPECT_EQ(keys->GetCurSel(), c.key < 0 ? 2 : c.key) << c.mode;
    }
}

TEST_F(UsbDeviceTest, SyncRequestArmsTheEntryTimerOnTheUiThread) {
    page->OpenSyncInterface(pad->EventPath());
    ASSERT_TRUE(page->EventChannel().IsOpen());
    ASSERT_TRUE(pad->RequestSync());
    EXPECT_TRUE(AdvanceUntil([&] { return option->HasTimer(device_timer::kReadState); }, 2000));
    page->CloseSyncInterface();
    EXPECT_FALSE(page->EventChannel().IsOpen());
    EXPECT_FALSE(page->IsSyncThreadRunning());
}

TEST_F(UsbDeviceTest, StoppingTheInputThreadWakesItsBlockedRead) {
    page->OpenSyncInterface(pad->EventPath());
    ASSERT_TRUE(WaitReal([&] { return page->IsSyncThreadRunning(); }, 1000));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // into its read
    const auto start = std::chrono::steady_clock::now();
    page->CloseSyncInterface();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
    EXPECT_FALSE(page->IsSyncThreadRunning());
}

TEST_F(UsbDeviceTest, PageWithoutLayoutHasNoKeysLightsOrFrameAndStreamsNothing) {
    ui::Container* panel = AddPanel();
    AddButton(*panel, "key_0", "light_0");
    page->SetPageLayout("");
    page->InitPage();
    EXPECT_EQ(page->GetKeyCount(), 0);
    EXPECT_EQ(page->GetLedCount(), 0);
    EXPECT_EQ(page->KeyButton(0), nullptr);
    EXPECT_EQ(page->LightControl(0), nullptr);
    page->SetLedColor(0, {1, 2, 3, 4});
    EXPECT_EQ(page->GetLedColor(0), device::LedColor{});
    ASSERT_TRUE(OpenChannel());
    page->PushFrame();
    EXPECT_EQ(pad->firmware().FrameCount(), 0u);
}

// Setting the count again, even to the same number, starts from a dark frame
// and an empty light list; the engine must not keep drawing the old layers.
TEST_F(UsbDeviceTest, SettingTheLedCountAgainDarkensTheFrameAndEmptiesTheLayers) {
    LightListEntry fixed;
    fixed.mode = 1;
    fixed.red = 200;
    fixed.brightness = 5;
    page->ReplaceCustomColors(std::vector<LightListEntry>(sim::kMousepadLeds, fixed));
    page->SetLedColor(3, {1, 2, 3, 4});
    page->SetLedCount(sim::kMousepadLeds);

    EXPECT_EQ(page->GetLedColor(3), device::LedColor{});
    const std::vector<LightListEntry> layers = page->CustomColors();
    ASSERT_EQ(layers.size(), static_cast<size_t>(sim::kMousepadLeds));
    for (const LightListEntry& entry : layers) {
        EXPECT_EQ(entry, LightListEntry{});
    }
    for (device::LedColor& led : page->Engine().Frame()) {
        led = {1, 2, 3, 4};
    }
    page->Engine().ApplyLayers();
    EXPECT_EQ(page->Engine().Frame()[0], (device::LedColor{1, 2, 3, 4}));
}

TEST_F(UsbDeviceTest, ExtraReachesThePowerControlWhicheverIsSetFirst) {
    RecordingPower power;
    page->SetExtra(3);
    page->SetPowerControl(&power);
    page->SetExtra(0);
    EXPECT_EQ(power.extras, (std::vector<int>{3, 0}));
    EXPECT_EQ(page->GetExtra(), 0);
    EXPECT_EQ(page->GetPowerControl(), &power);
    page->SetPowerControl(nullptr);
    page->SetExtra(1);  // no control: only stored
    EXPECT_EQ(power.extras.size(), 2u);
    EXPECT_EQ(page->GetExtra(), 1);
}

TEST_F(UsbDeviceTest, IdentitySetsKindAndRoleFromTheSlot) {
    device::InterfaceRecord slot;
    slot.kind = 3;
    slot.role = 255;
    slot.path = "somewhere";
    page->SetIdentity(slot);
    EXPECT_EQ(page->GetKind(), 3);
    EXPECT_EQ(page->GetRole(), 255);
    EXPECT_EQ(page->GetIdentity().path, "somewhere");
}

TEST_F(UsbDeviceTest, InputThreadStartsEvenWhenTheEventInterfaceFailsToOpen) {
    pad->SetOpenFails(true);
    page->OpenSyncInterface(pad->EventPath());
    EXPECT_FALSE(page->EventChannel().IsOpen());
    EXPECT_TRUE(WaitReal([&] { return page->IsSyncThreadRunning(); }, 1000));

    // The next arrival opens it; the thread then reads it.
    pad->SetOpenFails(false);
    page->OpenSyncInterface(pad->EventPath());
    ASSERT_TRUE(page->EventChannel().IsOpen());
    ASSERT_TRUE(pad->RequestSync());
    EXPECT_TRUE(AdvanceUntil([&] { return option->HasTimer(device_timer::kReadState); }, 2000));
}

TEST_F(UsbDeviceTest, EventsOtherThanTheSyncRequestArmNothing) {
    page->OpenSyncInterface(pad->EventPath());
    ASSERT_TRUE(page->EventChannel().IsOpen());
    ASSERT_TRUE(pad->SendEvent(0x404));
    ASSERT_TRUE(pad->PressKey(3));  // a key event on a page without a key hook
    EXPECT_FALSE(AdvanceUntil([&] { return option->HasTimer(device_timer::kReadState); }, 300));
    // The thread is still reading: a sync request after them is seen.
    ASSERT_TRUE(pad->RequestSync());
    EXPECT_TRUE(AdvanceUntil([&] { return option->HasTimer(device_timer::kReadState); }, 2000));
}

}  // namespace
