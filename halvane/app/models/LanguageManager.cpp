#include "halvane/app/models/LanguageManager.h"

#include "platform/StringTable.h"

#include <cstdio>

namespace halvane::app::models {

LanguageManager::LanguageManager(LanguageFiles& files, LocaleProvider& locales, platform::Profile& profile,
                                 LanguageId ownLanguage)
    : files_(files), locales_(locales), profile_(profile), own_(ownLanguage) {}

LanguageManager::~LanguageManager() { FreeLanguageModule(); }

void LanguageManager::SelectUiLanguage() {
    const int stored = profile_.getInt("", kProfileKey, 0);
    // Only the low 16 bits are a language id; anything else stored is no choice.
    const LanguageId candidates[] = {
        static_cast<LanguageId>(stored > 0 && stored <= 0xFFFF ? stored : 0),
        locales_.userUiLanguage(),
        locales_.systemUiLanguage(),
        locales_.userLanguage(),
        locales_.systemLanguage(),
    };
    for (const LanguageId candidate : candidates)
        if (TryLanguage(candidate)) return;
    language_ = own_;
    TryLanguage();
    language_ = own_;
}

bool LanguageManager::TryLanguage(LanguageId candidate) {
    language_ = candidate;
    return TryLanguage();
}

bool LanguageManager::TryLanguage() {
    const LanguageId candidate = language_;
    if (candidate == 0) return false;
    if (LoadLanguageModule()) return true;
    const unsigned primary = PrimaryLanguage(candidate);
    if (SubLanguage(candidate) != kSubLanguageNeutral) {
        language_ = MakeLanguageId(primary, kSubLanguageNeutral);
        if (LoadLanguageModule()) return true;
    }
    if (SubLanguage(candidate) == kSubLanguageDefault) return false;
    language_ = MakeLanguageId(primary, kSubLanguageDefault);
    return LoadLanguageModule();
}

bool LanguageManager::LoadLanguageModule() {
    if (language_ != 0 && language_ == own_) {
        FreeLanguageModule();
        return true;
    }
    const auto info = FindLanguage(language_);
    if (!info) return false;
    if (!files_.load(info->abbreviation)) return false;
    loaded_ = true;
    return true;
}

void LanguageManager::FreeLanguageModule() {
    if (!loaded_) return;
    files_.unload();
    loaded_ = false;
}

void LanguageManager::FindLanguageModules() {
    languages_.clear();
    if (own_ != 0) languages_.push_back(own_);
    for (const std::string& tag : files_.tags()) {
        if (languages_.size() >= static_cast<std::size_t>(kLastCommand - kFirstCommand + 1)) break;
        if (tag.empty()) continue;
        if (const LanguageId id = LanguageOfLocale(tag); id != 0) languages_.push_back(id);
    }
}

std::vector<LanguageMenuEntry> LanguageManager::MenuEntries() {
    FindLanguageModules();
    std::vector<LanguageMenuEntry> entries;
    for (std::size_t i = 0; i < languages_.size(); ++i) {
        const LanguageId id = languages_[i];
        entries.push_back({kFirstCommand + static_cast<int>(i), id, GetLanguageName(id), id == language_});
    }
    return entries;
}

std::optional<std::string> LanguageManager::peekNotice(LanguageId candidate) {
    // The same order as TryLanguage, reading instead of loading.
    std::vector<LanguageId> attempts{candidate};
    const unsigned primary = PrimaryLanguage(candidate);
    if (SubLanguage(candidate) != kSubLanguageNeutral)
        attempts.push_back(MakeLanguageId(primary, kSubLanguageNeutral));
    if (SubLanguage(candidate) != kSubLanguageDefault) attempts.push_back(MakeLanguageId(primary, kSubLanguageDefault));
    for (const LanguageId id : attempts) {
        if (id == own_) return std::string(kRestartNoticeText);
        const auto info = FindLanguage(id);
        if (!info) continue;
        if (auto text = files_.peekString(info->abbreviation, kRestartNotice)) return text;
    }
    return std::nullopt;
}

std::optional<std::string> LanguageManager::OnLanguageCommand(int command) {
    const int index = command - kFirstCommand;
    if (index < 0 || index >= static_cast<int>(languages_.size())) return std::nullopt;
    const LanguageId chosen = languages_[static_cast<std::size_t>(index)];
    profile_.setInt("", kProfileKey, chosen);
    // Read through the chosen file without installing it: the running
    // program keeps its texts whatever happens.
    if (auto notice = peekNotice(chosen)) return notice;
    const std::string inUse = platform::processStrings().text(kRestartNotice);
    return inUse.empty() ? std::string(kRestartNoticeText) : inUse;
}

std::string LanguageManager::GetLanguageName(LanguageId id) {
    std::string name = locales_.languageName(id);
    if (!name.empty()) return name;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%u - ???", static_cast<unsigned>(id));
    return buffer;
}

}  // namespace halvane::app::models
