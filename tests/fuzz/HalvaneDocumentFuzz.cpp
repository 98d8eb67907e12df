// Any bytes as a Halvane project document, opened as the program opens it:
// read into a fresh document, then, for an older one, the post-load steps
// (group curves rebuilt, levels updated, targets recalculated under a host).
// A damaged file fails the open and changes nothing; an open never crashes,
// over-allocates or hangs.

#include "FuzzCheck.h"
#include "halvane/document/CHalvaneDoc.h"
#include "halvane/procedures/jobs/CrossoverTargetJobs.h"
#include "platform/UserPrompt.h"
#include "tests/support/TestProcHost.h"

#include <vector>

namespace {

class SilentPrompt final : public platform::UserPrompt {
protected:
    int show(const std::string&, const std::string&, unsigned flags, platform::WindowHandle) override {
        return platform::DefaultAnswer(flags);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static SilentPrompt prompt;
    testsupport::TestProcHost host;
    halvane::procedures::ProcedurePostLoad postLoad({}, &host);
    halvane::document::CHalvaneDoc doc(halvane::document::CHalvaneDoc::Services{nullptr, &prompt, &postLoad});
    const std::int32_t kindBefore = doc.m_nUnitKind;
    const bool ok = doc.LoadFromBytes(std::vector<std::uint8_t>(data, data + size));
    if (!ok && doc.m_nUnitKind != kindBefore) suitefuzz::fail("a failed open changed the document");
    return 0;
}
