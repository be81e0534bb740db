// The main window's device orchestration, tray, shutdown, lighting state,
// power events and language, on the simulated bus with the virtual clock.

#include <algorithm>

#include "platform/trace/trace.h"
#include "platform/ui/button.h"
#include "platform/ui/container.h"
#include "platform/ui/list.h"
#include "profile/controls/device_profile_ui.h"
#include "profile/json_file.h"
#include "shell/app_messages.h"
#include "shell/app_settings.h"
#include "tests/shell_app/main_wnd_fixture.h"

namespace {

bool HasRequest(const std::vector<sim::LoggedReport>& log, uint8_t command, int address) {
    return std::any_of(log.begin(), log.end(), [&](const sim::LoggedReport& r) {
        return r.bytes.size() > 6 && r.bytes[3] == command &&
               (address < 0 || r.bytes[5] + (r.bytes[6] << 8) == address);
    });
}

// Commands of the logged requests, in order.
std::vector<uint8_t> Commands(const std::vector<sim::LoggedReport>& log) {
    std::vector<uint8_t> out;
    for (const sim::LoggedReport& r : log) {
        if (r.bytes.size() > 3) {
            out.push_back(r.bytes[3]);
        }
    }
    return out;
}

}  // namespace

// --- start-up and hot-plug ------------------------------------------------------------------

TEST_F(MainWndTest, StartsWithNothingAttachedShowingTheNoticeAndEveryPageBuilt) {
    Start();
    EXPECT_EQ(window->MousePages().size(), 1u);
    EXPECT_EQ(window->KeyboardPages().size(), 1u);
    EXPECT_EQ(window->PadPages().size(), 1u);
    EXPECT_EQ(window->HeadsetPages().size(), 1u);
    ASSERT_EQ(window->EntryCount(), 4);
    for (int i = 0; i < window->EntryCount(); ++i) {
        EXPECT_FALSE(window->EntryAt(i)->IsShown()) << "entry " << i;
    }
    EXPECT_TRUE(NoticeShown());
    EXPECT_EQ(window->CurrentPage(), nullptr);
    EXPECT_EQ(CurrentTab(), 0);
    EXPECT_EQ(peers.Broadcasts().front(), std::make_pair(1, 1));
}

TEST_F(MainWndTest, KeyboardArrivalOpensBothInterfacesSelectsItsPageAndRaisesTheWindow) {
    Start();
    window->Hide();
    host->Host().ClearCalls();
    Plug(sim::DeviceKind::Keyboard);
    ASSERT_TRUE(WaitFor(
        [&] { return Keyboard()->Channel().IsOpen() && Keyboard()->EventChannel().IsOpen(); }));
    EXPECT_TRUE(EntryOf(Keyboard())->IsShown());
    EXPECT_TRUE(EntryOf(Keyboard())->IsSelected());
    EXPECT_EQ(window->CurrentPage(), Keyboard());
    EXPECT_EQ(CurrentTab(), EntryOf(Keyboard())->GetBindIndex());
    EXPECT_FALSE(NoticeShown());
    EXPECT_TRUE(window->IsVisible());
    EXPECT_GE(host->Host().CountCalls("activate"), 1u);
    // The entry connects its page half a second later.
    EXPECT_TRUE(EntryOf(Keyboard())->HasTimer(device_timer::kConnect));
}

TEST_F(MainWndTest, SecondDeviceIsShownButTheFirstStaysSelected) {
    Start();
    Plug(sim::DeviceKind::Keyboard);
    ASSERT_TRUE(WaitFor([&] { return Keyboard()->Channel().IsOpen(); }));
    Plug(sim::DeviceKind::Mousepad);
    ASSERT_TRUE(WaitFor([&] { return Pad()->Channel().IsOpen(); }));
    EXPECT_TRUE(EntryOf(Pad())->IsShown());
    EXPECT_FALSE(EntryOf(Pad())->IsSelected());
    EXPECT_EQ(window->CurrentPage(), Keyboard());
}

