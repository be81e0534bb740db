// The macro editor on the shipped layout: the macro list over the store,
// event rows and their delays, moving and inserting events, and the event
// row control itself.

#include "editors/macro_control.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "editors/combo_edit_element.h"
#include "editors/macro_event_names.h"
#include "platform/ui/button.h"
#include "platform/ui/edit.h"
#include "platform/ui/headless_host.h"
#include "platform/ui/label.h"
#include "platform/ui/list.h"
#include "platform/ui/window.h"
#include "tests/profile/profile_test_support.h"

namespace {

namespace fs = std::filesystem;

class MacroControlTest : public TempHomeTest {
  protected:
    void SetUp() override {
        TempHomeTest::SetUp();
        host = std::make_unique<ui::HeadlessHost>(ui::HeadlessHost::ClockMode::Virtual,
                                                  std::string(VELDMARK_TEST_DATA_DIR) + "/skin");
        host->Factory().Register<CMacroControlUI>("MacroControl");
        host->Factory().Register<CComboEditContainerElementUI>("ComboEditContainerElement");
        // The record button is the shell's own control; any option serves here.
        host->Factory().Register<ui::Option>("RedioMacroButton");
        window = std::make_unique<ui::Window>(host->Context(), "main");
        ui::LayoutResult built = host->Context().MakeLoader().LoadFile(CMacroControlUI::kLayout);
        ASSERT_TRUE(built.ok()) << built.error;
        editor = dynamic_cast<CMacroControlUI*>(built.root.get());
        ASSERT_NE(editor, nullptr);
        window->Attach(std::move(built.root));
        folder = Root() + "mouse/";
        fs::create_directories(folder);
        editor->SetMacroFolder(folder);
        editor->LoadMacroList();
    }
    void TearDown() override {
        window.reset();
        host.reset();
        TempHomeTest::TearDown();
    }

    ui::List* Names() { return window->FindControl<ui::List>("macro_name_list"); }
    ui::List* Rows() { return window->FindControl<ui::List>("macro_action_list"); }
    CComboEditContainerElementUI* Row(int i) {
        return dynamic_cast<CComboEditContainerElementUI*>(Rows()->GetItem(i));
    }
    ui::Edit* Edit(const char* name) { return window->FindControl<ui::Edit>(name); }
    Json::Value SavedEvents(int macro = -1) {
        const int index = macro < 0 ? editor->GetSelectedMacro() : macro;
        return ReadJson(editor->Store().EventFilePath(index))["Events"];
    }
    // A macro whose events are keys 4, 5, 6 … pressed, with delays 10, 20, 30 ….
    void AddMacroWithKeys(int count) {
        ASSERT_TRUE(editor->AddMacro().Ok());
        for (int i = 0; i < count; ++i) {
            editor->InsertEvent(editor->GetEventCount(),
                                macro::MakeEvent(true, 10, static_cast<uint8_t>(4 + i),
                                                 static_cast<uint16_t>(10 * (i + 1))),
                                false);
        }
        ASSERT_TRUE(editor->SaveMacro().Ok());
    }
    std::vector<int> Buttons() {
        std::vector<int> buttons;
        for (int i = 0; i < editor->GetEventCount(); ++i) {
            buttons.push_back(editor->GetEvent(i)["Button"].asInt());
        }
        return buttons;
    }

