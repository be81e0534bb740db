// The mousepad end to end on the simulated pad: connection, streamed frames
// against the lighting tables, the pad's read-back and upload, profile
// switching, unplugging, and the lighting thread's mode table.
#include "mousepad/mousepad_device.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "device/lighting_key_levels.h"
#include "tests/mousepad/mousepad_page_fixture.h"

namespace {

using device::kBreathCurve;
using device::kBrightnessLevels;
using device::kColorWheel;
using device::kWaveCurve;

bool HasRequest(const sim::Firmware& fw, uint8_t command, uint8_t length, uint16_t address) {
    for (const sim::LoggedReport& r : fw.RequestLog()) {
        if (r.bytes.size() >= 8 && r.bytes[3] == command && r.bytes[4] == length &&
            (r.bytes[5] | r.bytes[6] << 8) == address) {
            return true;
        }
    }
    return false;
}

bool HasCommand(const sim::Firmware& fw, uint8_t command) {
    for (const sim::LoggedReport& r : fw.RequestLog()) {
        if (r.bytes.size() >= 8 && r.bytes[3] == command) {
            return true;
        }
    }
    return false;
}

using MousepadDeviceTest = MousepadPageTest;

TEST_F(MousepadDeviceTest, ConnectsHalfASecondAfterArrivalAndStreamsEveryFiveMilliseconds) {
    UseLighting(3, 4, 2, 0);  // static, single colour
    Arrive();
    host->AdvanceBy(495);
    EXPECT_EQ(pad->firmware().RequestCount(), 0u);
    EXPECT_FALSE(page->IsLightingThreadRunning());
    host->AdvanceBy(5);
    EXPECT_TRUE(HasCommand(pad->firmware(), sim::cmd::kReadDeviceInfo));
    EXPECT_EQ(pad->firmware().CommitCount(), 1u);
    EXPECT_TRUE(page->IsLightingThreadRunning());
    EXPECT_TRUE(entry->HasTimer(device_timer::kPushFrame));

    const uint8_t b = kBrightnessLevels[4];
    const std::vector<uint8_t> expected =
        StreamOf(std::vector<device::LedColor>(15, device::LedColor{200, 100, 50, b}));
    ASSERT_TRUE(StreamedFrameMatches([&](const auto& f) { return f == expected; }));
    const uint64_t frames = pad->firmware().FrameCount();
    host->AdvanceBy(100);
    EXPECT_EQ(pad->firmware().FrameCount() - frames, 20u);
    EXPECT_EQ(pad->firmware().Violations().Total(), 0u) << pad->firmware().Violations().Describe();
}

// A pad that refuses the information read is still lit: the failed
// sequence stops there and the connection goes on with the profile.
TEST_F(MousepadDeviceTest, RefusedInformationReadStopsThatSequenceButThePadIsStillLit) {
    UseLighting(3, 4, 2, 0);
    pad->InjectFault({sim::FaultType::Status, 1, sim::kStatusRejected});
    Arrive();
    host->AdvanceBy(500);
    EXPECT_FALSE(HasCommand(pad->firmware(), sim::cmd::kReadDeviceInfo));
    EXPECT_EQ(pad->firmware().CommitCount(), 0u);
    EXPECT_TRUE(page->IsLightingThreadRunning());
    const uint8_t b = kBrightnessLevels[4];
    const std::vector<uint8_t> expected =
        StreamOf(std::vector<device::LedColor>(15, device::LedColor{200, 100, 50, b}));
    EXPECT_TRUE(StreamedFrameMatches([&](const auto& f) { return f == expected; }));
}

TEST_F(MousepadDeviceTest, StreamedFramesFollowTheTablesOfEachMode) {
    Arrive();
    host->AdvanceBy(500);
    const uint8_t b3 = kBrightnessLevels[3];
    const uint8_t b4 = kBrightnessLevels[4];

    UseLighting(1, 3, 4, 0);  // spectrum
    EXPECT_TRUE(StreamedFrameMatches([&](const auto& f) {
        return SomePhaseGives(f, 192, [&](int ph, int) {
            return device::LedColor{kColorWheel[ph].r, kColorWheel[ph].g, kColorWheel[ph].b, b3};
        });
    }));
    UseLighting(0, 4, 4, 1);  // multi-colour wave
    EXPECT_TRUE(StreamedFrameMatches([&](const auto& f) {
        return SomePhaseGives(f, 192, [&](int ph, int i) {
            const device::Rgb& c = kColorWheel[(ph + 1 + 7 * i) % 192];
            return device::LedColor{c.r, c.g, c.b, b4};
        });
    }));
    UseLighting(0, 4, 3, 0, 10, 250, 90);  // single-colour wave
    EXPECT_TRUE(StreamedFrameMatches([&](const auto& f) {
        return SomePhaseGives(f, 96, [&](int ph, int i) {
            const uint8_t a = static_cast<uint8_t>(b4 * kWaveCurve[(ph + 1 + 7 * i) % 96] >> 8);
            return device::LedColor{10, 250, 90, a};
        });
    }));
    UseLighting(2, 3, 4, 0, 255, 255, 255);  // breath
    EXPECT_TRUE(StreamedFrameMatches([&](const auto& f) {
        return f[0] != 0 && SomePhaseGives(f, 128, [&](int ph, int) {
                   return device::LedColor{255, 255, 255,
                                           static_cast<uint8_t>(kBreathCurve[ph] * b3 >> 8)};
               });
    }));
    UseLighting(8, 4, 4, 0);  // off
    EXPECT_TRUE(
        StreamedFrameMatches([](const auto& f) { return f == std::vector<uint8_t>(45, 0); }));
    EXPECT_EQ(pad->firmware().Violations().Total(), 0u);
}

TEST_F(MousepadDeviceTest, ModeStepsAtTheThresholdOfItsSpeed) {
    for (const auto& [speed, threshold] : {std::pair{4, 7}, std::pair{0, 28}, std::pair{2, 18}}) {
        UseLighting(1, 4, static_cast<uint8_t>(speed), 0);
        std::vector<device::LedColor> frame;
        page->LightingPass();  // restarts the count from this pass
        int passes = 0;
        device::LedColor before;
        do {
            page->Engine().SnapshotFrame(frame);
            before = frame[0];
            page->LightingPass();
            page->Engine().SnapshotFrame(frame);
            ++passes;
        } while (frame[0] == before && passes < 100);
        std::vector<device::LedColor> changed = frame;
        int next = 0;
        do {
            page->LightingPass();
            page->Engine().SnapshotFrame(frame);
            ++next;
        } while (frame[0] == changed[0] && next < 100);
        EXPECT_EQ(next, threshold) << "speed " << speed;
    }
}

// The tick count runs on while a custom effect plays: a built-in mode chosen
// after it draws on the first pass instead of waiting a whole threshold.
TEST_F(MousepadDeviceTest, TheTickCountRunsOnThroughACustomEffect) {
    std::vector<device::LedColor> frame;
    UseLighting(1, 4, 4, 0);
    device::LedColor before;
    do {  // up to a frame of the mode: the count starts from 0
        page->Engine().SnapshotFrame(frame);
        before = frame[0];
        page->LightingPass();
        page->Engine().SnapshotFrame(frame);
    } while (frame[0] == before);
    UseLighting(5, 4, 4, 0);  // a custom effect without steps: dark
    for (int i = 0; i < 10; ++i) {
        page->LightingPass();
    }
    page->Engine().SnapshotFrame(frame);
    ASSERT_EQ(frame[0].alpha, 0);
    UseLighting(1, 4, 4, 0);
    page->LightingPass();
    page->Engine().SnapshotFrame(frame);
    EXPECT_NE(frame[0].alpha, 0);
}

TEST_F(MousepadDeviceTest, CustomModeWithoutStepsIsDarkAndRipplesLightUp) {
    UseLighting(5, 4, 4, 0);
    for (int i = 0; i < 10; ++i) {
        page->LightingPass();
    }
    std::vector<device::LedColor> frame;
    page->Engine().SnapshotFrame(frame);
    for (const device::LedColor& led : frame) {
        EXPECT_EQ(led.alpha, 0);
    }
    for (const uint8_t mode : {6, 7}) {
        UseLighting(mode, 4, 4, 0, 255, 0, 0);
        bool lit = false;
        for (int i = 0; i < 400 && !lit; ++i) {
            page->LightingPass();
            page->Engine().SnapshotFrame(frame);
            for (const device::LedColor& led : frame) {
                lit = lit || (led.alpha != 0 && led.r == 255);
            }
        }
        EXPECT_TRUE(lit) << "mode " << int(mode);
    }
}

// A ripple carried far round the ring by the whole-ring effect must not leave
// the pair effect, which only turns the first eight entries, dark for good.
TEST_F(MousepadDeviceTest, PairRippleLightsUpAfterTheWholeRingRippleRanFarRound) {
    std::vector<device::LedColor> frame;
    auto lit = [&] {
        page->Engine().SnapshotFrame(frame);
        return std::any_of(frame.begin(), frame.end(),
                           [](const device::LedColor& led) { return led.alpha != 0; });
    };
    auto ringEntryFrom = [&](int first) {
        for (int i = first; i < device::KeyLevels::kRingSize; ++i) {
            if (page->Engine().Keys().Ring(i) != 0) {
                return true;
            }
        }
        return false;
    };
    UseLighting(6, 4, 4, 0, 255, 0, 0);
    for (int i = 0; i < 2000 && !ringEntryFrom(12); ++i) {
        page->LightingPass();
    }
    ASSERT_TRUE(ringEntryFrom(12));
    for (const uint8_t direction : {1, 0}) {
        UseLighting(7, 4, 4, 0, 255, 0, 0, direction);
        for (int i = 0; i < 300; ++i) {  // what the last effect left has faded
            page->LightingPass();
        }
        bool seen = false;
        for (int i = 0; i < 600 && !seen; ++i) {
            page->LightingPass();
            seen = lit();
        }
        EXPECT_TRUE(seen) << "direction " << int(direction);
    }
}

TEST_F(MousepadDeviceTest, SyncRequestReadsThePadBackHalfASecondLater) {
    pad->firmware().PokeParameters(0, {2});
    std::vector<uint8_t> record(26, 0);
    record[1] = 3;      // static
    record[2] = 2;      // brightness
    record[3] = 0;      // the pad's speed 0 is our speed 4
    record[4] = 1;      // direction
    record[20] = 0x77;  // the pad's own
    pad->firmware().PokeParameters(50, record);
    Arrive();
    host->AdvanceBy(500);
    page->Channel().streamPaused.store(true);
    pad->firmware().ClearLog();
    ASSERT_TRUE(pad->RequestSync());
    ASSERT_TRUE(AdvanceUntil([&] { return entry->HasTimer(device_timer::kReadState); }, 1000));
    // The timer was armed within the last 5 ms step.
    host->AdvanceBy(490);
    EXPECT_FALSE(HasRequest(pad->firmware(), sim::cmd::kReadParameters, 26, 50));
    host->AdvanceBy(10);
    EXPECT_TRUE(HasRequest(pad->firmware(), sim::cmd::kReadParameters, 26, 50));
    const auto& mirror = page->GetMirror();
    EXPECT_EQ(mirror[0], 2);
    EXPECT_EQ(mirror[1], 3);
    EXPECT_EQ(mirror[3], 4);
    EXPECT_EQ(mirror[20], 0x77);
    EXPECT_EQ(page->ThreadMode(), 3);
    EXPECT_FALSE(page->Channel().streamPaused.load());
}

TEST_F(MousepadDeviceTest, UploadWritesTheRecordAtProfileZeroWithThePadsSpeed) {
    Arrive();
    host->AdvanceBy(500);
    UseLighting(4, 2, 1, 1, 9, 8, 7);
    pad->firmware().ClearLog();
    EXPECT_EQ(page->UploadSettings(0), 1);
    EXPECT_TRUE(HasRequest(pad->firmware(), sim::cmd::kWriteParameters, 21, 0));
    const std::vector<uint8_t> params = pad->firmware().Parameters();
    EXPECT_EQ(params[1], 4);
    EXPECT_EQ(params[2], 2);
    EXPECT_EQ(params[3], 3);
    EXPECT_EQ(params[5], 1);
    EXPECT_EQ(params[6], 9);
    EXPECT_EQ(params[8], 7);
    EXPECT_EQ(pad->firmware().Violations().Total(), 0u);

    page->Channel().CloseInterface();
    pad->firmware().ClearLog();
    EXPECT_EQ(page->UploadSettings(0), 0);
    EXPECT_EQ(pad->firmware().RequestCount(), 0u);
}

TEST_F(MousepadDeviceTest, FailedReadBackLeavesTheMirrorAlone) {
    Arrive();
    host->AdvanceBy(500);
    UseLighting(3, 4, 2, 0);
    const auto before = page->GetMirror();
    pad->InjectFault({sim::FaultType::Status, 2, sim::kStatusRejected});
    EXPECT_EQ(page->ReadBack(), channel_result::kStatusFF);
    EXPECT_EQ(page->GetMirror(), before);
}

TEST_F(MousepadDeviceTest, SwitchingAndResettingProfilesReachesThePad) {
    UseLighting(3, 4, 2, 0, 1, 2, 3);
    Arrive();
    host->AdvanceBy(500);
    auto* add = window->FindControl("device_add_btn");
    ASSERT_TRUE(profiles->HandleTrigger({"click", add}));
    EXPECT_EQ(profiles->List().GetEntries().size(), 2u);
    EXPECT_EQ(page->GetLightInfo().mode, 0);  // the shipped default: wave
    EXPECT_EQ(pad->firmware().Parameters()[1], 0);

    auto* combo = window->FindControl<ui::Combo>("device_profile_combo");
    combo->SelectItem(0, ui::Notify::No);
    ASSERT_TRUE(profiles->HandleTrigger({"itemselect", combo}));
    EXPECT_EQ(page->GetLightInfo().red, 1);
    EXPECT_EQ(pad->firmware().Parameters()[1], 3);
    EXPECT_EQ(pad->firmware().Parameters()[6], 1);

    ASSERT_TRUE(profiles->HandleTrigger({"click", window->FindControl("device_reset_btn")}));
    EXPECT_EQ(page->GetLightInfo().mode, 0);
    EXPECT_EQ(page->GetLightInfo().multiColor, 1);
    EXPECT_EQ(pad->firmware().Parameters()[1], 0);
    EXPECT_EQ(host->Host().CountCalls("message"), 0u);
    EXPECT_EQ(pad->firmware().Violations().Total(), 0u);
}

TEST_F(MousepadDeviceTest, FailedCommitIsShownWithItsResult) {
    host->Language().Set("message_text_16", "Settings not written (%d)");
    Arrive();
    host->AdvanceBy(500);
    pad->InjectFault({sim::FaultType::Status, 1, sim::kStatusRejected});
    auto* combo = window->FindControl<ui::Combo>("device_profile_combo");
    ASSERT_TRUE(profiles->HandleTrigger({"itemselect", combo}));
    ASSERT_EQ(host->Host().CountCalls("message"), 1u);
    EXPECT_NE(host->Host().Calls().back().find("Settings not written (-102)"), std::string::npos);
}

TEST_F(MousepadDeviceTest, UnpluggedPadStopsThePushesAndComesBack) {
    UseLighting(3, 4, 2, 0);
    Arrive();
    host->AdvanceBy(500);
    ASSERT_TRUE(StreamedFrameMatches([](const auto& f) { return f[0] != 0; }));
    bus->Unplug(pad);
    host->AdvanceBy(20);  // pushes against the vanished pad
    page->Channel().CloseInterface();
    page->CloseSyncInterface();
    entry->SetVisible(false);
    host->AdvanceBy(50);
    EXPECT_FALSE(entry->HasTimer(device_timer::kPushFrame));
    EXPECT_TRUE(page->IsLightingThreadRunning());  // idles until the pad returns

    ASSERT_TRUE(bus->Plug(pad));
    const uint64_t frames = pad->firmware().FrameCount();
    Arrive();
    host->AdvanceBy(600);
    EXPECT_GT(pad->firmware().FrameCount(), frames);
    EXPECT_EQ(pad->firmware().Violations().Total(), 0u);
}

TEST_F(MousepadDeviceTest, InactiveLightingSendsNoFrames) {
    page->SetLightingActive(false);
    Arrive();
    host->AdvanceBy(700);
    EXPECT_EQ(pad->firmware().FrameCount(), 0u);
    EXPECT_TRUE(entry->HasTimer(device_timer::kPushFrame));
}

}  // namespace
