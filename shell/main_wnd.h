#pragma once
// CMainWnd: the application's main window and the owner of everything that is
// not a device. At start it builds one page per device family (the page is the
// device object) with its power control and selection entry, keeps the slot
// list that the discovery loop fills, opens and closes the pages' channels as
// interfaces arrive and go, keeps the selection list and the no-device notice
// in step, runs the application's workers, applies the interface language,
// sits in the tray, tells peer programs whether it drives the lighting, and
// on destruction stops the workers and hands the lighting back to the
// keyboard.
//
// Controls of the main layout ("XML_MAIN") it relies on: "root",
// "device_select_layout" (the entries), "device_switch" (the pages, tab 0 the
// no-device page), "device_power_switch" (the power controls, tab 0 empty),
// "No_device_Link", "control_light_status", and the title buttons "closebtn",
// "maxbtn", "restorebtn", "minbtn", "skinbtn", "setbtn", "nodevice_ok_btn".
//
// Threads: everything runs on the UI thread. The discovery loop's arrivals and
// removals come from its own thread and are handed over with a synchronous
// send (the loop waits while the UI thread handles them); its first-pass
// notice is posted.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/discovery.h"
#include "device/slot_list.h"
#include "platform/session/session_services.h"
#include "platform/settings/settings_applier.h"
#include "platform/ui/window.h"
#include "platform/ui/worker.h"
#include "shell/event_routes.h"
#include "shell/light_sync.h"

class CVeldmarkUSBDevice;
class CDeviceOptionUI;
class CDeviceHook;
namespace platform::capture {
class CaptureService;
}
namespace ui {
class TabLayout;
}

// Whether the system is awake (1) or suspended (0); 1 at start.
extern std::atomic<uint8_t> AwakeFlag;

struct MainWndServices {
    platform::hid::HidBackend& backend;
    platform::session::PeerBus& peers;
    platform::session::SleepWatch& sleep;
    // The folder holding "DefaultData" (Language.config).
    std::string dataFolder;
    // The settings file holding the language choice.
    std::string settingsPath;
    // The desktop's pointer and keyboard settings; none offered when null.
    platform::settings::DesktopSettings* desktop = nullptr;
    // The keyboard and mouse capture of recording and key capture; nothing
    // can be captured when null.
    platform::capture::CaptureService* capture = nullptr;
};

class CMainWnd : public ui::Window, private device::IDiscoveryListener {
  public:
    static constexpr int kFitTimer = 1011;
    static constexpr int kFitDelayMs = 100;
    static constexpr int kTrayMenuTimer = 1032;
    static constexpr int kTrayMenuDelayMs = 10;
    // A profile chosen in a drop-down is switched to after this pause, so
    // that only the last of several quick choices reaches the device.
    static constexpr int kProfileSwitchTimer = 1055;
    static constexpr int kProfileSwitchDelayMs = 400;
    static constexpr int kWidth = 1350;
    static constexpr int kHeight = 810;
    static constexpr const char* kMainLayout = "XML_MAIN";
    static constexpr const char* kTrayMenuLayout = "XML/Menus/tray_menu.xml";
    static constexpr const char* kPowerLayout = "XML\\CustomControlXML\\MpDevicePower.xml";
    static constexpr const char* kLightOnText = "控制灯光";
    static constexpr const char* kLightOffText = "不控制灯光";

    CMainWnd(ui::UiContext& context, MainWndServices services);
    ~CMainWnd() override;

    // Loads the main layout, which initialises the window and starts the
    // workers ("windowinit"). False with the reason when the layout fails.
    bool Create(std::string* error = nullptr);
    // The layout builder's callback: editor sub-layouts by tag, else null.
    std::unique_ptr<ui::Control> CreateControl(std::string_view tag, ui::LayoutLoader& loader);

