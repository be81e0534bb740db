#include "shell/main_wnd.h"

#include <array>
#include <chrono>
#include <thread>

#include "device/usb_device.h"
#include "editors/device_hook.h"
#include "platform/capture/capture_service.h"
#include "platform/trace/trace.h"
#include "platform/ui/button.h"
#include "platform/ui/container.h"
#include "platform/ui/menu.h"
#include "profile/controls/device_option_ui.h"
#include "shell/app_messages.h"
#include "shell/app_settings.h"
#include "shell/message_box.h"
#include "shell/routes_capture.h"
#include "shell/routes_headset.h"
#include "shell/routes_keyboard.h"
#include "shell/routes_keys.h"
#include "shell/routes_lighting.h"
#include "shell/routes_macros.h"
#include "shell/routes_mouse.h"
#include "shell/routes_recoil.h"
#include "shell/routes_tabs.h"

std::atomic<uint8_t> AwakeFlag{1};

namespace {

using platform::trace::Write;

// Editor tags of the page layouts that stand for a whole sub-layout.
struct EditorLayout {
    const char* tag;
    const char* file;
};
constexpr std::array<EditorLayout, 7> kEditorLayouts = {{
    {"DeviceProfileUI", "XML\\CustomControlXML\\DeviceProfile.xml"},
    {"LightSetControlUI", "XML\\CustomControlXML\\LightControl.xml"},
    {"Voice6533SetControlUI", "XML\\CustomControlXML\\Voice6533Control.xml"},
    {"MagicSetControlUI", "XML\\CustomControlXML\\MagicControl.xml"},
    {"KeySetControlUI", "XML\\CustomControlXML\\KeySetControl.xml"},
    {"MacroSetControlUI", "XML\\CustomControlXML\\MacroControl.xml"},
    {"ShootKeySetControlUI", "XML\\CustomControlXML\\ShootControl.xml"},
}};

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

bool LightsPage(const CVeldmarkUSBDevice& page) {
    const int kind = page.GetKind();
    return kind == device::kKindKeyboard || kind == device::kKindMouse ||
           kind == device::kKindSlowMouse || kind == device::kKindMousePad;
}

}  // namespace

CMainWnd::CMainWnd(ui::UiContext& context, MainWndServices services)
    : ui::Window(context, "MainWnd"),
      m_services(std::move(services)),
      m_desktopApplier(std::make_unique<platform::settings::SettingsApplier>(
          m_services.desktop != nullptr ? *m_services.desktop : m_noDesktop)),
      m_noCapture(std::make_unique<platform::capture::NoCaptureService>(
          "this desktop offers no keyboard capture")),
      m_hook(std::make_unique<CDeviceHook>(m_services.capture != nullptr ? *m_services.capture
                                                                         : *m_noCapture)),
      m_ref(Ref()),
      m_updateWorker("vm-update", &context.dispatcher),
      m_lightSyncWorker("vm-light-sync", &context.dispatcher) {
    SetTitle(app::kWindowTitle);
    SetMessageHandler([this](uint32_t message, intptr_t wParam, intptr_t lParam, bool& handled) {
        return OnMessage(message, wParam, lParam, handled);
    });
    // Every message to the user, from any page or editor, comes in the skin's message box.
    context.showMessage = [](ui::Window* owner, const std::string& text) {
        shell::ShowMessage(owner->Context(), owner, "", text, 96, false, 0);
    };
    AddWindowRoutes();
    AddRecoilRoutes(m_routes, *this);
    AddKeyRoutes(m_routes, *this);
    AddKeyboardRoutes(m_routes, *this);
    AddMouseRoutes(m_routes, *this);
    AddMacroRoutes(m_routes, *this);
    AddHeadsetRoutes(m_routes, *this);
    AddFunctionTabRoutes(m_routes, *this);
    AddCaptureRoutes(m_routes, *this);
    m_hook->SetEndHandler(
        [this](platform::capture::EndReason reason) { app::CaptureEnded(*this, reason); });
    AddLightingRoutes(m_routes, *this);
    m_notifyHandler = AddNotifyHandler([this](const ui::Notification& n) { OnNotify(n); });
    m_services.peers.SetLightRequestHandler([this](int wParam, int lParam) {
        bool handled = false;
        OnMessage(app_msg::kLightRequest, wParam, lParam, handled);
    });
    m_services.sleep.SetHandler([this](bool suspending) {
        bool handled = false;
        OnMessage(app_msg::kPowerBroadcast,
                  suspending ? app_msg::kPowerSuspend : app_msg::kPowerResume, 0, handled);
    });
}

