// The application's controls: ring sweep, rubber-band selection, the macro
// record pulse on the virtual clock, key buttons and picture buttons.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/headless_host.h"
#include "platform/ui/script_access.h"
#include "platform/ui/window.h"
#include "shell/controls/circle_progress.h"
#include "shell/controls/device_key_button.h"
#include "shell/controls/hand_img_button.h"
#include "shell/controls/host_controls.h"
#include "shell/controls/radio_macro_button.h"
#include "shell/controls/select_panel.h"
#include "shell/controls/shell_controls.h"

namespace {

// Records what a control paints.
struct PaintLog : ui::Painter {
    std::vector<std::string> calls;
    double pieStart = 0;
    double pieSweep = 0;
    void FillRect(const ui::Rect&, ui::Color c) override {
        calls.push_back("rect " + ui::FormatColor(c));
    }
    void DrawRect(const ui::Rect&, ui::Color c, int w) override {
        calls.push_back("frame " + ui::FormatColor(c) + " " + std::to_string(w));
    }
    void FillEllipse(const ui::Rect&, ui::Color c) override {
        calls.push_back("disc " + ui::FormatColor(c));
    }
    void FillPie(const ui::Rect&, ui::Color c, double start, double sweep) override {
        calls.push_back("pie " + ui::FormatColor(c));
        pieStart = start;
        pieSweep = sweep;
    }
    void DrawLine(ui::Point, ui::Point, ui::Color, int) override { calls.push_back("line"); }
    void DrawImage(std::string_view image, const ui::Rect&, const std::optional<ui::Rect>&,
                   uint8_t fade) override {
        calls.push_back("image " + std::string(image) + " " + std::to_string(fade));
    }
    void DrawText(std::string_view text, const ui::Rect&, ui::Color, const ui::FontSpec&,
                  ui::TextAlign) override {
        calls.push_back("text " + std::string(text));
    }
};

ui::InputEvent Mouse(ui::InputEvent::Type type, int x, int y, int button = ui::InputEvent::kLeft) {
    ui::InputEvent e;
    e.type = type;
    e.pos = {x, y};
    e.button = button;
    return e;
}

TEST(CircleProgress, SweepFollowsTheValueWithinTheRange) {
    CCircleProgressUI ring;
    ring.SetRange(50, 150);
    ring.SetValue(100, ui::Notify::No);
    EXPECT_DOUBLE_EQ(ring.SweepDegrees(), 180.0);  // relative to the minimum
    ring.SetValue(1000, ui::Notify::No);
    EXPECT_DOUBLE_EQ(ring.SweepDegrees(), 360.0);
    ring.SetValue(-5, ui::Notify::No);
    EXPECT_DOUBLE_EQ(ring.SweepDegrees(), 0.0);
    ring.SetRange(20, 20);  // an empty range shows nothing instead of dividing by zero
    EXPECT_DOUBLE_EQ(ring.SweepDegrees(), 0.0);
}

TEST(CircleProgress, PaintsDiscPieFromTwelveOClockAndHollowCentre) {
    CCircleProgressUI ring;
    ring.SetHostRect({0, 0, 100, 60});
    ring.SetValue(25, ui::Notify::No);
    PaintLog log;
    ring.Paint(log);
    ASSERT_EQ(log.calls.size(), 3u);
    EXPECT_EQ(log.calls[0].substr(0, 4), "disc");
    EXPECT_EQ(log.calls[1].substr(0, 3), "pie");
    EXPECT_EQ(log.calls[2], "disc #FFFFFFFF");
    EXPECT_DOUBLE_EQ(log.pieStart, 90.0);
    EXPECT_DOUBLE_EQ(log.pieSweep, -90.0);  // clockwise
    ring.SetValue(0, ui::Notify::No);
    PaintLog empty;
    ring.Paint(empty);
    EXPECT_EQ(empty.calls.size(), 2u);  // no pie at all for nothing done
}

class SelectPanelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        RegisterShellControls(host.Factory());
        auto root = std::make_unique<CSelectPanelUI>();
        panel = root.get();
        panel->SetHostRect({0, 0, 400, 100});
        // Three keys in a row, 40 px wide with 10 px gaps, and a hidden one.
        for (int i = 0; i < 4; ++i) {
            auto key = std::make_unique<CDeviceKeyButtonUI>();
            key->SetName("key_" + std::to_string(i));
            key->SetHostRect({10 + i * 50, 10, 50 + i * 50, 50});
            key->SetVisible(i != 3);
            keys.push_back(panel->Add(std::move(key)));
        }
        window.Attach(std::move(root));
        window.AddNotifyHandler([this](const ui::Notification& n) {
            if (n.Is(CSelectPanelUI::kSelectEnd)) {
                ++selectEnds;
            }
        });
    }
    std::vector<bool> Selected() const {
        std::vector<bool> s;
        for (auto* k : keys) {
            s.push_back(k->IsKeySelected());
        }
        return s;
    }
    void Drag(ui::Point from, ui::Point to) {
        panel->HandleInput(Mouse(ui::InputEvent::Type::ButtonDown, from.x, from.y));
        panel->HandleInput(
            Mouse(ui::InputEvent::Type::Move, (from.x + to.x) / 2, (from.y + to.y) / 2));
        panel->HandleInput(Mouse(ui::InputEvent::Type::ButtonUp, to.x, to.y));
    }

    ui::HeadlessHost host;
    ui::Window window{host.Context(), "page"};
    CSelectPanelUI* panel = nullptr;
    std::vector<CDeviceKeyButtonUI*> keys;
    int selectEnds = 0;
};

