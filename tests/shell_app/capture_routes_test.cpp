// Recording and key capture through the main window, on the simulated mouse
// and the capture double: the record and stop buttons, the event menu's
// recording items, the key field's key capture, and every way a capture ends
// without locking the user out.

#include "shell/routes_capture.h"

#include <functional>

#include "editors/combo_edit_element.h"
#include "editors/device_hook.h"
#include "editors/key_set_control.h"
#include "editors/macro_control.h"
#include "mouse/mouse_device.h"
#include "platform/capture/fake_capture_service.h"
#include "platform/ui/button.h"
#include "platform/ui/edit.h"
#include "platform/ui/list.h"
#include "profile/json_file.h"
#include "shell/app_messages.h"
#include "shell/routes_macros.h"
#include "sim/mouse_firmware.h"
#include "tests/shell_app/main_wnd_fixture.h"

namespace {

namespace capture = platform::capture;

constexpr uint16_t kLinuxA = 30;
constexpr uint16_t kLinuxB = 48;
constexpr uint16_t kLinuxRightCtrl = 97;

class CaptureRoutesTest : public MainWndTest {
  protected:
    void SetUp() override {
        MainWndTest::SetUp();
        host->Host().SetModalRunner([this](ui::Window& box) {
            if (ui::Control* text = box.FindControl("MessageText")) {
                messages.push_back(text->GetTextValue().text);
            }
            return 0;
        });
        window = std::make_unique<CMainWnd>(
            host->Context(),
            MainWndServices{*bus, peers, sleep, (root / "data").string(),
                            (root / "config" / "settings.ini").string(), nullptr, &service});
        std::string error;
        ASSERT_TRUE(window->Create(&error)) << error;
        ASSERT_TRUE(WaitFor([&] { return window->IsVisible(); }));
        mouse = Plug(sim::DeviceKind::Mouse);
        ASSERT_TRUE(WaitFor([&] { return Mouse()->Channel().IsOpen(); }));
        host->AdvanceBy(device_timer::kConnectDelayMs + 10);
        ASSERT_EQ(window->CurrentPage(), Mouse());
        editor = MacroEditorOf(Mouse());
        ASSERT_NE(editor, nullptr);
        service.SetWindowOrigin({100, 50});
    }

    CVeldmarkMouseDevice* Mouse() const {
        return dynamic_cast<CVeldmarkMouseDevice*>(window->MousePages().at(0));
    }
    ui::Control* OnMouse(const char* name) const { return Mouse()->FindSubControl(name); }
    void Click(const char* name) {
        dynamic_cast<ui::Button*>(OnMouse(name))->UserClick();
        host->RunPending();
    }
    void Tap(uint16_t key, int64_t gap) {
        host->AdvanceBy(gap);
        service.Key(key, true);
        host->AdvanceBy(gap);
        service.Key(key, false);
    }
    bool Recording() const { return editor->Recorder().IsRecording(); }
    bool ListsLocked() const {
        return !window->FindControl("device_select_layout")->IsEnabled() ||
               !Mouse()->GetProfileControl()->IsEnabled();
    }
    // The saved events of macro 0 as "down 10:4 100" (action, type:button, delay).
    std::vector<std::string> Saved() {
        std::vector<std::string> rows;
        const Json::Value file = CJsonFile().Load(editor->Store().EventFilePath(0));
        for (const Json::Value& e : file["Events"]) {
            rows.push_back(e["Action"].asString() + " " + std::to_string(e["Type"].asInt()) + ":" +
                           std::to_string(e["Button"].asInt()) + " " + e["Delay"].asString());
        }
        return rows;
    }