    std::unique_ptr<ui::HeadlessHost> host;
    std::unique_ptr<ui::Window> window;
    CMacroControlUI* editor = nullptr;
    std::string folder;
};

TEST_F(MacroControlTest, AddedMacrosAreListedSelectedAndShownWithTheirGuids) {
    EXPECT_FALSE(window->FindControl("macro_action_layout")->IsVisible());
    ASSERT_EQ(editor->AddMacro().detail, "Macro_1");
    ASSERT_EQ(editor->AddMacro().detail, "Macro_2");
    ASSERT_EQ(Names()->GetItemCount(), 2);
    EXPECT_EQ(Names()->GetCurSel(), 1);
    EXPECT_EQ(Names()->GetItem(1)->GetText(), "Macro_2");
    EXPECT_EQ(Names()->GetItem(1)->GetFixedHeight(), 30);
    EXPECT_EQ(Names()->GetItem(1)->GetUserData(), editor->Store().GetMacros()[1].guid);
    EXPECT_TRUE(window->FindControl("macro_action_layout")->IsVisible());
    EXPECT_EQ(editor->GetMacroNames(), (std::vector<std::string>{"Macro_1", "Macro_2"}));
}

TEST_F(MacroControlTest, TheDelayEditIsWhatASaveStoresAsText) {
    AddMacroWithKeys(2);
    Row(0)->DelayEdit()->UserSetText("250");
    Json::Value held = macro::MakeEvent(false, 10, 4, 0);
    held["Delay"] = 0;  // an event only the editor holds may carry the integer
    editor->InsertEvent(2, held, false);
    ASSERT_TRUE(editor->SaveMacro().Ok());
    const Json::Value events = SavedEvents();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0]["Delay"], Json::Value("250"));
    EXPECT_EQ(events[2]["Delay"], Json::Value("0"));
    // The row keeps what was saved.
    EXPECT_EQ(CJsonFile::Parse(Row(0)->GetUserData())["Delay"], Json::Value("250"));
    EXPECT_EQ(editor->Store().PackedEvents(editor->GetSelectedMacro())[0],
              (MacroEventRecord{0xFA, 0x00, 0x8A, 0x04}));
}

TEST_F(MacroControlTest, RowsShowActionNameAndDelayInTheirStyles) {
    ASSERT_TRUE(editor->AddMacro().Ok());
    Json::Value events(Json::arrayValue);
    events.append(macro::MakeEvent(true, 10, 4, 5));
    Json::Value slow = macro::MakeEvent(false, 1, 0x10, 0);
    slow["Delay"] = "70000";
    events.append(slow);
    events.append(macro::MakeEvent(true, 4, 40, 0));
    events.append(macro::MakeEvent(true, 99, 7, 0));
    ASSERT_TRUE(editor->Store().EventFilePath(0).size() > 0);
    WriteJson(editor->Store().EventFilePath(0), [&] {
        Json::Value file;
        file["Events"] = events;
        return file;
    }());
    editor->LoadMacro();
    ASSERT_EQ(editor->GetEventCount(), 4);
    EXPECT_EQ(Row(0)->GetName(), "macro_action");
    EXPECT_EQ(Row(0)->GetFixedHeight(), 30);
    EXPECT_EQ(Row(0)->ActionLabel()->GetAttribute("style"), "macro_label_down_style");
    EXPECT_EQ(Row(1)->ActionLabel()->GetAttribute("style"), "macro_label_up_style");
    EXPECT_EQ(Row(0)->NameLabel()->GetAttribute("style"), "macro_label_keyboard_style");
    EXPECT_EQ(Row(0)->NameLabel()->GetTextValue(), (ui::TextValue{"keyboard_key_A", true}));
    EXPECT_EQ(Row(1)->NameLabel()->GetAttribute("style"), "macro_label_mouse_style");
    EXPECT_EQ(Row(1)->NameLabel()->GetTextValue().text, "mouse_key_forward");
    EXPECT_EQ(Row(3)->NameLabel()->GetAttribute("style"), "macro_label_text_style");
    // A move is named by its direction, then the distance.
    EXPECT_NE(Row(2)->NameLabel()->GetText().find("40"), std::string::npos);
    ui::Edit* delay = Row(1)->DelayEdit();
    EXPECT_EQ(delay->GetName(), "macro_delay");
    EXPECT_EQ(delay->GetText(), "65535");
    EXPECT_EQ(delay->GetFixedHeight(), 25);
    EXPECT_EQ(delay->GetMaxChars(), 6);
    EXPECT_TRUE(delay->IsNumberOnly());
    EXPECT_EQ(delay->GetColor(ui::ColorRole::Background)->argb, 0xFF444444u);
    EXPECT_EQ(delay->UserSetText("99999"), "65535");
}

