// The macro editor's routes in the main window, on the shipped mouse page:
// deletion with its two questions and the keys that follow, the limit and
// import messages, saving and uploading after every change, the event menu
// and the file dialogs. The page stands in for the mouse device object: it
// counts uploads and saves instead of talking to a mouse.
#include <gtest/gtest.h>

#include <filesystem>

#include "editors/macro_control.h"
#include "platform/ui/button.h"
#include "platform/ui/edit.h"
#include "platform/ui/list.h"
#include "profile/json_file.h"
#include "shell/routes_macros.h"
#include "tests/shell_app/main_wnd_fixture.h"

namespace {

class TestMacroPage : public CVeldmarkUSBDevice {
  public:
    std::string_view GetClass() const override { return "VeldmarkMouseDevice"; }
    int UploadMacros() override {
        ++macroUploads;
        return macroResult;
    }
    int UploadProfileKeys(int) override {
        ++keyUploads;
        return 1;
    }
    void SaveProfile() override { ++saves; }
    void RefreshKeyDisplay() override { ++keyDisplays; }

    int macroResult = 0;
    int macroUploads = 0;
    int keyUploads = 0;
    int saves = 0;
    int keyDisplays = 0;
};

class MacroRoutesTest : public MainWndTest {
  protected:
    void SetUp() override {
        MainWndTest::SetUp();
        host->Factory().Register<TestMacroPage>("VeldmarkMouseDevice");
        host->Language().LoadFile(root / "data" / "skin" / "lan_en.xml");
        Start();
        page = dynamic_cast<TestMacroPage*>(window->MousePages().at(0));
        ASSERT_NE(page, nullptr);
        editor = page->FindSubControl<CMacroControlUI>("MacroControlItem");
        ASSERT_NE(editor, nullptr);
        // Message boxes: record what they say, answer from `answers` (confirm by default).
        host->Host().SetModalRunner([this](ui::Window& box) {
            shown.push_back(box.FindControl("MessageText")->GetText());
            const bool confirm = answers.empty() || answers.front();
            if (!answers.empty()) {
                answers.erase(answers.begin());
            }
            box.FindControl<ui::Button>(confirm ? "confirm_btn" : "cancel_btn")->UserClick();
            return box.GetCloseCode();
        });
    }
    void MakeCurrent() {
        for (int i = 0; i < window->EntryCount(); ++i) {
            if (window->EntryAt(i)->GetDevice() == page) {
                window->ShowEntry(i, true, true);
            }
        }
        ASSERT_EQ(window->CurrentPage(), page);
    }
    void Click(const std::string& name) {
        page->FindSubControl<ui::Button>(name)->UserClick();
        host->RunPending();
    }
    std::string Text(const std::string& key) { return host->Language().Resolve(key); }
    void AddMacros(int count) {
        for (int i = 0; i < count; ++i) {
            ASSERT_TRUE(editor->AddMacro().Ok());
        }
    }
    // Keys 0-2 play macros 1, 2 and 0; key 3 is a keyboard key.
    void AssignKeys() {
        std::vector<KeyEntry> keys(4);
        const uint8_t macros[] = {1, 2, 0};
        for (uint16_t i = 0; i < 4; ++i) {
            keys[i].defaults = {i, 0x10, 0x01, 0x00, 0};
            keys[i].current = i < 3 ? KeyAssignment{i, 0x70, macros[i], 0, 0}
                                    : KeyAssignment{i, 0x20, 0x01, 0x06, 0};
        }
        page->Document().WriteKeyAssignments(keys);
    }
    const std::vector<KeyEntry>& Keys() { return page->Document().GetKeyList(); }