TEST_F(MainWndTest, UnplugSelectedSelectsTheOtherAndUnplugLastShowsTheNotice) {
    Start();
    auto keyboard = Plug(sim::DeviceKind::Keyboard);
    ASSERT_TRUE(WaitFor([&] { return Keyboard()->Channel().IsOpen(); }));
    auto headset = Plug(sim::DeviceKind::Headset);
    ASSERT_TRUE(WaitFor([&] { return Headset()->Channel().IsOpen(); }));

    bus->Unplug(keyboard);
    ASSERT_TRUE(WaitFor([&] { return !EntryOf(Keyboard())->IsShown(); }));
    EXPECT_FALSE(Keyboard()->Channel().IsOpen());
    EXPECT_TRUE(WaitFor([&] { return !Keyboard()->EventChannel().IsOpen(); }));
    EXPECT_EQ(window->CurrentPage(), Headset());
    EXPECT_EQ(CurrentTab(), EntryOf(Headset())->GetBindIndex());
    EXPECT_FALSE(NoticeShown());

    bus->Unplug(headset);
    ASSERT_TRUE(WaitFor([&] { return !EntryOf(Headset())->IsShown(); }));
    EXPECT_TRUE(NoticeShown());
    EXPECT_EQ(window->CurrentPage(), nullptr);
    EXPECT_EQ(CurrentTab(), 0);
    EXPECT_EQ(window->FindControl<ui::TabLayout>("device_power_switch")->GetCurSel(), 0);
}

// With one device left there is nothing to keep in step: its synchronised
// mark goes and no stream stays paused for a partner that has gone.
TEST_F(MainWndTest, LosingTheSecondDeviceEndsSynchronisationAndUnpausesTheStreams) {
    Start();
    Plug(sim::DeviceKind::Keyboard);
    ASSERT_TRUE(WaitFor([&] { return Keyboard()->Channel().IsOpen(); }));
    auto pad = Plug(sim::DeviceKind::Mousepad);
    ASSERT_TRUE(WaitFor([&] { return Pad()->Channel().IsOpen(); }));
    EntryOf(Keyboard())->SetSynchro(true);
    EntryOf(Pad())->SetSynchro(true);
    Keyboard()->Channel().streamPaused.store(true);
    Pad()->Channel().streamPaused.store(true);
    for (int i = 0; i < window->EntryCount(); ++i) {
        if (window->EntryAt(i) == EntryOf(Pad())) {
            window->ShowEntry(i, true, false);  // both still shown
        }
    }
    EXPECT_TRUE(EntryOf(Keyboard())->IsSynchro());
    EXPECT_TRUE(Keyboard()->Channel().streamPaused.load());

    bus->Unplug(pad);
    ASSERT_TRUE(WaitFor([&] { return !EntryOf(Pad())->IsShown(); }));
    EXPECT_FALSE(EntryOf(Keyboard())->IsSynchro());
    EXPECT_FALSE(EntryOf(Pad())->IsSynchro());
    EXPECT_FALSE(Keyboard()->Channel().streamPaused.load());
}

TEST_F(MainWndTest, ReplugAfterRemovalReopensTheChannel) {
    Start();
    auto pad = Plug(sim::DeviceKind::Mousepad);
    ASSERT_TRUE(WaitFor([&] { return Pad()->Channel().IsOpen(); }));
    bus->Unplug(pad);
    ASSERT_TRUE(WaitFor([&] { return !Pad()->Channel().IsOpen(); }));
    bus->Plug(pad);
    ASSERT_TRUE(WaitFor([&] { return Pad()->Channel().IsOpen(); }));
    EXPECT_TRUE(EntryOf(Pad())->IsSelected());
}

