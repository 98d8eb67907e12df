// Any bytes as an older binary settings file: read only at exactly 1432
// bytes, and then as a whole or not at all. Inputs of other sizes would
// rarely get past that check, so each input is also read shaped to the size
// (cut, or filled with zeros): every input reaches the reader of the
// records.

#include "FuzzSupport.h"
#include "platform/ArchiveException.h"

#include <algorithm>
#include <vector>

namespace {

bool allDefaults(const pellivar::CPellivarDoc& doc) {
    for (int s = 0; s < pellivar::CPellivarDoc::kSources; ++s)
        for (const pellivar::SubscribedInt* v : doc.GetSourceSettings(s).List())
            if (v->Value() != v->Default()) return false;
    return true;
}

void Load(const std::uint8_t* data, std::size_t size) {
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
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Load(data, size);
    if (size != pellivar::CPellivarDoc::kOldFileBytes) {
        std::vector<std::uint8_t> shaped(pellivar::CPellivarDoc::kOldFileBytes, 0);
        std::copy_n(data, std::min(size, shaped.size()), shaped.begin());
        Load(shaped.data(), shaped.size());
    }
    return 0;
}
