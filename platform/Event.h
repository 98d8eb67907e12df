#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace platform {

// A Win32-style event. A manual-reset event stays set until reset and
// releases every waiter; an auto-reset event releases one waiter and resets
// itself as that waiter returns.
class Event {
public:
    enum class Reset { Manual, Auto };

    explicit Event(Reset kind, bool initiallySet = false);
    ~Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void set();
    void reset();
    bool isSet() const;

    // Waits at most timeoutMs real milliseconds (negative: no limit).
    // True when the event was (or became) set.
    bool wait(std::int64_t timeoutMs = -1);

private:
    friend int WaitAny(const std::vector<Event*>& events, std::int64_t timeoutMs);
    bool consumeLocked();  // caller holds the shared lock

    Reset kind_;
    bool set_;
};

// Waits until one of the events is set and returns its index; when several
// are set the lowest index wins (as WaitForMultipleObjects does). Returns
// WaitTimeout when the limit passes first, WaitFailed for an empty list.
constexpr int WaitTimeout = -1;
constexpr int WaitFailed = -2;
int WaitAny(const std::vector<Event*>& events, std::int64_t timeoutMs = -1);
inline int WaitAny(std::initializer_list<Event*> events, std::int64_t timeoutMs = -1) {
    return WaitAny(std::vector<Event*>(events), timeoutMs);
}

}  // namespace platform
