#pragma once

#include "halvane/app/models/LocaleProvider.h"

namespace halvane::app {

// The user's languages as the Qt locale reports them; Linux has no separate
// system languages (0).
class QtLocaleProvider final : public models::LocaleProvider {
public:
    models::LanguageId userUiLanguage() override;
    models::LanguageId systemUiLanguage() override { return 0; }
    models::LanguageId userLanguage() override;
    models::LanguageId systemLanguage() override { return 0; }
    std::string languageName(models::LanguageId id) override;
};

}  // namespace halvane::app
