#pragma once
// The main window on the headless host (virtual clock) and the simulated bus,
// built from a copy of the shipped skin. Device page layouts the skin does not
// ship yet are replaced by a bare page of the right class, so the window's own
// behaviour is tested whatever the state of the page layouts.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "device/hid_device.h"
#include "device/usb_device.h"
#include "platform/session/session_services.h"
#include "platform/ui/headless_host.h"
#include "profile/controls/device_option_ui.h"
#include "shell/control_classes.h"
#include "shell/main_wnd.h"
#include "sim/sim_bus.h"

class MainWndTest : public ::testing::Test {
  protected:
    static constexpr int64_t kWaitMs = 5000;

    void SetUp() override {
        namespace fs = std::filesystem;
        const char* data = std::getenv("VELDMARK_DATA_DIR");
        ASSERT_NE(data, nullptr) << "VELDMARK_DATA_DIR names the shipped data";
        root = fs::temp_directory_path() /
               ("veldmark_mainwnd_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root / "data");
        fs::copy(fs::path(data) / "skin", root / "data" / "skin", fs::copy_options::recursive);
        fs::copy(fs::path(data) / "DefaultData", root / "data" / "DefaultData",
                 fs::copy_options::recursive);
        WriteMissingPage("mousedevice.xml", "VeldmarkMouseDevice");
        WriteMissingPage("keyboarddevice.xml", "VeldmarkKeyboardDevice");
        WriteMissingPage("mousepaddevice.xml", "VeldmarkMousePadDevice");
        WriteMissingPage("hs6533device.xml", "VeldmarkHS6533Device");
        setenv("XDG_DATA_HOME", (root / "share").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        AwakeFlag.store(1);

        bus = std::make_unique<sim::SimBus>();
        SetProcessHidBackend(bus.get());
        host = std::make_unique<ui::HeadlessHost>(ui::HeadlessHost::ClockMode::Virtual,
                                                  root / "data" / "skin");
        host->Context().layoutAliases["XML_MAIN"] = "XML/main.xml";
        app::RegisterApplicationControls(host->Factory());
    }

    void TearDown() override {
        window.reset();
        host.reset();
        SetProcessHidBackend(nullptr);
        bus.reset();
        std::filesystem::remove_all(root);
    }

    void WriteMissingPage(const std::string& file, const std::string& tag) {
        const auto path = root / "data" / "skin" / "XML" / "DeviceXml" / file;
        if (!std::filesystem::exists(path)) {
            std::filesystem::create_directories(path.parent_path());
            std::ofstream(path) << "<" << tag << " name=\"" << tag << "_page\"/>\n";
        }
    }

    // Creates the window and waits for the first discovery pass to show it.
    void Start() {
        window = std::make_unique<CMainWnd>(
            host->Context(), MainWndServices{*bus, peers, sleep, (root / "data").string(),
                                             (root / "config" / "settings.ini").string()});
        std::string error;
        ASSERT_TRUE(window->Create(&error)) << error;
        ASSERT_TRUE(WaitFor([&] { return window->IsVisible(); })) << "first pass never came";
    }

    bool WaitFor(const std::function<bool()>& done) { return host->RunUntil(done, kWaitMs); }

    std::shared_ptr<sim::SimDevice> Plug(sim::DeviceKind kind) {
        std::shared_ptr<sim::SimDevice> device = bus->Find(kind);
        if (device) {
            bus->Plug(device);
        } else {
            device = bus->Add(kind);
        }
        return device;
    }

    CVeldmarkUSBDevice* Keyboard() const { return window->KeyboardPages().at(0); }
    CVeldmarkUSBDevice* Pad() const { return window->PadPages().at(0); }
    CVeldmarkUSBDevice* Headset() const { return window->HeadsetPages().at(0); }
    CDeviceOptionUI* EntryOf(CVeldmarkUSBDevice* page) const {
        return dynamic_cast<CDeviceOptionUI*>(page->GetOptionControl());
    }
    bool NoticeShown() const {
        ui::Control* notice = window->FindControl("No_device_Link");
        return notice != nullptr && notice->IsVisible();
    }
    int CurrentTab() const {
        return window->FindControl<ui::TabLayout>("device_switch")->GetCurSel();
    }

    std::filesystem::path root;
    std::unique_ptr<sim::SimBus> bus;
    std::unique_ptr<ui::HeadlessHost> host;
    platform::session::RecordingPeerBus peers;
    platform::session::ManualSleepWatch sleep;
    std::unique_ptr<CMainWnd> window;
};