    capture::FakeCaptureService service;
    std::shared_ptr<sim::SimDevice> mouse;
    CMacroControlUI* editor = nullptr;
    std::vector<std::string> messages;
};

TEST_F(CaptureRoutesTest, RecordingTakesTypedKeysAndClicksButNotTheStopClickAndSavesOnStop) {
    ASSERT_TRUE(editor->AddMacro().Ok());
    Click("macro_btn_starredio");
    ASSERT_TRUE(service.IsActive());
    EXPECT_TRUE(service.LastRequest().keyboard && service.LastRequest().mouse);
    EXPECT_TRUE(Recording());
    EXPECT_TRUE(ListsLocked());
    EXPECT_FALSE(window->IsEditCommitted());
    Tap(kLinuxA, 100);
    host->AdvanceBy(100);
    service.Mouse(capture::kRightDown, 900, 900);
    host->AdvanceBy(100);
    service.Mouse(capture::kRightUp, 900, 900);
    // The stop button sits at 400-500, 700-730 in the window, 100, 50 from the screen's corner.
    OnMouse("macro_btn_stopredio")->SetHostRect(ui::Rect{400, 700, 500, 730});
    host->AdvanceBy(500);
    service.Mouse(capture::kLeftDown, 550, 760);
    service.Mouse(capture::kLeftUp, 550, 760);
    mouse->firmware().ClearLog();
    Click("macro_btn_stopredio");
    EXPECT_FALSE(service.IsActive());
    EXPECT_FALSE(Recording());
    EXPECT_FALSE(ListsLocked());
    EXPECT_TRUE(window->IsEditCommitted());
    EXPECT_TRUE(OnMouse("macro_btn_starredio")->IsVisible());
    EXPECT_EQ(Saved(), (std::vector<std::string>{"down 10:4 100", "up 10:4 100", "down 1:2 100",
                                                 "up 1:2 0"}));
    EXPECT_TRUE(messages.empty());
    // The mouse took the macro.
    bool uploaded = false;
    for (const sim::LoggedReport& r : mouse->firmware().RequestLog()) {
        uploaded = uploaded || r.bytes[3] == sim::cmd::kWriteMacroImage;
    }
    EXPECT_TRUE(uploaded);
}

TEST_F(CaptureRoutesTest, TheFixedDelayOptionRecordsEveryRowWithIt) {
    ASSERT_TRUE(editor->AddMacro().Ok());
    dynamic_cast<ui::Option*>(OnMouse("macro_check_time"))->SetSelected(true);
    dynamic_cast<ui::Edit*>(OnMouse("macro_fixed_time_edit"))->SetText("80");
    Click("macro_btn_starredio");
    Tap(kLinuxA, 5);
    Tap(kLinuxB, 5);
    Click("macro_btn_stopredio");
    EXPECT_EQ(Saved(), (std::vector<std::string>{"down 10:4 80", "up 10:4 80", "down 10:5 80",
                                                 "up 10:5 80"}));
}

TEST_F(CaptureRoutesTest, TheEventMenuRecordsBeforeTheSelectedRowOrReplacesItsKey) {
    ASSERT_TRUE(editor->AddMacro().Ok());
    Click("macro_btn_starredio");
    Tap(kLinuxA, 10);
    Click("macro_btn_stopredio");
    editor->SelectEvent(1);
    host->Host().ScriptMenuChoice("redio_previous_ignore_time");
    editor->FindSubControl("macro_action_list")->SendNotify(ui::notify::kMenu);
    ASSERT_EQ(window->Hook().GetMode(), CDeviceHook::kModeMacroBefore);
    Tap(kLinuxB, 10);
    Click("macro_btn_stopredio");
    // Without delays, the row ahead of the new ones takes the gap 0 too.
    EXPECT_EQ(Saved(),
              (std::vector<std::string>{"down 10:4 0", "down 10:5 0", "up 10:5 0", "up 10:4 0"}));
    editor->SelectEvent(0);
    host->Host().ScriptMenuChoice("macro_action_edit");
    editor->FindSubControl("macro_action_list")->SendNotify(ui::notify::kMenu);
    ASSERT_EQ(window->Hook().GetMode(), CDeviceHook::kModeMacroReplace);
    service.Key(kLinuxRightCtrl, true);
    Click("macro_btn_stopredio");
    EXPECT_EQ(Saved()[0], "down 9:16 0");
    EXPECT_EQ(Saved().size(), 4u);
}

TEST_F(CaptureRoutesTest, ARecordingThatCannotCaptureIsReportedAndNeverStarts) {
    Click("macro_btn_starredio");  // no macro to record into
    EXPECT_EQ(service.Starts(), 0);
    EXPECT_FALSE(Recording());
    ASSERT_TRUE(editor->AddMacro().Ok());
    service.FailStarts("another program holds the keyboard");
    Click("macro_btn_starredio");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("another program holds the keyboard"), std::string::npos);
    EXPECT_FALSE(Recording());
    EXPECT_FALSE(ListsLocked());
    EXPECT_TRUE(OnMouse("macro_btn_starredio")->IsVisible());
}

TEST_F(CaptureRoutesTest, EveryEndOfTheCaptureStopsTheRecordingKeepsItsRowsAndUnlocks) {
    ASSERT_TRUE(editor->AddMacro().Ok());
    const std::vector<std::pair<const char*, std::function<void()>>> ends = {
        {"hidden", [&] { window->Hide(); }},
        {"deactivated", [&] { window->HandleMessage(app_msg::kActivate, 0, 0); }},
        {"minimised", [&] { service.End(capture::EndReason::Minimized); }},
        {"taken away", [&] { service.End(capture::EndReason::Lost); }},
        {"idle", [&] { host->AdvanceBy(CDeviceHook::kIdleLimitMs); }},
        {"exit", [&] { window->Destroy(); }},
    };
    size_t rows = 0;
    for (const auto& [name, end] : ends) {
        window->Show();
        Click("macro_btn_starredio");
        ASSERT_TRUE(service.IsActive()) << name;
        Tap(kLinuxA, 10);
        rows += 2;
        end();
        host->RunPending();
        EXPECT_FALSE(service.IsActive()) << name;
        EXPECT_FALSE(Recording()) << name;
        EXPECT_FALSE(ListsLocked()) << name;
        EXPECT_TRUE(OnMouse("macro_btn_starredio")->IsVisible()) << name;
        EXPECT_EQ(Saved().size(), rows) << name;
        service.Key(kLinuxB, true);  // the desktop has the keyboard again
        EXPECT_EQ(service.DesktopKeys().size(), rows / 2) << name;
    }
}

TEST_F(CaptureRoutesTest, ARecordingEndsWithItsDeviceAndKeepsItsRows) {
    ASSERT_TRUE(editor->AddMacro().Ok());
    Click("macro_btn_starredio");
    Tap(kLinuxA, 10);
    bus->Unplug(mouse);
    ASSERT_TRUE(WaitFor([&] { return !Recording(); }));
    EXPECT_FALSE(service.IsActive());
    EXPECT_TRUE(window->FindControl("device_select_layout")->IsEnabled());
    EXPECT_EQ(Saved().size(), 2u);
    EXPECT_TRUE(messages.empty());  // nothing is sent to a mouse that left
}

TEST_F(CaptureRoutesTest, TheKeyFieldCapturesRightCtrlAndAAsCtrlAndAWhileItHasTheFocus) {
    Mouse()->SetFunctionMode(2);
    Click("key_3");
    dynamic_cast<ui::Combo*>(OnMouse("keyset_function_combo"))->SelectItem(6);
    ui::Control* field = OnMouse("keyset_keyboard_text_edit");
    ASSERT_TRUE(window->SetFocus(field));
    ASSERT_EQ(window->Hook().GetMode(), CDeviceHook::kModeSingleKey);
    EXPECT_FALSE(service.LastRequest().mouse);
    service.Key(kLinuxRightCtrl, true);
    service.Key(kLinuxA, true);
    service.Key(kLinuxA, false);
    service.Key(kLinuxRightCtrl, false);
    auto* keys = dynamic_cast<CKeySetControlUI*>(Mouse()->GetKeyEditor());
    EXPECT_EQ(keys->GetModifier(), 1);
    EXPECT_EQ(field->GetTextValue().text, "keyboard_key_A");
    const Json::Value doc = CJsonFile().Load(Mouse()->GetProfilePath());
    EXPECT_EQ(doc["Device"][0]["KeyList"][3]["Assignment"].asInt64(), 0x200104);
    EXPECT_TRUE(service.DesktopKeys().empty());
    // Leaving the field gives the keyboard back.
    window->SetFocus(nullptr);
    EXPECT_FALSE(service.IsActive());
    service.Key(kLinuxB, true);
    EXPECT_EQ(service.DesktopKeys().size(), 1u);
    // A window that loses the active state gives it back too, and the field
    // lets go of the focus so that a click into it captures again.
    ASSERT_TRUE(window->SetFocus(field));
    ASSERT_TRUE(service.IsActive());
    window->HandleMessage(app_msg::kActivate, 0, 0);
    EXPECT_FALSE(service.IsActive());
    EXPECT_EQ(window->GetFocus(), nullptr);
}

TEST_F(CaptureRoutesTest, ARecordingKeepsItsCaptureWhenTheKeyFieldTakesTheFocus) {
    ASSERT_TRUE(editor->AddMacro().Ok());
    Click("macro_btn_starredio");
    ui::Control* field = OnMouse("keyset_keyboard_text_edit");
    field->SendNotify(ui::notify::kSetFocus);
    field->SendNotify(ui::notify::kKillFocus);
    EXPECT_EQ(window->Hook().GetMode(), CDeviceHook::kModeMacro);
    // A hit-key message is no one's.
    const capture::KeyboardRecord record{0x41, 0x1E, 0, 0, 0};
    window->HandleMessage(hook_msg::Register(hook_msg::kKeyHitKey), capture::kKeyDown,
                          reinterpret_cast<intptr_t>(&record));
    EXPECT_EQ(editor->GetEventCount(), 0);
    Tap(kLinuxA, 10);
    EXPECT_EQ(editor->GetEventCount(), 2);
}

}  // namespace
