// The skin wiring of the running program: the stored choice at start, the
// title bar's skin button, the chooser's tiles reaching the main window, and
// leaving the window alone once the wiring is gone.

#include <fstream>

#include "platform/ui/button.h"
#include "shell/skin_wiring.h"
#include "tests/shell_app/main_wnd_fixture.h"

namespace {

class SkinWiringTest : public MainWndTest {
  protected:
    void StartWired() {
        Start();
        ini = shell::SkinIniPath();
        shell::SkinHooks hooks;
        hooks.applyStyleSheet = [this](const std::string& sheet) {
            sheets.push_back(sheet);
            return std::filesystem::exists(root / "data" / "skin" / sheet);
        };
        hooks.clientOrigin = [] { return ui::Point{100, 50}; };
        hooks.chooserShown = [this](shell::CSkinFrame&) { ++shown; };
        wiring = std::make_unique<shell::SkinWiring>(*window, ini, std::move(hooks));
    }
    void TearDown() override {
        wiring.reset();
        MainWndTest::TearDown();
    }
    void Store(const std::string& text) { std::ofstream(ini) << text; }
    ui::Control& Root() const { return *window->FindControl("root"); }
    void Click(ui::Window& w, const std::string& name, size_t index = 0) {
        static_cast<ui::Button*>(w.FindControls(name).at(index))->UserClick();
    }

    std::string ini;
    std::vector<std::string> sheets;
    int shown = 0;
    std::unique_ptr<shell::SkinWiring> wiring;
};

TEST_F(SkinWiringTest, StoredColourAndThemeAreAppliedAtStartAndTheThemeOnlyOnce) {
    StartWired();
    Store(
        "[SKINIMAGE]\nFLAGS=2\nIMAGE=common/skin/"
        "bg_2.png\nCOLOR=#FF1B2430\n[SKIN]\nTHEME=midnight\n");
    wiring->ApplyStoredTheme();
    EXPECT_EQ(sheets, std::vector<std::string>{"themes/midnight/style.qss"});
    wiring->Start();
    EXPECT_EQ(Root().GetColor(ui::ColorRole::Background)->argb, 0xFF1B2430u);
    EXPECT_EQ(Root().GetImage(ui::ImageState::Background), "");
    EXPECT_EQ(sheets.size(), 1u);  // the same theme is not applied again
}

TEST_F(SkinWiringTest, UnreadableThemeFallsBackAndAMissingPictureShowsTheDefault) {
    StartWired();
    Store("[SKINIMAGE]\nFLAGS=1\nIMAGE=/no/such/folder/sky.png\n[SKIN]\nTHEME=retired\n");
    wiring->Start();
    EXPECT_EQ(sheets,
              (std::vector<std::string>{"themes/retired/style.qss", "themes/graphite/style.qss"}));
    EXPECT_EQ(Root().GetImage(ui::ImageState::Background), "common/background.png");
    // The user's choice stays stored: the picture may come back (a drive mounted later).
    EXPECT_EQ(shell::ReadSkinChoice(ini).image, "/no/such/folder/sky.png");
}

TEST_F(SkinWiringTest, SkinButtonOpensTheChooserUnderItAndItsTilesRestyleTheWindow) {
    StartWired();
    wiring->Start();
    window->FindControl("skinbtn")->SetHostRect({1160, 0, 1200, 48});
    Click(*window, "skinbtn");
    shell::CSkinFrame* chooser = wiring->Chooser();
    ASSERT_NE(chooser, nullptr);
    EXPECT_TRUE(chooser->IsVisible());
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(host->Host().CountCalls("move UISkinFrame 860,98,1300,348"), 1u);

    Click(*chooser, "skin_image_btn", 2);
    const std::string tile =
        chooser->FindControls("skin_image_btn")[2]->GetImage(ui::ImageState::Background);
    EXPECT_EQ(Root().GetImage(ui::ImageState::Background), tile);
    EXPECT_EQ(shell::ReadSkinChoice(ini).image, tile);

    for (ui::Control* c : chooser->FindControls("skin_theme_btn")) {
        if (c->GetUserData() == "midnight") {
            static_cast<ui::Button*>(c)->UserClick();
        }
    }
    EXPECT_EQ(sheets.back(), "themes/midnight/style.qss");
    EXPECT_EQ(Root().GetImage(ui::ImageState::Background), tile);  // the background stays
    EXPECT_EQ(shell::ReadSkinChoice(ini).theme, "midnight");

    // Closed by a click elsewhere, it opens again as the same pop-up.
    chooser->Deactivated();
    Click(*window, "skinbtn");
    EXPECT_EQ(wiring->Chooser(), chooser);
    EXPECT_TRUE(chooser->IsVisible());
}

TEST_F(SkinWiringTest, WindowHearsNoChangeAndItsButtonOpensNothingOnceTheWiringIsGone) {
    StartWired();
    wiring->Start();
    wiring.reset();
    shell::SkinChangedParam colour;
    colour.isColour = true;
    colour.colour = 0xFF30261A;
    shell::SkinSubject::Instance().Broadcast(colour);
    EXPECT_EQ(Root().GetImage(ui::ImageState::Background), "common/background.png");
    host->Host().ClearCalls();
    Click(*window, "skinbtn");
    EXPECT_EQ(host->Host().CountCalls("move UISkinFrame"), 0u);
}

}  // namespace
