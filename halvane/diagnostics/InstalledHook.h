#pragma once

#include <mutex>
#include <utility>

namespace halvane::diagnostics {

// One replaceable function that the program installs at start-up and tests
// replace: the windows behind a modal step (the progress dialog, the
// speaker selection, ...). Installing returns the previous one, so a test
// can put it back; a call takes a copy under the lock and runs it outside,
// so the hook may be replaced while it runs (and may itself show a dialog).
template <class Hook>
class InstalledHook {
public:
    Hook Install(Hook hook) {
        std::lock_guard lock(mutex_);
        return std::exchange(hook_, std::move(hook));
    }
    Hook Current() const {
        std::lock_guard lock(mutex_);
        return hook_;
    }

private:
    mutable std::mutex mutex_;
    Hook hook_;
};

}  // namespace halvane::diagnostics
