#pragma once

#include "platform/UiThread.h"

#include <QObject>

#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

class QTimer;

namespace platform::qt {

// Drives the window-message queue on the Qt user-interface thread: a 1 ms
// precise timer runs DrainUiMessageQueue, in the main loop and inside every
// modal loop (dialogs, message boxes). Create it after the application
// object, on its thread; it marks that thread as the user-interface thread
// and becomes the pump that keeps waits there alive.
//
// Qt never re-enters a timer whose handler is still running, so a modal loop
// opened by a window handler during a drain would starve the queue. While a
// drain runs, one more timer runs beside it, one per nesting level: the
// nested drain takes the next messages in queue order, so messages posted
// while a dialog is open are still delivered, and in the order they were
// posted.
class UiMessagePump final : public QObject, public UiEventPump {
public:
    explicit UiMessagePump(QObject* parent = nullptr);
    ~UiMessagePump() override;

    // Processes events until done(); the 1 ms timers keep it waking.
    void pumpUntil(const std::function<bool()>& done) override;

    // What becomes of an exception that a window handler let escape: it is
    // caught at the drain (it must not unwind through Qt's event loop) and
    // handed here, on the user-interface thread, once the drain has been
    // left. The program installs its last-resort handling; without a
    // handler the failure is written to stderr.
    using FailureHandler = std::function<void(std::exception_ptr)>;
    void setFailureHandler(FailureHandler handler) { failureHandler_ = std::move(handler); }

    std::size_t drainDepth() const { return depth_; }

private:
    void addTimer();
    void tick(std::size_t level);

    std::vector<std::unique_ptr<QTimer>> timers_;
    std::size_t depth_ = 0;
    FailureHandler failureHandler_;
};

}  // namespace platform::qt