TEST_F(SelectPanelTest, BandSelectsTheKeysItTouchesInAnyDragDirection) {
    Drag({45, 5}, {115, 30});  // from the edge of key 0 into key 2
    EXPECT_EQ(Selected(), (std::vector<bool>{true, true, true, false}));
    EXPECT_EQ(selectEnds, 1);
    Drag({160, 60}, {70, 20});  // dragged up and to the left: keys 1 and 2 only
    EXPECT_EQ(Selected(), (std::vector<bool>{false, true, true, false}));
    EXPECT_EQ(selectEnds, 2);
}

TEST_F(SelectPanelTest, BandInTheGapsSelectsNothingButStillReportsTheEnd) {
    keys[0]->SetKeySelected(true);
    Drag({52, 60}, {58, 95});  // between keys and below them
    EXPECT_EQ(Selected(), (std::vector<bool>{false, false, false, false}));
    EXPECT_EQ(selectEnds, 1);
}

TEST_F(SelectPanelTest, HiddenKeysAreNeverCaughtAndTheBandIsPaintedWhileDragging) {
    Drag({0, 0}, {399, 99});
    EXPECT_EQ(Selected(), (std::vector<bool>{true, true, true, false}));
    panel->HandleInput(Mouse(ui::InputEvent::Type::ButtonDown, 10, 10));
    panel->HandleInput(Mouse(ui::InputEvent::Type::Move, 30, 30));
    PaintLog log;
    panel->Paint(log);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"rect #460099FF", "frame #FF0099FF 2"}));
    // A right button does not start a band.
    CSelectPanelUI other;
    EXPECT_FALSE(
        other.HandleInput(Mouse(ui::InputEvent::Type::ButtonDown, 1, 1, ui::InputEvent::kRight)));
}

TEST(DeviceKeyButton, ShowsLedLightAndKeySetLayersAndReportsDoubleClicks) {
    CDeviceKeyButtonUI key;
    ASSERT_TRUE(key.SetAttribute("lightimage", "light.png"));
    ASSERT_TRUE(key.SetAttribute("keysetimage", "set.png"));
    ASSERT_TRUE(key.SetAttribute("gmnametextcolor", "#FF00FF00"));
    key.SetHostRect({0, 0, 40, 40});
    PaintLog plain;
    key.Paint(plain);
    EXPECT_TRUE(plain.calls.empty());  // light off and no key-set flag at construction

    key.ShowLed(0x00FF8040 /* red 0x40, blue 0x80, green 0xFF */, 200, true);
    EXPECT_EQ(key.LedArgb(), ui::Color::FromArgb(200, 0x40, 0xFF, 0x80));
    // Scripts read the colour in the usual channel order.
    EXPECT_EQ(ui::GetScriptProperty(key, "color").lines, std::vector<std::string>{"#40ff80"});
    EXPECT_EQ(ui::GetScriptProperty(key, "alpha").lines, std::vector<std::string>{"200"});
    key.SetLightOn(true);
    key.SetKeySetFlag(1);
    key.SetKeySelected(true);
    PaintLog log;
    key.Paint(log);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"frame #C840FF80 1", "rect #C840FF80",
                                                   "image light.png 255", "image set.png 255",
                                                   "frame #FF0099FF 2"}));
    key.SetKeySelected(false);
    PaintLog unselected;
    key.Paint(unselected);
    EXPECT_EQ(unselected.calls[2], "image light.png 200");

    int doubles = 0;
    key.AddListener([&](const ui::Notification& n) { doubles += n.Is("dbclick") ? 1 : 0; });
    EXPECT_FALSE(key.HandleInput(Mouse(ui::InputEvent::Type::DoubleClick, 60, 60)));
    EXPECT_TRUE(key.HandleInput(Mouse(ui::InputEvent::Type::DoubleClick, 20, 20)));
    EXPECT_EQ(doubles, 1);
}

