// The keyboard's lighting preview without a device: frames checked against
// values worked out by hand from the tables, the reactive modes key by key,
// the frame timing of the lighting thread, and key events arriving from
// another thread while frames are computed.
#include "keyboard/keyboard_preview.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <tuple>

namespace keyboard {
namespace {

using device::LedColor;

constexpr uint8_t kFull = 255;  // brightness level 5

class PreviewTest : public ::testing::Test {
  protected:
    void SetUp() override { engine.SetLedCount(kPreviewLeds); }

    void Use(uint8_t mode, uint8_t multi = 0, uint8_t direction = 1, uint8_t speed = 4) {
        engine.SetLightingParams({mode, 5, speed, direction, multi, 200, 100, 50});
    }
    void Frames(void (KeyboardPreview::*frame)(), int n = 1) {
        for (int i = 0; i < n; ++i) {
            (preview.*frame)();
        }
    }
    uint8_t Level(int led) const { return engine.Keys().Level(led); }
    LedColor Led(int led) const { return engine.GetLedColor(led); }
    // LEDs whose level is exactly `level`.
    std::set<int> AtLevel(uint8_t level) const {
        std::set<int> out;
        for (int k = 0; k < kPreviewLeds; ++k) {
            if (Level(k) == level) {
                out.insert(k);
            }
        }
        return out;
    }
    bool AnyLit() const { return !AtLevel(0).empty() && AtLevel(0).size() < kPreviewLeds; }

