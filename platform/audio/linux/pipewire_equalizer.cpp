// The only file that includes libpipewire.
#include "platform/audio/linux/pipewire_equalizer.h"

#include <pipewire/impl.h>
#include <pipewire/pipewire.h>
#include <pthread.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "platform/trace/trace.h"

namespace platform::audio {

namespace {

constexpr double kBandQ = 1.41;  // one octave per band
constexpr int kSyncWaitMs = 2000;

std::optional<uint16_t> UsbId(const char* text) {
    if (text == nullptr) {
        return std::nullopt;
    }
    if (std::strncmp(text, "0x", 2) == 0 || std::strncmp(text, "0X", 2) == 0) {
        text += 2;
    }
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 16);
    if (end == text || *end != '\0' || value > 0xFFFF) {
        return std::nullopt;
    }
    return static_cast<uint16_t>(value);
}

std::string Text(const spa_dict* props, const char* key) {
    const char* value = props != nullptr ? spa_dict_lookup(props, key) : nullptr;
    return value != nullptr ? value : "";
}

}  // namespace

std::string FilterChainArguments(const std::array<int, 10>& gainsDb,
                                 const std::string& targetNode) {
    std::string nodes;
    std::string links;
    char line[256];
    for (size_t i = 0; i < gainsDb.size(); ++i) {
        std::snprintf(line, sizeof line,
                      "      { type = builtin name = eq_band_%zu label = bq_peaking "
                      "control = { \"Freq\" = %.1f \"Q\" = %.2f \"Gain\" = %.1f } }\n",
                      i + 1, kEqualizerBandsHz[i], kBandQ, static_cast<double>(gainsDb[i]));
        nodes += line;
        if (i + 1 < gainsDb.size()) {
            std::snprintf(line, sizeof line,
                          "      { output = \"eq_band_%zu:Out\" input = \"eq_band_%zu:In\" }\n",
                          i + 1, i + 2);
            links += line;
        }
    }
    return "{\n"
           "  node.description = \"Headset equaliser\"\n"
           "  media.name = \"Headset equaliser\"\n"
           "  filter.graph = {\n"
           "    nodes = [\n" +
           nodes +
           "    ]\n"
           "    links = [\n" +
           links +
           "    ]\n"
           "  }\n"
           "  audio.channels = 2\n"
           "  audio.position = [ FL FR ]\n"
           "  capture.props = {\n"
           "    node.name = \"" +
           std::string(PipeWireEqualizer::kNodeName) +
           "\"\n"
           "    media.class = Audio/Sink\n"
           "    priority.session = 2100\n"
           "  }\n"
           "  playback.props = {\n"
           "    node.name = \"" +
           std::string(PipeWireEqualizer::kNodeName) +
           ".output\"\n"
           "    node.passive = true\n"
           "    stream.dont-remix = true\n"
           "    target.object = \"" +
           targetNode +
           "\"\n"
           "  }\n"
           "}\n";
}

// The PipeWire side: the loop thread, the connection, what the registry
// shows of devices and sinks, and the loaded chain.
struct PipeWireEqualizer::Loop {
    struct Sink {
        std::string name;
        uint32_t device = SPA_ID_INVALID;
    };

    pw_thread_loop* loop = nullptr;
    pw_context* context = nullptr;
    pw_core* core = nullptr;
    pw_registry* registry = nullptr;
    spa_hook registryListener{};
    spa_hook coreListener{};
    std::map<uint32_t, std::pair<uint16_t, uint16_t>> devices;  // id → USB vendor, product
    std::map<uint32_t, Sink> sinks;
    pw_impl_module* chain = nullptr;
    std::string chainTarget;
    std::atomic<bool> connected{false};
    int syncSeq = -1;
    bool synced = false;

