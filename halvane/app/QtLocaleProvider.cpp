#include "halvane/app/QtLocaleProvider.h"

#include <QLocale>
#include <QStringList>

namespace halvane::app {

models::LanguageId QtLocaleProvider::userUiLanguage() {
    const QStringList languages = QLocale::system().uiLanguages();
    return languages.isEmpty() ? 0 : models::LanguageOfLocale(languages.first().toStdString());
}

models::LanguageId QtLocaleProvider::userLanguage() { return models::LanguageOfLocale(QLocale::system().name().toStdString()); }

std::string QtLocaleProvider::languageName(models::LanguageId id) {
    const auto info = models::FindLanguage(id);
    if (!info) return {};
    const QLocale locale(QString::fromLatin1(info->locale));
    if (locale.language() == QLocale::C) return {};
    QString name = locale.nativeLanguageName();
    if (name.isEmpty()) name = QLocale::languageToString(locale.language());
    return name.toStdString();
}

}  // namespace halvane::app
