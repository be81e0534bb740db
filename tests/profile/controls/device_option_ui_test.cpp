// The selection entry: icons by kind and synchronisation, power tab, and the
// timers that drive its page.
#include "profile/controls/device_option_ui.h"

#include <gtest/gtest.h>

#include "device/usb_device.h"
#include "platform/ui/tree_observer.h"
#include "tests/device/usb_device_test_support.h"

namespace {

class CountingPage : public CVeldmarkUSBDevice {
  public:
    explicit CountingPage(platform::hid::HidBackend& backend) : CVeldmarkUSBDevice(backend) {}
    void ConnectDevice() override { ++connects; }
    void PushFrame() override {
        ++pushes;
        if (clock != nullptr) {
            pushTimes.push_back(clock->NowMs());
        }
    }
    void ReadDeviceState() override { ++reads; }
    void TimerHook1003() override { ++hooks; }
    void TimerHook1004() override { ++hooks; }
    void PollStatus() override { ++polls; }
    int connects = 0, pushes = 0, reads = 0, hooks = 0, polls = 0;
    const ui::Clock* clock = nullptr;
    std::vector<int64_t> pushTimes;
};

// Counts the repaints one control asks for.
class RepaintCounter : public ui::TreeObserver {
  public:
    explicit RepaintCounter(const ui::Control* watched) : m_watched(watched) {}
    void OnPropertyChanged(ui::Control&, ui::Property) override {}
    void OnChildInserted(ui::Container&, ui::Control&, size_t) override {}
    void OnChildRemoving(ui::Container&, ui::Control&, size_t) override {}
    void OnRepaintRequested(ui::Control& control) override { repaints += &control == m_watched; }
    int repaints = 0;

  private:
    const ui::Control* m_watched;
};

class DeviceOptionTest : public PageTest {
  protected:
    void SetUp() override {
        PageTest::SetUp();
        host->Factory().Register<CDeviceOptionUI>("DeviceOption");
        auto root = std::make_unique<ui::VerticalLayout>();
        ui::LayoutLoader loader = host->Context().MakeLoader();
        ui::LayoutResult built = loader.LoadFile("XML/CustomControlXML/DeviceOption.xml");
        ASSERT_TRUE(built.ok()) << built.error;
        entry = dynamic_cast<CDeviceOptionUI*>(root->Add(std::move(built.root)));
        page = root->Add(std::make_unique<CountingPage>(*bus));
        window->Attach(std::move(root));
        ASSERT_NE(entry, nullptr);
        entry->SetDevice(page);
    }
    ui::Option* Select() { return window->FindControl<ui::Option>("device_select"); }
    std::string Normal() { return Select()->GetImage(ui::ImageState::Normal); }
    std::string Selected() { return Select()->GetImage(ui::ImageState::Selected); }
    bool OpenChannel() {
        auto pad = bus->Find(sim::DeviceKind::Mousepad);
        return page->Channel().OpenInterface(pad->CommandPath(), 3);
    }

