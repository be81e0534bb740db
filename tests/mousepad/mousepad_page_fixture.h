#pragma once
// The mousepad's page, power control and selection entry built from the
// shipped layouts and wired the way the main window wires them, on the
// simulated mousepad.

#include <array>
#include <vector>

#include "device/lighting_tables.h"
#include "mousepad/mousepad_device.h"
#include "mousepad/mp_device_power_ui.h"
#include "platform/ui/list.h"
#include "profile/controls/device_option_ui.h"
#include "profile/controls/device_profile_ui.h"
#include "sim/mousepad_firmware.h"
#include "tests/device/usb_device_test_support.h"

class MousepadPageTest : public PageTest {
  protected:
    void SetUp() override {
        PageTest::SetUp();
        pad = bus->Find(sim::DeviceKind::Mousepad);
        auto& factory = host->Factory();
        factory.Register("VeldmarkMousePadDevice",
                         [this] { return std::make_unique<CVeldmarkMousePadDevice>(*bus); });
        factory.Register<CDeviceProfileUI>("DeviceProfile");
        factory.Register<CDeviceOptionUI>("DeviceOption");
        factory.Register<CMpDevicePowerUI>("MpDevicePower");
        BuildWindow();
        ConfigurePage();
    }
    void TearDown() override {
        page = nullptr;
        PageTest::TearDown();
    }

    std::unique_ptr<ui::Control> Load(const std::string& file) {
        ui::LayoutLoader loader = host->Context().MakeLoader();
        loader.SetBuilder(
            [](std::string_view tag, ui::LayoutLoader& inner) -> std::unique_ptr<ui::Control> {
                if (tag == "DeviceProfileUI") {
                    return inner.LoadFile("XML/CustomControlXML/DeviceProfile.xml").root;
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

    void BuildWindow() {
        auto root = std::make_unique<ui::VerticalLayout>();
        auto* pages = root->Add(std::make_unique<ui::TabLayout>());
        pages->SetName("device_switch");
        auto* powers = root->Add(std::make_unique<ui::TabLayout>());
        powers->SetName("device_power_switch");
        auto* entries = root->Add(std::make_unique<ui::VerticalLayout>());
        entries->SetName("device_select_layout");
        power = dynamic_cast<CMpDevicePowerUI*>(
            powers->Add(Load("XML/CustomControlXML/MpDevicePower.xml")));
        page = dynamic_cast<CVeldmarkMousePadDevice*>(
            pages->Add(Load("XML/DeviceXml/mousepaddevice.xml")));
        entry = dynamic_cast<CDeviceOptionUI*>(
            entries->Add(Load("XML/CustomControlXML/DeviceOption.xml")));
        window->Attach(std::move(root));
        ASSERT_NE(power, nullptr);
        ASSERT_NE(page, nullptr);
        ASSERT_NE(entry, nullptr);
    }

    void ConfigurePage() {
        const device::DevicePageRow& row = device::DevicePageTable()[2];
        const device::DeviceOptionRow& option = device::DeviceOptionTable()[2];
        const int slot =
            device::FindCatalogueIndex(option.vendorId, option.productId, option.kind, option.role);
        ASSERT_GE(slot, 0);
        power->SetKind(option.kind, option.role);
        page->SetPageLayout(std::string(row.pageLayout));
        page->SetKeyCount(row.keyCount);
        page->SetLedCount(row.ledCount);
        page->SetExtra(row.extra);
        page->SetProfileId("");
        page->SetFolderName(std::string(option.folderName));
        page->SetPowerControl(power);
        page->SetIdentity(device::InterfaceCatalogue()[slot]);
        page->SetTypeCode(option.typeCode);
        page->SetLightStoreName(std::string(row.lightStoreName));
        page->InitPage();
        profiles = dynamic_cast<CDeviceProfileUI*>(page->GetProfileControl());
        ASSERT_NE(profiles, nullptr);
        profiles->SetPaths(page->ProfileFolder(), page->DefaultDocumentPath());
        profiles->SetDeviceKind(option.kind);
        profiles->InitProfiles();
        profiles->SetDevice(page);
        entry->ShowSynchro(false);
        entry->SetGroup(std::string(option.headerName));
        entry->BindPage("device_switch", 0);
        entry->SetPowerTab(std::string(option.powerContainerName), 0);
        entry->SetKind(option.kind, option.role);
        entry->SetVisible(false);
        entry->SetName(std::string(option.folderName));
        entry->SetDevice(page);
        entry->SetPreviewControl(page->GetSelectPanel());
    }

    // What the main window does when the pad's interfaces arrive.
    void Arrive() {
        ASSERT_TRUE(page->Channel().OpenInterface(pad->CommandPath(), 3));
        entry->SetVisible(true);
        entry->Select(true);
        entry->StartConnect();
        page->OpenSyncInterface(pad->EventPath());
    }

    // Stores a lighting record in the current profile and applies it.
    void UseLighting(uint8_t mode, uint8_t brightness, uint8_t speed, uint8_t multi,
                     uint8_t r = 200, uint8_t g = 100, uint8_t b = 50, uint8_t direction = 1) {
        LightInfoRecord record;
        record.mode = mode;
        record.brightness = brightness;
        record.speed = speed;
        record.direction = direction;
        record.multiColor = multi;
        record.red = r;
        record.green = g;
        record.blue = b;
        page->SetLightInfo(record);
        page->SaveProfile();
        page->ApplyLighting();
    }

    bool StreamedFrameMatches(const std::function<bool(const std::vector<uint8_t>&)>& matches) {
        return AdvanceUntil(
            [&] {
                const std::vector<uint8_t> frame = pad->firmware().LastFrame();
                return frame.size() == 45 && matches(frame);
            },
            2000);
    }

    std::shared_ptr<sim::SimDevice> pad;
    CVeldmarkMousePadDevice* page = nullptr;
    CMpDevicePowerUI* power = nullptr;
    CDeviceOptionUI* entry = nullptr;
    CDeviceProfileUI* profiles = nullptr;
};

// A stream frame as the pad receives it: colour scaled by alpha per LED.
inline std::vector<uint8_t> StreamOf(const std::vector<device::LedColor>& leds) {
    std::vector<uint8_t> bytes;
    for (const device::LedColor& led : leds) {
        bytes.push_back(static_cast<uint8_t>(led.r * led.alpha >> 8));
        bytes.push_back(static_cast<uint8_t>(led.g * led.alpha >> 8));
        bytes.push_back(static_cast<uint8_t>(led.b * led.alpha >> 8));
    }
    return bytes;
}

// Whether `frame` is the frame `led(phase, i)` gives for some phase below `phases`.
inline bool SomePhaseGives(const std::vector<uint8_t>& frame, int phases,
                           const std::function<device::LedColor(int phase, int led)>& led) {
    for (int phase = 0; phase < phases; ++phase) {
        std::vector<device::LedColor> leds;
        for (int i = 0; i < sim::kMousepadLeds; ++i) {
            leds.push_back(led(phase, i));
        }
        if (StreamOf(leds) == frame) {
            return true;
        }
    }
    return false;
}
