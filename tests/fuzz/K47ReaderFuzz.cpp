// Any bytes as a ".k47" settings file: the reader refuses it with a text or
// takes its records, and reading the same text again takes exactly the same
// bytes (nothing depends on what a previous file left behind).

#include "FuzzCheck.h"
#include "marnoch/SettingsFile.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    marnoch::SettingsImage staging;
    std::bitset<marnoch::SettingsImage::kSize> covered;
    std::string text;
    const bool ok = marnoch::ParseSettingsText(content, staging, covered, text);
    if (!ok && text.empty()) suitefuzz::fail("a refused file without a text");
    if (!ok) return 0;

    marnoch::SettingsImage again;
    std::bitset<marnoch::SettingsImage::kSize> coveredAgain;
    std::string textAgain;
    if (!marnoch::ParseSettingsText(content, again, coveredAgain, textAgain) || coveredAgain != covered)
        suitefuzz::fail("the same file read twice gave different records");
    for (std::size_t a = 0; a < covered.size(); ++a)
        if (covered[a] && staging[a] != again[a]) suitefuzz::fail("the same record read twice gave different bytes");
    return 0;
}