TEST(RedioMacroButton, PulseFallsToEightyAndRisesBackEveryFiftyMilliseconds) {
    ui::HeadlessHost host;
    ui::Window window(host.Context(), "macro");
    auto owned = std::make_unique<CRedioMacroButtonUI>();
    CRedioMacroButtonUI* button = owned.get();
    ASSERT_TRUE(button->SetAttribute("redioimage", "common/macro/record_dot.png"));
    window.Attach(std::move(owned));

    ASSERT_TRUE(button->StartRecording());
    EXPECT_EQ(button->GetImage(ui::ImageState::Fore),
              "res='common/macro/record_dot.png' fade='255'");
    std::vector<int> fades;
    for (int tick = 0; tick < 20; ++tick) {
        host.AdvanceBy(49);
        const int before = button->GetFade();
        host.AdvanceBy(1);
        EXPECT_NE(button->GetFade(), before) << "tick " << tick << " came late";
        fades.push_back(button->GetFade());
    }
    const std::vector<int> expected = {235, 215, 195, 175, 155, 135, 115, 95,  80,  100,
                                       120, 140, 160, 180, 200, 220, 240, 255, 235, 215};
    EXPECT_EQ(fades, expected);
    EXPECT_EQ(button->GetImage(ui::ImageState::Fore),
              "res='common/macro/record_dot.png' fade='215'");

    button->StopRecording();
    EXPECT_FALSE(button->HasTimer(CRedioMacroButtonUI::kPulseTimer));
    EXPECT_EQ(button->GetImage(ui::ImageState::Fore), "");
    host.AdvanceBy(500);
    EXPECT_EQ(button->GetFade(), 255);
}

TEST(RedioMacroButton, CannotPulseOutsideAWindow) {
    CRedioMacroButtonUI loose;
    EXPECT_FALSE(loose.StartRecording());
    EXPECT_FALSE(loose.IsRecording());
}

TEST(HandImgButton, DeleteIconTakesTheClickOnlyWhileHovered) {
    CHandImgButtonUI button;
    ASSERT_TRUE(button.SetAttribute("handimage", "hand.png"));
    ASSERT_TRUE(button.SetAttribute("deletenormalimage", "del.png"));
    ASSERT_TRUE(button.SetAttribute("deletehotimage", "del_hot.png"));
    button.SetHostRect({100, 100, 200, 180});
    EXPECT_EQ(button.DeleteIconRect(), (ui::Rect{170, 151, 190, 171}));
    button.SetDpi(192);
    EXPECT_EQ(button.DeleteIconRect(), (ui::Rect{140, 122, 180, 162}));
    button.SetDpi(96);

    std::vector<std::string> seen;
    button.AddListener([&](const ui::Notification& n) { seen.push_back(n.type); });
    // Not hovered yet: a press on the icon's place is an ordinary click.
    EXPECT_FALSE(button.HandleInput(Mouse(ui::InputEvent::Type::ButtonDown, 175, 155)));
    button.HandleInput(Mouse(ui::InputEvent::Type::Enter, 120, 120));
    button.HandleInput(Mouse(ui::InputEvent::Type::Move, 175, 155));
    EXPECT_TRUE(button.IsIconHot());
    PaintLog log;
    button.Paint(log);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"image hand.png 255", "image del_hot.png 255"}));
    EXPECT_TRUE(button.HandleInput(Mouse(ui::InputEvent::Type::ButtonDown, 175, 155)));
    EXPECT_TRUE(button.HandleInput(Mouse(ui::InputEvent::Type::ButtonUp, 176, 156)));
    // Pressed on the icon, released off it: no delete, no click.
    EXPECT_TRUE(button.HandleInput(Mouse(ui::InputEvent::Type::ButtonDown, 175, 155)));
    EXPECT_TRUE(button.HandleInput(Mouse(ui::InputEvent::Type::ButtonUp, 120, 120)));
    button.HandleInput(Mouse(ui::InputEvent::Type::Leave, 300, 300));
    EXPECT_EQ(seen, (std::vector<std::string>{"msenter", "click_handdelete", "msleave"}));
}

