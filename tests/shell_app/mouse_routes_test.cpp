// The mouse page's routes in the main window: notifications raised on the
// shipped mouse page reach its settings and recoil editor, the profile is
// saved and the settings record uploaded where the edit says so, and the
// desktop settings reach the recorder. The page stands in for the mouse
// device object: it counts saves and uploads instead of talking to a mouse.
#include <gtest/gtest.h>

#include "device/report_rate_page.h"
#include "mouse/mouse_settings.h"
#include "mouse/shoot_control_ui.h"
#include "platform/settings/recording_desktop_settings.h"
#include "platform/ui/button.h"
#include "platform/ui/edit.h"
#include "platform/ui/range_controls.h"
#include "profile/profile_paths.h"
#include "tests/shell_app/main_wnd_fixture.h"

namespace {

using platform::settings::Setting;

class TestMousePage : public CVeldmarkUSBDevice,
                      public mouse::MouseSettingsOwner,
                      public ReportRatePage {
  public:
    TestMousePage() : CVeldmarkUSBDevice(std::make_unique<CMouseProfiledata>()) {}
    std::string_view GetClass() const override { return "VeldmarkMouseDevice"; }
    mouse::MouseSettings& Settings() override {
        if (!m_settings) {
            m_settings = std::make_unique<mouse::MouseSettings>(
                *this, static_cast<CMouseProfiledata&>(Document()));
            m_settings->SetScale({50, 320, 200});
        }
        return *m_settings;
    }
    bool SelectReportRateOption(int n) override {
        return Settings().OnReportRate(n) != mouse::Change::None;
    }
    int UploadSettings(int profile, int, int byte59, int width, int height) override {
        uploads.push_back({profile, byte59, width, height});
        return 1;
    }
    int LoadProfile() override {
        SetProfilePaths();
        Document().Load(Document().GetProfilePath());
        Settings().TakeStagesFromDocument();
        return 1;
    }
    void SaveProfile() override {
        ++saves;
        Document().Save();
    }
    void ResetProfile() override { ++resets; }
    int UploadProfileKeys(int) override {
        ++keyUploads;
        return 1;
    }
    int resets = 0;
    int keyUploads = 0;
    struct Upload {
        int profile, byte59, width, height;
    };
    std::vector<Upload> uploads;
    int saves = 0;

  private:
    std::unique_ptr<mouse::MouseSettings> m_settings;
};

class MouseRoutesTest : public MainWndTest {
  protected:
    void SetUp() override {
        MainWndTest::SetUp();
        host->Factory().Register<TestMousePage>("VeldmarkMouseDevice");
        window = std::make_unique<CMainWnd>(
            host->Context(),
            MainWndServices{*bus, peers, sleep, (root / "data").string(),
                            (root / "config" / "settings.ini").string(), &desktop});
        std::string error;
        ASSERT_TRUE(window->Create(&error)) << error;
        ASSERT_TRUE(WaitFor([&] { return window->IsVisible(); }));
        page = dynamic_cast<TestMousePage*>(window->MousePages().at(0));
        ASSERT_NE(page, nullptr);
        page->LoadProfile();
        page->Settings().SetStageRanges();
    }
    // The mouse's entry shown and selected, as an arrival would leave it.
    void MakeCurrent() {
        for (int i = 0; i < window->EntryCount(); ++i) {
            if (window->EntryAt(i)->GetDevice() == page) {
                window->ShowEntry(i, true, true);
            }
        }
        ASSERT_EQ(window->CurrentPage(), page);
    }
    template <typename T = ui::Control>
    T* Find(const std::string& name) {
        return page->FindSubControl<T>(name);
    }
    // A person typing into a field and leaving it.
    void TypeAndLeave(const std::string& name, const std::string& text) {
        Find<ui::Edit>(name)->SetText(text);
        Find(name)->SendNotify(ui::notify::kKillFocus);
    }