    static void OnGlobal(void* data, uint32_t id, uint32_t, const char* type, uint32_t,
                         const spa_dict* props) {
        auto* self = static_cast<Loop*>(data);
        if (std::strcmp(type, PW_TYPE_INTERFACE_Device) == 0) {
            const auto vendor = UsbId(spa_dict_lookup(props, "device.vendor.id"));
            const auto product = UsbId(spa_dict_lookup(props, "device.product.id"));
            if (vendor && product) {
                self->devices[id] = {*vendor, *product};
            }
        } else if (std::strcmp(type, PW_TYPE_INTERFACE_Node) == 0 &&
                   Text(props, PW_KEY_MEDIA_CLASS) == "Audio/Sink") {
            Sink sink{Text(props, PW_KEY_NODE_NAME), SPA_ID_INVALID};
            if (const char* device = spa_dict_lookup(props, PW_KEY_DEVICE_ID)) {
                sink.device = static_cast<uint32_t>(std::strtoul(device, nullptr, 10));
            }
            self->sinks[id] = sink;
        }
    }

    static void OnGlobalRemove(void* data, uint32_t id) {
        auto* self = static_cast<Loop*>(data);
        self->devices.erase(id);
        self->sinks.erase(id);
    }

    static void OnDone(void* data, uint32_t id, int seq) {
        auto* self = static_cast<Loop*>(data);
        if (id == PW_ID_CORE && seq == self->syncSeq) {
            self->synced = true;
            pw_thread_loop_signal(self->loop, false);
        }
    }

    static void OnError(void* data, uint32_t id, int, int res, const char* message) {
        auto* self = static_cast<Loop*>(data);
        if (id == PW_ID_CORE && res == -EPIPE) {
            self->connected.store(false);
        }
        platform::trace::Write(std::string("PipeWire: ") + (message ? message : ""));
    }

    // The sink the chain should play into; "" when the headset has none.
    std::string FindTarget(const EqualizerTarget& target) const {
        for (const auto& [id, sink] : sinks) {
            if (!target.nodeName.empty()) {
                if (sink.name == target.nodeName) {
                    return sink.name;
                }
                continue;
            }
            const auto device = devices.find(sink.device);
            if (device != devices.end() && device->second.first == target.vendorId &&
                device->second.second == target.productId) {
                return sink.name;
            }
        }
        return {};
    }

    static const pw_registry_events& RegistryEvents() {
        static const pw_registry_events events = {
            .version = PW_VERSION_REGISTRY_EVENTS,
            .global = &OnGlobal,
            .global_remove = &OnGlobalRemove,
        };
        return events;
    }

    static const pw_core_events& CoreEvents() {
        static const pw_core_events events = {
            .version = PW_VERSION_CORE_EVENTS,
            .info = nullptr,
            .done = &OnDone,
            .ping = nullptr,
            .error = &OnError,
            .remove_id = nullptr,
            .bound_id = nullptr,
            .add_mem = nullptr,
            .remove_mem = nullptr,
        };
        return events;
    }

    // Waits (loop locked) until the server has answered everything sent so far.
    void Sync() {
        synced = false;
        syncSeq = pw_core_sync(core, PW_ID_CORE, 0);
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kSyncWaitMs);
        while (!synced && connected.load() && std::chrono::steady_clock::now() < end) {
            timespec abstime{};
            pw_thread_loop_get_time(loop, &abstime, 100 * SPA_NSEC_PER_MSEC);
            pw_thread_loop_timed_wait_full(loop, &abstime);
        }
    }
};

