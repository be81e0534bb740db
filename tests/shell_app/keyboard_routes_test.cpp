// The keyboard page in the main window on the simulated keyboard: its key
// flags reach the keyboard's settings record, the key repeat reaches the
// desktop and nothing else, key buttons are chosen or painted by the tab
// they are clicked on, and the page shows what every key does.

#include "shell/routes_keyboard.h"

#include "editors/key_set_control.h"
#include "keyboard/keyboard_device.h"
#include "platform/settings/recording_desktop_settings.h"
#include "platform/ui/button.h"
#include "platform/ui/range_controls.h"
#include "shell/controls/device_key_button.h"
#include "sim/keyboard_firmware.h"
#include "tests/shell_app/main_wnd_fixture.h"

namespace {

using platform::settings::Setting;

constexpr int kKeyA = 64;

class KeyboardRoutesTest : public MainWndTest {
  protected:
    void SetUp() override {
        MainWndTest::SetUp();
        host->Host().SetModalRunner([](ui::Window&) { return 0; });
        window = std::make_unique<CMainWnd>(
            host->Context(),
            MainWndServices{*bus, peers, sleep, (root / "data").string(),
                            (root / "config" / "settings.ini").string(), &desktop});
        std::string error;
        ASSERT_TRUE(window->Create(&error)) << error;
        ASSERT_TRUE(WaitFor([&] { return window->IsVisible(); }));
        keyboard = Plug(sim::DeviceKind::Keyboard);
        ASSERT_TRUE(WaitFor([&] { return Page()->Channel().IsOpen(); }));
        host->AdvanceBy(device_timer::kConnectDelayMs + 10);  // the entry connects the page
        ASSERT_TRUE(Page()->IsLightingThreadRunning());
        ASSERT_EQ(window->CurrentPage(), Page());
    }

    CVeldmarkKeyboardDevice* Page() const {
        return dynamic_cast<CVeldmarkKeyboardDevice*>(window->KeyboardPages().at(0));
    }
    template <typename T = ui::Control>
    T* Find(const std::string& name) const {
        return Page()->FindSubControl<T>(name);
    }
    void Click(const std::string& name) { Find<ui::Button>(name)->UserClick(); }
    size_t ParameterWrites() const {
        size_t n = 0;
        for (const sim::LoggedReport& r : keyboard->firmware().RequestLog()) {
            n += r.bytes.size() > 3 && r.bytes[3] == sim::cmd::kWriteParameters ? 1 : 0;
        }
        return n;
    }
    std::vector<uint8_t> Record() const {
        const std::vector<uint8_t> all = keyboard->firmware().Parameters();
        return {all.begin(), all.begin() + 26};
    }

