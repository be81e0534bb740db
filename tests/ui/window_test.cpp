#include "platform/ui/window.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/trace/trace.h"
#include "platform/ui/button.h"
#include "platform/ui/container.h"
#include "platform/ui/edit.h"
#include "platform/ui/headless_host.h"
#include "platform/ui/list.h"
#include "platform/ui/range_controls.h"

namespace {

using namespace ui;

// Records every notification as "type sender [wParam]".
struct Recorder {
    std::vector<std::string> events;
    void Attach(Window& window) {
        window.AddNotifyHandler([this](const Notification& n) {
            events.push_back(
                n.type + " " + n.SenderName() +
                (n.wParam != 0 || n.Is(notify::kItemSelect) ? " " + std::to_string(n.wParam) : ""));
        });
    }
};

class WindowTest : public ::testing::Test {
  protected:
    void Load(const char* xml) {
        LayoutLoader loader = host.Context().MakeLoader();
        LayoutResult result = loader.LoadString(xml);
        ASSERT_TRUE(result.ok()) << result.error;
        window.Attach(std::move(result.root));
        recorder.events.clear();
    }

    HeadlessHost host;
    Window window{host.Context(), "main"};
    Recorder recorder;

    void SetUp() override { recorder.Attach(window); }
};

TEST_F(WindowTest, FindsControlsByNameAndKeepsTheIndexInStepWithTheTree) {
    Load(
        "<VerticalLayout name='root'>"
        "  <HorizontalLayout name='page_a'><Button name='save'/><Slider "
        "name='level'/></HorizontalLayout>"
        "  <HorizontalLayout name='page_b'><Button name='save'/></HorizontalLayout>"
        "</VerticalLayout>");
    auto* pageA = window.FindControl<Container>("page_a");
    auto* pageB = window.FindControl<Container>("page_b");
    ASSERT_NE(pageB, nullptr);
    // Same name on two pages: the window finds the first, each page its own.
    EXPECT_EQ(window.FindControls("save").size(), 2u);
    EXPECT_EQ(window.FindControl("save"), pageA->GetItemAt(0));
    EXPECT_EQ(pageB->FindSubControl("save"), pageB->GetItemAt(0));
    EXPECT_EQ(pageB->FindSubControl("level"), nullptr);
    // Checked look-ups: wrong class or missing name give null.
    EXPECT_EQ(window.FindControl<Button>("level"), nullptr);
    EXPECT_EQ(window.FindControl<Button>("no_such_name"), nullptr);
    EXPECT_NE(window.FindControl<Slider>("level"), nullptr);

    window.FindControl("level")->SetName("brightness");
    EXPECT_EQ(window.FindControl("level"), nullptr);
    EXPECT_NE(window.FindControl<Slider>("brightness"), nullptr);

    auto* root = window.FindControl<Container>("root");
    root->Remove(pageA);
    EXPECT_EQ(window.FindControls("save").size(), 1u);
    EXPECT_EQ(window.FindControl("brightness"), nullptr);
    auto added = std::make_unique<Label>();
    added->SetName("late");
    root->Add(std::move(added));
    EXPECT_NE(window.FindControl<Label>("late"), nullptr);
    EXPECT_EQ(window.ControlCount(), 4u);
    EXPECT_EQ(window.FindControlsByClass("HorizontalLayout").size(), 1u);
}

TEST_F(WindowTest, OptionGroupsKeepOneSelectedAndTellBothSides) {
    Load(
        "<VerticalLayout>"
        "  <Option name='a' group='g' selected='true'/><Option name='b' group='g'/>"
        "  <Option name='c' group='other'/><CheckBox name='box'/>"
        "</VerticalLayout>");
    auto* a = window.FindControl<Option>("a");
    auto* b = window.FindControl<Option>("b");
    b->UserClick();
    EXPECT_FALSE(a->IsSelected());
    EXPECT_TRUE(b->IsSelected());
    EXPECT_EQ(recorder.events,
              (std::vector<std::string>{"click b", "selectchanged a", "selectchanged b"}));

    recorder.events.clear();
    b->UserClick();  // a selected group member stays selected
    EXPECT_TRUE(b->IsSelected());
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"click b"}));

    recorder.events.clear();
    a->SetSelected(true, Notify::No);
    EXPECT_FALSE(b->IsSelected());
    EXPECT_TRUE(recorder.events.empty());
    EXPECT_FALSE(window.FindControl<Option>("c")->IsSelected());

    auto* box = window.FindControl<CheckBox>("box");
    box->UserClick();
    box->UserClick();
    EXPECT_FALSE(box->IsSelected());
    EXPECT_EQ(recorder.events.size(), 4u);  // two clicks, two selectchanged
}

TEST_F(WindowTest, AnOptionBoundToATabSelectsItsPage) {
    Load(
        "<VerticalLayout>"
        "  <Option name='o0' group='p' bindtablayoutname='pages' bindtabindex='0'/>"
        "  <Option name='o2' group='p' bindtablayoutname='pages' bindtabindex='2' selected='true'/>"
        "  <TabLayout name='pages'><Label/><Label/><Label/></TabLayout>"
        "</VerticalLayout>");
    auto* pages = window.FindControl<TabLayout>("pages");
    EXPECT_EQ(pages->GetCurSel(), 2);  // applied once the whole tree was attached
    window.FindControl<Option>("o0")->UserClick();
    EXPECT_EQ(pages->GetCurSel(), 0);
    EXPECT_FALSE(pages->SelectItem(3));
    EXPECT_EQ(pages->GetCurSel(), 0);
}

