#pragma once
// Applies desktop settings off the UI thread on short-lived helper threads.
//
// Each setting has at most one helper at a time. A value asked for while
// that setting's helper is still busy replaces any value still waiting, and
// the same helper applies it next, so the desktop always ends on the value
// asked for last and a quick series of changes never piles up threads or
// lands out of order. A helper ends as soon as nothing waits; it is joined
// by the next request for its setting, by JoinAll, or by the destructor, so
// none is left running when the owner goes.
//
// Threads: ApplyAsync, Apply and JoinAll from one owning thread (the UI
// thread); `done` runs on the helper thread, after each value was applied.

#include <array>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/settings/desktop_settings.h"

namespace platform::settings {

class SettingsApplier {
  public:
    using Done = std::function<void(Setting, int value, const ApplyResult&)>;

    explicit SettingsApplier(DesktopSettings& settings) : m_settings(settings) {}
    ~SettingsApplier() { JoinAll(); }
    SettingsApplier(const SettingsApplier&) = delete;
    SettingsApplier& operator=(const SettingsApplier&) = delete;

    DesktopSettings& Settings() const { return m_settings; }

    void ApplyAsync(Setting setting, int value, Done done = {});
    // On the calling thread, after any helper of the same setting has finished,
    // so an earlier asynchronous value cannot land after this one.
    ApplyResult Apply(Setting setting, int value);
    // Waits for every helper (they finish what is waiting first).
    void JoinAll();
    // Helpers that have started and not yet ended.
    int Busy() const;

  private:
    struct Slot {
        std::thread thread;
        bool running = false;
        std::optional<int> pending;
        Done done;
    };

    void Run(Setting setting);

    DesktopSettings& m_settings;
    mutable std::mutex m_mutex;
    std::array<Slot, kSettingCount> m_slots;
};

}  // namespace platform::settings
