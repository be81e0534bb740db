// The capture object over the capture double, with the window's clock under
// the test's control: what reaches the window in which mode, what the rest
// of the desktop still gets, failures, replacing a capture, and the ends of
// a capture that nobody stopped.

#include "editors/device_hook.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/capture/fake_capture_service.h"
#include "platform/ui/container.h"
#include "platform/ui/headless_host.h"
#include "platform/ui/window.h"

namespace {

namespace capture = platform::capture;

constexpr uint16_t kLinuxA = 30;
constexpr uint16_t kLinuxCapsLock = 58;
constexpr uint16_t kLinuxRightCtrl = 97;

struct Delivered {
    uint32_t message;
    intptr_t event;
    uint32_t scanCode;
    uint32_t flags;
    int x;
};

class DeviceHookTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window = std::make_unique<ui::Window>(host.Context(), "main");
        window->Attach(std::make_unique<ui::VerticalLayout>());
        window->SetMessageHandler(
            [this](uint32_t message, intptr_t wParam, intptr_t lParam, bool& handled) {
                handled = true;
                Delivered d{message, wParam, 0, 0, 0};
                if (hook_msg::IsMouseMessage(message)) {
                    d.x = reinterpret_cast<const capture::MouseRecord*>(lParam)->x;
                } else {
                    const auto* record = reinterpret_cast<const capture::KeyboardRecord*>(lParam);
                    d.scanCode = record->scanCode;
                    d.flags = record->flags;
                }
                delivered.push_back(d);
                return intptr_t{0};
            });
        hook.SetEndHandler([this](capture::EndReason reason) { ends.push_back(reason); });
    }
    void TearDown() override { hook.Uninstall(); }

    ui::HeadlessHost host;
    capture::FakeCaptureService service;
    CDeviceHook hook{service};
    std::unique_ptr<ui::Window> window;
    std::vector<Delivered> delivered;
    std::vector<capture::EndReason> ends;
};

TEST_F(DeviceHookTest, RecordingGetsKeysAndButtonsAsItsModesMessagesAndKeepsAllButLockKeys) {
    ASSERT_EQ(hook.Install(CDeviceHook::kModeMacroBefore, window.get(), true, true), 1);
    EXPECT_TRUE(service.LastRequest().keyboard);
    EXPECT_TRUE(service.LastRequest().mouse);
    service.Key(kLinuxRightCtrl, true);
    service.Key(kLinuxCapsLock, true);
    service.Key(kLinuxCapsLock, false);
    service.Mouse(capture::kRightDown, 812, 40);
    ASSERT_EQ(delivered.size(), 4u);
    const uint32_t keys = hook_msg::Register(hook_msg::kKeyMacroBefore);
    const uint32_t mouse = hook_msg::Register(hook_msg::kMouseMacroBefore);
    EXPECT_NE(keys, 0u);
    EXPECT_EQ(hook_msg::NameOf(keys), hook_msg::kKeyMacroBefore);
    EXPECT_EQ(delivered[0].message, keys);
    EXPECT_EQ(delivered[0].event, static_cast<intptr_t>(capture::kKeyDown));
    EXPECT_EQ(delivered[0].scanCode, 0x1Du);
    EXPECT_EQ(delivered[0].flags, capture::kFlagExtended);
    EXPECT_EQ(delivered[2].flags, capture::kFlagUp);
    EXPECT_EQ(delivered[3].message, mouse);
    EXPECT_EQ(delivered[3].event, static_cast<intptr_t>(capture::kRightDown));
    EXPECT_EQ(delivered[3].x, 812);
    // Only Caps Lock went on to the desktop, both ways.
    ASSERT_EQ(service.DesktopKeys().size(), 2u);
    EXPECT_EQ(service.DesktopKeys()[0].record.vkCode, capture::kVkCapsLock);
    // After the capture everything reaches the desktop again, nothing the window.
    hook.Uninstall();
    service.Key(kLinuxA, true);
    service.Mouse(capture::kLeftDown, 0, 0);
    EXPECT_EQ(delivered.size(), 4u);
    EXPECT_EQ(service.DesktopKeys().size(), 3u);
    EXPECT_TRUE(ends.empty());
}

TEST_F(DeviceHookTest, KeyCaptureTakesOnlyTheKeyboardAndHitKeysAreSentToo) {
    ASSERT_EQ(hook.Install(CDeviceHook::kModeSingleKey, window.get(), true, true), 1);
    EXPECT_FALSE(service.LastRequest().mouse);
    service.Key(kLinuxA, true);
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(delivered[0].message, hook_msg::Register(hook_msg::kKeySingleKey));
    ASSERT_EQ(hook.Install(CDeviceHook::kModeHitKey, window.get(), true, true), 1);
    service.Key(kLinuxA, true);
    EXPECT_EQ(delivered.back().message, hook_msg::Register(hook_msg::kKeyHitKey));
    EXPECT_EQ(hook_msg::ModeOf(delivered.back().message), CDeviceHook::kModeHitKey);
    EXPECT_TRUE(service.DesktopKeys().empty());
}

