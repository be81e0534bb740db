// The key editor's routes through the main window, on the simulated mouse:
// choosing a key on the picture, applying, cancelling and committing.

#include "shell/routes_keys.h"

#include "editors/key_set_control.h"
#include "mouse/mouse_device.h"
#include "platform/ui/button.h"
#include "platform/ui/list.h"
#include "profile/json_file.h"
#include "profile/macro_store.h"
#include "sim/mouse_firmware.h"
#include "tests/shell_app/main_wnd_fixture.h"

namespace {

class KeyRoutesTest : public MainWndTest {
  protected:
    void SetUp() override {
        MainWndTest::SetUp();
        // Message boxes close at once; what they said is kept.
        host->Host().SetModalRunner([this](ui::Window& box) {
            if (ui::Control* text = box.FindControl("MessageText")) {
                messages.push_back(text->GetTextValue().text);
            }
            return 0;
        });
        Start();
        mouse = Plug(sim::DeviceKind::Mouse);
        ASSERT_TRUE(WaitFor([&] { return Mouse()->Channel().IsOpen(); }));
        host->AdvanceBy(device_timer::kConnectDelayMs + 10);  // the entry connects the page
        ASSERT_TRUE(Mouse()->HasKeyTable());
        ASSERT_EQ(window->CurrentPage(), Mouse());
        Mouse()->SetFunctionMode(2);
    }

    CVeldmarkMouseDevice* Mouse() const {
        return dynamic_cast<CVeldmarkMouseDevice*>(window->MousePages().at(0));
    }
    CKeySetControlUI* Editor() const {
        return dynamic_cast<CKeySetControlUI*>(Mouse()->GetKeyEditor());
    }
    ui::Control* OnMouse(const char* name) const { return Mouse()->FindSubControl(name); }
    void Click(const char* name) { dynamic_cast<ui::Button*>(OnMouse(name))->UserClick(); }
    std::vector<uint8_t> KeyBytesAt(int position) const {
        const std::vector<uint8_t> table = mouse->firmware().KeyTable();
        return {table.begin() + 3 * position, table.begin() + 3 * position + 3};
    }
    int64_t StoredAssignment(int key) const {
        const Json::Value doc = CJsonFile().Load(Mouse()->GetProfilePath());
        return doc["Device"][0]["KeyList"][key]["Assignment"].asInt64();
    }

