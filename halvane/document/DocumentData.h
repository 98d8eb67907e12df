#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "halvane/design/TargetConfig.h"
#include "halvane/document/FilterSet.h"
#include "halvane/link/UnitClassLimits.h"
#include "halvane/signal/CCurveSet.h"
#include "halvane/signal/CMeasSet.h"

namespace halvane::document {

// Everything that belongs to one room: the contents of the project
// document, without its file name, modified flag or views. Movable, so an
// open can read into a fresh one and take it over only when the whole file
// was read.
//
// Curve-set slots: 0/1 measured (spatially averaged) Movie/Music; 2/3
// calculated; 4/5 targets; 6/7 the measurement sets (one curve set per
// listening position); 8/9 the measurement procedures' working copies of
// the measured curves; 10/11 the calculation job's new calculated curves.
// Slots 0-7 are stored in the file, 8-11 are not.
struct DocumentData {
    static constexpr int kConfigurations = 2;
    static constexpr int kRateSlots = 8;
    static constexpr int kChannels = 8;
    static constexpr int kSlots = 12;
    enum Slot : int {
        MeasuredMovie = 0, MeasuredMusic = 1,
        CalculatedMovie = 2, CalculatedMusic = 3,
        TargetMovie = 4, TargetMusic = 5,
        MeasSetMovie = 6, MeasSetMusic = 7,
        MeasuredCopyMovie = 8, MeasuredCopyMusic = 9,
        NewCalculatedMovie = 10, NewCalculatedMusic = 11,
    };
    // COLORREF values, 0x00BBGGRR.
    static constexpr std::uint32_t kMeasuredColour = 0x0000CC;
    static constexpr std::uint32_t kTargetColour = 0xCC0000;
    static constexpr std::uint32_t kCalculatedColour = 0x00CC00;

    struct CalibrationIdPair {
        std::int32_t First = 0;
        std::int32_t Second = -1;
        bool operator==(const CalibrationIdPair&) const = default;
    };
    using FilterSetArray = std::array<std::array<std::array<FilterSet, kChannels>, kRateSlots>, kConfigurations>;

    DocumentData();
    DocumentData(DocumentData&&) noexcept = default;
    DocumentData& operator=(DocumentData&&) noexcept = default;
    DocumentData(const DocumentData&) = delete;
    DocumentData& operator=(const DocumentData&) = delete;
    virtual ~DocumentData() = default;

    // The speaker configuration shown and worked on: 0 Movie, 1 Music.
    std::int32_t m_nConfig = 0;
    // The microphone calibration the last measurement used.
    CalibrationIdPair m_CalibrationIds;
    // 1 when the measurements come from a document older than version 19.
    std::int32_t m_bOlderVersion = 0;
    // The microphone correction kind of the last measurement (1, 2 or 3).
    std::int32_t m_nCorrectionKind = 1;
    // [configuration][sample-rate slot][channel].
    FilterSetArray FilterSets;
    design::TargetConfig m_TargetConfig;
    // Bytes of the last measurement's calibration data; the data is shared
    // with the measurement job and holds at least this many bytes.
    std::uint32_t m_nCalibrationSize = 0;
    std::shared_ptr<const std::vector<std::uint8_t>> m_CalibrationData;
    // The unit class the filters are designed for: 1, 2 or 4; 0 until known.
    std::int32_t m_nUnitKind = 0;
    // The sample-rate slots and stages per set in use: those of the unit
    // kind, or 8 and 10 while it is not known. They follow the unit kind, so
    // a job working on this document always has the document's own.
    link::UnitClassLimits Limits() const { return link::UnitClassLimits::ForUnitClassOrInitial(m_nUnitKind); }
    // Measured, target and calculated curve colours (not stored).
    std::array<std::uint32_t, 3> m_CurveColor{kMeasuredColour, kTargetColour, kCalculatedColour};

    // The curve set of a slot (0-5, 8-11), except that 2 means the measured
    // set of the current configuration (slot m_nConfig), as the views ask
    // for it. Null for the measurement-set slots 6 and 7 and out of range.
    signal::CCurveSet* GetCurveSet(int index);
    const signal::CCurveSet* GetCurveSet(int index) const;
    // The set stored in a slot (0-5, 8-11), with no substitution; null for
    // 6, 7 and out of range.
    signal::CCurveSet* CurveSetSlot(int slot);
    const signal::CCurveSet* CurveSetSlot(int slot) const;
    // The measurement set of slot 6 or 7; null otherwise.
    signal::CMeasSet* MeasSetSlot(int slot);
    const signal::CMeasSet* MeasSetSlot(int slot) const;
    // The measured set of the current configuration (slot m_nConfig).
    signal::CCurveSet& CurrentMeasuredSet();

    // Every filter set of both configurations, all 8 slots and all stages
    // back to the reset state.
    void ResetFilterSets();

    // Replaces the calibration data (null: none) and its size.
    void SetCalibrationData(std::shared_ptr<const std::vector<std::uint8_t>> data);

    // Empties every curve and measurement set, sets the older-version flag
    // 0, the correction kind 1, the calibration (0, -1) with no data, the
    // curve colours to their defaults and resets the filter sets. The
    // configuration, the unit kind and the target configuration stay.
    void ClearContents();

private:
    std::array<signal::CCurveSet, kSlots> curveSets_;  // slots 6 and 7 stay empty
    std::array<signal::CMeasSet, kConfigurations> measSets_;
};

}  // namespace halvane::document
