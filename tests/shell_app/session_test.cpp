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
#include "shell/sim_commands.h"
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
    ASSERT_TRUE(first.Start([](const std::string& request, platform::session::Responder reply) {
        reply("echo " + request);
    }));

    platform::session::LocalServer second;
    EXPECT_EQ(second.Listen(name), platform::session::ListenResult::AlreadyTaken);
    EXPECT_EQ(platform::session::SendLocalRequest(name, "raise", 2000), "echo raise");
    // A request never spans lines, whatever the caller gives.
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
        [&](const std::string&, platform::session::Responder reply) {
            entered = true;
            reply(ui.Send([] {}) ? std::string("ok") : std::string("closed"));
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
    app::InstanceCommands commands(window.Ref(), host.GetDispatcher(), &bus);
    // Requests for the window are answered from the UI thread.
    auto ask = [&](app::InstanceCommands& c, const std::string& request) {
        std::optional<std::string> reply;
        c.Handle(request, [&](std::string text) { reply = std::move(text); });
        host.RunUntil([&] { return reply.has_value(); }, 1000);
        return reply.value_or("(no reply)");
    };
    EXPECT_EQ(ask(commands, "raise"), "ok");
    EXPECT_EQ(raised, 1);

    EXPECT_EQ(ask(commands, "sim plug keyboard"), "ok plugged keyboard");
    ASSERT_TRUE(bus.Find(sim::DeviceKind::Keyboard));
    EXPECT_TRUE(bus.Find(sim::DeviceKind::Keyboard)->IsPlugged());
    EXPECT_EQ(ask(commands, "sim plug keyboard").rfind("error", 0), 0u);
    EXPECT_EQ(ask(commands, "sim unplug keyboard"), "ok unplugged keyboard");
    EXPECT_FALSE(bus.Find(sim::DeviceKind::Keyboard)->IsPlugged());
    EXPECT_EQ(ask(commands, "sim unplug mouse").rfind("error", 0), 0u);
    EXPECT_EQ(ask(commands, "sim plug toaster").rfind("error", 0), 0u);
    EXPECT_EQ(ask(commands, "sim plug keyboard,mouse").rfind("error", 0), 0u);
    EXPECT_EQ(ask(commands, "sim plug sim").rfind("error", 0), 0u);
    EXPECT_EQ(ask(commands, "format disk").rfind("error", 0), 0u);
    EXPECT_EQ(ask(commands, "ui tree").rfind("error", 0), 0u) << "no window to script";

    app::InstanceCommands real(window.Ref(), host.GetDispatcher(), nullptr);
    EXPECT_EQ(ask(real, "sim plug keyboard").rfind("error", 0), 0u);
}

TEST(SimRequests, ReadAndSteerTheDevicesAndRefuseWhatTheyLack) {
    sim::SimBus bus;
    std::shared_ptr<sim::SimDevice> pad = bus.Add(sim::DeviceKind::Mousepad);
    auto run = [&](const std::string& line) {
        return app::RunSimRequest(bus, platform::session::SplitRequestWords(line));
    };
    const std::string memory = run("memory mousepad params");
    EXPECT_EQ(memory.rfind("ok\n0000: 00 00 05 02 01 01 00 c0 ff", 0), 0u) << memory;
    EXPECT_EQ(run("memory mousepad keys"), "error: the mousepad has no keys memory");
    EXPECT_EQ(run("memory mousepad colors 1"), "error: the mousepad has no colour group 1");
    EXPECT_EQ(run("memory keyboard params"),
              "error: no keyboard on the simulated bus (sim plug keyboard)");
    EXPECT_EQ(run("memory mousepad params 3").rfind("error: usage", 0), 0u);

    EXPECT_EQ(run("status mousepad 32,01 00 00 00 02"), "ok");
    EXPECT_EQ(pad->firmware().Memory(sim::MemoryArea::Params, 0)->size(), 256u);
    std::vector<sim::InputReport> replies;
    auto read = sim::BuildRequest(sim::cmd::kReadBytes, 0, nullptr, 0);
    read[4] = 6;
    const uint16_t sum = sim::CommandChecksum(read.data());
    read[1] = static_cast<uint8_t>(sum);
    read[2] = static_cast<uint8_t>(sum >> 8);
    pad->firmware().HandleOutput(1, read.data(), read.size(), replies);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(std::vector<uint8_t>(replies[0].bytes.begin() + 8, replies[0].bytes.begin() + 14),
              (std::vector<uint8_t>{0x32, 0x01, 0, 0, 0, 0x02}));
    EXPECT_EQ(run("status mousepad 1g").rfind("error:", 0), 0u);

    EXPECT_EQ(run("key mousepad 3 down"), "ok");
    EXPECT_EQ(run("key mousepad 300 down").rfind("error: usage", 0), 0u);
    EXPECT_EQ(run("key mousepad 3 sideways").rfind("error: usage", 0), 0u);
    EXPECT_EQ(run("fault mousepad late 2"), "ok");
    EXPECT_EQ(run("fault mousepad clear"), "ok");
    EXPECT_EQ(run("fault mousepad melt").rfind("error: unknown fault", 0), 0u);
    EXPECT_EQ(run("fault mousepad ff 0").rfind("error:", 0), 0u);
    EXPECT_EQ(run("frames mousepad"), "ok\nframes: 0");

    bus.Unplug(pad);
    EXPECT_EQ(run("sync mousepad"), "error: the mousepad is unplugged or has no event interface");
    EXPECT_EQ(run("frobnicate mousepad").rfind("error: unknown sim command", 0), 0u);
}
