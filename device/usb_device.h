#pragma once
// CVeldmarkUSBDevice: the base of the device objects. One object is at the
// same time a device's page (a horizontal layout of the control tree, class
// "VeldmarkUSBDevice") and the owner of everything that talks to the device:
// the command channel, the event interface, the device information, the
// profile document, the lighting engine with its frame, and the maps between
// key buttons, device key positions and LEDs.
//
// The kinds (keyboard, mouse, mousepad, headset) fill in the virtual
// operations; the base gives the shared ones (page binding, shared effects,
// frame push, paths, function tabs, key levels, the profile's lighting record
// with its document, light list, custom effect and lighting editor), the two
// threads and the timer-driven life cycle that the selection entry runs:
//   1001 ConnectDevice, then 1000 every 5 ms (PushFrame; a kind may ask for another
//   pace through PushIntervalMs) while the channel is
//   open; 1002 ReadDeviceState (armed by the input thread on a sync request);
//   1003/1004 hooks; 1005 PollStatus every 5000 ms while extra != 0.
//
// Threads:
// - UI thread: every operation here unless noted.
// - Lighting thread (started by the kinds' ConnectDevice): runs the frame
//   operations on the engine's work frame and publishes each complete frame;
//   PushFrame on the UI thread takes the last published frame, so a pushed
//   frame is never a mix of two. In a synchronised group it takes the
//   group's colour instead (PaintSyncColor, from the group's thread).
// - Input thread (SyncThread): blocking reads on the event interface; it
//   reaches the UI thread only by posting to the dispatcher. Stopping it
//   cancels the pending read; no thread is ever killed.
//
// Result codes of the command operations are the channel's (1 success, 0 not
// open or no reply, -1 write failed, -102/-103 device status).

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/catalogue.h"
#include "device/device_channel.h"
#include "device/lighting_engine.h"
#include "device/usb_device_views.h"
#include "platform/ui/container.h"
#include "platform/ui/worker.h"
#include "profile/light_records.h"
#include "profile/profile_document.h"

namespace ui {
class Dispatcher;
}

// Timer ids of the selection entry that drive a page.
namespace device_timer {
inline constexpr int kPushFrame = 1000;
inline constexpr int kConnect = 1001;
inline constexpr int kReadState = 1002;
inline constexpr int kHook1003 = 1003;
inline constexpr int kHook1004 = 1004;
inline constexpr int kPollStatus = 1005;
inline constexpr int kPushIntervalMs = 5;
inline constexpr int kConnectDelayMs = 500;
inline constexpr int kPollIntervalMs = 5000;
}  // namespace device_timer

class CVeldmarkUSBDevice : public ui::HorizontalLayout {
  public:
    static constexpr std::string_view kClassName = "VeldmarkUSBDevice";
    static constexpr size_t kDeviceInfoBytes = 36;  // 34 read + 2 spare
    static constexpr uint16_t kSyncRequestUsage = 0x401;
    static constexpr int kStreamBackoffMs = 200;
    // How often the page's light controls take the frame (30 a second).
    static constexpr int kShowPeriodMs = 33;

    // The channels use the process-wide HID backend, or the given one. The
    // document is the kind's profile document (a plain one when null).
    explicit CVeldmarkUSBDevice(std::unique_ptr<CBasicProfiledata> document = nullptr);
    CVeldmarkUSBDevice(platform::hid::HidBackend& backend,
                       std::unique_ptr<CBasicProfiledata> document = nullptr);
    ~CVeldmarkUSBDevice() override;

    std::string_view GetClass() const override { return kClassName; }

