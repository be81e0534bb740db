// The device object's two threads (lighting and input), the lighting state
// they share with the UI thread, and the lists the lighting editor shows.
#include <sys/stat.h>

#include <algorithm>
#include <chrono>

#include "device/lighting_tables.h"
#include "device/usb_device.h"
#include "platform/trace/trace.h"
#include "platform/ui/dispatcher.h"
#include "platform/ui/window.h"
#include "profile/json_file.h"
#include "profile/profile_paths.h"

namespace {

constexpr auto kPassWait = std::chrono::milliseconds(1);
// The UI thread shows and streams a frame this often; a lighting thread
// never needs to publish more often.
constexpr auto kPushPeriod = std::chrono::milliseconds(5);
constexpr auto kDetachedWait = std::chrono::milliseconds(100);
// Passes run at once after the thread was held up; more are skipped.
constexpr int kMaxCatchUpPasses = 64;
// Above every speed's threshold; the count never needs to go further.
constexpr int kMaxTick = 255;
// Every kind's brightness and speed run 0-4.
constexpr int kEditorMaximum = 4;

device::LayerEntry ToLayer(const LightListEntry& e) {
    return {e.mode, e.brightness, e.speed, e.direction, e.multiColor,
            e.red,  e.green,      e.blue,  e.present};
}

device::EffectStep ToStep(const LightEffectStep& s) {
    return {s.mode, s.brightness, s.speed, s.direction, s.multiColor,
            s.red,  s.green,      s.blue,  s.time,      s.cycle};
}

// A member of an object; null for anything else (files may hold any JSON).
Json::Value Member(const Json::Value& value, const char* key) {
    return value.isObject() ? value.get(key, Json::Value()) : Json::Value();
}

std::string Text(const Json::Value& value) {
    return value.isString() ? value.asString() : std::string();
}

// What tells one version of a file from the next: its inode, size and time
// of last change ("" when it does not exist).
std::string FileStamp(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return {};
    }
    return std::to_string(info.st_ino) + ':' + std::to_string(info.st_size) + ':' +
           std::to_string(info.st_mtim.tv_sec) + '.' + std::to_string(info.st_mtim.tv_nsec);
}

}  // namespace

// --- event interface and input thread ------------------------------------------------

void CVeldmarkUSBDevice::OpenSyncInterface(const std::string& path) {
    // The input thread reads the interface's description; it must not run
    // while the interface is (re)opened.
    TraceStop(m_syncWorker.Stop());
    m_syncWorker.SetName("vm-input-" + ShortKindName());
    if (!m_eventChannel.IsOpen()) {
        std::lock_guard<std::mutex> lock(m_eventChannel.IoLock());
        if (m_eventChannel.Hid().Open(path, true, true, true, false)) {
            m_eventChannel.open.store(true);
        }
    }
    ui::Dispatcher* dispatcher = LoopDispatcher();
    const ui::ControlHandle self = Handle();
    if (!m_syncWorker.Start([this, self, dispatcher](ui::StopSignal& stop) {
            SyncThread(stop, self, dispatcher);
        })) {
        Trace("线程退出：：错误\n");
    }
}

std::string CVeldmarkUSBDevice::ShortKindName() const {
    switch (m_kind) {
        case device::kKindKeyboard:
            return "kb";
        case device::kKindMouse:
        case device::kKindSlowMouse:
            return "ms";
        case device::kKindMousePad:
            return "pad";
        case device::kKindHeadset:
            return "hs";
        default:
            return "dev";
    }
}

void CVeldmarkUSBDevice::CloseSyncInterface() {
    if (!m_eventChannel.IsOpen()) {
        return;
    }
    TraceStop(m_syncWorker.Stop());
    std::lock_guard<std::mutex> lock(m_eventChannel.IoLock());
    m_eventChannel.open.store(false);
    m_eventChannel.Hid().Close();
}

// Reads the event interface until stopped. A read waits without a time limit;
// the stop request cancels it, so the thread ends within the stop bound.
void CVeldmarkUSBDevice::SyncThread(ui::StopSignal& stop, ui::ControlHandle self,
                                    ui::Dispatcher* dispatcher) {
    CHidDevice& hid = m_eventChannel.Hid();
    const int wake = stop.AddWakeCallback([&hid] { hid.CancelAlways(); });
    std::vector<uint8_t> report;
    std::vector<HidDataItem> items;
    while (!stop.WaitFor(kPassWait)) {
        if (!m_eventChannel.IsOpen()) {
            continue;
        }
        report.assign(hid.Caps().ReportByteLength(HidReportType::Input), 0);
        size_t got = 0;
        if (report.empty() || !hid.Read(report, -1, got) || got == 0) {
            continue;
        }
        items = hid.Info(HidReportType::Input).items;
        hid.UnpackReport(items, HidReportType::Input, std::span(report.data(), got));
        if (items.empty()) {
            continue;
        }
        const HidDataItem& first = items.front();
        const uint16_t usage = first.isButtonData
                                   ? (first.button.usages.empty() ? 0 : first.button.usages[0])
                                   : first.value.usage;
        HandleEvent(usage, self, dispatcher);
    }
    stop.RemoveWakeCallback(wake);
    Trace("MS设备同步线程设定退出");
}

