// Any bytes as a ".kvx" file: the XML reader, and the older form behind it.

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static pellivar::fuzz::SilentPrompt prompt;
    pellivar::CPellivarDoc doc(nullptr, &prompt);
    const auto result = doc.LoadFromBytes({data, size});
    pellivar::fuzz::checkDocument(doc, result != pellivar::CPellivarDoc::LoadResult::Failed);
    return 0;
}