    TestMacroPage* page = nullptr;
    CMacroControlUI* editor = nullptr;
    std::vector<std::string> shown;
    std::vector<bool> answers;
};

TEST_F(MacroRoutesTest, DeletingAPlayedMacroAsksTwiceAndMovesTheKeysAlong) {
    MakeCurrent();
    AddMacros(3);
    AssignKeys();
    editor->SelectMacro(1);
    Click("macro_btn_name_sub");
    EXPECT_EQ(shown, (std::vector<std::string>{Text("message_text_4"), Text("message_text_2")}));
    EXPECT_EQ(editor->GetMacroNames(), (std::vector<std::string>{"Macro_1", "Macro_3"}));
    EXPECT_EQ(Keys()[0].current, Keys()[0].defaults);  // played the deleted macro
    EXPECT_EQ(Keys()[1].current.param1, 1);            // followed macro 2 down
    EXPECT_EQ(Keys()[2].current.param1, 0);
    EXPECT_EQ(Keys()[3].current, (KeyAssignment{3, 0x20, 0x01, 0x06, 0}));
    EXPECT_EQ(page->saves, 1);
    EXPECT_EQ(page->keyUploads, 1);
    EXPECT_GE(page->keyDisplays, 1);
    EXPECT_EQ(page->macroUploads, 1);
}

TEST_F(MacroRoutesTest, EitherCancelKeepsTheMacroAndTheKeys) {
    MakeCurrent();
    AddMacros(2);
    AssignKeys();
    const std::vector<KeyEntry> before = Keys();
    editor->SelectMacro(1);
    answers = {false};
    Click("macro_btn_name_sub");
    answers = {true, false};
    Click("macro_btn_name_sub");
    EXPECT_EQ(shown.size(), 3u);
    EXPECT_EQ(editor->GetMacroNames().size(), 2u);
    EXPECT_EQ(Keys(), before);
    EXPECT_EQ(page->macroUploads, 0);

    // A macro no key plays is deleted after the first question only.
    AddMacros(2);
    shown.clear();
    editor->SelectMacro(3);
    Click("macro_btn_name_sub");
    EXPECT_EQ(shown, (std::vector<std::string>{Text("message_text_4")}));
    EXPECT_EQ(editor->GetMacroNames().size(), 3u);
    EXPECT_EQ(page->keyUploads, 0);  // no key changed
}

TEST_F(MacroRoutesTest, TheFiftyFirstMacroAndAnImportAtFiftyAreRefusedWithAMessage) {
    MakeCurrent();
    AddMacros(50);
    page->macroUploads = 0;
    Click("macro_btn_name_add");
    const std::string source = (root / "in.mac").string();
    std::ofstream(source) << R"({"Events": []})";
    host->Host().ScriptFileChoice(source);
    Click("macro_btn_import");
    EXPECT_EQ(shown,
              (std::vector<std::string>{Text("message_macro_limit"), Text("message_macro_limit")}));
    EXPECT_EQ(editor->GetMacroNames().size(), 50u);
    EXPECT_EQ(page->macroUploads, 0);
}

TEST_F(MacroRoutesTest, SavesUploadAndTheDevicesRefusalIsShown) {
    MakeCurrent();
    AddMacros(1);
    editor->InsertEvent(0, macro::MakeEvent(true, 10, 4, 0), false);
    editor->SelectEvent(0);
    auto* delay = page->FindSubControl<ui::Edit>("macro_delay");
    ASSERT_NE(delay, nullptr);
    delay->UserSetText("250");
    // Leaving the delay edit saves, as the save button does.
    delay->SendNotify(ui::notify::kKillFocus);
    host->RunPending();
    const Json::Value saved = CJsonFile().Load(editor->Store().EventFilePath(0));
    EXPECT_EQ(saved["Events"][0]["Delay"], Json::Value("250"));
    EXPECT_EQ(page->macroUploads, 1);

    page->macroResult = 3;  // too large by two units
    Click("macro_btn_save");
    page->macroResult = -1;
    Click("macro_btn_save");
    std::string tooLarge = Text("message_text_16");
    tooLarge.replace(tooLarge.find("%d"), 2, "3");
    EXPECT_EQ(shown, (std::vector<std::string>{tooLarge, Text("message_text_7")}));
}

TEST_F(MacroRoutesTest, TheEventMenuInsertsAClickAfterTheRowAndSaves) {
    MakeCurrent();
    AddMacros(1);
    editor->InsertEvent(0, macro::MakeEvent(true, 10, 4, 0), false);
    ASSERT_TRUE(editor->SaveMacro().Ok());
    host->Host().ScriptMenuChoice("right_click");
    page->FindSubControl<ui::ListElement>("macro_action")->UserActivate();
    host->RunPending();
    const Json::Value events = CJsonFile().Load(editor->Store().EventFilePath(0))["Events"];
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[1]["Button"].asInt(), 0x02);
    EXPECT_EQ(events[1]["Action"].asString(), "down");
    EXPECT_EQ(events[2]["Action"].asString(), "up");
    EXPECT_EQ(page->macroUploads, 1);
}

