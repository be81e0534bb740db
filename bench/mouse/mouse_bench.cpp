// One full settings upload of the mouse (BeginWrite, the 66-byte settings
// record, EndWrite) on the simulated bus: the record built from the profile
// and the three exchanges. "CPU" is the host thread's time; the simulated
// mouse answering on the bus is included when it runs on the same thread.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>

#include "mouse/mouse_device.h"
#include "platform/ui/headless_host.h"
#include "platform/ui/window.h"
#include "sim/sim_bus.h"

namespace {

void BM_MouseSettings_Upload(benchmark::State& state) {
    char home[] = "/tmp/veldmark-bench-XXXXXX";
    if (mkdtemp(home) == nullptr) {
        state.SkipWithError("no temporary folder");
        return;
    }
    setenv("XDG_DATA_HOME", home, 1);
    if (getenv("VELDMARK_DATA_DIR") == nullptr) {
        setenv("VELDMARK_DATA_DIR", VELDMARK_BENCH_DATA_DIR, 1);
    }
    {
        auto bus = sim::MakeBus("mouse");
        auto mouse = bus->Find(sim::DeviceKind::Mouse);
        ui::HeadlessHost host(ui::HeadlessHost::ClockMode::Virtual);
        ui::Window window(host.Context(), "main");
        auto owned = std::make_unique<CVeldmarkMouseDevice>(*bus);
        CVeldmarkMouseDevice* page = owned.get();
        window.Attach(std::move(owned));
        page->SetFolderName("Mouse");
        page->SetLedCount(6);
        page->SetTypeCode(1);
        page->InitPage();
        if (!page->Channel().OpenInterface(mouse->CommandPath(), 2)) {
            state.SkipWithError("the simulated mouse did not open");
            return;
        }
        page->ConnectDevice();
        for (auto _ : state) {
            benchmark::DoNotOptimize(page->UploadSettings(0, 0, 1, 1920, 1080));
        }
        page->Channel().CloseInterface();
    }
    std::filesystem::remove_all(home);
}
BENCHMARK(BM_MouseSettings_Upload);

}  // namespace