    std::shared_ptr<sim::SimDevice> mouse;
    std::vector<std::string> messages;
};

TEST_F(KeyRoutesTest, TheLastLeftClickCannotBeOpenedButAnotherOneCan) {
    Click("key_0");
    EXPECT_EQ(messages, std::vector<std::string>{"message_text_6"});
    EXPECT_EQ(Mouse()->GetSelectedKey(), -1);
    // With a second key that clicks left, the first opens normally.
    std::vector<KeyEntry> keys = Mouse()->GetKeyList();
    keys[4].current = {4, 0x10, 0x01, 0x00, 0};
    Mouse()->SetKeyList(keys);
    Mouse()->SaveProfile();
    Click("key_0");
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(Mouse()->GetSelectedKey(), 0);
    // Outside the key settings nothing is chosen.
    Mouse()->SetFunctionMode(1);
    Click("key_3");
    EXPECT_EQ(Mouse()->GetSelectedKey(), 0);
}

TEST_F(KeyRoutesTest, SavingCtrlWithCReachesTheMouseTheProfileAndTheKeyList) {
    Click("key_3");
    ASSERT_EQ(Mouse()->GetSelectedKey(), 3);
    // The keyboard page, Ctrl, and C as the capture reports it.
    dynamic_cast<ui::Combo*>(OnMouse("keyset_function_combo"))->SelectItem(6);
    dynamic_cast<ui::Option*>(OnMouse("key_ComBox_check_1"))->UserClick();
    ASSERT_TRUE(Editor()->CaptureKey(0x2E, false));
    Click("key_butt_keysave");
    const int forward = sim::MousePositionOfButton(3);
    EXPECT_EQ(KeyBytesAt(forward), (std::vector<uint8_t>{0x20, 0x01, 0x06}));
    EXPECT_EQ(StoredAssignment(3), 0x200106);
    auto* list = dynamic_cast<ui::ListBase*>(OnMouse("device_setkeyinfo_list"));
    EXPECT_EQ(list->GetItem(3)->GetItemAt(1)->GetText(), "Ctrl+C");
    // Saved but not committed: the editor offers cancel and commit.
    EXPECT_FALSE(window->IsEditCommitted());
    EXPECT_TRUE(OnMouse("key_butt_keycancel")->IsEnabled());
    Click("key_butt_keycancel");
    EXPECT_TRUE(window->IsEditCommitted());
    EXPECT_FALSE(OnMouse("key_butt_keysave")->IsEnabled());
    EXPECT_EQ(Editor()->GetModifier(), 1);
}

TEST_F(KeyRoutesTest, ListChoicesApplyAtOnceAndDefaultShowsTheKeysOwnFunction) {
    Click("key_4");
    dynamic_cast<ui::Combo*>(OnMouse("keyset_function_combo"))->SelectItem(7);
    dynamic_cast<ui::Combo*>(OnMouse("keyset_media_combo"))->SelectItem(1);
    EXPECT_EQ(KeyBytesAt(sim::MousePositionOfButton(4)), (std::vector<uint8_t>{0x30, 0xCD, 0x00}));
    EXPECT_EQ(StoredAssignment(4), 0x30CD00);
    Click("key_butt_keydefalut");
    EXPECT_EQ(Editor()->SelectedPage(), 0);
    // Nothing is written until the next apply.
    EXPECT_EQ(StoredAssignment(4), 0x30CD00);
    Click("key_butt_keysave");
    EXPECT_EQ(StoredAssignment(4), 0x100800);
}

TEST_F(KeyRoutesTest, CommitReportsAMacroImageTooLargeAndStops) {
    profile::MacroStore store;
    store.SetFolder(Mouse()->ProfileFolder());
    ASSERT_TRUE(store.Load().Ok());
    ASSERT_TRUE(store.Add().Ok());
    Json::Value events(Json::arrayValue);
    for (int i = 0; i < 2400; ++i) {
        events.append(macro::MakeEvent(i % 2 == 0, 1, 1, 10));
    }
    ASSERT_TRUE(store.SaveEvents(0, events).Ok());
    Click("key_3");
    mouse->firmware().ClearLog();
    Click("key_butt_prosave");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(std::to_string((9622 - 9216) / 4 + 1)), std::string::npos)
        << messages[0];
    for (const sim::LoggedReport& r : mouse->firmware().RequestLog()) {
        EXPECT_NE(r.bytes[3], sim::cmd::kWriteKeyTable);
        EXPECT_NE(r.bytes[3], sim::cmd::kWriteMacroImage);
    }
}

TEST_F(KeyRoutesTest, ACommandLineChangeIsStoredShownAndSentByTheProgram) {
    app::KeyRequest request{"key set mouse 3 " + std::to_string(0x200106), ""};
    app::HandleKeyRequest(*window, request);
    EXPECT_EQ(request.reply, "ok");
    EXPECT_EQ(KeyBytesAt(sim::MousePositionOfButton(3)), (std::vector<uint8_t>{0x20, 0x01, 0x06}));
    EXPECT_EQ(StoredAssignment(3), 0x200106);
    auto* list = dynamic_cast<ui::ListBase*>(OnMouse("device_setkeyinfo_list"));
    EXPECT_EQ(list->GetItem(3)->GetItemAt(1)->GetText(), "Ctrl+C");
    for (const char* bad : {"key set mouse 10 1", "key set mouse 3 16777216", "key set headset 1 1",
                            "key set mouse 3", "key set mouse 3 1 2"}) {
        app::KeyRequest refused{bad, ""};
        app::HandleKeyRequest(*window, refused);
        EXPECT_EQ(refused.reply.rfind("error:", 0), 0u) << bad;
    }
    EXPECT_EQ(StoredAssignment(3), 0x200106);
}

}  // namespace
