// Feeds arbitrary text to the layout loader (and, for <Language> documents,
// to the language table), then attaches whatever was built to a window so
// that indexing, option groups and tab bindings run on it too.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/ui/headless_host.h"
#include "platform/ui/layout_loader.h"
#include "platform/ui/window.h"

namespace {

// A small skin folder with files that inputs may include, one of them cyclic.
std::filesystem::path SkinFolder() {
    static const std::filesystem::path dir = [] {
        auto d = std::filesystem::temp_directory_path() /
                 ("veldmark_fuzz_skin_" + std::to_string(::getpid()));
        std::filesystem::create_directories(d / "xml");
        std::ofstream(d / "xml" / "row.xml")
            << "<HorizontalLayout><Button name='b'/></HorizontalLayout>";
        std::ofstream(d / "xml" / "loop.xml")
            << "<VerticalLayout><Include source='xml/loop.xml'/></VerticalLayout>";
        std::ofstream(d / "bad.xml") << "<VerticalLayout><Button>";
        return d;
    }();
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static ui::HeadlessHost host(ui::HeadlessHost::ClockMode::Virtual, SkinFolder());
    std::string_view text(reinterpret_cast<const char*>(data), size);
    if (text.substr(0, 9) == "<Language") {
        host.Language().LoadString(text);
        return 0;
    }
    ui::LayoutLoader loader = host.Context().MakeLoader();
    ui::LayoutResult result = loader.LoadString(text, "fuzz");
    if (result.ok()) {
        ui::Window window(host.Context(), "fuzz");
        window.Attach(std::move(result.root), result.window ? &*result.window : nullptr);
        window.FindControl("b");
        host.RunPending();
    }
    return 0;
}
