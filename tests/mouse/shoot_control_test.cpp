// The recoil pattern editor on its shipped layout, headless, with the
// working files in a private folder and the shipped default patterns.
#include "mouse/shoot_control_ui.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "mouse/decimal_text.h"
#include "platform/ui/button.h"
#include "platform/ui/edit.h"
#include "platform/ui/headless_host.h"
#include "platform/ui/window.h"
#include "tests/profile/profile_test_support.h"

namespace {

class ShootControlTest : public TempHomeTest {
  protected:
    void SetUp() override {
        TempHomeTest::SetUp();
        const char* env = getenv("VELDMARK_DATA_DIR");
        const std::string data = env != nullptr ? env : VELDMARK_TEST_DATA_DIR;
        host = std::make_unique<ui::HeadlessHost>(ui::HeadlessHost::ClockMode::Virtual,
                                                  data + "/skin");
        host->Factory().Register<CShootControlUI>("ShootControl");
        window = std::make_unique<ui::Window>(host->Context(), "main");
        ui::LayoutResult layout = host->Context().MakeLoader().LoadFile(CShootControlUI::kLayout);
        ASSERT_TRUE(layout.ok()) << layout.error;
        editor = dynamic_cast<CShootControlUI*>(layout.root.get());
        ASSERT_NE(editor, nullptr);
        window->Attach(std::move(layout.root));
        folder = Root() + "mouse";
        std::filesystem::create_directories(folder);
        editor->SetWorkingFolder(folder);
        editor->SetDefaultFolder(data + "/DefaultData");
        editor->SetMessageSink([this](const std::string& text) { messages.push_back(text); });
        editor->FindControls();
        editor->SelectGun(0);
        editor->SelectBullet(0);
    }
    void TearDown() override {
        window.reset();
        host.reset();
        TempHomeTest::TearDown();
    }

    ui::Edit* Edit(const char* name) { return window->FindControl<ui::Edit>(name); }
    ui::Option* Check(const char* name) { return window->FindControl<ui::Option>(name); }
    void Type(int x, bool left, int y, bool up, int delay) {
        Check("bullet_x_check")->SetSelected(left, ui::Notify::No);
        Check("bullet_y_check")->SetSelected(up, ui::Notify::No);
        Edit("bullet_x_eidt")->SetText(std::to_string(x));
        Edit("bullet_y_eidt")->SetText(std::to_string(y));
        Edit("bullet_delay_eidt")->SetText(std::to_string(delay));
    }
    Json::Value Events(int gun) { return ReadJson(editor->WorkingPath(gun))["Events"]; }
    static Json::Value Event(const char* action, int button, int delay, int type) {
        Json::Value e;
        e["Action"] = action;
        e["Button"] = button;
        e["Delay"] = delay;
        e["Type"] = type;
        return e;
    }