TEST_F(MainWndTest, EveryPageShowsItsProfilesAndProfileClicksReachTheList) {
    Start();
    for (CVeldmarkUSBDevice* page : {Keyboard(), Pad(), Headset()}) {
        auto* combo = page->FindSubControl<ui::Combo>("device_profile_combo");
        ASSERT_NE(combo, nullptr);
        ASSERT_EQ(combo->GetCount(), 1u);
        EXPECT_EQ(combo->GetItem(0)->GetText(), "Profile 1");
        EXPECT_EQ(combo->GetCurSel(), 0);
    }
    // A pad has lighting only; a headset adds its audio tabs.
    EXPECT_FALSE(Pad()->FindSubControl("key_Op_tab")->IsVisible());
    EXPECT_TRUE(Pad()->FindSubControl("deng_Op_tab")->IsVisible());
    EXPECT_TRUE(Headset()->FindSubControl("6533_voice_Op_tab")->IsVisible());
    EXPECT_FALSE(Keyboard()->FindSubControl("cursor_Op_tab")->IsVisible());

    auto pad = Plug(sim::DeviceKind::Mousepad);
    ASSERT_TRUE(WaitFor([&] { return Pad()->Channel().IsOpen(); }));
    Pad()->FindSubControl<ui::Button>("device_add_btn")->UserClick();
    auto* combo = Pad()->FindSubControl<ui::Combo>("device_profile_combo");
    ASSERT_EQ(combo->GetCount(), 2u);
    EXPECT_EQ(combo->GetItem(1)->GetText(), "Profile 2");
    EXPECT_EQ(combo->GetCurSel(), 1);
    auto* profiles = Pad()->FindSubControl<CDeviceProfileUI>("DeviceProfileItem");
    ASSERT_NE(profiles, nullptr);
    EXPECT_EQ(profiles->List().GetEntries().size(), 2u);
    EXPECT_EQ(profiles->GetSelectedId(), profiles->List().GetEntries()[1].uuid);
    // Another page's list is untouched.
    EXPECT_EQ(Keyboard()->FindSubControl<ui::Combo>("device_profile_combo")->GetCount(), 1u);
}

TEST_F(MainWndTest, RemovalWhileSuspendedIsStillHandledSoTheDeviceComesBack) {
    Start();
    auto pad = Plug(sim::DeviceKind::Mousepad);
    ASSERT_TRUE(WaitFor([&] { return Pad()->Channel().IsOpen(); }));
    sleep.Raise(true);
    bus->Unplug(pad);
    ASSERT_TRUE(WaitFor([&] { return !Pad()->Channel().IsOpen(); }));
    bus->Plug(pad);
    EXPECT_TRUE(WaitFor([&] { return Pad()->Channel().IsOpen(); }));
    sleep.Raise(false);
}

TEST_F(MainWndTest, AnOutOfRangeSlotIsIgnored) {
    Start();
    EXPECT_EQ(window->HandleMessage(app_msg::kDeviceArrived, 99, 0), 0);
    EXPECT_EQ(window->HandleMessage(app_msg::kDeviceRemoved, -1, 0), 0);
    EXPECT_TRUE(NoticeShown());
}

TEST_F(MainWndTest, AFamilyWhosePageFailsToBuildIsLeftOutAndTheOthersWork) {
    std::ofstream(root / "data" / "skin" / "XML" / "DeviceXml" / "mousepaddevice.xml")
        << "<VeldmarkMousePadDevice name=";
    Start();
    EXPECT_TRUE(window->PadPages().empty());
    EXPECT_EQ(window->EntryCount(), 3);
    EXPECT_EQ(window->KeyboardPages().size(), 1u);
    EXPECT_EQ(window->HeadsetPages().size(), 1u);

    Plug(sim::DeviceKind::Mousepad);  // arrives with no page to attach to
    ASSERT_TRUE(WaitFor([&] {
        for (const device::InterfaceRecord& slot : window->Slots().Snapshot()) {
            if (slot.kind == device::kKindMousePad && slot.connected) {
                return true;
            }
        }
        return false;
    }));
    host->AdvanceBy(10);
    EXPECT_TRUE(NoticeShown());
    EXPECT_EQ(window->CurrentPage(), nullptr);

    Plug(sim::DeviceKind::Keyboard);
    ASSERT_TRUE(WaitFor([&] { return Keyboard()->Channel().IsOpen(); }));
    EXPECT_EQ(window->CurrentPage(), Keyboard());
    EXPECT_FALSE(NoticeShown());
}