CMainWnd::~CMainWnd() {
    m_hook->Uninstall();
    // Without "exit" (a test, or the loop ended otherwise) the workers still stop
    // before the pages they talk to go.
    StopWorkers();
    // The discovery thread calls this object: it must have ended before the
    // object goes, however long its last pass takes.
    while (m_discovery && !m_discovery->WaitStopped(std::chrono::milliseconds(1))) {
        Context().dispatcher.ServeSends();
    }
    m_services.peers.SetLightRequestHandler({});
    m_services.sleep.SetHandler({});
    if (m_hasTray) {
        Context().host.RemoveTrayIcon();
    }
    RemoveNotifyHandler(m_notifyHandler);
    m_padPages.clear();
    m_mousePages.clear();
    m_keyboardPages.clear();
    m_headsetPages.clear();
    m_powerControls.clear();
}

bool CMainWnd::Create(std::string* error) {
    return LoadLayout(
        kMainLayout,
        [this](std::string_view tag, ui::LayoutLoader& loader) {
            return CreateControl(tag, loader);
        },
        error);
}

std::unique_ptr<ui::Control> CMainWnd::CreateControl(std::string_view tag,
                                                     ui::LayoutLoader& loader) {
    for (const EditorLayout& editor : kEditorLayouts) {
        if (!EqualsNoCase(tag, editor.tag)) {
            continue;
        }
        ui::LayoutResult part = loader.LoadFile(editor.file);
        if (part.ok()) {
            return std::move(part.root);
        }
        // A missing editor leaves an empty area; the page itself still works.
        Write(std::string("editor layout: ") + part.error);
        auto empty = std::make_unique<ui::VerticalLayout>();
        empty->SetName(std::string(tag));
        return empty;
    }
    return nullptr;
}

// --- messages ----------------------------------------------------------------------------

intptr_t CMainWnd::OnMessage(uint32_t message, intptr_t wParam, intptr_t lParam, bool& handled) {
    handled = true;
    switch (message) {
        case app_msg::kInstance:
            platform::trace::Format("软件标示 %d，%xd%xd", static_cast<int>(message),
                                    static_cast<unsigned>(wParam), static_cast<unsigned>(lParam));
            BringToFront();
            return 0;
        case app_msg::kPeerForward:
            return 0;  // no settings window to forward to
        case app_msg::kLightRequest:
            if (wParam == 1 && (lParam == 0 || lParam == 1)) {
                SetLightControl(static_cast<int>(lParam));
            }
            return 0;
        case app_msg::kDestroy:
            Destroy();
            return 0;
        case app_msg::kPowerBroadcast:
            OnPower(wParam);
            return 0;
        case app_msg::kActivate:
            OnActivate(wParam != 0);
            return 0;
        case app_msg::kMouseHover:
        case app_msg::kMouseLeave:
            OnHover(message == app_msg::kMouseHover);
            return 0;
        case app_msg::kDeviceArrived:
            // Device changes are handled even while suspended: a removal left
            // unhandled would keep a dead channel marked open, and the device
            // would stay silent after it comes back.
            OnDeviceArrived(static_cast<size_t>(wParam));
            return 0;
        case app_msg::kDeviceRemoved:
            OnDeviceRemoved(static_cast<size_t>(wParam));
            return 0;
        case app_msg::kSelectKind:
            return SelectKind(static_cast<int>(wParam)) ? 1 : 0;
        case app_msg::kKeyRequest:
            app::HandleKeyRequest(*this, *reinterpret_cast<app::KeyRequest*>(lParam));
            return 1;
        case app_msg::kMacroRequest:
            HandleMacroRequest(*this, *reinterpret_cast<MacroRequest*>(lParam));
            return 1;
        case app_msg::kLightStoreChanged:
            RefreshChangedLightStores();
            return 1;
        case app_msg::kHookCapture:
            app::SetKeyCapture(*this, wParam != 0);
            return 0;
        default:
            break;
    }
    if (app::RouteCaptureMessage(*this, message, wParam, lParam)) {
        return 0;
    }
    if (AwakeFlag.load() == 0) {
        return 0;
    }
    switch (message) {
        case app_msg::kDisplayChange:
            Write("显示器分辨率发生变化");
            m_displayChanged = true;
            FitWindow();
            return 0;
        case app_msg::kTimer:
            OnWindowTimer(static_cast<int>(wParam));
            return 0;
        case app_msg::kTrayIcon:
            OnTray(lParam);
            return 0;
        case app_msg::kShowProgress:
            if (ui::Control* progress = FindControl("setting_progress")) {
                progress->SetVisible(true);
            }
            return 0;
        case app_msg::kLanguageChanged:
            ApplyLanguage(static_cast<int>(wParam));
            return 0;
        case app_msg::kClearUpdateMark:
            if (ui::Control* set = FindControl("setbtn")) {
                set->SetImage(ui::ImageState::Fore, "");
            }
            return 0;
        default:
            handled = false;
            return 0;
    }
}