    platform::settings::RecordingDesktopSettings desktop;
    std::shared_ptr<sim::SimDevice> keyboard;
};

TEST_F(KeyboardRoutesTest, SixKeyFlagChangesOnlyItsWordAndIsSentInTheRecord) {
    const CKeyboardProfiledata::SystemWords before = Page()->GetSystemWords();
    ASSERT_EQ(Record()[20], 0);
    Find<ui::Option>("6flag_option")->UserClick();
    const CKeyboardProfiledata::SystemWords after = Page()->GetSystemWords();
    EXPECT_EQ(after[0], before[0]);
    EXPECT_EQ(after[1], (before[1] & 0xFFFF0000u) | 1u);
    EXPECT_EQ(after[2], before[2]);
    EXPECT_EQ(Record()[20], 1);
    CKeyboardProfiledata stored;
    stored.Load(Page()->GetProfilePath());
    EXPECT_EQ(stored.ReadSystemStages(), after);

    Find<ui::Option>("winlockflag_option")->UserClick();
    EXPECT_EQ(Record()[21], 1);
    Find<ui::Option>("polling_rate_option_1")->UserClick();
    EXPECT_EQ(Record()[22], 1);
    EXPECT_EQ(Page()->GetSystemWords()[1] >> 16, 1u);
}

TEST_F(KeyboardRoutesTest, RepeatDelayAndRateGoToTheDesktopAndNotToTheKeyboard) {
    const size_t writes = ParameterWrites();
    Find<ui::Option>("repeat_delay_check_2")->UserClick();
    EXPECT_NE(Find("repeat_delay_time_label1")->GetText().find("750"), std::string::npos);
    ASSERT_TRUE(desktop.WaitForCalls(1, 2000));
    EXPECT_EQ(desktop.Last(Setting::KeyboardRepeatDelay), 2);
    EXPECT_EQ(Page()->GetSystemWords()[0] >> 16, 2u);

    Find<ui::Slider>("repeat_rate_slider")->SetValue(12);
    ASSERT_TRUE(desktop.WaitForCalls(2, 2000));
    EXPECT_EQ(desktop.Last(Setting::KeyboardRepeatRate), 12);
    EXPECT_EQ(Page()->GetSystemWords()[0] & 0xFFFF, 12u);
    EXPECT_EQ(ParameterWrites(), writes);

    // A desktop without the setting keeps the value in the profile and says so.
    desktop.SetOffered(Setting::KeyboardRepeatRate, false);
    Find<ui::Slider>("repeat_rate_slider")->SetValue(20);
    ASSERT_TRUE(WaitFor([&] { return Find("keyboard_repeat_note")->IsVisible(); }));
    EXPECT_EQ(Page()->GetSystemWords()[0] & 0xFFFF, 20u);

    Find("repeat_input_richedit")->SetText("aaaa");
    Click("reset_repeat_btn");
    EXPECT_EQ(Find("repeat_input_richedit")->GetText(), "");
}

TEST_F(KeyboardRoutesTest, KeyButtonsAreChosenOnTheKeyTabAndPaintedOnTheLightingTab) {
    auto* a = Find<CDeviceKeyButtonUI>("key_" + std::to_string(kKeyA));
    auto* esc = Find<CDeviceKeyButtonUI>("key_0");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(esc, nullptr);
    // On the lighting tab outside custom mode nothing is painted or chosen.
    Page()->SetFunctionMode(1);
    Click("key_" + std::to_string(kKeyA));
    EXPECT_EQ(Page()->GetSelectedKey(), -1);
    EXPECT_FALSE(a->IsKeySelected());
    EXPECT_TRUE(Find("key_110")->IsEnabled());

    // On the key tab the clicked key is framed, and only the last one.
    Page()->SetFunctionMode(2);
    EXPECT_FALSE(Find("key_110")->IsEnabled());
    Click("key_0");
    EXPECT_TRUE(esc->IsKeySelected());
    Click("key_" + std::to_string(kKeyA));
    EXPECT_EQ(Page()->GetSelectedKey(), kKeyA);
    EXPECT_TRUE(a->IsKeySelected());
    EXPECT_FALSE(esc->IsKeySelected());

    // Back on the lighting tab the frame goes, and painting in the custom
    // colours frames nothing.
    Page()->SetFunctionMode(1);
    EXPECT_FALSE(a->IsKeySelected());
    LightInfoRecord record = Page()->GetLightInfo();
    record.mode = 20;
    Page()->SetLightInfo(record);
    Page()->ApplyLighting();
    Click("key_0");
    EXPECT_FALSE(esc->IsKeySelected());
    EXPECT_FALSE(a->IsKeySelected());
}

TEST_F(KeyboardRoutesTest, KeyButtonsNameTheirKeyAndMarkAChangedFunction) {
    auto* a = Find<CDeviceKeyButtonUI>("key_" + std::to_string(kKeyA));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->GetKeyName(), "A");
    EXPECT_EQ(a->GetKeySetFlag(), 0);
    std::vector<KeyEntry> keys = Page()->GetKeyList();
    keys[kKeyA].current = {kKeyA, 0x20, 0x02, 0x05};  // Shift+B
    Page()->SetKeyList(keys);
    Page()->RefreshKeyDisplay();
    EXPECT_EQ(a->GetKeySetFlag(), 1);
    EXPECT_NE(a->GetAssignmentText().find("B"), std::string::npos);
    EXPECT_NE(a->GetTooltip().find("A"), std::string::npos);
}

}  // namespace