TEST_F(MacroControlTest, MovingStopsAtTheEndsAndKeepsADelayTypedBeforeTheMove) {
    AddMacroWithKeys(4);
    editor->SelectEvent(0);
    editor->MoveEventUp();
    editor->MoveEventToTop();
    EXPECT_EQ(Buttons(), (std::vector<int>{4, 5, 6, 7}));
    Row(0)->DelayEdit()->UserSetText("777");
    editor->MoveEventDown();
    EXPECT_EQ(Buttons(), (std::vector<int>{5, 4, 6, 7}));
    EXPECT_EQ(editor->GetSelectedEvent(), 1);
    EXPECT_EQ(editor->GetEvent(1)["Delay"], Json::Value("777"));
    editor->MoveEventToBottom();
    EXPECT_EQ(Buttons(), (std::vector<int>{5, 6, 7, 4}));
    editor->MoveEventDown();
    EXPECT_EQ(editor->GetSelectedEvent(), 3);
    editor->MoveEventToTop();
    EXPECT_EQ(Buttons(), (std::vector<int>{4, 5, 6, 7}));
    ASSERT_TRUE(editor->SaveMacro().Ok());
    EXPECT_EQ(SavedEvents()[0]["Delay"], Json::Value("777"));
    // Moves are not saved by themselves.
    editor->SelectEvent(3);
    editor->MoveEventToTop();
    EXPECT_EQ(SavedEvents()[0]["Button"].asInt(), 4);
}

TEST_F(MacroControlTest, RemovingEventsSelectsTheNextOneAndNeverSaves) {
    AddMacroWithKeys(3);
    editor->DeleteEvent();  // nothing selected
    EXPECT_EQ(editor->GetEventCount(), 3);
    editor->SelectEvent(2);
    editor->DeleteEvent();
    EXPECT_EQ(editor->GetSelectedEvent(), 1);
    editor->SelectEvent(0);
    editor->DeleteEvent();
    EXPECT_EQ(Buttons(), (std::vector<int>{5}));
    EXPECT_EQ(editor->GetSelectedEvent(), 0);
    editor->DeleteAllEvents();
    EXPECT_EQ(editor->GetEventCount(), 0);
    EXPECT_EQ(SavedEvents().size(), 3u);
    editor->LoadMacro();  // cancel brings them back
    EXPECT_EQ(editor->GetEventCount(), 3);
}

TEST_F(MacroControlTest, InsertedMovesGoAfterTheSelectionOrRowZeroAndAreSavedAtOnce) {
    ASSERT_TRUE(editor->AddMacro().Ok());
    Edit("mouse_x_left_edit")->SetText("12");
    Edit("mouse_y_down_edit")->SetText("300");
    Edit("macro_fixed_time_edit")->SetText("70000");
    editor->InsertMove(CMacroControlUI::Direction::Left);  // empty list: at the top
    ASSERT_EQ(SavedEvents().size(), 1u);
    const Json::Value left = SavedEvents()[0];
    EXPECT_EQ(left["Action"].asString(), "down");
    EXPECT_EQ(left["Type"].asInt(), 4);
    EXPECT_EQ(left["Button"].asInt(), 12);
    EXPECT_EQ(left["Delay"], Json::Value("65535"));
    EXPECT_EQ(Edit("macro_fixed_time_edit")->GetText(), "65535");

    editor->InsertMove(CMacroControlUI::Direction::Down);  // after the new row
    editor->SelectEvent(-1);
    editor->InsertMove(CMacroControlUI::Direction::Right);  // no selection: after row 0
    const Json::Value events = SavedEvents();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[1]["Type"].asInt(), 4);
    EXPECT_EQ(events[1]["Action"].asString(), "up");
    EXPECT_EQ(events[2]["Type"].asInt(), 5);
    EXPECT_EQ(events[2]["Action"].asString(), "up");
    EXPECT_EQ(events[2]["Button"].asInt(), 255);  // a distance is one byte
    EXPECT_EQ(editor->GetSelectedEvent(), 1);
}

TEST_F(MacroControlTest, MenuClicksInsertPressThenReleaseInOrder) {
    EXPECT_TRUE(editor->InsertMenuItem("left_click"));  // no macro: nothing to insert into
    EXPECT_EQ(editor->GetEventCount(), 0);
    AddMacroWithKeys(2);
    editor->SelectEvent(0);
    EXPECT_TRUE(editor->InsertMenuItem("forward_click"));
    EXPECT_TRUE(editor->InsertMenuItem("back_up"));
    EXPECT_FALSE(editor->InsertMenuItem("redio_later_record_time"));
    EXPECT_FALSE(editor->InsertMenuItem("side_click"));
    const Json::Value events = SavedEvents();
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[1]["Button"].asInt(), 0x10);
    EXPECT_EQ(events[1]["Action"].asString(), "down");
    EXPECT_EQ(events[2]["Button"].asInt(), 0x10);
    EXPECT_EQ(events[2]["Action"].asString(), "up");
    EXPECT_EQ(events[3]["Button"].asInt(), 0x08);
    EXPECT_EQ(events[3]["Type"].asInt(), 1);
    EXPECT_EQ(events[4]["Button"].asInt(), 5);
}