TEST_F(WindowTest, SlidersSeparateDragStepsFromTheCommittedValue) {
    Load("<Slider name='s' min='0' max='10' value='2'/>");
    auto* s = window.FindControl<Slider>("s");
    s->UserDrag(3);
    s->UserDrag(3);  // no movement, no notification
    s->UserDrag(15);
    s->UserCommit(15);
    EXPECT_EQ(s->GetValue(), 10);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"movevaluechanged s", "movevaluechanged s",
                                                         "valuechanged s"}));

    recorder.events.clear();
    s->SetValue(4, Notify::No);
    s->SetRange(0, 3);  // the value follows the narrower range, silently
    EXPECT_EQ(s->GetValue(), 3);
    EXPECT_TRUE(recorder.events.empty());
    s->SetValue(1);
    s->SetEnabled(false);
    s->UserCommit(2);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"valuechanged s"}));
    EXPECT_EQ(s->GetValue(), 1);
}

TEST_F(WindowTest, FocusMovesWithKillfocusBeforeSetfocus) {
    Load(
        "<VerticalLayout><Edit name='e1'/><Edit name='e2'/><Edit name='off' enabled='false'/>"
        "</VerticalLayout>");
    auto* e1 = window.FindControl<Edit>("e1");
    auto* e2 = window.FindControl<Edit>("e2");
    EXPECT_TRUE(window.SetFocus(e1));
    EXPECT_TRUE(window.SetFocus(e2));
    EXPECT_FALSE(window.SetFocus(window.FindControl("off")));
    EXPECT_EQ(window.GetFocus(), e2);
    EXPECT_EQ(recorder.events,
              (std::vector<std::string>{"setfocus e1", "killfocus e1", "setfocus e2"}));
    // Removing the focused control leaves no dangling focus.
    window.GetRoot()->AsContainer()->Remove(e2);
    EXPECT_EQ(window.GetFocus(), nullptr);
}

TEST_F(WindowTest, EditsFilterWhatTheUserTypes) {
    Load(
        "<VerticalLayout><Edit name='n' numberonly='true' maxvalue='255'/>"
        "<Edit name='t' maxchar='4'/><Edit name='r' readonly='true' "
        "text='fixed'/></VerticalLayout>");
    auto* n = window.FindControl<Edit>("n");
    EXPECT_EQ(n->UserSetText("1a2"), "12");
    EXPECT_EQ(n->UserSetText("300"), "255");
    EXPECT_EQ(n->UserSetText("99999999999999999999"), "255");
    EXPECT_EQ(window.FindControl<Edit>("t")->UserSetText("héllo"), "héll");
    EXPECT_EQ(window.FindControl<Edit>("r")->UserSetText("changed"), "fixed");
    EXPECT_EQ(recorder.events,
              (std::vector<std::string>{"textchanged n", "textchanged n", "textchanged t"}));
}

TEST_F(WindowTest, ListsReportSelectionsWithNewAndOldIndex) {
    Load(
        "<Combo name='c' itemheight='30'><ListLabelElement text='a'/><ListLabelElement text='b'/>"
        "<ListLabelElement text='c'/></Combo>");
    auto* combo = window.FindControl<Combo>("c");
    EXPECT_EQ(combo->GetItem(0)->GetFixedHeight(), 30);
    combo->GetItem(1)->UserPress();
    combo->GetItem(1)->UserClick();
    combo->SelectItem(2, Notify::No);
    EXPECT_EQ(combo->GetSelectedText(), "c");
    EXPECT_FALSE(combo->SelectItem(7));
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"itemselect c 1", "itemclick "}));
    // Removing an item before the selection keeps the same item selected;
    // removing the selected one clears the selection without a notification.
    combo->Remove(combo->GetItem(0));
    EXPECT_EQ(combo->GetCurSel(), 1);
    combo->Remove(combo->GetItem(1));
    EXPECT_EQ(combo->GetCurSel(), -1);
    EXPECT_EQ(recorder.events.size(), 2u);
}

TEST_F(WindowTest, MultiSelectListsToggleItems) {
    Load(
        "<List name='l' multiselect='true'><ListLabelElement/><ListLabelElement/>"
        "<ListLabelElement/></List>");
    auto* list = window.FindControl<List>("l");
    list->GetItem(0)->UserPress();
    list->GetItem(2)->UserPress(true);
    EXPECT_EQ(list->GetSelectedIndices(), (std::vector<int>{0, 2}));
    list->GetItem(2)->UserPress(true);
    EXPECT_EQ(list->GetSelectedIndices(), (std::vector<int>{0}));
    EXPECT_EQ(list->GetCurSel(), 0);
}

