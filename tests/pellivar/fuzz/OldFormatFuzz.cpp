// Any bytes as an older binary settings file: read only at exactly 1432
// bytes, and then as a whole or not at all.

#include "FuzzSupport.h"
#include "platform/ArchiveException.h"

namespace {

bool allDefaults(const pellivar::CPellivarDoc& doc) {
    for (int s = 0; s < pellivar::CPellivarDoc::kSources; ++s)
        for (const pellivar::SubscribedInt* v : doc.GetSourceSettings(s).List())
            if (v->Value() != v->Default()) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static pellivar::fuzz::SilentPrompt prompt;
    pellivar::CPellivarDoc doc(nullptr, &prompt);
    bool loaded = true;
    try {
        doc.LoadOldFormat({data, size});
    } catch (const platform::ArchiveException&) {
        loaded = false;
    }
    if (loaded != (size == pellivar::CPellivarDoc::kOldFileBytes)) pellivar::fuzz::fail("the size rule");
    if (!loaded && !allDefaults(doc)) pellivar::fuzz::fail("a refused file changed the document");
    pellivar::fuzz::checkDocument(doc, loaded);
    return 0;
}
