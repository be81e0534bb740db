// One step of a synchronised group: the common colour of the next effect
// step, handed to four pages of the sizes of a keyboard (126 LEDs), a mouse
// (6), a mousepad (15) and a headset (13). Paint hands each page one colour
// word; the pages spread it over their LEDs when they push their frame, which
// the second case adds (every LED set as SetLedColor does).
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "device/usb_device.h"
#include "shell/light_sync.h"
#include "sim/sim_bus.h"

namespace {

constexpr int kLedCounts[] = {6, 15, 13, 126};  // painting order: mice, pads, headsets, keyboards

struct Group {
    Group() : bus(sim::MakeBus("mousepad")) {
        auto pad = bus->Find(sim::DeviceKind::Mousepad);
        for (const int leds : kLedCounts) {
            auto page = std::make_unique<CVeldmarkUSBDevice>(*bus);
            page->SetLedCount(leds);
            // One open channel is enough for the group to count as active;
            // painting looks only at the paused flag.
            if (pages.empty()) {
                page->Channel().OpenInterface(pad->CommandPath(), 3);
            }
            page->Channel().streamPaused.store(true);
            pointers.push_back(page.get());
            pages.push_back(std::move(page));
        }
        sync.SetPages(pointers);
        sync.SetParams({app::SyncType::Breath, 4, 4, 1, 1, 10, 20, 30});
    }

    std::unique_ptr<sim::SimBus> bus;
    std::vector<std::unique_ptr<CVeldmarkUSBDevice>> pages;
    std::vector<CVeldmarkUSBDevice*> pointers;
    app::LightSync sync;
};

void BM_LightSync_StepAndPaint4Pages(benchmark::State& state) {
    Group group;
    uint32_t now = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(group.sync.StepAndPaint(now));
        now += 14;
    }
}
BENCHMARK(BM_LightSync_StepAndPaint4Pages);

void BM_LightSync_StepPaintAndSetEveryLed(benchmark::State& state) {
    Group group;
    uint32_t now = 0;
    for (auto _ : state) {
        group.sync.StepAndPaint(now);
        for (CVeldmarkUSBDevice* page : group.pointers) {
            const device::LedColor color = page->GetSyncColor();
            for (int i = 0; i < page->GetLedCount(); ++i) {
                page->SetLedColor(i, color);
            }
        }
        benchmark::DoNotOptimize(group.pointers.back()->GetLedColor(125));
        now += 14;
    }
}
BENCHMARK(BM_LightSync_StepPaintAndSetEveryLed);

}  // namespace
