#pragma once

#include "halvane/app/models/LanguageFiles.h"
#include "halvane/app/models/LanguageTable.h"
#include "halvane/app/models/LocaleProvider.h"
#include "platform/Profile.h"

#include <optional>
#include <string>
#include <vector>

namespace halvane::app::models {

// One entry of the Tools > Languages menu.
struct LanguageMenuEntry {
    int command = 0;  // 28416 + index
    LanguageId language = 0;
    std::string text;
    bool checked = false;
};

// Picks the language of the user interface at start-up, lists the language
// files for the menu and stores the user's choice for the next start.
class LanguageManager {
public:
    static constexpr int kFirstCommand = 28416;
    static constexpr int kLastCommand = 28671;  // the menu offers at most 256 languages
    static constexpr int kLanguagesCommand = 32784;
    static constexpr int kRestartNotice = 457;
    static constexpr const char* kRestartNoticeText =
        "Halvane must be restarted for changes to the language to take effect.";
    static constexpr const char* kProfileKey = "LanguageId";

    LanguageManager(LanguageFiles& files, LocaleProvider& locales, platform::Profile& profile,
                    LanguageId ownLanguage = kOwnLanguage);
    ~LanguageManager();
    LanguageManager(const LanguageManager&) = delete;
    LanguageManager& operator=(const LanguageManager&) = delete;

    // Tries the stored choice, the user's and the system's interface
    // languages, the user's and the system's languages and the program's
    // own, and keeps the first that loads. Afterwards `language()` is the
    // language in use (the program's own when nothing loaded).
    void SelectUiLanguage();
    // The candidate in `language()` or a near relative: the id itself, its
    // primary language neutral, then (unless the sublanguage was already
    // the default) with the default sublanguage. `language()` keeps the id
    // of the last attempt.
    bool TryLanguage();
    bool TryLanguage(LanguageId candidate);
    bool LoadLanguageModule();
    void FreeLanguageModule();
    void FindLanguageModules();

    // The menu: the program's own language first, then every file found,
    // the language in use checked.
    std::vector<LanguageMenuEntry> MenuEntries();
    // The user chose menu command `command`: stores the language for the
    // next start and returns the notice to show, in the chosen language;
    // none for a command outside the list.
    std::optional<std::string> OnLanguageCommand(int command);

    std::string GetLanguageName(LanguageId id);

    LanguageId language() const { return language_; }
    LanguageId ownLanguage() const { return own_; }
    const std::vector<LanguageId>& languages() const { return languages_; }
    bool moduleLoaded() const { return loaded_; }

private:
    // The notice as the file that TryLanguage(candidate) would load gives it.
    std::optional<std::string> peekNotice(LanguageId candidate);

    LanguageFiles& files_;
    LocaleProvider& locales_;
    platform::Profile& profile_;
    std::vector<LanguageId> languages_;
    LanguageId own_;
    LanguageId language_ = 0;
    bool loaded_ = false;
};

}  // namespace halvane::app::models
