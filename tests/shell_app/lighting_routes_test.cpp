// The lighting editor's routes and synchronised lighting in the main window,
// on the simulated keyboard and mousepad: what each edit stores, saves and
// sends, which edits take a device out of its group, and the group itself.

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "editors/light_control_ui.h"
#include "mousepad/mousepad_device.h"
#include "platform/ui/button.h"
#include "platform/ui/custom_control.h"
#include "platform/ui/edit.h"
#include "platform/ui/list.h"
#include "platform/ui/range_controls.h"
#include "profile/json_fields.h"
#include "tests/shell_app/main_wnd_fixture.h"

namespace {

class LightingRoutesTest : public MainWndTest {
  protected:
    // Moves the virtual clock in 5 ms steps (the pages' timers), giving the
    // threads real time to run, until `done` holds.
    bool Advance(const std::function<bool()>& done, int maxMs = 3000) {
        for (int t = 0; t < maxMs && !done(); t += 5) {
            host->AdvanceBy(5);
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        }
        return done();
    }

    // Plugs the pad and waits until its page is connected and shown.
    std::shared_ptr<sim::SimDevice> ConnectPad() {
        auto device = Plug(sim::DeviceKind::Mousepad);
        EXPECT_TRUE(WaitFor([&] { return Pad()->Channel().IsOpen(); }));
        EXPECT_TRUE(Advance([&] { return Pad()->IsLightingThreadRunning(); }));
        return device;
    }
    std::shared_ptr<sim::SimDevice> ConnectKeyboard() {
        auto device = Plug(sim::DeviceKind::Keyboard);
        EXPECT_TRUE(WaitFor([&] { return Keyboard()->Channel().IsOpen(); }));
        Advance([] { return false; }, 600);  // its entry connects it 500 ms later
        return device;
    }

    CLightControlUI& EditorOf(CVeldmarkUSBDevice* page) {
        return *dynamic_cast<CLightControlUI*>(page->GetLightEditor());
    }
    template <typename T>
    T* In(CVeldmarkUSBDevice* page, const char* name) {
        return page->FindSubControl<T>(name);
    }

    // The pad's settings record as the device holds it.
    std::vector<uint8_t> PadRecord(const std::shared_ptr<sim::SimDevice>& pad) {
        const std::vector<uint8_t> params = pad->firmware().Parameters();
        return {params.begin(), params.begin() + 9};
    }
    size_t Writes(const std::shared_ptr<sim::SimDevice>& device) {
        size_t writes = 0;
        for (const sim::LoggedReport& r : device->firmware().RequestLog()) {
            writes += r.bytes.size() > 3 && r.bytes[3] == sim::cmd::kWriteParameters ? 1 : 0;
        }
        return writes;
    }
    // "LightInfo" of the page's profile file as saved.
    Json::Value SavedLightInfo(CVeldmarkUSBDevice* page) {
        return CJsonFile().Load(page->GetProfilePath())["Device"][0]["LightInfo"];
    }