TEST_F(MacroControlTest, NoMoreThanFourThousandRows) {
    ASSERT_TRUE(editor->AddMacro().Ok());
    for (int i = 0; i < macro::kMaxEvents; ++i) {
        ASSERT_TRUE(editor->InsertEvent(i, macro::MakeEvent(true, 10, 4, 0), false));
    }
    EXPECT_FALSE(editor->InsertEvent(0, macro::MakeEvent(true, 10, 5, 0), true));
    editor->InsertMove(CMacroControlUI::Direction::Up);
    EXPECT_EQ(editor->GetEventCount(), macro::kMaxEvents);
}

TEST_F(MacroControlTest, DeletingSelectsTheFirstMacroAndHidesEventsWhenNoneIsLeft) {
    AddMacroWithKeys(1);
    AddMacroWithKeys(2);
    const std::string second = editor->Store().EventFilePath(1);
    ASSERT_TRUE(editor->DeleteMacro().Ok());
    EXPECT_FALSE(fs::exists(second));
    EXPECT_EQ(Names()->GetCurSel(), 0);
    EXPECT_EQ(editor->GetEventCount(), 1);
    ASSERT_TRUE(editor->DeleteMacro().Ok());
    EXPECT_EQ(Names()->GetItemCount(), 0);
    EXPECT_FALSE(window->FindControl("macro_action_layout")->IsVisible());
    EXPECT_EQ(editor->DeleteMacro().result, profile::MacroResult::Unchanged);
}

TEST_F(MacroControlTest, RenameTakesTheEditAndClearsItOnlyWhenDone) {
    ASSERT_TRUE(editor->AddMacro().Ok());
    ASSERT_TRUE(editor->AddMacro().Ok());
    Edit("macro_edit_macroname")->SetText("MACRO_1");
    EXPECT_EQ(editor->RenameMacro().messageKey, "message_text_5");
    EXPECT_EQ(Edit("macro_edit_macroname")->GetText(), "MACRO_1");
    Edit("macro_edit_macroname")->SetText("Burst");
    ASSERT_TRUE(editor->RenameMacro().Ok());
    EXPECT_EQ(Names()->GetItem(1)->GetText(), "Burst");
    EXPECT_EQ(Names()->GetCurSel(), 1);
    EXPECT_EQ(Edit("macro_edit_macroname")->GetText(), "");
}

TEST_F(MacroControlTest, ImportSelectsTheNewMacroUnderAFreshName) {
    const std::string source = Root() + "fire.mac";
    WriteText(source, R"({"MacroName": "Fire", "Events": [{"Action": "down", "Type": 10,
        "Button": 4, "Delay": "9"}]})");
    const auto outcome = editor->ImportMacro(source);
    ASSERT_TRUE(outcome.Ok()) << outcome.detail;
    EXPECT_EQ(Names()->GetItem(0)->GetText(), "Macro_1");
    EXPECT_EQ(Names()->GetCurSel(), 0);
    EXPECT_EQ(editor->GetEventCount(), 1);
    const std::string exported = Root() + "again.mac";
    ASSERT_TRUE(editor->ExportMacro(exported).Ok());
    EXPECT_EQ(ReadText(exported), ReadText(source));
}

