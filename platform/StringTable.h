#pragma once

#include <map>
#include <optional>
#include <shared_mutex>
#include <string>

namespace platform {

// The program's string table: resource id -> user-facing text. Each program
// registers its built-in (English) entries at start-up; a language library
// then lays its translations over them. Lookups come from any thread (a worker
// raising an error by id); changes come from the user-interface thread.
class StringTable {
public:
    // Adds or replaces a built-in entry. It stays visible until a loaded
    // language replaces it, and comes back when the language is unloaded.
    void setBuiltIn(int id, std::string text);

    // Lays a language's entries over the built-in ones, replacing the
    // previously loaded language.
    void loadLanguage(std::map<int, std::string> entries);
    void unloadLanguage();

    // The entry for `id`, or nothing when neither layer holds it.
    std::optional<std::string> find(int id) const;
    // The entry for `id`; an empty text when there is none (as LoadString).
    std::string text(int id) const;
    bool contains(int id) const { return find(id).has_value(); }

private:
    mutable std::shared_mutex mutex_;
    std::map<int, std::string> builtIn_;
    std::map<int, std::string> language_;
};

// The process-wide table every program looks its texts up in.
StringTable& processStrings();

}  // namespace platform
