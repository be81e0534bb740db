#include "device/lighting_frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "device/lighting_engine.h"

namespace device {
namespace {

bool Uniform(const std::vector<LedColor>& frame) {
    return std::all_of(frame.begin(), frame.end(),
                       [&](const LedColor& led) { return led == frame.front(); });
}

TEST(FrameStream, ScalesEachChannelByAlphaAndSkipsLed126) {
    std::vector<LedColor> frame(128, LedColor{255, 128, 1, 128});
    frame[5] = {255, 255, 255, 255};
    frame[6] = {200, 100, 50, 0};
    std::vector<uint8_t> buffer(3 * 128, 0xEE);
    FillStreamBuffer(frame, buffer);
    ASSERT_EQ(buffer.size(), 3u * 128u);
    EXPECT_EQ(buffer[0], 127);
    EXPECT_EQ(buffer[1], 64);
    EXPECT_EQ(buffer[2], 0);
    EXPECT_EQ(buffer[15], 254);
    EXPECT_EQ(buffer[18], 0);
    EXPECT_EQ(buffer[3 * 126], 0xEE);
    EXPECT_EQ(buffer[3 * 127], 127);
}

TEST(FrameStream, LightControlColourPutsBlueInTheMiddleByte) {
    EXPECT_EQ(LightControlColor({0x12, 0x34, 0x56, 9}), 0x345612u);
    EXPECT_EQ(LightControlColor({0, 0, 0xFF, 0}), 0x00FF00u);
}

// The lighting thread computes and publishes while the UI thread swaps the
// record, the layers and the steps and takes snapshots, and an input thread
// lights keys: every snapshot is one whole frame.
TEST(LightingEngineThreads, PublishedFramesStayWholeWhileTheUiThreadChangesTheInputs) {
    std::atomic<uint32_t> clock{0};
    LightingEngine engine([&] { return clock.load(std::memory_order_relaxed); });
    engine.SetLedCount(126);
    std::atomic<bool> stop{false};

    std::thread lighting([&] {
        for (uint32_t pass = 0; !stop.load(); ++pass) {
            clock.fetch_add(1, std::memory_order_relaxed);
            if (pass % 2 == 0) {
                engine.FrameSpectrum();
            } else {
                engine.PlayEffectStep();
            }
            engine.DecayKeyLevel(static_cast<int>(pass % 126), true);
            engine.ApplyLayers();
            engine.PublishFrame();
        }
    });
    std::thread input([&] {
        for (int i = 0; !stop.load(); ++i) {
            engine.Keys().SetLevel(i % 126, 255);
            if (i % 1000 == 0) {
                engine.ClearKeyLevels();
            }
        }
    });

    std::vector<LedColor> frame;
    int torn = 0;
    uint64_t serial = 0;
    for (int i = 0; i < 3000; ++i) {
        engine.SetLightingParams(
            {.brightness = static_cast<uint8_t>(i % 6), .direction = static_cast<uint8_t>(i % 2)});
        if (i % 3 == 0) {
            engine.ReplaceLayers(std::vector<LayerEntry>(126, LayerEntry{.mode = kLayerOff}));
        } else if (i % 3 == 1) {
            engine.ReplaceLayers({});
        }
        engine.ReplaceEffectSteps(
            std::vector<EffectStep>(1 + i % 3, EffectStep{.mode = kStepSpectrum, .time = 2}));
        const uint64_t next = engine.SnapshotFrame(frame);
        ASSERT_GE(next, serial);
        serial = next;
        ASSERT_EQ(frame.size(), 126u);
        torn += !Uniform(frame);
    }
    stop = true;
    lighting.join();
    input.join();
    EXPECT_EQ(torn, 0);
}

}  // namespace
}  // namespace device