    std::unique_ptr<ui::HeadlessHost> host;
    std::unique_ptr<ui::Window> window;
    CShootControlUI* editor = nullptr;
    std::string folder;
    std::vector<std::string> messages;
};

TEST_F(ShootControlTest, SavingBulletTwoOfAnEmptyPatternWritesOnlyItsFourEvents) {
    editor->SelectBullet(2);
    Type(7, true, 12, false, 90);
    ASSERT_TRUE(editor->SaveBullet());
    const Json::Value events = Events(0);
    ASSERT_EQ(events.size(), 12u);
    for (Json::ArrayIndex i = 0; i < 8; ++i) {
        EXPECT_TRUE(events[i].isNull()) << i;
    }
    EXPECT_EQ(events[8], Event("down", 1, 10, 1));
    EXPECT_EQ(events[9], Event("up", 1, 0, 1));
    EXPECT_EQ(events[10], Event("down", 7, 5, 4));  // left
    EXPECT_EQ(events[11], Event("up", 12, 90, 5));  // downwards, with the bullet's delay
}

TEST_F(ShootControlTest, SavedBulletsReadBackAndOthersKeepTheirEvents) {
    editor->SelectBullet(29);
    Type(3, false, 40, true, 120);
    ASSERT_TRUE(editor->SaveBullet());
    editor->SelectBullet(0);
    Type(1, true, 2, true, 3);
    ASSERT_TRUE(editor->SaveBullet());
    EXPECT_EQ(Events(0).size(), 120u);

    Type(0, false, 0, false, 0);
    editor->SelectBullet(29);
    EXPECT_EQ(Edit("bullet_x_eidt")->GetText(), "3");
    EXPECT_EQ(Edit("bullet_y_eidt")->GetText(), "40");
    EXPECT_EQ(Edit("bullet_delay_eidt")->GetText(), "120");
    EXPECT_FALSE(Check("bullet_x_check")->IsSelected());
    EXPECT_TRUE(Check("bullet_y_check")->IsSelected());
    EXPECT_EQ(Check("bullet_x_check")->GetTextValue().text, "mouse_move_to_right_text");
    EXPECT_EQ(Check("bullet_y_check")->GetTextValue().text, "mouse_move_to_up_text");

    // A bullet never saved shows zeros and no direction.
    editor->SelectBullet(14);
    EXPECT_EQ(Edit("bullet_x_eidt")->GetText(), "0");
    EXPECT_EQ(Edit("bullet_delay_eidt")->GetText(), "0");
    EXPECT_FALSE(Check("bullet_x_check")->IsSelected());
}

TEST_F(ShootControlTest, DirectionsAreReadWithoutRegardToCase) {
    Json::Value doc;
    doc["Events"][2] = Event("DOWN", 4, 5, 4);
    doc["Events"][3] = Event("Down", 6, 8, 5);
    WriteJson(editor->WorkingPath(0), doc);
    editor->LoadBullet();
    EXPECT_TRUE(Check("bullet_x_check")->IsSelected());
    EXPECT_TRUE(Check("bullet_y_check")->IsSelected());
    EXPECT_EQ(Check("bullet_x_check")->GetTextValue().text, "mouse_move_to_left_text");
}

TEST_F(ShootControlTest, SelectionsStayWithinTheGunsAndBullets) {
    editor->SelectBullet(30);
    EXPECT_EQ(editor->GetBullet(), 29);
    EXPECT_EQ(window->FindControl("bullet_select_index")->GetText(), "30");
    EXPECT_TRUE(Check("bullet_op_29")->IsSelected());
    EXPECT_FALSE(Check("bullet_op_0")->IsSelected());
    editor->SelectBullet(editor->GetBullet() + 1);  // "next" on the last bullet
    EXPECT_EQ(editor->GetBullet(), 29);
    editor->SelectBullet(-1);
    EXPECT_EQ(editor->GetBullet(), 0);
    EXPECT_EQ(window->FindControl("bullet_select_index")->GetText(), "1");

    editor->SelectGun(5);
    EXPECT_EQ(editor->GetGun(), 3);
    EXPECT_TRUE(Check("shoot_gun_op_3")->IsSelected());
    EXPECT_FALSE(Check("shoot_gun_op_0")->IsSelected());
    EXPECT_EQ(window->FindControl<ui::TabLayout>("shoot_image_display_switch")->GetCurSel(), 3);
}

TEST_F(ShootControlTest, TogglingADirectionChangesItsTextAndNotTheFile) {
    Type(5, false, 5, false, 5);
    ASSERT_TRUE(editor->SaveBullet());
    const std::string before = ReadText(editor->WorkingPath(0));
    Check("bullet_x_check")->SetSelected(true, ui::Notify::No);
    editor->ShowXDirection();
    EXPECT_EQ(Check("bullet_x_check")->GetTextValue().text, "mouse_move_to_left_text");
    EXPECT_EQ(ReadText(editor->WorkingPath(0)), before);
    ASSERT_TRUE(editor->SaveBullet());
    EXPECT_EQ(Events(0)[2]["Action"].asString(), "down");
}

TEST_F(ShootControlTest, FieldTextIsReadAsLeadingDecimalDigits) {
    Edit("bullet_x_eidt")->SetText("12px");
    Edit("bullet_y_eidt")->SetText("abc");
    Edit("bullet_delay_eidt")->SetText("");
    ASSERT_TRUE(editor->SaveBullet());
    EXPECT_EQ(Events(0)[2]["Button"].asInt(), 12);
    EXPECT_EQ(Events(0)[3]["Button"].asInt(), 0);
    EXPECT_EQ(Events(0)[3]["Delay"].asInt(), 0);
    EXPECT_EQ(mouse::LeadingDecimal("99999999999"), INT32_MAX);  // saturates, never wraps
    EXPECT_EQ(mouse::LeadingDecimal(" -15x"), -15);
}

TEST_F(ShootControlTest, ResetRestoresOneGunFromItsDefaultAndLeavesTheOthers) {
    for (int gun : {1, 2}) {
        editor->SelectGun(gun);
        editor->SelectBullet(4);
        Type(50 + gun, true, 60, true, 70);
        ASSERT_TRUE(editor->SaveBullet());
    }
    const std::string gun2 = ReadText(editor->WorkingPath(2));
    editor->SelectGun(1);
    editor->SelectBullet(4);
    ASSERT_TRUE(editor->ResetPattern());
    EXPECT_EQ(ReadJson(editor->WorkingPath(1)), ReadJson(editor->DefaultPath(1)));
    EXPECT_EQ(Events(1).size(), 120u);
    EXPECT_EQ(ReadText(editor->WorkingPath(2)), gun2);
    EXPECT_FALSE(std::filesystem::exists(editor->WorkingPath(0)));
    EXPECT_FALSE(std::filesystem::exists(editor->WorkingPath(3)));
    // The fields show the restored bullet.
    EXPECT_EQ(Edit("bullet_x_eidt")->GetText(),
              std::to_string(ReadJson(editor->DefaultPath(1))["Events"][18]["Button"].asInt()));
}

TEST_F(ShootControlTest, ResetWithoutADefaultFileLeavesTheWorkingFile) {
    Type(9, true, 9, true, 9);
    ASSERT_TRUE(editor->SaveBullet());
    const std::string before = ReadText(editor->WorkingPath(0));
    editor->SetDefaultFolder(Root() + "nowhere");
    EXPECT_FALSE(editor->ResetPattern());
    EXPECT_EQ(ReadText(editor->WorkingPath(0)), before);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ShootControlTest, DamagedWorkingFileIsKeptAsBadBeforeASaveReplacesIt) {
    WriteText(editor->WorkingPath(0), "{\"Events\": [ {\"Action\": \"down\", ");
    editor->LoadBullet();  // reading leaves it alone
    EXPECT_EQ(ReadText(editor->WorkingPath(0)), "{\"Events\": [ {\"Action\": \"down\", ");
    editor->SelectBullet(1);
    Type(2, true, 3, true, 4);
    ASSERT_TRUE(editor->SaveBullet());
    EXPECT_EQ(ReadText(editor->WorkingPath(0) + ".bad"), "{\"Events\": [ {\"Action\": \"down\", ");
    EXPECT_EQ(Events(0).size(), 8u);
    EXPECT_EQ(Events(0)[6]["Button"].asInt(), 2);

    // A document of another shape counts as damaged too, never as a crash.
    WriteText(editor->WorkingPath(1), "[1, 2, 3]");
    editor->SelectGun(1);
    editor->LoadBullet();
    ASSERT_TRUE(editor->SaveBullet());
    EXPECT_EQ(ReadText(editor->WorkingPath(1) + ".bad"), "[1, 2, 3]");
}

TEST_F(ShootControlTest, UnreadableWorkingFileIsNeverWrittenOverAndTheUserIsTold) {
    // A folder in the file's place cannot be read, even by root.
    std::filesystem::create_directories(editor->WorkingPath(0));
    editor->LoadBullet();
    EXPECT_EQ(Edit("bullet_x_eidt")->GetText(), "0");
    Type(1, true, 1, true, 1);
    EXPECT_FALSE(editor->SaveBullet());
    EXPECT_FALSE(editor->ResetPattern());
    EXPECT_TRUE(std::filesystem::is_directory(editor->WorkingPath(0)));
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_NE(messages[0].find(editor->WorkingPath(0)), std::string::npos) << messages[0];
    EXPECT_FALSE(std::filesystem::exists(editor->WorkingPath(0) + ".bad"));
}

TEST_F(ShootControlTest, EditorWithoutItsControlsDoesNothingAndDoesNotCrash) {
    CShootControlUI bare;
    bare.SetWorkingFolder(folder);
    bare.FindControls();
    bare.SelectGun(2);
    bare.SelectBullet(3);
    EXPECT_EQ(bare.GetBullet(), 3);
    EXPECT_TRUE(bare.SaveBullet());  // fields read as 0
    EXPECT_EQ(ReadJson(bare.WorkingPath(2))["Events"][14]["Button"].asInt(), 0);
}

}  // namespace
