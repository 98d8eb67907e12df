#include "halvane/app/QtLanguageFiles.h"

#include "halvane/diagnostics/HalvaneStrings.h"
#include "platform/StringTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTranslator>

#include <map>

namespace halvane {

QtLanguageFiles::QtLanguageFiles(QString directory, QString baseName, std::vector<int> stringIds)
    : directory_(std::move(directory)), baseName_(std::move(baseName)), stringIds_(std::move(stringIds)) {}

QtLanguageFiles::~QtLanguageFiles() { unload(); }

std::unique_ptr<QtLanguageFiles> QtLanguageFiles::ForProgram() {
    return std::make_unique<QtLanguageFiles>(QCoreApplication::applicationDirPath(),
                                             QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName(),
                                             HalvaneStringIds());
}

QString QtLanguageFiles::pathOf(const std::string& abbreviation) const {
    return QDir(directory_).filePath(baseName_ + QString::fromStdString(abbreviation) + QStringLiteral(".qm"));
}

bool QtLanguageFiles::load(const std::string& abbreviation) {
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(pathOf(abbreviation))) return false;
    std::map<int, std::string> entries;
    for (const int id : stringIds_) {
        const QString text = translator->translate(kStringContext, QByteArray::number(id).constData());
        if (!text.isEmpty()) entries[id] = text.toStdString();
    }
    unload();
    if (QCoreApplication::instance() != nullptr) QCoreApplication::installTranslator(translator.get());
    installed_ = std::move(translator);
    platform::processStrings().loadLanguage(std::move(entries));
    return true;
}

void QtLanguageFiles::unload() {
    if (!installed_) return;
    if (QCoreApplication::instance() != nullptr) QCoreApplication::removeTranslator(installed_.get());
    installed_.reset();
    platform::processStrings().unloadLanguage();
}

std::vector<std::string> QtLanguageFiles::tags() {
    std::vector<std::string> out;
    // Sorted by name, as the file search of the system lists a folder.
    const QStringList names = QDir(directory_).entryList({baseName_ + QStringLiteral("???.qm")}, QDir::Files, QDir::Name);
    for (const QString& name : names) {
        QTranslator translator;
        out.push_back(translator.load(QDir(directory_).filePath(name)) ? translator.language().toStdString()
                                                                       : std::string());
    }
    return out;
}

std::optional<std::string> QtLanguageFiles::peekString(const std::string& abbreviation, int id) {
    QTranslator translator;
    if (!translator.load(pathOf(abbreviation))) return std::nullopt;
    const QString text = translator.translate(kStringContext, QByteArray::number(id).constData());
    if (text.isEmpty()) return std::nullopt;
    return text.toStdString();
}

std::vector<int> HalvaneStringIds() {
    return {ids::Movie,        ids::Music,         ids::UserAbort,      ids::TooManyRows,
            ids::ProcedureCompleted, ids::ProcedureTerminated, ids::ProcedureFailed, ids::ProcedurePleaseWait,
            ids::ProcedureAborting,  ids::SpeakerLabel,  ids::PressStart,  ids::Measuring,
            ids::Calculating,  ids::Uploading,     ids::InvalidFileFormat, ids::No,
            ids::Yes,          ids::OffDisabled,   ids::Small,          ids::Large,
            LanguageManager::kRestartNotice};
}

}  // namespace halvane
