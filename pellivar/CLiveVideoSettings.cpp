#include "pellivar/CLiveVideoSettings.h"

#include "pellivar/TiXmlINT.h"


namespace pellivar {

CLiveVideoSettings::CLiveVideoSettings(UnitLink* link) {
    for (std::size_t i = 0; i < values_.size(); ++i) {
        const VideoSettingInfo& info = kVideoSettings[i];
        values_[i] = std::make_unique<SubscribedInt>(SubscribedInt::Ranged{}, info.def, info.prefix,
                                                     CommandSpec::kDecimal, info.minimum, info.maximum, link);
        AddChild(std::make_unique<TiXmlINT>(info.xmlKey, *values_[i]));
    }
    for (const int i : kVideoSettingListOrder) list_.push_back(values_[static_cast<std::size_t>(i)].get());
}

void CLiveVideoSettings::SetSource(int source) {
    TiXmlSourceSettings::SetSource(source);
    for (SubscribedInt* v : list_) {
        v->SetChannel(source);
        v->SubscribeReplies();
    }
}

void CLiveVideoSettings::QueryAll() {
    for (SubscribedInt* v : list_) v->SendQuery();
}

void CLiveVideoSettings::SetAll() {
    for (SubscribedInt* v : list_) v->SendSet();
}

SubscribedInt* CLiveVideoSettings::Find(const std::string& xmlKey) {
    for (std::size_t i = 0; i < values_.size(); ++i)
        if (xmlKey == kVideoSettings[i].xmlKey) return values_[i].get();
    return nullptr;
}

void CLiveVideoSettings::SetLink(UnitLink* link) {
    for (SubscribedInt* v : list_) v->SetLink(link);
}

void CLiveVideoSettings::ResetToDefaults() {
    for (SubscribedInt* v : list_) v->SetValue(v->Default());
}

}  // namespace pellivar
