// Recording keys and mouse buttons into the macro editor on the shipped
// layout, with the window's clock under the test's control: the delays each
// row gets, repeats, the insert positions, replacing, the limits and the
// editor's look while recording.

#include "editors/macro_recorder.h"

#include <gtest/gtest.h>

#include <memory>

#include "editors/combo_edit_element.h"
#include "editors/macro_control.h"
#include "platform/capture/capture_service.h"
#include "platform/ui/button.h"
#include "platform/ui/edit.h"
#include "platform/ui/headless_host.h"
#include "platform/ui/label.h"
#include "platform/ui/list.h"
#include "platform/ui/window.h"
#include "tests/profile/profile_test_support.h"

namespace {

namespace capture = platform::capture;
using Timing = MacroRecorder::Timing;

constexpr uint8_t kA = 0x1E;
constexpr uint8_t kB = 0x30;
constexpr uint8_t kCtrl = 0x1D;  // left; right with the extended flag
constexpr uint8_t kNoSuchKey = 0x6F;

class MacroRecorderTest : public TempHomeTest {
  protected:
    void SetUp() override {
        TempHomeTest::SetUp();
        host = std::make_unique<ui::HeadlessHost>(ui::HeadlessHost::ClockMode::Virtual,
                                                  std::string(VELDMARK_TEST_DATA_DIR) + "/skin");
        host->Factory().Register<CMacroControlUI>("MacroControl");
        host->Factory().Register<CComboEditContainerElementUI>("ComboEditContainerElement");
        host->Factory().Register<ui::Option>("RedioMacroButton");
        window = std::make_unique<ui::Window>(host->Context(), "main");
        ui::LayoutResult built = host->Context().MakeLoader().LoadFile(CMacroControlUI::kLayout);
        ASSERT_TRUE(built.ok()) << built.error;
        editor = dynamic_cast<CMacroControlUI*>(built.root.get());
        window->Attach(std::move(built.root));
        std::filesystem::create_directories(Root() + "kb/");
        editor->SetMacroFolder(Root() + "kb/");
        editor->LoadMacroList();
        ASSERT_TRUE(editor->AddMacro().Ok());
    }
    void TearDown() override {
        window.reset();
        host.reset();
        TempHomeTest::TearDown();
    }

    MacroRecorder& Recorder() { return editor->Recorder(); }
    void Wait(int64_t ms) { host->AdvanceBy(ms); }
    bool Key(uint8_t scan, bool down, int mode = MacroRecorder::kModeAppend, bool ext = false) {
        return Recorder().OnKey(mode, down ? capture::kKeyDown : capture::kKeyUp, scan, ext);
    }
    // Press and release of a key, `gap` ms apart and `gap` ms after the last event.
    void Tap(uint8_t scan, int64_t gap, int mode = MacroRecorder::kModeAppend) {
        Wait(gap);
        Key(scan, true, mode);
        Wait(gap);
        Key(scan, false, mode);
    }
    bool Click(uint32_t message, ui::Point at = {5, 5}, uint16_t side = 0,
               int mode = MacroRecorder::kModeAppend) {
        return Recorder().OnMouse(mode, message, side, at);
    }
    // Rows as "down 10:4 100": action, type:button and the delay edit's text.
    std::vector<std::string> Rows() {
        std::vector<std::string> rows;
        for (int i = 0; i < editor->GetEventCount(); ++i) {
            const Json::Value event = editor->GetEvent(i);
            rows.push_back(
                event["Action"].asString() + " " + std::to_string(event["Type"].asInt()) + ":" +
                std::to_string(event["Button"].asInt()) + " " + event["Delay"].asString());
        }
        return rows;
    }
    CComboEditContainerElementUI* Row(int i) {
        return dynamic_cast<CComboEditContainerElementUI*>(
            window->FindControl<ui::List>("macro_action_list")->GetItem(i));
    }
    ui::Control* Named(const char* name) { return window->FindControl(name); }
    // Rows 0..count-1: key presses of usage 4 + i, delay 10 each.
    void FillRows(int count) {
        for (int i = 0; i < count; ++i) {
            ASSERT_TRUE(editor->InsertEvent(
                editor->GetEventCount(),
                macro::MakeEvent(true, 10, static_cast<uint8_t>(20 + i), 10), false));
        }
    }