void CVeldmarkUSBDevice::HandleEvent(uint16_t usage, ui::ControlHandle self,
                                     ui::Dispatcher* dispatcher) {
    if (usage == kSyncRequestUsage) {
        Trace("接收到自动添加设备的同步信息要求");
        if (dispatcher == nullptr) {
            return;
        }
        // Timers belong to the UI thread: the request is handed over there.
        const int delay = m_syncDelayMs;
        dispatcher->Post([self, delay] {
            if (auto* page = dynamic_cast<CVeldmarkUSBDevice*>(self.Get())) {
                page->ArmOptionTimer(device_timer::kReadState, delay);
            }
        });
        return;
    }
    if (m_keyEventHook && usage >= 0x500 && usage < 0x700) {
        const bool pressed = usage < 0x600;
        m_keyEventHook(usage - (pressed ? 0x500 : 0x600), pressed);
    }
}

void CVeldmarkUSBDevice::ArmOptionTimer(int id, int delayMs) {
    if (m_optionControl != nullptr) {
        m_optionControl->SetTimer(id, delayMs, ui::TimerKind::OneShot);
    }
}

// --- lighting thread ---------------------------------------------------------------------

void CVeldmarkUSBDevice::StartLightingThread(std::function<void(ui::StopSignal&)> body) {
    StopLightingThread();
    m_lightingWorker.SetName("vm-light-" + ShortKindName());
    m_tick = 0;
    if (!m_lightingWorker.Start(std::move(body))) {
        Trace("线程退出：：错误\n");
    }
}

void CVeldmarkUSBDevice::StopLightingThread() {
    TraceStop(m_lightingWorker.Stop());
}

void CVeldmarkUSBDevice::TraceStop(ui::StopResult result) {
    switch (result) {
        case ui::StopResult::Stopped:
            Trace("线程退出：：对象处于激发状态\n");
            break;
        case ui::StopResult::TimedOut:
            // The thread is left to end by itself; it is never killed.
            Trace("线程退出：：对象处于非激发状态，超时\n");
            break;
        case ui::StopResult::NotRunning:
            break;
    }
}

void CVeldmarkUSBDevice::RunLightingStep(const ModeTable& table, uint8_t mode, uint8_t speed,
                                         int ticks, bool publish) {
    const bool builtIn = mode < table.size() && table[mode].frame;
    // The count runs on every pass, also while a custom effect plays, so a
    // built-in mode chosen after one steps on its own time; it stays bounded.
    m_tick = std::min(m_tick + ticks, kMaxTick);
    if (builtIn) {
        if (m_tick >= device::SpeedTicks(speed)) {
            table[mode].frame();
            m_tick = 0;
        }
    } else {
        m_engine.PlayEffectStep();
    }
    if (m_layersInFrames) {
        m_engine.ApplyLayers();
    }
    if (publish) {
        m_engine.PublishFrame();
    }
}

void CVeldmarkUSBDevice::RunLightingPasses(ui::StopSignal& stop, const ModeTable& table,
                                           const std::atomic<uint8_t>& mode,
                                           const std::atomic<uint8_t>& speed,
                                           std::chrono::microseconds passPeriod,
                                           std::string_view exitTrace) {
    using Clock = std::chrono::steady_clock;
    using std::chrono::ceil;
    using std::chrono::milliseconds;
    const CDeviceChannel& channel = Channel();
    Clock::time_point due = Clock::now() + passPeriod;  // of the next pass
    milliseconds wait = ceil<milliseconds>(passPeriod);
    while (!stop.WaitFor(wait)) {
        if (!channel.IsOpen() || channel.streamPaused.load()) {
            // Detached, or another program drives the lights: no passes.
            wait = channel.IsOpen() ? kPushPeriod : kDetachedWait;
            due = Clock::now() + passPeriod;
            continue;
        }
        const Clock::time_point now = Clock::now();
        int passes = 0;
        while (due <= now && passes < kMaxCatchUpPasses) {
            due += passPeriod;
            ++passes;
        }
        if (due <= now) {
            due = now + passPeriod;  // far behind (a stalled machine): go on from now
        }
        for (int i = 0; i < passes; ++i) {
            RunLightingStep(table, mode.load(), speed.load(), 1, i + 1 == passes);
        }
        // Passes until one can change the frame: every pass plays a custom
        // effect or a layer, a built-in mode only draws at its threshold.
        const uint8_t current = mode.load();
        int ahead = 1;
        if (current < table.size() && table[current].frame &&
            !(m_layersInFrames && m_engine.HasLayers())) {
            ahead = std::max(1, device::SpeedTicks(speed.load()) - m_tick);
        }
        const Clock::time_point wake = due + passPeriod * (ahead - 1);
        wait = std::max(kPushPeriod, ceil<milliseconds>(wake - Clock::now()));
    }
    Trace(exitTrace);
}

