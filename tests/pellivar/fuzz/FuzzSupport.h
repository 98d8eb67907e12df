#pragma once

// What both file-reader fuzz targets check after every input: whatever a
// file held, the document is left with values the processor accepts and
// curves it can draw and send, and a document that loaded writes a file
// that reads back to the very same text.

#include "pellivar/CPellivarDoc.h"
#include "platform/UserPrompt.h"

#include <cstdio>
#include <cstdlib>

namespace pellivar::fuzz {

// Answers every box at once (OK, or No to the conversion question).
class SilentPrompt final : public platform::UserPrompt {
protected:
    int show(const std::string&, const std::string&, unsigned flags, platform::WindowHandle) override {
        return platform::DefaultAnswer(flags);
    }
};

[[noreturn]] inline void fail(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

inline void checkDocument(const CPellivarDoc& doc, bool loaded) {
    for (int s = 0; s < CPellivarDoc::kSources; ++s)
        for (const SubscribedInt* v : doc.GetSourceSettings(s).List())
            if (!v->InRange(v->Value())) fail("a setting outside its range");
    for (const CGammaList& curve : doc.GetGammaLists())
        if (!curve.IsValid()) fail("a gamma curve that cannot be drawn or sent");
    if (!loaded) return;
    static SilentPrompt prompt;
    const std::string text = doc.XmlText();
    // A written file holds everything, so reading it overwrites the whole
    // of the document it is read into: one document serves every input.
    static CPellivarDoc again(nullptr, &prompt);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    if (again.LoadFromBytes({bytes, text.size()}) != CPellivarDoc::LoadResult::Xml) fail("a written file does not load");
    if (again.XmlText() != text) fail("a written file reads back differently");
}

}  // namespace pellivar::fuzz