// The entry of an interface that would not open is shown all the same; its
// page then stays silent instead of pushing frames at a closed channel.
TEST_F(MainWndTest, ACommandInterfaceThatFailsToOpenStillShowsItsEntry) {
    Start();
    int padSlot = -1;
    const auto slots = window->Slots().Snapshot();
    for (size_t i = 0; i < slots.size(); ++i) {
        if (slots[i].kind == device::kKindMousePad && slots[i].role == device::kRoleCommand) {
            padSlot = static_cast<int>(i);
        }
    }
    ASSERT_GE(padSlot, 0);
    window->HandleMessage(app_msg::kDeviceArrived, padSlot, 0);  // no path: the open fails
    EXPECT_FALSE(Pad()->Channel().IsOpen());
    EXPECT_TRUE(EntryOf(Pad())->IsShown());
    EXPECT_TRUE(EntryOf(Pad())->IsSelected());
    EXPECT_EQ(window->CurrentPage(), Pad());
    EXPECT_FALSE(NoticeShown());
    EXPECT_TRUE(EntryOf(Pad())->HasTimer(device_timer::kConnect));
    host->AdvanceBy(600);
    EXPECT_FALSE(EntryOf(Pad())->HasTimer(device_timer::kPushFrame));
    EXPECT_FALSE(EntryOf(Pad())->HasTimer(device_timer::kPollStatus));
}

// --- tray, title buttons and shutdown -------------------------------------------------------

TEST_F(MainWndTest, CloseButtonHidesToTheTrayAndTrayExitHandsTheLightingBack) {
    auto keyboard = Plug(sim::DeviceKind::Keyboard);
    Start();
    ASSERT_TRUE(WaitFor([&] { return Keyboard()->Channel().IsOpen(); }));
    ASSERT_TRUE(window->HasTray());

    window->FindControl<ui::Button>("closebtn")->UserClick();
    EXPECT_FALSE(window->IsVisible());
    EXPECT_FALSE(window->IsDestroyed());
    EXPECT_FALSE(host->GetDispatcher().IsQuitRequested());

    host->Host().RaiseTrayEvent(ui::TrayEvent::LeftUp);
    EXPECT_TRUE(window->IsVisible());
    host->Host().RaiseTrayEvent(ui::TrayEvent::LeftUp);
    EXPECT_FALSE(window->IsVisible());

    keyboard->firmware().ClearLog();
    host->Host().ScriptMenuChoice("exit");
    host->Host().RaiseTrayEvent(ui::TrayEvent::RightUp);
    host->AdvanceBy(CMainWnd::kTrayMenuDelayMs);
    EXPECT_TRUE(window->IsDestroyed());
    EXPECT_TRUE(host->GetDispatcher().IsQuitRequested());
    EXPECT_FALSE(host->Host().HasTrayIcon());

    const auto log = keyboard->firmware().RequestLog();
    const std::vector<uint8_t> sequence = {0x13, 0x06, 0x01, 0x06, 0x02};
    std::vector<uint8_t> seen = Commands(log);
    EXPECT_TRUE(std::search(seen.begin(), seen.end(), sequence.begin(), sequence.end()) !=
                seen.end());
    EXPECT_TRUE(HasRequest(log, 0x06, 25));
    EXPECT_TRUE(HasRequest(log, 0x06, 0));
    // The block tells the keyboard to play its own effect with our colours.
    const LightInfoRecord info = Keyboard()->GetLightInfo();
    const std::vector<uint8_t> params = keyboard->firmware().Parameters();
    ASSERT_GE(params.size(), 26u);
    const std::vector<uint8_t> block(params.begin(), params.begin() + 26);
    std::vector<uint8_t> expected(26, 0);
    expected[1] = 1;
    expected[2] = info.brightness;
    expected[3] = 4;
    expected[5] = info.multiColor;
    expected[6] = info.red;
    expected[7] = info.green;
    expected[8] = info.blue;
    EXPECT_EQ(block, expected);
    // Nothing is streamed after the hand-back.
    EXPECT_FALSE(Keyboard()->IsLightingActive());
}

