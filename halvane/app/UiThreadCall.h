#pragma once

#include <QCoreApplication>
#include <QThread>

#include <utility>

namespace halvane::app {

// Runs `f` on the user-interface thread and returns its result: at once
// when called there, else by a blocking queued call while the caller (a
// job's worker) waits. The user-interface thread never waits plainly for a
// worker, so the two cannot deadlock. Without an application object the
// answer is `fallback` (no user to ask).
template <typename F, typename R>
R CallOnUiThread(F&& f, R fallback) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) return fallback;
    if (QThread::currentThread() == app->thread()) return std::forward<F>(f)();
    R result = fallback;
    QMetaObject::invokeMethod(
        app, [&] { result = f(); }, Qt::BlockingQueuedConnection);
    return result;
}

}  // namespace halvane::app