void CMainWnd::OnNotify(const ui::Notification& n) {
    if (!n.Is(ui::notify::kTimer)) {
        platform::trace::Format("%s %s", n.type.c_str(), n.SenderName().c_str());
    }
    if (n.Is(ui::notify::kWindowInit)) {
        OnWindowInit();
    } else if (n.Is(ui::notify::kTimer) && n.sender != nullptr && n.sender == GetRoot()) {
        bool handled = false;
        OnMessage(app_msg::kTimer, n.wParam, 0, handled);
    } else if (n.Is(ui::notify::kWindowSize) && n.SenderName() == "root") {
        if (m_displayChanged) {
            m_displayChanged = false;
            FitWindow();
        }
    } else if (RouteToProfileList(n)) {
        return;
    } else {
        m_routes.Dispatch(n);
    }
}

// --- start-up ----------------------------------------------------------------------------

void CMainWnd::InitWindow() {
    Write("InitWindow");
    LoadLanguageFile("lan_cn.xml");
    ui::TrayIconSpec tray{"common/app_icon.png", app::kWindowTitle};
    m_hasTray = Context().host.ShowTrayIcon(tray, [this](ui::TrayEvent event) {
        if (event == ui::TrayEvent::DoubleClick) {
            return;
        }
        bool handled = false;
        OnMessage(app_msg::kTrayIcon, 0,
                  event == ui::TrayEvent::LeftUp ? app_msg::kTrayLeftUp : app_msg::kTrayRightUp,
                  handled);
    });
}

void CMainWnd::OnWindowInit() {
    if (m_initialised) {
        return;
    }
    InitWindow();
    m_entries = FindControl<ui::Container>("device_select_layout");
    m_pageSwitch = FindControl<ui::TabLayout>("device_switch");
    m_powerSwitch = FindControl<ui::TabLayout>("device_power_switch");
    m_services.peers.BroadcastLightState(1, 1);
    ApplyLanguage(ReadLanguage());
    m_slots = std::make_unique<device::CSlotList>();
    const auto& families = device::DeviceOptionTable();
    for (const device::DeviceOptionRow& family : families) {
        const int slot =
            device::FindCatalogueIndex(family.vendorId, family.productId, family.kind, family.role);
        if (slot >= 0) {
            BuildPage(static_cast<size_t>(slot), family.role);
        }
    }
    UpdateNoDeviceNotice();
    Hide();  // shown when the first discovery pass has ended
    StartWorkers();
    if (GetRoot() != nullptr) {
        GetRoot()->SetTimer(kFitTimer, kFitDelayMs, ui::TimerKind::OneShot);
    }
    m_initialised = true;
}

void CMainWnd::StartWorkers() {
    m_discovery =
        std::make_unique<device::CDeviceDiscovery>(m_services.backend, *m_slots, AsListener());
    m_discovery->Start();
    // The update check has no work of its own yet; its worker waits for the
    // stop request like every other.
    m_updateWorker.Start([](ui::StopSignal& stop) { stop.WaitFor(std::chrono::hours(24 * 365)); });
    // The pages are all built by now and stay until the worker has stopped.
    std::vector<CVeldmarkUSBDevice*> paintOrder;
    for (const auto* pages : {&m_mousePages, &m_padPages, &m_headsetPages, &m_keyboardPages}) {
        paintOrder.insert(paintOrder.end(), pages->begin(), pages->end());
    }
    m_lightSync.SetPages(std::move(paintOrder));
    m_lightSyncWorker.Start([this](ui::StopSignal& stop) { m_lightSync.Run(stop); });
}

void CMainWnd::StopWorkers() {
    if (m_discovery) {
        m_discovery->RequestStop();
        // The loop may be waiting for this thread in an arrival: keep serving
        // its sends while waiting, so it can finish its pass.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(1000);
        bool ended = false;
        while (!(ended = m_discovery->WaitStopped(std::chrono::milliseconds(1))) &&
               std::chrono::steady_clock::now() < deadline) {
            Context().dispatcher.ServeSends();
        }
        Write(ended ? "所有对象处于激发状态\n" : "discovery did not stop within 1000 ms");
        if (ended) {
            m_discovery.reset();
        }
    }
    for (ui::Worker* worker : {&m_updateWorker, &m_lightSyncWorker}) {
        const ui::StopResult result = worker->Stop();
        if (result == ui::StopResult::Stopped) {
            Write("所有对象处于激发状态\n");
        } else if (result == ui::StopResult::TimedOut) {
            Write(worker->Name() + " did not stop within 1000 ms");
        }
    }
}