// --- lighting state ------------------------------------------------------------------------

void CVeldmarkUSBDevice::SetEngineParams(const LightInfoRecord& r) {
    m_engine.SetLightingParams(
        {r.mode, r.brightness, r.speed, r.direction, r.multiColor, r.red, r.green, r.blue});
}

void CVeldmarkUSBDevice::ReplaceCustomColors(std::vector<LightListEntry> entries) {
    entries.resize(static_cast<size_t>(m_ledCount));
    std::vector<device::LayerEntry> layers;
    layers.reserve(entries.size());
    for (const LightListEntry& e : entries) {
        layers.push_back(ToLayer(e));
    }
    std::lock_guard<std::mutex> lock(m_customColorsLock);
    m_customColors = std::move(entries);
    m_engine.ReplaceLayers(std::move(layers));
}

void CVeldmarkUSBDevice::ReplaceEffectSteps(std::vector<LightEffectStep> steps) {
    std::vector<device::EffectStep> played;
    played.reserve(steps.size());
    for (const LightEffectStep& s : steps) {
        played.push_back(ToStep(s));
    }
    std::lock_guard<std::mutex> lock(m_effectStepsLock);
    m_effectSteps = std::move(steps);
    m_stepCount = static_cast<int>(m_effectSteps.size());
    m_engine.ReplaceEffectSteps(std::move(played));
}

std::vector<LightListEntry> CVeldmarkUSBDevice::CustomColors() const {
    std::lock_guard<std::mutex> lock(m_customColorsLock);
    return m_customColors;
}

std::vector<LightEffectStep> CVeldmarkUSBDevice::EffectSteps() const {
    std::lock_guard<std::mutex> lock(m_effectStepsLock);
    return m_effectSteps;
}

// Mode names come from the shipped "default_light.json", custom effect names
// from the user's light store, each from the element of the page's type code.
// A file or element that is missing leaves the list as it was.
void CVeldmarkUSBDevice::LoadEditorLists() {
    CJsonFile json;
    const Json::Value modes =
        Member(json.Load(profile::DefaultDataFolder() + "default_light.json"), "DefaultLightName");
    if (modes.isArray() && m_typeCode >= 0 && modes.isValidIndex(m_typeCode) &&
        modes[m_typeCode].isArray()) {
        m_modeNames.clear();
        m_modeVisible.clear();
        for (const Json::Value& entry : modes[m_typeCode]) {
            m_modeNames.push_back(Text(Member(entry, "LightName")));
            const Json::Value visible = Member(entry, "visible");
            m_modeVisible.push_back(visible.isBool()  ? visible.asBool()
                                    : visible.isInt() ? visible.asInt() != 0
                                                      : false);
        }
    }
    const std::string storePath = ProfileFolder() + m_lightStoreName + ".config";
    m_lightStoreStamp = FileStamp(storePath);
    const Json::Value store = Member(json.Load(storePath), "LightInfo");
    if (store.isArray() && m_typeCode >= 0 && store.isValidIndex(m_typeCode) &&
        store[m_typeCode].isArray()) {
        m_effectNames.clear();
        for (const Json::Value& entry : store[m_typeCode]) {
            m_effectNames.push_back(Text(Member(entry, "LightName")));
        }
    }
}

void CVeldmarkUSBDevice::ShowEditorLists() {
    auto* editor = dynamic_cast<LightEditorView*>(m_lightEditor);
    if (editor == nullptr) {
        return;
    }
    std::vector<std::string> names = m_modeNames;
    std::vector<bool> visible = m_modeVisible;
    // A mode list shorter or longer than the family's modes would shift every
    // custom effect to another mode number than the one it plays.
    const int builtIn = m_document->GetBuiltInModeCount();
    if (builtIn > 0) {
        names.resize(static_cast<size_t>(builtIn));
        visible.resize(static_cast<size_t>(builtIn), false);
    }
    names.insert(names.end(), m_effectNames.begin(), m_effectNames.end());
    visible.resize(names.size(), true);
    editor->InitModes(names, visible, kEditorMaximum, kEditorMaximum);
}

bool CVeldmarkUSBDevice::LightStoreChanged() const {
    return FileStamp(ProfileFolder() + m_lightStoreName + ".config") != m_lightStoreStamp;
}
