#pragma once

#include <cstdint>
#include <list>

#include "halvane/app/models/CurveEntry.h"
#include "halvane/signal/CComplexVector.h"
#include "halvane/signal/DbleVect.h"

namespace halvane::signal {
class CCurveSet;
}

namespace halvane::document {
class AppState;
}
namespace halvane::document {
struct DocumentData;
}

namespace halvane::app::models {


// The View menu's switches as the graph view reads them for one paint.
struct ViewSwitches {
    std::int32_t ShowTargets = 1;
    std::int32_t TargetsOnTop = 1;
    std::int32_t CurveDisplayFlags = 3;  // bit 0 measured, bit 1 calculated

    static ViewSwitches Of(const document::AppState& app);
};

// What a pane shows on its axes: a frequency or a time domain, the y-axis
// kind of CGraph (2 decibels) and whether the phase is shown instead of the
// level.
struct PaneAxes {
    static constexpr int kDecibel = 2;  // CGraph::YDecibel
    bool timeDomain = false;
    int yKind = kDecibel;
    bool phaseShown = false;
};

// The curves one pane of the graph view draws, in drawing order: targets
// (dotted, thinnest) first unless they go on top, then the measured and the
// calculated curves (solid, 0.4 mm), then the targets when on top; each in
// the document's colour of its kind and only when its switch is on.
//
// The values drawn are copies: the document's curves are read, never
// converted in place, because a job's worker may be converting or replacing
// the same curves while the view paints. The copies live in this object
// until the next Fill or Clear, and the entries point into them.
class PaneCurves {
public:
    static constexpr int kSolid = 0;
    static constexpr int kDotted = 2;
    static constexpr int kTargetPenWidth = 1;
    static constexpr int kCurvePenWidth = 4;

    // Indices into DocumentData::m_CurveColor.
    enum ColourIndex : int { MeasuredColour = 0, TargetColour = 1, CalculatedColour = 2 };

    // Appends the entries of `channel`'s pane to `curves`, from the sets of
    // the document's configuration. Without a document or for a channel
    // outside 0..7 nothing is appended. A set without a curve for the channel, or
    // whose curve lies on another domain than the pane's (frequency curves
    // on a frequency pane, time curves on a time pane), adds nothing.
    void Fill(const document::DocumentData* doc, const ViewSwitches& switches, int channel, const PaneAxes& axes,
              CurveList& curves);
    // Drops the copies (the entries handed out before become invalid).
    void Clear() { copies_.clear(); }
    std::size_t CopyCount() const { return copies_.size(); }

private:
    struct Copy {
        signal::DbleVect x;
        signal::CComplexVector values;
    };
    void Add(const signal::CCurveSet* set, int channel, const PaneAxes& axes, int penStyle, int penWidth,
             std::uint32_t colour, CurveList& curves);

    std::list<Copy> copies_;  // a list: entries keep pointing at its elements
};

}  // namespace halvane::app::models
