#include "halvane/link/Units.h"

#include "halvane/link/BztTolvarineV1.h"
#include "halvane/link/BztTolvarineV2.h"
#include "halvane/link/CBasicTessikPort.h"
#include "halvane/link/VuxV1Base.h"

#include <array>
#include <cassert>
#include <memory>

namespace halvane::link::ConTypes {

namespace {

constexpr std::array<int, 9> kCreationOrder = {5, 4, 2, 3, 0, 1, 6, 7, 8};

// One owning holder per unit, kept in creation order. Resetting a holder to
// the object it already holds is a broken invariant.
class UnitHolder {
public:
    void reset(UnitBase* p = nullptr) {
        assert(p == nullptr || p != px_.get());
        px_.reset(p);
    }

private:
    std::unique_ptr<UnitBase> px_;
};

std::array<UnitHolder, 9>& holders() {
    static std::array<UnitHolder, 9> h;
    return h;
}

UnitBase* newUnit(int model, Comm::CBasicTessikPort& port) {
    if (model <= 3) return new BztTolvarineV1(model, port);
    if (model <= 5) return new BztTolvarineV2(model, port);
    return new VuxV1Base(model, port);
}

}  // namespace

void CreateUnits(Comm::CBasicTessikPort& port) {
    DestroyUnits();
    for (std::size_t i = 0; i < kCreationOrder.size(); ++i) holders()[i].reset(newUnit(kCreationOrder[i], port));
}

void DestroyUnits() {
    for (auto& h : holders()) h.reset();
}

std::vector<UnitBase*> RegisteredUnits() { return UnitBase::Objects(); }

UnitBase* FindConnectedUnit(diagnostics::ConTypes::Progress* progress) {
    const std::vector<UnitBase*> units = RegisteredUnits();
    // What a failed walk reports is this walk's search, never an older one.
    if (!units.empty()) units.front()->Port().ForgetLastSearch();
    for (UnitBase* unit : units) {
        if (!unit->IsEnabled()) continue;
        if (unit->IsConnected()) {
            unit->SetProgress(progress);
            return unit;
        }
    }
    for (UnitBase* unit : units)
        if (unit->IsEnabled()) unit->Disconnect();
    return nullptr;
}

std::string NoUnitFoundText() {
    std::string text = kNoUnitFound;
    const std::vector<UnitBase*> units = RegisteredUnits();
    const std::string report = units.empty() ? std::string() : units.front()->Port().SearchReport();
    if (!report.empty()) text += "\n\n" + report;
    return text;
}

void ReleaseUnit(UnitBase*& holder) {
    if (holder == nullptr) return;
    holder->SetProgress(nullptr);
    holder->Disconnect();
    holder = nullptr;
}

}  // namespace halvane::link::ConTypes
