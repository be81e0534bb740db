// The profile list control: drop-down and name edit over the list file, tabs
// by device kind, renaming clashes, the buttons' triggers.
#include "profile/controls/device_profile_ui.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/ui/edit.h"
#include "platform/ui/list.h"
#include "profile/profile_paths.h"
#include "tests/device/usb_device_test_support.h"

namespace {

class DeviceProfileTest : public PageTest {
  protected:
    void SetUp() override {
        PageTest::SetUp();
        host->Factory().Register<CDeviceProfileUI>("DeviceProfile");
        ui::LayoutLoader loader = host->Context().MakeLoader();
        ui::LayoutResult built = loader.LoadFile("XML/CustomControlXML/DeviceProfile.xml");
        ASSERT_TRUE(built.ok()) << built.error;
        control = dynamic_cast<CDeviceProfileUI*>(built.root.get());
        ASSERT_NE(control, nullptr);
        window->Attach(std::move(built.root));
    }
    void Init(int kind, const std::string& folder = "MousePad") {
        control->SetPaths(profile::ProfileFolder(folder), profile::DefaultDocument(folder));
        control->SetDeviceKind(kind);
        control->InitProfiles();
    }
    bool Visible(const char* name) { return window->FindControl(name)->IsVisible(); }
    bool Click(const char* name) {
        return control->HandleTrigger({"click", window->FindControl(name)});
    }
    ui::Combo* Combo() { return window->FindControl<ui::Combo>("device_profile_combo"); }
    ui::Edit* NameEdit() { return window->FindControl<ui::Edit>("device_profile_name_edit"); }