    // --- pages and entries -----------------------------------------------------
    CVeldmarkUSBDevice* CurrentPage();
    void ShowEntry(int index, bool visible, bool select);
    void HideEntry(int index);
    CDeviceOptionUI* EntryAt(int index) const;
    // Selects the visible entry of a device kind as a click would; false when
    // no such device is attached.
    bool SelectKind(int kind);
    int EntryCount() const;
    // The edit state of the current page's key and macro editors: with
    // lockLists the device list and the profile list can be used exactly when
    // committed; the key editor's save, cancel and commit buttons exactly
    // when not.
    void SetEditCommitted(bool lockLists, bool committed);
    bool IsEditCommitted() const { return m_editCommitted; }
    const std::vector<CVeldmarkUSBDevice*>& KeyboardPages() const { return m_keyboardPages; }
    const std::vector<CVeldmarkUSBDevice*>& MousePages() const { return m_mousePages; }
    const std::vector<CVeldmarkUSBDevice*>& PadPages() const { return m_padPages; }
    const std::vector<CVeldmarkUSBDevice*>& HeadsetPages() const { return m_headsetPages; }
    device::CSlotList& Slots() { return *m_slots; }
    // Applies the desktop's pointer and keyboard settings off the UI thread;
    // its helpers are joined before the window goes.
    platform::settings::SettingsApplier& DesktopApplier() { return *m_desktopApplier; }
    // The keyboard and mouse capture (shell/routes_capture.h starts and ends it).
    CDeviceHook& Hook() { return *m_hook; }

    // --- window ------------------------------------------------------------------
    void BringToFront();
    void FitWindow();
    // The user chose "exit" (or the desktop has no tray and the window was
    // closed): removes the tray icon, stops the workers, ends the loop and
    // hands the lighting back to the first keyboard. Runs once.
    void Destroy();
    bool IsDestroyed() const { return m_destroyed; }
    bool HasTray() const { return m_hasTray; }

    // --- language ----------------------------------------------------------------
    int ReadLanguage() const;
    // Loads a language file of the skin; false when none of that name loads.
    bool LoadLanguageFile(const std::string& file);
    void WriteLanguage(int languageId);
    void ApplyLanguage(int index);
    int LanguageIndex() const { return m_languageIndex; }

    // --- lighting and preview ------------------------------------------------------
    // A peer's request or a change of our own: passes the state to the pages.
    void SetLightControl(int state);
    // The user's switch: tells the peers, then SetLightControl.
    void ToggleLightControl();
    int LightControl() const { return m_lightControl; }
    bool PreviewOn() const { return m_previewOn != 0; }

    // --- synchronised lighting (main_wnd_lighting.cpp) ------------------------------
    // The current page's lighting on every attached device, in step.
    void SyncToAll();
    // The page's own lighting edit takes it out of its synchronised group; a
    // group left with fewer than two devices ends.
    void LeaveGroup(CVeldmarkUSBDevice& page);
    // Pages whose device went leave the group; a group left with one device ends.
    void EndLoneGroup();
    app::LightSync& Sync() { return m_lightSync; }
    // Pages whose light store changed on disk show its effects again.
    void RefreshChangedLightStores();
    // The screen size that settings uploads carry.
    ui::Size ScreenSize() const;

    // Opens the skin chooser anchored at a control (set by the entry point).
    void SetSkinChooser(std::function<void(ui::Control& anchor)> open) {
        m_openSkinChooser = std::move(open);
    }
    // The skin chooser's change: a colour or an image for the background.
    void OnSkinChanged(bool isColour, uint32_t colour, const std::string& image);

  private:
    struct Family;

