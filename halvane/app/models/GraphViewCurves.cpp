#include "halvane/app/models/GraphViewCurves.h"

#include "halvane/document/AppState.h"
#include "halvane/document/DocumentData.h"
#include "halvane/signal/CCurveSet.h"
#include "halvane/signal/CIndexVector.h"
#include "halvane/signal/ChannelTable.h"

namespace halvane::app::models {

ViewSwitches ViewSwitches::Of(const document::AppState& app) {
    return {app.ShowTargets.load(), app.TargetsOnTop.load(), app.CurveDisplayFlags.load()};
}

void PaneCurves::Fill(const document::DocumentData* doc, const ViewSwitches& switches, int channel, const PaneAxes& axes,
                      CurveList& curves) {
    copies_.clear();
    if (doc == nullptr || !signal::ChannelTable::IsChannel(channel)) return;
    // As the document reads its current measured set: anything but Music
    // is Movie.
    const int c = doc->m_nConfig == 1 ? 1 : 0;
    const auto& colours = doc->m_CurveColor;
    const signal::CCurveSet* targets = doc->CurveSetSlot(document::DocumentData::TargetMovie + c);
    const bool targetsShown = switches.ShowTargets != 0;
    const bool onTop = switches.TargetsOnTop != 0;

    if (targetsShown && !onTop)
        Add(targets, channel, axes, kDotted, kTargetPenWidth, colours[TargetColour], curves);
    if ((switches.CurveDisplayFlags & document::AppState::ShowMeasured) != 0)
        Add(doc->CurveSetSlot(document::DocumentData::MeasuredMovie + c), channel, axes, kSolid, kCurvePenWidth,
            colours[MeasuredColour], curves);
    if ((switches.CurveDisplayFlags & document::AppState::ShowCalculated) != 0)
        Add(doc->CurveSetSlot(document::DocumentData::CalculatedMovie + c), channel, axes, kSolid, kCurvePenWidth,
            colours[CalculatedColour], curves);
    if (targetsShown && onTop)
        Add(targets, channel, axes, kDotted, kTargetPenWidth, colours[TargetColour], curves);
}

void PaneCurves::Add(const signal::CCurveSet* set, int channel, const PaneAxes& axes, int penStyle, int penWidth,
                     std::uint32_t colour, CurveList& curves) {
    if (set == nullptr) return;
    const signal::CCurve* curve = set->Find(channel);
    if (curve == nullptr) return;
    // The curve's domain against the pane's: a frequency pane draws
    // frequency curves only, a time pane time curves only.
    const int paneDomain = axes.timeDomain ? signal::CIndexVector::Time : signal::CIndexVector::Frequency;
    if (curve->AxisKind() != paneDomain) return;

    Copy& copy = copies_.emplace_back(Copy{curve->Axis().Values(), curve->Values()});
    if (axes.yKind == PaneAxes::kDecibel)
        copy.values.ToDecibel();
    else
        copy.values.ToPolar();
    CurveEntry entry;
    entry.penStyle = penStyle;
    entry.penWidth = penWidth;
    entry.colour = colour;
    entry.x = &copy.x;
    entry.y = axes.phaseShown ? &copy.values.B() : &copy.values.A();
    curves.push_back(entry);
}

}  // namespace halvane::app::models
