#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace halvane::app::models {

// Language ids in the 16-bit Windows form: the primary language in the low
// 10 bits, the sublanguage in the high 6 (0 neutral, 1 default).
using LanguageId = std::uint16_t;

constexpr LanguageId MakeLanguageId(unsigned primary, unsigned sublanguage) {
    return static_cast<LanguageId>((sublanguage << 10) | (primary & 0x3FF));
}
constexpr unsigned PrimaryLanguage(LanguageId id) { return id & 0x3FFu; }
constexpr unsigned SubLanguage(LanguageId id) { return id >> 10; }

constexpr unsigned kSubLanguageNeutral = 0;
constexpr unsigned kSubLanguageDefault = 1;

// The program's own language (its built-in texts): English (United States).
constexpr LanguageId kOwnLanguage = 0x0409;

// One known language: its id, the three-letter abbreviation that names its
// file ("DEU" in halvaneDEU.qm) and its locale name ("de_DE"). Neutral ids
// have no entry: a neutral candidate finds no file of its own, and the
// fallback goes on to the default sublanguage.
struct LanguageInfo {
    LanguageId id;
    const char* abbreviation;
    const char* locale;
};

std::optional<LanguageInfo> FindLanguage(LanguageId id);

// The id of a locale name as Qt and translation files give it ("de_DE",
// "de-DE", "de"): a known language and territory gives its id; a known
// language alone (or with an unknown territory) gives the neutral id of its
// primary language; anything else 0.
LanguageId LanguageOfLocale(std::string_view name);

}  // namespace halvane::app::models
