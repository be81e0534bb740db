// CPU used by one simulated mousepad page while it streams: the lighting
// thread computing frames and the UI loop pushing one every 5 ms, in real
// time. Reported as a share of one core (process CPU time / wall time); the
// simulated pad answering the stream runs in the same process and is
// included.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <time.h>

#include <filesystem>
#include <memory>

#include "mousepad/mousepad_device.h"
#include "platform/ui/headless_host.h"
#include "platform/ui/window.h"
#include "profile/controls/device_option_ui.h"
#include "sim/sim_bus.h"

namespace {

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double WallSeconds() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void BM_MousePad_Streaming10s(benchmark::State& state) {
    char home[] = "/tmp/veldmark-bench-XXXXXX";
    if (mkdtemp(home) == nullptr) {
        state.SkipWithError("no temporary folder");
        return;
    }
    setenv("XDG_DATA_HOME", home, 1);
    if (getenv("VELDMARK_DATA_DIR") == nullptr) {
        setenv("VELDMARK_DATA_DIR", VELDMARK_BENCH_DATA_DIR, 1);
    }
    uint64_t frames = 0;
    double share = 0;
    for (auto _ : state) {
        auto bus = sim::MakeBus("mousepad");
        auto pad = bus->Find(sim::DeviceKind::Mousepad);
        ui::HeadlessHost host(ui::HeadlessHost::ClockMode::Real);
        {
            ui::Window window(host.Context(), "main");
            auto root = std::make_unique<ui::VerticalLayout>();
            auto* page = root->Add(std::make_unique<CVeldmarkMousePadDevice>(*bus));
            auto* entry = root->Add(std::make_unique<CDeviceOptionUI>());
            window.Attach(std::move(root));
            page->SetPageLayout("XML/DeviceXml/mousepaddevice.xml");
            page->SetFolderName("MousePad");
            page->SetLedCount(15);
            page->SetTypeCode(2);
            page->InitPage();
            entry->SetDevice(page);
            page->Channel().OpenInterface(pad->CommandPath(), 3);
            entry->StartConnect();
            host.AdvanceBy(600);  // connected, streaming

            const uint64_t framesBefore = pad->firmware().FrameCount();
            const double cpu0 = ProcessCpuSeconds();
            const double wall0 = WallSeconds();
            host.AdvanceBy(10000);
            const double wall = WallSeconds() - wall0;
            share = (ProcessCpuSeconds() - cpu0) / wall;
            frames = pad->firmware().FrameCount() - framesBefore;
            state.SetIterationTime(wall);
            page->Channel().CloseInterface();
        }
    }
    state.counters["core_share"] = share;
    state.counters["frames"] = static_cast<double>(frames);
    std::filesystem::remove_all(home);
}
BENCHMARK(BM_MousePad_Streaming10s)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace
