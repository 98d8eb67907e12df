#include "halvane/document/DocumentData.h"

namespace halvane::document {

namespace {

bool IsMeasSetSlot(int slot) { return slot == DocumentData::MeasSetMovie || slot == DocumentData::MeasSetMusic; }

}  // namespace

DocumentData::DocumentData() { ResetFilterSets(); }

signal::CCurveSet* DocumentData::CurveSetSlot(int slot) {
    if (slot < 0 || slot >= kSlots || IsMeasSetSlot(slot)) return nullptr;
    return &curveSets_[static_cast<std::size_t>(slot)];
}

const signal::CCurveSet* DocumentData::CurveSetSlot(int slot) const {
    return const_cast<DocumentData*>(this)->CurveSetSlot(slot);
}

signal::CCurveSet* DocumentData::GetCurveSet(int index) {
    if (index == CalculatedMovie) return &CurrentMeasuredSet();
    return CurveSetSlot(index);
}

const signal::CCurveSet* DocumentData::GetCurveSet(int index) const {
    return const_cast<DocumentData*>(this)->GetCurveSet(index);
}

signal::CMeasSet* DocumentData::MeasSetSlot(int slot) {
    if (!IsMeasSetSlot(slot)) return nullptr;
    return &measSets_[static_cast<std::size_t>(slot - MeasSetMovie)];
}

const signal::CMeasSet* DocumentData::MeasSetSlot(int slot) const {
    return const_cast<DocumentData*>(this)->MeasSetSlot(slot);
}

signal::CCurveSet& DocumentData::CurrentMeasuredSet() {
    // A configuration other than Music reads as Movie, so a stray value
    // never indexes past the two measured sets.
    return curveSets_[m_nConfig == 1 ? MeasuredMusic : MeasuredMovie];
}

// Every slot and every stage, not only those the unit kind uses: a later
// conversion to a kind with more slots or stages must find reset filters
// there, never ones left from an earlier document.
void DocumentData::ResetFilterSets() {
    for (auto& config : FilterSets)
        for (auto& slot : config)
            for (FilterSet& set : slot) set.Reset();
}

void DocumentData::SetCalibrationData(std::shared_ptr<const std::vector<std::uint8_t>> data) {
    m_nCalibrationSize = data ? static_cast<std::uint32_t>(data->size()) : 0;
    m_CalibrationData = std::move(data);
}

void DocumentData::ClearContents() {
    for (signal::CCurveSet& set : curveSets_) set.Clear();
    for (signal::CMeasSet& set : measSets_) set.Clear();
    m_bOlderVersion = 0;
    m_nCorrectionKind = 1;
    m_CalibrationIds = {};
    SetCalibrationData(nullptr);
    m_CurveColor = {kMeasuredColour, kTargetColour, kCalculatedColour};
    ResetFilterSets();
}

}  // namespace halvane::document
