// One frame of each shared lighting effect, of the light-list layers and of
// the custom effect player, on the keyboard's 126 LEDs.

#include <benchmark/benchmark.h>

#include <vector>

#include "device/lighting_engine.h"
#include "device/lighting_frame.h"

namespace device {
namespace {

constexpr int kLeds = 126;

struct Bench {
    explicit Bench(uint8_t multi) {
        engine.SetLedCount(kLeds);
        engine.SetLightingParams(
            {.brightness = 4, .speed = 4, .direction = 1, .multi = multi, .red = 200});
        // The player's dearest step: a wave computed LED by LED.
        engine.ReplaceEffectSteps(
            {{.mode = kStepWave, .brightness = 5, .multi = multi, .red = 200, .time = 1 << 30}});
    }
    uint32_t now = 0;
    LightingEngine engine{[this] { return now += 7; }};
};

template <void (LightingEngine::*Frame)()>
void BM_Frame(benchmark::State& state) {
    Bench b(static_cast<uint8_t>(state.range(0)));
    for (auto _ : state) {
        (b.engine.*Frame)();
        benchmark::DoNotOptimize(b.engine.Frame().data());
    }
}

#define LIGHTING_FRAME_BENCH(Op) \
    BENCHMARK(BM_Frame<&LightingEngine::Op>)->Name("BM_LightingEngine_" #Op)->Arg(0)->Arg(1)

LIGHTING_FRAME_BENCH(FrameBreath);
LIGHTING_FRAME_BENCH(FrameBreathCycle);
LIGHTING_FRAME_BENCH(FrameStatic);
LIGHTING_FRAME_BENCH(FrameSpectrum);
LIGHTING_FRAME_BENCH(FrameBlink);
LIGHTING_FRAME_BENCH(FrameBlinkCycle);
LIGHTING_FRAME_BENCH(FrameOff);
LIGHTING_FRAME_BENCH(FrameRipple);
LIGHTING_FRAME_BENCH(PlayEffectStep);

void BM_LightingEngine_FrameWave(benchmark::State& state) {
    Bench b(static_cast<uint8_t>(state.range(0)));
    for (auto _ : state) {
        b.engine.FrameWave();
        benchmark::DoNotOptimize(b.engine.Frame().data());
    }
}
BENCHMARK(BM_LightingEngine_FrameWave)->Arg(0)->Arg(1);

// Every LED carries a layer, the five modes in turn.
void BM_LightingEngine_ApplyLayers(benchmark::State& state) {
    Bench b(0);
    std::vector<LayerEntry> layers(kLeds);
    for (int i = 0; i < kLeds; ++i) {
        layers[i] = {.mode = static_cast<uint8_t>(i % 5),
                     .brightness = 5,
                     .speed = 2,
                     .multi = static_cast<uint8_t>(i % 2),
                     .red = 50,
                     .present = 1};
    }
    b.engine.ReplaceLayers(layers);
    for (auto _ : state) {
        b.engine.ApplyLayers();
        benchmark::DoNotOptimize(b.engine.Frame().data());
    }
}
BENCHMARK(BM_LightingEngine_ApplyLayers);

void BM_LightingEngine_PublishAndSnapshot(benchmark::State& state) {
    Bench b(0);
    std::vector<LedColor> out;
    std::vector<uint8_t> stream;
    for (auto _ : state) {
        b.engine.PublishFrame();
        b.engine.SnapshotFrame(out);
        FillStreamBuffer(out, stream);
        benchmark::DoNotOptimize(stream.data());
    }
}
BENCHMARK(BM_LightingEngine_PublishAndSnapshot);

}  // namespace
}  // namespace device
