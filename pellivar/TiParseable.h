#pragma once

namespace tinyxml2 {
class XMLDocument;
class XMLElement;
}  // namespace tinyxml2

namespace pellivar {

// An object that reads itself from one element of a document and writes
// itself as a new element.
class TiParseable {
public:
    virtual ~TiParseable() = default;
    // True on success.
    virtual bool FromXml(const tinyxml2::XMLElement& element) = 0;
    // A new element, owned by `doc` until the caller inserts it.
    virtual tinyxml2::XMLElement* ToXml(tinyxml2::XMLDocument& doc) const = 0;
};

}  // namespace pellivar
