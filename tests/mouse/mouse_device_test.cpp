// The mouse's command set on the simulated mouse: the key table and its
// logical buttons, the settings record, the read-back, the macro image and
// the probes of a slow link.
#include "mouse/mouse_device.h"

#include <gtest/gtest.h>

#include "device/lighting_tables.h"
#include "mouse/mouse_buttons.h"
#include "profile/macro_store.h"
#include "profile/profile_paths.h"
#include "tests/mouse/mouse_page_fixture.h"

namespace {

using MouseDeviceTest = MousePageTest;

int CountCommands(const sim::Firmware& firmware, uint8_t command) {
    int count = 0;
    for (const sim::LoggedReport& report : firmware.RequestLog()) {
        if (report.bytes.size() > 3 && report.bytes[3] == command) {
            ++count;
        }
    }
    return count;
}

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
    return std::vector<uint8_t>(values.begin(), values.end());
}

// --- key table -------------------------------------------------------------------------

TEST_F(MouseDeviceTest, ConnectionFindsEachLogicalButtonWhereTheMouseKeepsIt) {
    Connect();
    ASSERT_TRUE(page->HasKeyTable());
    const std::vector<uint8_t>& map = page->GetButtonMap();
    ASSERT_EQ(map.size(), 16u);  // one entry per key position
    for (int b = 0; b < mouse::kLogicalButtons; ++b) {
        EXPECT_EQ(map[static_cast<size_t>(b)], sim::MousePositionOfButton(b)) << b;
    }
    EXPECT_EQ(map[12], mouse::kNotMapped);
    EXPECT_FALSE(firmware->InWriteBracket());
}

TEST_F(MouseDeviceTest, EachKeyGoesToThePositionOfItsButtonAndTheRestKeepTheirBytes) {
    firmware->PokeKeyTable(3 * 12, {0x30, 0xE9, 0x00});  // a position no button uses
    firmware->PokeKeyTable(100, {0x55});                 // beyond the 16 positions
    Connect();
    Assign(0, 0x20, 0x01, 0x06);  // the left button sits at position 7
    Assign(3, 0x70, 0x01, 0x02);  // forward at position 4
    EXPECT_EQ(page->UploadProfileKeys(0), 1);
    EXPECT_EQ(KeyBytesAt(7), Bytes({0x20, 0x01, 0x06}));
    EXPECT_EQ(KeyBytesAt(4), Bytes({0x70, 0x01, 0x02}));
    EXPECT_EQ(KeyBytesAt(1), Bytes({0x10, 0x02, 0x00}));  // right, unchanged
    EXPECT_EQ(KeyBytesAt(12), Bytes({0x30, 0xE9, 0x00}));
    EXPECT_EQ(firmware->KeyTable()[100], 0x55);
    // The template is the table read at connection, not the last upload.
    Assign(0, 0x10, 0x01, 0x00);
    Assign(3, 0x10, 0x10, 0x00);
    EXPECT_EQ(page->UploadProfileKeys(0), 1);
    EXPECT_EQ(KeyBytesAt(4), Bytes({0x10, 0x10, 0x00}));
    EXPECT_EQ(firmware->Violations().Total(), 0u) << firmware->Violations().Describe();
}

TEST_F(MouseDeviceTest, AButtonWhoseFactoryCodeIsGoneIsNeverUploaded) {
    // The mouse was reprogrammed before: forward (position 4) plays A.
    firmware->PokeKeyTable(3 * 4, {0x20, 0x00, 0x04});
    Connect();
    EXPECT_EQ(page->GetButtonMap()[3], mouse::kNotMapped);
    Assign(3, 0x20, 0x01, 0x06);
    Assign(1, 0x10, 0x04, 0x00);
    EXPECT_EQ(page->UploadProfileKeys(0), 1);
    EXPECT_EQ(KeyBytesAt(4), Bytes({0x20, 0x00, 0x04}));
    EXPECT_EQ(KeyBytesAt(1), Bytes({0x10, 0x04, 0x00}));
}

TEST_F(MouseDeviceTest, ATableTooLargeForTheHostIsNotReadAndNothingOverwritesTheMouse) {
    firmware->PokeDeviceInfo(5, 171);  // 513 bytes
    const std::vector<uint8_t> before = firmware->KeyTable();
    Connect();
    EXPECT_FALSE(page->HasKeyTable());
    EXPECT_TRUE(page->GetButtonMap().empty());
    // The bracket opened for the reads is closed again.
    EXPECT_FALSE(firmware->InWriteBracket());
    EXPECT_EQ(CountCommands(*firmware, sim::cmd::kReadKeyTable), 0);
    // Without the table of this connection an upload would send zeros.
    EXPECT_EQ(page->UploadProfileKeys(0), 0);
    EXPECT_EQ(CountCommands(*firmware, sim::cmd::kWriteKeyTable), 0);
    EXPECT_EQ(firmware->KeyTable(), before);
    EXPECT_TRUE(page->KeysPending());
}

