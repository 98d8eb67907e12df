#pragma once

#include "halvane/app/models/LocaleProvider.h"

namespace halvane {

// The user's languages as the Qt locale reports them; Linux has no separate
// system languages (0).
class QtLocaleProvider final : public LocaleProvider {
public:
    LanguageId userUiLanguage() override;
    LanguageId systemUiLanguage() override { return 0; }
    LanguageId userLanguage() override;
    LanguageId systemLanguage() override { return 0; }
    std::string languageName(LanguageId id) override;
};

}  // namespace halvane
