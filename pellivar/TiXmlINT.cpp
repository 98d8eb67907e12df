#include "pellivar/TiXmlINT.h"

#include <tinyxml2.h>

namespace pellivar {

bool TiXmlINT::ReadAttributes(const tinyxml2::XMLElement& element) {
    int v = 0;
    const bool present = ReadIntAttribute(element, "Value", v);
    value_.SetValue(present ? v : 0);
    value_.Validate();
    return present;
}

void TiXmlINT::WriteAttributes(tinyxml2::XMLElement& element) const { element.SetAttribute("Value", value_.Value()); }

bool TiXmlINT_OLD::ReadAttributes(const tinyxml2::XMLElement& element) {
    int v = 0;
    const bool present = ReadIntAttribute(element, "Value", v);
    value_ = present ? v : 0;
    return present;
}

void TiXmlINT_OLD::WriteAttributes(tinyxml2::XMLElement& element) const { element.SetAttribute("Value", value_); }

}  // namespace pellivar