// --- settings record ---------------------------------------------------------------------

TEST(MouseSettingsRecord, LightingStagesAndCorrectionLandInTheirBytes) {
    mouse::SettingsInput in;
    in.light.mode = 9;  // a custom effect: the mouse shows mode 0
    in.light.brightness = 3;
    in.light.speed = 1;
    in.light.direction = 1;
    in.light.multiColor = 1;
    in.light.red = 10;
    in.light.green = 20;
    in.light.blue = 30;
    in.reportRate = 3;
    in.activeStage = 2;
    in.screenWidth = 2560;
    in.screenHeight = 1440;
    for (uint16_t i = 1; i <= 3; ++i) {
        in.stages.push_back(
            {1, 0, static_cast<uint16_t>(i * 300), static_cast<uint16_t>(i * 100), 1, 2, 3});
    }
    in.corrections = {{7, 8, 0, "a"}, {11, 22, 1, "b"}, {33, 44, 1, "c"}};
    const mouse::SettingsRecord r = mouse::BuildSettingsRecord(in);
    EXPECT_EQ(r[1], 0);
    EXPECT_EQ(r[3], 1);
    EXPECT_EQ(mouse::ToDevice(r)[3], 3);
    EXPECT_EQ(r[4], 1);
    EXPECT_EQ(r[11], 3);
    EXPECT_EQ(r[12], 2);
    // Stage 2: enabled, xy, 900 and 300 little-endian, colour.
    EXPECT_EQ(std::vector<uint8_t>(r.begin() + 32, r.begin() + 41),
              Bytes({1, 0, 0x84, 0x03, 0x2C, 0x01, 1, 2, 3}));
    for (size_t i = 41; i <= 58; ++i) {
        EXPECT_EQ(r[i], 0) << i;  // no stages 3 and 4
    }
    EXPECT_EQ(r[59], 1);
    EXPECT_EQ(std::vector<uint8_t>(r.begin() + 60, r.begin() + 64),
              Bytes({0x00, 0x0A, 0xA0, 0x05}));
    // The first selected preset, minimum first, then the threshold.
    EXPECT_EQ(r[64], 22);
    EXPECT_EQ(r[65], 11);
    in.corrections[1].select = 0;
    in.corrections[2].select = 0;
    EXPECT_EQ(mouse::BuildSettingsRecord(in)[64], 0);
    EXPECT_EQ(mouse::SpeedFromDevice(0), 4);
    EXPECT_EQ(mouse::SpeedFromDevice(3), 1);
    EXPECT_EQ(mouse::SpeedFromDevice(9), 4);
}

TEST_F(MouseDeviceTest, SettingsUploadWritesSixtySixBytesOfProfileZero) {
    Connect();
    const std::vector<uint8_t> before = firmware->Parameters();
    EXPECT_EQ(page->UploadSettings(0, 0, 1, 1920, 1080), 1);
    const std::vector<uint8_t> after = firmware->Parameters();
    const LightInfoRecord light = page->GetLightInfo();
    EXPECT_EQ(after[1], light.mode);
    EXPECT_EQ(after[3], 4 - light.speed);
    EXPECT_EQ(after[59], 1);
    EXPECT_EQ(after[60] | after[61] << 8, 1920);
    // Bytes 66-70 are the mouse's own; profile 1's area is untouched.
    EXPECT_EQ(std::vector<uint8_t>(after.begin() + 66, after.begin() + 128),
              std::vector<uint8_t>(before.begin() + 66, before.begin() + 128));
    EXPECT_EQ(std::vector<uint8_t>(after.begin() + 128, after.end()),
              std::vector<uint8_t>(before.begin() + 128, before.end()));
}

// --- read-back -----------------------------------------------------------------------------

TEST_F(MouseDeviceTest, ReadBackTakesTheActiveProfilesLightingIntoTheProfile) {
    Connect();
    firmware->PokeParameters(0, {2});
    firmware->PokeParameters(2 * 128 + 1, {4, 2, 0});  // mode 4, brightness 2, device speed 0
    firmware->PokeParameters(2 * 128 + 12, {3});
    page->ReadDeviceState();
    EXPECT_EQ(page->GetActiveProfileRead(), 2);
    const LightInfoRecord light = page->MouseDocument().ReadLightInfo();
    EXPECT_EQ(light.mode, 4);
    EXPECT_EQ(light.brightness, 2);
    EXPECT_EQ(light.speed, 4);
    EXPECT_EQ(page->MouseDocument().GetActiveStage(), 3);
    EXPECT_EQ(page->ThreadMode(), 4);
    // Saved: a fresh load of the file sees it.
    CMouseProfiledata reread;
    reread.Load(page->GetProfilePath());
    EXPECT_EQ(reread.ReadLightInfo().mode, 4);
}