    // --- virtual operations, in slot order ----------------------------------
    virtual void InitPage();
    virtual int ApplyLighting();
    virtual void FrameBreath();
    virtual void FrameBreathCycle();
    virtual void FrameStatic();
    virtual void FrameSpectrum();
    virtual void FrameBlink();
    virtual void FrameBlinkCycle();
    virtual void FrameOff();
    virtual void PushFrame();
    // How soon the selection entry pushes the next frame (after PushFrame).
    virtual int PushIntervalMs() const { return device_timer::kPushIntervalMs; }
    virtual void SetLedColor(int index, const device::LedColor& color);
    virtual device::LedColor GetLedColor(int index) const;
    virtual void ConnectDevice();
    virtual void ReadDeviceState();
    virtual void TimerHook1003();
    virtual void TimerHook1004();
    virtual void PollStatus();
    virtual int LoadProfile();
    virtual void RefreshPage();
    // Keys that play a macro the device's list no longer has get their
    // default back (stored in the profile and shown; sent by the upload that
    // follows a profile switch). A macro list that cannot be read changes no
    // key. The base works on the document's key list.
    virtual void ValidateMacroKeys();
    virtual void ResetProfile();
    virtual int UploadKeyTable(int profile, const std::vector<KeyEntry>& keys);
    virtual int UploadProfileKeys(int profile);
    virtual int UploadMacros();
    virtual int UploadSettings(int profile, int option1 = 0, int option2 = 0, int screenWidth = 0,
                               int screenHeight = 0);
    // Reads the lighting editor's lists and shows them; on a page whose keys
    // take functions, also reads the macro names and hands them to the key editor.
    virtual void RefreshEditorLists();
    virtual void SetKeyLevelMap(const std::map<int, int>& map);
    virtual void DecayKeyLevel(int index, bool fineTail);
    virtual void IgniteRing();
    virtual void RotateRing(bool forward);
    virtual void ClearKeyLevels();
    virtual void SetFunctionMode(int mode);
    virtual int GetFunctionMode() const { return m_functionMode; }
    virtual void SetProfilePaths();
    virtual std::string GetProfilePath() const;
    virtual void SaveProfile();
    virtual void SetTypeCode(int code);
    virtual int GetTypeCode() const { return m_typeCode; }
    virtual void SetLightInfo(const LightInfoRecord& record);
    // Stores the selected key. On a page whose keys take functions it also
    // frames that key's button (and no other) and shows the key editor with
    // the key's entry (an index past the key list leaves the editor as it was).
    virtual void SelectKey(int index);
    // Key assignments (keyboard and mouse pages): replaces the selected key's
    // entry in the key list and writes "KeyList" into the document (nothing
    // is saved or sent here).
    virtual void SetSelectedKeyEntry(const KeyEntry& entry);
    // The kind's page initialisation. The base binds the page (InitPage), finds
    // its editors, tells the lighting editor the kind, loads the profile and
    // shows it.
    virtual void InitKindPage();
    virtual LightInfoRecord GetLightInfo() const;
    // Keys and macros (kinds with a key list). Whether a key's current
    // assignment plays macro `index`.
    virtual bool KeysPlayMacro(int index) const;
    // Macro `index` left the device's list: keys that played it get their
    // default back, keys of later macros follow them down by one; when a key
    // changed, the key list is stored in the profile, shown and sent to the
    // device. The base works on the document's key list.
    virtual void OnMacroRemoved(int index);
    // Shows what every key does now (the page's key buttons and key list).
    virtual void RefreshKeyDisplay();
    // Keyboards: the custom colour group the lighting editor shows and the
    // document keeps; and loading (and sending) that group's colours. No
    // operation for the kinds without custom colours.
    virtual void SetCustomGroup(int group);
    virtual void LoadCustomColors();

    // --- configuration by the main window, in this order ---------------------
    void SetPageLayout(std::string path) { m_pageLayout = std::move(path); }
    void SetMainWindow(ui::Control* mainWindow) { m_mainWindow = mainWindow; }
    void SetKeyCount(int n);
    // Before ConnectDevice: resizes the frame, the light controls and the layers.
    void SetLedCount(int n);
    void SetExtra(int value);
    void SetProfileId(std::string id) { m_profileId = std::move(id); }
    void SetFolderName(std::string name) { m_folderName = std::move(name); }
    void SetPowerControl(ui::Control* control);
    void SetIdentity(const device::InterfaceRecord& record);
    void SetLightStoreName(std::string name) { m_lightStoreName = std::move(name); }
    void SetOptionControl(ui::Control* control) { m_optionControl = control; }
    // The loop the input thread posts to; by default the page's window's.
    void SetDispatcher(ui::Dispatcher* dispatcher) { m_dispatcher = dispatcher; }

