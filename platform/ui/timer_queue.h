#pragma once
// The UI thread's timers: one entry per (owner, id), ordered by due time and,
// for equal due times, by the order in which they were armed. Owners are
// opaque pointers (controls, windows). Not thread-safe: the UI thread only.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <unordered_map>

namespace ui {

class TimerQueue {
  public:
    using Callback = std::function<void()>;

    // Arms timer (owner, id) to fall due at dueMs; a periodic timer then falls
    // due every intervalMs (at least 1) after its previous due time. Arming an
    // armed timer replaces it.
    void Set(const void* owner, int id, int64_t dueMs, int intervalMs, bool periodic,
             Callback callback);
    bool Kill(const void* owner, int id);
    // Kills every timer of `owner`; returns how many.
    size_t KillAll(const void* owner);
    bool Has(const void* owner, int id) const;
    size_t Size() const { return m_entries.size(); }
    std::optional<int64_t> NextDue() const;

    // Fires the earliest timer due at or before nowMs, if any. A periodic
    // timer is re-armed before its callback runs, so the callback may kill or
    // re-arm it. Returns false when nothing was due.
    bool FireNext(int64_t nowMs);
    // The due time of the timer FireNext would fire next (for virtual time).
    std::optional<int64_t> PeekDue() const { return NextDue(); }

  private:
    struct Key {
        const void* owner;
        int id;
        friend bool operator==(const Key&, const Key&) = default;
    };
    struct KeyHash {
        size_t operator()(const Key& k) const {
            return std::hash<const void*>()(k.owner) * 31u + std::hash<int>()(k.id);
        }
    };
    struct Entry {
        int64_t due = 0;
        uint64_t seq = 0;
        int interval = 0;
        bool periodic = false;
        Callback callback;
    };
    using Order = std::map<std::pair<int64_t, uint64_t>, Key>;

    std::unordered_map<Key, Entry, KeyHash> m_entries;
    Order m_order;
    uint64_t m_nextSeq = 0;

    void Unlink(const Key& key, const Entry& entry);
};

}  // namespace ui
