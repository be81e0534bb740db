// The skin chooser: tiles broadcast the new background, the choice is stored
// in main.ini and read back at the next start.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/ui/button.h"
#include "platform/ui/container.h"
#include "platform/ui/headless_host.h"
#include "shell/skin_chooser.h"
#include "tests/shell/skin_test_support.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class SkinChooserTest : public ::testing::Test {
  protected:
    void SetUp() override {
        RegisterShellControls(host.Factory());
        folder =
            fs::temp_directory_path() /
            ("veldmark-skin-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        ini = (folder / "main.ini").string();
        receiver = shell::SkinSubject::Instance().AddReceiver(
            [this](const shell::SkinChangedParam& p) { received.push_back(p); });
        anchor.SetHostRect({1200, 8, 1240, 40});
    }
    void TearDown() override {
        shell::SkinSubject::Instance().RemoveReceiver(receiver);
        fs::remove_all(folder);
    }
    std::unique_ptr<shell::CSkinFrame> Open() {
        auto frame = std::make_unique<shell::CSkinFrame>(host.Context(), ini);
        std::string error;
        EXPECT_TRUE(frame->Open(anchor, {100, 50}, &error)) << error;
        return frame;
    }

    ui::HeadlessHost host{ui::HeadlessHost::ClockMode::Virtual, skintest::SkinFolder()};
    fs::path folder;
    std::string ini;
    int receiver = 0;
    std::vector<shell::SkinChangedParam> received;
    ui::Button anchor;
};

TEST_F(SkinChooserTest, OpensUnderTheAnchorWithItsRightEdgesAligned) {
    auto frame = Open();
    const ui::Size size = frame->GetSize();
    ASSERT_GT(size.width, 0);
    const ui::Rect placed = frame->PlaceUnder(anchor.GetHostRect(), {100, 50});
    EXPECT_EQ(placed, (ui::Rect{1340 - size.width, 90, 1340, 90 + size.height}));
    EXPECT_EQ(host.Host().CountCalls("move UISkinFrame"), 1u);
    EXPECT_TRUE(frame->IsVisible());
    frame->Deactivated();
    EXPECT_TRUE(frame->IsClosed());
    EXPECT_TRUE(received.empty());  // closed without a choice: nothing changes
    EXPECT_FALSE(fs::exists(ini));
}

TEST_F(SkinChooserTest, ResetBroadcastsTheDefaultBackgroundAndStoresFlagsZero) {
    auto frame = Open();
    frame->FindControl<ui::Button>("skin_reset")->UserClick();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_FALSE(received[0].isColour);
    EXPECT_EQ(received[0].image, "common/background.png");
    const std::string text = ReadFile(ini);
    EXPECT_NE(text.find("[SKINIMAGE]\nFLAGS=0\nIMAGE=common/background.png\n"), std::string::npos)
        << text;
}

TEST_F(SkinChooserTest, ImageAndColourTilesAreBroadcastAndSurviveARestart) {
    auto frame = Open();
    auto tiles = frame->FindControls("skin_image_btn");
    ASSERT_GE(tiles.size(), 2u);
    static_cast<ui::Button*>(tiles[1])->UserClick();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].image, tiles[1]->GetImage(ui::ImageState::Background));
    EXPECT_EQ(shell::ReadSkinChoice(ini).Param().image, received[0].image);

    auto colours = frame->FindControls("skin_color_btn");
    ASSERT_FALSE(colours.empty());
    static_cast<ui::Button*>(colours[0])->UserClick();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_TRUE(received[1].isColour);
    EXPECT_EQ(received[1].colour, colours[0]->GetColor(ui::ColorRole::Background)->argb);

    // The next start brings the colour back instead of the older image.
    received.clear();
    const shell::SkinChoice restored = shell::ApplyStoredSkin(ini);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_TRUE(received[0].isColour);
    EXPECT_EQ(received[0].colour, colours[0]->GetColor(ui::ColorRole::Background)->argb);
    EXPECT_EQ(restored.theme, "graphite");
}

TEST_F(SkinChooserTest, CancelledCustomDialogChangesNothingAndAChosenFileIsUsed) {
    auto frame = Open();
    host.Host().ScriptFileChoice(std::nullopt);
    frame->FindControl<ui::Button>("skin_Custom")->UserClick();
    EXPECT_TRUE(received.empty());
    EXPECT_FALSE(fs::exists(ini));

    host.Host().ScriptFileChoice("/home/user/pictures/sky.png");
    frame->FindControl<ui::Button>("skin_Custom")->UserClick();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].image, "/home/user/pictures/sky.png");
    EXPECT_EQ(shell::ReadSkinChoice(ini).image, "/home/user/pictures/sky.png");
}

TEST_F(SkinChooserTest, TabButtonsSwitchPagesAndThemeTilesStoreTheTheme) {
    auto frame = Open();
    auto* tab = frame->FindControl<ui::TabLayout>("skin_tab");
    ASSERT_NE(tab, nullptr);
    frame->FindControl<ui::Option>("skin_color")->UserClick();
    EXPECT_EQ(tab->GetCurSel(), 1);
    frame->FindControl<ui::Option>("skin_image")->UserClick();
    EXPECT_EQ(tab->GetCurSel(), 0);
    EXPECT_TRUE(received.empty());

    for (ui::Control* c : frame->FindControls("skin_theme_btn")) {
        if (c->GetUserData() == "midnight") {
            static_cast<ui::Button*>(c)->UserClick();
        }
    }
    const shell::SkinChoice choice = shell::ReadSkinChoice(ini);
    EXPECT_EQ(choice.theme, "midnight");
    EXPECT_EQ(shell::ThemeStyleSheet(choice), "themes/midnight/style.qss");
    EXPECT_TRUE(fs::exists(skintest::SkinFolder() / shell::ThemeStyleSheet(choice)));
}

TEST_F(SkinChooserTest, StoredFileIsReadSafelyAndOtherSettingsAreKept) {
    {
        std::ofstream out(ini);
        out << "[OTHER]\nKEY=kept\n[skinimage]\nflags=7\nIMAGE=\n[SKIN]\nTHEME=../../etc\n";
    }
    shell::SkinChoice choice = shell::ReadSkinChoice(ini);
    EXPECT_EQ(choice.flags, 0);  // an unknown flag falls back to the default background
    EXPECT_EQ(choice.Param().image, "common/background.png");
    EXPECT_EQ(choice.theme, "graphite");  // a theme may only name a folder of its own
    choice.flags = 2;                     // a colour without a stored colour reads as default
    ASSERT_TRUE(shell::WriteSkinChoice(ini, shell::SkinChoice{}));
    EXPECT_NE(ReadFile(ini).find("[OTHER]\nKEY=kept\n"), std::string::npos);
    EXPECT_EQ(shell::ReadSkinChoice((folder / "missing.ini").string()).flags, 0);
    // A folder that cannot hold the file: the write fails and says so.
    EXPECT_FALSE(shell::WriteSkinChoice((folder / "no" / "such" / "main.ini").string(), choice));
}

}  // namespace
