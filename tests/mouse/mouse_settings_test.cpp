// The mouse page's sensitivity, report-rate and pointer settings on the
// shipped page layout, headless, with a profile document in a private folder
// and the desktop settings recorder.
#include "mouse/mouse_settings.h"

#include <gtest/gtest.h>

#include "platform/settings/recording_desktop_settings.h"
#include "platform/ui/button.h"
#include "platform/ui/edit.h"
#include "platform/ui/headless_host.h"
#include "platform/ui/range_controls.h"
#include "platform/ui/window.h"
#include "tests/profile/profile_test_support.h"

namespace {

using mouse::Change;
using platform::settings::RecordingDesktopSettings;
using platform::settings::Setting;

Json::Value StageJson(int enabled, int dpiX, int dpiY = 0) {
    Json::Value stage;
    stage["StageActive"] = enabled;
    stage["StageXY"] = 0;
    stage["StageDPIX"] = dpiX;
    stage["StageDPIY"] = dpiY;
    stage["StageColorR"] = 1;
    stage["StageColorG"] = 2;
    stage["StageColorB"] = 3;
    return stage;
}

class MouseSettingsTest : public TempHomeTest {
  protected:
    void SetUp() override {
        TempHomeTest::SetUp();
        const char* env = getenv("VELDMARK_DATA_DIR");
        const std::string data = env != nullptr ? env : VELDMARK_TEST_DATA_DIR;
        host = std::make_unique<ui::HeadlessHost>(ui::HeadlessHost::ClockMode::Virtual,
                                                  data + "/skin");
        auto& factory = host->Factory();
        factory.Register<ui::HorizontalLayout>("VeldmarkMouseDevice");
        factory.Register<ui::HorizontalLayout>("SelectPanel");
        factory.Register<ui::Option>("DeviceKeyButton");
        window = std::make_unique<ui::Window>(host->Context(), "main");
        ui::LayoutLoader loader = host->Context().MakeLoader();
        // The editors have their own tests; here they are empty areas.
        loader.SetBuilder(
            [](std::string_view tag, ui::LayoutLoader&) -> std::unique_ptr<ui::Control> {
                if (tag.size() > 2 && tag.substr(tag.size() - 2) == "UI") {
                    return std::make_unique<ui::VerticalLayout>();
                }
                return nullptr;
            });
        ui::LayoutResult layout = loader.LoadFile("XML/DeviceXml/mousedevice.xml");
        ASSERT_TRUE(layout.ok()) << layout.error;
        page = layout.root->AsContainer();
        window->Attach(std::move(layout.root));

        path = Root() + "profile.Json";
        Json::Value doc;
        Json::Value& device = doc["Device"][0];
        device["DPIStages"]["StageActive"] = 1;
        device["DPIStages"]["StageDPIs"][0] = StageJson(1, 8, 8);
        device["DPIStages"]["StageDPIs"][1] = StageJson(1, 16, 17);
        device["SystemStages"]["MouseSpeed"] = 4;
        device["SystemStages"]["DoubleClickTime"] = 6;
        device["SystemStages"]["PointerPrecision"] = 1;
        device["SystemStages"]["ScorllPage"] = 0;
        device["SystemStages"]["WheelScorlllinse"] = 2;
        device["ReportStages"]["StageActive"] = 3;
        WriteJson(path, doc);
        document.SetProfilePath(path);
        document.Load(path);
        document.ReloadDpiStages();

        applier = std::make_unique<platform::settings::SettingsApplier>(desktop);
        settings = std::make_unique<mouse::MouseSettings>(*page, document);
        settings->SetScale({50, 320, 200});
        settings->SetDesktop(applier.get());
        settings->SetStageRanges();
    }
    void TearDown() override {
        applier.reset();  // joins the helpers before the page goes
        settings.reset();
        window.reset();
        host.reset();
        TempHomeTest::TearDown();
    }

