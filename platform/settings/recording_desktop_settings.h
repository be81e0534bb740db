#pragma once
// Test double of the desktop settings: records every call in order and
// answers as told. A setting can be made "not offered" or "failing", and a
// gate can hold calls until the test opens it (to see what a caller does
// while a slow store is still busy). Safe to call from any thread.

#include <array>
#include <condition_variable>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/settings/desktop_settings.h"

namespace platform::settings {

class RecordingDesktopSettings final : public DesktopSettings {
  public:
    struct Call {
        Setting setting;
        int value;
        friend bool operator==(const Call&, const Call&) = default;
    };

    RecordingDesktopSettings();

    std::string_view StoreName() const override { return "recorder"; }
    bool Offers(Setting setting) const override;
    ApplyResult SetPointerSpeed(int speed) override { return Record(Setting::PointerSpeed, speed); }
    ApplyResult SetPointerAcceleration(bool on) override {
        return Record(Setting::PointerAcceleration, on ? 1 : 0);
    }
    ApplyResult SetWheelLines(int lines) override { return Record(Setting::WheelLines, lines); }
    ApplyResult SetDoubleClickTime(int ms) override { return Record(Setting::DoubleClickTime, ms); }
    ApplyResult SetKeyboardRepeatDelay(int index) override {
        return Record(Setting::KeyboardRepeatDelay, index);
    }
    ApplyResult SetKeyboardRepeatRate(int rate) override {
        return Record(Setting::KeyboardRepeatRate, rate);
    }

    // --- the test's side -----------------------------------------------------------
    void SetOffered(Setting setting, bool offered);
    void SetFailure(Setting setting, std::string why);  // empty: succeed again
    // Closed: calls wait (recorded only once they pass) until Open.
    void CloseGate();
    void OpenGate();
    // Waits until `count` calls have been recorded or `ms` passed.
    bool WaitForCalls(size_t count, int ms) const;
    // Calls waiting at the closed gate.
    int Waiting() const;
    std::vector<Call> Calls() const;
    // The last value recorded for a setting, or -1.
    int Last(Setting setting) const;

  private:
    ApplyResult Record(Setting setting, int value);

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_cv;
    std::array<bool, kSettingCount> m_offered{};
    std::array<std::string, kSettingCount> m_failure;
    std::vector<Call> m_calls;
    bool m_gateClosed = false;
    int m_waiting = 0;
};

}  // namespace platform::settings
