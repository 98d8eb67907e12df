#include "platform/UiThread.h"

#include <atomic>
#include <thread>

namespace platform {

namespace {
std::atomic<std::thread::id> uiThread{};
std::atomic<UiEventPump*> uiPump{nullptr};
}  // namespace

void MarkUiThread() { uiThread.store(std::this_thread::get_id()); }
void ClearUiThread() { uiThread.store(std::thread::id()); }
bool OnUiThread() {
    const std::thread::id ui = uiThread.load();
    return ui != std::thread::id() && ui == std::this_thread::get_id();
}

void SetUiEventPump(UiEventPump* pump) { uiPump.store(pump); }
UiEventPump* CurrentUiEventPump() { return uiPump.load(); }

bool PumpUiUntil(const std::function<bool()>& done) {
    if (!OnUiThread()) return false;
    UiEventPump* pump = uiPump.load();
    if (pump == nullptr) return false;
    pump->pumpUntil(done);
    return true;
}

}  // namespace platform