TEST_F(MouseDeviceTest, AFailedReadBackChangesNothing) {
    Connect();
    const LightInfoRecord before = page->MouseDocument().ReadLightInfo();
    firmware->PokeParameters(1, {7, 0, 0});
    mouse->InjectFault({sim::FaultType::Status, 2, sim::kStatusRejected});
    page->ReadDeviceState();
    EXPECT_EQ(page->MouseDocument().ReadLightInfo(), before);
    page->Channel().CloseInterface();
    page->ReadDeviceState();
    EXPECT_EQ(page->MouseDocument().ReadLightInfo(), before);
}

// --- macros ------------------------------------------------------------------------------------

class MouseMacroTest : public MousePageTest {
  protected:
    // Adds a macro with `events` events of 300 ms each.
    void AddMacro(int events, bool down = true) {
        profile::MacroStore store;
        store.SetFolder(page->ProfileFolder());
        ASSERT_TRUE(store.Load().Ok());
        ASSERT_TRUE(store.Add().Ok());
        Json::Value list(Json::arrayValue);
        for (int i = 0; i < events; ++i) {
            list.append(macro::MakeEvent(down, 1, 0x04, 300));
        }
        ASSERT_TRUE(store.SaveEvents(store.Count() - 1, list).Ok());
    }
    std::vector<uint8_t> Memory(size_t from, size_t count) const {
        const std::vector<uint8_t> memory = firmware->MacroMemory();
        return {memory.begin() + static_cast<std::ptrdiff_t>(from),
                memory.begin() + static_cast<std::ptrdiff_t>(from + count)};
    }
};

TEST_F(MouseMacroTest, TheImageOfTheStoreReachesMacroMemory) {
    AddMacro(3);
    AddMacro(0);
    Connect();
    EXPECT_EQ(page->UploadMacros(), 0);
    // Header: magic, total 40, two macros; offsets 20 and 36.
    EXPECT_EQ(Memory(0, 6), Bytes({0xAA, 0x55, 40, 0, 2, 0}));
    EXPECT_EQ(Memory(16, 4), Bytes({20, 0, 36, 0}));
    EXPECT_EQ(Memory(20, 8), Bytes({3, 0, 0, 0, 0x2C, 0x01, 0x81, 0x04}));
    EXPECT_EQ(Memory(36, 4), Bytes({0, 0, 0, 0}));
    EXPECT_FALSE(page->MacrosPending());
}

TEST_F(MouseMacroTest, AnImageLargerThanTheMouseIsReportedAndNotSent) {
    AddMacro(2300);  // 16 + 6 + 9200 = 9222 bytes
    Connect();
    EXPECT_EQ(page->UploadMacros(), (9222 - 9216) / 4 + 1);
    EXPECT_EQ(CountCommands(*firmware, sim::cmd::kWriteMacroImage), 0);
    // Nothing to send leaves the mouse's macros as they are, and says so with 0.
    profile::MacroStore store;
    store.SetFolder(page->ProfileFolder());
    store.Load();
    ASSERT_TRUE(store.Remove(0).Ok());
    EXPECT_EQ(page->UploadMacros(), 0);
    EXPECT_EQ(CountCommands(*firmware, sim::cmd::kWriteMacroImage), 0);
}

TEST_F(MouseMacroTest, AnUploadCutByAnUnplugIsSentAgainAtTheNextConnection) {
    AddMacro(400);
    Connect();
    mouse->InjectFault({sim::FaultType::UnplugAfter, 6});
    EXPECT_EQ(page->UploadMacros(), -1);
    EXPECT_TRUE(page->MacrosPending());
    page->Channel().CloseInterface();
    ASSERT_TRUE(bus->Plug(mouse));
    Connect();
    EXPECT_FALSE(page->MacrosPending());
    EXPECT_EQ(Memory(0, 6), Bytes({0xAA, 0x55, 0x56, 0x06, 1, 0}));  // 16 + 6 + 1600
    EXPECT_FALSE(firmware->InWriteBracket());
}

// --- a mouse behind a slow link ------------------------------------------------------------