    uint32_t now = 0;
    device::LightingEngine engine{[this] { return now; }};
    KeyboardPreview preview{engine, 7};
};

// A lit key decays once in the frame that lights it.
constexpr uint8_t kJustLit = 215;
// The sweep lights at 254, which the same frame decays on path keys.
constexpr uint8_t kSwept = 214;

TEST_F(PreviewTest, ModeTableThresholdsFollowSpeedAndClampFastSpeeds) {
    EXPECT_EQ(KeyboardPreview::Threshold(1, 0), 6);
    EXPECT_EQ(KeyboardPreview::Threshold(11, 0), 27);
    EXPECT_EQ(KeyboardPreview::Threshold(17, 4), 7);
    for (const uint8_t mode : {27, 28, 29}) {
        EXPECT_EQ(KeyboardPreview::Threshold(mode, 0), 0) << int(mode);
        EXPECT_EQ(KeyboardPreview::Threshold(mode, 1), 28) << int(mode);
    }
    // A speed the table has no column for must not read past it.
    EXPECT_EQ(KeyboardPreview::Threshold(1, 9), 2);
    EXPECT_EQ(KeyboardPreview::Threshold(28, 255), 13);
    for (const uint8_t mode : {0, 19, 30, 200}) {
        EXPECT_EQ(KeyboardPreview::Threshold(mode, 2), KeyboardPreview::kNoRow) << int(mode);
    }
}

TEST_F(PreviewTest, PassesComputeFramesEveryThresholdOfThreeUnitsPerTwoMilliseconds) {
    // Mode 1 at speed 4 (threshold 2) draws on every 2 ms step; mode 12 at
    // speed 0 (threshold 6) on every second step.
    for (const auto& [mode, speed, frameMs] : {std::tuple{1, 4, 2}, std::tuple{12, 0, 4}}) {
        Use(static_cast<uint8_t>(mode), 0, 1, static_cast<uint8_t>(speed));
        preview.StartTiming(now = 1000);
        preview.Pass(now);
        int frames = 0;
        uint32_t wait = 0;
        while (now < 1200) {
            const uint8_t phase = engine.Phase();
            wait = preview.Pass(now += 1);
            frames += engine.Phase() != phase ? 1 : 0;
        }
        EXPECT_EQ(frames, 200 / frameMs) << "mode " << mode;
        EXPECT_EQ(wait, static_cast<uint32_t>(frameMs)) << "mode " << mode;
    }
    // The thread is told to sleep until the next frame is due: mode 17 at
    // speed 0 (threshold 28) needs ten 2 ms steps.
    Use(17, 0, 1, 0);
    preview.StartTiming(now = 5000);
    EXPECT_EQ(preview.Pass(now), 20u);
    EXPECT_EQ(preview.Pass(now += 20), 20u);
    EXPECT_EQ(preview.Counter(), 0);  // the frame ran
    Use(28, 0, 1, 0);
    EXPECT_EQ(preview.Pass(now += 1), 1u);  // threshold 0: every pass
    Use(0);
    EXPECT_EQ(preview.Pass(now += 1), 1u);  // custom effects play every pass
}

// The thread wakes at the pace of a display and runs the passes that came due
// meanwhile, each at its own time: the frames are those of a thread that woke
// for every pass, and the effect keeps its speed.
TEST_F(PreviewTest, PassesRunInABatchDrawWhatPassesRunOneByOneDraw) {
    uint32_t twinNow = 0;
    device::LightingEngine twinEngine{[&] { return twinNow; }};
    twinEngine.SetLedCount(kPreviewLeds);
    KeyboardPreview twin{twinEngine, 7};
    for (const auto& [mode, speed] : {std::pair{1, 4}, std::pair{12, 0}, std::pair{23, 2}}) {
        const device::LightingParams p{
            static_cast<uint8_t>(mode), 5, static_cast<uint8_t>(speed), 1, 1, 200, 100, 50};
        engine.SetLightingParams(p);
        twinEngine.SetLightingParams(p);
        preview.StartTiming(now = 1000);
        twin.StartTiming(twinNow = 1000);
        uint32_t due = now;
        uint32_t twinDue = twinNow;
        for (const uint32_t wake : {1000u, 1033u, 1070u, 1101u, 1140u}) {
            now = wake;
            const uint32_t wait = preview.PassesUntil(due, now, 33);
            while (static_cast<int32_t>(twinDue - wake) <= 0) {
                twinNow = twinDue;
                twinDue += twin.Pass(twinNow);
            }
            EXPECT_GE(wait, 33u) << "mode " << mode;
            EXPECT_EQ(due, twinDue) << "mode " << mode << " at " << wake;
            EXPECT_EQ(engine.Phase(), twinEngine.Phase()) << "mode " << mode << " at " << wake;
            for (int k = 0; k < kPreviewLeds; ++k) {
                ASSERT_EQ(engine.GetLedColor(k), twinEngine.GetLedColor(k))
                    << "mode " << mode << " at " << wake << ", LED " << k;
            }
        }
    }
    // Far behind, the batch stops after 64 passes and goes on from now.
    Use(1, 0, 1, 4);
    preview.StartTiming(now = 50000);
    uint32_t due = now;
    now += 10000;
    preview.PassesUntil(due, now, 33);
    EXPECT_EQ(due, now);
    // Modes the clock drives get a pass every millisecond.
    Use(0);
    EXPECT_EQ(preview.PassesUntil(due, now += 5, 33), 1u);
    EXPECT_EQ(due, now + 1);
}

TEST_F(PreviewTest, SpreadHuesSkipsTheWheelsUpperRange) {
    preview.SpreadHues();
    const device::KeyLevels& keys = engine.Keys();
    EXPECT_EQ(keys.Hue(0), 33);
    EXPECT_EQ(keys.Hue(3), 132);
    EXPECT_EQ(keys.Hue(4), 165);
    EXPECT_EQ(keys.Hue(5), 6);
    EXPECT_EQ(keys.Hue(6), 39);
    EXPECT_EQ(keys.Hue(63), 192);
    EXPECT_EQ(device::kColorWheel[keys.Hue(63)], device::kColorWheel[0]);
}

TEST_F(PreviewTest, PreparationsSeedPhasesAndHuesFromTheSevenRowLayout) {
    preview.PrepareStaggeredPulse();
    // Column 0 counts 157, 122, 87, 52, 17, 175, 140; only row 6 (LED 105) is an LED.
    EXPECT_EQ(preview.PulsePhase(105), 140);
    EXPECT_EQ(engine.Keys().Hue(105), 0);
    // Column 1 starts from 184: rows 2-6 are LEDs 21, 42, 63, 84, 106.
    EXPECT_EQ(preview.PulsePhase(21), 79);
    EXPECT_EQ(preview.PulsePhase(42), 44);
    EXPECT_EQ(preview.PulsePhase(63), 9);
    EXPECT_EQ(preview.PulsePhase(84), 167);
    EXPECT_EQ(preview.PulsePhase(106), 132);
    EXPECT_EQ(engine.Keys().Hue(21), 7);

    preview.PrepareTablePulse();
    EXPECT_EQ(Level(105), 72);  // start phase 6 × 0 + 6: the first of column 1's group
    EXPECT_EQ(Level(21), 32);   // 6 × 1 + 2
    EXPECT_EQ(Level(118), 32);  // 6 × 22 + 5: the last value before the final 0
}

// Column 11's count passes 34 and wraps to 192, one past the pulse curve; the
// next frame must start that key's pulse again instead of reading past it.
TEST_F(PreviewTest, StaggeredPulseRestartsAPhaseThatStartsAtTheCurvesEnd) {
    Use(kModeStaggeredPulse);
    preview.PrepareStaggeredPulse();
    ASSERT_EQ(preview.PulsePhase(31), 192);
    preview.FrameStaggeredPulse();
    EXPECT_EQ(preview.PulsePhase(31), 0);
    EXPECT_EQ(Led(31).alpha, 0);  // pulse[0]
    EXPECT_EQ(preview.PulsePhase(21), 80);
    EXPECT_EQ(Led(21),
              (LedColor{200, 100, 50, static_cast<uint8_t>(kFull * kPulseCurve[80] >> 8)}));
    for (int i = 0; i < 400; ++i) {
        preview.FrameStaggeredPulse();
        for (int k = 0; k < kPreviewLeds; ++k) {
            ASSERT_LT(preview.PulsePhase(k), kPulseLength);
        }
    }
}

TEST_F(PreviewTest, WavesStepThroughTheCurvesByColumnRowAndPath) {
    Use(1, 0, 1);
    preview.FrameColumnWave();  // phase 1, wave index 2 in column 0, 9 in column 1
    EXPECT_EQ(Led(120), (LedColor{200, 100, 50, 26}));
    EXPECT_EQ(Led(21), (LedColor{200, 100, 50, 48}));
    Use(1, 1, 1);
    preview.FrameColumnWave();  // phase 2: hues 3 and 10
    EXPECT_EQ(Led(124), (LedColor{255, 7, 0, kFull}));
    EXPECT_EQ(Led(105), (LedColor{255, 38, 0, kFull}));

    engine.SetPhase(0);
    Use(12, 1, 1);
    preview.FrameRowWave();  // row 0 hue 2, row 1 hue 23
    EXPECT_EQ(Led(0), (LedColor{255, 5, 0, kFull}));
    EXPECT_EQ(Led(21), (LedColor{255, 152, 0, kFull}));

    engine.SetPhase(0);
    Use(3, 0, 0);
    preview.FramePathWave();  // backwards from 0: phase 95; path entry n at 95 + 5n
    EXPECT_EQ(Led(15), (LedColor{200, 100, 50, static_cast<uint8_t>(kFull * 22 >> 8)}));
    EXPECT_EQ(Led(14), (LedColor{200, 100, 50, static_cast<uint8_t>(kFull * 33 >> 8)}));

    engine.SetPhase(0);
    Use(2, 0, 1);
    preview.FrameColumnDrift();  // pulse curve from phase 1, one entry per column
    EXPECT_EQ(Led(120).alpha, kFull * kPulseCurve[1] >> 8);
    EXPECT_EQ(Led(21).alpha, kFull * kPulseCurve[2] >> 8);
}

TEST_F(PreviewTest, ZoneColourFollowsTheZzccMode) {
    Use(kModeZoneColour);
    preview.SetZzccMode(2);
    preview.FrameZoneColour();
    for (const int led : {0, 63, 125}) {
        EXPECT_EQ(Led(led), (LedColor{0, 255, 18, kFull})) << led;
    }
    preview.SetZzccMode(9);  // no zone of its own: the default hue 174
    preview.FrameZoneColour();
    EXPECT_EQ(Led(0), (LedColor{255, 0, 85, kFull}));
}

TEST_F(PreviewTest, PathSweepForwardsLightsOneEntryPerFrameThenRests) {
    Use(28, 0, 1);
    for (int i = 0; i < 126; ++i) {
        preview.FramePathSweep();
        const uint8_t led = kSweepOrder[i];
        // Path LEDs decay in the frame that lights them; LEDs off the path
        // (17-20) keep the sweep's level but are never drawn.
        if (led < kNoLed && KeyboardPreview::PathLookup(led) < kNoLed) {
            ASSERT_EQ(Level(led), kSwept) << "entry " << i;
        } else if (led < kNoLed) {
            ASSERT_EQ(Level(led), 254) << "entry " << i;
        }
    }
    EXPECT_EQ(engine.Phase(), 126);
    preview.FramePathSweep();  // the rest at step 126
    EXPECT_EQ(engine.Phase(), 0);
    EXPECT_TRUE(AtLevel(kSwept).empty());
    preview.FramePathSweep();
    EXPECT_EQ(AtLevel(kSwept), std::set<int>{0});
}

TEST_F(PreviewTest, PathSweepBackwardsStartsFromLedZeroAtStep126) {
    Use(28, 0, 0);
    preview.FramePathSweep();  // step 0: rest, then count down from 126
    EXPECT_EQ(engine.Phase(), 126);
    EXPECT_TRUE(AtLevel(kSwept).empty());
    preview.FramePathSweep();
    EXPECT_EQ(AtLevel(kSwept), std::set<int>{0});
    EXPECT_EQ(engine.Phase(), 125);
    for (int i = 0; i < 16; ++i) {
        preview.FramePathSweep();  // entries 125 ... 110 light nothing
    }
    EXPECT_TRUE(AtLevel(kSwept).empty());
    preview.FramePathSweep();
    EXPECT_EQ(AtLevel(kSwept), std::set<int>{105});
}

TEST_F(PreviewTest, RowRipplesSpreadAlongThePressedRowOnly) {
    Use(kModeRowRipple);
    preview.DispatchKeyEvent(70, kKeyPressed);   // LED 70 is at column 8, row 3
    preview.DispatchKeyEvent(70, kKeyReleased);  // releases seed nothing
    const std::vector<std::set<int>> expected = {{70}, {69, 71}, {68, 72}, {67, 73}, {66, 74}};
    for (size_t frame = 0; frame < expected.size(); ++frame) {
        preview.FrameRowRipple();
        EXPECT_EQ(AtLevel(kJustLit), expected[frame]) << "frame " << frame;
    }
    for (const int above : {28, 49, 91, 92, 50}) {
        EXPECT_EQ(Level(above), 0) << above;
    }
}

TEST_F(PreviewTest, KeyRipplesLightOneRingOfDistanceEachFrame) {
    Use(kModeKeyRipple);
    preview.DispatchKeyEvent(70, kKeyPressed);
    // Positions at row-and-column distance 0, 1, 2, 3 from (8, 3); (8, 5)
    // has no LED and rows below 5 light nothing.
    const std::vector<std::set<int>> expected = {
        {70},
        {49, 91, 69, 71},
        {28, 48, 50, 68, 72, 90, 92},
        {5, 27, 29, 47, 51, 67, 73, 89, 93, 109},
    };
    for (size_t frame = 0; frame < expected.size(); ++frame) {
        preview.FrameKeyRipple();
        EXPECT_EQ(AtLevel(kJustLit), expected[frame]) << "frame " << frame;
    }
    preview.DispatchKeyEvent(126, kKeyPressed);  // not a key of the layout
    Use(kModeShow);
    preview.DispatchKeyEvent(70, kKeyPressed);  // other modes drop key events
    preview.FrameKeyRipple();
    EXPECT_FALSE(AtLevel(kJustLit).count(70));
}

TEST_F(PreviewTest, BouncesKeepRestartingInsteadOfFadingOut) {
    for (const uint8_t mode : {kModeCornerBounce, kModeCentreBounce}) {
        Use(mode);
        preview.ChangeMode(mode);
        int darkRun = 0;
        int longestDark = 0;
        for (int frame = 0; frame < 1500; ++frame) {
            preview.RunFrame(mode);
            darkRun = AnyLit() ? 0 : darkRun + 1;
            longestDark = std::max(longestDark, darkRun);
        }
        EXPECT_LT(longestDark, 40) << "mode " << int(mode);
    }
}

TEST_F(PreviewTest, CornerBounceStartsInColumnOneAndSpreadsDiagonally) {
    Use(kModeCornerBounce);
    preview.ChangeMode(kModeCornerBounce);
    preview.FrameCornerBounce();
    // (1, 0) has no LED; the seed moves up-left to (0, 0), up-right to
    // (2, 0), and both down masks one row down and one column over.
    EXPECT_EQ(preview.UpLeftMask()[0], 0x01);
    EXPECT_EQ(preview.UpRightMask()[2], 0x01);
    EXPECT_EQ(preview.DownRightMask()[1], 0x02);
    EXPECT_EQ(preview.DownRightMask()[2], 0x01);
    EXPECT_EQ(preview.DownLeftMask()[0], 0x01);
    EXPECT_EQ(preview.DownLeftMask()[1], 0x02);
    preview.FrameCornerBounce();
    EXPECT_EQ(AtLevel(kJustLit), (std::set<int>{0, 21}));
}

TEST_F(PreviewTest, CentreBounceSpreadsOnEveryOtherFrameFromBelowTheBottomRow) {
    Use(kModeCentreBounce);
    preview.ChangeMode(kModeCentreBounce);
    for (int frame = 1; frame <= 4; ++frame) {
        preview.FrameCentreBounce();
        EXPECT_TRUE(AtLevel(kJustLit).empty()) << frame;  // the seed sits in row 6
    }
    preview.FrameCentreBounce();  // (9, 5), where the first spread reached
    EXPECT_EQ(AtLevel(kJustLit), std::set<int>{109});
    preview.FrameCentreBounce();
    EXPECT_TRUE(AtLevel(kJustLit).empty());
    preview.FrameCentreBounce();  // (9, 4); (8, 5) and (10, 5) have no LED
    EXPECT_EQ(AtLevel(kJustLit), std::set<int>{92});
}

class SplashTest : public PreviewTest {
  protected:
    void SetUp() override {
        PreviewTest::SetUp();
        Use(kModeSplash);
    }
    void Press(int led) { preview.DispatchKeyEvent(led, kKeyPressed); }
    void Release(int led) { preview.DispatchKeyEvent(led, kKeyReleased); }
};

// LED 70 at (8, 3): above 49, below 91, left 69, right 71; two away 28
// (above), 68 and 72 (sideways); diagonals 48, 90, 50, 92; (8, 5) is none.
TEST_F(SplashTest, PressRaisesTheNeighboursAndReleaseLowersThem) {
    Press(70);
    EXPECT_EQ(Level(70), 255);
    EXPECT_EQ(preview.KeyHeld(70), 1);
    for (const int led : {49, 91, 69, 71}) {
        EXPECT_EQ(Level(led), 150) << led;
        EXPECT_EQ(preview.KeyState(led), kKeyRising) << led;
    }
    for (const int led : {28, 48, 90, 50, 92}) {
        EXPECT_EQ(Level(led), 90) << led;
    }
    EXPECT_EQ(Level(68), 60);
    EXPECT_EQ(Level(72), 60);

    Release(70);
    for (const int led : {49, 91, 69, 71}) {
        EXPECT_EQ(Level(led), 135) << led;
        EXPECT_EQ(preview.KeyState(led), kKeyFalling) << led;
    }
    for (const int led : {28, 48, 90, 50, 92, 68, 72}) {
        EXPECT_EQ(Level(led), 0) << led;
    }
    EXPECT_EQ(preview.KeyState(70), kKeyFalling);
    EXPECT_EQ(preview.KeyHeld(70), 0);
    preview.FrameKeyGlow();
    EXPECT_EQ(Level(70), 250);
    preview.FrameKeyGlow();
    EXPECT_EQ(Level(70), 245);
    EXPECT_EQ(Led(70), (LedColor{200, 100, 50, static_cast<uint8_t>(kFull * 245 >> 8)}));
}

TEST_F(SplashTest, ReleasingNextToAHeldKeyKeepsItsSurroundingsRising) {
    Press(70);
    Press(72);  // two to the right: (10, 3)
    Release(72);
    EXPECT_EQ(preview.KeyState(72), kKeyRising);  // 70 is still held nearby
    EXPECT_EQ(preview.KeyHeld(72), 0);
    EXPECT_EQ(preview.KeyState(71), kKeyRising);  // next to 70: not lowered
    EXPECT_EQ(preview.KeyState(73), kKeyFalling);
    Release(70);
    EXPECT_EQ(preview.KeyState(72), kKeyFalling);
    EXPECT_EQ(preview.KeyState(70), kKeyFalling);
}

TEST_F(PreviewTest, KeyGlowHoldsAPressedKeyAndFadesItAfterRelease) {
    Use(kModeKeyGlow);
    preview.DispatchKeyEvent(64, kKeyPressed);
    preview.FrameKeyGlow();
    EXPECT_EQ(Level(64), 255);
    EXPECT_EQ(Led(64).alpha, kFull * 255 >> 8);
    preview.DispatchKeyEvent(64, kKeyReleased);
    EXPECT_EQ(Level(64), 255);
    preview.FrameKeyGlow();
    EXPECT_EQ(Level(64), 250);
    EXPECT_EQ(Level(65), 0);
}

TEST_F(PreviewTest, SnakeFadesItsTrailOrKeepsFullBrightnessWhenMultiColoured) {
    Use(23, 0, 1);
    preview.FrameSnake();  // frame row 1: LEDs 0, 26, 27, 50, 51
    EXPECT_EQ(AtLevel(250), (std::set<int>{0, 26, 27, 50, 51}));
    EXPECT_EQ(Led(26), (LedColor{200, 100, 50, static_cast<uint8_t>(kFull * 250 >> 8)}));
    EXPECT_EQ(Led(30).alpha, 0);
    Use(23, 1, 1);
    preview.FrameSnake();
    for (const int led : {0, 30, 125}) {
        EXPECT_EQ(Led(led).alpha, kFull) << led;
    }
    EXPECT_EQ(engine.Keys().Hue(26), 6);  // lit at hue 0 one frame ago, +3 per frame
    EXPECT_EQ(Led(26), (LedColor{255, 18, 0, kFull}));
}

TEST_F(PreviewTest, ShowRunsItsScriptAndStartsAgain) {
    Use(kModeShow);
    preview.ChangeMode(kModeShow);
    preview.FrameShow();
    EXPECT_EQ(AtLevel(kJustLit), std::set<int>{0});
    preview.FrameShow();
    EXPECT_EQ(AtLevel(kJustLit), (std::set<int>{1, 115}));
    std::vector<uint8_t> states = {0};
    for (int frame = 0; frame < 3000 && states.size() < 6; ++frame) {
        preview.FrameShow();
        if (preview.SweepState() != states.back()) {
            states.push_back(preview.SweepState());
        }
    }
    EXPECT_EQ(states, (std::vector<uint8_t>{0, 1, 2, 3, 4, 0}));
}

TEST_F(PreviewTest, SparklesLandOnPathKeysOnly) {
    Use(10, 1);
    for (int frame = 0; frame < 50; ++frame) {
        preview.FrameSparkle();
        const std::set<int> lit = AtLevel(kJustLit);
        EXPECT_LE(lit.size(), 6u);
        for (const int led : lit) {
            EXPECT_LT(KeyboardPreview::PathLookup(static_cast<uint8_t>(led)), kNoLed) << led;
            EXPECT_LT(engine.Keys().Hue(led), 192) << led;
        }
    }
}

TEST_F(PreviewTest, CustomColoursKeepTheirColourAndTakeTheBrightness) {
    Use(kModeCustomColors);
    preview.SetCustomColor(64, {10, 20, 30, 255});
    preview.FrameCustomColors();
    EXPECT_EQ(Led(64), (LedColor{10, 20, 30, kFull}));
    EXPECT_EQ(preview.GetCustomColor(64), (CustomColor{10, 20, 30, kFull}));
}

TEST_F(PreviewTest, ModeChangeResetsLevelsMasksAndPhaseButKeepsKeyStates) {
    Use(kModeSplash);
    preview.DispatchKeyEvent(70, kKeyPressed);
    engine.SetPhase(40);
    preview.ChangeMode(kModeKeyRipple);
    EXPECT_EQ(engine.Phase(), 0);
    EXPECT_TRUE(AtLevel(0).size() == kPreviewLeds);
    EXPECT_EQ(preview.KeyHeld(70), 1);
    preview.ChangeMode(kModeCornerBounce);
    EXPECT_EQ(preview.UpLeftMask()[1], 0x01);
}

// Key events come from the keyboard's input thread while the lighting
// thread computes frames; they are queued and applied between frames.
TEST_F(PreviewTest, KeyEventsFromAnotherThreadReachTheFramesInOrder) {
    Use(kModeKeyGlow);
    preview.StartTiming(now);
    std::atomic<bool> done{false};
    std::thread input([&] {
        for (int i = 0; i < 2000; ++i) {
            const int event = i % 2 == 0 ? kKeyPressed : kKeyReleased;
            while (!preview.PostKeyEvent(i % kPreviewLeds, event)) {
                std::this_thread::yield();
            }
        }
        done = true;
    });
    while (!done.load()) {
        preview.Pass(now += 2);
    }
    input.join();
    preview.Pass(now += 2);
    // Event 1999 released key 1999 % 126 = 109; event 1998 pressed key 108.
    EXPECT_EQ(preview.KeyState(109), kKeyFalling);
    EXPECT_EQ(preview.KeyState(108), kKeyRising);
}

TEST_F(PreviewTest, AFullEventQueueDropsNewEventsUntilTheNextPass) {
    Use(kModeKeyGlow);
    for (size_t i = 0; i < KeyboardPreview::kEventQueueSize; ++i) {
        ASSERT_TRUE(preview.PostKeyEvent(1, kKeyPressed));
    }
    EXPECT_FALSE(preview.PostKeyEvent(2, kKeyPressed));
    EXPECT_FALSE(preview.PostKeyEvent(200, kKeyPressed));
    preview.Pass(now += 2);
    EXPECT_EQ(preview.KeyState(1), kKeyRising);
    EXPECT_EQ(preview.KeyState(2), kKeyIdle);
    EXPECT_TRUE(preview.PostKeyEvent(2, kKeyPressed));
    preview.DiscardKeyEvents();
    preview.Pass(now += 2);
    EXPECT_EQ(preview.KeyState(2), kKeyIdle);
}

}  // namespace
}  // namespace keyboard
