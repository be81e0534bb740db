// The headset page's routes through the main window: a person's choices on
// the simulated headset's page reach the headset object and the simulated
// audio library.
#include <gtest/gtest.h>

#include "headset/hs6533_device.h"
#include "platform/audio/sim_conf_lib.h"
#include "platform/ui/button.h"
#include "platform/ui/container.h"
#include "platform/ui/range_controls.h"
#include "tests/shell_app/main_wnd_fixture.h"

namespace {

class HeadsetRoutesTest : public MainWndTest {
  protected:
    void SetUp() override {
        MainWndTest::SetUp();
        platform::audio::SetProcessConfLibLoader(&loader);
        Start();
        Plug(sim::DeviceKind::Headset);
        ASSERT_TRUE(WaitFor([&] { return Headset()->Channel().IsOpen(); }));
        headset = dynamic_cast<CVeldmarkHS6533Device*>(Headset());
        ASSERT_NE(headset, nullptr);
        ASSERT_EQ(window->CurrentPage(), headset);
        host->AdvanceBy(600);  // the entry connects the page
        ASSERT_TRUE(headset->IsLightingThreadRunning());
    }
    void TearDown() override {
        MainWndTest::TearDown();
        platform::audio::SetProcessConfLibLoader(nullptr);
    }
    void Choose(const std::string& option) {
        auto* control = headset->FindSubControl<ui::Option>(option);
        ASSERT_NE(control, nullptr) << option;
        control->SetSelected(true, ui::Notify::Yes);
        host->RunPending();
    }
    std::optional<double> Audio(bool recording, const std::wstring& name) {
        return loader.Audio()->Value(recording ? 1 : 0, name);
    }

    platform::audio::SimConfLibLoader loader;
    CVeldmarkHS6533Device* headset = nullptr;
};

TEST_F(HeadsetRoutesTest, PresetOptionsAndBandSlidersReachTheHeadset) {
    Choose("6533_eq_option_2");
    EXPECT_EQ(headset->GetSettings()[CHs6533Profiledata::kEqType], 2);
    EXPECT_EQ(Audio(false, L"EQ_Slider5"), -11.0);
    headset->FindSubControl<ui::Slider>("6533_eq_hz_slider_0")->SetValue(-4, ui::Notify::Yes);
    host->RunPending();
    EXPECT_EQ(Audio(false, L"EQ_Slider1"), -4.0);
    EXPECT_EQ(headset->GetSettings()[CHs6533Profiledata::kEqType], 13);
}

// Choosing one effect after another deselects the first; that deselection
// is no choice of its own.
TEST_F(HeadsetRoutesTest, OnlyTheNewlyChosenEffectIsApplied) {
    Choose("magic_option_3");
    Choose("magic_option_1");
    EXPECT_EQ(Audio(true, L"MagicVoice_Selection"), 0.0);
    EXPECT_EQ(headset->GetSettings()[CHs6533Profiledata::kMagicType], 1);
}

TEST_F(HeadsetRoutesTest, MicrophoneOptionAndSliderReachTheLibrary) {
    const double muted = *Audio(true, L"MuteControl");
    auto* option = headset->FindSubControl<ui::Option>("6533_MicIn_option");
    option->SetSelected(!option->IsSelected(), ui::Notify::Yes);
    headset->FindSubControl<ui::Slider>("6533_MicIn_slider")->SetValue(42, ui::Notify::Yes);
    host->RunPending();
    EXPECT_EQ(Audio(true, L"MuteControl"), muted == 0 ? 1.0 : 0.0);
    EXPECT_NEAR(*Audio(true, L"VolumeScalarControl"), 0.42, 1e-6);
}

TEST_F(HeadsetRoutesTest, TheVoiceAndEffectTabsShowTheirEditorsWithTheirTabAlone) {
    auto* functions = headset->FindSubControl<ui::TabLayout>("device_function_switch");
    auto* keyFunctions = headset->FindSubControl<ui::TabLayout>("device_key_function_switch");
    ASSERT_NE(functions, nullptr);
    ASSERT_NE(keyFunctions, nullptr);
    Choose("6533_voice_Op_tab");
    EXPECT_EQ(headset->GetFunctionMode(), 6);
    EXPECT_EQ(functions->GetCurSel(), 0);
    EXPECT_EQ(keyFunctions->GetItemAt(static_cast<size_t>(keyFunctions->GetCurSel()))->GetName(),
              "Voice6533ControlItem");
    Choose("magic_Op_tab");
    EXPECT_EQ(headset->GetFunctionMode(), 7);
    EXPECT_EQ(functions->GetItemAt(static_cast<size_t>(functions->GetCurSel()))->GetName(),
              "MagicControlItem");
    EXPECT_FALSE(headset->FindSubControl<ui::Option>("6533_voice_Op_tab")->IsSelected());
    // The lighting tab: the profile list's own numbering differs, the chosen tab is shown.
    Choose("deng_Op_tab");
    EXPECT_EQ(headset->GetFunctionMode(), 1);
    EXPECT_TRUE(headset->FindSubControl<ui::Option>("deng_Op_tab")->IsSelected());
    EXPECT_FALSE(headset->FindSubControl<ui::Option>("cursor_Op_tab")->IsSelected());
    EXPECT_EQ(keyFunctions->GetItemAt(static_cast<size_t>(keyFunctions->GetCurSel()))->GetName(),
              "LightControlItem");
}

}  // namespace
