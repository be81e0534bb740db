// The mouse page's key display: texts on the key buttons and in the key
// list, in the window's language, and the logo's lighting summary.
#include <gtest/gtest.h>

#include "platform/ui/list.h"
#include "profile/macro_store.h"
#include "tests/mouse/mouse_page_fixture.h"

namespace {

class MouseKeyDisplayTest : public MousePageTest {
  protected:
    ui::ListBase* KeyList() { return window->FindControl<ui::ListBase>("device_setkeyinfo_list"); }
    std::string RowText(int row, size_t label) {
        return KeyList()->GetItem(row)->GetItemAt(label)->GetText();
    }
    TestKeyButton* Button(int i) { return dynamic_cast<TestKeyButton*>(page->KeyButton(i)); }
    void UseLanguage(const char* file) {
        ASSERT_TRUE(
            host->Language().LoadFile(std::string(getenv("VELDMARK_DATA_DIR")) + "/skin/" + file));
    }
    void AddMacros(int count) {
        profile::MacroStore store;
        store.SetFolder(page->ProfileFolder());
        ASSERT_TRUE(store.Load().Ok());
        for (int i = 0; i < count; ++i) {
            ASSERT_TRUE(store.Add().Ok());
        }
        page->RefreshEditorLists();
    }
};

TEST_F(MouseKeyDisplayTest, KeysWithAButtonOnThePictureFillTheirRows) {
    page->RefreshKeyDisplay();
    // Ten keys, seven key buttons, of which the picture has six.
    ASSERT_EQ(KeyList()->GetItemCount(), 6);
    EXPECT_EQ(RowText(0, 0), "Left click");
    EXPECT_EQ(RowText(0, 1), "Left click");
    EXPECT_EQ(RowText(5, 0), "DPI +");
    EXPECT_TRUE(KeyList()->GetItem(5)->IsVisible());
    EXPECT_EQ(KeyList()->GetItem(5)->GetFixedHeight(), 25);
    EXPECT_EQ(Button(3)->keyName, "Forward");
    EXPECT_EQ(Button(3)->keyText, "Forward");
}

TEST_F(MouseKeyDisplayTest, CtrlWithCReadsTheSameInEnglishAndChinese) {
    Assign(3, 0x20, 0x01, 0x06);
    page->RefreshKeyDisplay();
    EXPECT_EQ(RowText(3, 1), "Ctrl+C");
    UseLanguage("lan_cn.xml");
    page->RefreshKeyDisplay();
    EXPECT_EQ(RowText(3, 0), "前进键");
    EXPECT_EQ(RowText(3, 1), "Ctrl+C");
    Assign(3, 0x20, 0x00, 0x00);
    page->RefreshKeyDisplay();
    EXPECT_EQ(RowText(3, 1), "关闭");
}

TEST_F(MouseKeyDisplayTest, AKeyWithoutATextKeepsWhatItShowedAndItsRowStaysHidden) {
    AddMacros(2);
    Assign(2, 0x70, 0x01, 0x00);
    page->RefreshKeyDisplay();
    EXPECT_EQ(RowText(2, 1), "Macro_2");
    EXPECT_EQ(Button(2)->keyText, "Macro_2");
    Assign(2, 0x70, 0x02, 0x00);  // only two macros
    page->RefreshKeyDisplay();
    EXPECT_FALSE(KeyList()->GetItem(2)->IsVisible());
    EXPECT_EQ(RowText(2, 1), "");
    EXPECT_EQ(Button(2)->keyText, "Macro_2");
    EXPECT_TRUE(KeyList()->GetItem(3)->IsVisible());
}

TEST_F(MouseKeyDisplayTest, LogoSummarisesTheLightingModeOrTheCustomEffect) {
    auto* logo = dynamic_cast<TestKeyButton*>(window->FindControl("logo"));
    ASSERT_NE(logo, nullptr);
    LightInfoRecord light = page->GetLightInfo();
    light.mode = 2;
    page->SetLightInfo(light);
    page->RefreshPage();
    EXPECT_EQ(logo->keyName, "Logo");
    EXPECT_EQ(logo->keyText, "Lighting: \nWhole device: Breath");

    Json::Value store;
    store["LightInfo"][1][0]["LightName"] = "Sunrise";
    store["LightInfo"][1][0]["Guid"] = "a1";
    store["LightInfo"][1][1]["LightName"] = "Ember";
    store["LightInfo"][1][1]["Guid"] = "b2";
    WriteJson(page->ProfileFolder() + "orvix_light.config", store);
    light.mode = 10;
    page->SetLightInfo(light);
    page->RefreshPage();
    EXPECT_EQ(logo->keyText, "Lighting: \nWhole device: Ember");
    light.mode = 11;  // beyond the effects: nothing is appended
    page->SetLightInfo(light);
    page->RefreshPage();
    EXPECT_EQ(logo->keyText, "Lighting: \nWhole device: ");
    // A lighting edit applies the lighting without refreshing the page: the
    // logo follows all the same.
    light.mode = 3;
    page->SetLightInfo(light);
    page->ApplyLighting();
    EXPECT_EQ(logo->keyText, "Lighting: \nWhole device: Static");
}

TEST_F(MouseKeyDisplayTest, ChoosingAKeyShowsItsEntryInTheEditor) {
    Assign(4, 0x30, 0xE9, 0x00);
    page->SelectKey(2);
    page->SelectKey(4);
    EXPECT_EQ(page->GetSelectedKey(), 4);
    EXPECT_EQ(KeyEditor()->SelectedPage(), 7);
    // Only the key being edited is framed on the picture, and only while
    // the key settings are open.
    EXPECT_TRUE(Button(4)->selected);
    EXPECT_FALSE(Button(2)->selected);
    page->SetFunctionMode(1);
    EXPECT_FALSE(Button(4)->selected);
    page->SetFunctionMode(2);
    page->SelectKey(4);
    EXPECT_EQ(window->FindControl<ui::Combo>("keyset_media_combo")->GetCurSel(), 6);
    EXPECT_EQ(KeyEditor()->GetDefault(), (KeyAssignment{4, 0x10, 0x08, 0x00, 0}));
    // Past the key list: selected, but the editor keeps what it had.
    page->SelectKey(12);
    EXPECT_EQ(page->GetSelectedKey(), 12);
    EXPECT_EQ(KeyEditor()->SelectedPage(), 7);
}

}  // namespace
