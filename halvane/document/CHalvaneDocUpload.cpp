#include "halvane/document/CHalvaneDoc.h"

namespace halvane::document {

namespace {

const FilterSet& SetOf(const DocumentData::FilterSetArray& sets, int configuration, int rateSlot, int channel) {
    return sets.at(static_cast<std::size_t>(configuration))
        .at(static_cast<std::size_t>(rateSlot))
        .at(static_cast<std::size_t>(channel));
}

}  // namespace

std::int32_t CHalvaneDoc::FilterGain(int configuration, int rateSlot, int channel) const {
    return SetOf(FilterSets, configuration, rateSlot, channel).Gain;
}

const design::Biquad& CHalvaneDoc::FilterStage(int configuration, int rateSlot, int channel, int stage) const {
    return SetOf(FilterSets, configuration, rateSlot, channel).Stages.at(static_cast<std::size_t>(stage));
}

// "Measured in the Movie set" is a curve of the channel in the Movie
// measured slot (the spatial average of every position), likewise Music.
bool CHalvaneDoc::HasMeasuredCurve(int set, int channel) const {
    const signal::CCurveSet* curves = CurveSetSlot(set == 0 ? MeasuredMovie : MeasuredMusic);
    return curves != nullptr && curves->HasCurve(channel);
}

}  // namespace halvane::document
