// One displayed frame of a moving light effect on a device page, as the Qt
// host paints it: every LED of the page takes a new colour and the window
// repaints what the lights cover (the keyboard: the rectangle around its 126
// keys; the mousepad: its 15 lights, each alone). Painted offscreen, so the
// figure is the program's own work without the display server.
//
// Run from the source folder (the skin is read from data/, or from
// VELDMARK_DATA_DIR).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QRegion>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/window.h"
#include "shell/controls/device_key_button.h"
#include "shell/qt/control_view.h"
#include "shell/qt/qt_host.h"
#include "shell/qt/window_view.h"
#include "tests/shell/skin_test_support.h"

namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "page_paint_bench";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    static QApplication app(argc, argv);
    return app;
}

class Page {
  public:
    Page(const std::string& file, const std::string& name) : m_host(skintest::SkinFolder()) {
        skintest::RegisterStandIns(m_host.Factory());
        RegisterShellControls(m_host.Factory());
        m_host.ApplyStyleSheet();
        m_host.Language().LoadFile(skintest::SkinFolder() / "lan_en.xml");
        m_window = std::make_unique<ui::Window>(m_host.Context(), name);
        std::string error;
        m_ok = m_window->LoadLayout(file, skintest::TagBuilder(), &error);
        m_window->SetSize({1350, 810});
        m_window->Show();
        for (int i = 0; i < 20; ++i) {
            QApplication::processEvents();
        }
        m_view = m_host.ViewOf(*m_window);
        for (ui::Control* c : m_window->FindControlsByClass("DeviceKeyButton")) {
            qthost::ControlView* view = m_view ? m_view->ViewOf(c) : nullptr;
            if (view != nullptr && view->Widget()->isVisible()) {
                m_leds.push_back(static_cast<CDeviceKeyButtonUI*>(c));
                m_widgets.push_back(view->Widget());
            }
        }
    }

    bool Ready() const { return m_ok && m_view != nullptr && !m_leds.empty(); }
    size_t Leds() const { return m_leds.size(); }

    // Each LED a colour of a wave that moves one step a frame.
    void NextColours(int frame) {
        for (size_t i = 0; i < m_leds.size(); ++i) {
            const auto step = static_cast<uint32_t>((frame * 7 + static_cast<int>(i) * 13) % 256);
            m_leds[i]->ShowLed(step | (255 - step) << 8 | (step / 2) << 16, 255, true);
        }
    }

    // What the host repaints for the lights: one rectangle around them or
    // each light alone (the same rule as the window's repaint batch).
    QRegion Region(bool around) const {
        QRegion region;
        QRect bounds;
        for (QWidget* w : m_widgets) {
            const QRect r(w->mapTo(m_view, QPoint(0, 0)), w->size());
            region += r;
            bounds |= r;
        }
        return around ? QRegion(bounds) : region;
    }

    void Paint(const QRegion& region) { m_view->repaint(region); }

  private:
    qthost::QtHost m_host;
    std::unique_ptr<ui::Window> m_window;
    qthost::WindowView* m_view = nullptr;
    std::vector<CDeviceKeyButtonUI*> m_leds;
    std::vector<QWidget*> m_widgets;
    bool m_ok = false;
};

void PaintFrames(benchmark::State& state, const char* file, const char* name, bool around) {
    App();
    Page page(file, name);
    if (!page.Ready()) {
        state.SkipWithError("the page did not load (run from the source folder)");
        return;
    }
    const QRegion region = page.Region(around);
    int frame = 0;
    for (auto _ : state) {
        page.NextColours(frame++);
        page.Paint(region);
    }
    state.counters["leds"] = static_cast<double>(page.Leds());
}

void BM_KeyboardFrame(benchmark::State& state) {
    PaintFrames(state, "XML/DeviceXml/keyboarddevice.xml", "keyboard", true);
}
BENCHMARK(BM_KeyboardFrame)->Unit(benchmark::kMicrosecond);

void BM_MousepadFrame(benchmark::State& state) {
    PaintFrames(state, "XML/DeviceXml/mousepaddevice.xml", "mousepad", false);
}
BENCHMARK(BM_MousepadFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