TEST_F(MainWndTest, TheHandBackBlockCarriesTheKeyboardProfilesBrightnessAndColour) {
    auto keyboard = Plug(sim::DeviceKind::Keyboard);
    Start();
    ASSERT_TRUE(WaitFor([&] { return Keyboard()->Channel().IsOpen(); }));
    host->AdvanceBy(600);  // connected: the keyboard's record is read back into the profile
    // A lighting edit: brightness 4, colour cycle on, red.
    LightInfoRecord record = Keyboard()->GetLightInfo();
    record.brightness = 4;
    record.multiColor = 1;
    record.red = 255;
    record.green = 0;
    record.blue = 0;
    Keyboard()->SetLightInfo(record);
    Keyboard()->SaveProfile();
    window->Destroy();

    const std::vector<uint8_t> params = keyboard->firmware().Parameters();
    ASSERT_GE(params.size(), 26u);
    const std::vector<uint8_t> expected = {0x00, 0x01, 0x04, 0x04, 0x00, 0x01, 0xFF, 0x00, 0x00};
    EXPECT_EQ(std::vector<uint8_t>(params.begin(), params.begin() + 9), expected);
    // The write at 25 before the bracket is the hand-back's own, not a fault.
    EXPECT_EQ(keyboard->firmware().Violations().Total(), 0u)
        << keyboard->firmware().Violations().Describe();
}

TEST_F(MainWndTest, ExitWithoutAKeyboardSendsNothingToTheOtherDevices) {
    auto pad = Plug(sim::DeviceKind::Mousepad);
    Start();
    ASSERT_TRUE(WaitFor([&] { return Pad()->Channel().IsOpen(); }));
    host->AdvanceBy(600);  // connected and streaming
    ASSERT_GT(pad->firmware().FrameCount(), 0u);
    pad->firmware().ClearLog();
    window->Destroy();
    EXPECT_TRUE(window->IsDestroyed());
    EXPECT_FALSE(Keyboard()->Channel().IsOpen());
    const uint64_t frames = pad->firmware().FrameCount();
    host->AdvanceBy(50);
    EXPECT_EQ(pad->firmware().FrameCount(), frames);
    const std::vector<uint8_t> seen = Commands(pad->firmware().RequestLog());
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 0x13), 0);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 0x06), 0);
}

TEST_F(MainWndTest, TheDesktopsCloseHidesToTheTrayLikeTheCloseButton) {
    Start();
    ASSERT_TRUE(window->HasTray());
    static_cast<ui::Window&>(*window).OnCloseRequest();
    EXPECT_FALSE(window->IsVisible());
    EXPECT_FALSE(window->IsClosed());
    EXPECT_FALSE(window->IsDestroyed());
    host->Host().RaiseTrayEvent(ui::TrayEvent::LeftUp);
    EXPECT_TRUE(window->IsVisible());
}

TEST_F(MainWndTest, WithoutATrayTheCloseButtonEndsTheProgram) {
    host->Host().SetTrayAvailable(false);
    Start();
    EXPECT_FALSE(window->HasTray());
    window->FindControl<ui::Button>("closebtn")->UserClick();
    EXPECT_TRUE(window->IsDestroyed());
    EXPECT_TRUE(host->GetDispatcher().IsQuitRequested());
}

TEST_F(MainWndTest, InstanceMessageRestoresAndRaisesTheHiddenWindow) {
    Start();
    window->Hide();
    host->Host().ClearCalls();
    window->HandleMessage(app_msg::kInstance, 0, 1);
    EXPECT_TRUE(window->IsVisible());
    EXPECT_EQ(host->Host().CountCalls("activate"), 1u);
}

TEST_F(MainWndTest, FitTimerSizesTheWindowAHundredMillisecondsAfterStart) {
    Start();
    window->SetSize(ui::Size{800, 572});
    host->AdvanceBy(CMainWnd::kFitDelayMs);
    EXPECT_EQ(window->GetSize().width, CMainWnd::kWidth);
    EXPECT_EQ(window->GetSize().height, CMainWnd::kHeight);
}

// --- lighting state, preview and power ------------------------------------------------------

