#include "halvane/app/QtLocaleProvider.h"

#include <QLocale>
#include <QStringList>

namespace halvane {

LanguageId QtLocaleProvider::userUiLanguage() {
    const QStringList languages = QLocale::system().uiLanguages();
    return languages.isEmpty() ? 0 : LanguageOfLocale(languages.first().toStdString());
}

LanguageId QtLocaleProvider::userLanguage() { return LanguageOfLocale(QLocale::system().name().toStdString()); }

std::string QtLocaleProvider::languageName(LanguageId id) {
    const auto info = FindLanguage(id);
    if (!info) return {};
    const QLocale locale(QString::fromLatin1(info->locale));
    if (locale.language() == QLocale::C) return {};
    QString name = locale.nativeLanguageName();
    if (name.isEmpty()) name = QLocale::languageToString(locale.language());
    return name.toStdString();
}

}  // namespace halvane
