// The keyboard's command set on the simulated keyboard: the tables and maps
// read at connection, the settings record both ways, the key table and the
// custom colour groups byte for byte, and key events from the keyboard
// reaching the preview.
#include "keyboard/keyboard_device.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "profile/macro_records.h"
#include "profile/macro_store.h"
#include "tests/keyboard/keyboard_page_fixture.h"

namespace {

constexpr int kEscape = 0;
constexpr int kKeyA = 64;
// Buttons whose factory code is 20 00 00.
constexpr int kCodeless[] = {18, 19, 20, 62, 104};

class KeyboardDeviceTest : public KeyboardPageTest {
  protected:
    // The connection's device sequences without the lighting thread, so a
    // test drives the preview itself.
    void Attach() {
        ASSERT_TRUE(page->Channel().OpenInterface(keyboard->CommandPath(), 1));
        ASSERT_EQ(page->ReadDeviceTables(), 1);
        page->LoadProfile();
        ASSERT_EQ(page->ReadBack(), 1);
    }
    std::vector<uint8_t> KeyBytes(int position) const {
        const std::vector<uint8_t> table = keyboard->firmware().KeyTable();
        return {table.begin() + 3 * position, table.begin() + 3 * position + 3};
    }
    void ExpectNoViolations() const {
        EXPECT_EQ(keyboard->firmware().Violations().Total(), 0u)
            << keyboard->firmware().Violations().Describe();
        EXPECT_FALSE(keyboard->firmware().InWriteBracket());
    }
};

TEST_F(KeyboardDeviceTest, ConnectionFindsEveryKeyButtonAtItsFactoryPosition) {
    Attach();
    EXPECT_EQ(page->KeyPosition(kEscape), 7);
    EXPECT_EQ(page->ButtonAtPosition(7), kEscape);
    EXPECT_EQ(page->KeyLed(kKeyA), sim::KeyboardLedOfButton(kKeyA));
    // The buttons without a key code all take the lowest position holding
    // 20 00 00; that position reports the lowest of those buttons.
    int lowest = sim::kKeyboardPositions;
    for (const int b : kCodeless) {
        lowest = std::min(lowest, sim::KeyboardPositionOfButton(b));
    }
    for (int b = 0; b < sim::kKeyboardButtons; ++b) {
        const bool codeless =
            std::find(std::begin(kCodeless), std::end(kCodeless), b) != std::end(kCodeless);
        EXPECT_EQ(page->KeyPosition(b), codeless ? lowest : sim::KeyboardPositionOfButton(b))
            << "button " << b;
    }
    EXPECT_EQ(page->ButtonAtPosition(lowest), 18);
    EXPECT_EQ(page->ButtonAtPosition(0), -1);  // a position without a key
    ExpectNoViolations();
}

TEST_F(KeyboardDeviceTest, KeyTableUploadWritesAssignmentsAtTheButtonsPositions) {
    keyboard->firmware().PokeKeyTable(0, {0xAB, 0xCD, 0xEF});  // a position no button has
    // Button 5's code is gone from this keyboard: the button is never uploaded.
    const int lost = sim::KeyboardPositionOfButton(5);
    keyboard->firmware().PokeKeyTable(3 * lost, {0x20, 0x00, 0x99});
    Attach();
    ASSERT_EQ(page->KeyPosition(5), CVeldmarkKeyboardDevice::kNoPosition);

    std::vector<KeyEntry> keys = page->GetKeyList();
    ASSERT_EQ(keys.size(), 126u);
    keys[kEscape].current = {kEscape, 0x20, 0x02, 0x05};
    keys[5].current = {5, 0x20, 0x00, 0x04};
    EXPECT_EQ(page->UploadKeyTable(0, keys), 1);
    const std::vector<uint8_t> table = keyboard->firmware().KeyTable();
    EXPECT_EQ(std::vector<uint8_t>(table.begin() + 21, table.begin() + 24),
              (std::vector<uint8_t>{0x20, 0x02, 0x05}));
    EXPECT_EQ(KeyBytes(0), (std::vector<uint8_t>{0xAB, 0xCD, 0xEF}));
    EXPECT_EQ(KeyBytes(lost), (std::vector<uint8_t>{0x20, 0x00, 0x99}));
    const std::array<uint8_t, 3> factoryA = sim::KeyboardFactoryCode(kKeyA);
    EXPECT_EQ(KeyBytes(sim::KeyboardPositionOfButton(kKeyA)),
              std::vector<uint8_t>(factoryA.begin(), factoryA.end()));
    ExpectNoViolations();

    const size_t writes = Requests(sim::cmd::kWriteKeyTable).size();
    EXPECT_EQ(page->UploadKeyTable(1, keys), channel_result::kBadKeyTableIndex);
    EXPECT_EQ(Requests(sim::cmd::kWriteKeyTable).size(), writes);
    ExpectNoViolations();
}

// More positions than a 512-byte block holds: the tables are not read, the
// write bracket is still closed, and no key upload wipes the keyboard's
// table with the empty copy.
TEST_F(KeyboardDeviceTest, KeyboardWithTooManyPositionsIsLeftClosedAndUntouched) {
    keyboard->firmware().PokeDeviceInfo(5, 171);
    const std::vector<uint8_t> factory = keyboard->firmware().KeyTable();
    ASSERT_TRUE(page->Channel().OpenInterface(keyboard->CommandPath(), 1));
    EXPECT_NE(page->ReadDeviceTables(), 1);
    EXPECT_FALSE(keyboard->firmware().InWriteBracket());
    EXPECT_TRUE(Requests(sim::cmd::kReadKeyTable).empty());
    EXPECT_EQ(page->KeyPosition(kEscape), CVeldmarkKeyboardDevice::kNoPosition);
    EXPECT_EQ(page->UploadProfileKeys(0), channel_result::kNoReply);
    EXPECT_TRUE(Requests(sim::cmd::kWriteKeyTable).empty());
    EXPECT_EQ(keyboard->firmware().KeyTable(), factory);
    ExpectNoViolations();
}

TEST_F(KeyboardDeviceTest, SettingsRecordCarriesLightingFlagsAndReportRate) {
    Attach();
    LightInfoRecord info;
    info.mode = 20;
    info.brightness = 3;
    info.speed = 1;
    info.direction = 1;
    info.red = 10;
    info.green = 20;
    info.blue = 30;
    info.zzccMode = 2;
    info.customGroup = 3;
    page->SetLightInfo(info);
    page->SetSystemWords(31 | 2u << 16, 1 | 2u << 16, 1 | 1u << 16);
    ASSERT_EQ(page->UploadSettings(0, 0, 1, 1920, 1080), 1);
    const std::vector<uint8_t> expected = {0, 20, 3, 3, 1, 0, 10, 20, 30, 0, 0, 0, 0,
                                           0, 0,  0, 0, 0, 2, 1,  1,  1,  2, 0, 0, 3};
    EXPECT_EQ(Parameters(0, 26), expected);
    const auto writes = Requests(sim::cmd::kWriteParameters);
    ASSERT_FALSE(writes.empty());
    EXPECT_EQ(writes.back()[4], 26);
    EXPECT_EQ(writes.back()[5] | writes.back()[6] << 8, 0);

    // Profile 1's record starts on profile 0's last byte.
    const std::vector<uint8_t> before = Parameters(0, 25);
    ASSERT_EQ(page->UploadSettings(1, 7), 1);
    EXPECT_EQ(Parameters(0, 25), before);
    EXPECT_EQ(Parameters(25, 2), (std::vector<uint8_t>{7, 20}));
    ExpectNoViolations();
}

TEST_F(KeyboardDeviceTest, ReadBackTakesTheActiveProfilesRecordButNotItsReportRate) {
    Attach();
    const CKeyboardProfiledata::SystemWords wordsBefore = page->GetSystemWords();
    // The keyboard switched to profile 2 and shows mode 20 at its fastest.
    std::vector<uint8_t> record(26, 0);
    record[1] = 20;
    record[2] = 4;
    record[3] = 0;  // speed 4
    record[5] = 1;
    record[6] = 9;
    record[16] = 0x77;
    record[18] = 3;
    record[19] = 1;  // W key
    record[20] = 1;  // 6 key
    record[21] = 0;  // Windows key
    record[22] = 0;  // report rate: not taken
    record[25] = 2;  // colour group
    keyboard->firmware().PokeParameters(50, record);
    keyboard->firmware().PokeParameters(0, {2});
    int active = -1;
    ASSERT_EQ(page->ReadBack(&active), 1);
    EXPECT_EQ(active, 2);
    EXPECT_EQ(page->GetLastRecord()[16], 0);

    const LightInfoRecord info = page->KeyboardDocument().ReadLightInfo();
    EXPECT_EQ(info.mode, 20);
    EXPECT_EQ(info.speed, 4);
    EXPECT_EQ(info.red, 9);
    EXPECT_EQ(info.zzccMode, 3);
    EXPECT_EQ(info.customGroup, 2);
    const CKeyboardProfiledata::SystemWords words = page->KeyboardDocument().ReadSystemStages();
    EXPECT_EQ(words[0], wordsBefore[0]);
    EXPECT_EQ(words[1], (wordsBefore[1] & 0xFFFF0000u) | 1u);  // report rate kept
    EXPECT_EQ(words[2], 1u);
    // The new mode 20 loaded its colours and sent them to the record's group.
    EXPECT_FALSE(Requests(sim::cmd::kWriteColorTable).empty());

    keyboard->firmware().PokeParameters(53, {3});
    ASSERT_EQ(page->ReadBack(), 1);
    EXPECT_EQ(page->GetLightInfo().speed, 1);
    // A speed byte the table has no speed for reads as the fastest.
    keyboard->firmware().PokeParameters(53, {9});
    ASSERT_EQ(page->ReadBack(), 1);
    EXPECT_EQ(page->GetLightInfo().speed, 4);
    ExpectNoViolations();
}

// A read that fails leaves zeros in the buffer; they must never become the
// profile's settings.
TEST_F(KeyboardDeviceTest, FailedReadBackLeavesTheProfileAsItWas) {
    Attach();
    const std::string saved = ReadText(page->GetProfilePath());
    const LightInfoRecord info = page->GetLightInfo();
    keyboard->InjectFault({sim::FaultType::NoReply, 1});
    EXPECT_EQ(page->ReadBack(), channel_result::kNoReply);
    EXPECT_EQ(page->GetLightInfo(), info);
    EXPECT_EQ(ReadText(page->GetProfilePath()), saved);

    // The profile byte is read, but its record lies outside the memory.
    keyboard->firmware().PokeParameters(0, {200});
    EXPECT_EQ(page->ReadBack(), channel_result::kStatusFE);
    EXPECT_EQ(page->GetActiveProfile(), 200);
    EXPECT_EQ(page->GetLightInfo(), info);
    EXPECT_EQ(ReadText(page->GetProfilePath()), saved);
}

TEST_F(KeyboardDeviceTest, PaintingAKeyOutsideCustomModeChangesAndSendsNothing) {
    Attach();
    UseLighting(6);
    editor->customGroup = 0;
    const CustomColor before = page->Preview().GetCustomColor(kKeyA);
    page->PaintCustomKey(kKeyA);
    EXPECT_EQ(page->UploadCustomColors(), channel_result::kNoReply);
    EXPECT_TRUE(Requests(sim::cmd::kWriteColorTable).empty());
    EXPECT_EQ(page->Preview().GetCustomColor(kKeyA), before);
}

TEST_F(KeyboardDeviceTest, PaintedKeyIsStoredInItsGroupAndSentAtItsLedIndex) {
    Attach();
    page->SetCustomGroup(2);
    LightInfoRecord info = page->GetLightInfo();
    info.customGroup = 1;
    page->SetLightInfo(info);
    UseLighting(20, 2, 10, 20, 30);
    page->PaintCustomKey(kKeyA);

    const int led = sim::KeyboardLedOfButton(kKeyA);
    const std::vector<uint8_t> group = keyboard->firmware().ColorGroup(1);
    EXPECT_EQ(std::vector<uint8_t>(group.begin() + 3 * led, group.begin() + 3 * led + 3),
              (std::vector<uint8_t>{10, 20, 30}));
    const std::vector<CustomColor> stored = page->KeyboardDocument().ReadCustomColors(2, 126);
    EXPECT_EQ(stored[kKeyA].red, 10);
    EXPECT_EQ(stored[kKeyA].blue, 30);
    const auto writes = Requests(sim::cmd::kWriteColorTable);
    ASSERT_FALSE(writes.empty());
    // 144 positions give 432 bytes: the last of eight chunks starts at 7 × 56.
    EXPECT_EQ(writes.back()[5] | writes.back()[6] << 8, 512 + 7 * 56);
    ExpectNoViolations();
}

// The colours go out at the record's brightness (4: level 195), whatever
// alpha they carry: the document's 255 before the preview drew a frame in the
// new mode, the brightness after one (or any other while it draws).
TEST_F(KeyboardDeviceTest, FilledColoursAreSentScaledByTheirBrightness) {
    Attach();
    page->SetCustomGroup(0);
    UseLighting(20, 2, 200, 100, 40);
    for (const uint8_t alpha : {255, 195, 80}) {
        for (int k = 0; k < 126; ++k) {
            page->Preview().SetCustomColor(k, {1, 2, 3, alpha});
        }
        page->FillCustomColors(true);
        const std::vector<uint8_t> group = keyboard->firmware().ColorGroup(0);
        for (const int button : {kEscape, kKeyA, 125}) {
            const int led = sim::KeyboardLedOfButton(button);
            EXPECT_EQ(std::vector<uint8_t>(group.begin() + 3 * led, group.begin() + 3 * led + 3),
                      (std::vector<uint8_t>{152, 76, 30}))
                << "button " << button << ", colours carrying alpha " << int{alpha};
        }
    }
    page->FillCustomColors(false);
    EXPECT_EQ(keyboard->firmware().ColorGroup(0), std::vector<uint8_t>(512, 0));
}

// An LED map entry whose colour would end past the 512-byte group is left
// out rather than written beyond the buffer.
TEST_F(KeyboardDeviceTest, LedIndicesBeyondTheColourGroupAreLeftOut) {
    keyboard->firmware().PokeLedMap(static_cast<size_t>(sim::KeyboardPositionOfButton(kKeyA)),
                                    {170});
    keyboard->firmware().PokeLedMap(static_cast<size_t>(sim::KeyboardPositionOfButton(kEscape)),
                                    {143});
    Attach();
    page->SetCustomGroup(0);
    UseLighting(20, 2, 10, 20, 30);
    page->FillCustomColors(false);
    page->PaintCustomKey(kKeyA);
    page->PaintCustomKey(kEscape);
    const std::vector<uint8_t> group = keyboard->firmware().ColorGroup(0);
    EXPECT_EQ(std::vector<uint8_t>(group.begin() + 429, group.begin() + 432),
              (std::vector<uint8_t>{10, 20, 30}));
    EXPECT_EQ(std::count(group.begin(), group.end(), 0), 512 - 3);
}

// Two macros of 16 + 2 × 6 bytes of header and blocks: 2297 events fill the
// 9216 bytes of macro memory exactly; one more is 4 bytes too many.
TEST_F(KeyboardDeviceTest, MacroImageIsSentWhenItFitsTheMemoryExactlyAndRefusedBeyond) {
    Attach();
    profile::MacroStore store;
    store.SetFolder(page->ProfileFolder());
    ASSERT_TRUE(store.Load().Ok());
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(store.Add().Ok());
    }
    auto save = [&](int index, int events) {
        Json::Value list(Json::arrayValue);
        for (int e = 0; e < events; ++e) {
            list.append(macro::MakeEvent(e % 2 == 0, 1, 0x04, 20));
        }
        ASSERT_TRUE(store.SaveEvents(index, list).Ok());
    };
    save(0, 1000);
    save(1, 1297);
    EXPECT_EQ(page->UploadMacros(), 0);
    const std::vector<uint8_t> memory = keyboard->firmware().MacroMemory();
    EXPECT_EQ(std::vector<uint8_t>(memory.begin(), memory.begin() + 6),
              (std::vector<uint8_t>{0xAA, 0x55, 0x00, 0x24, 0x02, 0x00}));
    const size_t writes = Requests(sim::cmd::kWriteMacroImage).size();
    EXPECT_EQ(writes, (9216u + 55) / 56);