    // --- synchronised lighting -----------------------------------------------
    // While the channel's streamPaused flag is set the page belongs to a
    // synchronised group: its lighting thread computes nothing and every LED
    // shows the group's colour, which the group's thread hands over here (any
    // thread; the UI thread's frame push takes it, so nothing races on the
    // frame).
    void PaintSyncColor(const device::LedColor& color);
    device::LedColor GetSyncColor() const;

    // Whether the light store's file changed since the editor lists were
    // last read from it (the page then refreshes itself to show new effects).
    bool LightStoreChanged() const;

    // --- event interface -----------------------------------------------------
    // Opens the event interface (when not open) and (re)starts the input thread.
    void OpenSyncInterface(const std::string& path);
    // Stops the input thread and closes the event interface.
    void CloseSyncInterface();

    // --- profile switching ----------------------------------------------------
    // Loads the profile `id` (its document, lighting, page) and commits it to
    // the device: the settings, then the key table and the macros where the
    // kind has them. Returns the first failing command result, else 1; 0 when
    // the device is not attached.
    int SwitchProfile(const std::string& id);
    int CommitProfile();

    // --- accessors -------------------------------------------------------------
    int GetKind() const { return m_kind; }
    int GetRole() const { return m_role; }
    int GetKeyCount() const { return m_keyCount; }
    int GetLedCount() const { return m_ledCount; }
    int GetExtra() const { return m_extra; }
    ui::Control* GetOptionControl() const { return m_optionControl; }
    ui::Control* GetPowerControl() const { return m_powerControl; }
    ui::Control* GetProfileControl() const { return m_profileControl; }
    ui::Control* GetLightEditor() const { return m_lightEditor; }
    ui::Control* GetKeyEditor() const { return m_keyEditor; }
    ui::Control* GetSelectPanel() const { return m_selectPanel; }
    ui::Control* GetMainWindow() const { return m_mainWindow; }
    const device::InterfaceRecord& GetIdentity() const { return m_identity; }
    const std::string& GetProfileId() const { return m_profileId; }
    const std::string& GetFolderName() const { return m_folderName; }
    const std::string& GetPageLayout() const { return m_pageLayout; }
    int GetSelectedKey() const { return m_selectedKey; }
    // The macro names in the macro store's order, as last read.
    const std::vector<std::string>& GetMacroNames() const { return m_macroNames; }
    // The key list (the document's): current and default record of each key.
    const std::vector<KeyEntry>& GetKeyList() const { return m_document->GetKeyList(); }
    // Replaces the key list and writes "KeyList" into the document.
    void SetKeyList(const std::vector<KeyEntry>& keys) { m_document->WriteKeyAssignments(keys); }
    // The primary screen's size as the window's host reports it (0 x 0 without a window).
    ui::Size HostScreenSize() const;
    void SetLightingActive(bool active) { m_lightingActive.store(active); }
    bool IsLightingActive() const { return m_lightingActive.load(); }
    void SetPreviewActive(bool active) { m_previewActive.store(active); }
    bool IsPreviewActive() const { return m_previewActive.load(); }
    std::string DefaultDocumentPath() const;
    std::string ProfileFolder() const;

    CDeviceChannel& Channel() { return m_channel; }
    CDeviceChannel& EventChannel() { return m_eventChannel; }
    CBasicProfiledata& Document() { return *m_document; }
    const CBasicProfiledata& Document() const { return *m_document; }
    device::LightingEngine& Engine() { return m_engine; }
    const uint8_t* DeviceInfo() const { return m_deviceInfo; }
    ui::Control* KeyButton(int index) const;
    ui::Control* LightControl(int index) const;
    std::vector<LightListEntry> CustomColors() const;
    std::vector<LightEffectStep> EffectSteps() const;
    int GetStepCount() const { return m_stepCount; }
    bool IsLightingThreadRunning() const { return m_lightingWorker.IsRunning(); }
    bool IsSyncThreadRunning() const { return m_syncWorker.IsRunning(); }

