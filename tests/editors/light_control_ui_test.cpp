// The lighting editor built from the shipped layout on the headless host:
// which controls each mode offers on each kind of device, how a record is
// shown, and the colour edits' value rule.

#include "editors/light_control_ui.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/ui/button.h"
#include "platform/ui/custom_control.h"
#include "platform/ui/edit.h"
#include "platform/ui/headless_host.h"
#include "platform/ui/list.h"
#include "platform/ui/range_controls.h"
#include "platform/ui/window.h"

namespace {

// Groups in the order of the cells below: colour cycle, colour, palette,
// brightness, speed, direction.
const char* const kGroups[] = {"deng_7color_check", "deng_color_layout", "colorpallet_layout",
                               "deng_light_layout", "deng_speed_layout", "deng_fx_layout"};

// What each mode offers, mode by mode: 'E' enabled and shown, 'D' disabled
// and shown, 'H' disabled and hidden, 'h' enabled and hidden; a trailing '+'
// marks the modes that offer "deng_same_mode".
const char* const kKeyboard[] = {
    "DDDDDD", "EEEEEE",  "EEEEEE", "EEEEEE",  "HHHEEH+", "EEEEED+", "EEEEDD+", "EEEEED",
    "EEEEED", "EEEEED+", "EEEEED", "HHHEEH",  "hHHEEE",  "EEEEED",  "EEEEED",  "EEEEED",
    "EEEEHD", "HHHEHH",  "HHHEEE", "DDDDDD",  "DEEEDD",  "EEEEED",  "EEEEED+", "EEEEEE",
    "EEEEED", "DDDEED",  "DDDEED", "DDDDDD+", "EEEEEE",  "DDDDDD",  "DDDDDD"};
const char* const kMouse[] = {"EEEEEE", "DDDEED+", "EEEEEE+", "DEEEDD+", "EEEEED+",
                              "EEEEEE", "DDDEED",  "DDDEED",  "DDDDDD+", "DDDDDD"};
const char* const kPadAndHeadset[] = {"EEEEEE", "DDDEED+", "EEEEED+", "DEEEDD+", "EEEEED+",
                                      "DDDDDD", "DDDDDD",  "DDDDDD",  "DDDDDD+", "DDDDDD"};

class LightControlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* data = std::getenv("VELDMARK_DATA_DIR");
        ASSERT_NE(data, nullptr);
        host = std::make_unique<ui::HeadlessHost>(ui::HeadlessHost::ClockMode::Virtual,
                                                  std::string(data) + "/skin");
        host->Factory().Register<CLightControlUI>("LightControl");
        window = std::make_unique<ui::Window>(host->Context(), "main");
        ui::LayoutResult result =
            host->Context().MakeLoader().LoadFile("XML/CustomControlXML/LightControl.xml");
        ASSERT_TRUE(result.ok()) << result.error;
        editor = dynamic_cast<CLightControlUI*>(result.root.get());
        ASSERT_NE(editor, nullptr);
        window->Attach(std::move(result.root));
        window->AddNotifyHandler([this](const ui::Notification& n) {
            if (n.type != "timer") {
                raised.push_back(n.type + " " + n.SenderName());
            }
        });
        std::vector<std::string> names;
        for (int i = 0; i < 31; ++i) {
            names.push_back("mode_" + std::to_string(i));
        }
        editor->InitModes(names, std::vector<bool>(names.size(), true), 4, 4);
    }

    ui::Control* Find(const char* name) { return window->FindControl(name); }
    template <typename T>
    T* Find(const char* name) {
        return window->FindControl<T>(name);
    }

    // The state of the six groups and the same-mode control, in the notation above.
    std::string Offered() {
        std::string cells;
        for (const char* group : kGroups) {
            ui::Control* c = Find(group);
            cells += c->IsEnabled() ? (c->IsVisible() ? 'E' : 'h') : (c->IsVisible() ? 'D' : 'H');
        }
        return cells + (Find("deng_same_mode")->IsVisible() ? "+" : "");
    }

    void CheckTable(int kind, const char* const* expected, int modes) {
        editor->SetDeviceKind(kind);
        editor->SetSameModeSupport(true);
        for (int mode = 0; mode < modes; ++mode) {
            editor->ApplyAvailability(1);  // a mode that shows everything first
            editor->ApplyAvailability(mode);
            EXPECT_EQ(Offered(), expected[mode]) << "kind " << kind << " mode " << mode;
            EXPECT_TRUE(Find("lighteffect_layout")->IsEnabled());
        }
    }

    std::unique_ptr<ui::HeadlessHost> host;
    std::unique_ptr<ui::Window> window;
    CLightControlUI* editor = nullptr;
    std::vector<std::string> raised;
};

