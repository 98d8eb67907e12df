#pragma once

#include <memory>
#include <string>
#include <vector>

namespace tinyxml2 {
class XMLDocument;
class XMLElement;
}  // namespace tinyxml2

namespace pellivar {

// One element of a settings document, with its child elements in order.
// Reading takes, for each child, the first element of the child's name; a
// missing child is skipped, a child that fails stops the reading (values
// read before it keep their new contents).
class TiXmlContainer {
public:
    explicit TiXmlContainer(std::string name) : name_(std::move(name)) {}
    virtual ~TiXmlContainer() = default;
    TiXmlContainer(const TiXmlContainer&) = delete;
    TiXmlContainer& operator=(const TiXmlContainer&) = delete;

    virtual bool FromXml(const tinyxml2::XMLElement& element);
    // A new element, owned by the document until the caller inserts it.
    virtual tinyxml2::XMLElement* ToXml(tinyxml2::XMLDocument& doc) const;
    virtual bool ReadAttributes(const tinyxml2::XMLElement& element) = 0;
    virtual void WriteAttributes(tinyxml2::XMLElement& element) const = 0;

    const std::string& Name() const { return name_; }
    const std::vector<std::unique_ptr<TiXmlContainer>>& Children() const { return children_; }

protected:
    void AddChild(std::unique_ptr<TiXmlContainer> child) { children_.push_back(std::move(child)); }

private:
    std::string name_;
    std::vector<std::unique_ptr<TiXmlContainer>> children_;
};

// Reads an attribute as the C library's atoi does ("12abc" is 12, "abc" is
// 0); false when the attribute is missing.
bool ReadIntAttribute(const tinyxml2::XMLElement& element, const char* name, int& value);

}  // namespace pellivar
