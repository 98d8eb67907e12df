#include "halvane/link/CBasicTessikPort.h"

#include "halvane/link/ModelTable.h"

namespace Comm {

namespace {

constexpr int kReceiverClass = 4;
constexpr int kPowerTries = 5;
constexpr int kPowerPasses = 5;
constexpr std::int64_t kSettleMs = 500;
constexpr std::int64_t kPassMs = 10000;
constexpr std::int64_t kAfterOnMs = 10000;
constexpr std::int64_t kAfterFailedQueryMs = 1000;

}  // namespace

bool CBasicTessikPort::QueryPower(int& state) {
    if (!IsOpen() || found_ == 0) return false;
    for (int attempt = 0; attempt < kPowerTries; ++attempt) {
        int value = -1;
        // No line end: the ";" ends the command.
        if (QueryValueSlow(value, "P1P?;", "%d", "\n", 3) && (value == 0 || value == 1)) {
            state = value;
            return true;
        }
        Reopen();
        Identify();
        clock_->sleepMs(kAfterFailedQueryMs);
        Drain();
    }
    return false;
}

// A state that could not be read is never taken for the wanted one: it
// neither skips the commands nor reports success.
bool CBasicTessikPort::SetPower(bool on) {
    if (!IsOpen() || found_ == 0) return false;
    const bool receiver = ConTypes::UnitClassOfModel(modelIndex_) == kReceiverClass;
    const auto reached = [&] {
        int state = 0;
        return QueryPower(state) && (state != 0) == on;
    };

    Drain();
    clock_->sleepMs(kSettleMs);
    bool done = reached();
    for (int pass = 0; !done && pass < kPowerPasses; ++pass) {
        if (on) {
            SendAndReceive(receiver ? "P1P1;" : "P1P1;P1VM-95.5\n", "\n");
        } else {
            SendAndReceive("P1P0\n", "\n");
            SendAndReceive("P2P0\n", "\n");
            if (!receiver) SendAndReceive("P3P0\n", "\n");
        }
        clock_->sleepMs(kPassMs);
        Drain();
        clock_->sleepMs(kSettleMs);
        done = reached();
    }
    if (on) clock_->sleepMs(kAfterOnMs);
    Drain();
    return done;
}

}  // namespace Comm
