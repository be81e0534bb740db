// The power control's rendering of status records, alone and as the
// mousepad's status poll shows them.
#include "mousepad/mp_device_power_ui.h"

#include <gtest/gtest.h>

#include "platform/ui/range_controls.h"
#include "tests/mousepad/mousepad_page_fixture.h"

namespace {

class PowerControlTest : public MousepadPageTest {
  protected:
    ui::Progress* Progress() { return window->FindControl<ui::Progress>("device_Power_progress"); }
    ui::Control* Find(const char* name) { return window->FindControl(name); }
    std::string StatusImage() {
        return Find("device_power_status")->GetImage(ui::ImageState::Background);
    }
};

TEST_F(PowerControlTest, ChargingPadOnAWiredChannelShowsLevelProgressAndPhone) {
    ASSERT_TRUE(page->Channel().OpenInterface(pad->CommandPath(), 3));
    sim::SetChargerStatus(pad->firmware(), 64, 1, 2);
    page->PollStatus();
    EXPECT_EQ(Find("device_power_value")->GetText(), "64%");
    EXPECT_EQ(Progress()->GetValue(), 36);
    EXPECT_TRUE(Progress()->IsVisible());
    EXPECT_EQ(StatusImage(), "file='power/powering.png'");
    EXPECT_EQ(Find("device_phone_type")->GetTooltipValue().text, "Phone_type_samsung");
    EXPECT_EQ(Find("device_phone_type")->GetImage(ui::ImageState::Background),
              "file='power/Phone_type_samsung.png'");
    EXPECT_EQ(power->Record()[3], 0);
}

TEST_F(PowerControlTest, SlowChannelCountsAsWirelessWhileCharging) {
    ASSERT_TRUE(page->Channel().OpenInterface(pad->CommandPath(), 3));
    page->Channel().slow.store(true);
    sim::SetChargerStatus(pad->firmware(), 64, 1, 2);
    page->PollStatus();
    EXPECT_EQ(StatusImage(), "file='power/wuxian_powering.png'");
    EXPECT_FALSE(Progress()->IsVisible());
    EXPECT_EQ(power->Record()[3], 1);
    EXPECT_FALSE(Find("device_wuxian_logo")->IsVisible());  // the logo is the mouse's
}

TEST_F(PowerControlTest, StatesAndPhoneTypesMapToTheirImages) {
    const uint8_t idle[] = {100, 0, 0, 0, 0, 1};
    power->ShowStatus(idle);
    EXPECT_EQ(StatusImage(), "file='power/powered.png'");
    EXPECT_EQ(Find("device_phone_type")->GetTooltipValue().text, "Phone_type_iphone");
    const uint8_t discharging[] = {5, 2, 0, 0, 0, 3};
    power->ShowStatus(discharging);
    EXPECT_EQ(StatusImage(), "file='power/power.png'");
    EXPECT_EQ(Find("device_power_value")->GetText(), "5%");
    EXPECT_EQ(Find("device_phone_type")->GetTooltipValue().text, "Phone_type_other");
    const uint8_t unknown[] = {50, 7, 0, 0, 0, 9};
    power->ShowStatus(unknown);
    EXPECT_EQ(StatusImage(), "file='power/power.png'");  // state 7 changes nothing
    EXPECT_EQ(Find("device_phone_type")->GetImage(ui::ImageState::Background),
              "file='power/Phone_type_no_device.png'");
    const uint8_t shortRecord[] = {30};
    power->ShowStatus(shortRecord);
    EXPECT_EQ(StatusImage(), "file='power/powered.png'");  // padded with zeros: idle
}

TEST_F(PowerControlTest, WirelessLogoFollowsTheRecordOnMiceOnly) {
    power->SetKind(2, 0);
    const uint8_t wireless[] = {80, 0, 0, 1, 0, 0};
    power->ShowStatus(wireless);
    EXPECT_TRUE(Find("device_wuxian_logo")->IsVisible());
    const uint8_t wired[] = {80, 0, 0, 0, 0, 0};
    power->ShowStatus(wired);
    EXPECT_FALSE(Find("device_wuxian_logo")->IsVisible());
}

TEST_F(PowerControlTest, ExtraShowsTheStatusAreaAndFailedReadsChangeNothing) {
    EXPECT_FALSE(Find("device_power_Layout")->IsVisible());  // the pad's page table says 0
    page->SetExtra(1);
    EXPECT_TRUE(Find("device_power_Layout")->IsVisible());

    ASSERT_TRUE(page->Channel().OpenInterface(pad->CommandPath(), 3));
    sim::SetChargerStatus(pad->firmware(), 64, 1, 2);
    pad->InjectFault({sim::FaultType::Status, 1, sim::kStatusRejected});
    page->PollStatus();
    EXPECT_EQ(Find("device_power_value")->GetText(), "");
    page->Channel().CloseInterface();
    page->PollStatus();
    EXPECT_EQ(Find("device_power_value")->GetText(), "");
}

TEST_F(PowerControlTest, StatusIsPolledEveryFiveSecondsWhileExtraIsSet) {
    page->SetExtra(1);
    sim::SetChargerStatus(pad->firmware(), 42, 0, 0);
    ASSERT_TRUE(page->Channel().OpenInterface(pad->CommandPath(), 3));
    entry->StartConnect();
    host->AdvanceBy(500 + 4995);
    EXPECT_EQ(Find("device_power_value")->GetText(), "");
    host->AdvanceBy(5);
    EXPECT_EQ(Find("device_power_value")->GetText(), "42%");
    sim::SetChargerStatus(pad->firmware(), 41, 0, 0);
    host->AdvanceBy(5000);
    EXPECT_EQ(Find("device_power_value")->GetText(), "41%");
}

}  // namespace
