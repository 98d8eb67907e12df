#include "pellivar/TiXmlSourceSettings.h"

#include <cstring>
#include <tinyxml2.h>

namespace pellivar {

int SourceNames::find(const char* name) {
    if (name == nullptr) return -1;
    for (int i = 0; i < kCount; ++i)
        if (std::strcmp(kNames[static_cast<std::size_t>(i)], name) == 0) return i;
    return -1;
}

bool TiXmlSourceSettings::ReadAttributes(const tinyxml2::XMLElement& element) {
    const char* source = element.Attribute("Source");
    return source != nullptr && std::strcmp(source, SourceNames::name(source_)) == 0;
}

void TiXmlSourceSettings::WriteAttributes(tinyxml2::XMLElement& element) const {
    element.SetAttribute("Source", SourceNames::name(source_));
}

}  // namespace pellivar
