#pragma once

#include "halvane/app/models/LanguageManager.h"

#include <QString>

#include <memory>
#include <vector>

class QTranslator;

namespace halvane::app {

// Halvane's language files: Qt translation files beside the program, named
// the program's base name, the three-letter abbreviation and ".qm"
// ("halvaneDEU.qm"). Each carries its language tag (the .ts file's
// language). Loading one installs it as the application's translator and
// lays its string-table entries (context "StringTable", the entry's number
// as source text) over the built-in ones. A translation file is data, not
// code: loading one cannot run anything.
class QtLanguageFiles final : public models::LanguageFiles {
public:
    static constexpr const char* kStringContext = "StringTable";

    // `directory` holds the files, `baseName` is the program's ("halvane"),
    // `stringIds` the string-table entries a file may translate.
    QtLanguageFiles(QString directory, QString baseName, std::vector<int> stringIds);
    ~QtLanguageFiles() override;

    // The files of the running program: its directory, its file name less
    // any extension, Halvane's string-table entries. Call after the
    // application object exists.
    static std::unique_ptr<QtLanguageFiles> ForProgram();

    bool load(const std::string& abbreviation) override;
    void unload() override;
    std::vector<std::string> tags() override;
    std::optional<std::string> peekString(const std::string& abbreviation, int id) override;

    QString pathOf(const std::string& abbreviation) const;
    const QTranslator* installed() const { return installed_.get(); }

private:
    QString directory_;
    QString baseName_;
    std::vector<int> stringIds_;
    std::unique_ptr<QTranslator> installed_;
};

// Halvane's own string-table entries that a language file may translate.
std::vector<int> HalvaneStringIds();

}  // namespace halvane::app
