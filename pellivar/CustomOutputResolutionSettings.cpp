#include "pellivar/CustomOutputResolutionSettings.h"

#include "pellivar/TiXmlINT.h"

namespace pellivar {

CustomOutputResolutionSettings::CustomOutputResolutionSettings(UnitLink* link)
    : TiXmlContainer("CustomOutputResolutionSettings") {
    for (std::size_t i = 0; i < values_.size(); ++i) {
        values_[i] = std::make_unique<SubscribedInt>(kDefaults[i], kPrefix, CommandSpec::kDecimal, kChannels[i], link);
        AddChild(std::make_unique<TiXmlINT>(kKeys[i], *values_[i]));
    }
    AddChild(std::make_unique<TiXmlINT_OLD>(kPixelRateKey, pixelRate_));
}

void CustomOutputResolutionSettings::LoadFormat(const std::array<int, 13>& row) {
    Value(TotalHSize).SetValue(row[2]);
    Value(ActiveHSize).SetValue(row[1]);
    Value(TotalVSize).SetValue(row[6]);
    Value(ActiveVSize).SetValue(row[5]);
    Value(HSyncStart).SetValue(row[3]);
    Value(HSyncEnd).SetValue(row[4]);
    Value(VSyncStart).SetValue(row[7]);
    Value(VSyncEnd).SetValue(row[8]);
    Value(ActiveF1Size).SetValue(row[10]);
    Value(BlankF1Size).SetValue(row[9]);
    Value(OffsetF1F2).SetValue(row[11]);
    pixelRate_ = row[12];
}

void CustomOutputResolutionSettings::SubscribeReplies() {
    for (auto& v : values_) v->SubscribeReplies();
}

void CustomOutputResolutionSettings::SetLink(UnitLink* link) {
    for (auto& v : values_) v->SetLink(link);
}

}  // namespace pellivar
