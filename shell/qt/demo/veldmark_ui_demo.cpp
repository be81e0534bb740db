// Shows the demo skin's main layout with the Qt host: every built-in control class, an
// include, a program-registered class that paints itself on a timer, language keys and a
// pop-up menu. With --screenshot FILE it saves the window as a PNG after it settled and
// exits (for looking at the skin without a desktop).
//
//   veldmark-ui-demo [--skin DIR] [--lang en|cn] [--page N] [--screenshot FILE]

#include <QApplication>
#include <QDir>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <string>

#include "platform/ui/button.h"
#include "platform/ui/container.h"
#include "platform/ui/custom_control.h"
#include "platform/ui/edit.h"
#include "platform/ui/list.h"
#include "platform/ui/menu.h"
#include "platform/ui/range_controls.h"
#include "platform/ui/window.h"
#include "shell/qt/qt_host.h"
#include "shell/qt/window_view.h"

namespace {

// A device page that draws a keyboard whose keys run a colour wave, advanced by a timer.
class DemoDevice : public ui::VerticalLayout {
  public:
    static constexpr int kWaveTimer = 1;

    std::string_view GetClass() const override { return "DemoDevice"; }
    bool IsCustomPainted() const override { return true; }

    void OnTimer(int id) override {
        if (id != kWaveTimer) {
            ui::VerticalLayout::OnTimer(id);
            return;
        }
        m_phase = (m_phase + 6) % 360;
        Invalidate();
    }

    void Paint(ui::Painter& p) override {
        const ui::Rect r = GetHostRect();
        p.FillRect(r, ui::Color{0xFF1E1E24});
        const int top = r.top + 110;
        const ui::Rect board{r.left + 24, top, r.right - 24, std::min(r.bottom - 24, top + 230)};
        if (board.IsEmpty()) {
            return;
        }
        p.FillRect(board, ui::Color{0xFF15171C});
        p.DrawRect(board, ui::Color{0xFF2E333D}, 1);
        constexpr int kRows = 5, kCols = 15;
        const int gap = 6;
        const int kw = (board.Width() - gap * (kCols + 1)) / kCols;
        const int kh = (board.Height() - gap * (kRows + 1)) / kRows;
        for (int row = 0; row < kRows; ++row) {
            for (int col = 0; col < kCols; ++col) {
                const int x = board.left + gap + col * (kw + gap);
                const int y = board.top + gap + row * (kh + gap);
                const double hue = std::fmod(m_phase + col * 12.0 + row * 6.0, 360.0);
                p.FillRect(ui::Rect{x, y, x + kw, y + kh}, ui::Color{0xFF262A32});
                p.FillRect(ui::Rect{x, y + kh - 3, x + kw, y + kh}, Hue(hue));
            }
        }
    }

  private:
    static ui::Color Hue(double h) {
        auto channel = [h](double offset) {
            double v = std::fabs(std::fmod(h / 60.0 + offset, 6.0) - 3.0) - 1.0;
            return static_cast<uint8_t>(std::clamp(v, 0.0, 1.0) * 255);
        };
        return ui::Color::FromArgb(255, channel(0), channel(4), channel(2));
    }

