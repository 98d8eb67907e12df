#pragma once

#include "halvane/app/models/LanguageTable.h"

#include <string>

namespace halvane::app::models {

// The user's and the system's languages, and the names of languages.
class LocaleProvider {
public:
    virtual ~LocaleProvider() = default;
    virtual LanguageId userUiLanguage() = 0;
    virtual LanguageId systemUiLanguage() = 0;
    virtual LanguageId userLanguage() = 0;
    virtual LanguageId systemLanguage() = 0;
    // The language's own name ("Deutsch"), else its name in the language in
    // use; empty when neither is known.
    virtual std::string languageName(LanguageId id) = 0;
};

}  // namespace halvane::app::models
