// One preview frame of each of the keyboard's lighting modes on its 126 LEDs,
// with every LED carrying a light-list layer laid over it, as the lighting
// thread computes it; and the splash of a key press and release.

#include <benchmark/benchmark.h>

#include <vector>

#include "device/lighting_engine.h"
#include "keyboard/keyboard_preview.h"

namespace keyboard {
namespace {

struct Bench {
    Bench(uint8_t mode, uint8_t multi) {
        engine.SetLedCount(kPreviewLeds);
        engine.SetLightingParams({mode, 4, 4, 1, multi, 200, 100, 50});
        // Every LED has a layer; the five layer modes in turn, as on a
        // profile whose light list is fully used.
        std::vector<device::LayerEntry> layers(kPreviewLeds);
        for (int k = 0; k < kPreviewLeds; ++k) {
            layers[k] = {k % 5, 4, 2, 1, multi, 10, 20, 30, 1};
        }
        engine.ReplaceLayers(std::move(layers));
        preview.ChangeMode(mode);
        // The reactive modes with keys in flight.
        for (const int key : {22, 70, 96, 52}) {
            preview.DispatchKeyEvent(key, kKeyPressed);
        }
    }
    uint32_t now = 0;
    device::LightingEngine engine{[this] { return now += 1; }};
    KeyboardPreview preview{engine};
};

// A frame of the mode's row followed by the light list, as one pass of the
// lighting thread draws it (publishing aside).
void BM_KeyboardPreview_Frame(benchmark::State& state) {
    const auto mode = static_cast<uint8_t>(state.range(0));
    Bench b(mode, static_cast<uint8_t>(state.range(1)));
    for (auto _ : state) {
        b.preview.RunFrame(mode);
        b.engine.ApplyLayers();
        benchmark::DoNotOptimize(b.engine.Frame().data());
    }
}
BENCHMARK(BM_KeyboardPreview_Frame)
    ->ArgNames({"mode", "multi"})
    ->ArgsProduct({benchmark::CreateDenseRange(1, 29, 1), {0, 1}});

// One whole pass: queued key events, the frame at its threshold, the light
// list and the frame handed to the UI thread.
void BM_KeyboardPreview_Pass(benchmark::State& state) {
    const auto mode = static_cast<uint8_t>(state.range(0));
    Bench b(mode, 1);
    uint32_t passNow = 0;
    for (auto _ : state) {
        b.preview.Pass(passNow += 2);
        benchmark::DoNotOptimize(b.engine.Frame().data());
    }
}
BENCHMARK(BM_KeyboardPreview_Pass)->Arg(1)->Arg(14)->Arg(24);

// A key pressed and released in the splash mode, its twelve neighbours
// raised and lowered.
void BM_KeyboardPreview_Splash(benchmark::State& state) {
    Bench b(kModeSplash, 0);
    for (auto _ : state) {
        b.preview.SplashEvent(70, kKeyPressed);
        b.preview.SplashEvent(70, kKeyReleased);
        benchmark::DoNotOptimize(b.engine.Frame().data());
    }
}
BENCHMARK(BM_KeyboardPreview_Splash);

}  // namespace
}  // namespace keyboard
