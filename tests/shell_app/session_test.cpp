// The single-instance endpoint, the settings file and the requests the
// running program answers.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/session/local_socket.h"
#include "platform/ui/headless_host.h"
#include "platform/ui/window.h"
#include "shell/app_messages.h"
#include "shell/app_settings.h"
#include "shell/instance_commands.h"
#include "sim/sim_bus.h"

namespace {

std::string UniqueName(const char* what) {
    return std::string("veldmark_test_") + what + "_" + std::to_string(::getpid());
}

}  // namespace

TEST(LocalServer, SecondListenerFindsTheNameTakenAndTalksToTheFirst) {
    const std::string name = UniqueName("instance");
    platform::session::LocalServer first;
    ASSERT_EQ(first.Listen(name), platform::session::ListenResult::Listening);
    ASSERT_TRUE(first.Start([](const std::string& request) { return "echo " + request; }));

    platform::session::LocalServer second;
    EXPECT_EQ(second.Listen(name), platform::session::ListenResult::AlreadyTaken);
    EXPECT_EQ(platform::session::SendLocalRequest(name, "raise", 2000), "echo raise");
    // A reply never spans lines, whatever the handler returns.
    EXPECT_EQ(platform::session::SendLocalRequest(name, "a\nb", 2000), "echo a b");

    first.Stop();
    EXPECT_EQ(platform::session::SendLocalRequest(name, "raise", 500), std::nullopt);
    EXPECT_EQ(second.Listen(name), platform::session::ListenResult::Listening);
}

TEST(LocalServer, StopReturnsWhileTheHandlerWaitsForTheUiThread) {
    ui::HeadlessHost host;
    const std::string name = UniqueName("stop");
    platform::session::LocalServer server;
    ASSERT_EQ(server.Listen(name), platform::session::ListenResult::Listening);
    std::atomic<bool> entered{false};
    ui::Dispatcher& ui = host.GetDispatcher();
    server.Start(
        [&](const std::string&) {
            entered = true;
            return ui.Send([] {}) ? std::string("ok") : std::string("closed");
        },
        &ui);
    std::thread client([&] { platform::session::SendLocalRequest(name, "raise", 2000); });
    while (!entered) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    server.Stop();  // serves the handler's send instead of waiting for it forever
    client.join();
    EXPECT_EQ(platform::session::SendLocalRequest(name, "raise", 200), std::nullopt);
}

TEST(AppSettings, KeepsOtherKeysAndReportsMissingOnes) {
    const auto folder = std::filesystem::temp_directory_path() / UniqueName("settings");
    std::filesystem::remove_all(folder);
    app::AppSettings settings((folder / "deep" / "settings.ini").string());
    EXPECT_EQ(settings.Get("LANGUAGE"), std::nullopt);
    ASSERT_TRUE(settings.Set("SKIN", "graphite"));
    ASSERT_TRUE(settings.Set("LANGUAGE", "2052"));
    ASSERT_TRUE(settings.Set("LANGUAGE", "1033"));
    EXPECT_EQ(settings.Get("LANGUAGE"), "1033");
    EXPECT_EQ(settings.Get("SKIN"), "graphite");
    std::ofstream(settings.Path(), std::ios::app) << "garbage line\n = no key\n";
    EXPECT_EQ(settings.Get("LANGUAGE"), "1033");
    std::filesystem::remove_all(folder);
}

TEST(InstanceCommands, RaiseReachesTheWindowAndSimRequestsPlugTheBus) {
    ui::HeadlessHost host;
    ui::Window window(host.Context(), "main");
    int raised = 0;
    window.SetMessageHandler([&](uint32_t message, intptr_t, intptr_t lParam, bool& handled) {
        handled = true;
        raised += message == app_msg::kInstance && lParam == 1;
        return intptr_t{0};
    });
    sim::SimBus bus;
    app::InstanceCommands commands(window.Ref(), &bus);
    EXPECT_EQ(commands.Handle("raise"), "ok");
    EXPECT_EQ(raised, 1);

    EXPECT_EQ(commands.Handle("sim plug keyboard"), "ok plugged keyboard");
    ASSERT_TRUE(bus.Find(sim::DeviceKind::Keyboard));
    EXPECT_TRUE(bus.Find(sim::DeviceKind::Keyboard)->IsPlugged());
    EXPECT_EQ(commands.Handle("sim plug keyboard").rfind("error", 0), 0u);
    EXPECT_EQ(commands.Handle("sim unplug keyboard"), "ok unplugged keyboard");
    EXPECT_FALSE(bus.Find(sim::DeviceKind::Keyboard)->IsPlugged());
    EXPECT_EQ(commands.Handle("sim unplug mouse").rfind("error", 0), 0u);
    EXPECT_EQ(commands.Handle("sim plug toaster").rfind("error", 0), 0u);
    EXPECT_EQ(commands.Handle("sim plug keyboard,mouse").rfind("error", 0), 0u);
    EXPECT_EQ(commands.Handle("sim plug sim").rfind("error", 0), 0u);
    EXPECT_EQ(commands.Handle("format disk").rfind("error", 0), 0u);

    app::InstanceCommands real(window.Ref(), nullptr);
    EXPECT_EQ(real.Handle("sim plug keyboard").rfind("error", 0), 0u);
}