  protected:
    // One row of a kind's mode table: the frame operation and whether it runs
    // at the speed threshold (true) or every pass (false). An empty operation
    // plays the custom effect steps.
    struct LightingMode {
        std::function<void()> frame;
    };
    using ModeTable = std::vector<LightingMode>;

    // One pass of the lighting thread's mode step: counts `ticks` and, when
    // the count reaches the threshold for `speed`, runs the mode's frame and
    // restarts the count; modes without an operation play the custom effect
    // every pass. Then lays the light list over the frame and publishes it.
    // `publish` false leaves the frame unpublished (a pass that a later one
    // of the same batch follows).
    void RunLightingStep(const ModeTable& table, uint8_t mode, uint8_t speed, int ticks,
                         bool publish = true);
    // The body of the lighting thread of a kind that counts one tick a pass,
    // a pass every `passPeriod`. The thread does not wake for every pass: it
    // runs the passes that came due while it slept (publishing the last
    // frame), then sleeps at least one push period, and with a built-in mode
    // and no light-list layer until the pass that draws the next frame.
    // Ends with `exitTrace` when stopped.
    void RunLightingPasses(ui::StopSignal& stop, const ModeTable& table,
                           const std::atomic<uint8_t>& mode, const std::atomic<uint8_t>& speed,
                           std::chrono::microseconds passPeriod, std::string_view exitTrace);
    // Whether RunLightingStep lays the light-list layers over each frame (the
    // kinds whose own frames cover every LED turn it off).
    void SetLayersInFrames(bool on) { m_layersInFrames = on; }

    // Starts (after stopping any running one) / stops the lighting thread.
    void StartLightingThread(std::function<void(ui::StopSignal&)> body);
    void StopLightingThread();

    // Kinds: the delay of timer 1002 after a sync request (500 ms by default),
    // and the keyboard's key events (position, pressed), on the input thread.
    void SetSyncDelay(int ms) { m_syncDelayMs = ms; }
    void SetKeyEventHook(std::function<void(int position, bool pressed)> hook) {
        m_keyEventHook = std::move(hook);
    }

    // Pages whose keys take functions (keyboard, mouse): RefreshEditorLists
    // also reads the macro names, which the key texts use.
    void SetKeyFunctionPage(bool on) { m_keyFunctionPage = on; }
    // Frames key button `index` on the page's picture and no other (-1: none).
    void MarkSelectedKey(int index);
    // Reads the macro names from the profile folder's macro store.
    void LoadMacroNames();
    // Whether the last LoadMacroNames read the macro list (or found none):
    // only then do the names say which macros are gone.
    bool MacroListRead() const { return m_macroListRead; }
    // A language key in the window's current language (through the page's
    // hidden label "text_test", so it follows a language switch).
    std::string Translate(std::string_view key);
    // What a key assignment does, in the window's language with the macro
    // names last read; nothing for a kind of assignment without a text.
    std::optional<std::string> KeyFunctionText(const KeyAssignment& record);

    // Binds key buttons and light controls from the first "SelectPanel" among
    // `container`'s direct children (the page itself for InitPage).
    void BindPanel(ui::Container& container);
    // Finds the profile list, the lighting editor, the key editor and the
    // translating label by name, and tells the editors the page's kind.
    void BindEditors();
    // The lighting state the engine follows.
    void SetEngineParams(const LightInfoRecord& record);
    // Replaces the layer list and the effect steps under their locks.
    void ReplaceCustomColors(std::vector<LightListEntry> entries);
    void ReplaceEffectSteps(std::vector<LightEffectStep> steps);
    // Reads the mode names and custom effect names for the lighting editor.
    void LoadEditorLists();
    // Takes the lighting thread's latest frame and shows it on the page's
    // light controls (the first half of PushFrame; kinds that send frames
    // their own way call it and then send).
    void ShowFrame();
    // Fills the lighting editor's mode list: the family's built-in modes (as
    // many as the family has, so positions are mode numbers) followed by the
    // custom effects, which are always offered.
    void ShowEditorLists();
    // Arms a one-shot timer of the selection entry (UI thread).
    void ArmOptionTimer(int id, int delayMs);
    // Milliseconds of the UI loop's clock (the steady clock without a window).
    int64_t UiNow() const;
    // Shows a profile-independent diagnostic line.
    static void Trace(std::string_view text);