    std::unique_ptr<ui::HeadlessHost> host;
    std::unique_ptr<ui::Window> window;
    CMacroControlUI* editor = nullptr;
};

TEST_F(MacroRecorderTest, EachRowTakesTheGapToTheNextEventAndTheLastKeepsZero) {
    ASSERT_TRUE(Recorder().Start(Timing::Real, MacroRecorder::kModeAppend));
    Wait(100);
    Key(kA, true);
    // The first row of an empty list holds the integer 0 until the next event.
    EXPECT_EQ(editor->Recorder().HasRecorded(), true);
    EXPECT_TRUE(ParseJson(Row(0)->GetUserData())["Delay"].isInt());
    Wait(100);
    Key(kA, false);
    Tap(kB, 100);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"down 10:4 100", "up 10:4 100", "down 10:5 100",
                                                "up 10:5 0"}));
    EXPECT_EQ(ParseJson(Row(2)->GetUserData())["Delay"], Json::Value("100"));
    // A gap past the field's range is held at 65535.
    Wait(70000);
    Key(kA, true);
    EXPECT_EQ(editor->GetEvent(3)["Delay"], Json::Value("65535"));
}

TEST_F(MacroRecorderTest, AHeldKeyIsOnePressAndOneRelease) {
    Recorder().Start(Timing::Real, MacroRecorder::kModeAppend);
    EXPECT_TRUE(Key(kA, true));
    for (int i = 0; i < 5; ++i) {
        Wait(30);
        EXPECT_FALSE(Key(kA, true));
    }
    EXPECT_TRUE(Key(kA, false));
    EXPECT_TRUE(Key(kA, true));  // a new press after the release counts again
    EXPECT_EQ(Rows(), (std::vector<std::string>{"down 10:4 150", "up 10:4 0", "down 10:4 0"}));
}

TEST_F(MacroRecorderTest, WithTheFixedDelayEveryRowShowsItButAFirstRowWaits) {
    dynamic_cast<ui::Edit*>(Named("macro_fixed_time_edit"))->SetText("50");
    Recorder().Start(Timing::Constant, MacroRecorder::kModeAppend);
    Tap(kA, 7);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"down 10:4 50", "up 10:4 50"}));
    Key(kB, true);
    EXPECT_EQ(Rows().back(), "down 10:5 50");
    // Without delays every row has 0.
    Recorder().Stop();
    editor->DeleteAllEvents();
    Recorder().Start(Timing::Ignore, MacroRecorder::kModeAppend);
    Tap(kA, 300);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"down 10:4 0", "up 10:4 0"}));
}

TEST_F(MacroRecorderTest, ModifiersAreRecordedByTheirBitAndUnknownKeysAreDropped) {
    Recorder().Start(Timing::Ignore, MacroRecorder::kModeAppend);
    Key(kCtrl, true);
    Key(kCtrl, true, MacroRecorder::kModeAppend, true);
    EXPECT_FALSE(Key(kNoSuchKey, true));
    EXPECT_EQ(Rows(), (std::vector<std::string>{"down 9:1 0", "down 9:16 0"}));
    EXPECT_EQ(Row(0)->NameLabel()->GetTextValue().text, "keyboard_key_LCtrl");
    EXPECT_EQ(Row(1)->NameLabel()->GetTextValue().text, "keyboard_key_RCtrl");
}

