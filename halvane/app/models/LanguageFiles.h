#pragma once

#include <optional>
#include <string>
#include <vector>

namespace halvane::app::models {

// The language files beside the program ("<program base name><ABR>.qm").
class LanguageFiles {
public:
    virtual ~LanguageFiles() = default;
    // Loads the file of `abbreviation` and makes it the source of every text
    // in place of the one loaded before; false (the previous file stays in
    // use) when there is none or it cannot be read.
    virtual bool load(const std::string& abbreviation) = 0;
    // Back to the program's built-in texts.
    virtual void unload() = 0;
    // The language tag ("de_DE") of every file the pattern
    // "<base>???.qm" finds, in the order the directory lists them; an empty
    // tag for a file that carries none.
    virtual std::vector<std::string> tags() = 0;
    // String-table entry `id` as the file of `abbreviation` gives it, read
    // without touching the texts in use; none when the file cannot be read
    // or has no such entry.
    virtual std::optional<std::string> peekString(const std::string& abbreviation, int id) = 0;
};

}  // namespace halvane::app::models