    int m_kind = 0;
    LightInfoRecord m_lightInfo;
    uint8_t m_deviceInfo[kDeviceInfoBytes] = {};
    std::vector<std::string> m_modeNames;
    std::vector<bool> m_modeVisible;
    std::vector<std::string> m_effectNames;
    // Key button index → device key position / LED of the stream (255 = none),
    // filled by the kinds that have keys; the key-level map of reactive effects.
    std::map<int, int> m_keyToPosition;
    std::map<int, int> m_keyToLed;
    std::map<int, int> m_keyLevelMap;

  private:
    void SyncThread(ui::StopSignal& stop, ui::ControlHandle self, ui::Dispatcher* dispatcher);
    void HandleEvent(uint16_t usage, ui::ControlHandle self, ui::Dispatcher* dispatcher);
    static void TraceStop(ui::StopResult result);
    // "kb", "ms", "pad", "hs": the kind in thread names.
    std::string ShortKindName() const;
    ui::Dispatcher* LoopDispatcher() const;
    bool FetchPublishedFrame();

    // channels
    CDeviceChannel m_channel;
    CDeviceChannel m_eventChannel;
    // UI references (non-owning; the page's tree owns them)
    ui::Control* m_selectPanel = nullptr;
    ui::Control* m_lightEditor = nullptr;
    ui::Control* m_keyEditor = nullptr;
    ui::Control* m_profileControl = nullptr;
    ui::Control* m_optionControl = nullptr;
    ui::Control* m_powerControl = nullptr;
    ui::Control* m_functionSwitch = nullptr;
    ui::Control* m_keyFunctionSwitch = nullptr;
    ui::Control* m_translator = nullptr;
    std::vector<ui::Control*> m_keyButtons;
    std::vector<ui::Control*> m_lightControls;
    ui::Control* m_mainWindow = nullptr;
    // strings
    std::string m_pageLayout;
    std::string m_profileId;
    std::string m_lightStoreName = "orvix_light";
    std::string m_folderName;
    // identity and counts
    device::InterfaceRecord m_identity;
    int m_role = 0;
    int m_typeCode = 0;
    int m_extra = 0;
    int m_keyCount = 0;
    int m_ledCount = 0;
    int m_selectedKey = -1;
    int m_functionMode = 1;
    bool m_keyFunctionPage = false;
    std::vector<std::string> m_macroNames;
    bool m_macroListRead = false;
    // frame as last pushed (UI thread)
    std::vector<device::LedColor> m_leds;
    std::vector<uint8_t> m_streamBuffer;
    uint64_t m_frameSerial = 0;
    int64_t m_streamResumeAt = 0;
    int64_t m_ledsShownAt = -1;  // UiNow() when the light controls last took a frame
    // lighting state
    std::unique_ptr<CBasicProfiledata> m_document;
    device::LightingEngine m_engine;
    mutable std::mutex m_customColorsLock;
    std::vector<LightListEntry> m_customColors;
    mutable std::mutex m_effectStepsLock;
    std::vector<LightEffectStep> m_effectSteps;
    int m_stepCount = 0;
    std::atomic<uint32_t> m_syncColor{0};
    std::string m_lightStoreStamp;
    std::atomic<bool> m_lightingActive{true};
    std::atomic<bool> m_previewActive{true};
    int m_tick = 0;  // lighting thread
    bool m_layersInFrames = true;
    // threads
    ui::Dispatcher* m_dispatcher = nullptr;
    int m_syncDelayMs = 500;
    std::function<void(int, bool)> m_keyEventHook;
    ui::Worker m_lightingWorker{"vm-light"};
    ui::Worker m_syncWorker{"vm-input"};
};
