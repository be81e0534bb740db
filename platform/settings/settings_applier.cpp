#include "platform/settings/settings_applier.h"

#include <pthread.h>

namespace platform::settings {
namespace {

const char* ThreadName(Setting setting) {
    switch (setting) {
        case Setting::PointerSpeed:
            return "vm-set-speed";
        case Setting::WheelLines:
            return "vm-set-wheel";
        default:
            return "vm-set-desktop";
    }
}

}  // namespace

void SettingsApplier::ApplyAsync(Setting setting, int value, Done done) {
    std::thread finished;
    {
        std::lock_guard lock(m_mutex);
        Slot& slot = m_slots[static_cast<size_t>(setting)];
        slot.pending = value;
        slot.done = std::move(done);
        if (slot.running) {
            return;  // the busy helper takes the new value next
        }
        finished = std::move(slot.thread);
        slot.running = true;
        slot.thread = std::thread([this, setting] { Run(setting); });
    }
    if (finished.joinable()) {
        finished.join();  // it already said it was done; this only reaps it
    }
}

void SettingsApplier::Run(Setting setting) {
    pthread_setname_np(pthread_self(), ThreadName(setting));
    for (;;) {
        int value = 0;
        Done done;
        {
            std::lock_guard lock(m_mutex);
            Slot& slot = m_slots[static_cast<size_t>(setting)];
            if (!slot.pending) {
                slot.running = false;
                return;
            }
            value = *slot.pending;
            slot.pending.reset();
            done = slot.done;
        }
        const ApplyResult result = m_settings.Apply(setting, value);
        if (done) {
            done(setting, value, result);
        }
    }
}

ApplyResult SettingsApplier::Apply(Setting setting, int value) {
    std::thread helper;
    {
        std::lock_guard lock(m_mutex);
        Slot& slot = m_slots[static_cast<size_t>(setting)];
        slot.pending.reset();  // superseded by this value
        helper = std::move(slot.thread);
    }
    if (helper.joinable()) {
        helper.join();
    }
    return m_settings.Apply(setting, value);
}

void SettingsApplier::JoinAll() {
    for (Slot& slot : m_slots) {
        std::thread helper;
        {
            std::lock_guard lock(m_mutex);
            helper = std::move(slot.thread);
        }
        if (helper.joinable()) {
            helper.join();
        }
    }
}

int SettingsApplier::Busy() const {
    std::lock_guard lock(m_mutex);
    int busy = 0;
    for (const Slot& slot : m_slots) {
        busy += slot.running ? 1 : 0;
    }
    return busy;
}

}  // namespace platform::settings
