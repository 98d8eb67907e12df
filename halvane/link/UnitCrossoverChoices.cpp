#include "halvane/link/UnitCrossoverChoices.h"

#include "halvane/link/UnitClassBase.h"
#include "platform/UserPrompt.h"

namespace halvane::link::UnitCrossoverChoices {

std::unique_ptr<design::ConTypes::CrossoverIterator> For(std::int32_t unitKind) {
    const ConTypes::UnitClassBase* unitClass = ConTypes::FindUnitClass(unitKind);
    if (unitClass == nullptr) {
        platform::CurrentUserPrompt().MessageBox(kNoUnitClassText, kCriticalCaption,
                                                 platform::MB_OK | platform::MB_ICONERROR);
        return nullptr;
    }
    std::unique_ptr<design::ConTypes::CrossoverIterator> choices = unitClass->NewCrossoverIterator();
    if (choices == nullptr || choices->Size() == 0) {
        platform::CurrentUserPrompt().MessageBox(kNoChoicesText, kCriticalCaption,
                                                 platform::MB_OK | platform::MB_ICONERROR);
        return nullptr;
    }
    return choices;
}

}  // namespace halvane::link::UnitCrossoverChoices
