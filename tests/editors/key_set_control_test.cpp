// The key assignment editor on the shipped layout: records shown on their
// page and built back from what the user chose.
#include "editors/key_set_control.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "platform/ui/button.h"
#include "platform/ui/edit.h"
#include "platform/ui/headless_host.h"
#include "platform/ui/list.h"
#include "platform/ui/window.h"

namespace {

KeyAssignment Record(uint8_t kind, uint8_t p1, uint8_t p2, uint16_t index = 3) {
    return {index, kind, p1, p2, 0};
}

class KeySetControlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* data = std::getenv("VELDMARK_DATA_DIR");
        ASSERT_NE(data, nullptr);
        host = std::make_unique<ui::HeadlessHost>(ui::HeadlessHost::ClockMode::Virtual,
                                                  std::string(data) + "/skin");
        host->Factory().Register<CKeySetControlUI>("KeySetControl");
        window = std::make_unique<ui::Window>(host->Context(), "main");
        ui::LayoutLoader loader = host->Context().MakeLoader();
        ui::LayoutResult built = loader.LoadFile("XML/CustomControlXML/KeySetControl.xml");
        ASSERT_TRUE(built.ok()) << built.error;
        editor = dynamic_cast<CKeySetControlUI*>(built.root.get());
        ASSERT_NE(editor, nullptr);
        window->Attach(std::move(built.root));
        window->AddNotifyHandler([this](const ui::Notification&) { ++notifications; });
        editor->SetDeviceKind(2);
        editor->SetMacroNames({"Macro_1", "Macro_2", "Macro_3"});
    }
    void TearDown() override {
        window.reset();
        host.reset();
    }

    ui::Combo* Combo(const char* name) { return window->FindControl<ui::Combo>(name); }
    ui::Edit* Edit(const char* name) { return window->FindControl<ui::Edit>(name); }
    bool EditorShown() { return window->FindControl("keyset_layout")->IsVisible(); }
    // What a person does: picks an item of a list.
    void Choose(const char* list, int item) { Combo(list)->SelectItem(item); }
    void ChoosePage(int page) {
        Choose("keyset_function_combo", page);
        editor->OnFunctionSelected();
    }
    void Type(const char* edit, const char* text) { Edit(edit)->SetText(text); }
    void Edit(uint8_t kind, uint8_t p1, uint8_t p2) {
        editor->SetKeyEntry({Record(kind, p1, p2), Record(0x10, 0x01, 0x00)});
    }

    std::unique_ptr<ui::HeadlessHost> host;
    std::unique_ptr<ui::Window> window;
    CKeySetControlUI* editor = nullptr;
    int notifications = 0;
};

TEST_F(KeySetControlTest, ARecordEqualToTheDefaultShowsTheKeysOwnFunction) {
    editor->SetKeyEntry({Record(0x20, 0x00, 0x04), Record(0x20, 0x00, 0x04)});
    EXPECT_EQ(editor->SelectedPage(), 0);
    EXPECT_TRUE(EditorShown());
    // Page 0 builds the default record, whatever the pending one was.
    editor->SetPending(Record(0x14, 9, 9));
    EXPECT_EQ(editor->BuildRecord(), Record(0x20, 0x00, 0x04));
}

TEST_F(KeySetControlTest, ShowingARecordRaisesNoNotification) {
    Edit(0x70, 1, 2);
    editor->ShowDefault();
    editor->ShowPending();
    EXPECT_EQ(notifications, 0);
    EXPECT_EQ(Combo("keyset_macro_combo")->GetCurSel(), 1);
}

