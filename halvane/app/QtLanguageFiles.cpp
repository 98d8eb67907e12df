#include "halvane/app/QtLanguageFiles.h"

#include "halvane/diagnostics/HalvaneStrings.h"
#include "platform/StringTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTranslator>

#include <cstring>
#include <map>
#include <string>

namespace halvane::app {

namespace {

// Language files name a dialog's texts by the dialog's class as the files
// were first written: "halvane::CMainFrame", "CustomControls::CSpin". The
// classes have since moved into halvane::app, so a text not found under the
// class's present name is looked up under the name the files carry.
class LanguageFileTranslator final : public QTranslator {
public:
    QString translate(const char* context, const char* sourceText, const char* disambiguation = nullptr,
                      int n = -1) const override {
        QString text = QTranslator::translate(context, sourceText, disambiguation, n);
        static constexpr const char kPresent[] = "halvane::app::";
        constexpr std::size_t kPresentLength = sizeof(kPresent) - 1;
        if (!text.isNull() || context == nullptr || std::strncmp(context, kPresent, kPresentLength) != 0)
            return text;
        const char* inApp = context + kPresentLength;
        const std::string inProgram = std::string("halvane::") + inApp;
        text = QTranslator::translate(inProgram.c_str(), sourceText, disambiguation, n);
        if (text.isNull()) text = QTranslator::translate(inApp, sourceText, disambiguation, n);
        return text;
    }
};

}  // namespace

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
    auto translator = std::make_unique<LanguageFileTranslator>();
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
    return {diagnostics::ids::Movie,        diagnostics::ids::Music,         diagnostics::ids::UserAbort,      diagnostics::ids::TooManyRows,
            diagnostics::ids::ProcedureCompleted, diagnostics::ids::ProcedureTerminated, diagnostics::ids::ProcedureFailed, diagnostics::ids::ProcedurePleaseWait,
            diagnostics::ids::ProcedureAborting,  diagnostics::ids::SpeakerLabel,  diagnostics::ids::PressStart,  diagnostics::ids::Measuring,
            diagnostics::ids::Calculating,  diagnostics::ids::Uploading,     diagnostics::ids::InvalidFileFormat, diagnostics::ids::No,
            diagnostics::ids::Yes,          diagnostics::ids::OffDisabled,   diagnostics::ids::Small,          diagnostics::ids::Large,
            models::LanguageManager::kRestartNotice};
}

}  // namespace halvane::app
