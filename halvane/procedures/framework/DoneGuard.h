#pragma once

#include "halvane/procedures/framework/IProcDialog.h"

namespace halvane::procedures {

// The completion guard a job body arms first thing: when the body is left
// without dismissing it (by an exception above all), the host is ended
// with the guard's result, 2 unless the body changed it. Under Execute the
// end is held until the failure's text is stored. Without a host it does
// nothing.
class DoneGuard {
public:
    explicit DoneGuard(IProcDialog* host, int result = 2) : host_(host), result_(result) {}
    ~DoneGuard() {
        if (host_ != nullptr && armed_) host_->Done(result_);
    }
    DoneGuard(const DoneGuard&) = delete;
    DoneGuard& operator=(const DoneGuard&) = delete;

    // The result the host gets when the body is left from here on.
    void SetResult(int result) { result_ = result; }
    // The body ends its host itself.
    void Dismiss() { armed_ = false; }

private:
    IProcDialog* host_;
    int result_;
    bool armed_ = true;
};

}  // namespace halvane::procedures