    CDeviceProfileUI* control = nullptr;
};

TEST_F(DeviceProfileTest, TabsAreHiddenByDeviceKind) {
    const struct {
        int kind;
        std::vector<bool> visible;  // cursor, macro, system, key, deng, voice, magic
    } cases[] = {
        {1, {false, true, true, true, true, false, false}},
        {2, {true, true, true, true, true, false, false}},
        {3, {false, false, false, false, true, false, false}},
        {7, {false, false, false, false, true, true, true}},
    };
    for (const auto& c : cases) {
        for (int i = 1; i <= 7; ++i) {
            window->FindControl(profile::ProfileTabName(i))->SetVisible(i <= 5);
        }
        Init(c.kind, c.kind == 7 ? "HD" : c.kind == 1 ? "keyboard" : "MousePad");
        for (int i = 1; i <= 7; ++i) {
            EXPECT_EQ(Visible(profile::ProfileTabName(i).c_str()), c.visible[i - 1])
                << "kind " << c.kind << " tab " << profile::ProfileTabName(i);
        }
    }
}

TEST_F(DeviceProfileTest, SelectTabSelectsExactlyOneOrNone) {
    for (int n : {1, 5, 7, 0, 8}) {
        control->SelectTab(n);
        for (int i = 1; i <= 7; ++i) {
            auto* tab = window->FindControl<ui::Option>(profile::ProfileTabName(i));
            EXPECT_EQ(tab->IsSelected(), i == n) << n << " " << i;
        }
    }
}

TEST_F(DeviceProfileTest, FirstStartShowsTheOneProfileInDropDownAndEdit) {
    Init(3);
    ASSERT_EQ(Combo()->GetItemCount(), 1);
    EXPECT_EQ(Combo()->GetItem(0)->GetText(), "Profile 1");
    EXPECT_EQ(Combo()->GetItem(0)->GetFixedHeight(), 30);
    EXPECT_EQ(control->GetSelectedIndex(), 0);
    EXPECT_EQ(NameEdit()->GetText(), "Profile 1");
    EXPECT_FALSE(control->GetSelectedId().empty());
}

TEST_F(DeviceProfileTest, ButtonsAddCopyRenameAndDeleteThroughTheDropDown) {
    Init(3);
    EXPECT_TRUE(Click("device_add_btn"));
    EXPECT_EQ(Combo()->GetItemCount(), 2);
    EXPECT_EQ(control->GetSelectedIndex(), 1);
    EXPECT_EQ(NameEdit()->GetText(), "Profile 2");

    EXPECT_TRUE(Click("device_copy_btn"));
    ASSERT_EQ(Combo()->GetItemCount(), 3);
    EXPECT_EQ(Combo()->GetItem(2)->GetText(), "Profile 2 Copy");

    NameEdit()->SetText("PROFILE 1");
    EXPECT_TRUE(Click("device_profile_edit_save_btn"));
    EXPECT_EQ(host->Host().CountCalls("message"), 1u);  // the name is taken
    NameEdit()->SetText("Game");
    EXPECT_TRUE(Click("device_profile_edit_save_btn"));
    EXPECT_EQ(Combo()->GetItem(1)->GetText(), "Game");
    EXPECT_EQ(control->List().GetEntries()[1].name, "Game");

    EXPECT_TRUE(Click("device_sub_btn"));
    EXPECT_EQ(Combo()->GetItemCount(), 2);
    EXPECT_EQ(control->GetSelectedIndex(), 0);
    EXPECT_EQ(NameEdit()->GetText(), "Profile 1");
}

TEST_F(DeviceProfileTest, RenamingToTheSameNameInOtherCaseShowsTheClashMessage) {
    host->Language().Set("message_text_5", "That name is taken");
    Init(3);
    NameEdit()->SetText("profile 1");
    Click("device_profile_edit_save_btn");
    ASSERT_EQ(host->Host().CountCalls("message"), 1u);
    EXPECT_NE(host->Host().Calls().back().find("That name is taken"), std::string::npos);
    EXPECT_EQ(Combo()->GetItem(0)->GetText(), "Profile 1");
}

TEST_F(DeviceProfileTest, ImportAndExportGoThroughTheFileDialogs) {
    Init(3);
    const std::string exported = Root() + "out.json";
    host->Host().ScriptFileChoice(exported);
    EXPECT_TRUE(Click("device_export_btn"));
    EXPECT_EQ(host->Host().CountCalls("save"), 1u);
    EXPECT_EQ(ReadJson(exported)["profilename"].asString(), "Profile 1");

    host->Host().ScriptFileChoice(exported);
    EXPECT_TRUE(Click("device_import_btn"));
    ASSERT_EQ(Combo()->GetItemCount(), 2);
    EXPECT_EQ(Combo()->GetItem(1)->GetText(), "Profile 1(1)");

    host->Host().ScriptFileChoice(std::nullopt);  // cancelled
    EXPECT_TRUE(Click("device_import_btn"));
    EXPECT_EQ(Combo()->GetItemCount(), 2);
}

TEST_F(DeviceProfileTest, SpreadButtonTogglesTheMenuAndOtherSendersAreNotHandled) {
    Init(3);
    const bool before = Visible("profile_menu_layout");
    EXPECT_TRUE(Click("profile_fun_spread_btn"));
    EXPECT_NE(Visible("profile_menu_layout"), before);
    EXPECT_TRUE(Click("profile_fun_spread_btn"));
    EXPECT_EQ(Visible("profile_menu_layout"), before);
    EXPECT_FALSE(Click("cursor_Op_tab"));
}

// A list that cannot be read leaves the page running: it says why, writes
// nothing, and reads the list again when a profile button is used.
TEST_F(DeviceProfileTest, UnreadableListIsShownAndReportedButNeverReplaced) {
    const std::string folder = profile::ProfileFolder("MousePad");
    std::filesystem::create_directory(folder + "ProfileList.ini");
    std::vector<std::string> shown;
    control->SetMessageSink([&](const std::string& text) { shown.push_back(text); });
    Init(3);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "cannot read " + folder + "ProfileList.ini: Is a directory");
    EXPECT_TRUE(control->IsUnreadable());
    ASSERT_EQ(Combo()->GetItemCount(), 1);
    EXPECT_EQ(Combo()->GetItem(0)->GetText(), "Profiles could not be read");
    EXPECT_EQ(Combo()->GetTooltip(), shown[0]);
    EXPECT_NE(NameEdit()->GetText().find("could not be read"), std::string::npos);

    EXPECT_TRUE(Click("device_add_btn"));
    EXPECT_EQ(shown.size(), 2u);
    EXPECT_TRUE(std::filesystem::is_directory(folder + "ProfileList.ini"));
    size_t documents = 0;
    for (const auto& file : std::filesystem::directory_iterator(folder)) {
        documents += file.path().extension() == ".Json" ? 1 : 0;
    }
    EXPECT_EQ(documents, 0u);

    std::filesystem::remove(folder + "ProfileList.ini");
    EXPECT_TRUE(Click("device_add_btn"));
    EXPECT_FALSE(control->IsUnreadable());
    EXPECT_EQ(Combo()->GetItemCount(), 2) << "read again, then the click's own add";
    EXPECT_EQ(NameEdit()->GetText(), "Profile 2");
    EXPECT_TRUE(NameEdit()->IsEnabled());
}

}  // namespace
