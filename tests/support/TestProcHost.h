#pragma once

#include "halvane/procedures/framework/IProcDialog.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace testsupport {

// A host for headless job tests: DoProcedure with it runs the job
// synchronously on the test's thread, no worker, no window. It records
// everything the job reports, in order, and keeps the last completion as
// its result (as the wizard does). A test aborts the job by clearing the
// running flag, at once or when the job reports something (OnReport).
// Thread-safe: a job's helpers may report from other threads.
class TestProcHost final : public halvane::procedures::IProcDialog {
public:
    enum class Kind { Text, Range, Pos, Done };
    struct Report {
        Kind kind;
        int value = 0;     // range total, position or result
        std::string text;  // display string
        friend bool operator==(const Report&, const Report&) = default;
    };

    explicit TestProcHost(platform::WindowHandle window = {}) : window_(window) {}

    // What a user pressing Abort does to the job: clears the running flag.
    void Abort() { running_.store(0); }
    // Ready for another run (a wizard's next start).
    void ResetRunning() { running_.store(1); }
    bool Aborted() const { return running_.load() == 0; }

    // Runs after each report is recorded, on the reporting thread.
    std::function<void(TestProcHost&, const Report&)> OnReport;
    // Aborts once a display string containing `text` was reported.
    void AbortOnText(std::string text);

    std::vector<Report> Reports() const;
    std::vector<std::string> DisplayStrings() const;
    std::vector<int> Results() const;  // every completion, in order
    void ClearReports();

    int GetResult() override;
    platform::WindowHandle GetHwnd() override { return window_; }
    void SetDisplayString(std::string text) override;
    void SetRange(int total) override;
    void SetPos(int position) override;

protected:
    void DeliverDone(int result) override;

private:
    void record(Report report);

    platform::WindowHandle window_;
    mutable std::mutex mutex_;
    std::vector<Report> reports_;
    int result_ = 0;
    std::string abortOnText_;
};

}  // namespace testsupport
