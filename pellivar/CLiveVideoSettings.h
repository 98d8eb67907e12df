#pragma once

#include "pellivar/SubscribedInt.h"
#include "pellivar/TiXmlSourceSettings.h"
#include "pellivar/UnitLink.h"
#include "pellivar/VideoSettingInfo.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace pellivar {

// The 36 video settings of one source. Binding it to a source gives every
// value that source's channel character and its own reply subscription, so
// a reply for source 12 reaches only the values of source 12.
class CLiveVideoSettings final : public TiXmlSourceSettings {
public:
    explicit CLiveVideoSettings(UnitLink* link = nullptr);

    // Channel := source for every value, then subscribe every value.
    void SetSource(int source) override;
    // Every value's query / set command, in list order.
    void QueryAll();
    void SetAll();

    SubscribedInt& Value(VideoSetting s) { return *values_[static_cast<std::size_t>(s)]; }
    const SubscribedInt& Value(VideoSetting s) const { return *values_[static_cast<std::size_t>(s)]; }
    // By document key; null for an unknown key.
    SubscribedInt* Find(const std::string& xmlKey);
    // The values in list order (the wire order of QueryAll and SetAll).
    const std::vector<SubscribedInt*>& List() const { return list_; }

    void SetLink(UnitLink* link);
    // Every value back to its default (no notification, nothing sent).
    void ResetToDefaults();

private:
    std::array<std::unique_ptr<SubscribedInt>, kVideoSettingCount> values_;
    std::vector<SubscribedInt*> list_;
};

}  // namespace pellivar
