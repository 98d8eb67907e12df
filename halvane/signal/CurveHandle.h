#pragma once

#include <memory>

namespace halvane::signal {

class CCurve;

// The answer of a curve operation that may hand back its own source
// (CCurve::ResampleTo, CCurve::ToUniformGrid): either that very curve,
// untouched, or a new curve that the handle owns. Callers use it like a
// pointer and never delete the source by mistake.
class CurveHandle {
public:
    explicit CurveHandle(CCurve& source) : curve_(&source) {}
    explicit CurveHandle(std::unique_ptr<CCurve> made) : owned_(std::move(made)), curve_(owned_.get()) {}

    CCurve* get() const { return curve_; }
    CCurve& operator*() const { return *curve_; }
    CCurve* operator->() const { return curve_; }
    // True when the operation answered with its source curve itself.
    bool IsSource() const { return owned_ == nullptr; }
    // The new curve, for a caller that keeps it; null when the answer was
    // the source itself.
    std::unique_ptr<CCurve> Release() {
        curve_ = owned_ ? nullptr : curve_;
        return std::move(owned_);
    }

private:
    std::unique_ptr<CCurve> owned_;
    CCurve* curve_;
};

}  // namespace halvane::signal
