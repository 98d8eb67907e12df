#include "platform/qt/UiMessagePump.h"

#include "platform/UiMessageQueue.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <stdexcept>

namespace platform::qt {

UiMessagePump::UiMessagePump(QObject* parent) : QObject(parent) {
    if (QCoreApplication::instance() == nullptr)
        throw std::logic_error("UiMessagePump needs the application object first");
    MarkUiThread();
    addTimer();
    SetUiEventPump(this);
}

UiMessagePump::~UiMessagePump() {
    if (CurrentUiEventPump() == this) SetUiEventPump(nullptr);
}

void UiMessagePump::addTimer() {
    const std::size_t level = timers_.size();
    auto timer = std::make_unique<QTimer>();
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(1);
    connect(timer.get(), &QTimer::timeout, this, [this, level] { tick(level); });
    timer->start();
    timers_.push_back(std::move(timer));
}

void UiMessagePump::tick(std::size_t level) {
    // A timer of a level that has ended may still fire once.
    if (level != depth_) return;
    ++depth_;
    if (timers_.size() == level + 1) addTimer();
    std::exception_ptr failure;
    try {
        DrainUiMessageQueue();
    } catch (...) {
        // An exception must not unwind through Qt's event loop; the message
        // itself has already been freed by the queue. It is handed on below.
        failure = std::current_exception();
    }
    --depth_;
    // The timers of deeper levels are idle again (their handlers returned).
    while (timers_.size() > level + 1) timers_.pop_back();
    if (!failure) return;
    if (failureHandler_) {
        failureHandler_(failure);
        return;
    }
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Unhandled exception in a window-message handler: %s\n", e.what());
    } catch (...) {
        // Not a standard exception: only the program's handler knows its
        // kinds (none was installed), so only the fact can be written.
        std::fputs("Unhandled exception in a window-message handler\n", stderr);
    }
}

void UiMessagePump::pumpUntil(const std::function<bool()>& done) {
    QTimer poll;  // wakes the wait even when no timer of ours is due
    poll.setTimerType(Qt::PreciseTimer);
    poll.start(2);
    QEventLoop loop;
    while (!done()) loop.processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

}  // namespace platform::qt
