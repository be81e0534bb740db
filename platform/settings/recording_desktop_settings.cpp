#include "platform/settings/recording_desktop_settings.h"

#include <chrono>

namespace platform::settings {
namespace {

size_t Slot(Setting setting) {
    return static_cast<size_t>(setting);
}

}  // namespace

RecordingDesktopSettings::RecordingDesktopSettings() {
    m_offered.fill(true);
}

bool RecordingDesktopSettings::Offers(Setting setting) const {
    std::lock_guard lock(m_mutex);
    return m_offered[Slot(setting)];
}

void RecordingDesktopSettings::SetOffered(Setting setting, bool offered) {
    std::lock_guard lock(m_mutex);
    m_offered[Slot(setting)] = offered;
}

void RecordingDesktopSettings::SetFailure(Setting setting, std::string why) {
    std::lock_guard lock(m_mutex);
    m_failure[Slot(setting)] = std::move(why);
}

void RecordingDesktopSettings::CloseGate() {
    std::lock_guard lock(m_mutex);
    m_gateClosed = true;
}

void RecordingDesktopSettings::OpenGate() {
    std::lock_guard lock(m_mutex);
    m_gateClosed = false;
    m_cv.notify_all();
}

bool RecordingDesktopSettings::WaitForCalls(size_t count, int ms) const {
    std::unique_lock lock(m_mutex);
    return m_cv.wait_for(lock, std::chrono::milliseconds(ms),
                         [&] { return m_calls.size() >= count; });
}

int RecordingDesktopSettings::Waiting() const {
    std::lock_guard lock(m_mutex);
    return m_waiting;
}

std::vector<RecordingDesktopSettings::Call> RecordingDesktopSettings::Calls() const {
    std::lock_guard lock(m_mutex);
    return m_calls;
}

int RecordingDesktopSettings::Last(Setting setting) const {
    std::lock_guard lock(m_mutex);
    for (auto it = m_calls.rbegin(); it != m_calls.rend(); ++it) {
        if (it->setting == setting) {
            return it->value;
        }
    }
    return -1;
}

ApplyResult RecordingDesktopSettings::Record(Setting setting, int value) {
    std::unique_lock lock(m_mutex);
    ++m_waiting;
    m_cv.notify_all();
    m_cv.wait(lock, [&] { return !m_gateClosed; });
    --m_waiting;
    if (!m_offered[Slot(setting)]) {
        return ApplyResult::NotOffered("the recorder does not offer it");
    }
    m_calls.push_back({setting, value});
    m_cv.notify_all();
    if (!m_failure[Slot(setting)].empty()) {
        return ApplyResult::Failed(m_failure[Slot(setting)]);
    }
    return ApplyResult::Applied();
}

}  // namespace platform::settings