    save(1, 1298);
    EXPECT_EQ(page->UploadMacros(), 2);
    EXPECT_EQ(Requests(sim::cmd::kWriteMacroImage).size(), writes);
    ExpectNoViolations();
}

TEST_F(KeyboardDeviceTest, KeyPressesOnTheKeyboardLightTheKeyInTheReactiveModes) {
    UseLighting(7, 4, 255, 0, 0);
    page->OpenSyncInterface(keyboard->EventPath());
    Connect();
    ASSERT_TRUE(page->IsLightingThreadRunning());
    ASSERT_TRUE(page->IsSyncThreadRunning());
    UseLighting(7, 4, 255, 0, 0);  // the read-back took the keyboard's own mode
    ASSERT_TRUE(keyboard->PressKey(static_cast<uint8_t>(sim::KeyboardPositionOfButton(kKeyA))));
    std::vector<device::LedColor> frame;
    const auto full = static_cast<uint8_t>(device::kBrightnessLevels[4] * 255 >> 8);
    EXPECT_TRUE(WaitReal(
        [&] {
            page->Engine().SnapshotFrame(frame);
            return frame.size() == 126 && frame[kKeyA] == device::LedColor{255, 0, 0, full};
        },
        2000));
    EXPECT_EQ(frame[kEscape].alpha, 0);
    ASSERT_TRUE(keyboard->ReleaseKey(static_cast<uint8_t>(sim::KeyboardPositionOfButton(kKeyA))));
    EXPECT_TRUE(WaitReal(
        [&] {
            page->Engine().SnapshotFrame(frame);
            return frame[kKeyA].alpha < full;
        },
        2000));
    page->CloseSyncInterface();
}

