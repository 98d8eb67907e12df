#include "halvane/link/UnitBase.h"

#include "halvane/diagnostics/Progress.h"
#include "halvane/link/CBasicTessikPort.h"
#include "halvane/link/ModelTable.h"

namespace halvane::link::ConTypes {

UnitBase::UnitBase(std::int32_t modelIndex, std::int32_t unitClass, Comm::CBasicTessikPort& port)
    : modelIndex_(modelIndex), unitClass_(unitClass), port_(&port) {}

// The port may ask a unit that is gone: it then hears "not aborted".
UnitBase::~UnitBase() { watched_->store(nullptr); }

void UnitBase::GetPortDescription(std::string& out) const { out = Port().GetPortText(); }

bool UnitBase::IsConnected() {
    Comm::CBasicTessikPort& port = Port();
    if ((!port.IsOpen() || port.Found() == 0) && !port.SearchAttempted()) {
        port.SetSearchAttempted(true);
        if (!port.FindUnit()) return false;
    }
    return port.ModelIndex() == modelIndex_;
}

void UnitBase::Disconnect() {
    Comm::CBasicTessikPort& port = Port();
    port.Close();
    port.SetSearchAttempted(false);
}

void UnitBase::SetProgress(diagnostics::ConTypes::Progress* progress) {
    progress_ = progress;
    watched_->store(progress);
    if (progress == nullptr) {
        Port().ClearInterrupt(this);
        return;
    }
    Port().SetInterrupt(
        [watched = watched_] {
            const diagnostics::ConTypes::Progress* p = watched->load();
            return p != nullptr && p->IsAborted() != 0;
        },
        this);
}

void UnitBase::GetModelName(std::string& out) const { out = ModelTableEntry(modelIndex_).displayName; }

std::string UnitBase::ModelName() const { return ModelTableEntry(modelIndex_).displayName; }

}  // namespace halvane::link::ConTypes
