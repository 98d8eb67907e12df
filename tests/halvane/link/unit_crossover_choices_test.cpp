// A unit kind's crossover choices, asked of the unit classes before the
// design's crossover, level and target steps run.

#include "halvane/link/UnitCrossoverChoices.h"
#include "platform/ScriptedUserPrompt.h"
#include "platform/UserPrompt.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class PromptScope {
public:
    PromptScope() { platform::SetUserPrompt(&prompt); }
    ~PromptScope() { platform::SetUserPrompt(nullptr); }
    platform::ScriptedUserPrompt prompt;
};

std::vector<int> Frequencies(halvane::design::ConTypes::CrossoverIterator& it) {
    std::vector<int> out;
    halvane::design::ConTypes::CrossoverChoice c;
    for (it.Seek(0); it.Current(&c) != nullptr; it.Next()) out.push_back(c.first);
    return out;
}

}  // namespace

TEST(UnitCrossoverChoices, AnUnknownUnitKindIsReportedAndGivesNone) {
    PromptScope scope;
    for (int kind : {0, 3, 99}) EXPECT_EQ(halvane::link::UnitCrossoverChoices::For(kind), nullptr) << kind;
    const auto asks = scope.prompt.asks();
    ASSERT_EQ(asks.size(), 3u);
    for (const auto& a : asks) {
        EXPECT_EQ(a.text, "Critical Error (7257F592-B44A-4bf6-A1A3-43CEBE7433F1)");
        EXPECT_EQ(a.caption, "Error");
        EXPECT_EQ(a.flags & platform::MB_TYPEMASK, platform::MB_OK);
        EXPECT_EQ(a.flags & platform::MB_ICONMASK, platform::MB_ICONERROR);
    }
}

TEST(UnitCrossoverChoices, EachClassGivesItsListWithoutFlat) {
    PromptScope scope;
    for (int kind : {1, 2}) {
        auto choices = halvane::link::UnitCrossoverChoices::For(kind);
        ASSERT_NE(choices, nullptr) << kind;
        const auto hz = Frequencies(*choices);
        ASSERT_EQ(hz.size(), 28u);
        EXPECT_EQ(hz.front(), 25);
        EXPECT_EQ(hz.back(), 160);
    }
    auto receiver = halvane::link::UnitCrossoverChoices::For(4);
    ASSERT_NE(receiver, nullptr);
    EXPECT_EQ(Frequencies(*receiver), (std::vector<int>{60, 80, 100, 120, 150}));
    EXPECT_EQ(scope.prompt.askCount(), 0u);
}