TEST_F(MacroRoutesTest, ImportAndExportGoThroughTheFileDialogs) {
    MakeCurrent();
    const std::string source = (root / "fire.mac").string();
    std::ofstream(source) << R"({"MacroName": "Fire", "Events": [{"Action": "up", "Type": 1,
        "Button": 4, "Delay": "300"}]})";
    host->Host().ScriptFileChoice(source);
    Click("macro_btn_import");
    ASSERT_EQ(editor->GetMacroNames(), (std::vector<std::string>{"Macro_1"}));
    EXPECT_EQ(editor->GetEventCount(), 1);

    const std::string target = (root / "out.mac").string();
    host->Host().ScriptFileChoice(target);
    Click("macro_btn_export");
    EXPECT_EQ(CJsonFile().ReadText(target), CJsonFile().ReadText(source));

    const std::string junk = (root / "junk.mac").string();
    std::ofstream(junk) << "not a macro";
    host->Host().ScriptFileChoice(junk);
    Click("macro_btn_import");
    EXPECT_EQ(shown, (std::vector<std::string>{Text("message_macro_import_invalid")}));
    EXPECT_EQ(editor->GetMacroNames().size(), 1u);
    // A cancelled dialog changes nothing.
    Click("macro_btn_import");
    EXPECT_EQ(editor->GetMacroNames().size(), 1u);
}

TEST_F(MacroRoutesTest, RequestsOfTheCommandLineImportAndReloadWithoutAMessage) {
    const std::string source = (root / "burst.mac").string();
    std::ofstream(source) << R"({"Events": [{"Action": "down", "Type": 10, "Button": 4}]})";
    MacroRequest import{"macro import mouse " + source, ""};
    HandleMacroRequest(*window, import);
    EXPECT_EQ(import.reply, "ok imported as Macro_1");
    EXPECT_EQ(editor->GetMacroNames(), (std::vector<std::string>{"Macro_1"}));
    EXPECT_EQ(editor->GetEventCount(), 1);

    // Another program changed the files: a reload shows them and uploads.
    profile::MacroStore other;
    other.SetFolder(page->ProfileFolder());
    other.Load();
    ASSERT_TRUE(other.Add().Ok());
    const int uploads = page->macroUploads;
    page->macroResult = 5;  // a refusal is traced, never shown to a waiting request
    MacroRequest reload{"macro reload mouse", ""};
    HandleMacroRequest(*window, reload);
    EXPECT_EQ(reload.reply, "ok reloaded");
    EXPECT_EQ(editor->GetMacroNames().size(), 2u);
    EXPECT_EQ(editor->GetSelectedMacro(), 0);  // still the imported one
    EXPECT_EQ(page->macroUploads, uploads + 1);

    for (const char* bad : {"macro import mouse relative.mac", "macro import headset /x.mac",
                            "macro delete mouse 0", "macro import mouse /no/such.mac"}) {
        MacroRequest request{bad, ""};
        HandleMacroRequest(*window, request);
        EXPECT_EQ(request.reply.rfind("error: ", 0), 0u) << bad;
    }
    EXPECT_EQ(editor->GetMacroNames().size(), 2u);
    EXPECT_TRUE(shown.empty());
}

TEST_F(MacroRoutesTest, AProfileSwitchTakesAwayOnlyMacrosTheListNoLongerHas) {
    AddMacros(2);
    AssignKeys();  // keys 0-2 play macros 1, 2 and 0
    page->ValidateMacroKeys();
    EXPECT_EQ(Keys()[0].current.param1, 1);
    EXPECT_EQ(Keys()[1].current, Keys()[1].defaults);
    EXPECT_EQ(Keys()[2].current.param1, 0);
    EXPECT_EQ(page->saves, 1);
    EXPECT_EQ(page->keyDisplays, 1);
    page->ValidateMacroKeys();  // nothing left to change
    EXPECT_EQ(page->saves, 1);

    // A list that cannot be read says nothing about which macros are gone.
    const std::string list = editor->Store().ListPath();
    std::filesystem::remove(list);
    std::filesystem::create_directory(list);
    page->ValidateMacroKeys();
    EXPECT_EQ(Keys()[0].current.param1, 1);
    EXPECT_EQ(page->saves, 1);
}

TEST_F(MacroRoutesTest, WithoutACurrentPageTheButtonsDoNothing) {
    ASSERT_EQ(window->CurrentPage(), nullptr);
    Click("macro_btn_name_add");
    EXPECT_TRUE(editor->GetMacroNames().empty());
    EXPECT_EQ(page->macroUploads, 0);
}

}  // namespace
