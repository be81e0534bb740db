// The mouse page's key display: one RefreshKeyDisplay of the ten keys on the
// shipped page layout (the key buttons, the list rows rebuilt, the logo),
// with texts translated through the page's hidden label.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>

#include "device/catalogue.h"
#include "editors/key_set_control.h"
#include "mouse/mouse_device.h"
#include "platform/ui/headless_host.h"
#include "platform/ui/window.h"
#include "shell/controls/shell_controls.h"

namespace {

void BM_MouseKeyDisplay_TenKeys(benchmark::State& state) {
    char home[] = "/tmp/veldmark-bench-XXXXXX";
    if (mkdtemp(home) == nullptr) {
        state.SkipWithError("no temporary folder");
        return;
    }
    setenv("XDG_DATA_HOME", home, 1);
    if (getenv("VELDMARK_DATA_DIR") == nullptr) {
        setenv("VELDMARK_DATA_DIR", VELDMARK_BENCH_DATA_DIR, 1);
    }
    const std::string skin = std::string(getenv("VELDMARK_DATA_DIR")) + "/skin";
    ui::HeadlessHost host(ui::HeadlessHost::ClockMode::Virtual, skin);
    RegisterShellControls(host.Factory());
    host.Factory().Register<CVeldmarkMouseDevice>("VeldmarkMouseDevice");
    host.Factory().Register<CKeySetControlUI>("KeySetControl");
    host.Language().LoadFile(skin + "/lan_en.xml");
    {
        ui::Window window(host.Context(), "main");
        ui::LayoutLoader loader = host.Context().MakeLoader();
        loader.SetBuilder(
            [](std::string_view tag, ui::LayoutLoader& inner) -> std::unique_ptr<ui::Control> {
                if (tag == "KeySetControlUI") {
                    return inner.LoadFile("XML/CustomControlXML/KeySetControl.xml").root;
                }
                return tag.ends_with("UI") ? std::make_unique<ui::VerticalLayout>() : nullptr;
            });
        ui::LayoutResult layout = loader.LoadFile("XML/DeviceXml/mousedevice.xml");
        auto* page = dynamic_cast<CVeldmarkMouseDevice*>(layout.root.get());
        if (page == nullptr) {
            state.SkipWithError(("mouse page: " + layout.error).c_str());
            return;
        }
        window.Attach(std::move(layout.root));
        const device::DevicePageRow& row = device::DevicePageTable()[0];
        page->SetPageLayout(std::string(row.pageLayout));
        page->SetKeyCount(row.keyCount);
        page->SetLedCount(row.ledCount);
        page->SetFolderName("mouse");
        page->SetTypeCode(device::kTypeMouse);
        page->InitPage();
        // Functions of every kind of text: buttons, a key with a modifier, media.
        std::vector<KeyEntry> keys = page->GetKeyList();
        keys.at(3).current = {3, 0x20, 0x01, 0x06, 0};
        keys.at(4).current = {4, 0x30, 0xE9, 0x00, 0};
        page->SetKeyList(keys);
        for (auto _ : state) {
            page->RefreshKeyDisplay();
        }
        state.counters["keys"] = static_cast<double>(keys.size());
    }
    std::filesystem::remove_all(home);
}
BENCHMARK(BM_MouseKeyDisplay_TenKeys);

}  // namespace
