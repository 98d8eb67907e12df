#include "halvane/link/CBasicTessikPort.h"

#include "halvane/link/ModelTable.h"

namespace halvane::link::Comm {

namespace {

constexpr int kReceiverClass = 4;

}  // namespace

bool CBasicTessikPort::QueryPower(int& state) {
    if (!IsOpen() || found_ == 0) return false;
    for (int attempt = 0; attempt < LinkTiming::kPowerQueryTries; ++attempt) {
        int value = -1;
        // No line end: the ";" ends the command.
        if (QueryValueSlow(value, "P1P?;", "%d", "\n", 3) && (value == 0 || value == 1)) {
            state = value;
            return true;
        }
        // A silent line or an aborted job: reopening and identifying again
        // would only wait more.
        if (Stopping()) break;
        Reopen();
        Identify();
        Pause(LinkTiming::kAfterFailedPowerQueryMs);
        Drain();
    }
    return false;
}

// A state that could not be read is never taken for the wanted one: it
// neither skips the commands nor reports success. Once the link has failed
// or the job was aborted, one pass is sent and not waited for.
bool CBasicTessikPort::SetPower(bool on) {
    if (!IsOpen() || found_ == 0) return false;
    const bool receiver = ConTypes::UnitClassOfModel(modelIndex_) == kReceiverClass;
    const auto reached = [&] {
        int state = 0;
        return QueryPower(state) && (state != 0) == on;
    };

    Drain();
    Pause(LinkTiming::kPowerSettleMs);
    bool done = reached();
    for (int pass = 0; !done && pass < LinkTiming::kPowerPasses; ++pass) {
        if (on) {
            SendAndReceive(receiver ? "P1P1;" : "P1P1;P1VM-95.5\n", "\n");
        } else {
            SendAndReceive("P1P0\n", "\n");
            SendAndReceive("P2P0\n", "\n");
            if (!receiver) SendAndReceive("P3P0\n", "\n");
        }
        if (Stopping()) break;
        Pause(LinkTiming::kPowerPassMs);
        Drain();
        Pause(LinkTiming::kPowerSettleMs);
        done = reached();
    }
    if (on) Pause(LinkTiming::kAfterPowerOnMs);
    Drain();
    if (done && !on) ++confirmedSwitchOffs_;
    return done;
}

}  // namespace halvane::link::Comm
