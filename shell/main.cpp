// veldmark: the application. Makes sure one copy runs, shows the main window
// with the Qt host in the skin the user chose last and runs the loop until the
// tray menu's "exit".
//
// Environment: VELDMARK_HID=sim[:kinds] runs on the simulated devices (then
// `veldmarkctl sim plug|unplug <kind>` plugs them at run time);
// VELDMARK_DATA_DIR replaces the folder of the shipped data; VELDMARK_TRACE=1
// prints the debug trace. Command-line arguments are ignored.

#include <sys/socket.h>
#include <unistd.h>
#include <QApplication>
#include <QBuffer>
#include <QEvent>
#include <QPixmap>
#include <QScreen>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <memory>

#include "device/catalogue.h"
#include "device/hid_device.h"
#include "platform/audio/linux/alsa_conf_lib.h"
#include "platform/audio/linux/pipewire_equalizer.h"
#include "platform/audio/sim_conf_lib.h"
#include "platform/session/local_socket.h"
#include "platform/settings/linux/open_desktop_settings.h"
#include "platform/trace/trace.h"
#include "shell/app_messages.h"
#include "shell/app_settings.h"
#include "shell/app_startup.h"
#include "shell/control_classes.h"
#include "shell/instance_commands.h"
#include "shell/main_wnd.h"
#include "shell/qt/qt_capture.h"
#include "shell/qt/qt_host.h"
#include "shell/qt/session_dbus.h"
#include "shell/qt/window_view.h"
#include "shell/skin_wiring_qt.h"
#include "shell/ui_script.h"
#include "sim/mouse_firmware.h"
#include "sim/sim_bus.h"
#include "tools/backend_choice.h"

namespace {

// Turns the desktop's activation and pointer events of the main window into
// the window's messages.
class WindowEvents final : public QObject {
  public:
    explicit WindowEvents(CMainWnd& window) : m_window(window) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::WindowActivate:
                m_window.HandleMessage(app_msg::kActivate, 1, 0);
                break;
            case QEvent::WindowDeactivate:
                m_window.HandleMessage(app_msg::kActivate, 0, 0);
                break;
            case QEvent::Enter:
                m_window.HandleMessage(app_msg::kMouseHover, 0, 0);
                break;
            case QEvent::Leave:
                m_window.HandleMessage(app_msg::kMouseLeave, 0, 0);
                break;
            default:
                break;
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    CMainWnd& m_window;
};

// SIGTERM and SIGINT (log-out, Ctrl+C) end the program the way "exit" does,
// so the keyboard gets its lighting back. The handler only writes a byte.
int g_signalPipe[2] = {-1, -1};

void OnTerminateSignal(int) {
    const char byte = 1;
    [[maybe_unused]] ssize_t n = write(g_signalPipe[1], &byte, 1);
}

void WatchTerminateSignals(CMainWnd& window, QObject& owner) {
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0) {
        return;
    }
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &owner);
    QObject::connect(notifier, &QSocketNotifier::activated, &owner, [&window] {
        char byte = 0;
        [[maybe_unused]] ssize_t n = read(g_signalPipe[0], &byte, 1);
        window.Destroy();
    });
    struct sigaction action = {};
    action.sa_handler = OnTerminateSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

// The headset's command interface in the catalogue.
const device::InterfaceRecord* HeadsetInterface() {
    for (const device::InterfaceRecord& row : device::InterfaceCatalogue()) {
        if (row.kind == device::kKindHeadset) {
            return &row;
        }
    }
    return nullptr;
}

// Another copy runs: ask it to come to the front and end this copy with 0.
// A copy that holds the name but does not answer is reported, not trusted.
int HandOverToRunningCopy() {
    std::string error;
    const std::optional<std::string> reply =
        platform::session::SendLocalRequest(app::InstanceName(), app::kRaiseRequest, 2000, &error);
    if (!reply || reply->rfind("ok", 0) != 0) {
        std::fprintf(stderr, "veldmark: another copy runs but did not come to the front: %s\n",
                     reply ? reply->c_str() : error.c_str());
        return 1;
    }
    return 0;
}