// --- discovery listener (discovery thread) ----------------------------------------------------

void CMainWnd::OnSlotArrived(size_t slot) {
    m_ref.Send(app_msg::kDeviceArrived, static_cast<intptr_t>(slot), 0);
}

void CMainWnd::OnSlotRemoved(size_t slot) {
    m_ref.Send(app_msg::kDeviceRemoved, static_cast<intptr_t>(slot), 0);
}

void CMainWnd::OnFirstPass() {
    m_ref.Post(app_msg::kInstance, 0, 0);
}

// --- window ------------------------------------------------------------------------------

void CMainWnd::UpdateNoDeviceNotice() {
    if (ui::Control* notice = FindControl("No_device_Link")) {
        notice->SetVisible(VisibleEntries() == 0);
    }
}

void CMainWnd::BringToFront() {
    UpdateNoDeviceNotice();
    if (GetState() == ui::WindowState::Minimized) {
        Restore();
    }
    Show();
    // Raising and activating is how a window comes to the front on the
    // desktop; the window manager decides about focus stealing.
    Activate();
}

void CMainWnd::FitWindow() {
    const bool shown = IsVisible() && GetState() != ui::WindowState::Minimized;
    if (IsVisible() && GetState() == ui::WindowState::Minimized) {
        Restore();
    }
    m_dpi = 96;
    SetSize(ui::Size{kWidth, kHeight});
    CenterOnScreen();
    if (shown) {
        Show();
    }
}

void CMainWnd::OnWindowTimer(int id) {
    if (GetRoot() == nullptr) {
        return;
    }
    GetRoot()->KillTimer(id);
    if (id == kFitTimer) {
        FitWindow();
        GetRoot()->Invalidate();
    } else if (id == kTrayMenuTimer) {
        ShowTrayMenu();
    } else if (id == kProfileSwitchTimer) {
        CommitProfileChoice();
    }
}

void CMainWnd::AddWindowRoutes() {
    using ui::notify::kClick;
    auto click = [this](std::string_view name, std::function<void()> action) {
        m_routes.On(kClick, name,
                    [action = std::move(action)](const app::RouteCall&) { action(); });
    };
    click("closebtn", [this] { OnCloseButton(); });
    click("minbtn", [this] { Minimize(); });
    click("maxbtn", [this] { Maximize(); });
    click("restorebtn", [this] { Restore(); });
    click("skinbtn", [this] {
        ui::Control* anchor = FindControl("skinbtn");
        if (m_openSkinChooser && anchor != nullptr) {
            m_openSkinChooser(*anchor);
        }
    });
    click("nodevice_ok_btn", [this] { Hide(); });
    click("control_light_status", [this] { ToggleLightControl(); });
    m_routes.On(
        ui::notify::kSelectChanged, "device_select",
        [this](const app::RouteCall&) { OnDeviceSelectChanged(); }, app::NameMatch::Exact);
}

void CMainWnd::OnCloseButton() {
    if (m_hasTray) {
        Hide();  // the program stays in the tray
    } else {
        Destroy();  // without a tray nothing could bring the window back
    }
}

void CMainWnd::OnTray(intptr_t mouseMessage) {
    if (mouseMessage == app_msg::kTrayRightUp) {
        if (GetRoot() != nullptr) {
            GetRoot()->SetTimer(kTrayMenuTimer, kTrayMenuDelayMs, ui::TimerKind::OneShot);
        }
        return;
    }
    if (mouseMessage != app_msg::kTrayLeftUp) {
        return;
    }
    UpdateNoDeviceNotice();
    const bool wasShown = IsVisible() && GetState() != ui::WindowState::Minimized;
    if (wasShown) {
        Hide();
        return;
    }
    Show();
    FitWindow();
    Restore();
    Activate();
}

void CMainWnd::ShowTrayMenu() {
    ui::LayoutLoader loader = Context().MakeLoader();
    ui::LayoutResult menu = loader.LoadFile(kTrayMenuLayout);
    auto* model = dynamic_cast<ui::Menu*>(menu.root.get());
    if (model == nullptr) {
        Write("tray menu: " + menu.error);
        return;
    }
    ui::Point at = Context().host.CursorPos();
    at.y -= 50;
    const std::string chosen = Context().host.ShowPopupMenu(*this, *model, at);
    if (!chosen.empty()) {
        OnMenuCommand(chosen);
    }
}