TEST_F(WindowTest, AReceiverThatDestroysTheSenderEndsTheDelivery) {
    Load("<VerticalLayout><Button name='b'/></VerticalLayout>");
    auto* button = window.FindControl<Button>("b");
    int laterCalls = 0;
    button->AddListener(
        [&](const Notification&) { window.GetRoot()->AsContainer()->Remove(button); });
    window.AddNotifyHandler([&](const Notification&) { ++laterCalls; });
    button->UserClick();
    EXPECT_EQ(laterCalls, 0);
    EXPECT_EQ(window.FindControl("b"), nullptr);
}

TEST_F(WindowTest, PostedNotificationsOfAGoneSenderAreDropped) {
    Load("<VerticalLayout><Button name='b'/><Button name='keep'/></VerticalLayout>");
    window.PostNotify({"click", window.FindControl("b"), 0, 0});
    window.PostNotify({"click", window.FindControl("keep"), 0, 0});
    window.GetRoot()->AsContainer()->Remove(window.FindControl("b"));
    host.RunPending();
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"click keep"}));
}

struct ObserverLog : TreeObserver {
    std::vector<std::string> log;
    void OnPropertyChanged(Control& c, Property p) override {
        log.push_back("prop " + c.GetName() + " " + std::to_string(static_cast<int>(p)));
    }
    void OnChildInserted(Container& parent, Control& child, size_t index) override {
        log.push_back("insert " + parent.GetName() + " " + child.GetName() + " " +
                      std::to_string(index));
    }
    void OnChildRemoving(Container& parent, Control& child, size_t index) override {
        log.push_back("remove " + parent.GetName() + " " + child.GetName() + " " +
                      std::to_string(index));
    }
    void OnTimerSet(Control& c, int id, int ms, bool periodic) override {
        log.push_back("timer " + c.GetName() + " " + std::to_string(id) + " " + std::to_string(ms) +
                      (periodic ? " periodic" : " once"));
    }
    void OnTimerKilled(Control& c, int id) override {
        log.push_back("kill " + c.GetName() + " " + std::to_string(id));
    }
};

TEST_F(WindowTest, ObserversHearOfEveryChangeToMirror) {
    Load("<VerticalLayout name='root'><Label name='l'/></VerticalLayout>");
    ObserverLog observer;
    window.AddObserver(&observer);
    auto* label = window.FindControl<Label>("l");
    label->SetText("x");
    label->SetText("x");  // unchanged: no event
    label->SetVisible(false);
    auto added = std::make_unique<Button>();
    added->SetName("new");
    window.GetRoot()->AsContainer()->AddAt(std::move(added), 0);
    label->SetTimer(7, 100, TimerKind::OneShot);
    label->KillTimer(7);
    window.GetRoot()->AsContainer()->Remove(label);
    const std::vector<std::string> expected = {
        "prop l " + std::to_string(static_cast<int>(Property::Text)),
        "prop l " + std::to_string(static_cast<int>(Property::Visible)),
        "insert root new 0",
        "timer l 7 100 once",
        "kill l 7",
        "remove root l 1",
    };
    EXPECT_EQ(observer.log, expected);
    window.RemoveObserver(&observer);
}

TEST_F(WindowTest, WorkersReachTheWindowOnlyWhileItExists) {
    auto popup = std::make_unique<Window>(host.Context(), "popup");
    popup->SetMessageHandler([](uint32_t msg, intptr_t w, intptr_t, bool& handled) {
        handled = true;
        return static_cast<intptr_t>(msg) + w;
    });
    WindowRef ref = popup->Ref();
    EXPECT_EQ(ref.Send(3090, 2, 0), 3092);  // from the UI thread: runs inline
    popup.reset();
    EXPECT_EQ(ref.Send(3090, 2, 0), std::nullopt);
    EXPECT_TRUE(ref.Post(1, 0, 0));
    host.RunPending();  // dropped, not a use after free
}

TEST_F(WindowTest, HostRequestsGoThroughHostOperations) {
    Load("<Label name='only'/>");
    window.Show();
    window.Minimize();
    host.Host().ScriptModalResult(1);
    EXPECT_EQ(window.ShowModal(), 1);
    window.Close(5);
    window.Close(6);  // closing twice reports once
    EXPECT_TRUE(window.IsClosed());
    EXPECT_EQ(window.GetCloseCode(), 5);
    EXPECT_EQ(host.Host().CountCalls("show main 1"), 1u);
    EXPECT_EQ(host.Host().CountCalls("state main minimized"), 1u);
    EXPECT_EQ(host.Host().CountCalls("modal main"), 1u);
    EXPECT_EQ(host.Host().CountCalls("close main"), 1u);
}

TEST_F(WindowTest, AChangeFromAnotherThreadIsTraced) {
    Load("<Label name='status'/>");
    std::vector<std::string> lines;
    platform::trace::SetSink([&](std::string_view line) { lines.emplace_back(line); });
    std::thread([&] { window.FindControl("status")->SetText("late"); }).join();
    window.FindControl("status")->SetText("ok");  // on the UI thread: silent
    platform::trace::SetSink({});
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("Label \"status\" off the UI thread"), std::string::npos) << lines[0];
}

}  // namespace