TEST_F(MacroRecorderTest, ClicksAreRecordedExceptTheStopButtonsOwn) {
    Recorder().Start(Timing::Ignore, MacroRecorder::kModeAppend);
    ui::Control* stop = Named("macro_btn_stopredio");
    ASSERT_TRUE(stop->IsVisible());
    stop->SetHostRect(ui::Rect{400, 700, 500, 730});
    EXPECT_FALSE(Click(capture::kLeftDown, {450, 710}));
    EXPECT_FALSE(Click(capture::kLeftUp, {450, 710}));
    EXPECT_EQ(editor->GetEventCount(), 0);
    // Other buttons there, and the left button elsewhere, are recorded.
    EXPECT_TRUE(Click(capture::kRightDown, {450, 710}));
    EXPECT_TRUE(Click(capture::kLeftDown, {399, 710}));
    // The same message twice in a row keeps the first.
    EXPECT_FALSE(Click(capture::kLeftDown, {10, 10}));
    EXPECT_TRUE(Click(capture::kXDown, {}, capture::kXButtonBack));
    EXPECT_TRUE(Click(capture::kXUp, {}, capture::kXButtonBack));
    EXPECT_TRUE(Click(capture::kXDown, {}, capture::kXButtonForward));
    EXPECT_FALSE(Click(capture::kXUp, {}, 3));  // no such side button
    EXPECT_FALSE(Click(0x20A));                 // the wheel
    EXPECT_EQ(Rows(), (std::vector<std::string>{"down 1:2 0", "down 1:1 0", "down 1:8 0",
                                                "up 1:8 0", "down 1:16 0"}));
    EXPECT_EQ(Row(4)->NameLabel()->GetTextValue().text, "mouse_key_forward");
}

TEST_F(MacroRecorderTest, InsertingBeforeKeepsOrderAheadOfTheSelectedRowWhichStaysSelected) {
    FillRows(4);
    editor->SelectEvent(2);
    Recorder().Start(Timing::Ignore, MacroRecorder::kModeBefore);
    Tap(kA, 10, MacroRecorder::kModeBefore);
    Key(kB, true, MacroRecorder::kModeBefore);
    // Nothing was recorded before: the row ahead of the first new one keeps its delay.
    EXPECT_EQ(Rows(), (std::vector<std::string>{"down 10:20 10", "down 10:21 10", "down 10:4 0",
                                                "up 10:4 0", "down 10:5 0", "down 10:22 10",
                                                "down 10:23 10"}));
    EXPECT_EQ(editor->GetSelectedEvent(), 5);
}

TEST_F(MacroRecorderTest, InsertingBeforeRowZeroMakesAFirstRowAndAfterFollowsTheNewRow) {
    FillRows(2);
    editor->SelectEvent(0);
    Recorder().Start(Timing::Real, MacroRecorder::kModeBefore);
    Wait(40);
    Key(kA, true, MacroRecorder::kModeBefore);
    EXPECT_TRUE(ParseJson(Row(0)->GetUserData())["Delay"].isInt());
    Wait(60);
    Key(kA, false, MacroRecorder::kModeBefore);
    EXPECT_EQ(Rows()[0], "down 10:4 60");
    Recorder().Stop();
    editor->SelectEvent(0);
    Recorder().Start(Timing::Real, MacroRecorder::kModeAfter);
    Wait(25);
    Key(kB, true, MacroRecorder::kModeAfter);
    Wait(35);
    Key(kB, false, MacroRecorder::kModeAfter);
    // Once anything was recorded, the first new row's gap lands on the row before it.
    EXPECT_EQ(Rows(), (std::vector<std::string>{"down 10:4 25", "down 10:5 35", "up 10:5 0",
                                                "up 10:4 0", "down 10:20 10", "down 10:21 10"}));
    EXPECT_EQ(editor->GetSelectedEvent(), 2);
}

TEST_F(MacroRecorderTest, WithoutASelectionOnlyAppendingRecords) {
    FillRows(2);
    editor->SelectEvent(-1);
    for (int mode :
         {MacroRecorder::kModeBefore, MacroRecorder::kModeAfter, MacroRecorder::kModeReplace}) {
        Recorder().Start(Timing::Real, mode);
        EXPECT_FALSE(Key(kA, true, mode));
        EXPECT_FALSE(Click(capture::kRightDown, {}, 0, mode));
        Recorder().Stop();
    }
    EXPECT_EQ(editor->GetEventCount(), 2);
    EXPECT_FALSE(Recorder().Start(Timing::Real, 1));  // not a recording mode
    EXPECT_FALSE(Recorder().IsRecording());
}