void CMainWnd::OnMenuCommand(const std::string& item) {
    if (item == "exit") {
        Destroy();
    } else if (item == "show") {
        BringToFront();
    }
}

// --- activation, power and lighting ---------------------------------------------------------

void CMainWnd::ApplyToLightingPages(const std::function<void(CVeldmarkUSBDevice&)>& apply) {
    for (auto* pages : {&m_mousePages, &m_padPages, &m_keyboardPages}) {
        for (CVeldmarkUSBDevice* page : *pages) {
            if (LightsPage(*page)) {
                apply(*page);
            }
        }
    }
}

void CMainWnd::OnActivate(bool active) {
    if (active) {
        RefreshChangedLightStores();
    } else {
        app::EndCapture(*this, "the window lost the active state");
    }
    m_active = active ? 1 : 0;
    m_previewOn = m_active;
    ApplyToLightingPages(
        [on = m_previewOn != 0](CVeldmarkUSBDevice& p) { p.SetPreviewActive(on); });
}

void CMainWnd::OnHover(bool inside) {
    if (m_active != 0) {
        return;
    }
    Write(inside ? "鼠标移入" : "鼠标移出");
    m_previewOn = inside ? 1 : 0;
    ApplyToLightingPages([on = inside](CVeldmarkUSBDevice& p) { p.SetPreviewActive(on); });
}

void CMainWnd::OnPower(intptr_t event) {
    if (event == app_msg::kPowerSuspend) {
        AwakeFlag.store(0);
        ApplyToLightingPages([](CVeldmarkUSBDevice& p) { p.SetLightingActive(false); });
    } else if (event == app_msg::kPowerResume) {
        AwakeFlag.store(1);
        ApplyToLightingPages(
            [on = m_lightControl != 0](CVeldmarkUSBDevice& p) { p.SetLightingActive(on); });
    }
}

void CMainWnd::SetLightButtonText() {
    if (ui::Control* button = FindControl("control_light_status")) {
        // The texts are language keys, so each language shows its own words.
        button->SetTextKey(m_lightControl == 1 ? kLightOnText : kLightOffText);
    }
}

void CMainWnd::ToggleLightControl() {
    const int next = m_lightControl == 1 ? 0 : 1;
    m_services.peers.BroadcastLightState(1, next);
    SetLightControl(next);
}

void CMainWnd::SetLightControl(int state) {
    const int next = state != 0 ? 1 : 0;
    m_lightControl = next;
    SetLightButtonText();
    ApplyToLightingPages([on = next != 0](CVeldmarkUSBDevice& p) { p.SetLightingActive(on); });
}

void CMainWnd::OnSkinChanged(bool isColour, uint32_t colour, const std::string& image) {
    ui::Control* root = FindControl("root");
    if (root == nullptr) {
        return;
    }
    if (isColour) {
        root->SetColor(ui::ColorRole::Background, ui::Color{colour});
        root->SetImage(ui::ImageState::Background, "");
    } else {
        root->SetColor(ui::ColorRole::Background, ui::Color{0});
        root->SetImage(ui::ImageState::Background, image);
    }
}

// --- shutdown ----------------------------------------------------------------------------

void CMainWnd::Destroy() {
    if (m_destroyed) {
        return;
    }
    m_destroyed = true;
    app::EndCapture(*this, "the program ends");
    if (m_hasTray) {
        Context().host.RemoveTrayIcon();
        m_hasTray = false;
    }
    Write("退出测试");
    Hide();
    StopWorkers();
    Context().dispatcher.Quit();
    ExitHandBack();
}

void CMainWnd::ExitHandBack() {
    // No frame may follow the hand-back: one would take the lighting over again.
    ApplyToLightingPages([](CVeldmarkUSBDevice& p) { p.SetLightingActive(false); });
    if (m_keyboardPages.empty()) {
        return;
    }
    CVeldmarkUSBDevice& keyboard = *m_keyboardPages.front();
    CDeviceChannel& channel = keyboard.Channel();
    const LightInfoRecord info = keyboard.GetLightInfo();
    std::array<uint8_t, 26> block{};
    block[1] = 1;
    block[2] = info.brightness;
    block[3] = 4;
    block[5] = info.multiColor;
    block[6] = info.red;
    block[7] = info.green;
    block[8] = info.blue;
    // A keyboard that is gone lets these fail on the closed channel.
    (void)channel.NotifyHostExit();
    (void)channel.WriteParameters(block, 25);
    if (channel.IsOpen()) {
        (void)channel.BeginWrite();
        (void)channel.WriteParameters(block, 0);
        (void)channel.EndWrite();
    }
}