TEST_F(MouseMacroTest, EveryCommandOfASlowMouseIsProbedFirst) {
    AddMacro(1);
    firmware->SetNeedsProbe(true);
    Connect(device::kKindSlowMouse);
    ASSERT_TRUE(page->HasKeyTable());
    Assign(0, 0x20, 0x00, 0x04);
    EXPECT_EQ(page->UploadSettings(0, 0, 1, 800, 600), 1);
    EXPECT_EQ(page->UploadProfileKeys(0), 1);
    EXPECT_EQ(page->UploadMacros(), 0);
    page->ReadDeviceState();
    EXPECT_EQ(firmware->Violations()[sim::Violation::NotAwake], 0u);
    EXPECT_EQ(KeyBytesAt(7), Bytes({0x20, 0x00, 0x04}));
    EXPECT_EQ(Memory(0, 2), Bytes({0xAA, 0x55}));
    // No frames are streamed over a slow link.
    EXPECT_EQ(firmware->FrameCount(), 0u);
}

TEST_F(MouseDeviceTest, AFailedProbeStopsTheSequenceAtThatCommand) {
    firmware->SetNeedsProbe(true);
    Connect(device::kKindSlowMouse);
    Assign(0, 0x20, 0x00, 0x04);
    firmware->ClearLog();
    // Information and BeginWrite are probed and sent; the third probe fails.
    firmware->SetProbesInReach(2);
    EXPECT_EQ(page->UploadProfileKeys(0), 0);
    EXPECT_EQ(CountCommands(*firmware, sim::cmd::kProbe), 3);
    EXPECT_EQ(CountCommands(*firmware, sim::cmd::kReadDeviceInfo), 1);
    EXPECT_EQ(CountCommands(*firmware, sim::cmd::kBeginWrite), 1);
    EXPECT_EQ(CountCommands(*firmware, sim::cmd::kWriteKeyTable), 0);
    EXPECT_EQ(CountCommands(*firmware, sim::cmd::kEndWrite), 0);
    EXPECT_EQ(KeyBytesAt(7), Bytes({0x10, 0x01, 0x00}));
    EXPECT_TRUE(page->KeysPending());
    // Back in reach, the next connection sends the keys.
    firmware->SetOutOfReach(false);
    firmware->SetProbesInReach(-1);
    Connect(device::kKindSlowMouse);
    EXPECT_EQ(KeyBytesAt(7), Bytes({0x20, 0x00, 0x04}));
}

TEST_F(MouseDeviceTest, ASlowMouseOutOfReachGetsOnlyTheProbeButThePageStillLoads) {
    firmware->SetNeedsProbe(true);
    firmware->SetOutOfReach(true);
    Connect(device::kKindSlowMouse);
    EXPECT_EQ(firmware->RequestCount(), 1u);  // the probe
    EXPECT_FALSE(page->HasKeyTable());
    EXPECT_EQ(page->GetKeyList().size(), 10u);
    EXPECT_TRUE(page->IsLightingThreadRunning());
    const LightInfoRecord before = page->MouseDocument().ReadLightInfo();
    page->ReadDeviceState();
    EXPECT_EQ(page->UploadSettings(0, 0, 1, 800, 600), 0);
    EXPECT_EQ(page->MouseDocument().ReadLightInfo(), before);
    EXPECT_EQ(CountCommands(*firmware, sim::cmd::kProbe),
              static_cast<int>(firmware->RequestCount()));
}

// --- lighting ---------------------------------------------------------------------------------

TEST_F(MouseDeviceTest, GroupRippleCarriesOneLitGroupRoundTheMouse) {
    LightInfoRecord light;
    light.mode = 5;
    light.brightness = 4;  // level 195
    light.direction = 1;
    light.red = 200;
    light.green = 100;
    light.blue = 50;
    page->SetLightInfo(light);
    page->ApplyLighting();
    page->FrameGroupRipple();
    // Group 0 was lit and decayed once (255 - 40); the others are dark.
    const std::vector<device::LedColor> frame(page->Engine().Frame().begin(),
                                              page->Engine().Frame().end());
    ASSERT_EQ(frame.size(), 6u);
    EXPECT_EQ(frame[0].alpha, 195 * 215 >> 8);
    EXPECT_EQ(frame[0].r, 200);
    for (size_t i = 1; i < 6; ++i) {
        EXPECT_EQ(frame[i].alpha, 0) << i;
    }
    page->FrameGroupRipple();
    EXPECT_EQ(page->Engine().GetLedColor(1).alpha, 195 * 215 >> 8);
    EXPECT_EQ(page->Engine().GetLedColor(0).alpha, 195 * 175 >> 8);

    // Multi-colour: the hue moves on by 12 for each of the nine groups.
    light.multiColor = 1;
    page->SetLightInfo(light);
    page->ApplyLighting();
    page->Engine().SetPhase(0);
    page->FrameGroupRipple();
    const device::Rgb first = device::kColorWheel[13];
    EXPECT_EQ(page->Engine().GetLedColor(0).g, first.g);
    EXPECT_EQ(page->Engine().Phase(), 1 + 9 * 12);
}