TEST_F(DeviceHookTest, AReleaseOfAKeyPressedBeforeTheCaptureIsNotSent) {
    service.Key(kLinuxA, true);  // Enter on a menu, Tab into the key field …
    service.Key(kLinuxCapsLock, true);
    ASSERT_EQ(hook.Install(CDeviceHook::kModeMacroReplace, window.get(), true, true), 1);
    service.Key(kLinuxA, false);
    service.Key(kLinuxCapsLock, false);
    EXPECT_TRUE(delivered.empty());
    // Caps Lock still reaches the desktop both ways; A only before the capture.
    EXPECT_EQ(service.DesktopKeys().size(), 3u);
    service.Key(kLinuxRightCtrl, true);
    service.Key(kLinuxA, true);
    service.Key(kLinuxA, false);
    service.Key(kLinuxRightCtrl, false);
    ASSERT_EQ(delivered.size(), 4u);
    EXPECT_EQ(delivered[2].event, static_cast<intptr_t>(capture::kKeyUp));
    EXPECT_EQ(delivered[3].scanCode, 0x1Du);
    // A new capture forgets what the last one saw pressed.
    service.Key(kLinuxA, true);
    ASSERT_EQ(hook.Install(CDeviceHook::kModeMacro, window.get(), true, true), 1);
    service.Key(kLinuxA, false);
    EXPECT_EQ(delivered.size(), 5u);
}

TEST_F(DeviceHookTest, AStartThatFailsCapturesNothingAndSaysWhy) {
    service.FailStarts("another program holds the keyboard");
    EXPECT_EQ(hook.Install(CDeviceHook::kModeMacro, window.get(), true, true), 0);
    EXPECT_FALSE(hook.IsInstalled());
    EXPECT_EQ(hook.GetMode(), 0);
    EXPECT_EQ(hook.LastError(), "another program holds the keyboard");
    service.Key(kLinuxA, true);
    EXPECT_TRUE(delivered.empty());
    EXPECT_EQ(service.DesktopKeys().size(), 1u);
    EXPECT_EQ(hook.Install(CDeviceHook::kModeMacro, nullptr, true, true), 0);
}

TEST_F(DeviceHookTest, InstallingAgainReplacesTheCaptureThatIsOn) {
    ASSERT_EQ(hook.Install(CDeviceHook::kModeMacro, window.get(), true, true), 1);
    ASSERT_EQ(hook.Install(CDeviceHook::kModeMacroReplace, window.get(), true, true), 1);
    EXPECT_EQ(service.Starts(), 2);
    EXPECT_EQ(service.Stops(), 1);
    EXPECT_EQ(hook.GetMode(), CDeviceHook::kModeMacroReplace);
    service.Mouse(capture::kLeftUp, 1, 1);
    EXPECT_EQ(delivered.back().message, hook_msg::Register(hook_msg::kMouseMacroReplace));
    EXPECT_TRUE(ends.empty());
}

TEST_F(DeviceHookTest, FiveMinutesWithoutInputEndTheCaptureAndEveryEventRestartsTheCount) {
    ASSERT_EQ(hook.Install(CDeviceHook::kModeMacro, window.get(), true, true), 1);
    host.AdvanceBy(CDeviceHook::kIdleLimitMs - 1000);
    service.Mouse(capture::kLeftDown, 0, 0);
    host.AdvanceBy(CDeviceHook::kIdleLimitMs - 1000);
    service.Key(kLinuxA, true);
    host.AdvanceBy(CDeviceHook::kIdleLimitMs - 1);
    EXPECT_TRUE(hook.IsInstalled());
    EXPECT_TRUE(ends.empty());
    host.AdvanceBy(1);
    EXPECT_FALSE(hook.IsInstalled());
    EXPECT_FALSE(service.IsActive());
    EXPECT_EQ(ends, std::vector<capture::EndReason>{capture::EndReason::Idle});
    // The keyboard is the desktop's again.
    service.Key(kLinuxA, false);
    EXPECT_EQ(service.DesktopKeys().size(), 1u);
    // A stopped capture never ends again by the limit.
    ASSERT_EQ(hook.Install(CDeviceHook::kModeMacro, window.get(), true, true), 1);
    hook.Uninstall();
    host.AdvanceBy(CDeviceHook::kIdleLimitMs * 2);
    EXPECT_EQ(ends.size(), 1u);
}

TEST_F(DeviceHookTest, HidingTheWindowEndsTheCapture) {
    window->Show();
    ASSERT_EQ(hook.Install(CDeviceHook::kModeSingleKey, window.get(), true, false), 1);
    window->Hide();
    EXPECT_EQ(ends, std::vector<capture::EndReason>{capture::EndReason::Hidden});
    EXPECT_FALSE(service.IsActive());
}

TEST_F(DeviceHookTest, TheDesktopEndingTheCaptureIsReportedOnce) {
    ASSERT_EQ(hook.Install(CDeviceHook::kModeMacro, window.get(), true, true), 1);
    service.End(capture::EndReason::Minimized);
    service.End(capture::EndReason::Hidden);
    EXPECT_EQ(ends, std::vector<capture::EndReason>{capture::EndReason::Minimized});
    EXPECT_FALSE(hook.IsInstalled());
    host.AdvanceBy(CDeviceHook::kIdleLimitMs);
    EXPECT_EQ(ends.size(), 1u);
}

}  // namespace