    platform::settings::RecordingDesktopSettings desktop;
    TestMousePage* page = nullptr;
};

TEST_F(MouseRoutesTest, StageEditsAreSavedAndUploadedWithTheScreenSize) {
    MakeCurrent();
    TypeAndLeave("DPI_edit_2", "1600");
    EXPECT_EQ(page->Settings().Scale().step, 50);
    EXPECT_EQ(static_cast<CMouseProfiledata&>(page->Document()).GetDpiStages().at(2).dpiX, 32);
    EXPECT_EQ(page->saves, 1);
    ASSERT_EQ(page->uploads.size(), 1u);
    const ui::Size screen = host->Context().host.ScreenSize();
    EXPECT_EQ(page->uploads[0].byte59, 1);
    EXPECT_EQ(page->uploads[0].width, screen.width);
    EXPECT_EQ(page->uploads[0].height, screen.height);
    // The saved file holds it.
    CMouseProfiledata stored;
    stored.Load(page->Document().GetProfilePath());
    EXPECT_EQ(stored.ReloadDpiStages().at(2).dpiX, 32);

    // Dragging previews; only letting go stores and uploads.
    auto* slider = Find<ui::Slider>("DPI_slider_1");
    slider->UserDrag(10);
    EXPECT_EQ(Find("DPI_edit_1")->GetText(), "500");
    EXPECT_EQ(page->uploads.size(), 1u);
    slider->UserCommit(12);
    EXPECT_EQ(page->uploads.size(), 2u);
    EXPECT_EQ(static_cast<CMouseProfiledata&>(page->Document()).GetDpiStages().at(1).dpiX, 12);
}

TEST_F(MouseRoutesTest, ReportRateOptionAsksTheCurrentPageOnce) {
    MakeCurrent();
    Find<ui::Option>("polling_rate_option_3")->UserClick();
    EXPECT_TRUE(Find<ui::Option>("polling_rate_option_3")->IsSelected());
    EXPECT_EQ(static_cast<CMouseProfiledata&>(page->Document()).ReadSystemStages()[2] >> 16, 3u);
    // The option that lost its selection raised "selectchanged" too; one upload only.
    EXPECT_EQ(page->uploads.size(), 1u);
}

TEST_F(MouseRoutesTest, PointerSettingsReachTheDesktopWithoutAnUpload) {
    MakeCurrent();
    Find<ui::Slider>("pointer_speed_slider")->UserCommit(9);
    Find<ui::Slider>("double_click_slider")->UserCommit(0);
    Find<ui::Option>("scrolls_page_check")->UserClick();
    window->DesktopApplier().JoinAll();
    EXPECT_EQ(desktop.Last(Setting::PointerSpeed), 20);
    EXPECT_EQ(desktop.Last(Setting::DoubleClickTime), 1100);
    EXPECT_EQ(desktop.Last(Setting::WheelLines), 255);
    EXPECT_EQ(page->saves, 3);
    EXPECT_TRUE(page->uploads.empty());
}

TEST_F(MouseRoutesTest, NothingHappensWhileNoMouseIsCurrent) {
    Find<ui::Slider>("pointer_speed_slider")->UserCommit(5);
    TypeAndLeave("DPI_edit_0", "800");
    window->DesktopApplier().JoinAll();
    EXPECT_TRUE(desktop.Calls().empty());
    EXPECT_EQ(page->saves, 0);
    EXPECT_TRUE(page->uploads.empty());
}

TEST_F(MouseRoutesTest, SubPageOptionsAndTheMirroredPairStayOnThePage) {
    MakeCurrent();
    Find<ui::Option>("mouse_device_seting_option_2")->UserClick();
    EXPECT_EQ(Find<ui::TabLayout>("mouse_device_seting_layout")->GetCurSel(), 2);
    TypeAndLeave("orvix_DPI_edit_0", "90");
    EXPECT_EQ(Find("orvix_DPI_edit_0")->GetText(), "200");
    EXPECT_EQ(page->saves, 0);
}

TEST_F(MouseRoutesTest, RestoringDefaultsAsksFirstThenWritesKeysAndSettings) {
    MakeCurrent();
    std::vector<bool> answers = {false, true};
    host->Host().SetModalRunner([&](ui::Window& box) {
        const bool confirm = answers.front();
        answers.erase(answers.begin());
        box.FindControl<ui::Button>(confirm ? "confirm_btn" : "cancel_btn")->UserClick();
        return box.GetCloseCode();
    });
    Find<ui::Button>("default_btn")->UserClick();
    EXPECT_EQ(page->resets, 0);  // declined
    EXPECT_TRUE(page->uploads.empty());
    Find<ui::Button>("default_btn")->UserClick();
    EXPECT_EQ(page->resets, 1);
    EXPECT_EQ(page->keyUploads, 1);
    EXPECT_EQ(page->uploads.size(), 1u);
}

TEST_F(MouseRoutesTest, RecoilEditorTakesItsControlsEvents) {
    auto* editor = Find<CShootControlUI>("ShootControlItem");
    ASSERT_NE(editor, nullptr);
    editor->InitForPage(page->ProfileFolder(), profile::DefaultDataFolder());
    MakeCurrent();
    Find<ui::Option>("shoot_gun_op_2")->UserClick();
    EXPECT_EQ(editor->GetGun(), 2);
    Find<ui::Button>("bullet_selected_next")->UserClick();
    Find<ui::Button>("bullet_selected_next")->UserClick();
    EXPECT_EQ(editor->GetBullet(), 2);
    Find<ui::Option>("bullet_x_check")->UserClick();
    EXPECT_EQ(Find("bullet_x_check")->GetTextValue().text, "mouse_move_to_left_text");
    TypeAndLeave("bullet_y_eidt", "14");
    const Json::Value events = CJsonFile().Load(editor->WorkingPath(2))["Events"];
    ASSERT_EQ(events.size(), 12u);
    EXPECT_EQ(events[10]["Action"].asString(), "down");
    EXPECT_EQ(events[11]["Button"].asInt(), 14);
    Find<ui::Button>("shootdate_reset_btn")->UserClick();
    EXPECT_EQ(CJsonFile().Load(editor->WorkingPath(2)), CJsonFile().Load(editor->DefaultPath(2)));
}

TEST_F(MouseRoutesTest, ARecoilFileThatCannotBeReadIsToldInTheApplicationsMessageBox) {
    auto* editor = Find<CShootControlUI>("ShootControlItem");
    ASSERT_NE(editor, nullptr);
    const auto defaults = root / "damaged_defaults";
    std::filesystem::create_directories(defaults);
    editor->InitForPage(page->ProfileFolder(), defaults.string());
    std::ofstream(editor->DefaultPath(editor->GetGun())) << "{ \"Events\": [ unfinished";
    MakeCurrent();
    const size_t plainBoxes = host->Host().CountCalls("message");
    Find<ui::Button>("shootdate_reset_btn")->UserClick();
    EXPECT_EQ(host->Host().CountCalls("modal msgwnd"), 1u);
    EXPECT_EQ(host->Host().CountCalls("message"), plainBoxes);
}

}  // namespace
