// The headset object on the simulated headset and audio library: the audio
// start-up and state read, the lighting record's addresses, the LED reports
// and the ripple modes.
#include "headset/hs6533_device.h"

#include <gtest/gtest.h>

#include "device/lighting_tables.h"
#include "tests/headset/headset_page_fixture.h"

namespace {

using S = CHs6533Profiledata::Setting;
using platform::audio::SimAudio;

bool WasSet(const SimAudio& audio, const std::wstring& name) {
    for (const SimAudio::Call& c : audio.Calls()) {
        if (c.set && c.name == name) {
            return true;
        }
    }
    return false;
}

size_t MessagesOf(ui::HeadlessHost& host, const std::string& text) {
    return host.Host().CountCalls("message  | " + text);
}

using HeadsetStartUpTest = HeadsetPageTest;

TEST_F(HeadsetStartUpTest, SetsOnlyTheDefaultsTheEndpointsLackAndReadsTheStateIntoTheSettings) {
    simAudio->Forget(0, L"EQ_Slider7");
    simAudio->Forget(1, L"AAMuteControl");
    simAudio->SetValue(1, L"VolumeScalarControl", 0.29f);  // what the page would have set
    simAudio->SetValue(1, L"MuteControl", 1);
    simAudio->SetValue(1, L"MagicVoice_Selection", 0);
    Build();
    EXPECT_TRUE(WasSet(*simAudio, L"EQ_Slider7"));
    EXPECT_TRUE(WasSet(*simAudio, L"AAMuteControl"));
    EXPECT_FALSE(WasSet(*simAudio, L"EQ_Slider6"));
    EXPECT_FALSE(WasSet(*simAudio, L"MuteControl"));
    const auto& s = page->GetSettings();
    EXPECT_EQ(s[S::kMicInValue], 29) << "a level set from the page reads back unchanged";
    EXPECT_EQ(s[S::kMicInSelect], 0);
    EXPECT_EQ(s[S::kMicMonitorSelect], 1) << "the default set is unmuted";
    EXPECT_EQ(s[S::kMagicType], 1) << "selection 0 is the first effect";
    EXPECT_TRUE(page->Audio().MicMuted());
    EXPECT_TRUE(page->AudioAvailable());
    EXPECT_EQ(MessagesOf(*host, "ConfLibInit called failed!"), 0u);
}

TEST_F(HeadsetStartUpTest, PicksTheActiveSpeakersAmongThePlaybackEndpoints) {
    Build();
    EXPECT_EQ(page->Audio().Session().playback.record.id, 2);
    EXPECT_EQ(page->Audio().Session().recording.record.kind, platform::audio::kKindMicrophone);
    EXPECT_EQ(page->Audio().Session().recording.features[0], 0x20000);
}

TEST_F(HeadsetStartUpTest, VoiceEffectStateIsReadOnlyWithTheEndpointsFeatureBit) {
    simAudio->SetFeatureText(1, L"4,0,0,0,3,0,1");
    simAudio->SetValue(1, L"Enable_MAGICVOICE", 1);
    Build();
    EXPECT_EQ(page->GetSettings()[S::kMagicEnable], 0) << "the profile's value stays";
    EXPECT_FALSE(Named<ui::Control>("magic_enable_option")->IsEnabled());
    EXPECT_TRUE(Named<ui::Control>("hs_magic_status_text")->IsVisible());
}

TEST_F(HeadsetStartUpTest, FailuresOfTheLibraryAreShownAndStartUpGoesOn) {
    simAudio->SetInitFails(true);
    simAudio->SetFeatureText(1, L"131072,0,0");
    Build();
    EXPECT_EQ(MessagesOf(*host, "ConfLibInit called failed!"), 1u);
    EXPECT_EQ(MessagesOf(*host, "UpdateAPOAvailable failed!"), 1u);
    EXPECT_EQ(page->Audio().Session().recording.features[0], 0);
    EXPECT_TRUE(page->AudioAvailable());
}

TEST_F(HeadsetStartUpTest, WithoutAnAudioDeviceTheControlsAreOffWithTheReasonAndChangeNothing) {
    simAudio->SetEndpointsPresent(false);
    simAudio->SetAvailability("no sound card of the headset (USB 0d8c:01da) was found");
    Build();
    EXPECT_FALSE(page->AudioAvailable());
    ui::Control* status = Named<ui::Control>("hs_audio_status_text");
    EXPECT_TRUE(status->IsVisible());
    EXPECT_NE(status->GetText().find("0d8c:01da"), std::string::npos);
    EXPECT_FALSE(Named<ui::Control>("6533_MicIn_slider")->IsEnabled());
    EXPECT_FALSE(Named<ui::Control>("6533_eq_option_2")->IsEnabled());
    const int before = page->GetSettings()[S::kMicInValue];
    voice->SetMicLevel(before == 10 ? 20 : 10);
    page->SetMicLevel();
    EXPECT_EQ(page->GetSettings()[S::kMicInValue], before);
    EXPECT_EQ(voice->GetMicLevel(), before);
}

TEST_F(HeadsetStartUpTest, AHeadsetWhoseSoundCardAppearsLaterGetsItsAudioOnConnect) {
    simAudio->SetEndpointsPresent(false);
    Build();
    ASSERT_FALSE(page->AudioAvailable());
    simAudio->SetEndpointsPresent(true);
    Attach();
    EXPECT_TRUE(page->AudioAvailable());
    EXPECT_TRUE(Named<ui::Control>("6533_MicIn_slider")->IsEnabled());
    EXPECT_FALSE(Named<ui::Control>("hs_audio_status_text")->IsVisible());
}

TEST_F(HeadsetStartUpTest, AMissingLibraryLeavesThePageWorking) {
    simAudio->SetLoadFails(true);
    Build();
    EXPECT_FALSE(page->AudioAvailable());
    page->SelectEqPreset(2);
    EXPECT_EQ(page->GetSettings()[S::kEqType], 2) << "the equaliser choice is stored all the same";
    EXPECT_TRUE(simAudio->Calls().empty());
}

// --- lighting record ----------------------------------------------------------------------------

using HeadsetRecordTest = HeadsetPageTest;

TEST_F(HeadsetRecordTest, ReadsTheActiveProfilesRecordAndWritesAtProfileZero) {
    Build();
    Attach();
    device->firmware().PokeParameters(0, {2});
    device->firmware().PokeParameters(50, {9, 4, 3, 1, 0x5A, 1, 10, 20, 30, 0x77});
    ASSERT_EQ(page->ReadBack(), channel_result::kOk);
    const auto& record = page->GetRecord();
    EXPECT_EQ(record[0], 2);
    EXPECT_EQ(record[1], 4);
    EXPECT_EQ(record[3], 3) << "the headset counts speed the other way";
    EXPECT_EQ(record[4], 0x5A);
    EXPECT_EQ(record[9], 0x77);

    device->firmware().ClearLog();
    ASSERT_EQ(page->UploadSettings(0), channel_result::kOk);
    const std::vector<uint8_t> written = device->firmware().Parameters();
    EXPECT_EQ(written[0], 2);
    EXPECT_EQ(written[3], 1);
    EXPECT_EQ(written[4], 0x5A);
    EXPECT_EQ(written[9], 0x77);
    EXPECT_EQ(device->firmware().CommitCount(), 1u);
    EXPECT_EQ(device->firmware().Violations().Total(), 0u);
}

TEST_F(HeadsetRecordTest, AFailedReadKeepsTheRecord) {
    Build();
    Attach();
    const auto before = page->GetRecord();
    device->InjectFault({sim::FaultType::Status, 1, sim::kStatusRejected});
    EXPECT_NE(page->ReadBack(), channel_result::kOk);
    EXPECT_EQ(page->GetRecord(), before);
}

// --- frames
// ------------------------------------------------------------------------------------------

class HeadsetFrameTest : public HeadsetPageTest {
  protected:
    void UseLighting(uint8_t mode, uint8_t brightness, uint8_t multi, uint8_t r, uint8_t g,
                     uint8_t b, uint8_t direction = 1) {
        LightInfoRecord record;
        record.mode = mode;
        record.brightness = brightness;
        record.speed = 4;
        record.direction = direction;
        record.multiColor = multi;
        record.red = r;
        record.green = g;
        record.blue = b;
        page->SetLightInfo(record);
        page->ApplyLighting();
    }
    // Runs passes until the lighting thread would have drawn `frames` frames,
    // then hands the frame to the UI side as a push does.
    void Draw(int frames) {
        static_cast<TestHeadsetPage*>(page)->StopLightingThread();
        for (int i = 0; i < frames * device::SpeedTicks(4); ++i) {
            page->LightingPass();
        }
        page->PushFrame();
    }
};

TEST_F(HeadsetFrameTest, SendsTwelveReportsInOrderWithValuesLimitedTo247) {
    Build();
    Attach();
    UseLighting(3, 5, 0, 255, 128, 0);  // static, full brightness
    device->firmware().ClearLog();
    const uint64_t before = static_cast<sim::SimHeadset&>(device->firmware()).LedReportCount();
    Draw(1);
    const auto& headset = static_cast<sim::SimHeadset&>(device->firmware());
    ASSERT_EQ(headset.LedReportCount() - before, 12u);
    const std::vector<std::vector<uint8_t>> reports = headset.LedReports();
    const std::pair<uint8_t, uint8_t> order[12] = {
        {0x22, 0xAA}, {0x22, 0xAD}, {0x44, 0xAA}, {0x44, 0xAD}, {0x22, 0xAB}, {0x22, 0xAE},
        {0x44, 0xAB}, {0x44, 0xAE}, {0x22, 0xAC}, {0x22, 0xAF}, {0x44, 0xAC}, {0x44, 0xAF}};
    const size_t first = reports.size() - 12;
    for (size_t i = 0; i < 12; ++i) {
        EXPECT_EQ(reports[first + i][1], order[i].first) << i;
        EXPECT_EQ(reports[first + i][2], order[i].second) << i;
    }
    EXPECT_EQ(headset.LedPlanes(0)[0][0], 247) << "255 at alpha 255 is sent as 247";
    EXPECT_EQ(headset.LedPlanes(1)[12][1], 128 * 255 >> 8);
    EXPECT_EQ(headset.LedPlanes(1)[12][2], 0);
    // The high half carries six LEDs: byte 10 stays 0.
    EXPECT_EQ(reports[first + 1][10], 0);
    EXPECT_EQ(device->firmware().Violations().Total(), 0u)
        << device->firmware().Violations().Describe();
}

TEST_F(HeadsetFrameTest, WaveMovesThreeCurveEntriesAFrameWithTenBetweenNeighbours) {
    Build();
    UseLighting(0, 5, 0, 100, 100, 100, 1);
    const uint8_t b = device::kBrightnessLevels[5];
    for (int frame = 1; frame <= 40; ++frame) {
        Draw(1);
        const uint8_t phase = static_cast<uint8_t>(frame * 3 % 96);
        for (int v : {0, 5, 12}) {
            EXPECT_EQ(page->GetLedColor(v).alpha,
                      b * device::kWaveCurve[(phase + 10 * v) % 96] >> 8)
                << "frame " << frame << " led " << v;
        }
    }
}

TEST_F(HeadsetFrameTest, RipplesLightUpFromTheSeededRing) {
    Build();
    UseLighting(6, 5, 0, 0, 200, 0);
    bool lit = false;
    for (int frame = 0; frame < 60 && !lit; ++frame) {
        Draw(1);
        for (int i = 0; i < 13; ++i) {
            lit = lit || page->GetLedColor(i).alpha != 0;
        }
    }
    EXPECT_TRUE(lit) << "the whole-ring ripple shows a running light";

    // After the whole-ring ripple carried the entry round, the pair ripple
    // starts from a fresh seed and lights pairs too.
    UseLighting(7, 5, 0, 0, 0, 200);
    lit = false;
    for (int frame = 0; frame < 60 && !lit; ++frame) {
        Draw(1);
        for (int i = 1; i < 13; ++i) {
            lit = lit || page->GetLedColor(i).alpha != 0;
        }
    }
    EXPECT_TRUE(lit);
}

TEST_F(HeadsetFrameTest, PairRippleNeverWritesLedZeroNorThePairsPastTheLastLed) {
    Build();
    UseLighting(7, 5, 1, 0, 0, 0);
    device::LightingEngine& engine = page->Engine();
    engine.SetLedColor(0, {1, 2, 3, 4});
    for (int frame = 0; frame < 40; ++frame) {
        engine.FramePairRipple();
        EXPECT_EQ(engine.GetLedColor(0), (device::LedColor{1, 2, 3, 4}));
    }
    EXPECT_EQ(engine.GetLedCount(), 13);
}

TEST_F(HeadsetFrameTest, AStillFrameIsSentOnceAndAgainAfterAReconnectOrARefusal) {
    Build();
    Attach();
    UseLighting(3, 5, 0, 10, 20, 30);
    auto& headset = static_cast<sim::SimHeadset&>(device->firmware());
    Draw(1);
    const uint64_t once = headset.LedReportCount();
    Draw(1);
    page->PushFrame();
    EXPECT_EQ(headset.LedReportCount(), once) << "nothing new to show";
    UseLighting(3, 5, 0, 10, 20, 31);
    Draw(1);
    EXPECT_EQ(headset.LedReportCount(), once + 12) << "a changed frame goes out whole";
    page->ReadDeviceState();
    page->PushFrame();
    EXPECT_EQ(headset.LedReportCount(), once + 24) << "the headset asked to be read again";
    page->ConnectDevice();
    page->PushFrame();
    EXPECT_EQ(headset.LedReportCount(), once + 36);
    EXPECT_EQ(headset.LedPlanes(1)[12][2], 31 * 255 >> 8);
}

TEST_F(HeadsetFrameTest, NothingIsSentWhileLightingIsOffOrTheHeadsetIsGone) {
    Build();
    Attach();
    auto& headset = static_cast<sim::SimHeadset&>(device->firmware());
    page->SetLightingActive(false);
    uint64_t before = headset.LedReportCount();
    page->PushFrame();
    EXPECT_EQ(headset.LedReportCount(), before);
    page->SetLightingActive(true);
    page->Channel().CloseInterface();
    page->PushFrame();
    EXPECT_EQ(headset.LedReportCount(), before);
}

}  // namespace