TEST(HandImgSelectButton, DragMovesTheVisiblePartAndStaysInsideTheImage) {
    CHandImgSelectButtonUI button;
    ASSERT_TRUE(button.SetAttribute("handimage", "hand.png"));
    EXPECT_FALSE(button.SetAttribute("cursor", "pointer"));
    ASSERT_TRUE(button.SetAttribute("cursor", "SizeAll"));
    EXPECT_EQ(button.GetCursor(), "sizeall");
    button.SetHostRect({0, 0, 100, 50});
    button.SetImageSize({300, 120});
    button.HandleInput(Mouse(ui::InputEvent::Type::ButtonDown, 80, 40));
    button.HandleInput(Mouse(ui::InputEvent::Type::Move, 30, 20));  // picture follows left and up
    EXPECT_EQ(button.GetOffset(), (ui::Point{50, 20}));
    EXPECT_EQ(button.VisibleImage(), "file='hand.png' source='50,20,150,70'");
    button.HandleInput(Mouse(ui::InputEvent::Type::Move, -900, -900));
    EXPECT_EQ(button.GetOffset(), (ui::Point{200, 70}));  // the far corner, not past it
    button.HandleInput(Mouse(ui::InputEvent::Type::ButtonUp, 0, 0));
    button.HandleInput(Mouse(ui::InputEvent::Type::Move, 500, 500, 0));
    EXPECT_EQ(button.GetOffset(), (ui::Point{200, 70}));
}

TEST(ChartView, PieSharesIgnoreNegativeValuesAndAnEmptyTotal) {
    CChartViewUI chart;
    EXPECT_FALSE(chart.SetAttribute("view", "donut"));
    ASSERT_TRUE(chart.SetAttribute("view", "histpgram"));
    EXPECT_EQ(chart.GetView(), CChartViewUI::View::Histogram);
    chart.Add("a", 1);
    chart.Add("b", 3);
    chart.Add("c", -2);
    EXPECT_DOUBLE_EQ(chart.SweepOf(0), 90.0);
    EXPECT_DOUBLE_EQ(chart.SweepOf(1), 270.0);
    EXPECT_DOUBLE_EQ(chart.SweepOf(2), 0.0);
    chart.RemoveAll();
    chart.Add("zero", 0);
    EXPECT_DOUBLE_EQ(chart.SweepOf(0), 0.0);
}

TEST(WndUI, PlacerHearsOnlyOfChangedPlaces) {
    CWndUI wnd;
    std::vector<std::pair<ui::Rect, bool>> places;
    wnd.SetPlacer([&](const ui::Rect& r, bool visible) { places.emplace_back(r, visible); });
    wnd.SetHostRect({1, 2, 3, 4});
    wnd.Sync();
    wnd.Sync();
    wnd.SetVisible(false);
    wnd.Sync();
    ASSERT_EQ(places.size(), 2u);
    EXPECT_TRUE(places[0].second);
    EXPECT_FALSE(places[1].second);
}

TEST(ShellControls, RegisteredUnderFullAndShortNames) {
    ui::ControlFactory factory;
    RegisterShellControls(factory);
    for (const char* name :
         {"CircleProgress", "ChartView", "Wnd", "SelectPanel", "DeviceKeyButton",
          "CloudShareListItem", "HandImgButton", "HandImgSelectButton", "RedioMacroButton"}) {
        auto control = factory.Create(name);
        ASSERT_NE(control, nullptr) << name;
        EXPECT_EQ(control->GetClass(), name);
        EXPECT_NE(factory.Create("C" + std::string(name) + "UI"), nullptr) << name;
    }
}

}  // namespace
