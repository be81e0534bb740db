// Cost of the macro memory image: building it from packed events (sizes that
// fit the memory, the largest the format can describe, and the store's
// limits of 50 macros of 4000 events, which are refused by size), and the
// whole upload path from the store's files. The "allocations" counter is the
// number of heap allocations one build makes.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "profile/macro_image.h"
#include "profile/macro_store.h"

namespace {

std::atomic<long> g_allocations{0};

}  // namespace

// Counts every allocation of the process; the benchmarks read the difference
// around one build. The compiler cannot see that these replace the global
// pair, so it takes the free() below for a mismatch.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

std::vector<MacroImage::MacroEvents> Macros(size_t macros, size_t events) {
    std::vector<MacroImage::MacroEvents> all(macros);
    for (size_t m = 0; m < macros; ++m) {
        for (size_t e = 0; e < events; ++e) {
            all[m].push_back(MacroEventRecord{static_cast<uint8_t>(e), 0,
                                              static_cast<uint8_t>(0x8A), static_cast<uint8_t>(m)});
        }
    }
    return all;
}

void Build(benchmark::State& state, size_t macros, size_t events, size_t capacity) {
    const auto input = Macros(macros, events);
    long allocations = 0;
    for (auto _ : state) {
        const long before = g_allocations.load(std::memory_order_relaxed);
        MacroImage image = MacroImage::Build(input, capacity);
        allocations = g_allocations.load(std::memory_order_relaxed) - before;
        benchmark::DoNotOptimize(image.Bytes().data());
    }
    state.counters["allocations"] = static_cast<double>(allocations);
    state.counters["bytes"] = static_cast<double>(MacroImage::SizeOf(input));
}

// 50 macros of 45 events: 16 + 300 + 9000 = 9316 > 9216, so 44 events: 9116 bytes.
void BM_MacroImage_FullMemory(benchmark::State& state) {
    Build(state, 50, 44, 9216);
}
BENCHMARK(BM_MacroImage_FullMemory);

// The largest image the 16-bit sizes allow: 50 macros of 325 events, 65316 bytes.
void BM_MacroImage_LargestImage(benchmark::State& state) {
    Build(state, 50, 325, MacroImage::kMaxImageBytes);
}
BENCHMARK(BM_MacroImage_LargestImage);

// The store's limits: 50 x 4000 events need 800316 bytes and are refused by size.
void BM_MacroImage_FiftyMacrosOfFourThousandEvents(benchmark::State& state) {
    Build(state, 50, 4000, MacroImage::kMaxImageBytes);
}
BENCHMARK(BM_MacroImage_FiftyMacrosOfFourThousandEvents);

// The upload path: the list and 50 event files of 4000 events read, parsed
// and packed, then the image sized (and refused), from a folder in memory.
// Cold: every file parsed; warm: nothing changed since the last upload.
void FromStore(benchmark::State& state, bool cold) {
    std::string pattern = std::filesystem::is_directory("/dev/shm")
                              ? "/dev/shm/veldmark-macro-bench-XXXXXX"
                              : "/tmp/veldmark-macro-bench-XXXXXX";
    const std::string folder = std::string(::mkdtemp(pattern.data())) + "/";
    profile::MacroStore store;
    store.SetFolder(folder);
    Json::Value events(Json::arrayValue);
    for (int e = 0; e < 4000; ++e) {
        events.append(macro::MakeEvent(e % 2 == 0, 10, 4, 25));
    }
    for (int m = 0; m < 50; ++m) {
        store.Add();
        store.SaveEvents(m, events);
    }
    // Warm: the upload before this one read every file.
    benchmark::DoNotOptimize(MacroImage::FromStore(store, MacroImage::kMaxImageBytes).Total());
    for (auto _ : state) {
        if (cold) {
            profile::MacroStore::ForgetPackedEvents();
        }
        MacroImage image = MacroImage::FromStore(store, MacroImage::kMaxImageBytes);
        benchmark::DoNotOptimize(image.Total());
    }
    std::filesystem::remove_all(folder);
}

void BM_MacroImage_FromStoreFiftyMacrosOfFourThousandEventsCold(benchmark::State& state) {
    FromStore(state, true);
}
BENCHMARK(BM_MacroImage_FromStoreFiftyMacrosOfFourThousandEventsCold)
    ->Unit(benchmark::kMillisecond);

void BM_MacroImage_FromStoreFiftyMacrosOfFourThousandEventsWarm(benchmark::State& state) {
    FromStore(state, false);
}
BENCHMARK(BM_MacroImage_FromStoreFiftyMacrosOfFourThousandEventsWarm)
    ->Unit(benchmark::kMillisecond);

}  // namespace
