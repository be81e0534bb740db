// Building a page-sized layout and finding controls by name.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/ui/button.h"
#include "platform/ui/container.h"
#include "platform/ui/headless_host.h"
#include "platform/ui/layout_loader.h"
#include "platform/ui/window.h"

namespace {

using namespace ui;

// A keyboard-page-like layout of exactly `count` controls: a picture panel of
// floating key buttons, editor rows of labels, options, sliders, edits and a
// drop-down with items.
std::string PageXml(int count) {
    std::string xml = "<Window size='1350,810'><HorizontalLayout name='page'>";
    int made = 1;
    xml += "<VerticalLayout name='keyboard_device_key_light'>";
    ++made;
    int keys = count / 4;
    for (int i = 0; i < keys; ++i, ++made) {
        xml += "<Button name='key_" + std::to_string(i) + "' userdata='light_" + std::to_string(i) +
               "' float='true' pos='" + std::to_string(i * 4) + ",10," +
               std::to_string(i * 4 + 30) +
               ",40' normalimage='keys/key.png' hotimage='keys/key_hot.png' tooltip='key'/>";
    }
    xml += "</VerticalLayout><VerticalLayout name='editors' inset='8,8,8,8' childpadding='4'>";
    ++made;
    int row = 0;
    while (made < count) {
        xml += "<HorizontalLayout height='30'>";
        ++made;
        const std::string n = std::to_string(row++);
        const char* parts[] = {"<Label textkey='label_%' width='120' textcolor='#FFFFFFFF'/>",
                               "<Option name='opt_%' group='g%' text='on'/>",
                               "<Slider name='slider_%' min='0' max='4' value='2'/>",
                               "<Edit name='edit_%' numberonly='true' maxchar='5'/>"};
        for (const char* part : parts) {
            if (made >= count)
                break;
            std::string text = part;
            for (size_t p; (p = text.find('%')) != std::string::npos;)
                text.replace(p, 1, n);
            xml += text;
            ++made;
        }
        xml += "</HorizontalLayout>";
    }
    xml += "</VerticalLayout></HorizontalLayout></Window>";
    return xml;
}

void BM_Layout_Build600FromFile(benchmark::State& state) {
    auto dir = std::filesystem::temp_directory_path() /
               ("veldmark_ui_bench_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "page.xml") << PageXml(600);
    HeadlessHost host(HeadlessHost::ClockMode::Virtual, dir);
    size_t controls = 0;
    for (auto _ : state) {
        Window window(host.Context(), "main");
        LayoutLoader loader = host.Context().MakeLoader();
        LayoutResult result = loader.LoadFile("page.xml");
        window.Attach(std::move(result.root), &*result.window);
        controls = window.ControlCount();
        benchmark::DoNotOptimize(window.FindControl("key_0"));
    }
    state.counters["controls"] = static_cast<double>(controls);
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_Layout_Build600FromFile)->Unit(benchmark::kMillisecond);

struct BigTree {
    HeadlessHost host;
    Window window{host.Context(), "main"};
    std::vector<std::string> names;

    explicit BigTree(int count) {
        auto root = std::make_unique<VerticalLayout>();
        int made = 1;
        for (int group = 0; made < count; ++group) {
            auto row = std::make_unique<HorizontalLayout>();
            row->SetName("row_" + std::to_string(group));
            names.push_back(row->GetName());
            ++made;
            for (int i = 0; i < 19 && made < count; ++i, ++made) {
                auto button = std::make_unique<Button>();
                button->SetName("key_button_" + std::to_string(group) + "_" + std::to_string(i));
                names.push_back(button->GetName());
                row->Add(std::move(button));
            }
            root->Add(std::move(row));
        }
        window.Attach(std::move(root));
    }
};

void BM_Window_FindByNameIn2000(benchmark::State& state) {
    BigTree tree(2000);
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(tree.window.FindControl(tree.names[i]));
        i = (i + 7919) % tree.names.size();
    }
    state.counters["controls"] = static_cast<double>(tree.window.ControlCount());
}
BENCHMARK(BM_Window_FindByNameIn2000);

void BM_Window_FindControlTypedIn2000(benchmark::State& state) {
    BigTree tree(2000);
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(tree.window.FindControl<Button>(tree.names[i]));
        i = (i + 7919) % tree.names.size();
    }
}
BENCHMARK(BM_Window_FindControlTypedIn2000);

void BM_Window_FindSubControlIn2000(benchmark::State& state) {
    BigTree tree(2000);
    auto* row = tree.window.FindControl<Container>("row_50");
    for (auto _ : state) {
        benchmark::DoNotOptimize(row->FindSubControl("key_button_50_18"));
    }
}
BENCHMARK(BM_Window_FindSubControlIn2000);

}  // namespace
