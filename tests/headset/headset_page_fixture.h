#pragma once
// The headset's page built from the shipped layouts (with the real voice and
// voice-effect editors) and wired the way the main window wires it, on the
// simulated headset and the simulated audio library.

#include <memory>
#include <string>

#include "headset/hs6533_device.h"
#include "headset/magic_control_ui.h"
#include "headset/voice6533_control_ui.h"
#include "platform/audio/sim_conf_lib.h"
#include "platform/ui/button.h"
#include "platform/ui/edit.h"
#include "platform/ui/list.h"
#include "platform/ui/range_controls.h"
#include "profile/controls/device_profile_ui.h"
#include "sim/headset_firmware.h"
#include "tests/device/usb_device_test_support.h"

// The headset's page with its lighting thread in the test's hands: tests that
// drive passes themselves stop it first, so only one thread steps the frames.
class TestHeadsetPage : public CVeldmarkHS6533Device {
  public:
    using CVeldmarkHS6533Device::CVeldmarkHS6533Device;
    using CVeldmarkUSBDevice::StopLightingThread;
};

class HeadsetPageTest : public PageTest {
  protected:
    std::string BusKinds() const override { return "headset"; }

    void SetUp() override {
        PageTest::SetUp();
        device = bus->Find(sim::DeviceKind::Headset);
        simAudio = std::make_shared<platform::audio::SimAudio>();
        loader = std::make_unique<platform::audio::SimConfLibLoader>(simAudio);
        session = std::make_shared<headset::AudioSession>();
        session->loader = loader.get();
        auto& factory = host->Factory();
        factory.Register("VeldmarkHS6533Device",
                         [this] { return std::make_unique<TestHeadsetPage>(*bus, session); });
        factory.Register<CDeviceProfileUI>("DeviceProfile");
        factory.Register<CVoice6533ControlUI>("Voice6533Control");
        factory.Register<CMagicControlUI>("MagicControl");
    }
    void TearDown() override {
        page = nullptr;
        PageTest::TearDown();
    }

    // Builds the page; set faults of the audio library before.
    void Build() {
        auto root = std::make_unique<ui::VerticalLayout>();
        page =
            dynamic_cast<CVeldmarkHS6533Device*>(root->Add(Load("XML/DeviceXml/hs6533device.xml")));
        window->Attach(std::move(root));
        ASSERT_NE(page, nullptr);
        const device::DevicePageRow& row = device::DevicePageTable()[3];
        const device::DeviceOptionRow& option = device::DeviceOptionTable()[3];
        const int slot =
            device::FindCatalogueIndex(option.vendorId, option.productId, option.kind, option.role);
        ASSERT_GE(slot, 0);
        page->SetPageLayout(std::string(row.pageLayout));
        page->SetKeyCount(row.keyCount);
        page->SetLedCount(row.ledCount);
        page->SetExtra(row.extra);
        page->SetProfileId("");
        page->SetFolderName(std::string(option.folderName));
        page->SetIdentity(device::InterfaceCatalogue()[slot]);
        page->SetTypeCode(option.typeCode);
        page->SetLightStoreName(std::string(row.lightStoreName));
        page->SetMainWindow(window->GetRoot());
        page->InitPage();
        voice = page->FindSubControl<CVoice6533ControlUI>("Voice6533ControlItem");
        magic = page->FindSubControl<CMagicControlUI>("MagicControlItem");
        ASSERT_NE(voice, nullptr);
        ASSERT_NE(magic, nullptr);
    }

    std::unique_ptr<ui::Control> Load(const std::string& file) {
        ui::LayoutLoader loader = host->Context().MakeLoader();
        loader.SetBuilder(
            [](std::string_view tag, ui::LayoutLoader& inner) -> std::unique_ptr<ui::Control> {
                if (tag == "DeviceProfileUI") {
                    return inner.LoadFile("XML/CustomControlXML/DeviceProfile.xml").root;
                }
                if (tag == "Voice6533SetControlUI") {
                    return inner.LoadFile("XML/CustomControlXML/Voice6533Control.xml").root;
                }
                if (tag == "MagicSetControlUI") {
                    return inner.LoadFile("XML/CustomControlXML/MagicControl.xml").root;
                }
                if (tag == "LightSetControlUI") {
                    return std::make_unique<TestLightEditor>();
                }
                return nullptr;
            });
        ui::LayoutResult result = loader.LoadFile(file);
        EXPECT_TRUE(result.ok()) << result.error;
        return std::move(result.root);
    }

    // What the main window and the selection entry do when the headset arrives.
    void Attach() {
        ASSERT_TRUE(page->Channel().OpenInterface(device->CommandPath(), 7));
        page->ConnectDevice();
    }

    template <typename T>
    T* Named(const std::string& name) {
        return page->FindSubControl<T>(name);
    }

    // A user's move of a slider, raising its notification.
    void Drag(const std::string& slider, int value) {
        Named<ui::Slider>(slider)->SetValue(value, ui::Notify::Yes);
    }

    std::optional<double> Audio(bool recording, const std::wstring& name) const {
        return simAudio->Value(recording ? 1 : 0, name);
    }

    CHs6533Profiledata::Settings StoredSettings() {
        CHs6533Profiledata document;
        document.Load(page->GetProfilePath());
        return document.ReadHeadsetSettings();
    }

    std::shared_ptr<sim::SimDevice> device;
    std::shared_ptr<platform::audio::SimAudio> simAudio;
    std::unique_ptr<platform::audio::SimConfLibLoader> loader;
    std::shared_ptr<headset::AudioSession> session;
    CVeldmarkHS6533Device* page = nullptr;
    CVoice6533ControlUI* voice = nullptr;
    CMagicControlUI* magic = nullptr;
};
