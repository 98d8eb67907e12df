#include "halvane/design/CCurveCorrectionManager.h"

#include <cmath>

#include "halvane/design/CorrectionTables.h"

namespace halvane::design {

namespace {

constexpr double kModeGainDb[] = {-22.3, 29.13, -7.52};

// The correction's smoothing: a third octave onto 25 points per octave
// from 5 Hz to 24 kHz.
constexpr double kSmoothingWidth = 3.0;
constexpr int kSmoothingPerOctave = 25;
constexpr double kSmoothingLow = 5.0;
constexpr double kSmoothingHigh = 24000.0;

}  // namespace

double CorrectionTableFrequency(int row) { return 10.0 * std::exp2(row / 25.0); }

std::unique_ptr<signal::CCurve> MakeCorrectionTableCurve(int table) {
    const auto& rows = table == 1 ? kCorrectionTableA : kCorrectionTableB;
    auto curve = std::make_unique<signal::CCurve>(kCorrectionTableRows, signal::CIndexVector::Frequency, signal::CComplexVector::Decibel);
    for (int k = 0; k < kCorrectionTableRows; ++k) {
        curve->X()[k] = CorrectionTableFrequency(k);
        curve->A()[k] = rows[k].level;
        curve->B()[k] = rows[k].phase;
    }
    return curve;
}

double CCurveCorrectionManager::ModeGain(int mode) {
    if (mode < 1 || mode > 3) return 1.0;
    return std::pow(10.0, kModeGainDb[mode - 1] / 20.0);
}

std::shared_ptr<CCurveCorrectionManager> CCurveCorrectionManager::Create(int mode, const signal::CCurve& templateCurve) {
    if (mode < 1 || mode > 3) return nullptr;
    std::shared_ptr<CCurveCorrectionManager> manager(new CCurveCorrectionManager());
    manager->mode_ = mode;
    templateCurve.CopyTo(manager->reference_);
    manager->reference_.SetName(templateCurve.Name());
    signal::CCurve& correction = manager->correction_;
    templateCurve.CopyTo(correction);
    correction.MultiplyByComplex(ModeGain(mode), 0.0);
    if (mode == 1 || mode == 3) {
        std::unique_ptr<signal::CCurve> table = MakeCorrectionTableCurve(mode == 1 ? 1 : 2);
        table->Multiply(correction);
        table->CopyTo(correction);
    }
    correction.Smooth(kSmoothingWidth, kSmoothingPerOctave, kSmoothingLow, kSmoothingHigh);
    correction.ToPolar();
    return manager;
}

void CCurveCorrectionManager::Apply(signal::CCurve& curve) const {
    signal::CurveHandle onGrid = curve.ResampleTo(correction_);
    onGrid->Divide(correction_);
    if (!onGrid.IsSource()) onGrid->CopyTo(curve);
}

void MakeCorrectionCurve(signal::CCurve& curve, int type) {
    if (type != 1 && type != 2) return;
    std::unique_ptr<signal::CCurve> table = MakeCorrectionTableCurve(type);
    curve.Divide(*table);
}

}  // namespace halvane::design
