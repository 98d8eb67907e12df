#include "halvane/app/models/LanguageTable.h"

#include <array>

namespace halvane::app::models {

namespace {

// Ids and abbreviations as the Windows locale tables publish them
// (LOCALE_SABBREVLANGNAME).
constexpr std::array<LanguageInfo, 38> kLanguages{{
    {0x0409, "ENU", "en_US"}, {0x0809, "ENG", "en_GB"}, {0x0C09, "ENA", "en_AU"}, {0x1009, "ENC", "en_CA"},
    {0x0407, "DEU", "de_DE"}, {0x0807, "DES", "de_CH"}, {0x0C07, "DEA", "de_AT"}, {0x040C, "FRA", "fr_FR"},
    {0x080C, "FRB", "fr_BE"}, {0x0C0C, "FRC", "fr_CA"}, {0x100C, "FRS", "fr_CH"}, {0x0C0A, "ESN", "es_ES"},
    {0x080A, "ESM", "es_MX"}, {0x0410, "ITA", "it_IT"}, {0x0810, "ITS", "it_CH"}, {0x0413, "NLD", "nl_NL"},
    {0x0813, "NLB", "nl_BE"}, {0x0411, "JPN", "ja_JP"}, {0x0804, "CHS", "zh_CN"}, {0x0404, "CHT", "zh_TW"},
    {0x0419, "RUS", "ru_RU"}, {0x0416, "PTB", "pt_BR"}, {0x0816, "PTG", "pt_PT"}, {0x041D, "SVE", "sv_SE"},
    {0x0406, "DAN", "da_DK"}, {0x0414, "NOR", "nb_NO"}, {0x040B, "FIN", "fi_FI"}, {0x0415, "PLK", "pl_PL"},
    {0x0405, "CSY", "cs_CZ"}, {0x040E, "HUN", "hu_HU"}, {0x0412, "KOR", "ko_KR"}, {0x041F, "TRK", "tr_TR"},
    {0x0408, "ELL", "el_GR"}, {0x0422, "UKR", "uk_UA"}, {0x0418, "ROM", "ro_RO"}, {0x041B, "SKY", "sk_SK"},
    {0x0424, "SLV", "sl_SI"}, {0x041A, "HRV", "hr_HR"},
}};

struct Primary {
    const char* code;
    unsigned primary;
};

constexpr std::array<Primary, 26> kPrimaries{{
    {"en", 0x09}, {"de", 0x07}, {"fr", 0x0C}, {"es", 0x0A}, {"it", 0x10}, {"nl", 0x13}, {"ja", 0x11},
    {"zh", 0x04}, {"ru", 0x19}, {"pt", 0x16}, {"sv", 0x1D}, {"da", 0x06}, {"nb", 0x14}, {"no", 0x14},
    {"fi", 0x0B}, {"pl", 0x15}, {"cs", 0x05}, {"hu", 0x0E}, {"ko", 0x12}, {"tr", 0x1F}, {"el", 0x08},
    {"uk", 0x22}, {"ro", 0x18}, {"sk", 0x1B}, {"sl", 0x24}, {"hr", 0x1A},
}};

}  // namespace

std::optional<LanguageInfo> FindLanguage(LanguageId id) {
    for (const LanguageInfo& info : kLanguages)
        if (info.id == id) return info;
    return std::nullopt;
}

LanguageId LanguageOfLocale(std::string_view name) {
    std::string normal(name);
    for (char& c : normal)
        if (c == '-') c = '_';
    // Drop an encoding or modifier ("de_DE.UTF-8", "de_DE@euro").
    if (const auto cut = normal.find_first_of(".@"); cut != std::string::npos) normal.resize(cut);
    for (const LanguageInfo& info : kLanguages)
        if (normal == info.locale) return info.id;
    const std::string language = normal.substr(0, normal.find('_'));
    for (const Primary& p : kPrimaries)
        if (language == p.code) return MakeLanguageId(p.primary, kSubLanguageNeutral);
    return 0;
}

}  // namespace halvane::app::models
