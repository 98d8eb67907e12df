// Any bytes as the replies Marnoch's processor gives to "?\n" and after a
// loader speed change, line by line: every reading of them ends, and a model
// read from a reply is one the program knows a text for or "none".

#include "FuzzCheck.h"
#include "marnoch/UnitPatterns.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string line;
    auto feed = [&] {
        const marnoch::FirstPassMatch first = marnoch::MatchFirstPass(line);
        if (first.kind == marnoch::FirstPassMatch::None && first.model != marnoch::kModelNone)
            suitefuzz::fail("a model without a match");
        for (const bool probe : {false, true}) {
            if (marnoch::PassesAcceptance(line, probe)) {
                const int model = marnoch::ModelOfReply(line, probe);
                if (model < 0 || model > marnoch::kModelNone) suitefuzz::fail("a model code out of range");
                (void)marnoch::FoundText(model);
            }
        }
        (void)marnoch::IsLoaderBanner(line);
        line.clear();
    };
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == '\n') feed();
        else line.push_back(static_cast<char>(data[i]));
    }
    feed();
    return 0;
}
