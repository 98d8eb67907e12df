#pragma once

#include "pellivar/SubscribedInt.h"
#include "pellivar/TiXmlContainer.h"

namespace pellivar {

// <Key Value="n"/> bound to a setting. A missing "Value" reads as 0, is
// validated (a ranged setting whose range excludes 0 gets its default) and
// fails the element.
class TiXmlINT final : public TiXmlContainer {
public:
    TiXmlINT(std::string key, SubscribedInt& value) : TiXmlContainer(std::move(key)), value_(value) {}
    bool ReadAttributes(const tinyxml2::XMLElement& element) override;
    void WriteAttributes(tinyxml2::XMLElement& element) const override;

private:
    SubscribedInt& value_;
};

// The same for a plain int, without validation.
class TiXmlINT_OLD final : public TiXmlContainer {
public:
    TiXmlINT_OLD(std::string key, int& value) : TiXmlContainer(std::move(key)), value_(value) {}
    bool ReadAttributes(const tinyxml2::XMLElement& element) override;
    void WriteAttributes(tinyxml2::XMLElement& element) const override;

private:
    int& value_;
};

}  // namespace pellivar
