#pragma once

#include "pellivar/TiXmlContainer.h"
#include "pellivar/VideoSettingInfo.h"

namespace pellivar {

// <SourceSettings Source="name">: read only when "Source" is exactly the
// name of the container's own source.
class TiXmlSourceSettings : public TiXmlContainer {
public:
    TiXmlSourceSettings() : TiXmlContainer("SourceSettings") {}

    bool ReadAttributes(const tinyxml2::XMLElement& element) override;
    void WriteAttributes(tinyxml2::XMLElement& element) const override;

    virtual void SetSource(int source) { source_ = source; }
    int Source() const { return source_; }

protected:
    int source_ = SourceNames::kInvalid;
};

}  // namespace pellivar
