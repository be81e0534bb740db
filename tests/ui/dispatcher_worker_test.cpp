#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/ui/dispatcher.h"
#include "platform/ui/headless_host.h"
#include "platform/ui/label.h"
#include "platform/ui/window.h"
#include "platform/ui/worker.h"

namespace {

using namespace ui;
using namespace std::chrono_literals;

TEST(Dispatcher, SendRunsTheCallOnTheUiThreadAndWaitsForIt) {
    HeadlessHost host;
    Dispatcher& ui = host.GetDispatcher();
    std::thread::id ranOn;
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        int value = 0;
        EXPECT_TRUE(ui.Send([&] {
            ranOn = std::this_thread::get_id();
            value = 42;
        }));
        EXPECT_EQ(value, 42);  // the worker sees the call's effect when Send returns
        returned = true;
    });
    EXPECT_TRUE(host.RunUntil([&] { return returned.load(); }, 5000));
    worker.join();
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(Dispatcher, RunsQueuedCallsInOrderAndSendOnTheUiThreadInline) {
    HeadlessHost host;
    Dispatcher& ui = host.GetDispatcher();
    std::vector<int> order;
    ui.Post([&] { order.push_back(1); });
    EXPECT_TRUE(ui.Send([&] { order.push_back(0); }));  // inline: before the queued post
    ui.Post([&] {
        order.push_back(2);
        ui.Post([&] { order.push_back(4); });
    });
    ui.Post([&] { order.push_back(3); });
    host.RunPending();
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(Dispatcher, ClosingReleasesAWaitingSenderWithFalse) {
    HeadlessHost host;
    Dispatcher& ui = host.GetDispatcher();
    std::atomic<int> result{-1};
    bool ran = false;
    std::thread worker([&] { result = ui.Send([&] { ran = true; }) ? 1 : 0; });
    while (!ui.HasPendingCalls()) {
        std::this_thread::sleep_for(1ms);
    }
    ui.Close();
    worker.join();
    EXPECT_EQ(result.load(), 0);
    EXPECT_FALSE(ran);
    EXPECT_FALSE(ui.Post([] {}));
    EXPECT_FALSE(ui.Send([] {}));
}

TEST(Worker, StoppingAWorkerThatSendsToTheUiThreadDoesNotDeadlock) {
    HeadlessHost host;
    Dispatcher& ui = host.GetDispatcher();
    std::atomic<int> sends{0};
    std::atomic<bool> started{false};
    Worker worker("discovery", &ui);
    ASSERT_TRUE(worker.Start([&](StopSignal& stop) {
        started = true;
        while (!stop.IsRequested()) {
            // An arrival reported synchronously, as discovery does.
            ui.Send([&] { ++sends; });
            stop.WaitFor(1ms);
        }
        // One last report after the stop request: the UI thread is inside Stop now.
        ui.Send([&] { ++sends; });
    }));
    while (!started) {
        host.RunPending();
    }
    auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(worker.Stop(), StopResult::Stopped);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 1000ms);
    EXPECT_GE(sends.load(), 1);
    EXPECT_FALSE(worker.IsRunning());
    EXPECT_EQ(worker.Stop(), StopResult::NotRunning);
}

TEST(Worker, AWaitInTheBodyWakesOnTheStopSignal) {
    Worker worker("sleeper");
    std::atomic<bool> woke{false};
    int cancelled = 0;
    worker.Signal().AddWakeCallback([&] { ++cancelled; });  // e.g. cancel a blocking read
    ASSERT_TRUE(worker.Start([&](StopSignal& stop) { woke = stop.WaitFor(60s); }));
    auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(worker.Stop(), StopResult::Stopped);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 1000ms);
    EXPECT_TRUE(woke);
    EXPECT_EQ(cancelled, 1);
}

TEST(Worker, AStubbornBodyIsReportedNotKilledAndJoinedLater) {
    HeadlessHost host;
    std::atomic<bool> release{false};
    std::atomic<bool> finished{false};
    auto worker = std::make_unique<Worker>("stubborn", &host.GetDispatcher());
    ASSERT_TRUE(worker->Start([&](StopSignal&) {
        while (!release) {
            std::this_thread::sleep_for(1ms);
        }
        finished = true;
    }));
    EXPECT_EQ(worker->Stop(50ms), StopResult::TimedOut);
    EXPECT_TRUE(worker->IsRunning());
    // A new body is refused while the old one still runs.
    EXPECT_FALSE(worker->Start([](StopSignal&) {}));
    release = true;
    worker.reset();  // joins
    EXPECT_TRUE(finished);
}

TEST(Worker, RestartingStopsThePreviousBodyFirst) {
    Worker worker("update");
    std::atomic<int> running{0};
    std::atomic<int> maxRunning{0};
    auto body = [&](StopSignal& stop) {
        maxRunning = std::max(maxRunning.load(), ++running);
        stop.WaitFor(10s);
        --running;
    };
    ASSERT_TRUE(worker.Start(body));
    ASSERT_TRUE(worker.Start(body));
    EXPECT_EQ(worker.Stop(), StopResult::Stopped);
    EXPECT_EQ(maxRunning.load(), 1);
}

TEST(Worker, SendsToAWindowFromAWorkerReachItsMessageHandler) {
    HeadlessHost host;
    Window window(host.Context(), "main");
    std::vector<intptr_t> arrived;
    window.SetMessageHandler([&](uint32_t msg, intptr_t w, intptr_t, bool& handled) {
        handled = true;
        if (msg == 0x0C12)
            arrived.push_back(w);
        return intptr_t{1};
    });
    WindowRef ref = window.Ref();
    Worker worker("discovery", &host.GetDispatcher());
    std::atomic<bool> done{false};
    worker.Start([&](StopSignal&) {
        for (int slot = 0; slot < 3; ++slot) {
            EXPECT_EQ(ref.Send(0x0C12, slot, 0), 1);
        }
        done = true;
    });
    EXPECT_TRUE(host.RunUntil([&] { return done.load(); }, 5000));
    EXPECT_EQ(worker.Stop(), StopResult::Stopped);
    EXPECT_EQ(arrived, (std::vector<intptr_t>{0, 1, 2}));
}

TEST(HeadlessHost, RealClockLoopRunsTimersAndEndsOnQuit) {
    HeadlessHost host(HeadlessHost::ClockMode::Real);
    Window window(host.Context(), "tool");
    window.Attach(std::make_unique<Label>());
    int ticks = 0;
    window.AddNotifyHandler([&](const Notification& n) {
        if (n.Is(notify::kTimer) && ++ticks == 3) {
            host.Quit();
        }
    });
    window.GetRoot()->SetTimer(1, 5, TimerKind::Periodic);
    host.Run();
    EXPECT_EQ(ticks, 3);
}

}  // namespace