PipeWireEqualizer::PipeWireEqualizer(EqualizerTarget target)
    : m_loop(std::make_unique<Loop>()), m_target(std::move(target)) {
    pw_init(nullptr, nullptr);
    Loop& l = *m_loop;
    l.loop = pw_thread_loop_new("vm-pw", nullptr);
    if (l.loop != nullptr) {
        l.context = pw_context_new(pw_thread_loop_get_loop(l.loop), nullptr, 0);
    }
    if (l.context != nullptr && pw_thread_loop_start(l.loop) == 0) {
        pw_thread_loop_lock(l.loop);
        l.core = pw_context_connect(l.context, nullptr, 0);
        if (l.core != nullptr) {
            l.connected.store(true);
            pw_core_add_listener(l.core, &l.coreListener, &Loop::CoreEvents(), &l);
            l.registry = pw_core_get_registry(l.core, PW_VERSION_REGISTRY, 0);
            pw_registry_add_listener(l.registry, &l.registryListener, &Loop::RegistryEvents(), &l);
            l.Sync();
        }
        pw_thread_loop_unlock(l.loop);
    }
    if (!l.connected.load()) {
        platform::trace::Write("PipeWire: no server; the equaliser is stored but not applied");
    }
    m_worker = std::thread([this] { Worker(); });
}

PipeWireEqualizer::~PipeWireEqualizer() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_worker.join();
    Loop& l = *m_loop;
    if (l.loop != nullptr) {
        pw_thread_loop_lock(l.loop);
        if (l.chain != nullptr) {
            pw_impl_module_destroy(l.chain);
            l.chain = nullptr;
        }
        if (l.registry != nullptr) {
            spa_hook_remove(&l.registryListener);
            pw_proxy_destroy(reinterpret_cast<pw_proxy*>(l.registry));
        }
        if (l.core != nullptr) {
            spa_hook_remove(&l.coreListener);
            pw_core_disconnect(l.core);
        }
        pw_thread_loop_unlock(l.loop);
        pw_thread_loop_stop(l.loop);
    }
    if (l.context != nullptr) {
        pw_context_destroy(l.context);
    }
    if (l.loop != nullptr) {
        pw_thread_loop_destroy(l.loop);
    }
}

bool PipeWireEqualizer::Available() const {
    return m_loop->connected.load();
}

void PipeWireEqualizer::Apply(const std::array<int, 10>& gainsDb) {
    {
        std::lock_guard lock(m_mutex);
        m_wanted = gainsDb;
        m_pending = true;
    }
    m_wake.notify_one();
}

void PipeWireEqualizer::Remove() {
    {
        std::lock_guard lock(m_mutex);
        m_wanted.reset();
        m_pending = true;
    }
    m_wake.notify_one();
}

bool PipeWireEqualizer::WaitIdle(int timeoutMs) {
    std::unique_lock lock(m_mutex);
    return m_idle.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [this] { return !m_pending && !m_busy; });
}

std::string PipeWireEqualizer::TargetNode() const {
    std::lock_guard lock(m_mutex);
    return m_loop->chainTarget;
}

// Carries out the newest request: the old chain goes, a new one is loaded
// with the new gains. Requests that came in meanwhile are skipped.
void PipeWireEqualizer::Worker() {
    pthread_setname_np(pthread_self(), "vm-eq");
    std::unique_lock lock(m_mutex);
    while (true) {
        m_wake.wait(lock, [this] { return m_stop || m_pending; });
        if (m_stop) {
            break;
        }
        const std::optional<std::array<int, 10>> wanted = m_wanted;
        m_pending = false;
        m_busy = true;
        lock.unlock();
        Loop& l = *m_loop;
        std::string target;
        if (l.connected.load()) {
            pw_thread_loop_lock(l.loop);
            if (l.chain != nullptr) {
                pw_impl_module_destroy(l.chain);
                l.chain = nullptr;
            }
            if (wanted) {
                l.Sync();
                target = l.FindTarget(m_target);
                if (!target.empty()) {
                    const std::string args = FilterChainArguments(*wanted, target);
                    l.chain = pw_context_load_module(l.context, "libpipewire-module-filter-chain",
                                                     args.c_str(), nullptr);
                    if (l.chain == nullptr) {
                        platform::trace::Write("PipeWire: the equaliser chain did not load");
                        target.clear();
                    }
                }
            }
            pw_thread_loop_unlock(l.loop);
        }
        lock.lock();
        l.chainTarget = target;
        m_busy = false;
        m_idle.notify_all();
    }
}

}  // namespace platform::audio