TEST_F(MainWndTest, LightSwitchTellsPeersAndPagesAndPeerRequestsOnlyThePages) {
    Start();
    ui::Control* button = window->FindControl("control_light_status");
    window->FindControl<ui::Button>("control_light_status")->UserClick();
    EXPECT_EQ(window->LightControl(), 0);
    EXPECT_EQ(peers.Broadcasts().back(), std::make_pair(1, 0));
    EXPECT_EQ(button->GetTextValue(), (ui::TextValue{CMainWnd::kLightOffText, true}));
    EXPECT_FALSE(Keyboard()->IsLightingActive());
    EXPECT_TRUE(Headset()->IsLightingActive());  // headsets keep their own lighting

    const size_t broadcasts = peers.Broadcasts().size();
    peers.RaiseRequest(1, 1);
    EXPECT_EQ(window->LightControl(), 1);
    EXPECT_EQ(button->GetTextValue(), (ui::TextValue{CMainWnd::kLightOnText, true}));
    EXPECT_TRUE(Pad()->IsLightingActive());
    peers.RaiseRequest(2, 0);  // not a lighting request
    EXPECT_EQ(window->LightControl(), 1);
    EXPECT_EQ(peers.Broadcasts().size(), broadcasts);
}

TEST_F(MainWndTest, SuspendStopsLightingAndIgnoresTimersUntilResume) {
    Start();
    window->SetSize(ui::Size{800, 572});
    peers.RaiseRequest(1, 0);
    sleep.Raise(true);
    EXPECT_EQ(AwakeFlag.load(), 0);
    EXPECT_FALSE(Keyboard()->IsLightingActive());
    host->AdvanceBy(CMainWnd::kFitDelayMs);  // the fit timer falls due while asleep
    EXPECT_NE(window->GetSize().width, CMainWnd::kWidth);
    sleep.Raise(false);
    EXPECT_EQ(AwakeFlag.load(), 1);
    EXPECT_FALSE(Keyboard()->IsLightingActive());  // the peer still drives it
    peers.RaiseRequest(1, 1);
    EXPECT_TRUE(Keyboard()->IsLightingActive());
}

TEST_F(MainWndTest, ActivationAndHoverSwitchThePreview) {
    Start();
    window->HandleMessage(app_msg::kActivate, 1, 0);
    EXPECT_TRUE(Pad()->IsPreviewActive());
    window->HandleMessage(app_msg::kMouseLeave, 0, 0);  // ignored while active
    EXPECT_TRUE(window->PreviewOn());
    window->HandleMessage(app_msg::kActivate, 0, 0);
    EXPECT_FALSE(Pad()->IsPreviewActive());
    window->HandleMessage(app_msg::kMouseHover, 0, 0);
    EXPECT_TRUE(Keyboard()->IsPreviewActive());
}

// --- language -------------------------------------------------------------------------------

TEST_F(MainWndTest, ApplyingTheCurrentLanguageDoesNothing) {
    Start();
    const int current = window->LanguageIndex();
    std::filesystem::remove(root / "config" / "settings.ini");
    window->SetFont(0, ui::FontSpec{0, "Marker", 9}, true);
    window->ApplyLanguage(current);
    EXPECT_EQ(window->Fonts().at(0).face, "Marker");
    EXPECT_FALSE(std::filesystem::exists(root / "config" / "settings.ini"));
}

TEST_F(MainWndTest, LanguageChoiceIsStoredAndReadBackWithItsFontRules) {
    Start();
    window->ApplyLanguage(15);
    EXPECT_EQ(window->Fonts().at(0).face, "Noto Sans Thai");
    EXPECT_EQ(window->Fonts().at(50).bold, true);
    EXPECT_EQ(window->ReadLanguage(), 15);
    EXPECT_EQ(app::AppSettings((root / "config" / "settings.ini").string()).Get("LANGUAGE"),
              "1054");
    window->ApplyLanguage(3);  // leaving Thai goes back to the Latin face
    EXPECT_EQ(window->Fonts().at(0).face, "Metropolis");
    window->SetFont(0, ui::FontSpec{0, "Marker", 9}, true);
    window->ApplyLanguage(4);  // between two Latin languages the fonts stay
    EXPECT_EQ(window->Fonts().at(0).face, "Marker");
}