// --- availability ------------------------------------------------------------------------

TEST_F(LightControlTest, KeyboardModesOfferTheirGroupsIncludingEveryOtherMode) {
    CheckTable(1, kKeyboard, 31);
}

TEST_F(LightControlTest, MouseModesOnlyEnableAndDisable) {
    CheckTable(2, kMouse, 10);
}

TEST_F(LightControlTest, MousepadAndHeadsetShareOneTable) {
    CheckTable(3, kPadAndHeadset, 10);
    CheckTable(7, kPadAndHeadset, 10);
}

TEST_F(LightControlTest, KeyboardZoneModeShowsOnlyBrightnessAndTheZoneList) {
    editor->SetDeviceKind(1);
    Find("lighteffect_layout")->SetVisible(false);
    editor->ApplyAvailability(17);
    ui::Control* zone = Find("light_combo_ZZCCmodeSelectLayout");
    EXPECT_TRUE(zone->IsVisible());
    EXPECT_TRUE(zone->IsEnabled());
    EXPECT_FALSE(Find("lightcustom_layout")->IsVisible());
    // The mode keeps the effect area's visibility; every other row shows it.
    EXPECT_FALSE(Find("lighteffect_layout")->IsVisible());
    editor->ApplyAvailability(18);
    EXPECT_TRUE(Find("lighteffect_layout")->IsVisible());
    EXPECT_FALSE(zone->IsVisible());
}

TEST_F(LightControlTest, KeyboardCustomColoursShowTheGroupListAndKeepTheColours) {
    editor->SetDeviceKind(1);
    editor->ApplyAvailability(20);
    EXPECT_TRUE(Find("lightcustom_layout")->IsVisible());
    EXPECT_TRUE(Find("deng_color_layout")->IsEnabled());
    EXPECT_FALSE(Find("deng_7color_check")->IsEnabled());
    EXPECT_FALSE(Find("deng_speed_layout")->IsEnabled());
    editor->ApplyAvailability(6);
    EXPECT_FALSE(Find("lightcustom_layout")->IsVisible());
}

TEST_F(LightControlTest, KeyboardModeWithoutARowDisablesAllButHidesOnlyItsOwnThree) {
    editor->SetDeviceKind(1);
    editor->SetSameModeSupport(true);
    editor->ApplyAvailability(4);  // hides cycle, colour, palette and direction, offers same mode
    editor->ApplyAvailability(17);
    editor->ApplyAvailability(0);
    // Hidden by mode 4 and 17, and left so.
    EXPECT_EQ(Offered(), "HHHDHH");
    EXPECT_FALSE(Find("lightcustom_layout")->IsVisible());
    EXPECT_FALSE(Find("light_combo_ZZCCmodeSelectLayout")->IsVisible());
}

TEST_F(LightControlTest, SameModeIsOfferedOnlyWhileSeveralDevicesAreListed) {
    editor->SetDeviceKind(2);
    editor->SetMode(3);
    EXPECT_EQ(Offered(), "DEEEDD");
    editor->SetSameModeSupport(true);  // applies the selected mode again
    EXPECT_EQ(Offered(), "DEEEDD+");
    editor->SetSameModeSupport(false);
    EXPECT_EQ(Offered(), "DEEEDD");
}

TEST_F(LightControlTest, UnknownKindChangesNothing) {
    editor->SetDeviceKind(9);
    Find("deng_speed_layout")->SetEnabled(false);
    editor->ApplyAvailability(0);
    EXPECT_FALSE(Find("deng_speed_layout")->IsEnabled());
    EXPECT_TRUE(Find("deng_light_layout")->IsEnabled());
}

// --- showing a record ------------------------------------------------------------------------