// Nobody sees a hidden window: the preview rests (no new frames, frames
// pushed rarely), yet a key released meanwhile is not lost, so the key fades
// once the window is back instead of staying lit.
TEST_F(KeyboardDeviceTest, HiddenPageRestsItsPreviewYetTakesEveryKeyEvent) {
    page->OpenSyncInterface(keyboard->EventPath());
    Connect();
    UseLighting(1, 4);  // a wave: a new frame every few milliseconds
    window->Show();
    page->PushFrame();
    ASSERT_TRUE(page->IsPreviewSeen());
    const int seenInterval = page->PushIntervalMs();

    window->Hide();
    page->PushFrame();
    EXPECT_FALSE(page->IsPreviewSeen());
    EXPECT_GT(page->PushIntervalMs(), seenInterval);
    std::vector<device::LedColor> before;
    std::vector<device::LedColor> after;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // a pass under way ends
    page->Engine().SnapshotFrame(before);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    page->Engine().SnapshotFrame(after);
    EXPECT_EQ(before, after);

    UseLighting(7, 4, 255, 0, 0);
    const auto a = static_cast<uint8_t>(sim::KeyboardPositionOfButton(kKeyA));
    const auto full = static_cast<uint8_t>(device::kBrightnessLevels[4] * 255 >> 8);
    ASSERT_TRUE(keyboard->PressKey(a));
    EXPECT_TRUE(WaitReal(
        [&] {
            page->Engine().SnapshotFrame(after);
            return after.size() == 126 && after[kKeyA] == device::LedColor{255, 0, 0, full};
        },
        2000));
    ASSERT_TRUE(keyboard->ReleaseKey(a));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));

    window->Show();
    page->PushFrame();
    EXPECT_TRUE(page->IsPreviewSeen());
    EXPECT_TRUE(WaitReal(
        [&] {
            page->Engine().SnapshotFrame(after);
            return after[kKeyA].alpha == 0;
        },
        2000));
    page->CloseSyncInterface();
}

}  // namespace
