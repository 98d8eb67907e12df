#pragma once

#include "halvane/diagnostics/Progress.h"

#include <string>

namespace halvane::procedures {

class CProcBase;

// A job's progress part, as the unit objects see it while the job holds
// them: ranges, steps and texts go to the job's host, questions to the
// job's prompt over the host's window, and an abort through either the
// progress part or the host stops the job.
class JobProgress final : public diagnostics::ConTypes::Progress {
public:
    JobProgress(CProcBase& job, platform::UserPrompt* prompt) : Progress(prompt), job_(job) {}

    void SetRange(int total) override;
    void Step(int steps) override;
    // Also sets the host's remaining count; for the job itself.
    void SetRemaining(int n);
    void SetText(std::string text) override;
    platform::WindowHandle GetWindow() override;
    void Abort() override;
    int IsAborted() const override;

private:
    CProcBase& job_;
};

}  // namespace halvane::procedures
