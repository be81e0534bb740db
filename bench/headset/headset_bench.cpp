// Host CPU of one LED frame push to the headset: the thirteen LEDs shown on
// the page and sent as twelve output reports, on the virtual bus (the
// simulated headset taking each report runs in the same thread). Every
// iteration publishes a frame that differs in one LED, as an animation does.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>

#include "headset/hs6533_device.h"
#include "platform/audio/sim_conf_lib.h"
#include "platform/ui/headless_host.h"
#include "platform/ui/window.h"
#include "sim/headset_firmware.h"
#include "sim/sim_bus.h"

namespace {

void BM_HS6533Device_PushFrame(benchmark::State& state) {
    char home[] = "/tmp/veldmark-bench-XXXXXX";
    if (mkdtemp(home) == nullptr) {
        state.SkipWithError("no temporary folder");
        return;
    }
    setenv("XDG_DATA_HOME", home, 1);
    if (getenv("VELDMARK_DATA_DIR") == nullptr) {
        setenv("VELDMARK_DATA_DIR", VELDMARK_BENCH_DATA_DIR, 1);
    }
    auto bus = sim::MakeBus("headset");
    auto headset = bus->Find(sim::DeviceKind::Headset);
    platform::audio::SimConfLibLoader loader;
    auto session = std::make_shared<headset::AudioSession>();
    session->loader = &loader;
    ui::HeadlessHost host(ui::HeadlessHost::ClockMode::Virtual);
    {
        ui::Window window(host.Context(), "main");
        auto root = std::make_unique<ui::VerticalLayout>();
        auto* page = root->Add(std::make_unique<CVeldmarkHS6533Device>(*bus, session));
        window.Attach(std::move(root));
        page->SetFolderName("HD");
        page->SetTypeCode(3);
        page->InitPage();  // without a layout the page binds no lights
        page->SetLedCount(13);
        page->Channel().OpenInterface(headset->CommandPath(), 7);
        LightInfoRecord record;
        record.mode = 0;  // wave: every LED changes
        record.brightness = 5;
        record.multiColor = 1;
        page->SetLightInfo(record);
        page->ApplyLighting();
        for (int i = 0; i < 200; ++i) {
            page->LightingPass();
        }
        auto& firmware = static_cast<sim::SimHeadset&>(headset->firmware());
        const uint64_t before = firmware.LedReportCount();
        // Each push has a new frame to send (a still one is not sent again).
        device::LightingEngine& engine = page->Engine();
        bool odd = false;
        for (auto _ : state) {
            engine.SetLedColor(0, {static_cast<uint8_t>(odd ? 200 : 100), 0, 0, 255});
            engine.PublishFrame();
            odd = !odd;
            page->PushFrame();
        }
        // Every push reached the headset as its twelve reports.
        state.counters["reports_per_push"] =
            static_cast<double>(firmware.LedReportCount() - before) /
            static_cast<double>(state.iterations());
        page->Channel().CloseInterface();
    }
    std::filesystem::remove_all(home);
}
BENCHMARK(BM_HS6533Device_PushFrame);

}  // namespace