TEST_F(MainWndTest, LanguageFileNamesMayNotLeaveTheSkin) {
    Start();
    std::ofstream(root / "data" / "outside.xml")
        << "<Language name=\"x\"><Text key=\"k\">v</Text></Language>";
    EXPECT_FALSE(window->LoadLanguageFile("../outside.xml"));
    EXPECT_FALSE(window->LoadLanguageFile(".."));
    EXPECT_FALSE(window->LoadLanguageFile("missing.xml"));
}

TEST_F(MainWndTest, UnknownStoredLanguageFallsBackToTheFirst) {
    app::AppSettings((root / "config" / "settings.ini").string()).Set("LANGUAGE", "4242");
    Start();
    EXPECT_EQ(window->ReadLanguage(), 0);
    window->ApplyLanguage(999);  // no such entry: nothing is loaded or stored
    EXPECT_EQ(app::AppSettings((root / "config" / "settings.ini").string()).Get("LANGUAGE"),
              "1033");
}

TEST_F(MainWndTest, ALanguageWhoseFileIsMissingIsShownInEnglishAndTraced) {
    Start();
    window->ApplyLanguage(1);  // Chinese, which the skin has
    ASSERT_EQ(host->Context().language.Resolve("profile_save"), "保存");
    std::vector<std::string> traced;
    platform::trace::SetSink([&](std::string_view line) { traced.emplace_back(line); });
    window->ApplyLanguage(3);  // German, whose file the skin lacks
    platform::trace::SetSink({});
    EXPECT_EQ(host->Context().language.Resolve("profile_save"), "Save");
    EXPECT_TRUE(std::any_of(traced.begin(), traced.end(), [](const std::string& line) {
        return line.find("lan_de.xml") != std::string::npos &&
               line.find("lan_en.xml") != std::string::npos;
    }));
}

// --- profile choice -----------------------------------------------------------------------------

TEST_F(MainWndTest, OnlyTheLastOfQuickProfileChoicesSwitchesTheDevice) {
    auto pad = Plug(sim::DeviceKind::Mousepad);
    Start();
    ASSERT_TRUE(WaitFor([&] { return Pad()->Channel().IsOpen(); }));
    host->AdvanceBy(600);  // connected
    auto* add = Pad()->FindSubControl<ui::Button>("device_add_btn");
    add->UserClick();
    add->UserClick();
    auto* profiles = Pad()->FindSubControl<CDeviceProfileUI>("DeviceProfileItem");
    auto* combo = Pad()->FindSubControl<ui::Combo>("device_profile_combo");
    ASSERT_EQ(combo->GetCount(), 3u);
    const auto& entries = profiles->List().GetEntries();
    auto uploads = [&] {
        const std::vector<uint8_t> seen = Commands(pad->firmware().RequestLog());
        return std::count(seen.begin(), seen.end(), 0x01);  // one bracket per upload step
    };

    // One choice: what a single switch sends.
    pad->firmware().ClearLog();
    combo->SelectItem(0);
    host->AdvanceBy(CMainWnd::kProfileSwitchDelayMs - 50);
    EXPECT_EQ(uploads(), 0) << "switched before the pause was over";
    host->AdvanceBy(100);
    const auto single = uploads();
    ASSERT_GT(single, 0);
    EXPECT_EQ(profiles->GetSelectedId(), entries[0].uuid);

    // Two choices within the pause: one switch, to the second.
    pad->firmware().ClearLog();
    combo->SelectItem(1);
    host->AdvanceBy(200);
    combo->SelectItem(2);
    host->AdvanceBy(300);
    EXPECT_EQ(uploads(), 0);
    EXPECT_EQ(profiles->GetSelectedId(), entries[0].uuid);
    host->AdvanceBy(200);
    EXPECT_EQ(uploads(), single);
    EXPECT_EQ(profiles->GetSelectedId(), entries[2].uuid);
}