TEST_F(KeySetControlTest, WheelAndSwingPackCountDirectionAndTiming) {
    Edit(0x12, 0x00, 0x00);
    ChoosePage(3);
    Choose("keyset_mousewheel_combo", 1);  // down
    Type("keyset_mousewheel_num_edit", "3");
    Type("keyset_mousewheel_delay_edit", "0");
    Type("keyset_mousewheel_speed_edit", "0");
    const KeyAssignment down = editor->BuildRecord();
    EXPECT_EQ(down, Record(0x12, 0x00, 0xFD));
    editor->ShowRecord(down);
    EXPECT_EQ(Edit("keyset_mousewheel_num_edit")->GetText(), "3");
    EXPECT_EQ(Combo("keyset_mousewheel_combo")->GetCurSel(), 1);
    Choose("keyset_mousewheel_combo", 0);  // up
    EXPECT_EQ(editor->BuildRecord(), Record(0x12, 0x00, 0x03));

    ChoosePage(2);
    Choose("keyset_mouseswing_combo", 1);  // right
    Type("keyset_mouseswing_num_edit", "5");
    Type("keyset_mouseswing_delay_edit", "2");
    Type("keyset_mouseswing_speed_edit", "7");
    EXPECT_EQ(editor->BuildRecord(), Record(0x11, 0x27, 0x85));
    // Values wider than their field are cut to it; text that is no number reads 0.
    Type("keyset_mouseswing_num_edit", "300");
    Type("keyset_mouseswing_delay_edit", "17");
    Type("keyset_mouseswing_speed_edit", "fast");
    EXPECT_EQ(editor->BuildRecord(), Record(0x11, 0x10, 0x80 | (300 & 0x7F)));
}

TEST_F(KeySetControlTest, KeyboardPageTakesTheModifierAndTheCapturedKey) {
    Edit(0x10, 0x04, 0x00);
    ChoosePage(6);
    EXPECT_EQ(editor->GetModifier(), -1);
    EXPECT_EQ(Edit("keyset_keyboard_text_edit")->GetText(), "");
    editor->SetModifier(2);
    ASSERT_TRUE(editor->CaptureKey(0x1E, false));  // A
    EXPECT_EQ(editor->GetPending(), Record(0x20, 0x02, 0x04));
    EXPECT_EQ(Edit("keyset_keyboard_text_edit")->GetTextValue().text, "keyboard_key_A");
    // Right Ctrl selects the Ctrl option and keeps the key.
    ASSERT_TRUE(editor->CaptureKey(0x1D, true));
    EXPECT_EQ(editor->GetModifier(), 1);
    EXPECT_EQ(editor->GetPending(), Record(0x20, 0x01, 0x04));
    // A key the capture table does not know changes nothing.
    EXPECT_FALSE(editor->CaptureKey(0x7F, true));
    EXPECT_EQ(editor->GetPending(), Record(0x20, 0x01, 0x04));
}

TEST_F(KeySetControlTest, RightHandModifiersShowAndRebuildAsTheLeftOnes) {
    Edit(0x20, 0x10, 0x04);
    EXPECT_EQ(editor->SelectedPage(), 6);
    EXPECT_EQ(editor->GetModifier(), 1);
    EXPECT_EQ(Edit("keyset_keyboard_text_edit")->GetTextValue().text, "keyboard_key_A");
    EXPECT_EQ(editor->BuildRecord(), Record(0x20, 0x01, 0x04));
}

TEST_F(KeySetControlTest, AModifierOnItsOwnSurvivesAnUnchangedSave) {
    Edit(0x20, 0x04, 0x00);  // left Alt alone
    EXPECT_EQ(editor->GetModifier(), 3);
    EXPECT_EQ(editor->BuildRecord(), Record(0x20, 0x04, 0x00));
    // A key alone shows no modifier and keeps its key.
    Edit(0x20, 0x00, 0x06);
    EXPECT_EQ(editor->GetModifier(), 0);
    EXPECT_EQ(editor->BuildRecord(), Record(0x20, 0x00, 0x06));
    // An unknown key clears the pending key.
    Edit(0x20, 0x00, 0x99);
    EXPECT_EQ(editor->GetModifier(), -1);
    EXPECT_EQ(editor->GetPending(), Record(0x20, 0x00, 0x00));
}

