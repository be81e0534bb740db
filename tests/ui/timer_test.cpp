#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/button.h"
#include "platform/ui/container.h"
#include "platform/ui/headless_host.h"
#include "platform/ui/window.h"

namespace {

using namespace ui;

// Logs "name:id@time" for every timer of the window.
class TimerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto root = std::make_unique<VerticalLayout>();
        for (const char* name : {"entry", "other"}) {
            auto label = std::make_unique<Label>();
            label->SetName(name);
            root->Add(std::move(label));
        }
        window.Attach(std::move(root));
        window.AddNotifyHandler([this](const Notification& n) {
            if (n.Is(notify::kTimer)) {
                fired.push_back(n.SenderName() + ":" + std::to_string(n.wParam) + "@" +
                                std::to_string(host.GetClock().NowMs()));
                if (onTimer)
                    onTimer(n);
            }
        });
    }
    Control& Entry() { return *window.FindControl("entry"); }
    Control& Other() { return *window.FindControl("other"); }

    HeadlessHost host;
    Window window{host.Context(), "main"};
    std::vector<std::string> fired;
    std::function<void(const Notification&)> onTimer;
};

TEST_F(TimerTest, FiresEveryDueTimerInDueOrderAtItsOwnTime) {
    Entry().SetTimer(1001, 500, TimerKind::OneShot);
    Other().SetTimer(1, 200, TimerKind::Periodic);
    Entry().SetTimer(1002, 200, TimerKind::OneShot);  // same due time as "other": armed later
    host.AdvanceBy(650);
    EXPECT_EQ(fired, (std::vector<std::string>{"other:1@200", "entry:1002@200", "other:1@400",
                                               "entry:1001@500", "other:1@600"}));
    EXPECT_FALSE(Entry().HasTimer(1001));
    EXPECT_TRUE(Other().HasTimer(1));
}

TEST_F(TimerTest, AHandlerMayStopAndReArmItsTimer) {
    // The selection entry pattern: one-shot 1001 starts 1000 every 5 ms, and
    // 1000 re-arms itself only while a condition holds.
    int pushes = 0;
    onTimer = [&](const Notification& n) {
        if (n.wParam == 1001) {
            Entry().SetTimer(1000, 5, TimerKind::OneShot);
        } else if (n.wParam == 1000 && ++pushes < 20) {
            Entry().SetTimer(1000, 5, TimerKind::OneShot);
        }
    };
    Entry().SetTimer(1001, 500, TimerKind::OneShot);
    host.AdvanceBy(1000);
    EXPECT_EQ(pushes, 20);
    EXPECT_EQ(fired.back(), "entry:1000@600");
}

TEST_F(TimerTest, KillingInsideTheHandlerStopsAPeriodicTimer) {
    onTimer = [&](const Notification&) {
        if (fired.size() == 3)
            Entry().KillTimer(9);
    };
    Entry().SetTimer(9, 10, TimerKind::Periodic);
    host.AdvanceBy(100);
    EXPECT_EQ(fired.size(), 3u);
}

TEST_F(TimerTest, ReArmingReplacesThePendingTimer) {
    Entry().SetTimer(1055, 400, TimerKind::OneShot);
    host.AdvanceBy(300);
    Entry().SetTimer(1055, 400, TimerKind::OneShot);  // a second choice within 400 ms
    host.AdvanceBy(500);
    EXPECT_EQ(fired, (std::vector<std::string>{"entry:1055@700"}));
}

TEST_F(TimerTest, AControlLeavingTheWindowTakesItsTimersAlong) {
    Entry().SetTimer(1, 10, TimerKind::Periodic);
    Other().SetTimer(2, 10, TimerKind::OneShot);
    window.GetRoot()->AsContainer()->Remove(&Entry());
    host.AdvanceBy(50);
    EXPECT_EQ(fired, (std::vector<std::string>{"other:2@10"}));
    // A control outside any window cannot arm a timer.
    Label loose;
    EXPECT_FALSE(loose.SetTimer(1, 10, TimerKind::OneShot));
    EXPECT_FALSE(Other().SetTimer(3, -1, TimerKind::OneShot));
}

TEST_F(TimerTest, TimersOfADestroyedWindowNeverFire) {
    auto popup = std::make_unique<Window>(host.Context(), "popup");
    auto root = std::make_unique<Label>();
    Label* label = root.get();
    popup->Attach(std::move(root));
    label->SetTimer(1, 10, TimerKind::Periodic);
    popup.reset();
    EXPECT_EQ(host.GetDispatcher().Timers().Size(), 0u);
    host.AdvanceBy(50);
    EXPECT_TRUE(fired.empty());
}

TEST_F(TimerTest, AControlMayHandleItsOwnTimersBeforeAnyoneElse) {
    struct Entry : Label {
        std::vector<int> own;
        void OnTimer(int id) override {
            own.push_back(id);
            if (id != 1003)
                Label::OnTimer(id);  // its own timer is not passed on
        }
    };
    auto entry = std::make_unique<Entry>();
    Entry* raw = entry.get();
    window.GetRoot()->AsContainer()->Add(std::move(entry));
    raw->SetTimer(1003, 5, TimerKind::OneShot);
    raw->SetTimer(1004, 6, TimerKind::OneShot);
    host.AdvanceBy(10);
    EXPECT_EQ(raw->own, (std::vector<int>{1003, 1004}));
    EXPECT_EQ(fired, (std::vector<std::string>{":1004@6"}));
}

}  // namespace
