#pragma once

namespace halvane::document {

class CHalvaneDoc;

// What an older document needs after it was read, before it is shown: the
// averaged measured curves rebuilt from the measurement sets, the reference
// level and channel trims recomputed, and the target curves regenerated (a
// modal progress job over the main window). The program supplies the
// procedures; the document calls them in this order.
class DocumentPostLoad {
public:
    virtual ~DocumentPostLoad() = default;
    virtual void RebuildGroupCurves(CHalvaneDoc& document) = 0;
    virtual void UpdateLevels(CHalvaneDoc& document) = 0;
    virtual void RunRecalcTarg(CHalvaneDoc& document) = 0;
};

}  // namespace halvane::document
