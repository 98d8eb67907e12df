#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace halvane::diagnostics::ConTypes {
class Progress;
}

namespace halvane::link::Comm {

class CBasicTessikPort;

// The retries one upload (a flagship's gains or its coefficients, a
// receiver's coefficients with their gains) may spend. Each word, stage and
// gain has its own attempts (VerifiedWrite); beyond those, the upload as a
// whole may send again once per so many bytes a clean upload of its size
// sends, plus an allowance (LinkTiming). So a line that now and then loses a byte
// finishes however long the upload, and one that keeps losing them is given
// up in bounded time with the reason said. One object per upload: nothing
// carries over to the next.
class UploadRetries {
public:
    // `cleanBytes`: what the upload sends when no word needs a second try.
    UploadRetries(CBasicTessikPort& port, diagnostics::ConTypes::Progress& progress, std::int64_t cleanBytes);

    int Budget() const { return budget_; }
    int Spent() const { return spent_; }

    // Takes one retry; false when none is left or retrying is pointless (the
    // line has failed, the job was aborted). The status line says how many
    // went, so a slow upload shows why it is slow.
    bool Spend();

    // Why the last failed write stopped retrying, as a sentence for its
    // failure text; empty when only its own attempts ran out.
    std::string WhyStopped() const;

private:
    CBasicTessikPort& port_;
    diagnostics::ConTypes::Progress& progress_;
    int budget_;
    int spent_ = 0;
};

// The verified write every uploaded word, stage and gain of both families
// goes through, and the receivers' settings too: up to kWriteAttempts
// attempts; after a failed one `recover` (drain, and whatever the exchange
// needs before it is tried again), then one retry from the upload's budget
// (`retries`; null: a setting outside an upload, with only its own
// attempts). No retry once the line has failed or the job was aborted.
// True when an attempt succeeded.
bool VerifiedWrite(CBasicTessikPort& port, UploadRetries* retries, const std::function<bool()>& attempt,
                   const std::function<void()>& recover);

}  // namespace halvane::link::Comm
