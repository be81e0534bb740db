// The model's loop on the Qt event loop: timers fire on it in due order, calls from worker
// threads are served on the UI thread, and shutdown or modal runs do not stall them.

#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <thread>

#include "platform/ui/container.h"
#include "platform/ui/worker.h"
#include "shell/qt/qt_loop.h"
#include "tests/shell_qt/qt_test_support.h"

namespace qthost_test {
namespace {

using Loop = QtHostTest;

bool WaitFor(const std::function<bool()>& done, int ms = 3000) {
    return QTest::qWaitFor(done, ms);
}

TEST_F(Loop, ControlTimersFireOnTheQtLoopInDueOrder) {
    Load("main.xml");
    ui::Control* late = window->FindControl("closebtn");
    ui::Control* early = window->FindControl("minbtn");
    ASSERT_TRUE(late->SetTimer(7, 60, ui::TimerKind::OneShot));
    ASSERT_TRUE(early->SetTimer(8, 15, ui::TimerKind::OneShot));
    ASSERT_TRUE(WaitFor([this] { return heard.size() >= 2; }));
    EXPECT_EQ(heard[0].type + ":" + heard[0].sender, "timer:minbtn");
    EXPECT_EQ(heard[0].wParam, 8);
    EXPECT_EQ(heard[1].type + ":" + heard[1].sender, "timer:closebtn");
    EXPECT_EQ(heard[1].wParam, 7);
    QTest::qWait(100);
    EXPECT_EQ(heard.size(), 2u);  // one-shot timers fire once
}

TEST_F(Loop, PeriodicTimerKeepsFiringUntilKilledByItsHandler) {
    Load("main.xml");
    ui::Control* button = window->FindControl("closebtn");
    int fired = 0;
    button->AddListener([&](const ui::Notification& n) {
        if (n.Is("timer") && ++fired == 3) {
            button->KillTimer(n.wParam);
        }
    });
    ASSERT_TRUE(button->SetTimer(1, 5, ui::TimerKind::Periodic));
    ASSERT_TRUE(WaitFor([&] { return fired >= 3; }));
    QTest::qWait(60);
    EXPECT_EQ(fired, 3);
    EXPECT_FALSE(button->HasTimer(1));
}

TEST_F(Loop, SendFromAWorkerRunsOnTheUiThreadAndReturnsAfterIt) {
    const std::thread::id ui = std::this_thread::get_id();
    std::atomic<bool> done{false};
    std::thread::id ranOn;
    bool sent = false;
    std::thread worker([&] {
        sent = host.GetDispatcher().Send([&] { ranOn = std::this_thread::get_id(); });
        done = true;
    });
    EXPECT_TRUE(WaitFor([&] { return done.load(); }));
    worker.join();
    EXPECT_TRUE(sent);
    EXPECT_EQ(ranOn, ui);
}

TEST_F(Loop, PostsFromAWorkerRunInTheirOrder) {
    std::vector<int> order;
    std::thread worker([&] {
        for (int i = 0; i < 200; ++i) {
            host.GetDispatcher().Post([&order, i] { order.push_back(i); });
        }
    });
    worker.join();
    ASSERT_TRUE(WaitFor([&] { return order.size() == 200; }));
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(order[static_cast<size_t>(i)], i);
    }
}

TEST_F(Loop, StoppingAWorkerThatKeepsSendingDoesNotDeadlock) {
    ui::Worker worker("sender", &host.GetDispatcher());
    std::atomic<int> served{0};
    ASSERT_TRUE(worker.Start([&](ui::StopSignal& stop) {
        while (!stop.IsRequested()) {
            host.GetDispatcher().Send([&] { ++served; });
            stop.WaitFor(std::chrono::milliseconds(1));
        }
        // One more send while the UI thread is already waiting in Stop.
        host.GetDispatcher().Send([&] { ++served; });
    }));
    ASSERT_TRUE(WaitFor([&] { return served.load() >= 3; }));
    EXPECT_EQ(worker.Stop(), ui::StopResult::Stopped);
    EXPECT_FALSE(worker.IsRunning());
}

TEST_F(Loop, ModalRunKeepsServingTimersAndEndsWithTheCloseCode) {
    Load("main.xml");
    ui::Window dialog(host.Context(), "dialog");
    std::string error;
    ASSERT_TRUE(dialog.LoadLayout("main.xml", {}, &error)) << error;
    dialog.FindControl("closebtn")->AddListener([&dialog](const ui::Notification& n) {
        if (n.Is("timer")) {
            dialog.Close(5);
        }
    });
    dialog.FindControl("closebtn")->SetTimer(1, 20, ui::TimerKind::OneShot);
    EXPECT_EQ(dialog.ShowModal(), 5);
    EXPECT_FALSE(host.ViewOf(dialog)->isVisible());
}

TEST_F(Loop, WindowDestroyedDuringItsModalRunEndsTheRun) {
    auto dialog = std::make_unique<ui::Window>(host.Context(), "dialog");
    std::string error;
    ASSERT_TRUE(dialog->LoadLayout("main.xml", {}, &error)) << error;
    ui::Window* raw = dialog.get();
    QTimer::singleShot(30, [&dialog] { dialog.reset(); });
    EXPECT_EQ(raw->ShowModal(), 0);
    EXPECT_EQ(dialog, nullptr);
    Settle();
}

TEST_F(Loop, ClickHandlerRunningANestedLoopMayRemoveItsOwnButton) {
    Load("main.xml");
    QPointer<QWidget> box = WidgetOf("deng_7color_check");
    bool deletedInside = false;
    window->AddNotifyHandler([&](const ui::Notification& n) {
        if (n.Is("click") && n.SenderName() == "deng_7color_check") {
            n.sender->GetParent()->Remove(n.sender);
            // As a modal message box would: deferred deletions run inside this loop.
            QEventLoop nested;
            QTimer::singleShot(20, &nested, &QEventLoop::quit);
            nested.exec();
            deletedInside = box.isNull();
        }
    });
    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_TRUE(deletedInside);  // the button's own click handling was still on the stack
    EXPECT_EQ(window->FindControl("deng_7color_check"), nullptr);
}

TEST_F(Loop, QuitRequestEndsTheHostsLoop) {
    host.GetDispatcher().Post([this] { host.GetDispatcher().Quit(); });
    EXPECT_EQ(host.Exec(), 0);
}

}  // namespace
}  // namespace qthost_test