// Frames the mouse receives in mode `mode`: one after each frame operation
// (speed 4 runs it every seventh pass), pushed as the connection timer does.
std::vector<std::vector<uint8_t>> FramesOfMode(CVeldmarkMouseDevice& page, sim::SimMouse& mouse,
                                               uint8_t mode, int count) {
    LightInfoRecord light;
    light.mode = mode;
    light.brightness = 4;
    light.speed = 4;
    light.red = 200;
    light.green = 100;
    light.blue = 50;
    page.SetLightInfo(light);
    page.ApplyLighting();
    std::vector<std::vector<uint8_t>> frames;
    for (int i = 0; i < count; ++i) {
        for (int pass = 0; pass < 7; ++pass) {
            page.LightingPass();
        }
        page.PushFrame();
        frames.push_back(mouse.LastFrame());
    }
    return frames;
}

TEST_F(MouseDeviceTest, EveryBuiltInModePlaysOnTheMouseAsItsOwnFrames) {
    // The channel is open and frames flow, without the lighting thread: the
    // test runs the passes itself.
    ASSERT_TRUE(page->Channel().OpenInterface(mouse->CommandPath(), device::kKindMouse));
    page->SetLightingActive(true);
    const auto lit = [](const std::vector<uint8_t>& frame, int led) {
        return frame.at(3 * led) != 0 || frame.at(3 * led + 1) != 0 || frame.at(3 * led + 2) != 0;
    };
    std::vector<std::vector<std::vector<uint8_t>>> byMode;
    for (uint8_t mode = 0; mode <= 8; ++mode) {
        byMode.push_back(FramesOfMode(*page, *firmware, mode, 6));
        ASSERT_EQ(byMode.back().back().size(), 18u) << int{mode};
    }
    // Static: every light in the colour at the record's brightness, frame after frame.
    const int level = device::BrightnessLevel(4);
    for (const std::vector<uint8_t>& frame : byMode[3]) {
        for (int led = 0; led < 6; ++led) {
            EXPECT_EQ(frame[3 * led], 200 * level >> 8) << led;
            EXPECT_EQ(frame[3 * led + 2], 50 * level >> 8) << led;
        }
    }
    // Off: dark.
    EXPECT_EQ(byMode[8].back(), std::vector<uint8_t>(18, 0));
    // The wave runs along the lights: neighbours differ and it moves on.
    EXPECT_NE(byMode[0][0][0], byMode[0][0][3]);
    EXPECT_NE(byMode[0][0], byMode[0][1]);
    // The group ripple lights its first group, LED 0, and no other yet.
    EXPECT_TRUE(lit(byMode[5][0], 0));
    for (int led = 1; led < 6; ++led) {
        EXPECT_FALSE(lit(byMode[5][0], led)) << led;
    }
    // The moving modes change from frame to frame, and no two modes play the
    // same frames (but for blink, whose first interval is the static colour).
    for (const int mode : {0, 1, 2, 5, 6}) {
        EXPECT_NE(byMode[mode].front(), byMode[mode].back()) << mode;
    }
    for (size_t a = 0; a < byMode.size(); ++a) {
        for (size_t b = a + 1; b < byMode.size(); ++b) {
            if (a == 3 && b == 4) {
                continue;
            }
            EXPECT_NE(byMode[a], byMode[b]) << a << " and " << b;
        }
    }
}

TEST_F(MouseDeviceTest, ChangingTheModeRestartsTheRippleFromOneLitEntry) {
    LightInfoRecord light = page->GetLightInfo();
    light.mode = 5;
    page->SetLightInfo(light);
    page->ApplyLighting();
    page->Engine().Keys().SetRing(7, 1);
    page->Engine().Keys().SetLevel(3, 200);
    light.mode = 3;
    page->SetLightInfo(light);
    page->ApplyLighting();
    EXPECT_EQ(page->Engine().Keys().Ring(0), 1);
    EXPECT_EQ(page->Engine().Keys().Ring(7), 0);
    EXPECT_EQ(page->Engine().Keys().Level(3), 0);
    EXPECT_EQ(page->ThreadMode(), 3);
}

}  // namespace