    void ChooseMode(CVeldmarkUSBDevice* page, int mode) {
        In<ui::Combo>(page, "light_combo_modeSelect")->SelectItem(mode);
    }
    void SetBrightness(CVeldmarkUSBDevice* page, int value) {
        In<ui::Slider>(page, "deng_light_slider")->UserCommit(value);
    }
    void TypeInto(CVeldmarkUSBDevice* page, const char* edit, const char* text) {
        auto* control = In<ui::Edit>(page, edit);
        control->SetText(text);
        control->SendNotify(ui::notify::kKillFocus);
    }
    void SameMode(CVeldmarkUSBDevice* page) { In<ui::Option>(page, "deng_same_mode")->UserClick(); }
};

// --- one page's edits -------------------------------------------------------------------

TEST_F(LightingRoutesTest, ModeChoiceIsStoredSavedAppliedAndSentToThePad) {
    Start();
    auto pad = ConnectPad();
    ASSERT_EQ(window->CurrentPage(), Pad());
    // The pad's four modes and its custom-effect slot, before any custom effect.
    EXPECT_EQ(In<ui::Combo>(Pad(), "light_combo_modeSelect")->GetItemCount(), 9);
    pad->firmware().ClearLog();

    ChooseMode(Pad(), 3);
    EXPECT_EQ(Pad()->GetLightInfo().mode, 3);
    EXPECT_EQ(SavedLightInfo(Pad())["SelectItem"].asInt(), 3);
    EXPECT_EQ(Pad()->Engine().GetLightingParams().mode, 3);
    EXPECT_EQ(PadRecord(pad)[1], 3);
    EXPECT_EQ(Writes(pad), 1u);
    // Static on the pad offers colour and brightness only.
    EXPECT_FALSE(In<ui::Control>(Pad(), "deng_speed_layout")->IsEnabled());
    EXPECT_TRUE(In<ui::Control>(Pad(), "colorpallet_layout")->IsEnabled());

    SetBrightness(Pad(), 2);
    EXPECT_EQ(SavedLightInfo(Pad())["Light"].asInt(), 2);
    EXPECT_EQ(PadRecord(pad)[2], 2);
    In<ui::Slider>(Pad(), "deng_speed_slider")->UserCommit(1);
    EXPECT_EQ(Pad()->GetLightInfo().speed, 1);
    EXPECT_EQ(PadRecord(pad)[3], 3);  // the pad counts its speed the other way round
}

TEST_F(LightingRoutesTest, DirectionTakesOneWriteForTheChosenOptionOnly) {
    Start();
    auto pad = ConnectPad();
    EXPECT_EQ(Pad()->GetLightInfo().direction, 0);  // the shipped default
    pad->firmware().ClearLog();
    In<ui::Option>(Pad(), "deng_FXL_check")->UserClick();
    EXPECT_EQ(Pad()->GetLightInfo().direction, 1);
    EXPECT_EQ(SavedLightInfo(Pad())["Fx"].asInt(), 1);
    EXPECT_EQ(Writes(pad), 1u);  // the option that lost the selection is no edit
    In<ui::Option>(Pad(), "deng_FXR_check")->UserClick();
    EXPECT_EQ(Pad()->GetLightInfo().direction, 0);
}

TEST_F(LightingRoutesTest, ExplicitColoursEndTheColourCycle) {
    Start();
    auto pad = ConnectPad();
    CLightControlUI& editor = EditorOf(Pad());
    In<ui::Option>(Pad(), "deng_7color_check")->UserClick();
    ASSERT_EQ(Pad()->GetLightInfo().multiColor, 0);  // the default cycles; now it does not
    In<ui::Option>(Pad(), "deng_7color_check")->UserClick();
    ASSERT_EQ(Pad()->GetLightInfo().multiColor, 1);
    EXPECT_EQ(PadRecord(pad)[5], 1);

    In<ui::ColorPalette>(Pad(), "deng_Color_Pallet")->UserPick(ui::Color{0xFF102030});
    LightInfoRecord r = Pad()->GetLightInfo();
    EXPECT_EQ((std::array<int, 4>{r.red, r.green, r.blue, r.multiColor}),
              (std::array<int, 4>{0x10, 0x20, 0x30, 0}));
    EXPECT_EQ(editor.GetRedText(), "16");
    EXPECT_EQ(editor.GetBlueText(), "48");
    EXPECT_FALSE(editor.GetColorCycle());
    EXPECT_EQ(In<ui::Control>(Pad(), "deng_colordp_btn")->GetColor(ui::ColorRole::Background)->argb,
              0xFF102030u);
    const std::vector<uint8_t> sent = PadRecord(pad);
    EXPECT_EQ(std::vector<uint8_t>(sent.begin() + 5, sent.end()),
              (std::vector<uint8_t>{0, 0x10, 0x20, 0x30}));

    In<ui::Option>(Pad(), "color_option_3")->UserClick();  // green
    r = Pad()->GetLightInfo();
    EXPECT_EQ((std::array<int, 3>{r.red, r.green, r.blue}), (std::array<int, 3>{0, 255, 0}));
    EXPECT_EQ(editor.GetGreenText(), "255");
    EXPECT_EQ(editor.GetColor(), 0xFF00FF00u);
    EXPECT_EQ(SavedLightInfo(Pad())["Green"].asInt(), 255);
}

TEST_F(LightingRoutesTest, TypedComponentsAreClampedAndLeavingAnEditUnchangedWritesNothing) {
    Start();
    auto pad = ConnectPad();
    In<ui::ColorPalette>(Pad(), "deng_Color_Pallet")->UserPick(ui::Color{0xFF0A0B0C});
    TypeInto(Pad(), "deng_edit_G", "300");
    EXPECT_EQ(Pad()->GetLightInfo().green, 255);
    EXPECT_EQ(EditorOf(Pad()).GetGreenText(), "255");
    EXPECT_EQ(EditorOf(Pad()).GetColor(), 0xFF0AFF0Cu);
    TypeInto(Pad(), "deng_edit_B", "");
    EXPECT_EQ(Pad()->GetLightInfo().blue, 0);
    EXPECT_EQ(EditorOf(Pad()).GetBlueText(), "0");
    EXPECT_EQ(Pad()->GetLightInfo().red, 10);  // the other components come from the record
    EXPECT_EQ(PadRecord(pad)[7], 255);

    pad->firmware().ClearLog();
    TypeInto(Pad(), "deng_edit_R", "10");
    EXPECT_EQ(Writes(pad), 0u);
}

TEST_F(LightingRoutesTest, KeyboardListsChangeNothingOnAPad) {
    Start();
    auto pad = ConnectPad();
    const LightInfoRecord before = Pad()->GetLightInfo();
    pad->firmware().ClearLog();
    In<ui::Combo>(Pad(), "light_combo_ZZCCmodeSelect")->SelectItem(2);
    EXPECT_EQ(Pad()->GetLightInfo(), before);
    EXPECT_EQ(Writes(pad), 0u);
}

TEST_F(LightingRoutesTest, EditsWithoutADeviceDoNothing) {
    Start();
    CLightControlUI& editor = EditorOf(Pad());
    const LightInfoRecord before = Pad()->GetLightInfo();
    SetBrightness(Pad(), 1);
    In<ui::Option>(Pad(), "color_option_0")->UserClick();
    In<ui::ColorPalette>(Pad(), "deng_Color_Pallet")->UserPick(ui::Color{0xFF123456});
    SameMode(Pad());
    EXPECT_EQ(Pad()->GetLightInfo(), before);
    EXPECT_EQ(editor.GetRedText(), std::to_string(before.red));
}

// --- synchronised lighting --------------------------------------------------------------------

TEST_F(LightingRoutesTest, SameModeOnTheKeyboardPutsEveryDeviceInItsModeOfTheSameEffect) {
    Start();
    ConnectKeyboard();
    auto pad = ConnectPad();
    ASSERT_EQ(window->CurrentPage(), Keyboard());
    ChooseMode(Keyboard(), 5);  // breath
    SameMode(Keyboard());
    EXPECT_EQ(Keyboard()->GetLightInfo().mode, 5);
    EXPECT_EQ(Pad()->GetLightInfo().mode, 2);
    EXPECT_EQ(SavedLightInfo(Pad())["SelectItem"].asInt(), 2);
    EXPECT_EQ(PadRecord(pad)[1], 2);
    EXPECT_EQ(EditorOf(Pad()).GetMode(), 2);
    for (CVeldmarkUSBDevice* page : {Keyboard(), Pad()}) {
        EXPECT_TRUE(page->Channel().streamPaused.load());
        EXPECT_TRUE(EntryOf(page)->IsSynchro());
    }
    EXPECT_EQ(window->Sync().GetParams().type, app::SyncType::Breath);
}

TEST_F(LightingRoutesTest, SameModeWithAnEffectTheOthersCannotShowChangesNothing) {
    Start();
    ConnectKeyboard();
    ConnectPad();
    ChooseMode(Keyboard(), 24);
    const LightInfoRecord pad = Pad()->GetLightInfo();
    window->SyncToAll();
    EXPECT_EQ(Pad()->GetLightInfo(), pad);
    EXPECT_FALSE(Pad()->Channel().streamPaused.load());
    EXPECT_FALSE(EntryOf(Keyboard())->IsSynchro());
}

TEST_F(LightingRoutesTest, GroupPaintsThePadAndItsOwnEditTakesItOutAndEndsTheGroup) {
    Start();
    auto pad = ConnectPad();
    ConnectKeyboard();
    ASSERT_EQ(window->CurrentPage(), Pad());
    ChooseMode(Pad(), 3);                                  // static
    In<ui::Option>(Pad(), "color_option_5")->UserClick();  // blue
    SetBrightness(Pad(), 4);
    // The pad's own frames, then the group's colour through the pad's frame push.
    SameMode(Pad());
    ASSERT_TRUE(Pad()->Channel().streamPaused.load());
    EXPECT_EQ(Keyboard()->GetLightInfo().mode, 6);
    const std::vector<uint8_t> blue = {0, 0, 255 * 195 >> 8};
    EXPECT_TRUE(Advance([&] {
        const std::vector<uint8_t> frame = pad->firmware().LastFrame();
        return frame.size() >= 3 && std::vector<uint8_t>(frame.begin(), frame.begin() + 3) == blue;
    }));
    EXPECT_EQ(Pad()->GetSyncColor(), (device::LedColor{0, 0, 255, 195}));
    // A preset colour keeps the group.
    In<ui::Option>(Pad(), "color_option_0")->UserClick();
    EXPECT_TRUE(Pad()->Channel().streamPaused.load());

    SetBrightness(Pad(), 1);
    EXPECT_FALSE(Pad()->Channel().streamPaused.load());
    EXPECT_FALSE(EntryOf(Pad())->IsSynchro());
    // One device left in step is no group.
    EXPECT_FALSE(Keyboard()->Channel().streamPaused.load());
    EXPECT_FALSE(EntryOf(Keyboard())->IsSynchro());
}

TEST_F(LightingRoutesTest, UnpluggingAllButOneEndsThePaintingAtOnce) {
    Start();
    auto pad = ConnectPad();
    auto keyboard = ConnectKeyboard();
    ChooseMode(Pad(), 3);
    SameMode(Pad());
    ASSERT_TRUE(Pad()->Channel().streamPaused.load());
    // The pad's same-mode control is offered while two devices are listed.
    EXPECT_TRUE(In<ui::Control>(Pad(), "deng_same_mode")->IsVisible());
    bus->Unplug(keyboard);
    ASSERT_TRUE(WaitFor([&] { return !EntryOf(Keyboard())->IsShown(); }));
    EXPECT_FALSE(Pad()->Channel().streamPaused.load());
    EXPECT_FALSE(EntryOf(Pad())->IsSynchro());
    EXPECT_FALSE(In<ui::Control>(Pad(), "deng_same_mode")->IsVisible());
    EXPECT_FALSE(window->Sync().Active());
}

// The group is what is left in step, not what is listed: with the pad out of
// it and the headset gone, the keyboard is alone and paints its own frames,
// although two devices are still listed.
TEST_F(LightingRoutesTest, GroupOfOneLeftByAnUnplugEndsWhileOthersAreListed) {
    Start();
    auto pad = ConnectPad();
    ConnectKeyboard();
    auto headset = Plug(sim::DeviceKind::Headset);
    ASSERT_TRUE(WaitFor([&] { return Headset()->Channel().IsOpen(); }));
    Advance([] { return false; }, 600);
    ChooseMode(Pad(), 3);
    SameMode(Pad());
    for (CVeldmarkUSBDevice* page : {Pad(), Keyboard(), Headset()}) {
        ASSERT_TRUE(page->Channel().streamPaused.load());
    }
    SetBrightness(Pad(), 1);
    EXPECT_TRUE(Keyboard()->Channel().streamPaused.load());
    EXPECT_TRUE(Headset()->Channel().streamPaused.load());

    bus->Unplug(headset);
    ASSERT_TRUE(WaitFor([&] { return !EntryOf(Headset())->IsShown(); }));
    EXPECT_FALSE(Keyboard()->Channel().streamPaused.load());
    EXPECT_FALSE(EntryOf(Keyboard())->IsSynchro());
    EXPECT_FALSE(EntryOf(Headset())->IsSynchro());
    EXPECT_FALSE(window->Sync().Active());
    // Back again, the headset lights on its own.
    Plug(sim::DeviceKind::Headset);
    ASSERT_TRUE(WaitFor([&] { return EntryOf(Headset())->IsShown(); }));
    EXPECT_FALSE(Headset()->Channel().streamPaused.load());
    EXPECT_FALSE(EntryOf(Headset())->IsSynchro());
}

// The effect list follows the light store when it changes on disk; a store
// that can no longer be read leaves the list as it was.
TEST_F(LightingRoutesTest, DamagedLightStoreKeepsTheEffectsListed) {
    Start();
    ConnectPad();
    const std::string folder =
        std::filesystem::path(Pad()->GetProfilePath()).parent_path().string() + "/";
    Json::Value store;
    store["LightInfo"][2][0]["LightName"] = "Glow";
    store["LightInfo"][2][0]["Guid"] = "g1";
    ASSERT_EQ(CJsonFile().Write(folder + "orvix_light.config", store), 0);
    window->RefreshChangedLightStores();
    auto* modes = In<ui::Combo>(Pad(), "light_combo_modeSelect");
    ASSERT_EQ(modes->GetItemCount(), 10);
    EXPECT_EQ(modes->GetItem(9)->GetUserData(), "Glow");

    std::ofstream(folder + "orvix_light.config", std::ios::trunc) << "{ \"LightInfo\": [";
    window->RefreshChangedLightStores();
    ASSERT_EQ(modes->GetItemCount(), 10);
    EXPECT_EQ(modes->GetItem(9)->GetUserData(), "Glow");
    // Choosing it plays nothing, and the page goes on.
    ChooseMode(Pad(), 9);
    EXPECT_EQ(Pad()->GetLightInfo().mode, 9);
    EXPECT_TRUE(Pad()->Channel().IsOpen());
}

}  // namespace
