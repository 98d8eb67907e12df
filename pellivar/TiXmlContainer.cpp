#include "pellivar/TiXmlContainer.h"

#include <cstdlib>
#include <tinyxml2.h>

namespace pellivar {

bool ReadIntAttribute(const tinyxml2::XMLElement& element, const char* name, int& value) {
    const char* text = element.Attribute(name);
    if (text == nullptr) return false;
    // atoi without its undefined overflow: strtol, then clamp to int.
    const long v = std::strtol(text, nullptr, 10);
    value = v > 2147483647L ? 2147483647 : v < -2147483647L - 1 ? -2147483647 - 1 : static_cast<int>(v);
    return true;
}

bool TiXmlContainer::FromXml(const tinyxml2::XMLElement& element) {
    if (!ReadAttributes(element)) return false;
    for (const auto& child : children_) {
        const tinyxml2::XMLElement* e = element.FirstChildElement(child->Name().c_str());
        if (e == nullptr) continue;
        if (!child->FromXml(*e)) return false;
    }
    return true;
}

tinyxml2::XMLElement* TiXmlContainer::ToXml(tinyxml2::XMLDocument& doc) const {
    tinyxml2::XMLElement* e = doc.NewElement(name_.c_str());
    WriteAttributes(*e);
    for (const auto& child : children_) e->InsertEndChild(child->ToXml(doc));
    return e;
}

}  // namespace pellivar
