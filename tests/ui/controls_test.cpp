#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/button.h"
#include "platform/ui/container.h"
#include "platform/ui/custom_control.h"
#include "platform/ui/edit.h"
#include "platform/ui/headless_host.h"
#include "platform/ui/list.h"
#include "platform/ui/menu.h"
#include "platform/ui/range_controls.h"
#include "platform/ui/window.h"

namespace {

using namespace ui;

class ControlsTest : public ::testing::Test {
  protected:
    void Load(const char* xml) {
        LayoutLoader loader = host.Context().MakeLoader();
        LayoutResult result = loader.LoadString(xml);
        ASSERT_TRUE(result.ok()) << result.error;
        window.Attach(std::move(result.root), result.window ? &*result.window : nullptr);
        events.clear();
    }
    void SetUp() override {
        window.AddNotifyHandler([this](const Notification& n) {
            events.push_back(n.type + " " + n.SenderName());
            last = n;
        });
    }

    HeadlessHost host;
    Window window{host.Context(), "main"};
    std::vector<std::string> events;
    Notification last;
};

TEST_F(ControlsTest, AttributesAreInheritedAndAMalformedValueKeepsTheOldOne) {
    Slider slider;
    EXPECT_TRUE(slider.SetAttribute("name", "s"));        // Control's table
    EXPECT_TRUE(slider.SetAttribute("align", "center"));  // Label's table
    EXPECT_TRUE(slider.SetAttribute("MAX", "50"));        // Progress's table, any case
    EXPECT_TRUE(slider.SetAttribute("step", "5"));        // Slider's own
    EXPECT_EQ(slider.GetName(), "s");
    EXPECT_EQ(slider.GetAlign(), TextAlign::Center);
    EXPECT_EQ(slider.GetMaxValue(), 50);
    EXPECT_EQ(slider.GetStep(), 5);
    EXPECT_FALSE(slider.SetAttribute("max", "lots"));
    EXPECT_FALSE(slider.SetAttribute("textcolor", "red"));
    EXPECT_FALSE(slider.SetAttribute("padding", "1,2"));
    EXPECT_EQ(slider.GetMaxValue(), 50);
    EXPECT_FALSE(slider.GetColor(ColorRole::Text).has_value());
    // A Label does not know slider attributes: they land in the bag.
    Label label;
    EXPECT_TRUE(label.SetAttribute("step", "5"));
    EXPECT_EQ(label.GetAttribute("step"), "5");
    EXPECT_EQ(slider.GetAttribute("step"), std::nullopt);
}

TEST_F(ControlsTest, TabLayoutsKeepTheirSelectionAcrossInsertsAndRemovals) {
    Load(
        "<TabLayout name='t' selectedid='1'><Label name='a'/><Label name='b'/><Label name='c'/>"
        "</TabLayout>");
    auto* tabs = window.FindControl<TabLayout>("t");
    EXPECT_EQ(tabs->GetCurSel(), 1);
    tabs->AddAt(std::make_unique<Label>(), 0);
    EXPECT_EQ(tabs->GetItemAt(static_cast<size_t>(tabs->GetCurSel()))->GetName(), "b");
    tabs->Remove(window.FindControl("b"));
    EXPECT_EQ(tabs->GetItemAt(static_cast<size_t>(tabs->GetCurSel()))->GetName(), "c");
    tabs->RemoveAll();
    EXPECT_EQ(tabs->GetCurSel(), -1);
    EXPECT_TRUE(events.empty());
}

TEST_F(ControlsTest, AnOptionMovedToAnotherGroupExcludesItsNewPeers) {
    Load(
        "<VerticalLayout><Option name='a' group='x' selected='true'/>"
        "<Option name='b' group='y' selected='true'/></VerticalLayout>");
    auto* a = window.FindControl<Option>("a");
    auto* b = window.FindControl<Option>("b");
    EXPECT_TRUE(a->IsSelected());
    EXPECT_TRUE(b->IsSelected());
    b->SetGroup("x");  // joining selected: it wins, silently
    EXPECT_FALSE(a->IsSelected());
    EXPECT_EQ(window.GetOptionGroup("x").size(), 2u);
    EXPECT_TRUE(window.GetOptionGroup("y").empty());
    a->SetSelected(true);
    EXPECT_FALSE(b->IsSelected());
    EXPECT_EQ(events, (std::vector<std::string>{"selectchanged b", "selectchanged a"}));
}

TEST_F(ControlsTest, TheLastSelectedOptionOfAGroupInALayoutWins) {
    Load(
        "<VerticalLayout><Option name='a' group='g' selected='true'/>"
        "<Option name='b' group='g' selected='true'/></VerticalLayout>");
    EXPECT_FALSE(window.FindControl<Option>("a")->IsSelected());
    EXPECT_TRUE(window.FindControl<Option>("b")->IsSelected());
}

TEST_F(ControlsTest, UserChoicesRaiseTheirNotificationsWithTheirValues) {
    Load(
        "<VerticalLayout><ColorPalette name='p' selectcolor='#FF000000'/>"
        "<List name='rows' menu='true'><ListLabelElement name='r0'/><ListLabelElement name='r1'/>"
        "</List><Edit name='e'/><Button name='b'/><Button name='off' enabled='false'/>"
        "</VerticalLayout>");
    window.FindControl<ColorPalette>("p")->UserPick(Color{0xFF00FF00});
    EXPECT_EQ(last.wParam, static_cast<intptr_t>(0xFF00FF00));
    window.FindControl<ColorPalette>("p")->SetSelectColor(Color{0xFF0000FF}, Notify::No);
    auto* rows = window.FindControl<List>("rows");
    rows->GetItem(1)->UserActivate();
    EXPECT_EQ(rows->GetCurSel(), 1);
    rows->UserContextMenu({5, 6});
    EXPECT_EQ(last.lParam, 6);
    rows->GetItem(0)->UserContextMenu({1, 1});  // the row itself has no context menu
    rows->UserHeaderClick(2);
    window.FindControl<Edit>("e")->UserReturn();
    window.FindControl<Button>("b")->UserDoubleClick();
    window.FindControl<Button>("off")->UserClick();
    EXPECT_EQ(events,
              (std::vector<std::string>{"colorchanged p", "itemselect rows", "itemactivate r1",
                                        "menu rows", "headerclick rows", "return e", "dbclick b"}));
}

TEST_F(ControlsTest, CustomControlsPaintThroughTheirHookAndTakeRawInput) {
    struct Calls : Painter {
        std::vector<std::string> log;
        void FillRect(const Rect& r, Color) override {
            log.push_back("fill " + std::to_string(r.right));
        }
        void DrawRect(const Rect&, Color, int w) override {
            log.push_back("border " + std::to_string(w));
        }
        void FillEllipse(const Rect&, Color) override { log.push_back("disc"); }
        void FillPie(const Rect&, Color, double, double sweep) override {
            log.push_back("pie " + std::to_string(static_cast<int>(sweep)));
        }
        void DrawLine(Point, Point, Color, int) override {}
        void DrawImage(std::string_view image, const Rect&, const std::optional<Rect>&,
                       uint8_t) override {
            log.push_back(std::string(image));
        }
        void DrawText(std::string_view, const Rect&, Color, const FontSpec&, TextAlign) override {}
    } painter;
    Load("<VerticalLayout><Custom name='band'/></VerticalLayout>");
    auto* band = window.FindControl<CustomControl>("band");
    EXPECT_FALSE(band->IsCustomPainted());
    band->SetHostRect({0, 0, 100, 40});
    band->SetPaintHook([](Control& self, Painter& p) {
        p.FillRect(self.GetHostRect(), Color{0x460099FF});
        p.DrawRect(self.GetHostRect(), Color{0xFF0099FF}, 2);
    });
    std::vector<Point> dragged;
    band->SetInputHook([&](Control& self, const InputEvent& e) {
        if (e.type != InputEvent::Type::ButtonUp)
            return false;
        dragged.push_back(e.pos);
        self.SendNotify("click_select_end");
        return true;
    });
    EXPECT_TRUE(band->IsCustomPainted());
    band->Paint(painter);
    EXPECT_EQ(painter.log, (std::vector<std::string>{"fill 100", "border 2"}));
    EXPECT_TRUE(band->HandleInput({InputEvent::Type::ButtonUp, {3, 4}}));
    EXPECT_FALSE(band->HandleInput({InputEvent::Type::Move, {3, 4}}));
    EXPECT_EQ(events, (std::vector<std::string>{"click_select_end band"}));
}

TEST_F(ControlsTest, FontsResolveThroughTheWindowTable) {
    Load(
        "<Window><Font id='0' name='Metropolis' size='15' default='true'/>"
        "<Font id='50' name='Metropolis' size='18' bold='true'/>"
        "<VerticalLayout><Label name='plain'/><Label name='big' font='50'/>"
        "<Label name='sized' fontsize='30'/><Label name='lost' "
        "font='9'/></VerticalLayout></Window>");
    EXPECT_EQ(window.ResolveFont(*window.FindControl("plain")).size, 15);
    EXPECT_TRUE(window.ResolveFont(*window.FindControl("big")).bold);
    FontSpec sized = window.ResolveFont(*window.FindControl("sized"));
    EXPECT_EQ(sized.face, "Metropolis");
    EXPECT_EQ(sized.size, 30);
    EXPECT_EQ(window.ResolveFont(*window.FindControl("lost")).size, 15);  // unknown id: default
    window.RemoveAllFonts();
    window.SetFont(0, FontSpec{-1, "Noto Sans Thai", 15}, true);
    EXPECT_EQ(window.ResolveFont(*window.FindControl("plain")).face, "Noto Sans Thai");
}

TEST_F(ControlsTest, ReplacingTheTreeEndsTheOldTreesTimersAndSendsWindowinit) {
    Load("<Label name='old'/>");
    window.FindControl("old")->SetTimer(1, 10, TimerKind::Periodic);
    Load("<Label name='new'/>");
    EXPECT_EQ(host.GetDispatcher().Timers().Size(), 0u);
    EXPECT_EQ(window.FindControl("old"), nullptr);
    std::vector<std::string> seen;
    window.AddNotifyHandler(
        [&](const Notification& n) { seen.push_back(n.type + " " + n.SenderName()); });
    window.Attach(std::make_unique<VerticalLayout>());
    EXPECT_EQ(seen, (std::vector<std::string>{"windowinit "}));
}

TEST_F(ControlsTest, ARefusedChildStaysWithTheCaller) {
    Load(
        "<VerticalLayout name='root'><HorizontalLayout name='row'/><List name='list'/>"
        "</VerticalLayout>");
    auto* row = window.FindControl<Container>("row");
    auto detached = window.DetachRoot();
    // Adding an ancestor would make a cycle: refused, and the tree is not lost.
    EXPECT_EQ(row->Add(std::move(detached)), nullptr);
    ASSERT_NE(detached, nullptr);
    EXPECT_EQ(row->GetParent(), detached.get());
    auto button = std::make_unique<Button>();
    EXPECT_EQ(detached->AsContainer()->FindSubControl<List>("list")->Add(std::move(button)),
              nullptr);  // a list takes only list elements
    ASSERT_NE(button, nullptr);
    Button* added = row->Add(std::move(button));
    EXPECT_NE(added, nullptr);
    EXPECT_EQ(added, row->GetItemAt(0));
    EXPECT_EQ(row->Add(std::unique_ptr<Control>()), nullptr);
}

TEST(HeadlessHostModal, ARealClockModalRunEndsWhenTheWindowCloses) {
    HeadlessHost host(HeadlessHost::ClockMode::Real);
    Window box(host.Context(), "msgwnd");
    box.Attach(std::make_unique<Button>());
    box.GetRoot()->SetName("confirm_btn");
    box.AddNotifyHandler([&](const Notification& n) {
        if (n.Is(notify::kTimer)) {
            box.Close(1);  // as a click on the confirm button would
        }
    });
    box.GetRoot()->SetTimer(1, 20, TimerKind::OneShot);
    EXPECT_EQ(box.ShowModal(), 1);
    EXPECT_FALSE(box.IsModal());
}

}  // namespace