    int m_phase = 0;
};

QString ArgValue(const QStringList& args, const QString& name, const QString& fallback = {}) {
    const qsizetype i = args.indexOf(name);
    return i >= 0 && i + 1 < args.size() ? args[i + 1] : fallback;
}

QString DefaultSkinFolder() {
    const QByteArray env = qgetenv("VELDMARK_DATA_DIR");
    const QString data = env.isEmpty() ? QCoreApplication::applicationDirPath() : QString(env);
    return QDir(data).filePath(QStringLiteral("skin/demo"));
}

void SetStatus(ui::Window& window, const std::string& text) {
    if (auto* status = window.FindControl<ui::Text>("status_text")) {
        status->SetText(text);
    }
}

void ShowColor(ui::Window& window, ui::Color c) {
    const std::pair<const char*, int> parts[] = {
        {"deng_edit_R", c.Red()}, {"deng_edit_G", c.Green()}, {"deng_edit_B", c.Blue()}};
    for (const auto& [name, value] : parts) {
        if (auto* edit = window.FindControl<ui::Edit>(name)) {
            edit->SetText(std::to_string(value));
        }
    }
}

void CommitEdits(ui::Window& window) {
    auto value = [&window](const char* name) {
        auto* edit = window.FindControl<ui::Edit>(name);
        return edit != nullptr ? std::min(std::atoi(edit->GetText().c_str()), 255) : 0;
    };
    if (auto* palette = window.FindControl<ui::ColorPalette>("deng_Color_Pallet")) {
        palette->SetSelectColor(ui::Color::FromArgb(255, value("deng_edit_R"), value("deng_edit_G"),
                                                    value("deng_edit_B")),
                                ui::Notify::No);
    }
}

void ShowMenu(qthost::QtHost& host, ui::Window& window) {
    ui::LayoutLoader loader = host.Context().MakeLoader();
    ui::LayoutResult menu = loader.LoadFile("XML_MENU");
    auto* model = dynamic_cast<ui::Menu*>(menu.root.get());
    if (model == nullptr) {
        SetStatus(window, "menu: " + menu.error);
        return;
    }
    const std::string chosen = host.ShowPopupMenu(window, *model, host.CursorPos());
    SetStatus(window, chosen.empty() ? "Menu dismissed" : "Menu: " + chosen);
}

void Route(qthost::QtHost& host, ui::Window& window, const ui::Notification& n) {
    const std::string& name = n.SenderName();
    if (n.Is(ui::notify::kClick) && name == "closebtn") {
        host.GetDispatcher().Quit();
    } else if (n.Is(ui::notify::kClick) && name == "minbtn") {
        window.Minimize();
    } else if (n.Is(ui::notify::kMoveValueChanged) || n.Is(ui::notify::kValueChanged)) {
        auto* slider = dynamic_cast<ui::Slider*>(n.sender);
        if (slider != nullptr) {
            SetStatus(window, name + (n.Is(ui::notify::kValueChanged) ? " = " : " ~ ") +
                                  std::to_string(slider->GetValue()));
        }
    } else if (n.Is(ui::notify::kItemSelect)) {
        auto* combo = dynamic_cast<ui::Combo*>(n.sender);
        SetStatus(window, "Mode: " + (combo != nullptr ? combo->GetSelectedText() : name));
    } else if (n.Is(ui::notify::kColorChanged)) {
        if (auto* palette = dynamic_cast<ui::ColorPalette*>(n.sender)) {
            ShowColor(window, palette->GetSelectColor());
        }
    } else if (n.Is(ui::notify::kKillFocus) && name.rfind("deng_edit_", 0) == 0) {
        CommitEdits(window);
    } else if (n.Is(ui::notify::kMenu)) {
        ShowMenu(host, window);
    } else if (n.Is(ui::notify::kSelectChanged)) {
        auto* option = dynamic_cast<ui::Option*>(n.sender);
        if (option != nullptr && option->IsSelected()) {
            SetStatus(window, "Selected " + name);
        }
    }
}

// Things the layout leaves to the program: sizes of the device page's children, more
// list rows, and the timers that keep the page moving.
void Prepare(ui::Window& window) {
    if (auto* device = window.FindControl<DemoDevice>("demo_device")) {
        device->SetInset(ui::Padding{24, 24, 24, 24});
        device->SetChildPadding(12);
        device->SetTimer(DemoDevice::kWaveTimer, 50, ui::TimerKind::Periodic);
    }
    if (auto* label = window.FindControl("device_state_label")) {
        label->SetFixedHeight(28);
    }
    if (auto* progress = window.FindControl("device_progress")) {
        progress->SetFixedHeight(14);
        progress->SetTimer(2, 100, ui::TimerKind::Periodic);
        progress->AddListener([progress](const ui::Notification& n) {
            if (n.Is(ui::notify::kTimer)) {
                auto* bar = static_cast<ui::Progress*>(progress);
                bar->SetValue((bar->GetValue() + 1) % 101, ui::Notify::No);
            }
        });
    }
    if (auto* modes = window.FindControl<ui::Combo>("light_combo_modeSelect")) {
        modes->SelectItem(0, ui::Notify::No);
    }
    if (auto* list = window.FindControl<ui::List>("macro_action_list")) {
        for (const char* action :
             {"Key down  Ctrl", "Delay  50 ms", "Key down  C", "Key up  C", "Key up  Ctrl"}) {
            list->AddTextItem(action);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString skin = ArgValue(args, QStringLiteral("--skin"), DefaultSkinFolder());

    qthost::QtHost host(skin.toStdString());
    host.Factory().Register<DemoDevice>("DemoDevice");
    QString error;
    if (!host.ApplyStyleSheet(&error)) {
        std::fprintf(stderr, "stylesheet: %s\n", qPrintable(error));
    }
    const QString lang = ArgValue(args, QStringLiteral("--lang"), QStringLiteral("en"));
    std::string langError;
    if (!host.Language().LoadFile(QDir(skin).filePath("lang/" + lang + ".xml").toStdString(),
                                  &langError)) {
        std::fprintf(stderr, "language: %s\n", langError.c_str());
    }
    host.Context().layoutAliases = {{"XML_MAIN", "main.xml"}, {"XML_MENU", "xml/menu.xml"}};

    ui::Window window(host.Context(), "demo");
    window.AddNotifyHandler(
        [&host, &window](const ui::Notification& n) { Route(host, window, n); });
    std::string loadError;
    if (!window.LoadLayout("XML_MAIN", {}, &loadError)) {
        std::fprintf(stderr, "layout: %s\n", loadError.c_str());
        return 1;
    }
    Prepare(window);
    const std::string page =
        "page_option_" +
        ArgValue(args, QStringLiteral("--page"), QStringLiteral("0")).toStdString();
    if (auto* option = window.FindControl<ui::Option>(page)) {
        option->SetSelected(true, ui::Notify::No);
    }
    window.CenterOnScreen();
    window.Show();

    const QString shot = ArgValue(args, QStringLiteral("--screenshot"));
    if (!shot.isEmpty()) {
        QTimer::singleShot(800, [&] {
            const bool saved = host.ViewOf(window)->grab().save(shot);
            std::fprintf(stderr, "%s %s\n", saved ? "saved" : "could not save", qPrintable(shot));
            host.GetDispatcher().Quit();
        });
    }
    return host.Exec();
}
