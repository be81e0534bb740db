// Host cost of the device core on the virtual bus: one matched exchange, a
// chunked 9216-byte write, and discovery passes over the seven slots.

#include <benchmark/benchmark.h>

#include <array>
#include <vector>

#include "device/device_channel.h"
#include "device/discovery.h"
#include "sim/keyboard_firmware.h"
#include "sim/sim_bus.h"

namespace {

class NullListener : public device::IDiscoveryListener {
  public:
    void OnSlotArrived(size_t) override {}
    void OnSlotRemoved(size_t) override {}
    void OnFirstPass() override {}
};

// A keyboard-shaped device of another maker: present, but in no catalogue row.
std::unique_ptr<sim::Firmware> ForeignDevice(uint16_t productId) {
    sim::FirmwareLayout layout = sim::KeyboardLayout();
    layout.vendorId = 0x1234;
    layout.productId = productId;
    return std::make_unique<sim::Firmware>(std::move(layout));
}

// All four supported devices plus foreign ones, 30 collections or more in all.
std::unique_ptr<sim::SimBus> CrowdedBus(size_t& collections) {
    auto bus = sim::MakeBus("keyboard,mouse,mousepad,headset");
    std::vector<platform::hid::CollectionEntry> entries;
    for (uint16_t product = 1; bus->Enumerate(entries) && entries.size() < 30; ++product) {
        bus->Add(ForeignDevice(product));
    }
    collections = entries.size();
    return bus;
}

void BM_DeviceChannel_MatchedExchange(benchmark::State& state) {
    sim::SimBus bus;
    auto keyboard = bus.Add(sim::DeviceKind::Keyboard);
    CDeviceChannel channel(bus);
    if (!channel.OpenInterface(keyboard->CommandPath(), device::kKindKeyboard)) {
        state.SkipWithError("cannot open the keyboard");
        return;
    }
    std::array<uint8_t, 6> status{};
    for (auto _ : state) {
        if (channel.ReadBytes(status, 0) != 1) {
            state.SkipWithError("exchange failed");
            break;
        }
        benchmark::DoNotOptimize(status);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DeviceChannel_MatchedExchange);

void BM_DeviceChannel_ChunkedWrite9216(benchmark::State& state) {
    sim::SimBus bus;
    auto keyboard = bus.Add(sim::DeviceKind::Keyboard);
    CDeviceChannel channel(bus);
    if (!channel.OpenInterface(keyboard->CommandPath(), device::kKindKeyboard) ||
        channel.BeginWrite() != 1) {
        state.SkipWithError("cannot open the keyboard");
        return;
    }
    std::vector<uint8_t> image(sim::kMacroMemoryBytes, 0x5A);
    for (auto _ : state) {
        if (channel.WriteMacroImage(image) != 1) {
            state.SkipWithError("write failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(image.size()));
}
BENCHMARK(BM_DeviceChannel_ChunkedWrite9216);

// A first pass: every slot free, so the bus is enumerated and every catalogue
// collection probed, then the connected slots are checked.
void BM_DeviceDiscovery_FirstPass(benchmark::State& state) {
    size_t collections = 0;
    auto bus = CrowdedBus(collections);
    NullListener listener;
    for (auto _ : state) {
        device::CSlotList slots;
        device::CDeviceDiscovery discovery(*bus, slots, listener);
        discovery.RunPass();
        benchmark::DoNotOptimize(slots.HasFreeSlot());
    }
    state.counters["collections"] = static_cast<double>(collections);
}
BENCHMARK(BM_DeviceDiscovery_FirstPass);

// The steady state with all seven slots connected: only the removal checks run.
void BM_DeviceDiscovery_SteadyPass(benchmark::State& state) {
    size_t collections = 0;
    auto bus = CrowdedBus(collections);
    NullListener listener;
    device::CSlotList slots;
    device::CDeviceDiscovery discovery(*bus, slots, listener);
    discovery.RunPass();
    if (slots.HasFreeSlot()) {
        state.SkipWithError("not every slot was filled");
        return;
    }
    for (auto _ : state) {
        discovery.RunPass();
    }
    state.counters["collections"] = static_cast<double>(collections);
}
BENCHMARK(BM_DeviceDiscovery_SteadyPass);

}  // namespace