    CDeviceOptionUI* entry = nullptr;
    CountingPage* page = nullptr;
};

TEST_F(DeviceOptionTest, FreshEntryShowsTheUnknownDeviceUntilItsKindIsSet) {
    EXPECT_EQ(entry->NormalImage(), "common/device_ico/unknow_device_normal.png");
    EXPECT_EQ(entry->SynchroSelectedImage(),
              "common/device_ico/unknow_device_synchro_selected.png");
    EXPECT_EQ(Normal(), "common/device_ico/unknow_device_normal.png");
    EXPECT_EQ(Select()->GetTooltipValue().text, "unknow_device_name_text");

    entry->SetKind(3, 0);
    EXPECT_EQ(Normal(), "common/device_ico/hard_mp_device_normal.png");
    EXPECT_EQ(Select()->GetImage(ui::ImageState::Disabled),
              "common/device_ico/hard_mp_device_normal.png");
    EXPECT_EQ(Selected(), "common/device_ico/hard_mp_device_selected.png");
    EXPECT_EQ(Select()->GetTooltipValue().text, "hard_mp_device_name_text");
    EXPECT_TRUE(Select()->GetTooltipValue().isKey);
}

TEST_F(DeviceOptionTest, ShowingTheSynchroOptionKeepsPlainImagesUntilItIsSet) {
    entry->SetKind(1, 0);
    entry->ShowSynchro(true);
    EXPECT_TRUE(window->FindControl("synchro_device_select")->IsVisible());
    EXPECT_EQ(Normal(), "common/device_ico/kb_device_normal.png");
    EXPECT_EQ(Selected(), "common/device_ico/kb_device_selected.png");
    entry->SetSynchro(true);
    EXPECT_TRUE(entry->IsSynchro());
    EXPECT_EQ(Normal(), "common/device_ico/kb_device_synchro_normal.png");
    EXPECT_EQ(Selected(), "common/device_ico/kb_device_synchro_selected.png");
    entry->ShowSynchro(false);  // still selected: the synchro icons stay
    EXPECT_EQ(Normal(), "common/device_ico/kb_device_synchro_normal.png");
    entry->SetSynchro(false);
    EXPECT_EQ(Normal(), "common/device_ico/kb_device_normal.png");
}

TEST_F(DeviceOptionTest, PowerTabKeepsItsIndexForMinusOneAndNeedsAName) {
    EXPECT_EQ(entry->GetPowerTabIndex(), -1);
    entry->SetPowerTab("device_power_switch", 2);
    entry->SetPowerTab("device_power_switch", -1);
    EXPECT_EQ(entry->GetPowerTabIndex(), 2);
    entry->SetPowerTab("", 5);
    EXPECT_EQ(entry->GetPowerTabIndex(), 2);
    EXPECT_EQ(entry->GetPowerTabName(), "device_power_switch");
}

TEST_F(DeviceOptionTest, BindingSelectionVisibilityAndActivation) {
    entry->BindPage("device_switch", 3);
    EXPECT_EQ(entry->GetBindIndex(), 3);
    EXPECT_EQ(entry->GetBindTabName(), "device_switch");
    entry->SetVisible(false);
    EXPECT_FALSE(entry->IsShown());
    EXPECT_FALSE(entry->Activate());
    entry->SetVisible(true);
    int selectChanged = 0;
    entry->AddListener([&](const ui::Notification& n) { selectChanged += n.Is("selectchanged"); });
    EXPECT_TRUE(entry->Activate());
    EXPECT_EQ(selectChanged, 1);
    entry->Select(true);
    EXPECT_TRUE(entry->IsSelected());
    entry->SetName("MousePad");
    EXPECT_EQ(window->FindControl("device_select_name")->GetText(), "MousePad");
    EXPECT_EQ(page->GetOptionControl(), entry);
}

TEST_F(DeviceOptionTest, WithTheChannelClosedThePushRunsOnceAfterConnecting) {
    entry->StartConnect();
    host->AdvanceBy(499);
    EXPECT_EQ(page->connects, 0);
    host->AdvanceBy(1);
    EXPECT_EQ(page->connects, 1);
    host->AdvanceBy(100);
    EXPECT_EQ(page->pushes, 1);
    EXPECT_FALSE(entry->HasTimer(device_timer::kPushFrame));
    EXPECT_FALSE(entry->HasTimer(device_timer::kPollStatus));
}

TEST_F(DeviceOptionTest, WithTheChannelOpenPushesRepeatAndPollingFollowsExtra) {
    ASSERT_TRUE(OpenChannel());
    page->SetExtra(1);
    entry->StartConnect();
    host->AdvanceBy(500 + 100);
    EXPECT_EQ(page->pushes, 20);
    host->AdvanceBy(10000);
    EXPECT_EQ(page->polls, 2);
    page->SetExtra(0);
    host->AdvanceBy(10000);
    EXPECT_EQ(page->polls, 3);  // the one already armed runs, then no more
}

TEST_F(DeviceOptionTest, PushesRepaintThePreviewOnlyWhileSelectedAndThePreviewIsOn) {
    ui::Control* preview = page->Add(std::make_unique<ui::Control>());
    entry->SetPreviewControl(preview);
    RepaintCounter counter(preview);
    window->AddObserver(&counter);
    ASSERT_TRUE(OpenChannel());
    entry->Select(false);
    entry->StartConnect();
    host->AdvanceBy(500 + 50);
    EXPECT_EQ(counter.repaints, 0);
    entry->Select(true);
    host->AdvanceBy(50);
    EXPECT_EQ(counter.repaints, 10);
    page->SetPreviewActive(false);
    host->AdvanceBy(50);
    EXPECT_EQ(counter.repaints, 10);
    EXPECT_EQ(page->pushes, 30);  // the pushes themselves go on
    window->RemoveObserver(&counter);
}

TEST_F(DeviceOptionTest, PushesAfterTheFirstFallOnTheGridSharedByEveryPage) {
    ASSERT_TRUE(OpenChannel());
    page->clock = &host->GetDispatcher().GetClock();
    host->AdvanceBy(3);  // connected off the grid
    entry->StartConnect();
    host->AdvanceBy(500 + 50);
    ASSERT_GE(page->pushTimes.size(), 9u);
    for (size_t i = 1; i < page->pushTimes.size(); ++i) {
        EXPECT_EQ(page->pushTimes[i] % device_timer::kPushIntervalMs, 0) << i;
        EXPECT_EQ(page->pushTimes[i] - page->pushTimes[i - 1] <= device_timer::kPushIntervalMs,
                  true);
    }
}

TEST_F(DeviceOptionTest, OneShotTimersReachTheirPageOperations) {
    entry->SetTimer(device_timer::kReadState, 500, ui::TimerKind::OneShot);
    entry->SetTimer(device_timer::kHook1003, 1, ui::TimerKind::OneShot);
    entry->SetTimer(device_timer::kHook1004, 1, ui::TimerKind::OneShot);
    host->AdvanceBy(1000);
    EXPECT_EQ(page->reads, 1);
    EXPECT_EQ(page->hooks, 2);
    EXPECT_EQ(page->connects, 0);
}

TEST_F(DeviceOptionTest, TimersOfAnEntryWhosePageHasGoneDoNothing) {
    entry->StartConnect();
    window->GetRoot()->AsContainer()->Remove(page);
    page = nullptr;
    host->AdvanceBy(600);
    EXPECT_FALSE(entry->HasTimer(device_timer::kPushFrame));
}

}  // namespace
