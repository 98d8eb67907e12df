#pragma once

#include "platform/UiThread.h"

#include <QObject>

#include <cstddef>
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

    std::size_t drainDepth() const { return depth_; }

private:
    void addTimer();
    void tick(std::size_t level);

    std::vector<std::unique_ptr<QTimer>> timers_;
    std::size_t depth_ = 0;
};

}  // namespace platform::qt