TEST_F(LightControlTest, ShowsEveryByteOfARecordWithoutRaisingAnything) {
    editor->SetDeviceKind(1);
    LightInfoRecord record;
    record.mode = 17;
    record.brightness = 3;
    record.speed = 1;
    record.direction = 1;
    record.multiColor = 1;
    record.red = 255;
    record.green = 8;
    record.blue = 64;
    record.zzccMode = 2;
    raised.clear();
    editor->ShowLightInfo(record);
    EXPECT_TRUE(raised.empty()) << raised.front();
    EXPECT_EQ(editor->GetMode(), 17);
    EXPECT_EQ(Find<ui::Slider>("deng_light_slider")->GetValue(), 3);
    EXPECT_EQ(Find<ui::Slider>("deng_speed_slider")->GetValue(), 1);
    EXPECT_EQ(editor->GetRedText(), "255");
    EXPECT_EQ(editor->GetGreenText(), "8");
    EXPECT_EQ(editor->GetBlueText(), "64");
    EXPECT_EQ(editor->GetColor(), 0xFFFF0840u);
    EXPECT_EQ(Find("deng_colordp_btn")->GetColor(ui::ColorRole::Background)->argb, 0xFFFF0840u);
    EXPECT_TRUE(editor->GetColorCycle());
    EXPECT_TRUE(Find<ui::Option>("deng_FXL_check")->IsSelected());
    EXPECT_FALSE(Find<ui::Option>("deng_FXR_check")->IsSelected());
    EXPECT_EQ(editor->GetZzccMode(), 2);
    EXPECT_TRUE(Find("light_combo_ZZCCmodeSelectLayout")->IsVisible());

    record.direction = 0;
    record.multiColor = 0;
    record.mode = 40;  // beyond the list: no entry is shown rather than the old one
    editor->ShowLightInfo(record);
    EXPECT_EQ(editor->GetMode(), -1);
    EXPECT_FALSE(editor->GetColorCycle());
    EXPECT_TRUE(Find<ui::Option>("deng_FXR_check")->IsSelected());
    EXPECT_FALSE(Find<ui::Option>("deng_FXL_check")->IsSelected());
    EXPECT_TRUE(raised.empty());
}

TEST_F(LightControlTest, ModeListTakesTheNamesAsKeysWithTheirVisibilityAndTheMaxima) {
    editor->InitModes({"light_mode_wave", "light_mode_custom_effect", "My effect"}, {true, false},
                      3, 2);
    auto* modes = Find<ui::Combo>("light_combo_modeSelect");
    ASSERT_EQ(modes->GetItemCount(), 3);
    EXPECT_TRUE(modes->GetItem(0)->GetTextValue().isKey);
    EXPECT_EQ(modes->GetItem(0)->GetUserData(), "light_mode_wave");
    EXPECT_EQ(modes->GetItem(0)->GetFixedHeight(), 30);
    EXPECT_TRUE(modes->GetItem(0)->IsVisible());
    EXPECT_FALSE(modes->GetItem(1)->IsVisible());
    EXPECT_FALSE(modes->GetItem(2)->IsVisible());  // no flag given: not offered
    EXPECT_EQ(Find<ui::Slider>("deng_light_slider")->GetMaxValue(), 3);
    EXPECT_EQ(Find<ui::Slider>("deng_speed_slider")->GetMaxValue(), 2);
}

TEST_F(LightControlTest, PresetColoursAreTheOptionsBackgrounds) {
    EXPECT_EQ(editor->GetOptionColor(0), 0xFFFF0000u);
    EXPECT_EQ(editor->GetOptionColor(5), 0xFF0000FFu);
    EXPECT_EQ(editor->GetOptionColor(8), 0u);
    EXPECT_EQ(editor->GetOptionColor(-1), 0u);
}

// --- the colour edits ------------------------------------------------------------------------

TEST_F(LightControlTest, ColourEditsAreClampedAndRewritten) {
    struct Case {
        const char* typed;
        int value;
        const char* shown;
    };
    const Case cases[] = {{"300", 255, "255"},
                          {"", 0, "0"},
                          {"-5", 0, "0"},
                          {"12ab", 12, "12"},
                          {"007", 7, "7"},
                          {"255", 255, "255"},
                          {"99999999999999999999", 255, "255"}};
    for (const Case& c : cases) {
        Find("deng_edit_G")->SetText(c.typed);
        EXPECT_EQ(editor->TakeColorEdit("deng_edit_G"), c.value) << c.typed;
        EXPECT_EQ(editor->GetGreenText(), c.shown) << c.typed;
    }
    EXPECT_EQ(editor->TakeColorEdit("deng_light_slider"), -1);
}

TEST(LightControlWithoutLayout, EveryOperationSkipsMissingControls) {
    CLightControlUI bare;
    bare.SetDeviceKind(1);
    bare.InitModes({"a"}, {true}, 4, 4);
    LightInfoRecord record;
    record.mode = 5;
    bare.ShowLightInfo(record);
    bare.SetSameModeSupport(true);
    EXPECT_EQ(bare.GetMode(), -1);
    EXPECT_EQ(bare.GetBrightness(), 0);
    EXPECT_EQ(bare.GetSpeed(), 0);
    EXPECT_EQ(bare.GetRedText(), "");
    EXPECT_EQ(bare.GetColor(), 0xFF000000u);
    EXPECT_FALSE(bare.GetColorCycle());
    EXPECT_EQ(bare.GetZzccMode(), -1);
    EXPECT_EQ(bare.GetCustomGroup(), -1);
    EXPECT_EQ(bare.GetOptionColor(0), 0u);
    EXPECT_EQ(bare.TakeColorEdit("deng_edit_R"), -1);
}

}  // namespace