    // window life
    intptr_t OnMessage(uint32_t message, intptr_t wParam, intptr_t lParam, bool& handled);
    void OnNotify(const ui::Notification& n);
    void InitWindow();
    void OnWindowInit();
    void OnWindowTimer(int id);
    // The window's own routes: title buttons, the light switch, the device list.
    void AddWindowRoutes();
    // Clicks and choices inside a page's profile list go to that list. True when handled.
    bool RouteToProfileList(const ui::Notification& n);
    // Switches the profile list whose drop-down choice waits (timer 1055).
    void CommitProfileChoice();
    void OnTray(intptr_t mouseMessage);
    void ShowTrayMenu();
    void OnMenuCommand(const std::string& item);
    void OnActivate(bool active);
    void OnHover(bool inside);
    void OnPower(intptr_t event);
    void OnCloseButton();
    // The desktop's close does what the title bar's close button does.
    void OnCloseRequest() override { OnCloseButton(); }
    void StartWorkers();
    void StopWorkers();
    void ExitHandBack();
    void UpdateNoDeviceNotice();
    void ApplyToLightingPages(const std::function<void(CVeldmarkUSBDevice&)>& apply);

    // devices (main_wnd_devices.cpp)
    void BuildPage(size_t slot, uint16_t role);
    std::unique_ptr<ui::Control> LoadPart(std::string_view file);
    void OnDeviceArrived(size_t slot);
    void OnDeviceRemoved(size_t slot);
    void AttachCommandSlot(const device::InterfaceRecord& slot);
    void AttachEventSlot(const device::InterfaceRecord& slot);
    bool MousePartnerSwitch(size_t slot);
    CVeldmarkUSBDevice* PageOfIdentity(const device::InterfaceRecord& slot) const;
    std::vector<CVeldmarkUSBDevice*>* PagesOfKind(int kind);
    int EntryIndexOf(const CVeldmarkUSBDevice* page) const;
    int VisibleEntries() const;
    void SelectEntryTabs(CDeviceOptionUI& entry);
    void OnDeviceSelectChanged();

    // discovery listener (discovery thread)
    void OnSlotArrived(size_t slot) override;
    void OnSlotRemoved(size_t slot) override;
    void OnFirstPass() override;

    void SetLightButtonText();
    device::IDiscoveryListener& AsListener() { return *this; }

    MainWndServices m_services;
    platform::settings::NoDesktopSettings m_noDesktop{"no desktop settings store was opened"};
    std::unique_ptr<platform::settings::SettingsApplier> m_desktopApplier;
    std::unique_ptr<platform::capture::CaptureService> m_noCapture;
    std::unique_ptr<CDeviceHook> m_hook;
    ui::WindowRef m_ref;
    // Control notifications by type and sender name; each group of routes is
    // added in the constructor.
    app::EventRoutes m_routes;
    std::unique_ptr<device::CSlotList> m_slots;
    std::unique_ptr<device::CDeviceDiscovery> m_discovery;
    ui::Worker m_updateWorker;
    ui::Worker m_lightSyncWorker;
    app::LightSync m_lightSync;

    std::vector<CVeldmarkUSBDevice*> m_padPages;
    std::vector<CVeldmarkUSBDevice*> m_mousePages;
    std::vector<CVeldmarkUSBDevice*> m_keyboardPages;
    std::vector<CVeldmarkUSBDevice*> m_headsetPages;
    std::vector<ui::Control*> m_powerControls;

    ui::Container* m_entries = nullptr;      // "device_select_layout"
    ui::TabLayout* m_pageSwitch = nullptr;   // "device_switch"
    ui::TabLayout* m_powerSwitch = nullptr;  // "device_power_switch"
    std::function<void(ui::Control&)> m_openSkinChooser;

    int m_languageIndex = -1;
    int m_lightControl = 1;
    int m_dpi = 96;
    int m_active = 0;
    int m_previewOn = 0;
    bool m_displayChanged = false;
    bool m_editCommitted = true;
    bool m_initialised = false;
    bool m_hasTray = false;
    bool m_destroyed = false;
    // The drop-down whose choice waits for timer 1055; none when nothing waits.
    ui::ControlHandle m_pendingProfileCombo;
    int m_notifyHandler = 0;
};
