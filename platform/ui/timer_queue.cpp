#include "platform/ui/timer_queue.h"

#include <utility>
#include <vector>

namespace ui {

void TimerQueue::Set(const void* owner, int id, int64_t dueMs, int intervalMs, bool periodic,
                     Callback callback) {
    Key key{owner, id};
    if (auto it = m_entries.find(key); it != m_entries.end()) {
        m_order.erase({it->second.due, it->second.seq});
        m_entries.erase(it);
    }
    Entry entry;
    entry.due = dueMs;
    entry.seq = m_nextSeq++;
    entry.interval = intervalMs < 1 ? 1 : intervalMs;
    entry.periodic = periodic;
    entry.callback = std::move(callback);
    m_order.emplace(std::make_pair(entry.due, entry.seq), key);
    m_entries.emplace(key, std::move(entry));
}

void TimerQueue::Unlink(const Key& key, const Entry& entry) {
    m_order.erase({entry.due, entry.seq});
    m_entries.erase(key);
}

bool TimerQueue::Kill(const void* owner, int id) {
    auto it = m_entries.find(Key{owner, id});
    if (it == m_entries.end()) {
        return false;
    }
    Unlink(it->first, it->second);
    return true;
}

size_t TimerQueue::KillAll(const void* owner) {
    std::vector<int> ids;
    for (const auto& [key, entry] : m_entries) {
        if (key.owner == owner) {
            ids.push_back(key.id);
        }
    }
    for (int id : ids) {
        Kill(owner, id);
    }
    return ids.size();
}

bool TimerQueue::Has(const void* owner, int id) const {
    return m_entries.count(Key{owner, id}) != 0;
}

std::optional<int64_t> TimerQueue::NextDue() const {
    if (m_order.empty()) {
        return std::nullopt;
    }
    return m_order.begin()->first.first;
}

bool TimerQueue::FireNext(int64_t nowMs) {
    if (m_order.empty() || m_order.begin()->first.first > nowMs) {
        return false;
    }
    Key key = m_order.begin()->second;
    auto it = m_entries.find(key);
    Entry& entry = it->second;
    Callback callback = entry.callback;  // the callback may replace or kill its own entry
    m_order.erase(m_order.begin());
    if (entry.periodic) {
        int64_t next = entry.due + entry.interval;
        if (next <= nowMs) {
            next = nowMs + entry.interval;  // fell behind: no burst of catch-up firings
        }
        entry.due = next;
        entry.seq = m_nextSeq++;
        m_order.emplace(std::make_pair(entry.due, entry.seq), key);
    } else {
        m_entries.erase(it);
    }
    callback();
    return true;
}

}  // namespace ui