TEST_F(MacroControlTest, ReloadKeepsTheSelectedMacroAndItsUnsavedRows) {
    AddMacroWithKeys(1);
    AddMacroWithKeys(2);
    editor->DeleteAllEvents();  // unsaved
    // Another program adds a macro in front of nothing: the list only grows.
    profile::MacroStore other;
    other.SetFolder(folder);
    other.Load();
    ASSERT_TRUE(other.Add().Ok());
    editor->ReloadMacros();
    EXPECT_EQ(Names()->GetItemCount(), 3);
    EXPECT_EQ(Names()->GetCurSel(), 1);
    EXPECT_EQ(editor->GetEventCount(), 0);
    // The selected macro went away: nothing is selected and no rows remain.
    other.Load();
    ASSERT_TRUE(other.Remove(1).Ok());
    editor->ReloadMacros();
    EXPECT_EQ(Names()->GetCurSel(), -1);
    EXPECT_FALSE(window->FindControl("macro_action_layout")->IsVisible());
}

TEST(MacroEventNames, KeysAndModifiersAreNamedByTheKeyboardTable) {
    const auto key = [](uint8_t type, uint8_t button) {
        return macro::NameOfEvent(macro::MakeEvent(true, type, button, 0)).key;
    };
    EXPECT_EQ(key(10, 0x04), "keyboard_key_A");
    EXPECT_EQ(key(10, 0x28), "keyboard_key_Enter");
    EXPECT_EQ(key(10, 0x58), "keyboard_key_Num Enter");
    EXPECT_EQ(key(9, 0x01), "keyboard_key_LCtrl");
    EXPECT_EQ(key(9, 0x10), "keyboard_key_RCtrl");
    EXPECT_EQ(key(9, 0x80), "keyboard_key_RWin");
    // A modifier that is no single bit, and a usage no key has, show their numbers.
    EXPECT_EQ(key(9, 0x03), "");
    EXPECT_EQ(macro::NameOfEvent(macro::MakeEvent(true, 10, 0xF0, 0)).plain, "10:0xF0");
    EXPECT_EQ(key(10, 0x00), "");
    EXPECT_EQ(key(1, 0x08), "mouse_key_back");
}

TEST(ComboEditElement, BuildsItsThreeChildrenWithOrWithoutTheSkin) {
    CComboEditContainerElementUI element;
    element.BuildContent(nullptr);
    ASSERT_NE(element.ActionLabel(), nullptr);
    ASSERT_NE(element.NameLabel(), nullptr);
    ASSERT_NE(element.DelayEdit(), nullptr);
    EXPECT_EQ(element.DelayEdit()->GetName(), "delay_edit");
    const ui::Label* first = element.ActionLabel();
    element.BuildContent(nullptr);  // once only
    EXPECT_EQ(element.ActionLabel(), first);
    EXPECT_TRUE(element.SetAttribute("normalimage", "file='x.png'"));
    EXPECT_TRUE(element.GetImage(ui::ImageState::Normal).empty());
}

TEST(ComboEditElement, EnterActivatesAndReturnsAndPointerInputCanGoToTheList) {
    ui::HeadlessHost host;
    ui::Window window(host.Context(), "w");
    auto list = std::make_unique<ui::List>();
    list->SetName("rows");
    auto* rows = list.get();
    window.Attach(std::move(list));
    auto* element = rows->Add(std::make_unique<CComboEditContainerElementUI>());
    element->SetName("macro_action");
    std::vector<std::string> seen;
    window.AddNotifyHandler([&](const ui::Notification& n) {
        if (n.SenderName() == "macro_action") {
            seen.push_back(n.type);
        }
    });
    ui::InputEvent enter;
    enter.type = ui::InputEvent::Type::KeyDown;
    enter.key = CComboEditContainerElementUI::kReturnKey;
    EXPECT_TRUE(element->HandleInput(enter));
    host.RunPending();
    EXPECT_EQ(seen, (std::vector<std::string>{"itemactivate", "return"}));
    EXPECT_EQ(rows->GetCurSel(), 0);

    ui::InputEvent hover;
    hover.type = ui::InputEvent::Type::Enter;
    element->HandleInput(hover);
    EXPECT_TRUE(element->IsHot());
    ASSERT_TRUE(element->SetAttribute("mouse", "false"));
    hover.type = ui::InputEvent::Type::Leave;
    element->HandleInput(hover);
    EXPECT_TRUE(element->IsHot());  // the list had it, not the element

    element->SetEnabled(false);
    seen.clear();
    EXPECT_FALSE(element->HandleInput(enter));
    host.RunPending();
    EXPECT_TRUE(seen.empty());
}

}  // namespace
