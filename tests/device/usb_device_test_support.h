#pragma once
// Stand-ins for the application's page controls (select panel, light button,
// lighting editor) and a fixture that runs pages headless on the simulated
// bus with a private data home.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "device/hid_device.h"
#include "device/usb_device.h"
#include "platform/ui/button.h"
#include "platform/ui/headless_host.h"
#include "platform/ui/window.h"
#include "sim/sim_bus.h"
#include "tests/profile/profile_test_support.h"

class TestSelectPanel : public ui::HorizontalLayout {
  public:
    std::string_view GetClass() const override { return "SelectPanel"; }
};

class TestLightButton : public ui::Button, public LedControlView {
  public:
    std::string_view GetClass() const override { return "DeviceKeyButton"; }
    void ShowLed(uint32_t color, uint8_t alpha, bool lit) override {
        shownColor = color;
        shownAlpha = alpha;
        shownLit = lit;
        ++shows;
    }
    uint32_t shownColor = 0;
    uint8_t shownAlpha = 0;
    bool shownLit = false;
    int shows = 0;
};

// A key button that keeps the texts the page gives it.
class TestKeyButton : public TestLightButton, public KeyButtonView {
  public:
    void ShowKeyTexts(const std::string& name, const std::string& assignment) override {
        keyName = name;
        keyText = assignment;
    }
    const std::string& GetKeyName() const override { return keyName; }
    const std::string& GetAssignmentText() const override { return keyText; }
    void SetKeySelected(bool on) override { selected = on; }
    std::string keyName;
    std::string keyText;
    bool selected = false;
};

class TestLightEditor : public ui::VerticalLayout, public LightEditorView {
  public:
    void SetDeviceKind(int kind) override { deviceKind = kind; }
    void InitModes(const std::vector<std::string>& names, const std::vector<bool>& visible, int,
                   int) override {
        modeNames = names;
        modeVisible = visible;
    }
    void ShowLightInfo(const LightInfoRecord& record) override {
        shown = record;
        ++showCount;
    }
    int deviceKind = 0;
    std::vector<std::string> modeNames;
    std::vector<bool> modeVisible;
    LightInfoRecord shown;
    int showCount = 0;
};

// A headless UI with a virtual clock, the simulated bus with the given
// devices, and XDG_DATA_HOME in a fresh folder.
class PageTest : public TempHomeTest {
  protected:
    void SetUp() override {
        TempHomeTest::SetUp();
        if (getenv("VELDMARK_DATA_DIR") == nullptr) {
            setenv("VELDMARK_DATA_DIR", VELDMARK_TEST_DATA_DIR, 1);
        }
        bus = sim::MakeBus(BusKinds());
        ASSERT_NE(bus, nullptr);
        host =
            std::make_unique<ui::HeadlessHost>(ui::HeadlessHost::ClockMode::Virtual,
                                               std::string(getenv("VELDMARK_DATA_DIR")) + "/skin");
        host->Factory().Register<TestSelectPanel>("SelectPanel");
        host->Factory().Register<TestLightButton>("DeviceKeyButton");
        window = std::make_unique<ui::Window>(host->Context(), "main");
    }
    void TearDown() override {
        window.reset();
        host.reset();
        bus.reset();
        TempHomeTest::TearDown();
    }
    virtual std::string BusKinds() const { return "mousepad"; }

    // Moves the virtual clock in 5 ms steps, giving the device's threads real
    // time to run, until `done` holds or `maxMs` of virtual time passed.
    bool AdvanceUntil(const std::function<bool()>& done, int maxMs) {
        for (int t = 0; t < maxMs && !done(); t += 5) {
            host->AdvanceBy(5);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return done();
    }
    static bool WaitReal(const std::function<bool()>& done, int maxMs) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
        while (!done() && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return done();
    }

    std::unique_ptr<sim::SimBus> bus;
    std::unique_ptr<ui::HeadlessHost> host;
    std::unique_ptr<ui::Window> window;
};