// The window as it is drawn now, as a PNG image.
std::optional<std::string> GrabWindow(qthost::QtHost& host, ui::Window& window) {
    QWidget* view = host.ViewOf(window);
    if (view == nullptr) {
        return std::nullopt;
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!view->grab().save(&buffer, "PNG")) {
        return std::nullopt;
    }
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

int RunApplication(int argc, char** argv, platform::session::LocalServer& instance) {
    QApplication qtApp(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const std::filesystem::path data = app::DataFolder();
    qthost::QtHost host(data / "skin");
    app::LoadFonts(host, data);
    host.Context().layoutAliases["XML_MAIN"] = "XML/main.xml";
    app::RegisterApplicationControls(host.Factory());

    HidBackendChoice choice = ChooseHidBackendFromEnvironment();
    if (!choice.backend) {
        std::fprintf(stderr, "veldmark: %s\n", choice.error.c_str());
        return 1;
    }
    SetProcessHidBackend(choice.backend.get());
    auto* simBus = dynamic_cast<sim::SimBus*>(choice.backend.get());
    const device::MouseIdentityRead& mouseIdentity = ConfigureMouseIdentity(simBus != nullptr);
    for (const std::string& refused : mouseIdentity.refused) {
        std::fprintf(stderr, "veldmark: not used: %s\n", refused.c_str());
    }
    // A simulated mouse named slow answers only after a probe, as a real one
    // behind its receiver does.
    if (simBus != nullptr && mouseIdentity.found &&
        mouseIdentity.identity.kind == device::kKindSlowMouse) {
        if (const std::shared_ptr<sim::SimDevice> mouse = simBus->Find(sim::DeviceKind::Mouse)) {
            if (auto* firmware = dynamic_cast<sim::SimMouse*>(&mouse->firmware())) {
                firmware->SetNeedsProbe(true);
            }
        }
    }
    // The simulated headset comes with a simulated audio library; a real one
    // is reached through its own sound card.
    std::unique_ptr<platform::audio::ConfLibLoader> audio;
    std::shared_ptr<platform::audio::SimAudio> simAudio;
    if (simBus != nullptr) {
        auto simulated = std::make_unique<platform::audio::SimConfLibLoader>();
        simAudio = simulated->Audio();
        audio = std::move(simulated);
    } else {
        audio = std::make_unique<platform::audio::AlsaConfLibLoader>();
    }
    platform::audio::SetProcessConfLibLoader(audio.get());
    // A real headset's equaliser plays on the sound server.
    std::unique_ptr<platform::audio::PipeWireEqualizer> equalizer;
    if (simBus == nullptr) {
        const device::InterfaceRecord* headset = HeadsetInterface();
        equalizer =
            std::make_unique<platform::audio::PipeWireEqualizer>(platform::audio::EqualizerTarget{
                headset != nullptr ? headset->vendorId : uint16_t{0},
                headset != nullptr ? headset->productId : uint16_t{0}, ""});
        platform::audio::SetProcessEqualizer(equalizer.get());
    }

    qthost::DbusPeerBus peers;
    qthost::LogindSleepWatch sleep;
    const std::unique_ptr<platform::settings::DesktopSettings> desktop =
        platform::settings::OpenDesktopSettings();
    // Recording and key capture take the keyboard and mouse through the main window.
    qthost::QtCaptureService capture(host);
    auto window = std::make_unique<CMainWnd>(
        host.Context(),
        MainWndServices{*choice.backend, peers, sleep, data.string(),
                        app::AppSettings::Default().Path(), desktop.get(), &capture});
    capture.SetWindow(window.get());
    // The stored theme is applied before the window's widgets exist, so they are styled once.
    auto skin = std::make_unique<shell::SkinWiring>(*window, shell::SkinIniPath(),
                                                    shell::QtSkinHooks(host, *window));
    skin->ApplyStoredTheme();
    std::string error;
    if (!window->Create(&error)) {
        std::fprintf(stderr, "veldmark: main window layout: %s\n", error.c_str());
        skin.reset();
        window.reset();
        SetProcessHidBackend(nullptr);
        return 1;
    }
    skin->Start();
    WindowEvents events(*window);
    if (QWidget* view = host.ViewOf(*window)) {
        view->installEventFilter(&events);
    }
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QObject::connect(screen, &QScreen::geometryChanged, &events,
                         [&window] { window->HandleMessage(app_msg::kDisplayChange, 0, 0); });
    }
    WatchTerminateSignals(*window, events);
    auto script = std::make_shared<app::UiScript>(
        *window, [&host](ui::Window& w) { return GrabWindow(host, w); });
    app::InstanceCommands commands(window->Ref(), host.GetDispatcher(), simBus, script);
    commands.SetSimAudio(simAudio);
    instance.Start(
        [&commands](const std::string& request, platform::session::Responder reply) {
            commands.Handle(request, reply);
        },
        &host.GetDispatcher());

    host.Exec();
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);

    // Requests still arriving are answered while the endpoint stops.
    instance.Stop();
    script.reset();
    window->Destroy();
    skin.reset();  // leaves the skin subject while the window still exists
    window.reset();
    platform::audio::SetProcessConfLibLoader(nullptr);
    platform::audio::SetProcessEqualizer(nullptr);
    SetProcessHidBackend(nullptr);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    platform::session::LocalServer instance;
    std::string error;
    switch (instance.Listen(app::InstanceName(), &error)) {
        case platform::session::ListenResult::AlreadyTaken:
            return HandOverToRunningCopy();
        case platform::session::ListenResult::Failed:
            // Without the endpoint the program still runs; only the second-copy
            // check and veldmarkctl's requests are lost, and the user is told.
            std::fprintf(stderr,
                         "veldmark: cannot make the instance endpoint (%s); a second copy "
                         "will not be noticed and veldmarkctl cannot reach this one\n",
                         error.c_str());
            break;
        case platform::session::ListenResult::Listening:
            break;
    }
    return RunApplication(argc, argv, instance);
}
