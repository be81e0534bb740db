// Host-side cost of the parser's report operations and of one command exchange
// on the virtual bus (no reply latency).

#include <benchmark/benchmark.h>

#include "platform/hid/report_descriptor.h"
#include "sim/descriptors.h"
#include "sim/sim_bus.h"

namespace {

using platform::hid::ReportDescriptor;
using platform::hid::ReportType;

void BM_ReportDescriptor_ParseVendorInterface(benchmark::State& state) {
    const std::vector<uint8_t> bytes = sim::VendorInterfaceDescriptor();
    for (auto _ : state) {
        auto parsed = ReportDescriptor::Parse(bytes);
        benchmark::DoNotOptimize(parsed);
    }
}
BENCHMARK(BM_ReportDescriptor_ParseVendorInterface);

void BM_ReportDescriptor_GetUsagesOfAKeyEvent(benchmark::State& state) {
    const auto parsed = ReportDescriptor::Parse(sim::VendorInterfaceDescriptor());
    const uint8_t report[3] = {sim::kConsumerReportId, 0x07, 0x05};
    std::vector<uint16_t> usages;
    for (auto _ : state) {
        parsed->GetUsages(ReportType::Input, 2, 0x0C, report, sizeof report, usages);
        benchmark::DoNotOptimize(usages.data());
    }
}
BENCHMARK(BM_ReportDescriptor_GetUsagesOfAKeyEvent);

void BM_ReportDescriptor_GetCapsOfTheKeyboardCollection(benchmark::State& state) {
    const auto parsed = ReportDescriptor::Parse(sim::VendorInterfaceDescriptor());
    platform::hid::Caps caps;
    for (auto _ : state) {
        parsed->GetCaps(0, caps);
        benchmark::DoNotOptimize(caps);
    }
}
BENCHMARK(BM_ReportDescriptor_GetCapsOfTheKeyboardCollection);

void BM_SimBus_ProbeExchange(benchmark::State& state) {
    auto bus = sim::MakeBus("keyboard");
    auto keyboard = bus->Find(sim::DeviceKind::Keyboard);
    platform::hid::OpenMode mode;
    mode.read = mode.write = true;
    auto handle = bus->Open(keyboard->CommandPath(), mode);
    const auto request = sim::BuildRequest(sim::cmd::kProbe, 0, nullptr, 0);
    uint8_t reply[64];
    size_t n = 0;
    for (auto _ : state) {
        handle->Write(request.data(), request.size(), 1000, n);
        handle->Read(reply, sizeof reply, 1000, n);
        benchmark::DoNotOptimize(reply[8]);
    }
}
BENCHMARK(BM_SimBus_ProbeExchange);

void BM_SimBus_EnumerateFourDevices(benchmark::State& state) {
    auto bus = sim::MakeBus("");
    std::vector<platform::hid::CollectionEntry> entries;
    for (auto _ : state) {
        bus->Enumerate(entries);
        benchmark::DoNotOptimize(entries.data());
    }
}
BENCHMARK(BM_SimBus_EnumerateFourDevices);

}  // namespace