    template <typename T = ui::Control>
    T* Find(const std::string& name) {
        return window->FindControl<T>(name);
    }
    void Type(const std::string& field, const std::string& text) {
        Find<ui::Edit>(field)->SetText(text);
    }
    void Slide(const std::string& slider, int value) {
        Find<ui::Slider>(slider)->SetValue(value, ui::Notify::No);
    }
    void Check(const std::string& name, bool on) {
        Find<ui::Option>(name)->SetSelected(on, ui::Notify::No);
    }
    // Lets the helper threads finish and their reports reach the page.
    void Settle() {
        applier->JoinAll();
        host->RunPending();
    }
    std::vector<DpiStage> StoredStages() {
        CMouseProfiledata fresh;
        fresh.Load(path);
        return fresh.ReloadDpiStages();
    }

    std::unique_ptr<ui::HeadlessHost> host;
    std::unique_ptr<ui::Window> window;
    ui::Container* page = nullptr;
    std::string path;
    CMouseProfiledata document;
    RecordingDesktopSettings desktop;
    std::unique_ptr<platform::settings::SettingsApplier> applier;
    std::unique_ptr<mouse::MouseSettings> settings;
};

TEST_F(MouseSettingsTest, DpiFieldIsRaisedToTheMinimumAndStoredInSteps) {
    Type("DPI_edit_2", "130");
    EXPECT_EQ(settings->OnStageEdit(2), Change::StoredAndUpload);
    EXPECT_EQ(document.GetDpiStages().at(2).dpiX, 4);
    EXPECT_EQ(Find("DPI_edit_2")->GetText(), "200");
    EXPECT_EQ(Find<ui::Slider>("DPI_slider_2")->GetValue(), 4);

    Type("DPI_edit_2", "16000");
    settings->OnStageEdit(2);
    EXPECT_EQ(document.GetDpiStages().at(2).dpiX, 320);
    EXPECT_EQ(Find("DPI_edit_2")->GetText(), "16000");

    Type("DPI_edit_2", "");
    settings->OnStageEdit(2);
    EXPECT_EQ(document.GetDpiStages().at(2).dpiX, 4);
    EXPECT_EQ(Find("DPI_edit_2")->GetText(), "200");

    // Past the step count (a field filled by other means than typing) the
    // stage keeps the largest sensitivity instead of a wrapped 16-bit value.
    Type("DPI_edit_2", "5000000");
    settings->OnStageEdit(2);
    EXPECT_EQ(document.GetDpiStages().at(2).dpiX, 320);

    ASSERT_EQ(document.Save(), 0);
    EXPECT_EQ(StoredStages().at(2).dpiX, 320);
    // The ranges follow the device: slider 0–320, field 0–16000.
    EXPECT_EQ(Find<ui::Slider>("DPI_slider_0")->GetMaxValue(), 320);
    EXPECT_EQ(Find<ui::Edit>("DPI_edit_0")->GetMaxValue(), 16000);
}

TEST_F(MouseSettingsTest, DraggingPreviewsAndOnlyTheReleaseStores) {
    settings->SetScale({100, 160, 100});
    Slide("DPI_slider_3", 10);
    settings->OnStageSliderMove(3);
    EXPECT_EQ(Find("DPI_edit_3")->GetText(), "1000");
    EXPECT_EQ(document.GetDpiStages().size(), 2u);
    EXPECT_EQ(settings->OnStageSlider(3), Change::StoredAndUpload);
    EXPECT_EQ(document.GetDpiStages().at(3).dpiX, 10);
}

TEST_F(MouseSettingsTest, StageListGrowsToTheEditedStageButNeverPastTheFifth) {
    Slide("DPI_slider_4", 40);
    settings->OnStageSlider(4);
    const std::vector<DpiStage> stages = document.GetDpiStages();
    ASSERT_EQ(stages.size(), 5u);
    EXPECT_EQ(stages[2], DpiStage{});
    EXPECT_EQ(stages[3], DpiStage{});
    EXPECT_EQ(stages[4].dpiX, 40);
    EXPECT_EQ(stages[1].dpiY, 17);  // the slider changes dpiX only

    // A control name with a larger number adds no stage and stores nothing.
    EXPECT_EQ(settings->OnStageSlider(7), Change::None);
    EXPECT_EQ(settings->OnStageEdit(5), Change::None);
    EXPECT_EQ(settings->OnStageCheck(9), Change::None);
    EXPECT_EQ(document.GetDpiStages().size(), 5u);
}

TEST_F(MouseSettingsTest, LastCheckedStageCannotBeSwitchedOffAndCheckingOneFreesAll) {
    for (int n = 0; n < 5; ++n) {
        settings->SetStageEnabled(n, true);
    }
    for (int n = 4; n >= 1; --n) {
        Check("DPI_enable_check_" + std::to_string(n), false);
        EXPECT_EQ(settings->OnStageCheck(n), Change::StoredAndUpload);
        EXPECT_FALSE(Find("DPI_layout_" + std::to_string(n))->IsEnabled());
    }
    EXPECT_FALSE(Find("DPI_enable_check_0")->IsEnabled());
    EXPECT_TRUE(Find("DPI_enable_check_3")->IsEnabled());
    // A disabled row disables what it holds on screen: the check sits beside it.
    EXPECT_FALSE(Find("DPI_enable_check_3")->IsDescendantOf(*Find("DPI_layout_3")));
    EXPECT_EQ(document.GetDpiStages().at(4).enabled, 0);
    EXPECT_EQ(document.GetDpiStages().at(0).enabled, 1);

    Check("DPI_enable_check_2", true);
    settings->OnStageCheck(2);
    for (int n = 0; n < 5; ++n) {
        EXPECT_TRUE(Find("DPI_enable_check_" + std::to_string(n))->IsEnabled()) << n;
    }
    EXPECT_TRUE(Find("DPI_layout_2")->IsEnabled());
    EXPECT_EQ(document.GetDpiStages().at(2).enabled, 1);
}

TEST_F(MouseSettingsTest, MirroredPairClampsTo200Through6500AndStoresNothing) {
    const Json::Value before = document.GetDeviceObject();
    Type("orvix_DPI_edit_0", "150");
    settings->OnMirrorEdit(0);
    EXPECT_EQ(Find("orvix_DPI_edit_0")->GetText(), "200");
    EXPECT_EQ(Find<ui::Slider>("orvix_DPI_slider_0")->GetValue(), 200);
    Type("orvix_DPI_edit_0", "7000");
    settings->OnMirrorEdit(0);
    EXPECT_EQ(Find("orvix_DPI_edit_0")->GetText(), "6500");
    Slide("orvix_DPI_slider_0", 3200);
    settings->OnMirrorSlider(0);
    EXPECT_EQ(Find("orvix_DPI_edit_0")->GetText(), "3200");
    settings->OnMirrorEdit(5);  // no such pair: nothing happens
    EXPECT_EQ(document.GetDeviceObject(), before);
}

TEST_F(MouseSettingsTest, PointerSettingsAreStoredAndReachTheDesktopInItsUnits) {
    Slide("pointer_speed_slider", 0);
    EXPECT_EQ(settings->OnPointerSpeed(), Change::Stored);
    Settle();
    EXPECT_EQ(desktop.Last(Setting::PointerSpeed), 2);
    Slide("pointer_speed_slider", 9);
    settings->OnPointerSpeed();
    Settle();
    EXPECT_EQ(desktop.Last(Setting::PointerSpeed), 20);

    Check("scrolls_page_check", true);
    Slide("scroll_speed_slider", 2);
    settings->OnScrollLines();  // moving the slider clears page-wise scrolling
    Settle();
    EXPECT_EQ(desktop.Last(Setting::WheelLines), 3);
    EXPECT_FALSE(Find<ui::Option>("scrolls_page_check")->IsSelected());
    Check("scrolls_page_check", true);
    settings->OnScrollPage();
    Settle();
    EXPECT_EQ(desktop.Last(Setting::WheelLines), 255);

    Slide("double_click_slider", 0);
    settings->OnDoubleClick();
    Settle();
    EXPECT_EQ(desktop.Last(Setting::DoubleClickTime), 1100);
    Slide("double_click_slider", 10);
    settings->OnDoubleClick();
    Check("pointer_precision_check", false);
    settings->OnPointerPrecision();
    Settle();
    EXPECT_EQ(desktop.Last(Setting::DoubleClickTime), 100);
    EXPECT_EQ(desktop.Last(Setting::PointerAcceleration), 0);

    const auto words = document.ReadSystemStages();
    EXPECT_EQ(words[0], 10u | 9u << 16);  // double-click position | speed position
    EXPECT_EQ(words[1], 0u | 1u << 16);   // no precision | page-wise
    EXPECT_EQ(words[2] & 0xFFFF, 2u);     // wheel position; the report rate stays
    EXPECT_EQ(words[2] >> 16, 3u);
}

TEST_F(MouseSettingsTest, MissingDesktopSettingIsSaidOnceAndKeptInTheProfile) {
    desktop.SetOffered(Setting::WheelLines, false);
    ui::Control* note = Find("scroll_lines_note");
    ASSERT_FALSE(note->IsVisible());
    Slide("scroll_speed_slider", 5);
    settings->OnScrollLines();
    Settle();
    EXPECT_TRUE(note->IsVisible());
    EXPECT_EQ(note->GetTextValue().text, "desktop_setting_not_offered_text");
    EXPECT_EQ(document.ReadSystemStages()[2] & 0xFFFF, 5u);
    // Said once: hiding it by hand, it does not come back on the next move.
    note->SetVisible(false);
    settings->OnScrollPage();
    Settle();
    EXPECT_FALSE(note->IsVisible());
}

TEST_F(MouseSettingsTest, RefusedDesktopSettingShowsTheReasonUntilItWorksAgain) {
    desktop.SetFailure(Setting::PointerSpeed, "X connection lost");
    Slide("pointer_speed_slider", 3);
    settings->OnPointerSpeed();
    Settle();
    ui::Control* note = Find("pointer_speed_note");
    EXPECT_TRUE(note->IsVisible());
    EXPECT_NE(note->GetText().find("X connection lost"), std::string::npos) << note->GetText();
    desktop.SetFailure(Setting::PointerSpeed, "");
    settings->OnPointerSpeed();
    Settle();
    EXPECT_FALSE(note->IsVisible());
}

TEST_F(MouseSettingsTest, ReportRateOptionsBeyondTheFiveAreIgnored) {
    EXPECT_EQ(settings->OnReportRate(2), Change::StoredAndUpload);
    EXPECT_EQ(document.ReadSystemStages()[2] >> 16, 2u);
    EXPECT_TRUE(Find<ui::Option>("polling_rate_option_2")->IsSelected());
    EXPECT_EQ(settings->OnReportRate(7), Change::None);
    EXPECT_EQ(document.ReadSystemStages()[2] >> 16, 2u);
    settings->SelectReportRate(9);  // showing an unknown index selects option 0
    EXPECT_TRUE(Find<ui::Option>("polling_rate_option_0")->IsSelected());
    EXPECT_FALSE(Find<ui::Option>("polling_rate_option_2")->IsSelected());
}

TEST_F(MouseSettingsTest, ProfileIsShownWithStoredFlagsAndTheActiveStageSkin) {
    Json::Value doc = ReadJson(path);
    doc["Device"][0]["DPIStages"]["StageDPIs"][2] = StageJson(0, 30);
    WriteJson(path, doc);
    document.Load(path);
    document.ReloadDpiStages();
    settings->ShowProfile();
    EXPECT_TRUE(Find<ui::Option>("DPI_enable_check_0")->IsSelected());
    EXPECT_FALSE(Find<ui::Option>("DPI_enable_check_2")->IsSelected());
    EXPECT_FALSE(Find("DPI_layout_2")->IsEnabled());
    EXPECT_EQ(Find("DPI_edit_1")->GetText(), "800");
    EXPECT_EQ(Find("DPI_slider_1")->GetImage(ui::ImageState::Fore), "Control/SliderBar_BK3.png");
    EXPECT_EQ(Find("DPI_slider_1")->GetImage(ui::ImageState::ThumbPushed),
              "Control/SliderBar2_Thumb.png");
    EXPECT_EQ(Find("DPI_slider_0")->GetImage(ui::ImageState::Fore), "Control/SliderBar_BK1.png");
    EXPECT_EQ(Find<ui::Slider>("pointer_speed_slider")->GetValue(), 4);
    EXPECT_EQ(Find<ui::Slider>("double_click_slider")->GetValue(), 6);
    EXPECT_EQ(Find<ui::Slider>("scroll_speed_slider")->GetValue(), 2);
    EXPECT_TRUE(Find<ui::Option>("pointer_precision_check")->IsSelected());
    EXPECT_TRUE(Find<ui::Option>("polling_rate_option_3")->IsSelected());
    // Showing a profile never writes to the desktop.
    Settle();
    EXPECT_TRUE(desktop.Calls().empty());
}

TEST_F(MouseSettingsTest, SwitchingToAProfileWithFewerStagesDropsTheOthers) {
    Slide("DPI_slider_4", 40);
    settings->OnStageSlider(4);
    ASSERT_EQ(document.GetDpiStages().size(), 5u);
    const std::string other = Root() + "other.Json";
    Json::Value doc;
    doc["Device"][0]["DPIStages"]["StageDPIs"][0] = StageJson(1, 12);
    doc["Device"][0]["DPIStages"]["StageDPIs"][1] = StageJson(1, 24);
    WriteJson(other, doc);
    document.Load(other);
    settings->TakeStagesFromDocument();
    ASSERT_EQ(document.GetDpiStages().size(), 2u);
    EXPECT_EQ(document.GetDpiStages()[1].dpiX, 24);
}

TEST_F(MouseSettingsTest, WithoutTheDeviceStepTheFieldStoresNothing) {
    settings->SetScale({});
    Type("DPI_edit_1", "800");
    EXPECT_EQ(settings->OnStageEdit(1), Change::None);
    EXPECT_EQ(document.GetDpiStages().at(1).dpiX, 16);
    EXPECT_EQ(Find("DPI_edit_1")->GetText(), "");
}

TEST_F(MouseSettingsTest, SubPagesAndTheDeviceTipFollowTheirNumbers) {
    settings->ShowSubPage(2);
    EXPECT_EQ(Find<ui::TabLayout>("mouse_device_seting_layout")->GetCurSel(), 2);
    EXPECT_TRUE(Find<ui::Option>("mouse_device_seting_option_2")->IsSelected());
    EXPECT_FALSE(Find<ui::Option>("mouse_device_seting_option_0")->IsSelected());
    settings->ShowSubPage(7);
    EXPECT_EQ(Find<ui::TabLayout>("mouse_device_seting_layout")->GetCurSel(), 0);
    EXPECT_TRUE(Find<ui::Option>("mouse_device_seting_option_0")->IsSelected());
    for (int mode : {1, 2, 4}) {
        settings->ShowDeviceTip(mode);
        EXPECT_TRUE(Find("device_tishi_info")->IsVisible()) << mode;
    }
    settings->ShowDeviceTip(3);
    EXPECT_FALSE(Find("device_tishi_info")->IsVisible());
}

}  // namespace