TEST_F(MacroRecorderTest, ReplacingChangesKeyAndNameButKeepsActionAndDelay) {
    FillRows(3);
    Row(1)->DelayEdit()->UserSetText("321");
    editor->SelectEvent(1);
    Recorder().Start(Timing::Ignore, MacroRecorder::kModeReplace);
    EXPECT_TRUE(Key(kCtrl, true, MacroRecorder::kModeReplace, true));
    EXPECT_FALSE(Key(kCtrl, true, MacroRecorder::kModeReplace, true));  // held
    EXPECT_EQ(Rows(),
              (std::vector<std::string>{"down 10:20 10", "down 9:16 321", "down 10:22 10"}));
    EXPECT_EQ(Row(1)->NameLabel()->GetTextValue().text, "keyboard_key_RCtrl");
    EXPECT_TRUE(Click(capture::kMiddleUp, {}, 0, MacroRecorder::kModeReplace));
    EXPECT_EQ(Rows()[1], "down 1:4 321");
    EXPECT_EQ(Row(1)->NameLabel()->GetAttribute("style"), "macro_label_mouse_style");
    EXPECT_EQ(editor->GetSelectedEvent(), 1);
}

TEST_F(MacroRecorderTest, NothingIsAddedPastFourThousandRows) {
    FillRows(macro::kMaxEvents - 1);
    Recorder().Start(Timing::Real, MacroRecorder::kModeAppend);
    EXPECT_TRUE(Key(kA, true));
    EXPECT_FALSE(Key(kA, false));
    EXPECT_FALSE(Click(capture::kLeftDown));
    EXPECT_EQ(editor->GetEventCount(), macro::kMaxEvents);
}

TEST_F(MacroRecorderTest, AKeyHeldWhenRecordingStoppedDoesNotSwallowTheNextRecordingsPress) {
    Recorder().Start(Timing::Ignore, MacroRecorder::kModeAppend);
    Key(kA, true);
    Click(capture::kRightDown);
    Recorder().Stop();  // A and the right button never came up
    Recorder().Start(Timing::Ignore, MacroRecorder::kModeAppend);
    EXPECT_TRUE(Key(kA, true));
    EXPECT_TRUE(Click(capture::kRightDown));
    EXPECT_EQ(editor->GetEventCount(), 4);
    // Events after the stop are not recorded.
    Recorder().Stop();
    EXPECT_FALSE(Key(kB, true));
}

TEST_F(MacroRecorderTest, TheEditorLooksRecordingUntilStopAndScrollsToTheNewRow) {
    const std::vector<const char*> locked = {"macro_name_tab", "macro_action_list"};
    const std::vector<const char*> hidden = {"macro_tab_macroaction_edit",
                                             "macro_tab_macrodelay_edit", "macro_btn_starredio"};
    Recorder().Start(Timing::Real, MacroRecorder::kModeAppend);
    for (const char* name : locked) {
        EXPECT_FALSE(Named(name)->IsEnabled()) << name;
    }
    for (const char* name : hidden) {
        EXPECT_FALSE(Named(name)->IsVisible()) << name;
    }
    EXPECT_TRUE(Named("macro_btn_stopredio")->IsVisible());
    FillRows(30);
    Key(kA, true);
    auto* list = window->FindControl<ui::List>("macro_action_list");
    EXPECT_EQ(list->GetEnsureVisibleIndex(), -1);  // 50 ms later
    Wait(MacroRecorder::kScrollDelayMs);
    EXPECT_EQ(list->GetEnsureVisibleIndex(), 30);
    Recorder().Stop();
    for (const char* name : locked) {
        EXPECT_TRUE(Named(name)->IsEnabled()) << name;
    }
    for (const char* name : hidden) {
        EXPECT_TRUE(Named(name)->IsVisible()) << name;
    }
    EXPECT_FALSE(Named("macro_btn_stopredio")->IsVisible());
}

}  // namespace
