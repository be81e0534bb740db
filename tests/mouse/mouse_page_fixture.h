#pragma once
// The mouse's page built from the shipped layout (with the real key editor)
// and configured the way the main window configures it, on the simulated
// mouse.

#include <memory>
#include <string>

#include "device/catalogue.h"
#include "editors/key_set_control.h"
#include "mouse/mouse_device.h"
#include "sim/mouse_firmware.h"
#include "tests/device/usb_device_test_support.h"

class MousePageTest : public PageTest {
  protected:
    std::string BusKinds() const override { return "mouse"; }

    void SetUp() override {
        PageTest::SetUp();
        mouse = bus->Find(sim::DeviceKind::Mouse);
        ASSERT_NE(mouse, nullptr);
        firmware = dynamic_cast<sim::SimMouse*>(&mouse->firmware());
        ASSERT_NE(firmware, nullptr);
        auto& factory = host->Factory();
        factory.Register("VeldmarkMouseDevice",
                         [this] { return std::make_unique<CVeldmarkMouseDevice>(*bus); });
        factory.Register<CKeySetControlUI>("KeySetControl");
        factory.Register<TestKeyButton>("DeviceKeyButton");
        std::string error;
        ASSERT_TRUE(host->Language().LoadFile(
            std::string(getenv("VELDMARK_DATA_DIR")) + "/skin/lan_en.xml", &error))
            << error;
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
                if (tag == "KeySetControlUI") {
                    return inner.LoadFile("XML/CustomControlXML/KeySetControl.xml").root;
                }
                if (tag == "LightSetControlUI") {
                    auto editor = std::make_unique<TestLightEditor>();
                    editor->SetName("LightControlItem");
                    return editor;
                }
                if (tag.ends_with("UI")) {
                    return std::make_unique<ui::VerticalLayout>();
                }
                return nullptr;
            });
        ui::LayoutResult result = loader.LoadFile("XML/DeviceXml/mousedevice.xml");
        ASSERT_TRUE(result.ok()) << result.error;
        page = dynamic_cast<CVeldmarkMouseDevice*>(result.root.get());
        ASSERT_NE(page, nullptr);
        window->Attach(std::move(result.root));
        const device::DevicePageRow& row = device::DevicePageTable()[0];
        const device::DeviceOptionRow& option = device::DeviceOptionTable()[0];
        page->SetPageLayout(std::string(row.pageLayout));
        page->SetKeyCount(row.keyCount);
        page->SetLedCount(row.ledCount);
        page->SetFolderName(std::string(option.folderName));
        page->SetIdentity(device::InterfaceCatalogue()[2]);
        page->SetTypeCode(option.typeCode);
        page->SetLightStoreName(std::string(row.lightStoreName));
        page->InitPage();
    }

    // What the main window does when the mouse's command interface arrives
    // (kind 6: behind a slow link), then the connection timer.
    void Connect(uint16_t kind = device::kKindMouse) {
        page->Channel().CloseInterface();
        ASSERT_TRUE(page->Channel().OpenInterface(mouse->CommandPath(), kind));
        page->ConnectDevice();
    }

    // Stores key `index`'s function in the profile file.
    void Assign(int index, uint8_t kind, uint8_t p1, uint8_t p2) {
        std::vector<KeyEntry> keys = page->GetKeyList();
        keys.at(static_cast<size_t>(index)).current = {static_cast<uint16_t>(index), kind, p1, p2,
                                                       0};
        page->SetKeyList(keys);
        page->SaveProfile();
    }

    std::vector<uint8_t> KeyBytesAt(int position) const {
        const std::vector<uint8_t> table = firmware->KeyTable();
        return {table.begin() + 3 * position, table.begin() + 3 * position + 3};
    }

    CKeySetControlUI* KeyEditor() const {
        return dynamic_cast<CKeySetControlUI*>(page->GetKeyEditor());
    }

    std::shared_ptr<sim::SimDevice> mouse;
    sim::SimMouse* firmware = nullptr;
    CVeldmarkMouseDevice* page = nullptr;
};
