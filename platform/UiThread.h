#pragma once

#include <functional>

namespace platform {

// Which thread is the user-interface thread, and how a wait on it keeps the
// interface alive. The rule: the user-interface thread never blocks plainly
// on a worker that may be waiting for it (a message box a worker asked for
// is shown by the user-interface thread), so its waits run an event pump.

// Marks the calling thread as the user-interface thread (the Qt pump does
// this on the thread that owns the application object).
void MarkUiThread();
// Forgets the mark (tests, shutdown).
void ClearUiThread();
bool OnUiThread();

// Runs the user-interface thread's events while it waits.
class UiEventPump {
public:
    virtual ~UiEventPump() = default;
    // Processes events until done() is true. Called on the user-interface
    // thread only; done() is polled at least every few milliseconds.
    virtual void pumpUntil(const std::function<bool()>& done) = 0;
};

// Installs the pump (null removes it). The pump must outlive its use.
void SetUiEventPump(UiEventPump* pump);
UiEventPump* CurrentUiEventPump();

// On the user-interface thread with a pump installed: pumps until done() and
// returns true. Anywhere else returns false at once, and the caller waits in
// its plain way.
bool PumpUiUntil(const std::function<bool()>& done);

}  // namespace platform