TEST_F(KeySetControlTest, MacroRunModesAndRepeatCount) {
    Edit(0x70, 0x01, 0x00);
    Choose("keyset_macro_over_combo", 4);
    editor->OnMacroModeSelected();
    EXPECT_TRUE(window->FindControl("keyset_macro_cycle_layout")->IsVisible());
    Type("keyset_macro_cycle_edit", "10");
    EXPECT_EQ(editor->BuildRecord(), Record(0x71, 0x01, 10));
    Choose("keyset_macro_over_combo", 2);
    editor->OnMacroModeSelected();
    EXPECT_FALSE(window->FindControl("keyset_macro_cycle_layout")->IsVisible());
    EXPECT_EQ(editor->BuildRecord(), Record(0x70, 0x01, 2));
    // A repeat record shows its count; a macro beyond the list clears both lists.
    Edit(0x71, 0x02, 7);
    EXPECT_EQ(Combo("keyset_macro_over_combo")->GetCurSel(), 4);
    EXPECT_EQ(Edit("keyset_macro_cycle_edit")->GetText(), "7");
    Edit(0x70, 0x03, 0);
    EXPECT_EQ(Combo("keyset_macro_combo")->GetCurSel(), -1);
    EXPECT_EQ(Combo("keyset_macro_over_combo")->GetCurSel(), -1);
    EXPECT_EQ(editor->BuildRecord(), Record(0x70, 0x03, 0));
}

TEST_F(KeySetControlTest, TablePagesWithoutASelectionKeepThePendingRecord) {
    Edit(0x10, 0x20, 0x00);  // a button no row names
    EXPECT_EQ(editor->SelectedPage(), 1);
    EXPECT_EQ(Combo("keyset_mousekey_combo")->GetCurSel(), -1);
    EXPECT_EQ(editor->BuildRecord(), Record(0x10, 0x20, 0x00));
    for (int page : {4, 7, 8, 10, 11}) {
        ChoosePage(page);
        EXPECT_EQ(editor->BuildRecord(), Record(0x10, 0x20, 0x00)) << page;
    }
    ChoosePage(7);
    Choose("keyset_media_combo", 14);
    EXPECT_EQ(editor->BuildRecord(), Record(0x30, 0x21, 0x02));
    ChoosePage(11);
    Choose("keyset_combokey_combo", 4);
    EXPECT_EQ(editor->BuildRecord(), Record(0x20, 0x01, 0x06));
}

TEST_F(KeySetControlTest, KeyboardsAreNotOfferedSensitivityOrGunPages) {
    editor->SetDeviceKind(1);
    Edit(0x13, 0x01, 0x00);
    EXPECT_FALSE(EditorShown());
    Edit(0x72, 0x01, 0x00);
    EXPECT_FALSE(EditorShown());
    Edit(0x30, 0xCD, 0x00);
    EXPECT_TRUE(EditorShown());
    EXPECT_EQ(Combo("keyset_media_combo")->GetCurSel(), 1);
    // A device-only kind has no page on any device.
    editor->SetDeviceKind(2);
    Edit(0xA0, 0x1B, 0x00);
    EXPECT_FALSE(EditorShown());
    Edit(0x72, 0x02, 0x00);
    EXPECT_TRUE(EditorShown());
    EXPECT_EQ(Combo("keyset_gunkey_combo")->GetCurSel(), 2);
}

TEST_F(KeySetControlTest, MacroNamesReplaceTheListInsteadOfGrowingIt) {
    editor->SetMacroNames({"A", "B"});
    editor->SetMacroNames({"A", "B"});
    ASSERT_EQ(Combo("keyset_macro_combo")->GetItemCount(), 2);
    EXPECT_EQ(Combo("keyset_macro_combo")->GetItem(1)->GetText(), "B");
    EXPECT_EQ(Combo("keyset_macro_combo")->GetItem(1)->GetFixedHeight(), 30);
}

}  // namespace
