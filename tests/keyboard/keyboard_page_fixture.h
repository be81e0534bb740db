#pragma once
// The keyboard's page built from the shipped layout, wired as the main
// window wires it, on the simulated keyboard. The lighting editor is a
// stand-in that also offers the custom colour groups.

#include <memory>
#include <string>
#include <vector>

#include "device/catalogue.h"
#include "keyboard/keyboard_device.h"
#include "platform/ui/layout_loader.h"
#include "profile/controls/device_profile_ui.h"
#include "sim/keyboard_firmware.h"
#include "tests/device/usb_device_test_support.h"

class TestGroupEditor : public TestLightEditor, public CustomGroupView {
  public:
    void SelectCustomGroup(int group) override { customGroup = group; }
    int GetCustomGroup() const override { return customGroup; }
    int customGroup = -1;
};

class KeyboardPageTest : public PageTest {
  protected:
    std::string BusKinds() const override { return "keyboard"; }

    void SetUp() override {
        PageTest::SetUp();
        keyboard = bus->Find(sim::DeviceKind::Keyboard);
        ASSERT_NE(keyboard, nullptr);
        host->Factory().Register("VeldmarkKeyboardDevice", [this] {
            return std::make_unique<CVeldmarkKeyboardDevice>(*bus);
        });
        host->Factory().Register<CDeviceProfileUI>("DeviceProfile");
        host->Factory().Register<TestKeyButton>("DeviceKeyButton");
        BuildPage();
    }
    void TearDown() override {
        page = nullptr;
        PageTest::TearDown();
    }

    void BuildPage() {
        ui::LayoutLoader loader = host->Context().MakeLoader();
        loader.SetBuilder(
            [](std::string_view tag, ui::LayoutLoader& inner) -> std::unique_ptr<ui::Control> {
                if (tag == "DeviceProfileUI") {
                    return inner.LoadFile("XML/CustomControlXML/DeviceProfile.xml").root;
                }
                if (tag == "LightSetControlUI") {
                    return std::make_unique<TestGroupEditor>();
                }
                if (tag == "KeySetControlUI" || tag == "MacroSetControlUI") {
                    return std::make_unique<ui::VerticalLayout>();
                }
                return nullptr;
            });
        ui::LayoutResult result = loader.LoadFile("XML/DeviceXml/keyboarddevice.xml");
        ASSERT_TRUE(result.ok()) << result.error;
        page = dynamic_cast<CVeldmarkKeyboardDevice*>(result.root.get());
        ASSERT_NE(page, nullptr);
        window->Attach(std::move(result.root));

        const int family =
            device::FindOptionRow(sim::KeyboardLayout().vendorId, sim::KeyboardLayout().productId,
                                  device::kKindKeyboard, device::kRoleCommand);
        ASSERT_GE(family, 0);
        const device::DevicePageRow& row = device::DevicePageTable()[family];
        const device::DeviceOptionRow& option = device::DeviceOptionTable()[family];
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
        page->InitPage();
        editor = dynamic_cast<TestGroupEditor*>(page->GetLightEditor());
        ASSERT_NE(editor, nullptr);
    }

    // The command channel opened as the main window opens it, then the
    // connection the selection entry's timer makes.
    void Connect() {
        ASSERT_TRUE(page->Channel().OpenInterface(keyboard->CommandPath(), 1));
        page->ConnectDevice();
    }

    // Stores a lighting record in the profile and applies it.
    void UseLighting(uint8_t mode, uint8_t speed = 2, uint8_t red = 200, uint8_t green = 100,
                     uint8_t blue = 50) {
        LightInfoRecord record = page->GetLightInfo();
        record.mode = mode;
        record.brightness = 4;
        record.speed = speed;
        record.multiColor = 0;
        record.red = red;
        record.green = green;
        record.blue = blue;
        page->SetLightInfo(record);
        page->SaveProfile();
        page->ApplyLighting();
    }

    // Requests of one command in the simulated keyboard's log.
    std::vector<std::vector<uint8_t>> Requests(uint8_t command) const {
        std::vector<std::vector<uint8_t>> out;
        for (const sim::LoggedReport& r : keyboard->firmware().RequestLog()) {
            if (r.bytes.size() >= 8 && r.bytes[3] == command) {
                out.push_back(r.bytes);
            }
        }
        return out;
    }

    std::vector<uint8_t> Parameters(size_t offset, size_t length) const {
        const std::vector<uint8_t> all = keyboard->firmware().Parameters();
        return {all.begin() + static_cast<long>(offset),
                all.begin() + static_cast<long>(offset + length)};
    }

    std::shared_ptr<sim::SimDevice> keyboard;
    CVeldmarkKeyboardDevice* page = nullptr;
    TestGroupEditor* editor = nullptr;
};
