// The voice and voice-effect editors' changes on the simulated audio library:
// presets, bands, custom presets and their store, microphone, monitoring and
// voice effect, with the library's refusals.
#include <gtest/gtest.h>

#include "headset/hs6533_device.h"
#include "platform/audio/equalizer.h"
#include "tests/headset/headset_page_fixture.h"

namespace {

using S = CHs6533Profiledata::Setting;
using platform::audio::SimAudio;

std::vector<std::wstring> SetNames(const SimAudio& audio) {
    std::vector<std::wstring> names;
    for (const SimAudio::Call& c : audio.Calls()) {
        if (c.set) {
            names.push_back(c.name);
        }
    }
    return names;
}

class HeadsetEditingTest : public HeadsetPageTest {
  protected:
    void SetUp() override {
        HeadsetPageTest::SetUp();
        Build();
        simAudio->ClearCalls();
    }
    // Moves the ten band sliders as a user would before saving.
    void ShapeBands(int base) {
        for (int i = 0; i < 10; ++i) {
            voice->SetBand(i, base + i);
        }
    }
    void SaveAs(const std::string& name, int base) {
        ShapeBands(base);
        voice->SetNameField(name);
        ASSERT_EQ(page->SaveCustomEq(), 1) << name;
    }
    std::vector<int32_t> StoredCustom(int n) {
        CHs6533Profiledata document;
        document.Load(page->GetProfilePath());
        return document.ReadCustomEqBands(n);
    }
    std::vector<int32_t> Expected(int base) {
        std::vector<int32_t> v;
        for (int i = 0; i < 10; ++i) {
            v.push_back(base + i);
        }
        return v;
    }
};

TEST_F(HeadsetEditingTest, PresetFiveSendsTenZeroGainsAndIsStored) {
    page->SelectEqPreset(2);
    page->SelectEqPreset(5);
    for (int i = 1; i <= 10; ++i) {
        EXPECT_EQ(Audio(false, L"EQ_Slider" + std::to_wstring(i)), 0.0) << i;
        EXPECT_EQ(voice->GetBand(i - 1), 0);
    }
    EXPECT_EQ(Audio(false, L"Enable_EQ_GFX"), 1.0);
    EXPECT_EQ(StoredSettings()[S::kEqType], 5);
    EXPECT_EQ(voice->GetSelectedPreset(), 5);
    EXPECT_FALSE(Named<ui::Control>("custom_eq_option_layout")->IsEnabled());
}

TEST_F(HeadsetEditingTest, MovingBandThreeUnderAPresetSwitchesToCustomAndSendsOnlyThatBand) {
    page->SelectEqPreset(2);
    SaveAs("Mine", 1);
    page->SelectEqPreset(2);
    simAudio->ClearCalls();
    Drag("6533_eq_hz_slider_3", 9);
    page->ChangeEqBand(3);
    EXPECT_EQ(SetNames(*simAudio), std::vector<std::wstring>{L"EQ_Slider4"});
    EXPECT_EQ(Audio(false, L"EQ_Slider4"), 9.0);
    EXPECT_EQ(voice->GetSelectedPreset(), 13);
    EXPECT_EQ(voice->GetSelection(), -1) << "no custom name is selected";
    EXPECT_TRUE(Named<ui::Control>("custom_eq_option_layout")->IsEnabled());
    EXPECT_EQ(StoredSettings()[S::kEqType], 2) << "nothing is stored until saved";
}

TEST_F(HeadsetEditingTest, CustomPresetsAreNamedOnceInAnyCaseAndAtMostTwenty) {
    SaveAs("Bass", 0);
    voice->SetNameField("bASS");
    EXPECT_EQ(page->SaveCustomEq(), 0);
    EXPECT_EQ(voice->GetNameCount(), 1);
    for (int i = 1; i < 20; ++i) {
        SaveAs("Preset " + std::to_string(i), i - 10);
    }
    voice->SetNameField("One too many");
    EXPECT_EQ(page->SaveCustomEq(), -1);
    EXPECT_EQ(voice->GetNameCount(), 20);
    EXPECT_EQ(page->GetCustomNames().size(), 20u);
    EXPECT_EQ(StoredCustom(19), Expected(9));
}

TEST_F(HeadsetEditingTest, SavingWithoutANameOverwritesTheSelectedPreset) {
    voice->SetNameField("");
    EXPECT_EQ(page->SaveCustomEq(), -1) << "nothing selected, nothing to overwrite";
    SaveAs("A", 0);
    SaveAs("B", 10);
    voice->SelectName(0);
    ShapeBands(-5);
    EXPECT_EQ(page->SaveCustomEq(), 1);
    EXPECT_EQ(StoredCustom(0), Expected(-5));
    EXPECT_EQ(StoredCustom(1), Expected(10));
    EXPECT_EQ(StoredSettings()[S::kCustomEqSelectIndex], 0);
}

TEST_F(HeadsetEditingTest, DeletingTheOnlyPresetReturnsToPresetOne) {
    page->SelectEqPreset(13);
    SaveAs("Only", 3);
    page->DeleteCustomEq();
    EXPECT_EQ(voice->GetNameCount(), 0);
    EXPECT_TRUE(page->GetCustomNames().empty());
    EXPECT_EQ(voice->GetSelectedPreset(), 1);
    EXPECT_EQ(StoredSettings()[S::kEqType], 1);
    const auto* preset1 = CVeldmarkHS6533Device::PresetBands(1);
    EXPECT_EQ(voice->GetBand(0), (*preset1)[0]);
    EXPECT_EQ(Audio(false, L"EQ_Slider1"), (*preset1)[0]) << "the headset plays what is shown";
    CHs6533Profiledata document;
    document.Load(page->GetProfilePath());
    EXPECT_TRUE(document.ReadCustomEqNames().empty());
}

TEST_F(HeadsetEditingTest, DeletingAPresetInTheMiddleKeepsEveryNameWithItsOwnBands) {
    SaveAs("A", -10);
    SaveAs("B", 0);
    SaveAs("C", 10);
    voice->SelectName(1);
    page->DeleteCustomEq();
    EXPECT_EQ(page->GetCustomNames(), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(StoredCustom(0), Expected(-10));
    EXPECT_EQ(StoredCustom(1), Expected(10)) << "C keeps its curve";
    voice->SelectName(1);
    page->ApplyCustomEq();
    EXPECT_EQ(Audio(false, L"EQ_Slider1"), 10.0);
    EXPECT_EQ(voice->GetBand(9), 19);
}

TEST_F(HeadsetEditingTest, ChoosingTheCustomPresetPlaysTheSelectedOne) {
    SaveAs("A", 2);
    page->SelectEqPreset(4);
    voice->SelectName(0);
    page->SelectEqPreset(13);
    EXPECT_EQ(Audio(false, L"EQ_Slider10"), 11.0);
    EXPECT_EQ(StoredSettings()[S::kEqType], 13);
    EXPECT_EQ(StoredSettings()[S::kCustomEqSelectIndex], 0);
}

TEST_F(HeadsetEditingTest, LevelsAndMutesReachTheLibraryAndAreStored) {
    voice->SetMicLevel(37);
    page->SetMicLevel();
    EXPECT_NEAR(*Audio(true, L"VolumeScalarControl"), 0.37, 1e-6);
    EXPECT_EQ(StoredSettings()[S::kMicInValue], 37);
    voice->SetMonitorLevel(64);
    page->SetMonitorLevel();
    EXPECT_NEAR(*Audio(true, L"AAVolumeScalarControl"), 0.64, 1e-6);
    EXPECT_EQ(StoredSettings()[S::kMicMonitorValue], 64);

    const bool wasMuted = page->Audio().MicMuted();
    page->ToggleMicMute();
    EXPECT_EQ(Audio(true, L"MuteControl"), wasMuted ? 0.0 : 1.0);
    EXPECT_EQ(StoredSettings()[S::kMicInSelect], wasMuted ? 1 : 0);
    EXPECT_EQ(Named<ui::Option>("6533_MicIn_option")->IsSelected(), wasMuted);
}

TEST_F(HeadsetEditingTest, ARefusedSetLeavesTheControlsAsTheHeadsetHasThem) {
    const auto stored = StoredSettings();
    const bool muted = page->Audio().MonitorMuted();
    simAudio->FailSets(L"", -1);
    page->ToggleMonitorMute();
    EXPECT_EQ(page->Audio().MonitorMuted(), muted);
    EXPECT_EQ(Named<ui::Option>("6533_MicMoniter_option")->IsSelected(), !muted);
    voice->SetMicLevel(5);
    page->SetMicLevel();
    EXPECT_EQ(voice->GetMicLevel(), page->GetSettings()[S::kMicInValue]);
    EXPECT_EQ(StoredSettings(), stored);
    // The equaliser and voice effect are stored whatever the library answers.
    page->SelectVoiceEffect(2);
    EXPECT_EQ(StoredSettings()[S::kMagicType], 2);
}

TEST_F(HeadsetEditingTest, VoiceEffectThreeIsSelectionTwoAndTurningItOnSilencesTheEcho) {
    simAudio->SetValue(1, L"Enable_MICECHO", 1);
    Named<ui::Option>("magic_enable_option")->SetSelected(true, ui::Notify::No);
    page->SetVoiceEffectOn();
    EXPECT_EQ(Audio(true, L"Enable_MAGICVOICE"), 1.0);
    EXPECT_EQ(Audio(true, L"Enable_MICECHO"), 0.0);
    EXPECT_TRUE(Named<ui::Control>("magic_option_layout")->IsEnabled());
    page->SelectVoiceEffect(3);
    EXPECT_EQ(Audio(true, L"MagicVoice_Selection"), 2.0);
    EXPECT_EQ(magic->GetSelectedEffect(), 3);
    EXPECT_EQ(StoredSettings()[S::kMagicType], 3);
    EXPECT_EQ(StoredSettings()[S::kMagicEnable], 1);
    page->SelectVoiceEffect(0);
    EXPECT_EQ(StoredSettings()[S::kMagicType], 3) << "no effect 0";
}

TEST_F(HeadsetEditingTest, TheRefreshedPageShowsTheStoredChoices) {
    SaveAs("A", 1);
    SaveAs("B", 4);
    page->SelectEqPreset(13);
    voice->SelectName(0);
    page->ApplyCustomEq();
    page->LoadProfile();
    voice->RemoveAllNames();
    voice->SelectPreset(3);
    page->RefreshPage();
    EXPECT_EQ(voice->GetNameCount(), 2);
    EXPECT_EQ(voice->GetName(1), "B");
    EXPECT_EQ(voice->GetSelection(), 0);
    EXPECT_EQ(voice->GetSelectedPreset(), 13);
    EXPECT_EQ(voice->GetBand(9), 10);
    EXPECT_TRUE(Named<ui::Control>("custom_eq_option_layout")->IsEnabled());
    const int effect = page->GetSettings()[S::kMagicType];
    ASSERT_GE(effect, 1);
    EXPECT_TRUE(Named<ui::Option>("magic_option_" + std::to_string(effect))->IsSelected());
}

}  // namespace

namespace {

class RecordingEqualizer : public platform::audio::Equalizer {
  public:
    bool Available() const override { return available; }
    void Apply(const std::array<int, 10>& gains) override { requests.push_back(gains); }
    void Remove() override { requests.push_back(std::nullopt); }
    bool available = true;
    std::vector<std::optional<std::array<int, 10>>> requests;
};

class HeadsetEqualizerTest : public HeadsetPageTest {
  protected:
    void SetUp() override {
        HeadsetPageTest::SetUp();
        Build();
        page->SetEqualizer(&equalizer);
    }
    void TearDown() override {
        if (page != nullptr) {
            page->SetEqualizer(nullptr);
        }
        HeadsetPageTest::TearDown();
    }
    RecordingEqualizer equalizer;
};

TEST_F(HeadsetEqualizerTest, FollowsTheChosenCurveAndIsRebuiltOnlyWhenItChanges) {
    page->SelectEqPreset(2);
    ASSERT_FALSE(equalizer.requests.empty());
    EXPECT_EQ(equalizer.requests.back(),
              (std::array<int, 10>{7, 11, 6, -3, -11, -1, 6, 13, 6, 13}));
    const size_t before = equalizer.requests.size();
    page->RefreshPage();
    page->SelectEqPreset(2);
    EXPECT_EQ(equalizer.requests.size(), before) << "the same curve is not sent again";
    Drag("6533_eq_hz_slider_0", -6);
    page->ChangeEqBand(0);
    EXPECT_EQ((*equalizer.requests.back())[0], -6);
    EXPECT_FALSE(Named<ui::Control>("hs_eq_status_text")->IsVisible());
}

TEST_F(HeadsetEqualizerTest, NoPresetTakesTheChainAwayAndWithoutServerThePageSaysSo) {
    page->SelectEqPreset(3);
    auto settings = page->GetSettings();
    settings[CHs6533Profiledata::kEqType] = 0;
    page->HsDocument().WriteHeadsetSettings(settings);
    page->SaveProfile();
    equalizer.available = false;
    page->LoadProfile();
    page->RefreshPage();
    EXPECT_EQ(equalizer.requests.back(), std::nullopt);
    ui::Control* status = Named<ui::Control>("hs_eq_status_text");
    EXPECT_TRUE(status->IsVisible());
    EXPECT_EQ(status->GetTextValue(), (ui::TextValue{"hs_eq_not_applied_text", true}));
}

}  // namespace
